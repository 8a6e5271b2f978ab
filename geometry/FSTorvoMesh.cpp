#include "geometry/FSTorvoMesh.h"

#include "api/Status.h"

namespace trv {

struct MeshBuildData {};

FSTorvoMesh::FSTorvoMesh(FSTorvoManager* manager, std::string name, bool finalized)
    : name_(std::move(name)), manager_(manager), buildData_(finalized ? nullptr : std::make_unique<MeshBuildData>())
{
}

FSTorvoMesh::~FSTorvoMesh() = default;

TRVStatus FSTorvoMesh::addVertexData(const TRVVec3*, const TRVVec3*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::endMesh() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::beginMaterialGroup(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::endMaterialGroup() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::addTriangleData(const int32_t*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::beginUVLayer(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::endUVLayer() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::addUVData(const TRVVec2*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::beginColorLayer(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::endColorLayer() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::addColorData(const TRVLinearRGBA*, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::beginTangents() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::endTangents() { return Status::NotImplemented; }
TRVStatus FSTorvoMesh::addTangentData(const TRVVec3*, const TRVVec3*, int32_t) { return Status::NotImplemented; }

}  // namespace trv
