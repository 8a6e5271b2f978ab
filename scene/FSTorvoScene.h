// A named scene: instances, cameras, lights, materials and point clouds; ended into its XML files.
#pragma once

#include "scene/TorvoSceneStub.h"

#include <string>

namespace trv {

class FSTorvoManager;

class FSTorvoScene : public TorvoSceneStub {
public:
    FSTorvoScene(std::string name, FSTorvoManager* manager);
    ~FSTorvoScene() override;

    const std::string& name() const { return name_; }
    FSTorvoManager* manager() const { return manager_; }
    bool isFinalized() const { return finalized_; }

    TRVStatus release() override;
    TRVStatus createInstance(TorvoMeshStub& mesh, const std::string& name, const TRVMatrix4x4* transform,
                             TorvoInstanceStub*& out) override;
    TRVStatus createPerspectiveCamera(const std::string& name, const TRVMatrix4x4* transform,
                                      TorvoCameraStub*& out) override;
    TRVStatus createEnvironmentCamera(const std::string& name, const TRVMatrix4x4* transform,
                                      int32_t environmentType, TorvoCameraStub*& out) override;
    TRVStatus createPointLight(const std::string& name, const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                               TorvoLightSourceStub*& out) override;
    TRVStatus createSpotLight(const std::string& name, const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                              TorvoLightSourceStub*& out) override;
    TRVStatus createDirectionalLight(const std::string& name, const TRVMatrix4x4* transform,
                                     const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    TRVStatus createAreaLight(const std::string& name, const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                              TorvoLightSourceStub*& out) override;
    TRVStatus createWindowLight(const std::string& name, const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                                TorvoLightSourceStub*& out) override;
    TRVStatus createMaterial(const std::string& name, TorvoMaterialStub*& out) override;
    TRVStatus findMaterial(const std::string& name, TorvoMaterialStub*& out) override;
    TRVStatus createPointCloud(const std::string& name, TorvoPointCloudStub*& out) override;
    TRVStatus endScene() override;

private:
    std::string name_;
    FSTorvoManager* manager_;
    bool finalized_ = false;
};

}  // namespace trv
