#include "bake/FSTorvoPointCloudTargetEntity.h"

namespace trv {

FSTorvoPointCloudTargetEntity::FSTorvoPointCloudTargetEntity(const FSTorvoPointCloud& pointCloud)
    : FSTorvoTargetEntity(nullptr), pointCloud_(&pointCloud)
{
}

}  // namespace trv
