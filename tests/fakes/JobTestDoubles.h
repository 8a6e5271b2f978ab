// Test doubles for jobs: passes and targets that write fixed settings, a job whose scene files are
// given by the test, the fake renderer's location and a capture of the information log.
#pragma once

#include "../TestFiles.h"

#include "bake/FSTorvoTarget.h"
#include "bake/TorvoRenderPassStub.h"
#include "bake/TorvoTargetEntityStub.h"
#include "bake/TorvoTargetStub.h"
#include "core/Handles.h"
#include "core/Log.h"
#include "core/TorvoString.h"
#include "core/XmlTools.h"
#include "geometry/TorvoMeshStub.h"
#include "job/FSTorvoJob.h"
#include "job/JobPass.h"
#include "job/JobTarget.h"
#include "job/ProcessHandler.h"
#include "manager/FSTorvoManager.h"
#include "scene/FSTorvoScene.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>
#include <unistd.h>

namespace trvtest {

namespace fs = std::filesystem;
using testfiles::readFile;

inline const fs::path fakeRenderer = fs::path(TORVO_BINARY_DIR) / "tests" / "fakes" / "fake_renderer";

// A fresh directory for one test.
// A job configuration with global illumination on: two counted phases are expected per stage.
inline const char* const giConfig =
    "<KXConfig><GISettings><enableGI>true</enableGI><primaryIntegrator>pathtracer</primaryIntegrator>"
    "<secondaryIntegrator>none</secondaryIntegrator></GISettings></KXConfig>";

// What the host reads of a job's progress at one moment.
struct Progress {
    std::string title;
    int32_t progress;
    int32_t global;
    bool operator==(const Progress& o) const
    {
        return title == o.title && progress == o.progress && global == o.global;
    }
};
inline std::ostream& operator<<(std::ostream& out, const Progress& p)
{
    return out << "{" << (p.title.size() > 80 ? p.title.substr(0, 80) + "..." : p.title) << " (" << p.title.size()
               << " bytes), " << p.progress << ", " << p.global << "}";
}

// The text of a string object handed out by the library, which is released here.
inline std::string textOf(TorvoString string)
{
    auto* object = static_cast<trv::FSTorvoString*>(trv::objectOf(string));
    std::string text = static_cast<const char*>(object->data());
    delete object;
    return text;
}

// Every non-empty piece of output of a handler's run until it ends, or until the limit passes.
inline std::vector<std::string> drainOutput(trv::ProcessHandler& handler, std::chrono::seconds limit)
{
    std::vector<std::string> pieces;
    const auto deadline = std::chrono::steady_clock::now() + limit;
    while (std::chrono::steady_clock::now() < deadline) {
        const int32_t result = handler.wait(1000);
        if (handler.outputAvailable() && !handler.lastOutput().empty())
            pieces.push_back(handler.lastOutput());
        if (result == trv::WaitProcessEnded)
            break;
    }
    return pieces;
}

inline fs::path scratchDirectory(const std::string& name)
{
    return testfiles::processScratchDirectory("job", name);
}

// A renderer installation of links to the fake renderer.
inline fs::path fakeInstallation(const fs::path& dir, bool withFrontEnd)
{
    const fs::path bin = dir / "bin";
    fs::create_directories(bin);
    fs::create_symlink(fakeRenderer, bin / "thetorvo.exe");
    if (withFrontEnd)
        fs::create_symlink(fakeRenderer, bin / "torvofarm.exe");
    return bin;
}

class FakePass : public trv::JobPass {
public:
    explicit FakePass(std::string shortName) : shortName_(std::move(shortName)) {}
    const std::string& shortName() const override { return shortName_; }
    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override
    {
        trv::xmlTools::setText(trv::xmlTools::textureBakeComponents(document), "fullShading", true);
        trv::xmlTools::setText(trv::xmlTools::findOrCreatePath(&document, "KXConfig/FakePass"), "name", shortName_);
        return 0;
    }

private:
    std::string shortName_;
};

// Uses the passes it is given; writes `documents` copies of the base, each with one
// SurfaceTransferTexture named after the target.
class FakeTarget : public trv::JobTarget {
public:
    FakeTarget(std::string shortName, bool texture) : shortName_(std::move(shortName)), texture_(texture) {}
    const std::string& shortName() const override { return shortName_; }
    bool usesPass(const trv::JobPass& pass) const override
    {
        for (const trv::JobPass* used : passes)
            if (used == &pass)
                return true;
        return false;
    }
    bool isTextureTarget() const override { return texture_; }
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, trv::DocumentList& list,
                                 trv::RenderTool&) override
    {
        if (failWith != 0) {
            trv::errorStream() << "target refused" << std::endl;
            return failWith;
        }
        for (int i = 0; i < documents; ++i) {
            auto document = std::make_unique<tinyxml2::XMLDocument>();
            base.DeepCopy(document.get());
            auto* targets = trv::xmlTools::findOrCreatePath(document.get(), "KXConfig/SurfaceTransferSettings/targets");
            if (!withoutTexture)
                trv::xmlTools::setText(trv::xmlTools::append(targets, "SurfaceTransferTexture"), "textureName",
                                       shortName_ + "_" + std::to_string(i));
            list.push_back(std::move(document));
        }
        return 0;
    }
    std::string renderOutputName(const trv::JobPass& pass) const override
    {
        return outputName.empty() ? std::string() : pass.shortName() + "_" + outputName;
    }
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument&, const std::string& prefix) override
    {
        prefixes += prefix + ";";
        return 0;
    }
    void jobFinished() override { ++finishedCalls; }

    std::vector<const trv::JobPass*> passes;
    int documents = 1;
    TRVStatus failWith = 0;
    bool withoutTexture = false;
    std::string outputName;
    std::string prefixes;
    int finishedCalls = 0;

private:
    std::string shortName_;
    bool texture_;
};

// A job over scene files the test writes itself.
class TestJob : public trv::FSTorvoJob {
public:
    TestJob(trv::FSTorvoManager* manager, const std::string& name, const fs::path& configuration,
            fs::path sceneXml, fs::path fileList, std::shared_ptr<trv::FSTorvoScene> scene = nullptr)
        : FSTorvoJob(manager, name, std::move(scene), configuration), sceneXml_(std::move(sceneXml)),
          fileList_(std::move(fileList))
    {
    }
    bool finalized = true;

protected:
    bool sceneFinalized() const override { return finalized; }
    fs::path sceneXmlPath() const override { return sceneXml_; }
    fs::path fileListPath() const override { return fileList_; }

private:
    fs::path sceneXml_;
    fs::path fileList_;
};

// Sends one log of the calling thread to a file while it lives.
class LogCapture {
public:
    LogCapture(const fs::path& file, trv::LogKind kind) : file_(file), kind_(kind)
    {
        fs::remove(file_);
        trv::setLogTarget(kind_, 3, file_.string());
    }
    ~LogCapture() { trv::setLogTarget(kind_, 0, ""); }
    // The lines written so far, line breaks as "\n".
    std::string text() const
    {
        (kind_ == trv::InfoLog ? trv::infoStream() : trv::errorStream()).flush();
        std::string result;
        for (char c : readFile(file_))
            if (c != '\r')
                result += c;
        return result;
    }

private:
    fs::path file_;
    trv::LogKind kind_;
};

class InfoLogCapture : public LogCapture {
public:
    explicit InfoLogCapture(const fs::path& file) : LogCapture(file, trv::InfoLog) {}
};

// A test fixture with a manager on a scratch folder, a job configuration, scene files and a scene
// with one instance; jobs of single-document stages target<i>_pass0.xml are made on it, each
// stage a vertex target of the instance with the job's one full shading pass.
struct JobRig : ::testing::Test {
    explicit JobRig(const std::string& prefix = "")
        : dir(scratchDirectory(prefix + ::testing::UnitTest::GetInstance()->current_test_info()->name()))
    {
        EXPECT_EQ(manager.initialize(dir / "cache", 0), 0);
        std::ofstream(dir / "config.xml") << giConfig;
        std::ofstream(dir / "scene.xml") << "<KXScene/>";
        std::ofstream(dir / "scene_files.xml") << "<inputspecification/>";
        trv::TorvoSceneStub* sceneStub = nullptr;
        EXPECT_EQ(manager.beginScene("rig", sceneStub), 0);
        EXPECT_EQ(manager.beginMesh("box", mesh), 0);
        scene = dynamic_cast<trv::FSTorvoScene&>(*sceneStub).shared_from_this();
        TRVMatrix4x4 identity{};
        identity.m[0] = identity.m[5] = identity.m[10] = identity.m[15] = 1.0f;
        EXPECT_EQ(scene->createInstance(*mesh, "box", &identity, instance), 0);
    }

    // A job with `stageCount` stages, in the manager's table.
    std::shared_ptr<TestJob> job(int stageCount, const std::string& name = "bake")
    {
        auto made = std::make_shared<TestJob>(&manager, name, dir / "config.xml", dir / "scene.xml",
                                              dir / "scene_files.xml", scene);
        trv::TorvoRenderPassStub* pass = nullptr;
        EXPECT_EQ(made->createFullShadingPass("p", pass), 0);
        for (int i = 0; i < stageCount; ++i) {
            trv::TorvoTargetStub* target = nullptr;
            trv::TorvoTargetEntityStub* entity = nullptr;
            EXPECT_EQ(made->createVertexTarget("t" + std::to_string(i), target), 0);
            EXPECT_EQ(target->addBakeInstance(*instance, entity), 0);
            EXPECT_EQ(target->addPass(*pass), 0);
            targets.push_back(dynamic_cast<trv::FSTorvoTarget*>(target));
        }
        manager.jobTable()[name] = made;
        return made;
    }

    fs::path dir;
    trv::FSTorvoManager manager;
    std::shared_ptr<trv::FSTorvoScene> scene;
    trv::TorvoMeshStub* mesh = nullptr;  // begun, without data
    trv::TorvoInstanceStub* instance = nullptr;
    // The targets of the jobs made, owned by their jobs.
    std::vector<trv::FSTorvoTarget*> targets;
};

}  // namespace trvtest
