// An instance of a vertex target: its results are one set of values per mesh vertex.
#pragma once

#include "bake/FSTorvoTargetEntity.h"

namespace trv {

class FSTorvoVertexTargetEntity : public FSTorvoTargetEntity {
public:
    explicit FSTorvoVertexTargetEntity(const FSTorvoInstance& source);
};

}  // namespace trv
