#include "RendererChecks.h"

#include "geometry/TempMeshFile.h"

#include <tinyxml2.h>

#include <cstdio>

namespace torvo_renderer {

namespace {

bool loadDocument(const std::filesystem::path& path, const char* what, const char* rootName,
                  tinyxml2::XMLDocument& document, std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = std::string(what) + " not found: " + path.string();
        return false;
    }
    if (document.LoadFile(path.c_str()) != tinyxml2::XML_SUCCESS) {
        error = std::string(what) + " does not parse: " + path.string() + " (line " +
                std::to_string(document.ErrorLineNum()) + ": " + document.ErrorName() + ")";
        return false;
    }
    const tinyxml2::XMLElement* root = document.RootElement();
    if (!root || std::string(root->Name()) != rootName) {
        error = std::string(what) + " has no " + rootName + " root: " + path.string();
        return false;
    }
    return true;
}

}  // namespace

std::filesystem::path systemPath(std::string text)
{
    for (char& c : text)
        if (c == '\\')
            c = '/';
    return std::filesystem::path(text);
}

bool checkSceneDocument(const std::filesystem::path& path, std::string& error)
{
    tinyxml2::XMLDocument document;
    return loadDocument(path, "Scene file", "KXScene", document, error);
}

bool readFileList(const std::filesystem::path& path, std::vector<std::filesystem::path>& meshes, std::string& error)
{
    tinyxml2::XMLDocument document;
    if (!loadDocument(path, "File list", "inputspecification", document, error))
        return false;
    const tinyxml2::XMLElement* list = document.RootElement()->FirstChildElement("filelist");
    if (!list) {
        error = "File list has no filelist element: " + path.string();
        return false;
    }
    for (const auto* file = list->FirstChildElement("file"); file; file = file->NextSiblingElement("file")) {
        const char* text = file->GetText();
        if (!text || !*text) {
            error = "File list holds an empty file entry: " + path.string();
            return false;
        }
        meshes.push_back(systemPath(text));
    }
    return true;
}

bool checkMeshFile(const std::filesystem::path& path, std::string& error)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec)) {
        error = "Mesh file not found: " + path.string();
        return false;
    }
    trv::ttm::TempMeshFile file;
    if (!file.openForReading(std::fopen(path.c_str(), "rb"))) {
        error = "Mesh file does not parse: " + path.string();
        return false;
    }
    trv::ttm::TorvoTempMeshV2& mesh = *file.mesh();
    bool good = true;
    trv::ttm::TempMeshVertex vertex{};
    float u = 0, v = 0;
    for (int32_t i = 0; good && i < mesh.vertexCount; ++i) {
        good = mesh.readVertex(vertex);
        for (size_t layer = 0; good && layer < mesh.uvLayerNames.size(); ++layer)
            good = mesh.readUV(u, v);
    }
    for (const auto& group : mesh.materialGroups) {
        for (int32_t t = 0; good && t < group.triangleCount; ++t) {
            int32_t indices[3];
            good = mesh.readTriangle(indices);
            for (int32_t index : indices)
                good = good && index >= 0 && index < mesh.vertexCount;
        }
    }
    file.close();
    if (!good) {
        error = "Mesh file is truncated or holds bad triangles: " + path.string();
        return false;
    }
    return true;
}

bool checkConfigurationDocument(const std::filesystem::path& path, std::string& error)
{
    tinyxml2::XMLDocument document;
    return loadDocument(path, "Configuration file", "KXConfig", document, error);
}

}  // namespace torvo_renderer
