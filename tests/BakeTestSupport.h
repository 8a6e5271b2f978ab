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

#include "results/PointCloudFormat.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfOutputFile.h>
#include <tinyxml2.h>

#include <fstream>
#include <functional>
#include <string>
#include <vector>

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

// A result image as the renderer writes one: float channels of the given names; channel c of
// pixel (x, y) holds value(c, x, y).
inline void writeResultImage(const fs::path& file, const std::vector<std::string>& channels, int width, int height,
                             const std::function<float(int, int, int)>& value)
{
    Imf::Header header(width, height);
    for (const std::string& name : channels)
        header.channels().insert(name, Imf::Channel(Imf::FLOAT));
    std::vector<std::vector<float>> planes(channels.size(), std::vector<float>(size_t(width) * height));
    Imf::FrameBuffer buffer;
    for (size_t c = 0; c < channels.size(); ++c) {
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x)
                planes[c][size_t(y) * width + x] = value(int(c), x, y);
        buffer.insert(channels[c], Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(planes[c].data()),
                                              sizeof(float), sizeof(float) * width));
    }
    Imf::OutputFile out(file.c_str(), header, 1);
    out.setFrameBuffer(buffer);
    out.writePixels(height);
}

// A vertex or point cloud result as the renderer writes one: a position, then valuesPerPoint
// values per point.
inline void writeResultPoints(const fs::path& file, uint32_t valuesPerPoint, const std::vector<float>& values)
{
    namespace pc = trv::pointcloud;
    const uint32_t points = valuesPerPoint ? uint32_t(values.size() / valuesPerPoint) : 0;
    std::string out;
    pc::putU32(out, 1);
    pc::putText(out, pc::formatName);
    pc::putText(out, pc::resultPointType);
    pc::putU32(out, 6);
    pc::putU32(out, 0);
    for (int i = 0; i < 6 + 16; ++i)
        pc::putFloat(out, 0.0f);
    pc::putU32(out, points);
    pc::putU32(out, 12 + 4 * valuesPerPoint);
    pc::putU32(out, 2);
    pc::putText(out, "position");
    pc::putU32(out, 4);
    pc::putU32(out, 3);
    pc::putText(out, "values");
    pc::putU32(out, 4);
    pc::putU32(out, valuesPerPoint);
    for (uint32_t p = 0; p < points; ++p) {
        for (int i = 0; i < 3; ++i)
            pc::putFloat(out, float(p));
        for (uint32_t v = 0; v < valuesPerPoint; ++v)
            pc::putFloat(out, values[size_t(p) * valuesPerPoint + v]);
    }
    std::ofstream(file, std::ios::binary) << out;
}

// The text of a string object, which is released.
inline std::string released(TorvoString string)
{
    int32_t length = 0;  // with the terminating zero
    TRVGetLength(string, &length);
    std::string text(size_t(length), '\0');
    EXPECT_EQ(TRVCopy(string, text.data(), length), 0);
    TRVReleaseString(string);
    text.resize(length > 0 ? size_t(length) - 1 : 0);
    return text;
}

// What a framebuffer holds: its channel names, its size, and all values of a region.
struct Contents {
    std::vector<std::string> channels;
    int32_t width = 0, height = 0;
    std::vector<float> values;
    bool operator==(const Contents& o) const
    {
        return channels == o.channels && width == o.width && height == o.height && values == o.values;
    }
};
inline std::ostream& operator<<(std::ostream& out, const Contents& c)
{
    out << "{";
    for (const std::string& name : c.channels)
        out << name << " ";
    out << c.width << "x" << c.height << ":";
    for (float v : c.values)
        out << " " << v;
    return out << "}";
}

// The contents of framebuffer in the region from (minX, minY) to (maxX, maxY), every channel.
inline Contents contentsOf(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX, int32_t maxY)
{
    Contents contents;
    int32_t count = 0;
    EXPECT_EQ(TRVGetChannelCount(framebuffer, &count), 0);
    for (int32_t i = 0; i < count; ++i) {
        TorvoString name = nullptr;
        EXPECT_EQ(TRVGetChannelName(framebuffer, i, &name), 0);
        contents.channels.push_back(name ? released(name) : "?");
    }
    EXPECT_EQ(TRVGetResolution(framebuffer, &contents.width, &contents.height), 0);
    contents.values.assign(size_t(maxX - minX) * size_t(maxY - minY) * size_t(count), -1.0f);
    EXPECT_EQ(TRVReadRegionHDR(framebuffer, minX, minY, maxX, maxY, TRV_CHANNEL_ALL, contents.values.data()), 0);
    return contents;
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
