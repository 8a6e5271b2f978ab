// A point cloud of a point cloud target: its results are one set of values per point.
#pragma once

#include "bake/FSTorvoTargetEntity.h"

namespace trv {

class FSTorvoPointCloud;

class FSTorvoPointCloudTargetEntity : public FSTorvoTargetEntity {
public:
    explicit FSTorvoPointCloudTargetEntity(const FSTorvoPointCloud& pointCloud);

    const FSTorvoPointCloud& pointCloud() const { return *pointCloud_; }

private:
    const FSTorvoPointCloud* pointCloud_;
};

}  // namespace trv
