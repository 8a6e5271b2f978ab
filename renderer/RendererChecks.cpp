#include "RendererChecks.h"

#include "MeshData.h"
#include "RenderError.h"
#include "RenderRun.h"
#include "SceneDocument.h"
#include "StageSettings.h"

#include <new>

namespace torvo_renderer {

namespace {

template <class Read>
bool check(std::string& error, Read read)
{
    try {
        read();
        return true;
    } catch (const RenderError& e) {
        error = e.what();
    } catch (const std::bad_alloc&) {
        error = "Out of memory";
    }
    return false;
}

}  // namespace

bool checkSceneDocument(const std::filesystem::path& path, std::string& error)
{
    return check(error, [&] { readSceneDocument(path); });
}

bool readFileList(const std::filesystem::path& path, std::vector<std::filesystem::path>& meshes, std::string& error)
{
    return check(error, [&] { meshes = readFileList(path); });
}

bool checkMeshFile(const std::filesystem::path& path, std::string& error)
{
    return check(error, [&] { readMeshFile(path); });
}

bool checkConfigurationDocument(const std::filesystem::path& path, std::string& error)
{
    return check(error, [&] { readStageDocument(path); });
}

}  // namespace torvo_renderer
