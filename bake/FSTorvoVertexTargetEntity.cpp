#include "bake/FSTorvoVertexTargetEntity.h"

namespace trv {

FSTorvoVertexTargetEntity::FSTorvoVertexTargetEntity(const FSTorvoInstance& source) : FSTorvoTargetEntity(&source) {}

}  // namespace trv
