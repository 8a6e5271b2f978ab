// The root object: owns the file cache and the tables of meshes, textures, scenes and jobs.
#pragma once

#include "cache/TorvoManagerStub.h"

#include <filesystem>

namespace trv {

class FSTorvoManager : public TorvoManagerStub {
public:
    FSTorvoManager() = default;
    ~FSTorvoManager() override = default;

    // Sets up the cache under cacheDirectory for the given cache scope.
    TRVStatus initialize(const std::filesystem::path& cacheDirectory, int32_t cacheScope);

    TRVStatus beginMesh(const std::string& name, TorvoMeshStub*& out) override;
    TRVStatus beginScene(const std::string& name, TorvoSceneStub*& out) override;
    TRVStatus referenceTexture(const std::string& name, const std::string& imagePath,
                               TorvoTextureStub*& out) override;
    TRVStatus beginTexture(const std::string& name, int32_t width, int32_t height, int32_t format,
                           TorvoTextureStub*& out) override;
    TRVStatus findMesh(const std::string& name, TorvoMeshStub*& out) override;
    TRVStatus findTexture(const std::string& name, TorvoTextureStub*& out) override;
    TRVStatus eraseCachedMesh(const std::string& name) override;
    TRVStatus eraseCachedTexture(const std::string& name) override;
    TRVStatus clearCache() override;
    TRVStatus createJob(const std::string& jobName, TorvoSceneStub& scene, const std::string& configurationPath,
                        TorvoJobStub*& out) override;
    TRVStatus setTorvoPath(const std::string& directory) override;
};

}  // namespace trv
