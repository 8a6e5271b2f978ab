// Damaged files read back from disk: a valid file of each kind, written the library's own way, is
// cut short, has bytes flipped and has its 32-bit fields replaced by extreme values, and every
// such file goes through the reader. A reader may refuse a file in its usual way; it must neither
// crash, read outside its buffers, hang, nor take more memory than the file could account for.
#include "core/Log.h"
#include "manager/FSTorvoManager.h"
#include "cache/NameHash.h"
#include "geometry/FSTorvoTexture.h"
#include "geometry/TempMesh.h"
#include "geometry/TempMeshFile.h"
#include "job/ConfigDocument.h"
#include "core/XmlTools.h"
#include "results/PointCloudFormat.h"
#include "results/PointcloudReader.h"
#include "results/PointcloudWriter.h"

#include "TestFiles.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <cstring>
#include <fstream>
#include <ios>
#include <random>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using testfiles::TestDirectory;

namespace {

struct Mutant {
    std::string what;
    std::string bytes;
};

void store(const fs::path& file, const std::string& bytes)
{
    std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
}

void putU32At(std::string& bytes, std::size_t offset, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[offset + i] = static_cast<char>((value >> (8 * i)) & 0xFF);
}

// Values that damaged 32-bit counts and sizes take: nothing, all ones, the largest and the
// smallest signed value, and counts far beyond any small file.
const uint32_t extremes[] = {0u, 0xFFFFFFFFu, 0x7FFFFFFFu, 0x80000000u, 0x10000000u, 0x00010001u};

// The mutants of a valid file: cut at every cutStep-th length, every 32-bit field starting at a multiple of
// fieldStep below fieldEnd set to each extreme value, and `random` copies with one to four bytes
// changed and occasionally one extreme field somewhere, all from a fixed seed.
std::vector<Mutant> mutantsOf(const std::string& valid, std::size_t cutStep, std::size_t fieldEnd,
                              std::size_t fieldStep, int random, unsigned seed)
{
    std::vector<Mutant> out;
    for (std::size_t length = 0; length < valid.size(); length += cutStep)
        out.push_back({"cut to " + std::to_string(length) + " bytes", valid.substr(0, length)});
    for (std::size_t offset = 0; offset + 4 <= std::min(fieldEnd, valid.size()); offset += fieldStep) {
        for (const uint32_t value : extremes) {
            std::string bytes = valid;
            putU32At(bytes, offset, value);
            out.push_back({"field at " + std::to_string(offset) + " = " + std::to_string(value), std::move(bytes)});
        }
    }
    std::mt19937 rng(seed);
    for (int m = 0; m < random; ++m) {
        std::string bytes = valid;
        std::string what = "random " + std::to_string(m) + ":";
        const int changes = 1 + static_cast<int>(rng() % 4);
        for (int c = 0; c < changes; ++c) {
            const std::size_t at = rng() % bytes.size();
            bytes[at] = static_cast<char>(bytes[at] ^ static_cast<char>(1 + rng() % 255));
            what += " byte " + std::to_string(at);
        }
        if (rng() % 4 == 0 && bytes.size() >= 4) {
            const std::size_t at = rng() % (bytes.size() - 3);
            putU32At(bytes, at, extremes[rng() % (sizeof extremes / sizeof extremes[0])]);
            what += " field " + std::to_string(at);
        }
        out.push_back({std::move(what), std::move(bytes)});
    }
    return out;
}

// ---- mesh files ----

std::string validMeshFile(const fs::path& file)
{
    trv::ttm::TempMeshFile out;
    EXPECT_TRUE(out.open(file));
    auto& mesh = *out.mesh();
    mesh.name = "damaged";
    mesh.vertexCount = 4;
    mesh.uvLayerNames = {"uv0", "uv1"};
    mesh.materialGroups = {{"a", 1}, {"b", 1}};
    mesh.setHasVertexColors(true);
    const float lo[3] = {0, 0, 0}, hi[3] = {1, 1, 0};
    std::memcpy(mesh.boundsMin, lo, sizeof lo);
    std::memcpy(mesh.boundsMax, hi, sizeof hi);
    mesh.writeHeader();
    for (int i = 0; i < 4; ++i) {
        trv::ttm::TempMeshVertex v{};
        v.position[0] = float(i & 1);
        v.position[1] = float(i >> 1);
        v.normal[2] = 1;
        v.color[3] = 1;
        mesh.writeVertex(v);
        mesh.writeUV(v.position[0], v.position[1]);
        mesh.writeUV(0.5f, 0.5f);
    }
    const int32_t first[3] = {0, 1, 2}, second[3] = {2, 1, 3};
    mesh.writeTriangle(first);
    mesh.writeTriangle(second);
    EXPECT_TRUE(out.close());
    return testfiles::readFile(file);
}

// What one read of a mesh file came to.
struct MeshRead {
    bool opened = false;
    bool complete = false;  // every record the header announces was there
    int32_t vertices = 0;
    std::size_t triangles = 0;
};

// Reads the file the way the renderer's check does: the header, then the vertices with their
// uvs and every group's triangles, stopping at the first record that is not there.
MeshRead readMesh(const fs::path& file, std::size_t fileSize)
{
    MeshRead result;
    trv::ttm::TempMeshFile in;
    if (!in.openForReading(file))
        return result;
    result.opened = true;
    const auto& mesh = *in.mesh();
    // Nothing the header holds can be larger than the file it came from.
    EXPECT_LE(mesh.name.size(), fileSize);
    EXPECT_LE(mesh.uvLayerNames.size(), fileSize);
    EXPECT_LE(mesh.materialGroups.size(), fileSize);
    EXPECT_GE(mesh.vertexCount, 0);
    bool good = true;
    trv::ttm::TempMeshVertex vertex{};
    for (int32_t i = 0; good && i < mesh.vertexCount; ++i) {
        good = in.mesh()->readVertex(vertex);
        float u = 0, v = 0;
        for (std::size_t layer = 0; good && layer < mesh.uvLayerNames.size(); ++layer)
            good = in.mesh()->readUV(u, v);
        if (good)
            ++result.vertices;
    }
    for (const auto& group : mesh.materialGroups) {
        EXPECT_GE(group.triangleCount, 0);
        for (int32_t t = 0; good && t < group.triangleCount; ++t) {
            int32_t indices[3];
            good = in.mesh()->readTriangle(indices);
            if (good)
                ++result.triangles;
        }
    }
    result.complete = good;
    EXPECT_TRUE(in.close()) << "a file open for reading closes with true";
    return result;
}

// ---- point cloud files ----

// A result file as the renderer writes it: position, index and two values per point, every
// field holding its running float index.
std::string validPointCloud(uint32_t points)
{
    namespace pc = trv::pointcloud;
    struct Attribute {
        const char* name;
        uint32_t size, count;
    };
    const Attribute attributes[] = {{"position", 4, 3}, {"index", 4, 1}, {"values", 4, 2}};
    std::string out;
    pc::putU32(out, 1);
    pc::putText(out, pc::formatName);
    pc::putText(out, pc::resultPointType);
    pc::putU32(out, 6);
    pc::putU32(out, 0);
    for (int i = 0; i < 6 + 16; ++i)
        pc::putFloat(out, 0.0f);
    pc::putU32(out, points);
    pc::putU32(out, 24);
    pc::putU32(out, 3);
    for (const Attribute& a : attributes) {
        pc::putText(out, a.name);
        pc::putU32(out, a.size);
        pc::putU32(out, a.count);
    }
    float next = 0;
    for (uint32_t p = 0; p < points * 6; ++p)
        pc::putFloat(out, next++);
    return out;
}

// Reads the file; the outcome is the values read, or how the reader refused the file.
enum class CloudOutcome { Read, InvalidHeader, StreamFailure };

CloudOutcome readCloud(const fs::path& file, std::size_t fileSize, const std::string& what)
{
    try {
        const trv::PointcloudReader::Contents contents = trv::PointcloudReader::read(file);
        EXPECT_EQ(contents.values.size(), std::size_t(contents.pointCount) * contents.valuesPerPoint) << what;
        EXPECT_LE(contents.values.size() * 4, fileSize) << what;
        return CloudOutcome::Read;
    } catch (const trv::PointcloudReader::InvalidHeaderException&) {
        return CloudOutcome::InvalidHeader;
    } catch (const std::ios_base::failure&) {
        return CloudOutcome::StreamFailure;
    }
}

// ---- configuration documents ----

// A stage document put together with the element-path helpers and saved by the XML library.
std::string validConfiguration(const fs::path& file)
{
    namespace x = trv::xmlTools;
    tinyxml2::XMLDocument document;
    EXPECT_EQ(trv::loadSourceDocument("", document), 0);
    tinyxml2::XMLElement* gi = x::findOrCreatePath(&document, "KXConfig/GISettings");
    x::setText(gi, "enableGI", true);
    x::setText(gi, "prepassMaxSampleRate", int32_t(2));
    x::setText(gi, "prepassMinSampleRate", int32_t(-3));
    x::setText(gi, "primaryIntegrator", "FinalGather");
    x::setText(gi, "fgDepth", int32_t(2));
    x::setText(gi, "secondaryIntegrator", "none");
    x::setText(gi, "fgAccuracy", 0.125f);
    tinyxml2::XMLElement* frame = x::findOrCreatePath(&document, "KXConfig/FrameSettings");
    x::setText(frame, "renderType", "surfaceTransfer");
    x::writeVec2(x::findOrCreate(frame, "resolution"), 640.0f, 480.0f);
    tinyxml2::XMLElement* ao = x::findOrCreatePath(&document, "KXConfig/AOSettings");
    x::setText(ao, "aoAdaptive", true);
    x::setText(ao, "aoBendNormals", false);
    x::setText(x::findOrCreatePath(&document, "KXConfig/TextureBakeSettings/RenderComponents/customPasses"),
               "element", "ambientOcclusion");
    x::setText(x::findOrCreatePath(&document, "KXConfig/VertexBakeSettings/VertexBakeComponents/customPasses"),
               "element", "ambientOcclusion");
    tinyxml2::XMLElement* targets = x::findOrCreatePath(&document, "KXConfig/SurfaceTransferSettings/targets");
    for (const char* name : {"first", "second"})
        x::setText(x::append(targets, "SurfaceTransferTexture"), "name", name);
    EXPECT_EQ(document.SaveFile(file.c_str()), tinyxml2::XML_SUCCESS);
    return testfiles::readFile(file);
}

// Every element of the document read every way a setting is read.
void readEverySetting(const tinyxml2::XMLDocument& document)
{
    namespace x = trv::xmlTools;
    std::vector<const tinyxml2::XMLElement*> pending;
    for (const auto* e = document.FirstChildElement(); e; e = e->NextSiblingElement())
        pending.push_back(e);
    while (!pending.empty()) {
        const tinyxml2::XMLElement* element = pending.back();
        pending.pop_back();
        x::text(element);
        x::textOfFirstTextChild(element);
        x::readBool(element);
        try {
            x::readInt(element);
        } catch (const x::XMLGetException&) {
        }
        try {
            x::readFloat(element);
        } catch (const x::XMLGetException&) {
        }
        try {
            float u = 0, v = 0;
            x::readVec2(element, u, v);
        } catch (const x::XMLGetException&) {
        }
        for (const auto* child = element->FirstChildElement(); child; child = child->NextSiblingElement())
            pending.push_back(child);
    }
    for (const char* path : {"KXConfig/GISettings/prepassMaxSampleRate", "KXConfig/FrameSettings/resolution",
                             "KXConfig/SurfaceTransferSettings/targets/SurfaceTransferTexture/name", "KXConfig//",
                             "", "/"})
        x::text(x::find(&document, path));
}

// Loads the document as a job does and estimates its phases; both may refuse it in their ways.
void readConfiguration(const fs::path& file, const std::string& what)
{
    tinyxml2::XMLDocument document;
    const TRVStatus loaded = trv::loadSourceDocument(file, document);
    EXPECT_TRUE(loaded == 0 || loaded == 7) << what << ": " << loaded;
    if (loaded == 0) {
        readEverySetting(document);
        tinyxml2::XMLPrinter printer;
        document.Print(&printer);
    }
    uint32_t count = 12345;
    try {
        const TRVStatus status = trv::estimatePhases(file, count);
        EXPECT_TRUE(status == 0 || status == 7) << what << ": " << status;
        if (status != 0) {
            EXPECT_EQ(count, 12345u) << what;
        }
    } catch (const trv::xmlTools::XMLGetException&) {
    }
}

}  // namespace

TEST(DamagedFiles, MeshFilesAreReadOrRefusedWithinTheirBytes)
{
    TestDirectory dir("damaged");
    const fs::path file = dir / "m.ttm";
    const std::string valid = validMeshFile(file);
    ASSERT_GT(valid.size(), 300u);
    const MeshRead whole = readMesh(file, valid.size());
    ASSERT_TRUE(whole.complete);
    EXPECT_EQ(whole.vertices, 4);
    EXPECT_EQ(whole.triangles, 2u);

    // The header ends after name, counts, layer and group names, bounds and the color flag.
    const std::size_t headerEnd = 4 + 4 + 8 + 4 + 4 + 8 + 4 + 2 + 4 + 2 + 4 + 24 + 4;
    std::vector<Mutant> mutants = mutantsOf(valid, 1, headerEnd, 1, 300, 20240611u);
    // A name without its end, and names as long as the reader takes and one byte longer.
    mutants.push_back({"name without its zero byte", valid.substr(0, 8) + std::string(70000, 'n')});
    const auto withNameOf = [&](std::size_t length) {
        return valid.substr(0, 8) + std::string(length, 'n') + valid.substr(15);
    };
    mutants.push_back({"name of 65536 bytes", withNameOf(1 << 16)});
    // Counts that announce far more than the file holds: a thousand groups of two billion
    // triangles each, with two triangles in the file.
    Mutant manyGroups{"groups of huge triangle counts", valid.substr(0, 9) + std::string("\0", 1)};
    for (const uint32_t count : {0u, 0u, 1000u}) {  // vertices, uv layers, groups
        manyGroups.bytes += std::string(4, '\0');
        putU32At(manyGroups.bytes, manyGroups.bytes.size() - 4, count);
    }
    for (int i = 0; i < 1000; ++i)
        manyGroups.bytes += std::string("g\0\xff\xff\xff\x7f", 6);
    manyGroups.bytes += std::string(24 + 4 + 24, '\0');
    mutants.push_back(manyGroups);

    int opened = 0, refused = 0;
    for (const Mutant& m : mutants) {
        store(file, m.bytes);
        const MeshRead read = readMesh(file, m.bytes.size());
        ++(read.opened ? opened : refused);
        if (m.what.rfind("cut", 0) == 0) {
            if (m.bytes.size() < headerEnd) {
                EXPECT_FALSE(read.opened) << m.what;
            } else {
                EXPECT_FALSE(read.complete) << m.what;
            }
        }
    }
    // Both outcomes occur, so the mutants reach past the header into the records.
    EXPECT_GT(opened, 0);
    EXPECT_GT(refused, 0);
    // A 65536-byte name is still taken, one byte more is refused.
    store(file, withNameOf(1 << 16));
    const MeshRead longName = readMesh(file, withNameOf(1 << 16).size());
    EXPECT_TRUE(longName.complete);
    store(file, withNameOf((1 << 16) + 1));
    EXPECT_FALSE(readMesh(file, 0).opened);
    store(file, manyGroups.bytes);
    const MeshRead groups = readMesh(file, manyGroups.bytes.size());
    EXPECT_TRUE(groups.opened);
    EXPECT_FALSE(groups.complete);
    EXPECT_EQ(groups.triangles, 2u);

    // Not a file at all.
    trv::ttm::TempMeshFile in;
    EXPECT_FALSE(in.openForReading(dir.path()));
    EXPECT_FALSE(in.openForReading(dir / "absent.ttm"));
    EXPECT_FALSE(in.isOpen());
}

TEST(DamagedFiles, PointCloudFilesAreReadOrRefusedWithTheirOwnExceptions)
{
    TestDirectory dir("damaged");
    const fs::path file = dir / "cloud.pc";
    const std::string valid = validPointCloud(5);
    store(file, valid);
    const trv::PointcloudReader::Contents contents = trv::PointcloudReader::read(file);
    ASSERT_EQ(contents.values.size(), 10u);
    EXPECT_EQ(contents.values[9], 29.0f);

    std::vector<Mutant> mutants = mutantsOf(valid, 1, trv::PointcloudWriter::headerSize, 4, 300, 7u);
    // The writer's own input files are of the other point type; damaged ones too are refused
    // (the fields that matter to that lie in the first 72 bytes).
    const fs::path written = dir / "input.pc";
    ASSERT_EQ(trv::PointcloudWriter::write(written, {{1, 2, 3}, {4, 5, 6}}, {{0, 0, 1}, {0, 1, 0}}), 0);
    for (Mutant& m : mutantsOf(testfiles::readFile(written), 3, 72, 4, 100, 8u)) {
        m.what = "input file " + m.what;
        mutants.push_back(std::move(m));
    }
    // Many attributes announced, each of them one more 40-byte entry the file does not hold.
    std::string manyAttributes = valid.substr(0, trv::pointcloud::fixedHeaderSize);
    putU32At(manyAttributes, trv::pointcloud::fixedHeaderSize - 4, 0xFFFFFFFFu);
    mutants.push_back({"four billion attributes", manyAttributes});

    int read = 0, invalid = 0, failed = 0;
    for (const Mutant& m : mutants) {
        store(file, m.bytes);
        switch (readCloud(file, m.bytes.size(), m.what)) {
        case CloudOutcome::Read:
            ++read;
            if (m.what.rfind("cut", 0) == 0)
                ADD_FAILURE() << "a cut file was read: " << m.what;
            break;
        case CloudOutcome::InvalidHeader:
            ++invalid;
            break;
        case CloudOutcome::StreamFailure:
            ++failed;
            break;
        }
    }
    // All three outcomes occur, so the mutants reach past the header checks.
    EXPECT_GT(read, 0);
    EXPECT_GT(invalid, 0);
    EXPECT_GT(failed, 0);

    EXPECT_EQ(readCloud(dir.path(), 0, "a directory"), CloudOutcome::StreamFailure);
}

TEST(DamagedFiles, ConfigurationDocumentsAreLoadedOrRefusedAndTheirSettingsReadSafely)
{
    TestDirectory dir("damaged");
    const fs::path file = dir / "stage.xml";
    const std::string valid = validConfiguration(file);
    uint32_t count = 0;
    ASSERT_EQ(trv::estimatePhases(file, count), 0);
    // Two targets; prepass levels 0 - (-3) + 1 = 4 from final gather, one more for its depth, no
    // secondary, one for the pass itself and the levels again for adaptive ambient occlusion.
    EXPECT_EQ(count, 2u * (4 + 1 + 0 + 1 + 4));

    std::vector<Mutant> mutants = mutantsOf(valid, 5, 0, 1, 300, 99u);
    // Every number in the document replaced by texts a number reader has to turn down or bound.
    const char* const numbers[] = {"2147483647", "-2147483648", "2147483648", "99999999999999999999", "-0", "+",
                                   "1e39",       "-1e-46",      "nan",        "inf",                  "0x10", " 1",
                                   "1 ",         "",            "&#0;",       "&#x110000;",           "\xff\xfe"};
    for (const char* tag : {"<prepassMaxSampleRate>", "<prepassMinSampleRate>", "<fgDepth>", "<fgAccuracy>", "<x>"}) {
        const std::size_t start = valid.find(tag) + std::strlen(tag);
        const std::size_t end = valid.find('<', start);
        for (const char* number : numbers)
            mutants.push_back({std::string(tag) + number, valid.substr(0, start) + number + valid.substr(end)});
    }
    // Shapes no writer produces: nesting past what the parser takes, endless siblings, no root,
    // bytes that are not text.
    std::string deep;
    for (int i = 0; i < 20000; ++i)
        deep += "<a>";
    mutants.push_back({"deep nesting", "<KXConfig>" + deep});
    std::string wide = "<KXConfig><SurfaceTransferSettings><targets>";
    for (int i = 0; i < 20000; ++i)
        wide += "<t/>";
    mutants.push_back({"many targets", wide + "</targets></SurfaceTransferSettings></KXConfig>"});
    mutants.push_back({"declaration only", "<?xml version=\"1.0\"?>"});
    mutants.push_back({"comment only", "<!-- KXConfig -->"});
    mutants.push_back({"zero bytes", std::string(64, '\0')});
    mutants.push_back({"unended comment", "<KXConfig><!--"});
    mutants.push_back({"unended attribute", "<KXConfig a=\"" + std::string(1000, 'v')});
    mutants.push_back({"character references", "<KXConfig><GISettings><fgDepth>&#xFFFFFFFFF;&#99999999999;&#;"
                                               "</fgDepth></GISettings></KXConfig>"});
    mutants.push_back({"settings as attributes", "<KXConfig GISettings=\"1\"><GISettings enableGI=\"true\"/>"
                                                 "<FrameSettings><renderType/></FrameSettings></KXConfig>"});

    for (const Mutant& m : mutants) {
        store(file, m.bytes);
        readConfiguration(file, m.what);
    }
    // The damaged files cut short are refused with the parser's message.
    store(file, valid.substr(0, valid.size() / 2));
    tinyxml2::XMLDocument document;
    EXPECT_EQ(trv::loadSourceDocument(file, document), 7);
    EXPECT_EQ(trv::lastError().rfind("Failed to parse the source XML file (row ", 0), 0u) << trv::lastError();
    // A directory where the document should be is refused as well.
    readConfiguration(dir.path(), "a directory");
}

TEST(DamagedFiles, CacheScanRegistersOnlyRegularFilesAndClearingRemovesOddEntriesNotWhatTheyPointTo)
{
    TestDirectory dir("damaged");
    const fs::path root = dir / "cache";
    const fs::path meshes = root / "meshes", textures = root / "textures";
    fs::create_directories(meshes);
    fs::create_directories(textures);
    const fs::path outside = dir / "outside";
    fs::create_directories(outside / "tree");
    store(outside / "tree" / "keep", "keep");
    store(outside / "file", "keep");
    const auto hashed = [](const char* name) { return trv::nameHash(std::string(name)); };

    const std::string meshBytes = validMeshFile(dir / "valid.ttm");
    store(meshes / (hashed("empty") + ".ttm"), "");
    store(meshes / (hashed("truncated") + ".ttm"), meshBytes.substr(0, 11));
    store(meshes / (hashed("garbage") + ".ttm"), std::string(100, '\xff'));
    fs::create_directories(meshes / (hashed("directory") + ".ttm") / "inside");
    store(meshes / (hashed("directory") + ".ttm") / "inside" / "x.ttm", meshBytes);
    fs::create_directory_symlink(outside / "tree", meshes / (hashed("linkToTree") + ".ttm"));
    fs::create_symlink(outside / "file", meshes / (hashed("linkToFile") + ".ttm"));
    fs::create_symlink(dir / "nowhere", meshes / (hashed("dangling") + ".ttm"));
    // A pipe would block whoever opened it for reading: the scan must not open it.
    ASSERT_EQ(::mkfifo((meshes / (hashed("pipe") + ".ttm")).c_str(), 0600), 0);
    store(textures / (hashed("emptyImage") + ".png"), "");
    store(textures / (hashed("cutImage") + ".exr"), "v/1\x01");
    fs::create_directories(textures / (hashed("imageDirectory") + ".png") / "x.png");
    ASSERT_EQ(::mkfifo((textures / (hashed("imagePipe") + ".tga")).c_str(), 0600), 0);

    {
        trv::FSTorvoManager manager;
        ASSERT_EQ(manager.initialize(root, 0), 0) << trv::lastError();
        trv::TorvoMeshStub* mesh = nullptr;
        for (const char* name : {"empty", "truncated", "garbage", "linkToFile"})
            EXPECT_EQ(manager.findMesh(name, mesh), 0) << name;
        for (const char* name : {"directory", "linkToTree", "dangling", "pipe"})
            EXPECT_EQ(manager.findMesh(name, mesh), 8) << name;
        trv::TorvoTextureStub* texture = nullptr;
        for (const char* name : {"emptyImage", "cutImage"})
            EXPECT_EQ(manager.findTexture(name, texture), 0) << name;
        EXPECT_EQ(static_cast<trv::FSTorvoTexture*>(texture)->imagePath(), textures / (hashed("cutImage") + ".exr"));
        for (const char* name : {"imageDirectory", "imagePipe"})
            EXPECT_EQ(manager.findTexture(name, texture), 8) << name;

        // Erasing a cached file that is a link removes the link only.
        EXPECT_EQ(manager.eraseCachedMesh("linkToFile"), 0);
        EXPECT_FALSE(fs::exists(fs::symlink_status(meshes / (hashed("linkToFile") + ".ttm"))));
        EXPECT_EQ(testfiles::readFile(outside / "file"), "keep");
        EXPECT_EQ(manager.eraseCachedMesh("empty"), 0);
        EXPECT_EQ(manager.eraseCachedTexture("emptyImage"), 0);

        // Clearing takes every entry, directories, links and pipes alike, but nothing a link
        // points to.
        EXPECT_EQ(manager.clearCache(), 0) << trv::lastError();
        EXPECT_TRUE(fs::is_empty(meshes));
        EXPECT_TRUE(fs::is_empty(textures));
        EXPECT_EQ(manager.findMesh("truncated", mesh), 8);
        EXPECT_EQ(manager.findTexture("cutImage", texture), 8);
    }
    EXPECT_EQ(testfiles::readFile(outside / "tree" / "keep"), "keep");
    EXPECT_EQ(testfiles::readFile(outside / "file"), "keep");
    trv::FSTorvoManager again;
    EXPECT_EQ(again.initialize(root, 0), 0);
}
