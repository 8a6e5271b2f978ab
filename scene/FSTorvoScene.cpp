#include "scene/FSTorvoScene.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "scene/SceneOwner.h"
#include "cache/FileHelpers.h"
#include "geometry/FSTorvoMesh.h"
#include "scene/FSTorvoAreaLight.h"
#include "scene/FSTorvoDirectionalLight.h"
#include "scene/FSTorvoEnvironmentCamera.h"
#include "scene/FSTorvoInstance.h"
#include "scene/FSTorvoMaterial.h"
#include "scene/FSTorvoPerspCamera.h"
#include "scene/FSTorvoPointCloud.h"
#include "scene/FSTorvoPointLight.h"
#include "scene/FSTorvoSpotLight.h"
#include "scene/FSTorvoWindowLight.h"
#include "scene/XMLSceneSerializer.h"

#include <new>
#include <set>

namespace trv {

namespace {

template <class Map>
bool nameTaken(const Map& map, const std::string& name, const char* messageStart)
{
    if (map.find(name) == map.end())
        return false;
    errorStream() << messageStart << name << " already exists" << std::endl;
    return true;
}

template <class Map, class Object>
auto lookUp(const Map& index, const Object* handle) -> typename Map::mapped_type
{
    const auto found = index.find(handle);
    return found == index.end() ? nullptr : found->second;
}

}  // namespace

FSTorvoScene::FSTorvoScene(std::string name, SceneOwner* manager) : name_(std::move(name)), manager_(manager) {}

FSTorvoScene::~FSTorvoScene() = default;

std::filesystem::path FSTorvoScene::sceneDirectory() const
{
    return manager_ ? manager_->cacheDirectories().scenesDirectory() : std::filesystem::path();
}

std::filesystem::path FSTorvoScene::sceneFilePath() const { return sceneDirectory() / toWide(name_ + ".xml"); }

std::filesystem::path FSTorvoScene::fileListPath() const { return sceneDirectory() / toWide(name_ + "_files.xml"); }

const FSTorvoInstance* FSTorvoScene::instanceOf(TRVInstanceHandle handle) const
{
    return lookUp(instanceIndex_, objectOf(handle));
}

const FSTorvoLightSource* FSTorvoScene::lightOf(TRVLightHandle handle) const
{
    return lookUp(lightIndex_, objectOf(handle));
}

const FSTorvoMaterial* FSTorvoScene::materialOf(TRVMaterialHandle handle) const
{
    return lookUp(materialIndex_, objectOf(handle));
}

bool FSTorvoScene::refuseWhenFinalized() const
{
    if (!finalized_)
        return false;
    errorStream() << "Scene already finalized." << std::endl;
    return true;
}

TRVStatus FSTorvoScene::release()
{
    if (manager_ == nullptr)
        return Status::InvalidHandle;
    return manager_->unregisterScene(*this);
}

TRVStatus FSTorvoScene::createInstance(TorvoMeshStub& mesh, const std::string& name, const TRVMatrix4x4* transform,
                                       TorvoInstanceStub*& out)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    auto* fsMesh = dynamic_cast<FSTorvoMesh*>(&mesh);
    if (fsMesh == nullptr) {
        errorStream() << "Invalid Mesh Handle: " << formatPointer(&mesh) << "." << std::endl;
        return Status::InvalidHandle;
    }
    // The very object must be in this manager's table: another manager's mesh of the same
    // cache name is not ours.
    if (manager_ == nullptr || manager_->meshByHashedName(fsMesh->name()) != fsMesh) {
        errorStream() << "Mesh not part of the same torvo manager: " << formatPointer(&mesh) << "." << std::endl;
        return Status::InvalidHandle;
    }
    if (!checkNotNull("transform", transform))
        return Status::InvalidParameter;
    if (nameTaken(instances_, name, "An instance named "))
        return Status::DuplicateName;
    try {
        auto instance = std::make_shared<FSTorvoInstance>(this, name, fsMesh, *transform);
        instanceIndex_.emplace(static_cast<const TorvoInstanceStub*>(instance.get()), instance.get());
        try {
            instances_.emplace(name, instance);
        } catch (...) {
            instanceIndex_.erase(static_cast<const TorvoInstanceStub*>(instance.get()));
            throw;
        }
        out = instance.get();
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate instance" << name << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

template <class Camera, class... Extra>
TRVStatus FSTorvoScene::createCamera(const std::string& name, const TRVMatrix4x4* transform, TorvoCameraStub*& out,
                                     Extra... extra)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    if (!checkNotNull("transform", transform))
        return Status::InvalidParameter;
    if (nameTaken(cameras_, name, "An camera named "))
        return Status::DuplicateName;
    try {
        auto camera = std::make_shared<Camera>(this, name, extra..., *transform);
        cameras_.emplace(name, camera);
        out = camera.get();
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate camera" << name << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::createPerspectiveCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                TorvoCameraStub*& out)
{
    return createCamera<FSTorvoPerspCamera>(name, transform, out);
}

TRVStatus FSTorvoScene::createEnvironmentCamera(const std::string& name, const TRVMatrix4x4* transform,
                                                int32_t environmentType, TorvoCameraStub*& out)
{
    return createCamera<FSTorvoEnvironmentCamera>(name, transform, out, environmentType);
}

template <class Light>
TRVStatus FSTorvoScene::createLight(const char* messageStart, const std::string& name, const TRVMatrix4x4* transform,
                                    const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    if (!checkNotNull("transform", transform) || !checkNotNull("color", color))
        return Status::InvalidParameter;
    if (nameTaken(lights_, name, messageStart))
        return Status::DuplicateName;
    try {
        auto light = std::make_shared<Light>(this, name, *color, *transform);
        lightIndex_.emplace(static_cast<const TorvoLightSourceStub*>(light.get()), light.get());
        try {
            lights_.emplace(name, light);
        } catch (...) {
            lightIndex_.erase(static_cast<const TorvoLightSourceStub*>(light.get()));
            throw;
        }
        out = light.get();
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate light source" << name << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::createPointLight(const std::string& name, const TRVMatrix4x4* transform,
                                         const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    return createLight<FSTorvoPointLight>("A lightsource named ", name, transform, color, out);
}

TRVStatus FSTorvoScene::createSpotLight(const std::string& name, const TRVMatrix4x4* transform,
                                        const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    return createLight<FSTorvoSpotLight>("A light source named ", name, transform, color, out);
}

TRVStatus FSTorvoScene::createDirectionalLight(const std::string& name, const TRVMatrix4x4* transform,
                                               const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    return createLight<FSTorvoDirectionalLight>("A light source named ", name, transform, color, out);
}

TRVStatus FSTorvoScene::createAreaLight(const std::string& name, const TRVMatrix4x4* transform,
                                        const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    return createLight<FSTorvoAreaLight>("A light source named ", name, transform, color, out);
}

TRVStatus FSTorvoScene::createWindowLight(const std::string& name, const TRVMatrix4x4* transform,
                                          const TRVLinearRGB* color, TorvoLightSourceStub*& out)
{
    return createLight<FSTorvoWindowLight>("A light source named ", name, transform, color, out);
}

TRVStatus FSTorvoScene::createMaterial(const std::string& name, TorvoMaterialStub*& out)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    if (nameTaken(materials_, name, "A material named "))
        return Status::DuplicateName;
    try {
        auto material = std::make_shared<FSTorvoMaterial>(this, name);
        materialIndex_.emplace(static_cast<const TorvoMaterialStub*>(material.get()), material.get());
        try {
            materials_.emplace(name, material);
        } catch (...) {
            materialIndex_.erase(static_cast<const TorvoMaterialStub*>(material.get()));
            throw;
        }
        out = material.get();
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to lookup material " << name << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::findMaterial(const std::string& name, TorvoMaterialStub*& out)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    const auto found = materials_.find(name);
    if (found == materials_.end())
        return Status::UnknownObject;
    out = found->second.get();
    return Status::Success;
}

TRVStatus FSTorvoScene::createPointCloud(const std::string& name, TorvoPointCloudStub*& out)
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    if (nameTaken(pointClouds_, name, "A point cloud named "))
        return Status::DuplicateName;
    try {
        auto pointCloud = std::make_shared<FSTorvoPointCloud>(name, this);
        pointClouds_.emplace(name, pointCloud);
        out = pointCloud.get();
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate point cloud" << name << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::writeDocument()
{
    const std::filesystem::path path = sceneFilePath();
    Torvo_ofstream stream(path);
    if (!stream.is_open() || stream.fail()) {
        errorStream() << "Failed to create scene file: " << toBytes(path) << "." << std::endl;
        return Status::FileIOError;
    }
    XMLSceneSerializer serializer(stream, *this);
    if (!serializer.beginDocument()) {
        errorStream() << "Scene serialization failed when beginning the document." << std::endl;
        return Status::FileIOError;
    }
    for (const auto& entry : instances_)
        if (!serializer.writeInstance(*entry.second)) {
            errorStream() << "Scene serialization failed in instance: " << entry.first << std::endl;
            return Status::FileIOError;
        }
    for (const auto& entry : cameras_)
        if (!serializer.writeCamera(*entry.second)) {
            errorStream() << "Scene serialization failed in camera: " << entry.first << std::endl;
            return Status::FileIOError;
        }
    for (const auto& entry : lights_)
        if (!entry.second->serialize(serializer)) {
            errorStream() << "Scene serialization failed in light source: " << entry.first << std::endl;
            return Status::FileIOError;
        }
    for (const auto& entry : materials_)
        if (!serializer.writeMaterial(*entry.second)) {
            errorStream() << "Scene serialization failed in material: " << entry.first << std::endl;
            return Status::FileIOError;
        }
    bool ended = serializer.endDocument();
    if (ended) {
        stream.close();
        ended = !stream.fail();
    }
    if (!ended) {
        errorStream() << "Failed to finalize serialization." << std::endl;
        return Status::FileIOError;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::writeFileList()
{
    std::set<std::string> meshNames;
    for (const auto& entry : instances_)
        meshNames.insert(entry.second->meshName());
    Torvo_ofstream stream(fileListPath());
    bool written = stream.is_open() && !stream.fail() && XMLSceneSerializer::writeFileList(stream, meshNames);
    if (written) {
        stream.close();
        written = !stream.fail();
    }
    if (!written) {
        errorStream() << "Scene serializing failed when writing geometry list" << std::endl;
        return Status::FileIOError;
    }
    return Status::Success;
}

TRVStatus FSTorvoScene::endScene()
{
    if (refuseWhenFinalized())
        return Status::InvalidObjectState;
    const TRVStatus status = writeDocument();
    if (status != Status::Success)
        return status;
    finalized_ = true;
    return writeFileList();
}

}  // namespace trv
