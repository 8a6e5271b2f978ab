#include "scene/FSTorvoScene.h"

#include "api/Status.h"

namespace trv {

FSTorvoScene::FSTorvoScene(std::string name, FSTorvoManager* manager) : name_(std::move(name)), manager_(manager) {}
FSTorvoScene::~FSTorvoScene() = default;

TRVStatus FSTorvoScene::release() { return Status::NotImplemented; }
TRVStatus FSTorvoScene::createInstance(TorvoMeshStub&, const std::string&, const TRVMatrix4x4*, TorvoInstanceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createPerspectiveCamera(const std::string&, const TRVMatrix4x4*, TorvoCameraStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createEnvironmentCamera(const std::string&, const TRVMatrix4x4*, int32_t, TorvoCameraStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createPointLight(const std::string&, const TRVMatrix4x4*, const TRVLinearRGB*,
                                         TorvoLightSourceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createSpotLight(const std::string&, const TRVMatrix4x4*, const TRVLinearRGB*,
                                        TorvoLightSourceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createDirectionalLight(const std::string&, const TRVMatrix4x4*, const TRVLinearRGB*,
                                               TorvoLightSourceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createAreaLight(const std::string&, const TRVMatrix4x4*, const TRVLinearRGB*,
                                        TorvoLightSourceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createWindowLight(const std::string&, const TRVMatrix4x4*, const TRVLinearRGB*,
                                          TorvoLightSourceStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoScene::createMaterial(const std::string&, TorvoMaterialStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoScene::findMaterial(const std::string&, TorvoMaterialStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoScene::createPointCloud(const std::string&, TorvoPointCloudStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoScene::endScene() { return Status::NotImplemented; }

}  // namespace trv
