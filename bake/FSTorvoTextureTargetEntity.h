// An instance of a texture target: which UV set it bakes through and where in the target's
// texture its UVs land.
#pragma once

#include "bake/FSTorvoTargetEntity.h"

#include "torvo.h"

namespace trv {

class FSTorvoTextureTarget;

class FSTorvoTextureTargetEntity : public FSTorvoTargetEntity {
public:
    FSTorvoTextureTargetEntity(FSTorvoTextureTarget& target, const FSTorvoInstance& source);

    const std::string& bakeUVSet() const { return bakeUVSet_; }
    const TRVVec2& uvBias() const { return uvBias_; }
    const TRVVec2& uvScale() const { return uvScale_; }
    // Whether UVs are used as they are (bias 0, 0 and scale 1, 1).
    bool hasIdentityUVTransform() const;

    TRVStatus setUVTransform(const float* offset, const float* scale) override;
    TRVStatus setBakeUVSet(const std::string& uvSetName) override;
    TRVStatus getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale) override;
    TRVStatus getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min, float* max) override;

private:
    FSTorvoTextureTarget* target_;
    std::string bakeUVSet_;
    TRVVec2 uvBias_{0.0f, 0.0f};
    TRVVec2 uvScale_{1.0f, 1.0f};
};

}  // namespace trv
