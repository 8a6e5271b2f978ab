// Ending a large scene against the plain cost of writing its bytes: the scene description of
// 100,000 instances, 1,000 materials and 100 lights, compared with writing the very same lines
// with one buffered stream write each. Target: a throughput ratio of at least 0.3.
#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "cache/FileHelpers.h"
#include "scene/FSTorvoScene.h"
#include "scene/TorvoLightSourceStub.h"
#include "scene/TorvoMaterialStub.h"

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int instanceCount = 100000;
constexpr int materialCount = 1000;
constexpr int lightCount = 100;

trv::FSTorvoScene* buildScene(trv::FSTorvoManager& manager, trv::TorvoMeshStub& mesh, const std::string& name)
{
    trv::TorvoSceneStub* stub = nullptr;
    if (manager.beginScene(name, stub) != TRV_SUCCESS)
        return nullptr;
    auto* scene = static_cast<trv::FSTorvoScene*>(stub);
    TRVMatrix4x4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    for (int i = 0; i < instanceCount; ++i) {
        m.m[12] = 0.1f * static_cast<float>(i % 1000);
        m.m[14] = 0.37f * static_cast<float>(i / 1000);
        trv::TorvoInstanceStub* instance = nullptr;
        if (scene->createInstance(mesh, "instance " + std::to_string(i), &m, instance) != TRV_SUCCESS)
            return nullptr;
    }
    const TRVLinearRGB color = {1.0f, 0.9f, 0.7f};
    for (int i = 0; i < lightCount; ++i) {
        trv::TorvoLightSourceStub* light = nullptr;
        if (scene->createPointLight("light " + std::to_string(i), &m, &color, light) != TRV_SUCCESS ||
            light->setFalloff(TRV_FALLOFF_STANDARD, 2.0f, 25.0f, true) != TRV_SUCCESS)
            return nullptr;
    }
    const TRVLinearRGBA tint = {0.3f, 0.6f, 0.9f, 1.0f};
    for (int i = 0; i < materialCount; ++i) {
        trv::TorvoMaterialStub* material = nullptr;
        if (scene->createMaterial("material " + std::to_string(i), material) != TRV_SUCCESS ||
            material->setColor(TRV_CHANNEL_SPECULAR, &tint) != TRV_SUCCESS)
            return nullptr;
    }
    return scene;
}

std::vector<std::string> linesOf(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line + '\n');
    return lines;
}

void BM_EndLargeScene(benchmark::State& state)
{
    if (trv::setLogTarget(trv::InfoLog, trv::LogTargetNone, "") != TRV_SUCCESS) {
        state.SkipWithError("the information log could not be switched off");
        return;
    }
    const fs::path root = fs::temp_directory_path() / ("torvo-bench-scene-" + std::to_string(::getpid()));
    fs::remove_all(root);
    trv::FSTorvoManager manager;
    if (manager.initialize(root, 0) != 0) {
        state.SkipWithError("manager initialisation failed");
        return;
    }
    trv::TorvoMeshStub* mesh = nullptr;
    if (manager.beginMesh("bench box", mesh) != TRV_SUCCESS) {
        state.SkipWithError("the mesh could not be begun");
        return;
    }

    double endSeconds = 0, baselineSeconds = 0;
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        trv::FSTorvoScene* scene = buildScene(manager, *mesh, "bench" + std::to_string(round++));
        if (scene == nullptr) {
            state.SkipWithError("the scene could not be built");
            return;
        }
        state.ResumeTiming();

        const auto start = std::chrono::steady_clock::now();
        const TRVStatus status = scene->endScene();
        const auto ended = std::chrono::steady_clock::now();
        if (status != 0) {
            state.SkipWithError("endScene failed");
            break;
        }

        state.PauseTiming();
        const std::vector<std::string> lines = linesOf([&] {
            std::ifstream in(scene->sceneFilePath(), std::ios::binary);
            std::ostringstream text;
            text << in.rdbuf();
            return text.str();
        }());
        const auto baselineStart = std::chrono::steady_clock::now();
        {
            trv::Torvo_ofstream out(root / "baseline.xml");
            for (const std::string& line : lines)
                out.write(line.data(), static_cast<std::streamsize>(line.size()));
        }
        const auto baselineEnd = std::chrono::steady_clock::now();
        endSeconds += std::chrono::duration<double>(ended - start).count();
        baselineSeconds += std::chrono::duration<double>(baselineEnd - baselineStart).count();
        if (scene->release() != TRV_SUCCESS) {
            state.SkipWithError("the scene could not be released");
            return;
        }
        state.ResumeTiming();
    }
    if (endSeconds > 0) {
        state.counters["throughput_ratio"] = baselineSeconds / endSeconds;
        state.counters["ns_per_instance"] = endSeconds * 1e9 / (double(instanceCount) * round);
    }
    fs::remove_all(root);
}

}  // namespace

BENCHMARK(BM_EndLargeScene)->Iterations(3)->Unit(benchmark::kMillisecond);
