#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoPointCloudStub {
public:
    virtual ~TorvoPointCloudStub() = default;
    [[nodiscard]] virtual TRVStatus addPointCloudData(const TRVVec3* positions, const TRVVec3* normals,
                                                      int32_t count) = 0;
    [[nodiscard]] virtual TRVStatus endPointCloud() = 0;
};

}  // namespace trv
