// An instance of an atlased target: how large its part of an atlas should be (a resolution, or
// texels per world unit), and, once the atlas is generated, where it landed.
#pragma once

#include "bake/FSTorvoTargetEntity.h"

#include "torvo.h"

namespace trv {

class FSTorvoAtlasTarget;

class FSTorvoAtlasTargetEntity : public FSTorvoTargetEntity {
public:
    FSTorvoAtlasTargetEntity(FSTorvoAtlasTarget& target, const FSTorvoInstance& source);

    int32_t width() const { return width_; }
    int32_t height() const { return height_; }
    float texelScale() const { return texelScale_; }
    bool useTexelScale() const { return useTexelScale_; }
    const std::string& bakeUVSet() const { return bakeUVSet_; }
    int32_t atlasIndex() const { return atlasIndex_; }
    const TRVVec2& offset() const { return offset_; }
    const TRVVec2& scale() const { return scale_; }
    // Where the generated atlas put the entity.
    void place(int32_t atlasIndex, const TRVVec2& offset, const TRVVec2& scale);

    TRVStatus setBakeUVSet(const std::string& uvSetName) override;
    TRVStatus setBakeResolution(int32_t width, int32_t height) override;
    TRVStatus setTexelScale(float scale) override;
    TRVStatus getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale) override;
    TRVStatus getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min, float* max) override;

private:
    FSTorvoAtlasTarget* target_;
    int32_t width_ = 0;
    int32_t height_ = 0;
    float texelScale_ = 1.0f;
    bool useTexelScale_ = true;
    int32_t atlasIndex_ = -1;
    TRVVec2 offset_{0.0f, 0.0f};
    TRVVec2 scale_{1.0f, 1.0f};
    std::string bakeUVSet_;
};

}  // namespace trv
