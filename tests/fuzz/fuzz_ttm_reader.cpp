// The ".ttm" mesh file reader: the header, then every record the renderer reads (vertices with
// their uvs, the triangles of each material group).
#include "FuzzSupport.h"
#include "LibraryFiles.h"
#include "geometry/TempMeshFile.h"

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        const auto files = trvfuzz::makeLibraryFiles(trvfuzz::scratchDirectory() / "seeds");
        int index = 0;
        for (const auto& path : files.meshFiles)
            seeds.add("mesh" + std::to_string(index++) + ".ttm", trvfuzz::readFile(path));
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A stream over the input itself; an empty input is an empty file.
    std::FILE* stream = size ? fmemopen(const_cast<uint8_t*>(data), size, "rb") : std::tmpfile();
    if (!stream)
        return 0;
    trv::ttm::TempMeshFile file;
    if (!file.openForReading(stream))
        return 0;
    trv::ttm::TorvoTempMeshV2& mesh = *file.mesh();
    TRV_FUZZ_REQUIRE(mesh.vertexCount >= 0);
    // The header cannot promise more names than the file has bytes.
    TRV_FUZZ_REQUIRE(mesh.uvLayerNames.size() + mesh.materialGroups.size() <= size);
    bool good = true;
    trv::ttm::TempMeshVertex vertex{};
    float u = 0, v = 0;
    for (int32_t i = 0; good && i < mesh.vertexCount; ++i) {
        good = mesh.readVertex(vertex);
        for (std::size_t layer = 0; good && layer < mesh.uvLayerNames.size(); ++layer)
            good = mesh.readUV(u, v);
    }
    for (const auto& group : mesh.materialGroups) {
        TRV_FUZZ_REQUIRE(group.triangleCount >= 0);
        for (int32_t t = 0; good && t < group.triangleCount; ++t) {
            int32_t indices[3];
            good = mesh.readTriangle(indices);
        }
    }
    TRV_FUZZ_REQUIRE(file.close());
    return 0;
}
