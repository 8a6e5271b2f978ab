#include "manager/FSTorvoManager.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/FileHelpers.h"
#include "cache/Installation.h"
#include "cache/NameHash.h"
#include "geometry/FSTorvoMesh.h"
#include "geometry/FSTorvoTexture.h"
#include "job/FSTorvoJob.h"
#include "job/JobCreation.h"
#include "job/RenderToolChoice.h"
#include "platform/Containment.h"
#include "platform/Guid.h"
#include "scene/FSTorvoScene.h"

#include <utf8.h>

#include <algorithm>
#include <initializer_list>
#include <string_view>
#include <system_error>
#include <vector>

namespace fs = std::filesystem;

namespace trv {
namespace {

// The file in the cache root on which every live manager of the cache holds a shared lock.
const char* const cacheLockFileName = "cache.lock";
// What a scene's file list adds to the scene's name (before ".xml").
const std::string sceneFileListSuffix = "_files";

// A scene name must be usable as a file name on every system the cache may live on: not empty,
// no control bytes, none of < > : " / \ |, no trailing space, and no trailing dot except for
// "." and "..".
bool usableAsFileName(const std::string& name)
{
    if (name.empty())
        return false;
    for (const char c : name) {
        if (static_cast<unsigned char>(c) < 32)
            return false;
        switch (c) {
        case '<':
        case '>':
        case ':':
        case '"':
        case '/':
        case '\\':
        case '|':
            return false;
        default:
            break;
        }
    }
    if (name.back() == ' ')
        return false;
    if (name.back() == '.' && name != "." && name != "..")
        return false;
    return true;
}

// The extension of a file name from its last dot, lower-cased byte by byte (ASCII letters only).
std::string lowerCaseExtension(const fs::path& file)
{
    const std::string name = file.filename().string();
    const std::size_t dot = name.rfind('.');
    if (dot == std::string::npos)
        return std::string();
    std::string extension = name.substr(dot);
    for (char& c : extension)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return extension;
}

bool validUtf8(std::string_view text)
{
    for (const char c : text)
        if (static_cast<unsigned char>(c) >= 0x80)
            return utf8::is_valid(text.begin(), text.end());
    return true;
}

// What a scan found: the hashed name and, for textures, the file.
template <class Extra>
struct Found {
    std::string name;
    Extra extra;
};

// The order in which found names go into a table. Inserting in sorted order at the end costs far
// less than inserting in the directory's order, which is random; the sort runs on the names'
// first eight bytes held next to each other and looks at whole names only where those are equal.
// Of equal names only the one found last is kept (it replaces the others).
template <class Extra>
std::vector<std::size_t> tableOrder(const std::vector<Found<Extra>>& found)
{
    struct Key {
        uint64_t prefix;
        std::size_t index;
    };
    std::vector<Key> keys(found.size());
    for (std::size_t i = 0; i < found.size(); ++i) {
        const std::string& name = found[i].name;
        uint64_t prefix = 0;
        for (std::size_t b = 0; b < 8; ++b)
            prefix = (prefix << 8) | (b < name.size() ? static_cast<unsigned char>(name[b]) : 0u);
        keys[i] = Key{prefix, i};
    }
    std::sort(keys.begin(), keys.end(), [&](const Key& a, const Key& b) {
        if (a.prefix != b.prefix)
            return a.prefix < b.prefix;
        const int order = found[a.index].name.compare(found[b.index].name);
        return order != 0 ? order < 0 : a.index < b.index;
    });
    std::vector<std::size_t> order;
    order.reserve(keys.size());
    for (std::size_t k = 0; k < keys.size(); ++k) {
        const bool sameAsNext = k + 1 < keys.size() && keys[k + 1].prefix == keys[k].prefix &&
                                found[keys[k + 1].index].name == found[keys[k].index].name;
        if (!sameAsNext)
            order.push_back(keys[k].index);
    }
    return order;
}

// Puts found objects into a table in the given order; a name already there is replaced.
template <class Object, class Extra, class Make>
void fillTable(std::map<std::string, std::shared_ptr<Object>>& table, std::vector<Found<Extra>>& found,
               Make&& make)
{
    for (const std::size_t index : tableOrder(found)) {
        Found<Extra>& entry = found[index];
        std::shared_ptr<Object> object = make(entry);
        const Object* raw = object.get();
        auto it = table.emplace_hint(table.end(), std::move(entry.name), object);
        if (it->second.get() != raw)
            it->second = std::move(object);
    }
}

}  // namespace

FSTorvoManager::~FSTorvoManager()
{
    jobs_table_.clear();
    textures_table_.clear();
    scenes_table_.clear();
    meshes_table_.clear();
}

TRVStatus FSTorvoManager::initialize(const fs::path& cacheDirectory, int32_t cacheScope)
{
    if (cacheScope == 1) {
        scopeSuffix_ = platform::newGuid();
    } else if (cacheScope == 0) {
        scopeSuffix_.clear();
    } else {
        errorStream() << "Invalid cache scope" << std::endl;
        return Status::InvalidParameter;
    }

    // Paths need no length prefix on this system. The root is the full path: absolute, with "."
    // and ".." worked out and no trailing separator, so that paths made relative to it are right.
    root_ = cacheDirectory;
    if (!root_.empty()) {
        root_ = fs::absolute(root_).lexically_normal();
        if (!root_.has_filename() && root_.has_relative_path())
            root_ = root_.parent_path();
    }

    setUpContainment();

    meshes_ = root_ / "meshes";
    scenes_ = root_ / "scenes";
    temp_ = root_ / "temp";
    textures_ = root_ / "textures";
    jobs_ = root_ / "jobs";
    scripts_ = root_ / "scripts";

    // The lookup only informs; a directory it cannot even name (not UTF-8) leaves none chosen.
    try {
        binaries_ = locateBinaries();
    } catch (const std::exception&) {
        binaries_.clear();
    }

    if (!setUpDirectories()) {
        errorStream() << "Failed to setup cache directory" << std::endl;
        return Status::FileIOError;
    }

    textureExtensions_ = {".exr", ".png", ".dds", ".jpg", ".jpeg", ".tif", ".tiff", ".tga", ".bmp", ".hdr"};

    std::ostream& info = infoStream();
    info << "Initializing mesh cache." << std::endl;
    struct None {};
    std::vector<Found<None>> meshes;
    const bool meshesRead = scanDirectory(meshes_, {".ttm"}, [&](std::string_view hashed, const fs::path&) {
        info << "Found cached mesh: " << hashed << "." << std::endl;
        meshes.push_back(Found<None>{std::string(hashed), None{}});
    });
    if (!meshesRead) {
        errorStream() << "Failed to access mesh cache directory" << std::endl;
        return Status::FileIOError;
    }
    fillTable(meshes_table_, meshes,
              [&](const Found<None>& mesh) { return std::make_shared<FSTorvoMesh>(this, mesh.name, true); });

    info << "Initializing texture cache." << std::endl;
    std::vector<Found<fs::path>> textures;
    const bool texturesRead =
        scanDirectory(textures_, textureExtensions_, [&](std::string_view hashed, const fs::path& file) {
            info << "Found cached texture: " << hashed << "." << std::endl;
            textures.push_back(Found<fs::path>{std::string(hashed), file});
        });
    if (!texturesRead) {
        errorStream() << "Failed to access texture cache directory" << std::endl;
        return Status::FileIOError;
    }
    fillTable(textures_table_, textures, [&](const Found<fs::path>& texture) {
        return std::make_shared<FSTorvoTexture>(this, texture.name, texture.extra);
    });
    return Status::Success;
}

bool FSTorvoManager::setUpDirectories()
{
    // An empty cache directory would be the current directory, whose "scenes", "temp", "jobs"
    // and "scripts" would then be emptied: refused.
    if (root_.empty())
        return false;
    try {
        ensureDirectory(root_);
        const platform::FileLock::Outcome lock = cacheLock_.lock(root_ / cacheLockFileName);
        ensureDirectory(meshes_);
        ensureDirectory(textures_);
        const std::initializer_list<const fs::path*> perManager = {&scenes_, &temp_, &jobs_, &scripts_};
        if (lock == platform::FileLock::Outcome::Shared) {
            // Their content belongs to a live manager: its scene files, running jobs and results.
            infoStream() << "Cache directory " << toBytes(root_) << " is in use by another manager: its scenes, "
                         << "temp, jobs and scripts directories are kept." << std::endl;
            for (const fs::path* directory : perManager)
                fs::create_directories(*directory);
            return true;
        }
        // Alone (or on a file system without locks, as before there were any): a fresh start.
        for (const fs::path* directory : perManager) {
            fs::remove_all(*directory);
            fs::create_directories(*directory);
        }
        cacheLock_.share();
        return true;
    } catch (const fs::filesystem_error&) {
        return false;
    }
}

template <class Register>
bool FSTorvoManager::scanDirectory(const fs::path& directory, const std::set<std::string>& extensions,
                                   Register&& registerFile)
{
    std::error_code ec;
    fs::directory_iterator it(directory, ec);
    if (ec)
        return false;
    for (const fs::directory_iterator end; it != end; it.increment(ec)) {
        if (ec)
            return false;
        // Entries that vanish while the directory is read fail this test and are skipped.
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || typeError)
            continue;
        const std::string& full = it->path().native();
        const std::size_t slash = full.rfind('/');
        const std::string_view fileName =
            slash == std::string::npos ? std::string_view(full) : std::string_view(full).substr(slash + 1);
        // The extension as the path library sees it: from the last dot, not for a leading dot.
        const std::size_t dot = fileName.rfind('.');
        if (dot == std::string_view::npos || dot == 0)
            continue;
        if (extensions.count(std::string(fileName.substr(dot))) == 0)
            continue;
        const std::string_view stem = fileName.substr(0, dot);
        // Names the library cannot write into its UTF-8 logs and files are not its own.
        if (!validUtf8(stem))
            continue;
        registerFile(stem, it->path());
    }
    return !ec;
}

void FSTorvoManager::setUpContainment()
{
    // Children contain themselves when they start (platform/Containment.h); there is no object to
    // configure, only the facility to test.
    containment_ = platform::containmentAvailable();
    if (!containment_)
        errorStream() << "Cannot create Job Object" << std::endl;
}

void FSTorvoManager::assignToContainment(int processHandle)
{
    if (!containment_ || !platform::assignToContainment(processHandle))
        errorStream() << "Could not AssignProcessToObject on Job Object" << std::endl;
}

CacheName FSTorvoManager::cacheName(const std::string& name) const
{
    CacheName result;
    result.given = name;
    result.mangled = scopeSuffix_.empty() ? name : name + "_" + scopeSuffix_;
    result.hashed = nameHash(result.mangled);
    return result;
}

void FSTorvoManager::logDuplicate(const char* kind, const CacheName& name)
{
    errorStream() << "A " << kind << " hashed to " << name.hashed << " already exists (name: " << name.given
                  << ", mangled name: " << name.mangled << std::endl;
}

TRVStatus FSTorvoManager::beginMesh(const std::string& name, TorvoMeshStub*& out)
{
    const CacheName cache = cacheName(name);
    if (meshes_table_.count(cache.hashed)) {
        logDuplicate("mesh", cache);
        return Status::DuplicateName;
    }
    auto mesh = std::make_shared<FSTorvoMesh>(this, cache.hashed, false);
    out = mesh.get();
    meshes_table_.emplace(cache.hashed, std::move(mesh));
    infoStream() << "Began a mesh named " << cache.given << ", hashed name: " << cache.hashed
                 << ", mangled name: " << cache.mangled << std::endl;
    return Status::Success;
}

TRVStatus FSTorvoManager::beginScene(const std::string& name, TorvoSceneStub*& out)
{
    if (scenes_table_.count(name)) {
        errorStream() << "A scene named " << name << " already exists" << std::endl;
        return Status::DuplicateName;
    }
    if (!usableAsFileName(name)) {
        errorStream() << name << " is not a valid as filename" << std::endl;
        return Status::InvalidParameter;
    }
    // A scene writes its name + ".xml" and its name + "_files.xml": the scene "X_files" would
    // write its document over the file list of the scene "X".
    for (const auto& [liveName, live] : scenes_table_) {
        const bool overwritesLive = name == liveName + sceneFileListSuffix;
        if (overwritesLive || liveName == name + sceneFileListSuffix) {
            const std::string& document = overwritesLive ? name : liveName;
            errorStream() << "A scene named " << name << " would share the file " << document << ".xml"
                          << " with the scene named " << liveName << std::endl;
            return Status::DuplicateName;
        }
    }
    auto scene = std::make_shared<FSTorvoScene>(name, this);
    out = scene.get();
    scenes_table_.emplace(name, std::move(scene));
    return Status::Success;
}

TRVStatus FSTorvoManager::referenceTexture(const std::string& name, const std::string& imagePath,
                                           TorvoTextureStub*& out)
{
    const CacheName cache = cacheName(name);
    if (textures_table_.count(cache.hashed)) {
        logDuplicate("texture", cache);
        return Status::DuplicateName;
    }
    const fs::path source = toWide(imagePath);
    std::error_code ec;
    if (!fs::is_regular_file(source, ec)) {
        errorStream() << imagePath << " doesn't exist" << std::endl;
        return Status::InvalidParameter;
    }
    const std::string extension = lowerCaseExtension(source);
    if (!textureExtensions_.count(extension)) {
        errorStream() << "Texture format " << extension << " is not supported" << std::endl;
        return Status::InvalidParameter;
    }

    const fs::path destination = textures_ / (cache.hashed + extension);
    if (!fs::copy_file(source, destination, fs::copy_options::none, ec) || ec) {
        // A copy that broke off must not stay behind as if it were a cached texture; a file that
        // was there before is not touched.
        if (ec && ec != std::errc::file_exists) {
            std::error_code ignored;
            fs::remove(destination, ignored);
        }
        errorStream() << "Failed to copy the file " << imagePath << " to the path " << toBytes(destination)
                      << ". Reason: " << ec.message() << std::endl;
        return Status::FileIOError;
    }
    fs::permissions(destination, fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) {
        // Left behind, the copy would make every retry fail with "file exists".
        std::error_code ignored;
        fs::remove(destination, ignored);
        errorStream() << "Failed to disable the read only file permission for: " << name << std::endl;
        return Status::FileIOError;
    }

    auto texture = std::make_shared<FSTorvoTexture>(this, cache.hashed, destination);
    out = texture.get();
    textures_table_.emplace(cache.hashed, std::move(texture));
    infoStream() << "Referenced a texture named " << cache.given << ", hashed name: " << cache.hashed
                 << ", mangled name: " << cache.mangled << std::endl;
    return Status::Success;
}

TRVStatus FSTorvoManager::beginTexture(const std::string& name, int32_t width, int32_t height, int32_t format,
                                       TorvoTextureStub*& out)
{
    const CacheName cache = cacheName(name);
    if (textures_table_.count(cache.hashed)) {
        logDuplicate("texture", cache);
        return Status::DuplicateName;
    }
    if (!checkAbove<int32_t>("width", width, 0) || !checkAbove<int32_t>("height", height, 0))
        return Status::InvalidParameter;
    auto texture = std::make_shared<FSTorvoTexture>(this, cache.hashed, width, height, format);
    out = texture.get();
    textures_table_.emplace(cache.hashed, std::move(texture));
    infoStream() << "Began a texture named " << cache.given << ", hashed name: " << cache.hashed
                 << ", mangled name: " << cache.mangled << std::endl;
    return Status::Success;
}

TRVStatus FSTorvoManager::findMesh(const std::string& name, TorvoMeshStub*& out)
{
    out = nullptr;
    const CacheName cache = cacheName(name);
    const auto it = meshes_table_.find(cache.hashed);
    if (it == meshes_table_.end()) {
        infoStream() << "Mesh: " << cache.given << " was not cached. Hashed name: " << cache.hashed
                     << ", mangled name: " << cache.mangled << std::endl;
        return Status::UnknownObject;
    }
    infoStream() << "Found Mesh: " << cache.given << " in cache. Hashed name: " << cache.hashed
                 << ", mangled name: " << cache.mangled << std::endl;
    out = it->second.get();
    return Status::Success;
}

TRVStatus FSTorvoManager::findTexture(const std::string& name, TorvoTextureStub*& out)
{
    out = nullptr;
    const CacheName cache = cacheName(name);
    const auto it = textures_table_.find(cache.hashed);
    if (it == textures_table_.end()) {
        infoStream() << "Texture: " << cache.given << " was not cached. Hashed name: " << cache.hashed
                     << ", mangled name: " << cache.mangled << std::endl;
        return Status::UnknownObject;
    }
    infoStream() << "Found Texture: " << cache.given << " in cache. Hashed name: " << cache.hashed
                 << ", mangled name: " << cache.mangled << std::endl;
    out = it->second.get();
    return Status::Success;
}

TRVStatus FSTorvoManager::eraseCachedMesh(const std::string& name)
{
    const CacheName cache = cacheName(name);
    if (!scenes_table_.empty())
        errorStream() << "Tried to erase mesh while active scenes present" << std::endl;
    const auto it = meshes_table_.find(cache.hashed);
    if (it == meshes_table_.end()) {
        infoStream() << "Mesh: " << cache.given << " was not cached, can't erase it. Hashed name: " << cache.hashed
                     << ", mangled name: " << cache.mangled << std::endl;
        return Status::UnknownObject;
    }
    const fs::path file = meshes_ / (it->second->name() + ".ttm");
    infoStream() << "Removing mesh: " << toBytes(file) << " from disk. Original name: " << cache.given << std::endl;
    if (!removeCachedFile(file))
        return Status::FileIOError;
    meshes_table_.erase(it);
    return Status::Success;
}

TRVStatus FSTorvoManager::eraseCachedTexture(const std::string& name)
{
    const CacheName cache = cacheName(name);
    if (!scenes_table_.empty())
        errorStream() << "Tried to erase texture while active scenes present" << std::endl;
    const auto it = textures_table_.find(cache.hashed);
    if (it == textures_table_.end()) {
        infoStream() << "Texture: " << cache.given << " was not cached, can't erase it. Hashed name: "
                     << cache.hashed << ", mangled name: " << cache.mangled << std::endl;
        return Status::UnknownObject;
    }
    const fs::path file = it->second->imagePath();
    infoStream() << "Removing texture: " << toBytes(file) << " from disk. Original name: " << cache.given
                 << std::endl;
    if (!file.empty() && !removeCachedFile(file))
        return Status::FileIOError;
    textures_table_.erase(it);
    return Status::Success;
}

bool FSTorvoManager::removeCachedFile(const fs::path& file)
{
    // A missing file is already gone; anything else that keeps it (permissions, a directory in its
    // place) fails the erase, and the entry stays with its file.
    std::error_code ec;
    fs::remove(file, ec);
    if (!ec)
        return true;
    errorStream() << "Failed to remove " << toBytes(file) << " from the cache: " << ec.message() << std::endl;
    return false;
}

TRVStatus FSTorvoManager::clearCache()
{
    infoStream() << "Clearing cache" << std::endl;
    if (!scenes_table_.empty())
        return Status::InvalidObjectState;
    try {
        for (const fs::path* directory : {&meshes_, &scenes_, &textures_, &temp_}) {
            ensureDirectory(*directory);
            clearDirectory(*directory);
        }
    } catch (const fs::filesystem_error&) {
        errorStream() << "Failed to clear file cache due to file access conflicts" << std::endl;
        return Status::FileIOError;
    }
    meshes_table_.clear();
    textures_table_.clear();
    return Status::Success;
}

TRVStatus FSTorvoManager::createJob(const std::string& jobName, TorvoSceneStub& scene,
                                    const std::string& configurationPath, TorvoJobStub*& out)
{
    return trv::createJob(*this, jobName, scene, configurationPath, out);
}

TRVStatus FSTorvoManager::setTorvoPath(const std::string& directory)
{
    const fs::path candidate = toWide(directory);
    if (!binariesUsable(candidate)) {
        errorStream() << "Torvo Binaries not found in the path " << directory << std::endl;
        return Status::FileIOError;
    }
    binaries_ = candidate;
    return Status::Success;
}

FSTorvoMesh* FSTorvoManager::meshByHashedName(const std::string& hashedName) const
{
    const auto it = meshes_table_.find(hashedName);
    return it == meshes_table_.end() ? nullptr : it->second.get();
}

namespace {

// Erases the table's entry for this very object; an entry of the same name that holds another
// object stays. The entry may hold the object's last share, so nothing of it is used afterwards.
template <class Table, class Object>
[[nodiscard]] TRVStatus eraseEntryOf(Table& table, const Object& object)
{
    const auto entry = table.find(object.name());
    if (entry == table.end() || entry->second.get() != &object)
        return Status::InvalidHandle;
    table.erase(entry);
    return Status::Success;
}

}  // namespace

std::shared_ptr<RenderTool> FSTorvoManager::createRenderTool(int32_t distribution,
                                                           const std::filesystem::path& jobDirectory,
                                                           const std::filesystem::path& sceneXmlPath,
                                                           const std::filesystem::path& fileListPath,
                                                           const std::filesystem::path& outputDirectory,
                                                           int32_t displayMode) const
{
    return trv::createRenderTool(binaries_, distribution, jobDirectory, sceneXmlPath, fileListPath, outputDirectory,
                                 displayMode);
}

TRVStatus FSTorvoManager::unregisterScene(const FSTorvoScene& scene)
{
    return eraseEntryOf(scenes_table_, scene);
}

TRVStatus FSTorvoManager::unregisterJob(const FSTorvoJob& job)
{
    return eraseEntryOf(jobs_table_, job);
}

}  // namespace trv
