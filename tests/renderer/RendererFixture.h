// A job directory laid out as the library lays it out (meshes, textures and scenes of a cache,
// the renderer working in jobs/j), hand-made input files, a run of the renderer program on them
// and the results read back.
#pragma once

#include "../TestFiles.h"

#include "geometry/TempMeshFile.h"

#include <ImfChannelList.h>
#include <ImfFrameBuffer.h>
#include <ImfHeader.h>
#include <ImfInputFile.h>
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <array>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace rtest {

namespace fs = std::filesystem;

inline const fs::path rendererProgram = fs::path(TORVO_BINARY_DIR) / "bin" / "thetorvo.exe";

struct V3 {
    float x, y, z;
};

// A mesh as the mesh builder would hand it to the file writer.
struct Mesh {
    std::vector<V3> positions;
    std::vector<V3> normals;
    std::vector<std::string> layerNames{"map1"};
    std::vector<std::vector<std::array<float, 2>>> uvs{{}};  // per layer, per vertex
    std::vector<std::array<int32_t, 3>> triangles;
    std::string group = "stone";
    std::vector<std::array<float, 4>> colors;  // per vertex when not empty
};

// The square from (x0, z0) to (x1, z1) at height y facing +Y, its UVs spanning u0..u1, v0..v1
// along x and z.
inline Mesh floorQuad(float x0, float z0, float x1, float z1, float y = 0, float u0 = 0, float v0 = 0, float u1 = 1,
                      float v1 = 1)
{
    Mesh m;
    m.positions = {{x0, y, z0}, {x1, y, z0}, {x1, y, z1}, {x0, y, z1}};
    m.normals.assign(4, {0, 1, 0});
    m.uvs[0] = {{u0, v0}, {u1, v0}, {u1, v1}, {u0, v1}};
    m.triangles = {{0, 2, 1}, {0, 3, 2}};
    return m;
}

// The quad a, b, c, d (in order round it) facing normal, its UVs spanning the unit square from a.
inline Mesh quadMesh(V3 a, V3 b, V3 c, V3 d, V3 normal)
{
    Mesh m;
    m.positions = {a, b, c, d};
    m.normals.assign(4, normal);
    m.uvs[0] = {{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    m.triangles = {{0, 1, 2}, {0, 2, 3}};
    return m;
}

// A closed box of outward faces from (x0, y0, z0) to (x1, y1, z1), its UVs all in one corner.
inline Mesh solidBox(V3 low, V3 high)
{
    Mesh m;
    m.uvs[0].clear();
    const float lo[3] = {low.x, low.y, low.z}, hi[3] = {high.x, high.y, high.z};
    for (int axis = 0; axis < 3; ++axis)
        for (int side = 0; side < 2; ++side) {
            const int a = (axis + 1) % 3, b = (axis + 2) % 3;
            const int32_t first = static_cast<int32_t>(m.positions.size());
            for (auto [p, q] : {std::pair{0, 0}, {1, 0}, {1, 1}, {0, 1}}) {
                float c[3];
                c[axis] = side ? hi[axis] : lo[axis];
                c[a] = p ? hi[a] : lo[a];
                c[b] = q ? hi[b] : lo[b];
                m.positions.push_back({c[0], c[1], c[2]});
                float n[3] = {0, 0, 0};
                n[axis] = side ? 1.0f : -1.0f;
                m.normals.push_back({n[0], n[1], n[2]});
                m.uvs[0].push_back({0.1f * float(p), 0.1f * float(q)});
            }
            m.triangles.push_back({first, first + 1, first + 2});
            m.triangles.push_back({first, first + 2, first + 3});
        }
    return m;
}

inline void writeMesh(const fs::path& path, const Mesh& mesh)
{
    trv::ttm::TempMeshFile file;
    ASSERT_TRUE(file.open(path));
    auto& header = *file.mesh();
    header.name = path.stem().string();
    header.vertexCount = static_cast<int32_t>(mesh.positions.size());
    header.uvLayerNames = mesh.layerNames;
    header.setHasVertexColors(!mesh.colors.empty());
    header.materialGroups = {{mesh.group, static_cast<int32_t>(mesh.triangles.size())}};
    for (int a = 0; a < 3; ++a) {
        header.boundsMin[a] = -1;
        header.boundsMax[a] = 1;
    }
    header.writeHeader();
    for (size_t i = 0; i < mesh.positions.size(); ++i) {
        trv::ttm::TempMeshVertex vertex{};
        vertex.position[0] = mesh.positions[i].x;
        vertex.position[1] = mesh.positions[i].y;
        vertex.position[2] = mesh.positions[i].z;
        const V3 n = i < mesh.normals.size() ? mesh.normals[i] : V3{0, 0, 0};
        vertex.normal[0] = n.x;
        vertex.normal[1] = n.y;
        vertex.normal[2] = n.z;
        if (!mesh.colors.empty())
            std::copy(mesh.colors[i].begin(), mesh.colors[i].end(), vertex.color);
        header.writeVertex(vertex);
        for (const auto& layer : mesh.uvs)
            header.writeUV(layer[i][0], layer[i][1]);
    }
    for (const auto& t : mesh.triangles)
        header.writeTriangle(t.data());
    ASSERT_TRUE(file.close());
}

// Row-major 4 x 4 matrices acting on column vectors.
using Matrix = std::array<float, 16>;
inline Matrix identity()
{
    return {1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}
inline Matrix translation(float x, float y, float z)
{
    return {1, 0, 0, x, 0, 1, 0, y, 0, 0, 1, z, 0, 0, 0, 1};
}
inline Matrix rotationX(float radians)
{
    const float c = std::cos(radians), s = std::sin(radians);
    return {1, 0, 0, 0, 0, c, -s, 0, 0, s, c, 0, 0, 0, 0, 1};
}
inline Matrix rotationZ(float radians)
{
    const float c = std::cos(radians), s = std::sin(radians);
    return {c, -s, 0, 0, s, c, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
}
inline Matrix operator*(const Matrix& a, const Matrix& b)
{
    Matrix r{};
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j)
            for (int k = 0; k < 4; ++k)
                r[i * 4 + j] += a[i * 4 + k] * b[k * 4 + j];
    return r;
}
// The matrix the library stores for an area or window light given m.
inline Matrix areaLightAdjusted(const Matrix& m)
{
    const Matrix fixed = {1, 0, 0, 0, 0, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 1};
    return m * fixed;
}

inline std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

inline std::string matrixXml(const char* name, const Matrix& m)
{
    std::string out = std::string("<") + name + ">";
    for (int r = 0; r < 4; ++r) {
        out += "<r>";
        for (int c = 0; c < 4; ++c)
            out += "<c>" + number(m[r * 4 + c]) + "</c>";
        out += "</r>";
    }
    return out + "</" + name + ">";
}

inline std::string instanceXml(const std::string& name, const std::string& mesh, const Matrix& m = identity(),
                               const std::string& extra = "<LightLinkMode>None</LightLinkMode>")
{
    return "<Instance><Name><![CDATA[" + name + "]]></Name><Shape><![CDATA[" + mesh + "]]></Shape>" +
           matrixXml("ObjectToWorld", m) + extra + "</Instance>";
}

// A light: kind-specific elements, then the common ones; castShadows as given.
inline std::string lightXml(const std::string& type, const std::string& name, const Matrix& m, V3 color,
                            const std::string& before = "", const std::string& after = "", bool castShadows = false,
                            int samples = 1, const std::string& links = "<LightLinkMode>None</LightLinkMode>")
{
    return "<LightSource><Type>" + type + "</Type>" + before + "<Name><![CDATA[" + name + "]]></Name>" +
           matrixXml("ObjectToWorld", m) + "<Color><r>" + number(color.x) + "</r><g>" + number(color.y) + "</g><b>" +
           number(color.z) + "</b></Color><ShadowSamples>" + std::to_string(samples) +
           "</ShadowSamples><CastShadows>" + (castShadows ? "true" : "false") + "</CastShadows>" + links + after +
           "</LightSource>";
}

inline std::string falloffXml(float exponent, bool clamp = true, float cutoff = 3.40282347e38f)
{
    return "<FalloffExponent>" + number(exponent) + "</FalloffExponent><AttenuationType>Standard</AttenuationType>"
           "<DecayCutoff>" + number(cutoff) + "</DecayCutoff><DecayClampToOne>" + (clamp ? "true" : "false") +
           "</DecayClampToOne>";
}

// The component switches of a stage, all off but the one named (empty: none).
inline std::string componentsXml(const std::string& on, const std::string& extra = "")
{
    std::string out;
    for (const char* name : {"fullShading", "illumination", "indirectIllumination", "fullAndIndirectIllumination",
                             "rnm", "lua", "albedo", "ambient", "diffuse", "incandescence", "normals", "reflections",
                             "refractions", "specular", "sss"})
        out += std::string("<") + name + ">" + (on == name ? "true" : "false") + "</" + name + ">";
    return out + extra;
}

// The settings an ambient occlusion pass writes.
inline std::string occlusionXml(unsigned rays, bool uniform = false, float cone = 180, float maxDistance = 0,
                                float contrast = 1, float scale = 1, const std::string& self = "Enabled")
{
    return "<AOSettings><aoUniformSampling>" + std::string(uniform ? "true" : "false") +
           "</aoUniformSampling><aoBendNormals>false</aoBendNormals><aoReflectionOcclusion>false"
           "</aoReflectionOcclusion><aoUseDisplacement>false</aoUseDisplacement><aoObeyTransparency>true"
           "</aoObeyTransparency><aoMinRay>" +
           std::to_string(rays) + "</aoMinRay><aoMaxRay>" + std::to_string(rays) + "</aoMaxRay><aoConeAngle>" +
           number(cone) + "</aoConeAngle><aoMaxDistance>" + number(maxDistance) + "</aoMaxDistance><aoContrast>" +
           number(contrast) + "</aoContrast><aoScale>" + number(scale) + "</aoScale><aoSelfOcclusion>" + self +
           "</aoSelfOcclusion><aoAdaptive>false</aoAdaptive><aoAccuracy>1</aoAccuracy><aoSmooth>1</aoSmooth>"
           "<aoUseFile>false</aoUseFile></AOSettings>";
}

// One surface of a texture target.
inline std::string surfaceXml(const std::string& instance, const std::string& extra = "")
{
    return "<SurfaceTransferTarget><target><![CDATA[" + instance + "]]></target><name>0f1e2d3c-guid</name>" + extra +
           "</SurfaceTransferTarget>";
}

inline std::string textureTargetXml(const std::string& name, int width, int height, const std::string& surfaces)
{
    return "<SurfaceTransferTexture><hasResolutionOverride>true</hasResolutionOverride><resolutionOverride><x>" +
           std::to_string(width) + "</x><y>" + std::to_string(height) + "</y></resolutionOverride><textureName>" +
           name + "</textureName><targetSurfaces>" + surfaces + "</targetSurfaces></SurfaceTransferTexture>";
}

enum class Pass { Normals, Light, Occlusion };

// A texture stage of one pass over the given targets.
inline std::string textureStage(Pass pass, const std::string& targets, const std::string& settings = "",
                                bool normalize = false)
{
    const std::string texture = pass == Pass::Normals ? componentsXml("normals")
                                : pass == Pass::Light ? componentsXml("illumination")
                                                      : componentsXml("", "<customPasses><element>ambientOcclusion"
                                                                          "</element></customPasses>");
    const std::string vertexCustom =
        pass == Pass::Occlusion ? "<customPasses><element>ambientOcclusion</element></customPasses>" : "";
    return "<?xml version=\"1.0\"?><KXConfig><FrameSettings><renderType>SurfaceTransfer</renderType>"
           "<imageFormat>EXRMultiLayer</imageFormat></FrameSettings><GISettings><enableGI>false</enableGI>"
           "</GISettings><TextureBakeSettings><RenderComponents>" +
           texture +
           "</RenderComponents><Normalize><normalizeComponent>Shape</normalizeComponent><normalizeOutput>Linked"
           "</normalizeOutput><normalizeRange>Max</normalizeRange><normalizeAlpha>true</normalizeAlpha>"
           "<normalizeValues>" +
           (normalize ? "true" : "false") +
           "</normalizeValues></Normalize></TextureBakeSettings><VertexBakeSettings><VertexBakeComponents>" +
           vertexCustom + "</VertexBakeComponents></VertexBakeSettings>" + settings +
           "<SurfaceTransferSettings><targets>" + targets + "</targets></SurfaceTransferSettings></KXConfig>";
}

// The channels of an EXR image, by name, each width x height floats row after row.
struct Image {
    int width = 0, height = 0;
    std::map<std::string, std::vector<float>> channels;

    float at(const std::string& channel, int x, int y) const { return channels.at(channel)[size_t(y) * width + x]; }
};

inline Image readImage(const fs::path& path)
{
    Image image;
    Imf::InputFile file(path.c_str());
    const Imath::Box2i window = file.header().dataWindow();
    image.width = window.max.x - window.min.x + 1;
    image.height = window.max.y - window.min.y + 1;
    Imf::FrameBuffer frame;
    for (auto c = file.header().channels().begin(); c != file.header().channels().end(); ++c) {
        auto& values = image.channels[c.name()];
        values.assign(size_t(image.width) * image.height, 0.0f);
        frame.insert(c.name(), Imf::Slice(Imf::FLOAT, reinterpret_cast<char*>(values.data()), sizeof(float),
                                          sizeof(float) * image.width));
    }
    file.setFrameBuffer(frame);
    file.readPixels(window.min.y, window.max.y);
    return image;
}

struct RunOutput {
    int code = -1;
    std::vector<std::string> lines;

    std::vector<std::string> errors() const
    {
        std::vector<std::string> found;
        for (const auto& line : lines)
            if (line.rfind("Error: ", 0) == 0)
                found.push_back(line);
        return found;
    }
    bool has(const std::string& text) const
    {
        for (const auto& line : lines)
            if (line.find(text) != std::string::npos)
                return true;
        return false;
    }
};

// A cache with one scene and one job directory, written by the test and rendered by the program.
class RendererTest : public ::testing::Test {
protected:
    testfiles::TestDirectory dir{"renderer"};
    fs::path job = dir / "jobs" / "j";
    fs::path output = job / "output";
    std::vector<std::string> meshNames;
    std::vector<std::string> sceneParts;
    std::string extraArguments;  // after the scene file, as the atlas switch comes

    RendererTest()
    {
        fs::create_directories(output);
        fs::create_directories(dir / "meshes");
        fs::create_directories(dir / "scenes");
        fs::create_directories(dir / "textures");
    }

    void addMesh(const std::string& name, const Mesh& mesh)
    {
        writeMesh(dir / "meshes" / (name + ".ttm"), mesh);
        meshNames.push_back(name);
    }
    void add(const std::string& xml) { sceneParts.push_back(xml); }

    void writeScene() const
    {
        std::ofstream scene(dir / "scenes" / "room.xml");
        scene << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<KXScene>\n";
        for (const auto& part : sceneParts)
            scene << part << "\n";
        scene << "</KXScene>\n";
        std::ofstream files(dir / "scenes" / "room_files.xml");
        files << "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<inputspecification version =\"1\">\n\t<filelist>\n";
        for (const auto& name : meshNames)
            files << "\t\t<file>..\\..\\meshes\\" << name << ".ttm</file>\n";
        files << "\t</filelist>\n</inputspecification>\n";
    }

    void writeStage(const std::string& text, const std::string& name = "stage.xml") const
    {
        std::ofstream(job / name) << text;
    }

    // Writes the scene and runs the renderer on stage.xml in the job directory.
    RunOutput render(int threads = 0, const std::string& outputName = "", const std::string& stage = "stage.xml") const
    {
        writeScene();
        std::string command = "cd '" + job.string() + "' && ";
        if (threads > 0)
            command += "TORVO_RENDER_THREADS=" + std::to_string(threads) + " ";
        command += "'" + rendererProgram.string() + "' \"../../scenes/room.xml\"" + extraArguments;
        if (!outputName.empty())
            command += " -o " + outputName;
        command += " -i \"../../scenes/room_files.xml\" -x \"" + stage + "\" -cs -od \"output\" > '" +
                   (dir / "run.txt").string() + "' 2>&1";
        RunOutput run;
        const int status = std::system(command.c_str());
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        std::ifstream in(dir / "run.txt");
        for (std::string line; std::getline(in, line);)
            run.lines.push_back(line);
        return run;
    }

    // Renders and expects success.
    RunOutput renderOk(int threads = 0, const std::string& outputName = "") const
    {
        RunOutput run = render(threads, outputName);
        EXPECT_EQ(run.code, 0) << (run.lines.empty() ? "" : run.lines.back());
        EXPECT_TRUE(run.errors().empty()) << run.errors().front();
        return run;
    }

    Image result(const std::string& texture) const { return readImage(output / ("result_" + texture + ".exr")); }
};

}  // namespace rtest
