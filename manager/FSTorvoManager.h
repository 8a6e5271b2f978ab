// The root object: owns the file cache and the tables of meshes, textures, scenes and jobs.
#pragma once

#include "cache/CacheDirectories.h"
#include "bake/BakeObjectFactory.h"
#include "job/JobOwner.h"
#include "manager/TorvoManagerStub.h"
#include "scene/SceneOwner.h"

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace trv {

class FSTorvoMesh;
class FSTorvoTexture;
class FSTorvoScene;
class FSTorvoJob;
class RenderTool;

// The three forms of a mesh or texture name: as given, mangled with the scope suffix, and hashed
// (the table key and the base of the cached file's name).
struct CacheName {
    std::string given;
    std::string mangled;
    std::string hashed;
};

class FSTorvoManager : public TorvoManagerStub,
                      public CacheDirectories,
                      public SceneOwner,
                      public JobOwner {
public:
    FSTorvoManager() = default;
    ~FSTorvoManager() override;

    // Sets up the cache under cacheDirectory for the given cache scope (0 shared, 1 per manager).
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

    const CacheDirectories& cacheDirectories() const override { return *this; }

    // The cache name of a caller's mesh or texture name under this manager's scope.
    CacheName cacheName(const std::string& name) const;
    // The scope suffix: empty for the shared scope, this manager's GUID for the per-manager scope.
    const std::string& scopeSuffix() const { return scopeSuffix_; }

    // The mesh of the table under a hashed name, or null.
    FSTorvoMesh* meshByHashedName(const std::string& hashedName) const override;
    // Removes a released scene / destroyed job from its table by name: 0, or 6 when not there.
    TRVStatus unregisterScene(const FSTorvoScene& scene) override;
    TRVStatus unregisterJob(const FSTorvoJob& job) override;
    // A render tool for one job start, chosen from this manager's renderer installation and the
    // distribution; null when the installation cannot serve it.
    std::shared_ptr<RenderTool> createRenderTool(int32_t distribution, const std::filesystem::path& jobDirectory,
                                                 const std::filesystem::path& sceneXmlPath,
                                                 const std::filesystem::path& fileListPath,
                                                 const std::filesystem::path& outputDirectory,
                                                 int32_t displayMode) const override;
    // The job table, filled by job creation.
    std::map<std::string, std::shared_ptr<FSTorvoJob>>& jobTable() override { return jobs_table_; }
    // Puts a started renderer process (its process id) under the manager's containment; logs
    // "Could not AssignProcessToObject on Job Object" when that cannot be done.
    void assignToContainment(int processHandle) override;
    BakeFactory& bakeFactory() override { return bakeFactory_; }

private:
    void setUpContainment();
    bool setUpDirectories();
    // Registers the files of a cache directory whose extension is in the set; false when the
    // directory cannot be read.
    template <class Register>
    bool scanDirectory(const std::filesystem::path& directory, const std::set<std::string>& extensions,
                       Register&& registerFile);
    // Logs the refusal of a name already in a table ("A mesh hashed to ...").
    static void logDuplicate(const char* kind, const CacheName& name);

    BakeObjectFactory bakeFactory_{*this};
    std::map<std::string, std::shared_ptr<FSTorvoMesh>> meshes_table_;
    std::map<std::string, std::shared_ptr<FSTorvoScene>> scenes_table_;
    std::map<std::string, std::shared_ptr<FSTorvoTexture>> textures_table_;
    std::map<std::string, std::shared_ptr<FSTorvoJob>> jobs_table_;
    std::string scopeSuffix_;
    std::set<std::string> textureExtensions_;
    bool containment_ = false;  // false when the system offers no containment
};

}  // namespace trv
