// The maker of every kind of render pass and target a job can have.
#pragma once

#include "job/BakeFactory.h"

namespace trv {

class CacheDirectories;

class BakeObjectFactory : public BakeFactory {
public:
    // Lua scripts are copied into the cache's scripts directory.
    explicit BakeObjectFactory(const CacheDirectories& cache);
    virtual ~BakeObjectFactory();

    TRVStatus createTextureTarget(FSTorvoJob& job, const std::string& name, int32_t width, int32_t height,
                                  Target& out) override;
    TRVStatus createCameraTarget(FSTorvoJob& job, const std::string& name, TorvoCameraStub& camera, int32_t width,
                                 int32_t height, Target& out) override;
    TRVStatus createAtlasedTextureTarget(FSTorvoJob& job, const std::string& name, int32_t maxWidth,
                                         int32_t maxHeight, int32_t maxTextures, Target& out) override;
    TRVStatus createVertexTarget(FSTorvoJob& job, const std::string& name, Target& out) override;
    TRVStatus createPointCloudTarget(FSTorvoJob& job, const std::string& name, Target& out) override;
    TRVStatus createFullShadingPass(FSTorvoJob& job, const std::string& name, Pass& out) override;
    TRVStatus createRNMPass(FSTorvoJob& job, const std::string& name, int32_t components, int32_t samples,
                            int32_t basis, Pass& out) override;
    TRVStatus createLightPass(FSTorvoJob& job, const std::string& name, int32_t bakeType, Pass& out) override;
    TRVStatus createNormalPass(FSTorvoJob& job, const std::string& name, Pass& out) override;
    TRVStatus createAmbientOcclusionPass(FSTorvoJob& job, const std::string& name, float maxDistance,
                                         float coneAngle, Pass& out) override;
    TRVStatus createIlluminationPass(FSTorvoJob& job, const std::string& name, int32_t mode, Pass& out) override;
    TRVStatus createLuaPass(FSTorvoJob& job, const std::string& name, const std::string& scriptPath,
                            Pass& out) override;

private:
    const CacheDirectories* cache_;
};

}  // namespace trv
