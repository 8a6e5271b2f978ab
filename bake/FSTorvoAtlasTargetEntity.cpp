#include "bake/FSTorvoAtlasTargetEntity.h"

#include "bake/FSTorvoAtlasTarget.h"
#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"

namespace trv {

namespace {

constexpr int32_t smallestResolution = 0;  // sizes must lie above it
constexpr float smallestTexelScale = 0.0f;

}  // namespace

FSTorvoAtlasTargetEntity::FSTorvoAtlasTargetEntity(FSTorvoAtlasTarget& target, const FSTorvoInstance& source)
    : FSTorvoTargetEntity(&source), target_(&target)
{
}

void FSTorvoAtlasTargetEntity::place(int32_t atlasIndex, const TRVVec2& offset, const TRVVec2& scale)
{
    atlasIndex_ = atlasIndex;
    offset_ = offset;
    scale_ = scale;
}

TRVStatus FSTorvoAtlasTargetEntity::setBakeUVSet(const std::string& uvSetName)
{
    bakeUVSet_ = uvSetName;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTargetEntity::setBakeResolution(int32_t width, int32_t height)
{
    if (!checkAbove("width", width, smallestResolution) || !checkAbove("height", height, smallestResolution))
        return Status::InvalidParameter;
    if (width > target_->maxWidth() || height > target_->maxHeight()) {
        errorStream() << "Target entity resolution higher than max atlas resolution" << std::endl;
        return Status::InvalidParameter;
    }
    width_ = width;
    height_ = height;
    useTexelScale_ = false;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTargetEntity::setTexelScale(float scale)
{
    if (!checkAbove("scale", scale, smallestTexelScale))
        return Status::InvalidParameter;
    texelScale_ = scale;
    useTexelScale_ = true;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTargetEntity::getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale)
{
    if (!target_->finished()) {
        errorStream() << "Atlas information not available until the target has been baked" << std::endl;
        return Status::InvalidObjectState;
    }
    if (atlasIndex_ < 0) {
        errorStream() << "The target entity hasn't been atlased" << std::endl;
        return Status::InvalidObjectState;
    }
    *atlasIndex = atlasIndex_;
    offset[0] = offset_.x;
    offset[1] = offset_.y;
    scale[0] = scale_.x;
    scale[1] = scale_.y;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTargetEntity::getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min,
                                                         float* max)
{
    return target_->getNormalizationData(*this, pass, channel, min, max);
}

}  // namespace trv
