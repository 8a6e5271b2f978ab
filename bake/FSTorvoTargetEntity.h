// One instance (or point cloud) added to a target. It is named by a new GUID, the name under
// which configuration documents and result files know it.
#pragma once

#include "bake/TorvoTargetEntityStub.h"

#include <string>

namespace trv {

class FSTorvoInstance;

class FSTorvoTargetEntity : public TorvoTargetEntityStub {
public:
    // source is null for point cloud entities.
    explicit FSTorvoTargetEntity(const FSTorvoInstance* source);
    ~FSTorvoTargetEntity() override;

    const FSTorvoInstance* source() const { return source_; }
    const std::string& name() const { return name_; }

    TRVStatus setUVTransform(const float* offset, const float* scale) override;
    TRVStatus setBakeUVSet(const std::string& uvSetName) override;
    TRVStatus setBakeResolution(int32_t width, int32_t height) override;
    TRVStatus setTexelScale(float scale) override;
    TRVStatus getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale) override;
    TRVStatus getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min, float* max) override;

private:
    const FSTorvoInstance* source_;
    std::string name_;
};

}  // namespace trv
