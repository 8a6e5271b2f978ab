// A mesh file read into memory and checked: every index in range, every position finite.
#pragma once

#include "MathTypes.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

namespace torvo_renderer {

struct MeshUV {
    float u = 0, v = 0;
};

struct MeshGroup {
    std::string name;
    uint32_t firstTriangle = 0;
    uint32_t triangleCount = 0;
};

struct MeshData {
    std::string name;  // cache name from the file's header
    std::filesystem::path path;
    std::vector<Vec3> positions;
    std::vector<Vec3> normals;
    std::vector<std::string> uvLayerNames;
    std::vector<std::vector<MeshUV>> uvLayers;  // one array per layer, one entry per vertex
    std::vector<std::array<float, 4>> colors;   // r, g, b, a per vertex; empty when the mesh has none
    std::vector<MeshGroup> groups;
    std::vector<uint32_t> indices;  // three per triangle, groups one after the other

    size_t triangleCount() const { return indices.size() / 3; }
    // The group holding triangle t.
    size_t groupOf(size_t triangle) const;
    // Layer index by name, -1 when the mesh has no such layer.
    int uvLayer(const std::string& name) const;
};

// Reads and checks a mesh file; throws RenderError when it is missing, truncated or broken.
MeshData readMeshFile(const std::filesystem::path& path);

}  // namespace torvo_renderer
