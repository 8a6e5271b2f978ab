#include "cache/FSTorvoManager.h"

#include "api/Status.h"
#include "geometry/FSTorvoMesh.h"
#include "geometry/FSTorvoTexture.h"
#include "job/FSTorvoJob.h"
#include "job/JobCreation.h"
#include "scene/FSTorvoScene.h"

namespace trv {

FSTorvoManager::~FSTorvoManager()
{
    jobs_table_.clear();
    textures_table_.clear();
    scenes_table_.clear();
    meshes_table_.clear();
}

TRVStatus FSTorvoManager::initialize(const std::filesystem::path&, int32_t)
{
    return Status::Success;
}

TRVStatus FSTorvoManager::beginMesh(const std::string&, TorvoMeshStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::beginScene(const std::string&, TorvoSceneStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::referenceTexture(const std::string&, const std::string&, TorvoTextureStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoManager::beginTexture(const std::string&, int32_t, int32_t, int32_t, TorvoTextureStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoManager::findMesh(const std::string&, TorvoMeshStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::findTexture(const std::string&, TorvoTextureStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::eraseCachedMesh(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::eraseCachedTexture(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoManager::clearCache() { return Status::NotImplemented; }
TRVStatus FSTorvoManager::createJob(const std::string& jobName, TorvoSceneStub& scene,
                                    const std::string& configurationPath, TorvoJobStub*& out)
{
    return trv::createJob(*this, jobName, scene, configurationPath, out);
}
TRVStatus FSTorvoManager::setTorvoPath(const std::string&) { return Status::NotImplemented; }

FSTorvoMesh* FSTorvoManager::meshByHashedName(const std::string& hashedName) const
{
    const auto it = meshes_table_.find(hashedName);
    return it == meshes_table_.end() ? nullptr : it->second.get();
}

TRVStatus FSTorvoManager::unregisterScene(const FSTorvoScene& scene)
{
    return scenes_table_.erase(scene.name()) ? Status::Success : Status::InvalidHandle;
}

TRVStatus FSTorvoManager::unregisterJob(const FSTorvoJob& job)
{
    return jobs_table_.erase(job.name()) ? Status::Success : Status::InvalidHandle;
}

void FSTorvoManager::assignToContainment(int) {}

}  // namespace trv
