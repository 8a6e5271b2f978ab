// What every render pass has: its names, the normalization switch and the refusals of the
// settings that belong to other kinds of pass.
#pragma once

#include "job/JobPass.h"
#include "bake/TorvoRenderPassStub.h"

#include <memory>
#include <string>

namespace trv {

class FSTorvoJob;

// Standard channel names: 0 "R", 1 "G", 2 "B", 3 "A", 4 "Z", any other index "I".
std::string standardChannelName(int32_t index);

class FSTorvoRenderPass : public TorvoRenderPassStub,
                          public JobPass,
                          public std::enable_shared_from_this<FSTorvoRenderPass> {
public:
    // Takes the job's next pass short name and logs it.
    FSTorvoRenderPass(FSTorvoJob& job, std::string name);

    FSTorvoJob& job() const { return *job_; }
    const std::string& name() const { return name_; }
    const std::string& shortName() const override { return shortName_; }
    bool normalizationEnabled() const { return normalizationEnabled_; }
    bool normalizePerChannel() const { return normalizePerChannel_; }

    // Writes the Normalize settings; every kind writes its own settings after these.
    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    TRVStatus setNormalization(bool perChannel) override;
    TRVStatus addFullyBakedLight(TorvoLightSourceStub& light) override;
    TRVStatus createLightPassEntry(TorvoLightPassEntryStub*& out) override;
    TRVStatus enableSignedDistanceField(int32_t pixelFilterSize, float maxWorldDistance) override;
    TRVStatus setLambertianClamp(float value) override;
    TRVStatus setAllowNegative(int32_t mode) override;
    TRVStatus includeNormalComponent() override;
    TRVStatus matchNormalIntensity() override;
    TRVStatus setAOAdaptive(float accuracy, float smooth) override;
    TRVStatus setAONumRays(int32_t minRays, int32_t maxRays) override;
    TRVStatus setAOContrast(float contrast, float scale) override;
    TRVStatus setAOUniformSampling() override;
    TRVStatus setAOSelfOcclusion(int32_t mode) override;
    TRVStatus enableAOBentNormals() override;
    ~FSTorvoRenderPass() override;
    // The layer of the renderer's result files that holds this pass's values.
    virtual std::string resultLayerName() const = 0;
    // The name the host sees for channel index of a result of this pass.
    virtual std::string channelName(int32_t index) const = 0;

private:
    FSTorvoJob* job_;
    std::string name_;
    bool normalizationEnabled_ = false;
    bool normalizePerChannel_ = false;
    std::string shortName_;
};

}  // namespace trv
