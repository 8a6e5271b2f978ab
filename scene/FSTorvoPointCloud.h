// Points with normals that a point cloud bake computes results for; ended into a ".pc" file in
// the scene directory, named by the hash of the point cloud's and the scene's names.
#pragma once

#include "scene/TorvoPointCloudStub.h"

#include <filesystem>
#include <string>
#include <vector>

namespace trv {

class FSTorvoScene;

class FSTorvoPointCloud : public TorvoPointCloudStub {
public:
    FSTorvoPointCloud(std::string name, FSTorvoScene* scene);
    ~FSTorvoPointCloud() override;

    const std::string& name() const { return name_; }
    const std::string& hashedName() const { return hashedName_; }
    FSTorvoScene* scene() const { return scene_; }
    const std::vector<TRVVec3>& positions() const { return positions_; }
    const std::vector<TRVVec3>& normals() const { return normals_; }
    // Where endPointCloud writes the points.
    std::filesystem::path filePath() const;

    [[nodiscard]] TRVStatus addPointCloudData(const TRVVec3* positions, const TRVVec3* normals, int32_t count) override;
    [[nodiscard]] TRVStatus endPointCloud() override;

private:
    std::string name_;
    std::string hashedName_;
    std::vector<TRVVec3> positions_;
    std::vector<TRVVec3> normals_;
    FSTorvoScene* scene_;
};

}  // namespace trv
