// The input of a mesh while it is being built.
#pragma once

#include "geometry/BuildAllocator.h"
#include "torvo.h"

#include <cstdint>
#include <string>

namespace trv {

enum MeshInputState : int32_t {
    Initial = 0,          // only vertex data given (or nothing); vertices may be added
    Ready = 1,            // between sections; any section may begin; the mesh may end
    InMaterialGroup = 2,  // triangles may be added
    InUVLayer = 3,        // uvs may be added
    InColorLayer = 4,     // colors may be added
    InTangents = 5,       // tangents may be added
};

struct MeshInputGroup {
    BuildArray<int32_t> indices;  // three per triangle
    std::string name;
};

template <class Element>
struct MeshInputLayer {
    BuildArray<Element> data;
    std::string name;
};

struct MeshBuildData {
    BuildArray<TRVVec3> positions;
    BuildArray<TRVVec3> normals;  // always as long as positions
    BuildArray<MeshInputGroup> materialGroups;
    BuildArray<MeshInputLayer<TRVVec2>> uvLayers;
    BuildArray<MeshInputLayer<TRVLinearRGBA>> colorLayers;  // at most one
    BuildArray<TRVVec3> tangents;
    BuildArray<TRVVec3> bitangents;  // always as long as tangents
    int32_t state = Initial;
    bool tangentsBegun = false;  // a tangent section was begun (there is at most one)
};

}  // namespace trv
