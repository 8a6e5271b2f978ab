#pragma once

#include "core/Handles.h"

#include <cstdint>
#include <string>

namespace trv {

class TorvoManagerStub {
public:
    virtual ~TorvoManagerStub() = default;
    [[nodiscard]] virtual TRVStatus beginMesh(const std::string& name, TorvoMeshStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus beginScene(const std::string& name, TorvoSceneStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus referenceTexture(const std::string& name, const std::string& imagePath,
                                                     TorvoTextureStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus beginTexture(const std::string& name, int32_t width, int32_t height, int32_t format,
                                                 TorvoTextureStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus findMesh(const std::string& name, TorvoMeshStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus findTexture(const std::string& name, TorvoTextureStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus eraseCachedMesh(const std::string& name) = 0;
    [[nodiscard]] virtual TRVStatus eraseCachedTexture(const std::string& name) = 0;
    [[nodiscard]] virtual TRVStatus clearCache() = 0;
    [[nodiscard]] virtual TRVStatus createJob(const std::string& jobName, TorvoSceneStub& scene,
                                              const std::string& configurationPath, TorvoJobStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus setTorvoPath(const std::string& directory) = 0;
};

}  // namespace trv
