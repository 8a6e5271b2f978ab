// The manager and its file cache, through the exported functions and the manager object.
#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "geometry/FSTorvoTexture.h"
#include "scene/FSTorvoScene.h"
#include "torvo.h"

#include "ChildProcess.h"
#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <dlfcn.h>

#include <atomic>
#include <cerrno>
#include <fstream>
#include <functional>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;
using testfiles::readFile;
using testfiles::TestDirectory;

namespace {

void writeFile(const fs::path& file, const std::string& content)
{
    std::ofstream(file, std::ios::binary) << content;
}

// Collects the information log of the test in a file; line ends come back as "\n".
class InfoCapture {
public:
    explicit InfoCapture(const fs::path& file) : file_(file)
    {
        EXPECT_EQ(trv::setLogTarget(trv::InfoLog, 3, file.string()), 0);
    }
    ~InfoCapture() { EXPECT_EQ(trv::setLogTarget(trv::InfoLog, trv::LogTargetNone, ""), TRV_SUCCESS); }
    std::string text() const
    {
        std::string t = readFile(file_), out;
        for (char c : t)
            if (c != '\r')
                out += c;
        return out;
    }

private:
    fs::path file_;
};

std::unique_ptr<trv::FSTorvoManager> makeManager(const fs::path& root, int scope = 0, TRVStatus expect = 0)
{
    auto manager = std::make_unique<trv::FSTorvoManager>();
    EXPECT_EQ(manager->initialize(root, scope), expect);
    return manager;
}

}  // namespace

TEST(Manager, CreationSetsUpTheCacheTreeKeepingMeshesAndTextures)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    for (const char* sub : {"meshes", "textures", "scenes", "temp", "jobs", "scripts"}) {
        fs::create_directories(root / sub / "nested");
        writeFile(root / sub / "kept.txt", "x");
    }
    TorvoManager manager = nullptr;
    ASSERT_EQ(TRVCreateManager(root.string().c_str(), TRV_CACHE_SHARED, &manager), 0);
    ASSERT_NE(manager, nullptr);
    for (const char* sub : {"meshes", "textures"})
        EXPECT_TRUE(fs::exists(root / sub / "kept.txt")) << sub;
    for (const char* sub : {"scenes", "temp", "jobs", "scripts"}) {
        EXPECT_TRUE(fs::is_directory(root / sub)) << sub;
        EXPECT_TRUE(fs::is_empty(root / sub)) << sub;
    }
    auto* object = reinterpret_cast<trv::FSTorvoManager*>(manager);
    EXPECT_EQ(object->rootDirectory(), root);
    EXPECT_EQ(object->meshesDirectory(), root / "meshes");
    EXPECT_EQ(object->scenesDirectory(), root / "scenes");
    EXPECT_EQ(object->texturesDirectory(), root / "textures");
    EXPECT_EQ(object->tempDirectory(), root / "temp");
    EXPECT_EQ(object->jobsDirectory(), root / "jobs");
    EXPECT_EQ(object->scriptsDirectory(), root / "scripts");
    EXPECT_EQ(TRVDestroyManager(manager), 0);
    EXPECT_TRUE(fs::is_directory(root / "meshes"));
}

TEST(Manager, RelativeCacheDirectoryBecomesAbsolute)
{
    TestDirectory dir("cache");
    const fs::path previous = fs::current_path();
    fs::current_path(dir.path());
    auto manager = makeManager("rel");
    auto other = makeManager("./x/../rel2/");
    fs::current_path(previous);
    EXPECT_EQ(manager->rootDirectory(), dir.path() / "rel");
    EXPECT_TRUE(fs::is_directory(dir.path() / "rel" / "meshes"));
    EXPECT_EQ(other->rootDirectory(), dir.path() / "rel2");
    EXPECT_EQ(other->meshesDirectory(), dir.path() / "rel2" / "meshes");
}

TEST(Manager, UnusableCacheDirectoriesAreRefusedWithStatus7)
{
    TestDirectory dir("cache");
    writeFile(dir.path() / "plain", "not a directory");

    // A regular file: the manager is still handed out and owned by the caller.
    TorvoManager manager = nullptr;
    EXPECT_EQ(TRVCreateManager((dir.path() / "plain").string().c_str(), TRV_CACHE_SHARED, &manager), 7);
    EXPECT_EQ(trv::lastError(), "Failed to setup cache directory\n");
    ASSERT_NE(manager, nullptr);
    EXPECT_EQ(TRVDestroyManager(manager), 0);
    EXPECT_EQ(readFile(dir.path() / "plain"), "not a directory");

    // Below a regular file nothing can be created.
    makeManager(dir.path() / "plain" / "cache", 0, 7);
    EXPECT_EQ(trv::lastError(), "Failed to setup cache directory\n");

    // A subdirectory that is a file.
    fs::create_directories(dir.path() / "c2");
    writeFile(dir.path() / "c2" / "meshes", "m");
    makeManager(dir.path() / "c2", 0, 7);
    EXPECT_EQ(readFile(dir.path() / "c2" / "meshes"), "m");

    // The empty text would make the current directory the cache.
    manager = nullptr;
    EXPECT_EQ(TRVCreateManager("", TRV_CACHE_SHARED, &manager), 7);
    EXPECT_EQ(trv::lastError(), "Failed to setup cache directory\n");
    TRVDestroyManager(manager);
}

TEST(Manager, CacheScopeTwoIsRefused)
{
    TestDirectory dir("cache");
    TorvoManager manager = nullptr;
    EXPECT_EQ(TRVCreateManager(dir.path().string().c_str(), 2, &manager), 1);
    EXPECT_EQ(trv::lastError(), "Invalid cache scope\n");
    TRVDestroyManager(manager);
    EXPECT_FALSE(fs::exists(dir.path() / "meshes"));
}

TEST(Manager, SharedScopeFindsCachedFilesAgainPerManagerScopeNever)
{
    TestDirectory dir("cache");
    const fs::path capture = dir.path() / "info.log";
    const fs::path root = dir.path() / "cache";
    {
        auto first = makeManager(root, 0);
        trv::TorvoMeshStub* mesh = nullptr;
        ASSERT_EQ(first->beginMesh("chair", mesh), 0);
        // The mesh writer stores hashed name + ".ttm"; stand in for it.
        writeFile(root / "meshes" / (trv::nameHash(std::string("chair")) + ".ttm"), "mesh");
        writeFile(root / "textures" / (trv::nameHash(std::string("wood")) + ".png"), "png");
    }
    {
        InfoCapture info(capture);
        auto second = makeManager(root, 0);
        trv::TorvoMeshStub* mesh = nullptr;
        EXPECT_EQ(second->findMesh("chair", mesh), 0);
        EXPECT_NE(mesh, nullptr);
        trv::TorvoTextureStub* texture = nullptr;
        EXPECT_EQ(second->findTexture("wood", texture), 0);
        ASSERT_NE(texture, nullptr);
        EXPECT_EQ(static_cast<trv::FSTorvoTexture*>(texture)->imagePath(),
                  root / "textures" / (trv::nameHash(std::string("wood")) + ".png"));
        // Cached at start-up counts as taken.
        EXPECT_EQ(second->beginMesh("chair", mesh), 3);
        const std::string hashed = trv::nameHash(std::string("chair"));
        EXPECT_EQ(trv::lastError(),
                  "A mesh hashed to " + hashed + " already exists (name: chair, mangled name: chair\n");
        const std::string log = info.text();
        EXPECT_NE(log.find("Initializing mesh cache.\nFound cached mesh: " + hashed + ".\nInitializing texture cache.\n"),
                  std::string::npos)
            << log;
        EXPECT_NE(log.find("Found Mesh: chair in cache. Hashed name: " + hashed + ", mangled name: chair\n"),
                  std::string::npos);
    }
    {
        auto scoped = makeManager(root, 1);
        ASSERT_EQ(scoped->scopeSuffix().size(), 36u);
        EXPECT_EQ(scoped->scopeSuffix().find_first_not_of("0123456789abcdef-"), std::string::npos);
        trv::TorvoMeshStub* mesh = reinterpret_cast<trv::TorvoMeshStub*>(1);
        EXPECT_EQ(scoped->findMesh("chair", mesh), 8);
        EXPECT_EQ(mesh, nullptr);
        const trv::CacheName name = scoped->cacheName("abc");
        EXPECT_EQ(name.mangled, "abc_" + scoped->scopeSuffix());
        EXPECT_EQ(name.hashed, trv::nameHash(name.mangled));
        EXPECT_NE(name.hashed, "9b4a918f398d74d3e367970aba3cbe54e4d2b5d9");
        auto other = makeManager(root, 1);
        EXPECT_NE(other->cacheName("abc").hashed, name.hashed);
        // What the scoped manager writes is not found by a later shared one.
        writeFile(root / "meshes" / (name.hashed + ".ttm"), "mesh");
    }
    auto later = makeManager(root, 0);
    trv::TorvoMeshStub* mesh = nullptr;
    EXPECT_EQ(later->findMesh("abc", mesh), 8);
    EXPECT_EQ(later->cacheName("abc").hashed, "9b4a918f398d74d3e367970aba3cbe54e4d2b5d9");
}

TEST(Manager, ScanRegistersOnlyRegularFilesWithExactExtensions)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path();
    fs::create_directories(root / "meshes" / "dir.ttm");
    fs::create_directories(root / "textures");
    writeFile(root / "meshes" / "upper.TTM", "");
    writeFile(root / "meshes" / ".ttm", "");
    writeFile(root / "meshes" / "good.ttm", "");
    writeFile(root / "meshes" / "bad\xff.ttm", "");
    const std::string twice = trv::nameHash(std::string("twice"));
    writeFile(root / "textures" / (twice + ".png"), "");
    writeFile(root / "textures" / (twice + ".exr"), "");
    writeFile(root / "textures" / "skip.gif", "");
    auto manager = makeManager(root);
    EXPECT_NE(manager->meshByHashedName("good"), nullptr);
    EXPECT_EQ(manager->meshByHashedName("dir"), nullptr);
    EXPECT_EQ(manager->meshByHashedName("upper"), nullptr);
    EXPECT_EQ(manager->meshByHashedName(""), nullptr);
    // Names that are not UTF-8 are not the cache's own and stay untouched on disk.
    EXPECT_TRUE(fs::exists(root / "meshes" / "bad\xff.ttm"));
    // Two images of one name: one entry, either file.
    trv::TorvoTextureStub* texture = nullptr;
    ASSERT_EQ(manager->findTexture("twice", texture), 0);
    const fs::path image = static_cast<trv::FSTorvoTexture*>(texture)->imagePath();
    EXPECT_TRUE(image == root / "textures" / (twice + ".png") || image == root / "textures" / (twice + ".exr"));
}

TEST(Manager, ScanToleratesFilesVanishing)
{
    TestDirectory dir("cache");
    const fs::path meshes = dir.path() / "meshes";
    fs::create_directories(meshes);
    constexpr int count = 3000;
    for (int i = 0; i < count; ++i)
        writeFile(meshes / (std::to_string(i) + ".ttm"), "");
    std::atomic<bool> go{false};
    std::thread remover([&] {
        while (!go)
            std::this_thread::yield();
        for (int i = count - 1; i >= 0; --i)
            std::remove((meshes / (std::to_string(i) + ".ttm")).c_str());
    });
    auto manager = std::make_unique<trv::FSTorvoManager>();
    go = true;
    const TRVStatus status = manager->initialize(dir.path(), 0);
    remover.join();
    EXPECT_EQ(status, 0) << trv::lastError();
}

TEST(Manager, BeginMeshRefusesDuplicatesAndLeavesOutNull)
{
    TestDirectory dir("cache");
    TorvoManager manager = nullptr;
    ASSERT_EQ(TRVCreateManager(dir.path().string().c_str(), TRV_CACHE_SHARED, &manager), 0);
    TorvoMesh mesh = nullptr;
    ASSERT_EQ(TRVBeginMesh(manager, "table", &mesh), 0);
    EXPECT_NE(mesh, nullptr);
    TorvoMesh again = reinterpret_cast<TorvoMesh>(1);
    EXPECT_EQ(TRVBeginMesh(manager, "table", &again), 3);
    EXPECT_EQ(again, nullptr);
    TorvoMesh found = nullptr;
    EXPECT_EQ(TRVFindMesh(manager, "table", &found), 0);
    EXPECT_EQ(found, mesh);
    EXPECT_EQ(TRVFindMesh(manager, "chair", &found), 8);
    EXPECT_EQ(found, nullptr);
    TRVDestroyManager(manager);
}

TEST(Manager, SceneNamesMustBeUsableFileNames)
{
    TestDirectory dir("cache");
    auto manager = makeManager(dir.path());
    const std::string bad[] = {"",       "a:b", "a<b", "a>b", "a\"b", "a/b",       "a\\b", "a|b",
                               "trail ", "x.",  "...", "a\tb", std::string("a\0b", 3), "\x1f"};
    for (const std::string& name : bad) {
        trv::TorvoSceneStub* scene = nullptr;
        EXPECT_EQ(manager->beginScene(name, scene), 1) << name;
        EXPECT_EQ(trv::lastError(), name + " is not a valid as filename\n");
        EXPECT_EQ(scene, nullptr);
    }
    for (const std::string name : {".", "..", "room", "caf\xc3\xa9 1", ".hidden"}) {
        trv::TorvoSceneStub* scene = nullptr;
        EXPECT_EQ(manager->beginScene(name, scene), 0) << name;
        EXPECT_NE(scene, nullptr);
    }
    trv::TorvoSceneStub* scene = nullptr;
    EXPECT_EQ(manager->beginScene("room", scene), 3);
    EXPECT_EQ(trv::lastError(), "A scene named room already exists\n");
}

TEST(Manager, ReferenceTextureCopiesWritableIntoTheCache)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    auto manager = makeManager(root);
    const fs::path source = dir.path() / "Wall.PNG";
    writeFile(source, "png bytes");
    fs::permissions(source, fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read);
    trv::TorvoTextureStub* texture = nullptr;
    ASSERT_EQ(manager->referenceTexture("wall", source.string(), texture), 0) << trv::lastError();
    const fs::path copy = root / "textures" / (trv::nameHash(std::string("wall")) + ".png");
    EXPECT_EQ(static_cast<trv::FSTorvoTexture*>(texture)->imagePath(), copy);
    EXPECT_EQ(readFile(copy), "png bytes");
    EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
    trv::TorvoTextureStub* found = nullptr;
    EXPECT_EQ(manager->findTexture("wall", found), 0);
    EXPECT_EQ(found, texture);

    // The same name again: taken.
    EXPECT_EQ(manager->referenceTexture("wall", source.string(), texture), 3);
    EXPECT_EQ(trv::lastError(), "A texture hashed to " + trv::nameHash(std::string("wall")) +
                                    " already exists (name: wall, mangled name: wall\n");
}

TEST(Manager, ReferenceTextureRefusesBadSources)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    auto manager = makeManager(root);
    trv::TorvoTextureStub* texture = nullptr;

    const std::string missing = (dir.path() / "missing.png").string();
    EXPECT_EQ(manager->referenceTexture("a", missing, texture), 1);
    EXPECT_EQ(trv::lastError(), missing + " doesn't exist\n");

    fs::create_directories(dir.path() / "folder.png");
    EXPECT_EQ(manager->referenceTexture("a", (dir.path() / "folder.png").string(), texture), 1);
    EXPECT_EQ(trv::lastError(), (dir.path() / "folder.png").string() + " doesn't exist\n");

    writeFile(dir.path() / "anim.GIF", "gif");
    EXPECT_EQ(manager->referenceTexture("a", (dir.path() / "anim.GIF").string(), texture), 1);
    EXPECT_EQ(trv::lastError(), "Texture format .gif is not supported\n");
    writeFile(dir.path() / "noext", "x");
    EXPECT_EQ(manager->referenceTexture("a", (dir.path() / "noext").string(), texture), 1);
    EXPECT_EQ(trv::lastError(), "Texture format  is not supported\n");

    // A file already at the destination (left by someone else) is neither replaced nor registered.
    const fs::path taken = root / "textures" / (trv::nameHash(std::string("b")) + ".png");
    writeFile(taken, "older");
    writeFile(dir.path() / "b.png", "newer");
    EXPECT_EQ(manager->referenceTexture("b", (dir.path() / "b.png").string(), texture), 7);
    const std::string error = trv::lastError();
    const std::string prefix =
        "Failed to copy the file " + (dir.path() / "b.png").string() + " to the path " + taken.string() + ". Reason: ";
    EXPECT_EQ(error.substr(0, prefix.size()), prefix);
    EXPECT_EQ(readFile(taken), "older");
    trv::TorvoTextureStub* found = nullptr;
    EXPECT_EQ(manager->findTexture("b", found), 8);
    EXPECT_EQ(fs::directory_iterator(root / "textures")->path(), taken);
}

TEST(Manager, BeginTextureChecksSizeAndName)
{
    TestDirectory dir("cache");
    TorvoManager manager = nullptr;
    ASSERT_EQ(TRVCreateManager(dir.path().string().c_str(), TRV_CACHE_SHARED, &manager), 0);
    TorvoTexture texture = reinterpret_cast<TorvoTexture>(1);
    EXPECT_EQ(TRVBeginTexture(manager, "t", 0, 4, TRV_TEXTURE_HDR_RGBA, &texture), 1);
    EXPECT_EQ(trv::lastError(), "Parameter width must be above 0, was 0.\n");
    EXPECT_EQ(texture, nullptr);
    EXPECT_EQ(TRVBeginTexture(manager, "t", 4, -2, TRV_TEXTURE_HDR_RGBA, &texture), 1);
    EXPECT_EQ(trv::lastError(), "Parameter height must be above 0, was -2.\n");
    TorvoTexture found = nullptr;
    EXPECT_EQ(TRVFindTexture(manager, "t", &found), 8);
    ASSERT_EQ(TRVBeginTexture(manager, "t", 4, 4, TRV_TEXTURE_HDR_RGBA, &texture), 0);
    EXPECT_EQ(TRVFindTexture(manager, "t", &found), 0);
    EXPECT_EQ(found, texture);
    EXPECT_EQ(TRVBeginTexture(manager, "t", 4, 4, TRV_TEXTURE_HDR_RGBA, &texture), 3);
    TRVDestroyManager(manager);
}

TEST(Manager, EraseRemovesFileAndEntryAndWarnsAboutScenes)
{
    TestDirectory dir("cache");
    const fs::path capture = dir.path() / "info.log";
    const fs::path root = dir.path() / "cache";
    fs::create_directories(root / "meshes");
    const fs::path meshFile = root / "meshes" / (trv::nameHash(std::string("m")) + ".ttm");
    writeFile(meshFile, "");
    auto manager = makeManager(root);
    const fs::path image = dir.path() / "i.png";
    writeFile(image, "");
    trv::TorvoTextureStub* texture = nullptr;
    ASSERT_EQ(manager->referenceTexture("i", image.string(), texture), 0);
    const fs::path textureFile = static_cast<trv::FSTorvoTexture*>(texture)->imagePath();

    trv::TorvoSceneStub* scene = nullptr;
    ASSERT_EQ(manager->beginScene("s", scene), 0);
    {
        InfoCapture info(capture);
        EXPECT_EQ(manager->eraseCachedMesh("m"), 0);
        EXPECT_EQ(trv::lastError(), "Tried to erase mesh while active scenes present\n");
        EXPECT_EQ(manager->eraseCachedTexture("i"), 0);
        EXPECT_EQ(trv::lastError(), "Tried to erase texture while active scenes present\n");
        EXPECT_EQ(manager->eraseCachedMesh("m"), 8);
        const std::string log = info.text();
        EXPECT_NE(log.find("Removing mesh: " + meshFile.string() + " from disk. Original name: m\n"), std::string::npos);
        EXPECT_NE(log.find("Removing texture: " + textureFile.string() + " from disk. Original name: i\n"),
                  std::string::npos);
        EXPECT_NE(log.find("Mesh: m was not cached, can't erase it. Hashed name: " + trv::nameHash(std::string("m")) +
                           ", mangled name: m\n"),
                  std::string::npos);
    }
    EXPECT_FALSE(fs::exists(meshFile));
    EXPECT_FALSE(fs::exists(textureFile));
    trv::TorvoMeshStub* mesh = nullptr;
    EXPECT_EQ(manager->findMesh("m", mesh), 8);
    EXPECT_EQ(manager->eraseCachedTexture("i"), 8);

    // A begun mesh has no file yet: erasing it is no error.
    ASSERT_EQ(manager->beginMesh("new", mesh), 0);
    EXPECT_EQ(manager->eraseCachedMesh("new"), 0);
}

TEST(Manager, ClearCacheEmptiesOrRefusesWithoutLosingTables)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path();
    fs::create_directories(root / "meshes");
    writeFile(root / "meshes" / "a.ttm", "");
    auto manager = makeManager(root);
    fs::create_directories(root / "jobs" / "j");
    trv::TorvoSceneStub* scene = nullptr;
    ASSERT_EQ(manager->beginScene("s", scene), 0);
    EXPECT_EQ(manager->clearCache(), 5);
    EXPECT_TRUE(fs::exists(root / "meshes" / "a.ttm"));
    EXPECT_NE(manager->meshByHashedName("a"), nullptr);
    trv::TorvoSceneStub* other = nullptr;
    ASSERT_EQ(manager->beginScene("other", other), 0);
    const trv::FSTorvoScene stranger("stranger", manager.get());
    EXPECT_EQ(manager->unregisterScene(stranger), 6);
    EXPECT_EQ(manager->unregisterScene(static_cast<trv::FSTorvoScene&>(*scene)), 0);
    EXPECT_EQ(manager->clearCache(), 5);
    EXPECT_EQ(manager->unregisterScene(static_cast<trv::FSTorvoScene&>(*other)), 0);

    // "temp" turned into a file: the clear fails late; the tables stay as they were.
    fs::remove_all(root / "temp");
    writeFile(root / "temp", "");
    EXPECT_EQ(manager->clearCache(), 7);
    EXPECT_EQ(trv::lastError(), "Failed to clear file cache due to file access conflicts\n");
    EXPECT_NE(manager->meshByHashedName("a"), nullptr);

    fs::remove(root / "temp");
    writeFile(root / "meshes" / "b.ttm", "");
    fs::create_directories(root / "textures" / "deep" / "deeper");
    EXPECT_EQ(manager->clearCache(), 0);
    EXPECT_EQ(manager->meshByHashedName("a"), nullptr);
    for (const char* sub : {"meshes", "scenes", "textures", "temp"})
        EXPECT_TRUE(fs::is_directory(root / sub) && fs::is_empty(root / sub)) << sub;
    EXPECT_TRUE(fs::exists(root / "jobs" / "j"));
}

TEST(Manager, SetTorvoPathAcceptsOnlyUsableDirectories)
{
    TestDirectory dir("cache");
    auto manager = makeManager(dir.path() / "cache");
    const fs::path before = manager->binariesDirectory();
    fs::create_directories(dir.path() / "empty");
    EXPECT_EQ(manager->setTorvoPath((dir.path() / "empty").string()), 7);
    EXPECT_EQ(trv::lastError(), "Torvo Binaries not found in the path " + (dir.path() / "empty").string() + "\n");
    EXPECT_EQ(manager->binariesDirectory(), before);
    fs::create_directories(dir.path() / "bin");
    writeFile(dir.path() / "bin" / "thetorvo.exe", "");
    EXPECT_EQ(manager->setTorvoPath((dir.path() / "bin").string()), 0);
    EXPECT_EQ(manager->binariesDirectory(), dir.path() / "bin");
}

TEST(Manager, ContainmentRefusesProcessesThatCannotBeChildren)
{
    TestDirectory dir("cache");
    auto manager = makeManager(dir.path());
    manager->assignToContainment(0);
    EXPECT_EQ(trv::lastError(), "Could not AssignProcessToObject on Job Object\n");
    trv::errorStream() << "marker" << std::endl;
    manager->assignToContainment(static_cast<int>(::getpid()));
    EXPECT_EQ(trv::lastError(), "marker\n");
}

TEST(Manager, InformationLogNamesEachCacheStepWithAllThreeNames)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    fs::create_directories(root / "textures");
    const std::string cachedTexture = trv::nameHash(std::string("old"));
    writeFile(root / "textures" / (cachedTexture + ".exr"), "");
    const fs::path image = dir.path() / "i.png";
    writeFile(image, "");

    InfoCapture info(dir.path() / "info.log");
    auto manager = makeManager(root, 1);
    const trv::CacheName mesh = manager->cacheName("m");
    const trv::CacheName begun = manager->cacheName("t");
    const trv::CacheName referenced = manager->cacheName("r");
    trv::TorvoMeshStub* meshOut = nullptr;
    trv::TorvoTextureStub* textureOut = nullptr;
    ASSERT_EQ(manager->beginMesh("m", meshOut), 0);
    ASSERT_EQ(manager->beginTexture("t", 2, 2, TRV_TEXTURE_LDR_RGBA, textureOut), 0);
    ASSERT_EQ(manager->referenceTexture("r", image.string(), textureOut), 0);
    EXPECT_EQ(manager->findTexture("t", textureOut), 0);
    EXPECT_EQ(manager->findTexture("old", textureOut), 8);  // another scope's name
    EXPECT_EQ(manager->findMesh("x", meshOut), 8);
    EXPECT_EQ(manager->eraseCachedTexture("x"), 8);
    EXPECT_EQ(manager->eraseCachedTexture("r"), 0);
    EXPECT_EQ(manager->clearCache(), 0);

    const trv::CacheName old = manager->cacheName("old");
    const trv::CacheName x = manager->cacheName("x");
    const std::string copy = (root / "textures" / (referenced.hashed + ".png")).string();
    const std::string expected =
        "Making sure directory " + root.string() + " exists.\n"
        "Making sure directory " + (root / "meshes").string() + " exists.\n"
        "Making sure directory " + (root / "textures").string() + " exists.\n"
        "Initializing mesh cache.\n"
        "Initializing texture cache.\n"
        "Found cached texture: " + cachedTexture + ".\n"
        "Began a mesh named m, hashed name: " + mesh.hashed + ", mangled name: " + mesh.mangled + "\n"
        "Began a texture named t, hashed name: " + begun.hashed + ", mangled name: " + begun.mangled + "\n"
        "Referenced a texture named r, hashed name: " + referenced.hashed + ", mangled name: " + referenced.mangled + "\n"
        "Found Texture: t in cache. Hashed name: " + begun.hashed + ", mangled name: " + begun.mangled + "\n"
        "Texture: old was not cached. Hashed name: " + old.hashed + ", mangled name: " + old.mangled + "\n"
        "Mesh: x was not cached. Hashed name: " + x.hashed + ", mangled name: " + x.mangled + "\n"
        "Texture: x was not cached, can't erase it. Hashed name: " + x.hashed + ", mangled name: " + x.mangled + "\n"
        "Removing texture: " + copy + " from disk. Original name: r\n"
        "Clearing cache\n"
        "Making sure directory " + (root / "meshes").string() + " exists.\n"
        "Trying to clear directory " + (root / "meshes").string() + ".\n"
        "Making sure directory " + (root / "scenes").string() + " exists.\n"
        "Trying to clear directory " + (root / "scenes").string() + ".\n"
        "Making sure directory " + (root / "textures").string() + " exists.\n"
        "Trying to clear directory " + (root / "textures").string() + ".\n"
        "Making sure directory " + (root / "temp").string() + " exists.\n"
        "Trying to clear directory " + (root / "temp").string() + ".\n";
    const std::string log = info.text();
    // The renderer lookup logs first; from the cache tree on, the lines are these.
    const std::size_t start = log.find("Making sure directory ");
    ASSERT_NE(start, std::string::npos) << log;
    EXPECT_EQ(log.substr(start), expected);
}

// Permission changes of one file fail, as on a file system that refuses them. The standard
// library's permission call goes through fchmodat; every other file is passed on.
namespace {

std::mutex refusedMutex;
std::string refusedPath;

void refusePermissionChanges(const std::string& path)
{
    std::lock_guard<std::mutex> lock(refusedMutex);
    refusedPath = path;
}

}  // namespace

extern "C" __attribute__((visibility("default"))) int fchmodat(int directory, const char* path, mode_t mode,
                                                             int flags) noexcept
{
    {
        std::lock_guard<std::mutex> lock(refusedMutex);
        if (!refusedPath.empty() && refusedPath == path) {
            errno = EROFS;
            return -1;
        }
    }
    using Call = int (*)(int, const char*, mode_t, int);
    static const Call system = reinterpret_cast<Call>(::dlsym(RTLD_NEXT, "fchmodat"));
    return system(directory, path, mode, flags);
}

namespace {

TEST(Manager, ReferenceTextureRemovesItsCopyWhenItCannotBeMadeWritable)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    auto manager = makeManager(root);
    const fs::path source = dir.path() / "wall.png";
    writeFile(source, "png bytes");
    const fs::path copy = root / "textures" / (trv::nameHash(std::string("wall")) + ".png");

    refusePermissionChanges(copy.string());
    trv::TorvoTextureStub* texture = nullptr;
    EXPECT_EQ(manager->referenceTexture("wall", source.string(), texture), 7);
    EXPECT_EQ(trv::lastError(), "Failed to disable the read only file permission for: wall\n");
    EXPECT_FALSE(fs::exists(copy));
    EXPECT_EQ(manager->findTexture("wall", texture), 8);

    // Once the system allows it, a retry succeeds (no "file exists" from the first attempt).
    refusePermissionChanges("");
    ASSERT_EQ(manager->referenceTexture("wall", source.string(), texture), 0) << trv::lastError();
    EXPECT_EQ(readFile(copy), "png bytes");
}

TEST(Manager, EraseOfAFileThatCannotBeRemovedFailsWithStatus7AndKeepsTheEntry)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    fs::create_directories(root / "meshes");
    const fs::path meshFile = root / "meshes" / (trv::nameHash(std::string("m")) + ".ttm");
    writeFile(meshFile, "");
    auto manager = makeManager(root);
    const fs::path image = dir.path() / "i.png";
    writeFile(image, "");
    trv::TorvoTextureStub* texture = nullptr;
    ASSERT_EQ(manager->referenceTexture("i", image.string(), texture), 0);
    const fs::path textureFile = static_cast<trv::FSTorvoTexture*>(texture)->imagePath();

    // Non-empty directories where the files were.
    for (const fs::path& file : {meshFile, textureFile}) {
        fs::remove(file);
        fs::create_directories(file / "inside");
    }
    struct Case {
        const char* name;
        fs::path file;
        std::function<TRVStatus()> erase;
    };
    const Case cases[] = {{"mesh", meshFile, [&] { return manager->eraseCachedMesh("m"); }},
                          {"texture", textureFile, [&] { return manager->eraseCachedTexture("i"); }}};
    for (const Case& c : cases) {
        EXPECT_EQ(c.erase(), 7) << c.name;
        const std::string prefix = "Failed to remove " + c.file.string() + " from the cache: ";
        const std::string error = trv::lastError();
        EXPECT_EQ(error.substr(0, prefix.size()), prefix) << c.name;
        EXPECT_GT(error.size(), prefix.size() + 1) << "the reason is missing: " << error;
        EXPECT_TRUE(fs::is_directory(c.file)) << c.name;
    }
    trv::TorvoMeshStub* mesh = nullptr;
    EXPECT_EQ(manager->findMesh("m", mesh), 0);
    EXPECT_EQ(manager->findTexture("i", texture), 0);

    // With the obstacle gone the same erase goes through.
    for (const Case& c : cases) {
        fs::remove_all(c.file);
        EXPECT_EQ(c.erase(), 0) << c.name;
    }
    EXPECT_EQ(manager->findMesh("m", mesh), 8);
}

TEST(Manager, SceneNamesWhoseFilesWouldMeetAreRefused)
{
    TestDirectory dir("cache");
    auto manager = makeManager(dir.path());
    trv::TorvoSceneStub* x = nullptr;
    ASSERT_EQ(manager->beginScene("X", x), 0);
    // "X_files.xml" is the file list of X and would be the document of X_files.
    trv::TorvoSceneStub* scene = reinterpret_cast<trv::TorvoSceneStub*>(1);
    EXPECT_EQ(manager->beginScene("X_files", scene), 3);
    EXPECT_EQ(trv::lastError(), "A scene named X_files would share the file X_files.xml with the scene named X\n");
    // The other way round.
    trv::TorvoSceneStub* files = nullptr;
    ASSERT_EQ(manager->beginScene("Y_files", files), 0);
    EXPECT_EQ(manager->beginScene("Y", scene), 3);
    EXPECT_EQ(trv::lastError(), "A scene named Y would share the file Y_files.xml with the scene named Y_files\n");
    // Names that only look alike write files of their own.
    for (const char* name : {"X_file", "x_files", "Xfiles", "X_files2", "_files"}) {
        trv::TorvoSceneStub* other = nullptr;
        EXPECT_EQ(manager->beginScene(name, other), 0) << name;
    }
    // Once X is released, X_files may be begun.
    ASSERT_EQ(manager->unregisterScene(static_cast<trv::FSTorvoScene&>(*x)), 0);
    EXPECT_EQ(manager->beginScene("X_files", scene), 0);
}

}  // namespace

namespace {

// Files in the four directories a manager empties when it is alone on its cache.
void fillPerManagerDirectories(const fs::path& root)
{
    for (const char* sub : {"scenes", "temp", "jobs", "scripts"})
        writeFile(root / sub / "live.txt", sub);
}

bool perManagerDirectoriesKept(const fs::path& root)
{
    for (const char* sub : {"scenes", "temp", "jobs", "scripts"})
        if (readFile(root / sub / "live.txt") != sub)
            return false;
    return true;
}

TEST(Manager, ASecondManagerOnALiveCacheLeavesItsScenesJobsAndTemporaryFilesAlone)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    auto first = makeManager(root);
    trv::TorvoSceneStub* scene = nullptr;
    ASSERT_EQ(first->beginScene("room", scene), 0);
    ASSERT_EQ(scene->endScene(), 0);
    fillPerManagerDirectories(root);

    // Another manager in this process: one information line, nothing removed.
    {
        InfoCapture info(dir.path() / "info.log");
        auto second = makeManager(root);
        const std::string line = "Cache directory " + root.string() +
                                 " is in use by another manager: its scenes, temp, jobs and scripts directories "
                                 "are kept.\n";
        const std::string log = info.text();
        const std::size_t at = log.find(line);
        EXPECT_NE(at, std::string::npos) << log;
        EXPECT_EQ(log.find(line, at + 1), std::string::npos) << log;
    }
    EXPECT_TRUE(perManagerDirectoriesKept(root));
    EXPECT_TRUE(fs::exists(root / "scenes" / "room.xml"));
    EXPECT_TRUE(fs::exists(root / "scenes" / "room_files.xml"));

    // ... and in another process, while this one still holds the cache.
    trvtest::inChild([&] {
        trv::FSTorvoManager other;
        CHILD_EXPECT_EQ(other.initialize(root, 0), 0);
        CHILD_EXPECT_EQ(perManagerDirectoriesKept(root), true);
    });
    EXPECT_TRUE(perManagerDirectoriesKept(root));

    // A cache nobody uses any more is cleaned as before.
    first.reset();
    auto alone = makeManager(root);
    for (const char* sub : {"scenes", "temp", "jobs", "scripts"})
        EXPECT_TRUE(fs::is_directory(root / sub) && fs::is_empty(root / sub)) << sub;
}

TEST(Manager, ManagersCreatedTogetherOnOneCacheCleanItOnceAndKeepEachOthersFiles)
{
    TestDirectory dir("cache");
    const fs::path root = dir.path() / "cache";
    fs::create_directories(root / "scenes");
    writeFile(root / "scenes" / "stale.xml", "from a manager long gone");
    constexpr int count = 4;
    std::vector<std::unique_ptr<trv::FSTorvoManager>> managers(count);
    std::vector<std::thread> threads;
    for (int i = 0; i < count; ++i)
        threads.emplace_back([&, i] {
            managers[i] = std::make_unique<trv::FSTorvoManager>();
            const TRVStatus status = managers[i]->initialize(root, 0);
            // Each writes its scene right away; a manager cleaning after that would remove it.
            trv::TorvoSceneStub* scene = nullptr;
            if (status == 0 && managers[i]->beginScene("scene" + std::to_string(i), scene) == 0)
                static_cast<void>(scene->endScene());
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_FALSE(fs::exists(root / "scenes" / "stale.xml"));
    for (int i = 0; i < count; ++i)
        EXPECT_TRUE(fs::exists(root / "scenes" / ("scene" + std::to_string(i) + ".xml"))) << i;
}

}  // namespace
