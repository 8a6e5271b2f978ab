// Shared pieces of the scene tests: a manager on a fresh cache directory with a scene and meshes.
#pragma once

#include "TestFiles.h"

#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "geometry/FSTorvoMesh.h"
#include "scene/FSTorvoScene.h"
#include "torvo.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace scenetest {

namespace fs = std::filesystem;

using testfiles::readFile;

inline TRVMatrix4x4 identity()
{
    TRVMatrix4x4 m{};
    m.m[0] = m.m[5] = m.m[10] = m.m[15] = 1.0f;
    return m;
}

// A manager created through the exported function on a directory of its own, removed afterwards.
class SceneFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(TRVCreateManager(root_.path().string().c_str(), TRV_CACHE_SHARED, &manager_), TRV_SUCCESS);
        ASSERT_EQ(TRVBeginScene(manager_, "room", &scene_), TRV_SUCCESS);
    }
    void TearDown() override
    {
        if (manager_)
            TRVDestroyManager(manager_);
    }

    trv::FSTorvoManager& manager() { return *reinterpret_cast<trv::FSTorvoManager*>(manager_); }
    trv::FSTorvoScene& scene() { return *static_cast<trv::FSTorvoScene*>(trv::objectOf(scene_)); }
    fs::path scenesDirectory() { return manager().scenesDirectory(); }
    std::string sceneXml(const std::string& name = "room") { return readFile(scenesDirectory() / (name + ".xml")); }
    std::string fileList(const std::string& name = "room")
    {
        return readFile(scenesDirectory() / (name + "_files.xml"));
    }

    // A mesh begun on the manager (not ended: instances only need its cache name).
    TorvoMesh mesh(const char* name)
    {
        TorvoMesh mesh = nullptr;
        EXPECT_EQ(TRVBeginMesh(manager_, name, &mesh), TRV_SUCCESS);
        return mesh;
    }
    std::string meshName(TorvoMesh mesh)
    {
        return dynamic_cast<trv::FSTorvoMesh*>(trv::objectOf(mesh))->name();
    }
    TorvoInstance instance(TorvoMesh mesh, const char* name)
    {
        const TRVMatrix4x4 m = identity();
        TorvoInstance instance = nullptr;
        EXPECT_EQ(TRVCreateInstance(scene_, mesh, name, &m, &instance), TRV_SUCCESS);
        return instance;
    }

    testfiles::TestDirectory root_{"scene", false};  // the manager makes it
    TorvoManager manager_ = nullptr;
    TorvoScene scene_ = nullptr;
};

}  // namespace scenetest
