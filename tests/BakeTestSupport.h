// Shared pieces of the pass, target and bake tests: a manager with a scene of instances, a
// light, a camera and a point cloud, a job over it, a second scene with its own job, and the
// printing of configuration documents for comparison with hand-written XML.
#pragma once

#include "SceneTestSupport.h"
#include "fakes/JobTestDoubles.h"

#include "bake/FSTorvoRenderPass.h"
#include "bake/FSTorvoTarget.h"
#include "bake/FSTorvoTargetEntity.h"
#include "core/Handles.h"
#include "core/Log.h"
#include "job/FSTorvoJob.h"

#include <tinyxml2.h>

#include <fstream>
#include <string>

namespace baketest {

namespace fs = std::filesystem;
using scenetest::identity;

// A document as one line without blanks between elements, for exact comparison.
inline std::string printed(const tinyxml2::XMLDocument& document)
{
    tinyxml2::XMLPrinter printer(nullptr, true);
    document.Print(&printer);
    return printer.CStr();
}

// Hand-written XML (indented as it reads best) in the form printed() gives.
inline std::string compact(const std::string& xml)
{
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.Parse(xml.c_str()), tinyxml2::XML_SUCCESS) << xml;
    return printed(document);
}

inline trv::FSTorvoRenderPass& passObject(TorvoRenderPass handle)
{
    return *dynamic_cast<trv::FSTorvoRenderPass*>(trv::objectOf(handle));
}

inline trv::FSTorvoTarget& targetObject(TorvoTarget handle)
{
    return *dynamic_cast<trv::FSTorvoTarget*>(trv::objectOf(handle));
}

inline trv::FSTorvoTargetEntity& entityObject(TorvoTargetEntity handle)
{
    return *dynamic_cast<trv::FSTorvoTargetEntity*>(trv::objectOf(handle));
}

// The settings one pass writes into an empty configuration document.
inline std::string passDocument(TorvoRenderPass pass)
{
    tinyxml2::XMLDocument document;
    document.InsertEndChild(document.NewElement("KXConfig"));
    EXPECT_EQ(passObject(pass).writeConfiguration(document), 0);
    return printed(document);
}

class BakeFixture : public scenetest::SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        const TRVMatrix4x4 m = identity();
        const TRVLinearRGB white = {1, 1, 1};
        box = mesh("box");
        floor = instance(box, "floor");
        wall = instance(box, "wall");
        ASSERT_EQ(TRVCreatePointLight(scene_, "sun", &m, &white, &sun), TRV_SUCCESS);
        ASSERT_EQ(TRVCreatePerspectiveCamera(scene_, "eye", &m, &eye), TRV_SUCCESS);
        ASSERT_EQ(TRVCreatePointCloud(scene_, "probes", &probes), TRV_SUCCESS);
        std::ofstream(root_ / "config.xml") << "<KXConfig/>";
        ASSERT_EQ(TRVCreateJob(manager_, "bake", scene_, (root_ / "config.xml").c_str(), &job_), TRV_SUCCESS);

        // A second scene with objects of the same names, and a job over it.
        ASSERT_EQ(TRVBeginScene(manager_, "other", &otherScene), TRV_SUCCESS);
        ASSERT_EQ(TRVCreateInstance(otherScene, box, "floor", &m, &otherFloor), TRV_SUCCESS);
        ASSERT_EQ(TRVCreatePointLight(otherScene, "sun", &m, &white, &otherSun), TRV_SUCCESS);
        ASSERT_EQ(TRVCreatePerspectiveCamera(otherScene, "eye", &m, &otherEye), TRV_SUCCESS);
        ASSERT_EQ(TRVCreatePointCloud(otherScene, "probes", &otherProbes), TRV_SUCCESS);
        ASSERT_EQ(TRVCreateJob(manager_, "other bake", otherScene, (root_ / "config.xml").c_str(), &otherJob),
                  TRV_SUCCESS);
    }

    trv::FSTorvoJob& job() { return *dynamic_cast<trv::FSTorvoJob*>(trv::objectOf(job_)); }

    TorvoRenderPass fullShadingPass(const char* name, TorvoJob on = nullptr)
    {
        TorvoRenderPass pass = nullptr;
        EXPECT_EQ(TRVCreateFullShadingPass(on ? on : job_, name, &pass), TRV_SUCCESS);
        return pass;
    }

    TorvoMesh box = nullptr;
    TorvoInstance floor = nullptr, wall = nullptr;
    TorvoLightSource sun = nullptr;
    TorvoCamera eye = nullptr;
    TorvoPointCloud probes = nullptr;
    TorvoJob job_ = nullptr;
    TorvoScene otherScene = nullptr;
    TorvoInstance otherFloor = nullptr;
    TorvoLightSource otherSun = nullptr;
    TorvoCamera otherEye = nullptr;
    TorvoPointCloud otherProbes = nullptr;
    TorvoJob otherJob = nullptr;
};

}  // namespace baketest
