#include "cache/FSTorvoManager.h"

#include "api/Status.h"

namespace trv {

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
TRVStatus FSTorvoManager::createJob(const std::string&, TorvoSceneStub&, const std::string&, TorvoJobStub*&)
{
    return Status::NotImplemented;
}
TRVStatus FSTorvoManager::setTorvoPath(const std::string&) { return Status::NotImplemented; }

}  // namespace trv
