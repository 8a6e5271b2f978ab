// Meshes built in memory for the tests that run parts of the renderer in process.
#pragma once

#include "MeshData.h"

#include <string>

namespace rtest {

// An empty mesh named as the mesh file name would name it.
inline torvo_renderer::MeshData namedMesh(const std::string& name)
{
    torvo_renderer::MeshData mesh;
    mesh.name = name;
    mesh.path = name + ".ttm";
    return mesh;
}

}  // namespace rtest
