// Caller text in one encoding through the exported functions: names of meshes and their groups and
// layers, textures, scenes and their objects, jobs, targets and passes, and each resulting error
// line handed back as a string object of that encoding. The encoding is chosen once per process,
// so there is one target per encoding (TORVO_FUZZ_ENCODING).
#include "FuzzSupport.h"
#include "torvo.h"

#include <cstring>
#include <vector>

#ifndef TORVO_FUZZ_ENCODING
#error "TORVO_FUZZ_ENCODING names the encoding of the target"
#endif

namespace {

constexpr TRVStringEncoding encoding = TORVO_FUZZ_ENCODING;
// Bytes per unit of text, passed in and handed out alike.
constexpr std::size_t unitSize = encoding == TRV_ENCODING_UTF16 ? 2 : encoding == TRV_ENCODING_UTF32 ? 4 : 1;
constexpr TRVStatus lastStatus = TRV_ATLASING_FAILURE;
constexpr int32_t targetSize = 8;

const TRVMatrix4x4 identity = {{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
const TRVLinearRGB white = {1, 1, 1};

struct Fixture {
    TorvoManager manager = nullptr;
    TorvoMesh mesh = nullptr;
    TorvoScene endedScene = nullptr;
};
Fixture fixture;

TRVStatus checked(TRVStatus status)
{
    TRV_FUZZ_REQUIRE(status >= TRV_SUCCESS && status <= lastStatus);
    return status;
}

// The thread's last error line as a host reads it: length, a copy into a buffer of that length
// (ending in a zero unit), and the refusal of a buffer one unit short.
void readLastError()
{
    TorvoString text = nullptr;
    TRV_FUZZ_REQUIRE(TRVGetExtendErrorInformation(&text) == TRV_SUCCESS && text);
    int32_t length = 0;
    TRV_FUZZ_REQUIRE(TRVGetLength(text, &length) == TRV_SUCCESS && length >= 1);
    std::vector<unsigned char> buffer(std::size_t(length) * unitSize + unitSize, 0xAB);
    TRV_FUZZ_REQUIRE(TRVCopy(text, buffer.data(), length) == TRV_SUCCESS);
    const unsigned char* terminator = buffer.data() + std::size_t(length - 1) * unitSize;
    for (std::size_t i = 0; i < unitSize; ++i)
        TRV_FUZZ_REQUIRE(terminator[i] == 0);
    // Nothing beyond the capacity.
    for (std::size_t i = 0; i < unitSize; ++i)
        TRV_FUZZ_REQUIRE(buffer[std::size_t(length) * unitSize + i] == 0xAB);
    TRV_FUZZ_REQUIRE(TRVCopy(text, buffer.data(), length - 1) == TRV_INVALID_PARAMETER);
    TRV_FUZZ_REQUIRE(TRVReleaseString(text) == TRV_SUCCESS);
}

// The fixed objects are made in the default encoding, before the target's encoding is chosen, so
// that the run of an encoding that refuses every caller text has them too.
void makeFixture()
{
    const auto cache = trvfuzz::scratchDirectory() / "cache";
    TRV_FUZZ_REQUIRE(TRVCreateManager(cache.c_str(), TRV_CACHE_SHARED, &fixture.manager) == TRV_SUCCESS);
    const TRVVec3 positions[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const TRVVec3 normals[3] = {{0, 0, 1}, {0, 0, 1}, {0, 0, 1}};
    const int32_t triangle[3] = {0, 1, 2};
    TRV_FUZZ_REQUIRE(TRVBeginMesh(fixture.manager, "fixture mesh", &fixture.mesh) == TRV_SUCCESS);
    (void)TRVAddVertexData(fixture.mesh, positions, normals, 3);
    (void)TRVBeginMaterialGroup(fixture.mesh, "group");
    (void)TRVAddTriangleData(fixture.mesh, triangle, 3);
    (void)TRVEndMaterialGroup(fixture.mesh);
    TRV_FUZZ_REQUIRE(TRVEndMesh(fixture.mesh) == TRV_SUCCESS);
    TRV_FUZZ_REQUIRE(TRVBeginScene(fixture.manager, "fixture scene", &fixture.endedScene) == TRV_SUCCESS);
    TRVInstanceHandle instance = nullptr;
    (void)TRVCreateInstance(fixture.endedScene, fixture.mesh, "fixture instance", &identity, &instance);
    TRV_FUZZ_REQUIRE(TRVEndScene(fixture.endedScene) == TRV_SUCCESS);
}

// The input as zero-terminated caller text: its whole units, then a zero unit.
std::vector<unsigned char> callerText(const uint8_t* data, std::size_t size)
{
    const std::size_t bytes = size / unitSize * unitSize;
    std::vector<unsigned char> text(bytes + unitSize, 0);
    if (bytes)
        std::memcpy(text.data(), data, bytes);
    return text;
}

void meshNames(const void* name)
{
    TorvoMesh mesh = nullptr;
    if (checked(TRVBeginMesh(fixture.manager, name, &mesh)) == TRV_SUCCESS) {
        (void)checked(TRVBeginMaterialGroup(mesh, name));
        (void)checked(TRVEndMaterialGroup(mesh));
        (void)checked(TRVBeginUVLayer(mesh, name));
        (void)checked(TRVEndUVLayer(mesh));
        (void)checked(TRVBeginColorLayer(mesh, name));
        (void)checked(TRVEndColorLayer(mesh));
        // A second mesh of the name is refused with a line naming it.
        TorvoMesh second = nullptr;
        TRV_FUZZ_REQUIRE(TRVBeginMesh(fixture.manager, name, &second) == TRV_DUPLICATE_NAME && !second);
        readLastError();
        TRV_FUZZ_REQUIRE(checked(TRVFindMesh(fixture.manager, name, &second)) == TRV_SUCCESS && second == mesh);
        TRV_FUZZ_REQUIRE(checked(TRVEraseCachedMesh(fixture.manager, name)) == TRV_SUCCESS);
    }
    readLastError();
    TorvoTexture texture = nullptr;
    if (checked(TRVBeginTexture(fixture.manager, name, 1, 1, TRV_TEXTURE_LDR_Y, &texture)) == TRV_SUCCESS)
        TRV_FUZZ_REQUIRE(checked(TRVEraseCachedTexture(fixture.manager, name)) == TRV_SUCCESS);
    (void)checked(TRVFindTexture(fixture.manager, name, &texture));
    readLastError();
}

void sceneNames(const void* name)
{
    TorvoScene scene = nullptr;
    if (checked(TRVBeginScene(fixture.manager, name, &scene)) != TRV_SUCCESS) {
        readLastError();
        return;
    }
    TorvoMaterial material = nullptr;
    if (checked(TRVCreateMaterial(scene, name, &material)) == TRV_SUCCESS)
        (void)checked(TRVSetChannelUVLayer(material, TRV_CHANNEL_DIFFUSE, name));
    (void)checked(TRVFindMaterial(scene, name, &material));
    readLastError();
    TorvoInstance instance = nullptr;
    (void)checked(TRVCreateInstance(scene, fixture.mesh, name, &identity, &instance));
    TorvoLightSource light = nullptr;
    (void)checked(TRVCreatePointLight(scene, name, &identity, &white, &light));
    TorvoCamera camera = nullptr;
    (void)checked(TRVCreatePerspectiveCamera(scene, name, &identity, &camera));
    TorvoPointCloud cloud = nullptr;
    (void)checked(TRVCreatePointCloud(scene, name, &cloud));
    readLastError();
    (void)checked(TRVEndScene(scene));
    readLastError();
    TRV_FUZZ_REQUIRE(checked(TRVReleaseScene(scene)) == TRV_SUCCESS);
}

void jobNames(const void* name)
{
    TorvoJob job = nullptr;
    if (checked(TRVCreateJob(fixture.manager, name, fixture.endedScene, nullptr, &job)) != TRV_SUCCESS) {
        readLastError();
        return;
    }
    TorvoTarget target = nullptr;
    (void)checked(TRVCreateTextureTarget(job, name, targetSize, targetSize, &target));
    (void)checked(TRVCreateTextureTarget(job, name, targetSize, targetSize, &target));
    readLastError();
    TorvoRenderPass pass = nullptr;
    (void)checked(TRVCreateFullShadingPass(job, name, &pass));
    (void)checked(TRVCreateFullShadingPass(job, name, &pass));
    readLastError();
    TRV_FUZZ_REQUIRE(checked(TRVDestroyJob(job)) == TRV_SUCCESS);
}

// Scene documents and job directories named after the inputs would pile up.
void clearCacheDirectories()
{
    std::error_code ec;
    for (const char* name : {"scenes", "jobs"}) {
        const auto directory = trvfuzz::scratchDirectory() / "cache" / name;
        for (auto it = std::filesystem::directory_iterator(directory, ec);
             !ec && it != std::filesystem::directory_iterator(); it.increment(ec))
            if (it->path().filename() != "fixture scene.xml" && it->path().filename() != "fixture scene_files.xml")
                std::filesystem::remove_all(it->path(), ec);
    }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    makeFixture();
    TRV_FUZZ_REQUIRE(TRVSetStringEncoding(encoding) == TRV_SUCCESS);
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        // Names as hosts give them, in the encoding's units (UTF-32 in its own units too, which
        // the library refuses as caller text).
        const std::u32string names[] = {U"room lightmap", U"W\u00fcrfel", U"\u5149\u6e90", U"lamp \U0001F4A1",
                                        U"a/b\\c:d", U""};
        int index = 0;
        for (const std::u32string& name : names) {
            std::string bytes;
            for (char32_t c : name) {
                if (encoding == TRV_ENCODING_UTF16) {
                    const auto unit = [&bytes](uint32_t u) {
                        bytes += char(u & 0xFF);
                        bytes += char(u >> 8);
                    };
                    if (c >= 0x10000) {
                        unit(0xD800 + ((c - 0x10000) >> 10));
                        unit(0xDC00 + ((c - 0x10000) & 0x3FF));
                    } else {
                        unit(c);
                    }
                } else if (encoding == TRV_ENCODING_UTF32) {
                    for (int shift = 0; shift < 32; shift += 8)
                        bytes += char((c >> shift) & 0xFF);
                } else if (c < 0x80) {
                    bytes += char(c);
                } else if (c < 0x800) {
                    bytes += char(0xC0 | (c >> 6));
                    bytes += char(0x80 | (c & 0x3F));
                } else if (c < 0x10000) {
                    bytes += char(0xE0 | (c >> 12));
                    bytes += char(0x80 | ((c >> 6) & 0x3F));
                    bytes += char(0x80 | (c & 0x3F));
                } else {
                    bytes += char(0xF0 | (c >> 18));
                    bytes += char(0x80 | ((c >> 12) & 0x3F));
                    bytes += char(0x80 | ((c >> 6) & 0x3F));
                    bytes += char(0x80 | (c & 0x3F));
                }
            }
            seeds.add("name" + std::to_string(index++), bytes);
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<unsigned char> text = callerText(data, size);
    meshNames(text.data());
    sceneNames(text.data());
    jobNames(text.data());
    clearCacheDirectories();
    return 0;
}
