// Where the parts of one cache live on disk. The manager fills it in when it sets the cache up;
// the objects that write files into the cache (meshes, textures, scenes, jobs, scripts) only read it.
#pragma once

#include <filesystem>

namespace trv {

class CacheDirectories {
public:
    const std::filesystem::path& rootDirectory() const { return root_; }
    const std::filesystem::path& meshesDirectory() const { return meshes_; }
    const std::filesystem::path& scenesDirectory() const { return scenes_; }
    const std::filesystem::path& texturesDirectory() const { return textures_; }
    const std::filesystem::path& binariesDirectory() const { return binaries_; }
    const std::filesystem::path& tempDirectory() const { return temp_; }
    const std::filesystem::path& jobsDirectory() const { return jobs_; }
    const std::filesystem::path& scriptsDirectory() const { return scripts_; }

protected:
    CacheDirectories() = default;
    ~CacheDirectories() = default;

    std::filesystem::path root_;
    std::filesystem::path meshes_;
    std::filesystem::path scenes_;
    std::filesystem::path textures_;
    std::filesystem::path binaries_;
    std::filesystem::path temp_;
    std::filesystem::path jobs_;
    std::filesystem::path scripts_;
};

}  // namespace trv
