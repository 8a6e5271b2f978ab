// A named scene: instances, cameras, lights, materials and point clouds; ended into its XML files.
#pragma once

#include "scene/TorvoSceneStub.h"

#include <filesystem>
#include <map>
#include <memory>
#include <string>
#include <unordered_map>

namespace trv {

class SceneOwner;
class FSTorvoInstance;
class FSTorvoCamera;
class FSTorvoLightSource;
class FSTorvoMaterial;
class FSTorvoPointCloud;

// Jobs hold a share of the scene they render, so releasing the scene does not pull it from under them.
class FSTorvoScene : public TorvoSceneStub, public std::enable_shared_from_this<FSTorvoScene> {
public:
    FSTorvoScene(std::string name, SceneOwner* manager);
    ~FSTorvoScene() override;

    const std::string& name() const { return name_; }
    SceneOwner* manager() const { return manager_; }
    bool isFinalized() const { return finalized_; }
    // The manager's scene directory, where the scene's files and point clouds go.
    std::filesystem::path sceneDirectory() const;
    std::filesystem::path sceneFilePath() const;
    std::filesystem::path fileListPath() const;

    const std::map<std::string, std::shared_ptr<FSTorvoInstance>>& instances() const { return instances_; }
    const std::map<std::string, std::shared_ptr<FSTorvoCamera>>& cameras() const { return cameras_; }
    const std::map<std::string, std::shared_ptr<FSTorvoLightSource>>& lights() const { return lights_; }
    const std::map<std::string, std::shared_ptr<FSTorvoMaterial>>& materials() const { return materials_; }
    const std::map<std::string, std::shared_ptr<FSTorvoPointCloud>>& pointClouds() const { return pointClouds_; }

    // The object of this scene behind a handle, or null for a handle of no object of this scene.
    const FSTorvoInstance* instanceOf(TRVInstanceHandle handle) const;
    const FSTorvoLightSource* lightOf(TRVLightHandle handle) const;
    const FSTorvoMaterial* materialOf(TRVMaterialHandle handle) const;

    [[nodiscard]] TRVStatus release() override;
    [[nodiscard]] TRVStatus createInstance(TorvoMeshStub& mesh, const std::string& name, const TRVMatrix4x4* transform,
                                           TorvoInstanceStub*& out) override;
    [[nodiscard]] TRVStatus createPerspectiveCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                    TorvoCameraStub*& out) override;
    [[nodiscard]] TRVStatus createEnvironmentCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                    int32_t environmentType, TorvoCameraStub*& out) override;
    [[nodiscard]] TRVStatus createPointLight(const std::string& name, const TRVMatrix4x4* transform,
                                             const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    [[nodiscard]] TRVStatus createSpotLight(const std::string& name, const TRVMatrix4x4* transform,
                                            const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    [[nodiscard]] TRVStatus createDirectionalLight(const std::string& name, const TRVMatrix4x4* transform,
                                                   const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    [[nodiscard]] TRVStatus createAreaLight(const std::string& name, const TRVMatrix4x4* transform,
                                            const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    [[nodiscard]] TRVStatus createWindowLight(const std::string& name, const TRVMatrix4x4* transform,
                                              const TRVLinearRGB* color, TorvoLightSourceStub*& out) override;
    [[nodiscard]] TRVStatus createMaterial(const std::string& name, TorvoMaterialStub*& out) override;
    [[nodiscard]] TRVStatus findMaterial(const std::string& name, TorvoMaterialStub*& out) override;
    [[nodiscard]] TRVStatus createPointCloud(const std::string& name, TorvoPointCloudStub*& out) override;
    [[nodiscard]] TRVStatus endScene() override;

private:
    bool refuseWhenFinalized() const;
    template <class Light>
    [[nodiscard]] TRVStatus createLight(const char* messageStart, const std::string& name,
                                        const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                                        TorvoLightSourceStub*& out);
    template <class Camera, class... Extra>
    [[nodiscard]] TRVStatus createCamera(const std::string& name, const TRVMatrix4x4* transform, TorvoCameraStub*& out,
                                         Extra... extra);
    [[nodiscard]] TRVStatus writeDocument();
    [[nodiscard]] TRVStatus writeFileList();

    std::string name_;
    SceneOwner* manager_;
    // Declared so that destruction goes point clouds, materials, lights, cameras, instances.
    std::map<std::string, std::shared_ptr<FSTorvoInstance>> instances_;
    std::map<std::string, std::shared_ptr<FSTorvoCamera>> cameras_;
    std::map<std::string, std::shared_ptr<FSTorvoLightSource>> lights_;
    std::map<std::string, std::shared_ptr<FSTorvoMaterial>> materials_;
    std::map<std::string, std::shared_ptr<FSTorvoPointCloud>> pointClouds_;
    bool finalized_ = false;
    // Handle lookups for links and overrides, which callers give as unchecked handles.
    std::unordered_map<const void*, const FSTorvoInstance*> instanceIndex_;
    std::unordered_map<const void*, const FSTorvoLightSource*> lightIndex_;
    std::unordered_map<const void*, const FSTorvoMaterial*> materialIndex_;
};

}  // namespace trv
