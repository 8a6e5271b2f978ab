// What the host may do from several threads at once: managers side by side, log targets changed
// while other threads log. Meant for the thread-sanitizer build, which reports any data race;
// the ordinary builds check the results.
#include "TestFiles.h"

#include "core/Log.h"
#include "job/ProcessHandler.h"
#include "torvo.h"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;
using testfiles::readFile;

namespace {

constexpr int Rounds = 4;

TRVMatrix4x4 identity()
{
    TRVMatrix4x4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

// Builds and ends a quad mesh, an EXR and a PNG texture, and a scene over them with a light, a
// material and a point cloud; every step must succeed. Failures are counted, not asserted, so that
// they can be collected from any thread.
struct Worker {
    std::string prefix;
    fs::path cache;
    std::atomic<int>* failures;
    std::vector<std::string> errors;

    void expect(TRVStatus status, const char* step)
    {
        if (status == TRV_SUCCESS)
            return;
        ++*failures;
        errors.push_back(prefix + step + " gave " + std::to_string(status) + ": " + trv::lastError());
    }

    std::string name(const char* kind, int round) const { return prefix + kind + std::to_string(round); }

    void run()
    {
        TorvoManager manager = nullptr;
        expect(TRVCreateManager(cache.string().c_str(), TRV_CACHE_SHARED, &manager), "create manager");
        if (!manager)
            return;
        for (int round = 0; round < Rounds; ++round)
            buildRound(manager, round);
        expect(TRVDestroyManager(manager), "destroy manager");
    }

    void buildRound(TorvoManager manager, int round)
    {
        const TRVVec3 positions[4] = {{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
        const TRVVec3 normals[4] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
        const int32_t indices[6] = {0, 1, 2, 0, 2, 3};
        const TRVVec2 uvs[4] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
        TorvoMesh mesh = nullptr;
        expect(TRVBeginMesh(manager, name("mesh", round).c_str(), &mesh), "begin mesh");
        expect(TRVAddVertexData(mesh, positions, normals, 4), "vertices");
        expect(TRVBeginMaterialGroup(mesh, "quad"), "material group");
        expect(TRVAddTriangleData(mesh, indices, 6), "triangles");
        expect(TRVEndMaterialGroup(mesh), "end material group");
        expect(TRVBeginUVLayer(mesh, "uv"), "uv layer");
        expect(TRVAddUVData(mesh, uvs, 4), "uvs");
        expect(TRVEndUVLayer(mesh), "end uv layer");
        expect(TRVEndMesh(mesh), "end mesh");

        constexpr int side = 32;
        std::vector<float> floats(side * side * 3, 0.25f);
        std::vector<uint8_t> bytes(side * side * 4, 200);
        TorvoTexture hdr = nullptr;
        expect(TRVBeginTexture(manager, name("hdr", round).c_str(), side, side, TRV_TEXTURE_HDR_RGB, &hdr),
               "begin hdr");
        expect(TRVAddPixelDataHDR(hdr, floats.data(), side * side), "hdr pixels");
        expect(TRVEndTexture(hdr), "end hdr");
        TorvoTexture ldr = nullptr;
        expect(TRVBeginTexture(manager, name("ldr", round).c_str(), side, side, TRV_TEXTURE_LDR_RGBA, &ldr),
               "begin ldr");
        expect(TRVSetInputGamma(ldr, 0, 1.0f), "gamma");
        expect(TRVAddPixelDataLDR(ldr, bytes.data(), side * side), "ldr pixels");
        expect(TRVEndTexture(ldr), "end ldr");

        const TRVMatrix4x4 transform = identity();
        const TRVLinearRGB white = {1, 1, 1};
        TorvoScene scene = nullptr;
        expect(TRVBeginScene(manager, name("scene", round).c_str(), &scene), "begin scene");
        TorvoInstance instance = nullptr;
        expect(TRVCreateInstance(scene, mesh, "quad", &transform, &instance), "instance");
        TorvoLightSource light = nullptr;
        expect(TRVCreateSpotLight(scene, "spot", &transform, &white, &light), "spot light");
        expect(TRVSetLightProjectedTexture(light, ldr), "projected texture");
        TorvoMaterial material = nullptr;
        expect(TRVCreateMaterial(scene, "quad", &material), "material");
        expect(TRVSetMaterialTexture(material, TRV_CHANNEL_DIFFUSE, hdr), "material texture");
        TorvoPointCloud cloud = nullptr;
        expect(TRVCreatePointCloud(scene, "points", &cloud), "point cloud");
        expect(TRVAddPointCloudData(cloud, positions, normals, 4), "points");
        expect(TRVEndPointCloud(cloud), "end point cloud");
        expect(TRVEndScene(scene), "end scene");

        // Refusals write the error log of this thread, and only this thread's record follows them.
        TRVEndScene(scene);
        if (trv::lastError() != "Scene already finalized.\n") {
            ++*failures;
            errors.push_back(prefix + "record: " + trv::lastError());
        }
        TorvoString text = nullptr;
        expect(TRVGetExtendErrorInformation(&text), "last error");
        expect(TRVReleaseString(text), "release string");
        expect(TRVReleaseScene(scene), "release scene");
    }
};

TEST(Threads, TwoManagersBuildAndEndMeshesTexturesAndScenesSideBySide)
{
    testfiles::TestDirectory dir("threads");
    std::atomic<int> failures{0};
    // One manager on a cache of its own, two on one shared cache.
    std::vector<Worker> workers = {{"a_", dir / "own", &failures, {}},
                                   {"b_", dir / "shared", &failures, {}},
                                   {"c_", dir / "shared", &failures, {}}};
    std::vector<std::thread> threads;
    for (Worker& worker : workers)
        threads.emplace_back([&worker] { worker.run(); });
    for (std::thread& thread : threads)
        thread.join();

    EXPECT_EQ(failures.load(), 0);
    for (const Worker& worker : workers)
        for (const std::string& error : worker.errors)
            ADD_FAILURE() << error;
    // Every file is whole: a new manager finds each mesh and texture of both.
    TorvoManager later = nullptr;
    ASSERT_EQ(TRVCreateManager((dir / "shared").string().c_str(), TRV_CACHE_SHARED, &later), TRV_SUCCESS);
    for (const char* prefix : {"b_", "c_"}) {
        for (int round = 0; round < Rounds; ++round) {
            const std::string suffix = std::to_string(round);
            TorvoMesh mesh = nullptr;
            EXPECT_EQ(TRVFindMesh(later, (prefix + std::string("mesh") + suffix).c_str(), &mesh), TRV_SUCCESS);
            TorvoTexture texture = nullptr;
            EXPECT_EQ(TRVFindTexture(later, (prefix + std::string("hdr") + suffix).c_str(), &texture), TRV_SUCCESS);
            EXPECT_EQ(TRVFindTexture(later, (prefix + std::string("ldr") + suffix).c_str(), &texture), TRV_SUCCESS);
        }
    }
    EXPECT_EQ(TRVDestroyManager(later), TRV_SUCCESS);
}

TEST(Threads, LogTargetsChangeWhileOtherThreadsLog)
{
    testfiles::TestDirectory dir("threads");
    const fs::path log = dir / "errors.log";
    std::atomic<bool> stop{false};
    // Threads that come and go, each making its stream set and writing to it.
    std::thread loggers([&] {
        while (!stop)
            std::thread([] {
                TRVEndMesh(nullptr);
                TRVEndTexture(nullptr);
            }).join();
    });
    std::atomic<int> steadyLines{0};
    std::thread steady([&] {
        while (!stop) {
            TRVEndScene(nullptr);
            ++steadyLines;
        }
    });
    for (int round = 0; round < 50; ++round) {
        EXPECT_EQ(TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_FILE, log.c_str()), TRV_SUCCESS);
        EXPECT_EQ(TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_FILE, log.c_str()), TRV_SUCCESS);
        // A line of a thread that already logs reaches the new target.
        const int before = steadyLines;
        while (steadyLines < before + 2)
            std::this_thread::yield();
        EXPECT_EQ(TRVSetLogTarget(TRV_LOG_ERROR, 9, nullptr), TRV_INVALID_PARAMETER);
        EXPECT_EQ(TRVSetLogTarget(TRV_LOG_ERROR, TRV_LOG_TARGET_NONE, nullptr), TRV_SUCCESS);
        EXPECT_EQ(TRVSetLogTarget(TRV_LOG_INFO, TRV_LOG_TARGET_NONE, nullptr), TRV_SUCCESS);
    }
    stop = true;
    loggers.join();
    steady.join();

    // Whole lines only, each of one of the three messages.
    const std::string text = readFile(log);
    EXPECT_NE(text.find("Invalid TorvoScene Handle: 0000000000000000\r\n"), std::string::npos);
    std::size_t start = 0;
    while (start < text.size()) {
        const std::size_t end = text.find("\r\n", start);
        ASSERT_NE(end, std::string::npos) << text.substr(start);
        const std::string line = text.substr(start, end - start);
        EXPECT_TRUE(line == "Invalid TorvoMesh Handle: 0000000000000000" ||
                    line == "Invalid TorvoTexture Handle: 0000000000000000" ||
                    line == "Invalid TorvoScene Handle: 0000000000000000")
            << line;
        start = end + 2;
    }
}

TEST(Threads, RenderersStartFromSeveralThreadsAtOnce)
{
    // Every start goes through the library's one forking thread; each caller gets its own child's
    // exit code back.
    constexpr int threadCount = 3;
    constexpr int startsPerThread = 10;
    std::atomic<int> wrong{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < threadCount; ++t)
        threads.emplace_back([&wrong, t] {
            for (int i = 0; i < startsPerThread; ++i) {
                const int expected = t * startsPerThread + i;
                int32_t code = -1;
                if (trv::runAndWait("/bin/sh", "-c \"exit " + std::to_string(expected) + "\"", "", code) != 0 ||
                    code != expected)
                    ++wrong;
            }
        });
    for (std::thread& thread : threads)
        thread.join();
    EXPECT_EQ(wrong.load(), 0);
}

}  // namespace
