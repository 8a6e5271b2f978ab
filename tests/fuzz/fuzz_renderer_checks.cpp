// The renderer's checks of its input files. The first byte of an input chooses the check, the
// rest is the file: the scene document, the file list, a mesh file or the stage document.
#include "FuzzSupport.h"
#include "LibraryFiles.h"
#include "renderer/RendererChecks.h"

namespace {

enum Check : uint8_t { SceneDocument, FileList, MeshFile, ConfigurationDocument, CheckCount };

void addSeeds(trvfuzz::SeedWriter& seeds, Check check, const std::vector<std::filesystem::path>& files)
{
    int index = 0;
    for (const auto& path : files)
        seeds.add(std::to_string(check) + "-" + std::to_string(index++),
                  std::string(1, char(check)) + trvfuzz::readFile(path));
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        const auto files = trvfuzz::makeLibraryFiles(trvfuzz::scratchDirectory() / "seeds");
        addSeeds(seeds, SceneDocument, files.sceneDocuments);
        addSeeds(seeds, FileList, files.fileLists);
        addSeeds(seeds, MeshFile, files.meshFiles);
        addSeeds(seeds, ConfigurationDocument, files.stageDocuments);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const auto file = trvfuzz::scratchDirectory() / "input";
    trvfuzz::writeFile(file, data + 1, size - 1);
    std::string error;
    bool passed = false;
    switch (data[0] % CheckCount) {
    case SceneDocument:
        passed = torvo_renderer::checkSceneDocument(file, error);
        break;
    case FileList: {
        // Only the list is read: the files it names are the mesh check's business.
        std::vector<std::filesystem::path> meshes;
        passed = torvo_renderer::readFileList(file, meshes, error);
        break;
    }
    case MeshFile:
        passed = torvo_renderer::checkMeshFile(file, error);
        break;
    default:
        passed = torvo_renderer::checkConfigurationDocument(file, error);
        break;
    }
    // Every refusal says why.
    TRV_FUZZ_REQUIRE(passed || !error.empty());
    return 0;
}
