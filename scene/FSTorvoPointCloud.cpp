#include "scene/FSTorvoPointCloud.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/NameHash.h"
#include "results/PointcloudWriter.h"
#include "scene/FSTorvoScene.h"

#include <new>

namespace trv {

FSTorvoPointCloud::FSTorvoPointCloud(std::string name, FSTorvoScene* scene)
    : name_(std::move(name)), hashedName_(nameHash(name_ + scene->name())), scene_(scene)
{
    infoStream() << "Point cloud named " << name_ << " was hashed to " << hashedName_ << std::endl;
}

FSTorvoPointCloud::~FSTorvoPointCloud() = default;

std::filesystem::path FSTorvoPointCloud::filePath() const
{
    return scene_->sceneDirectory() / toWide(hashedName_ + ".pc");
}

TRVStatus FSTorvoPointCloud::addPointCloudData(const TRVVec3* positions, const TRVVec3* normals, int32_t count)
{
    if (count < 0) {
        errorStream() << "Parameter count must be above or equal to 0, was " << count << "." << std::endl;
        return Status::InvalidParameter;
    }
    if (count == 0)
        return Status::Success;
    if (positions == nullptr || normals == nullptr) {
        errorStream() << "Parameter " << (positions == nullptr ? "positions" : "normals") << " must not be NULL."
                      << std::endl;
        return Status::InvalidParameter;
    }
    try {
        if (positions_.empty()) {
            positions_.reserve(static_cast<size_t>(count));
            normals_.reserve(static_cast<size_t>(count));
        }
        positions_.insert(positions_.end(), positions, positions + count);
        normals_.insert(normals_.end(), normals, normals + count);
    } catch (const std::bad_alloc&) {
        positions_.resize(normals_.size());
        errorStream() << "Failed to allocate vertex or normal data." << std::endl;
        return Status::MemoryAllocation;
    }
    return Status::Success;
}

TRVStatus FSTorvoPointCloud::endPointCloud()
{
    const TRVStatus status = PointcloudWriter::write(filePath(), positions_, normals_);
    positions_.clear();
    positions_.shrink_to_fit();
    normals_.clear();
    normals_.shrink_to_fit();
    return status;
}

}  // namespace trv
