#pragma once

#include "core/Handles.h"

#include <string>

namespace trv {

class TorvoSceneStub {
public:
    virtual ~TorvoSceneStub() = default;
    [[nodiscard]] virtual TRVStatus release() = 0;
    [[nodiscard]] virtual TRVStatus createInstance(TorvoMeshStub& mesh, const std::string& name,
                                                   const TRVMatrix4x4* transform, TorvoInstanceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createPerspectiveCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                            TorvoCameraStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createEnvironmentCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                            int32_t environmentType, TorvoCameraStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createPointLight(const std::string& name, const TRVMatrix4x4* transform,
                                                     const TRVLinearRGB* color, TorvoLightSourceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createSpotLight(const std::string& name, const TRVMatrix4x4* transform,
                                                    const TRVLinearRGB* color, TorvoLightSourceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createDirectionalLight(const std::string& name, const TRVMatrix4x4* transform,
                                                           const TRVLinearRGB* color, TorvoLightSourceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createAreaLight(const std::string& name, const TRVMatrix4x4* transform,
                                                    const TRVLinearRGB* color, TorvoLightSourceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createWindowLight(const std::string& name, const TRVMatrix4x4* transform,
                                                      const TRVLinearRGB* color, TorvoLightSourceStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createMaterial(const std::string& name, TorvoMaterialStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus findMaterial(const std::string& name, TorvoMaterialStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus createPointCloud(const std::string& name, TorvoPointCloudStub*& out) = 0;
    [[nodiscard]] virtual TRVStatus endScene() = 0;
};

}  // namespace trv
