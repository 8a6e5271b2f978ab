#include "bake/FSTorvoTextureTargetEntity.h"

#include "core/Checks.h"
#include "core/Status.h"
#include "bake/FSTorvoTextureTarget.h"

namespace trv {

FSTorvoTextureTargetEntity::FSTorvoTextureTargetEntity(FSTorvoTextureTarget& target, const FSTorvoInstance& source)
    : FSTorvoTargetEntity(&source), target_(&target)
{
}

bool FSTorvoTextureTargetEntity::hasIdentityUVTransform() const
{
    return uvBias_.x == 0.0f && uvBias_.y == 0.0f && uvScale_.x == 1.0f && uvScale_.y == 1.0f;
}

TRVStatus FSTorvoTextureTargetEntity::setUVTransform(const float* offset, const float* scale)
{
    if (!checkNotNull("offset", offset) || !checkNotNull("scale", scale))
        return Status::InvalidParameter;
    uvBias_ = {offset[0], offset[1]};
    uvScale_ = {scale[0], scale[1]};
    return Status::Success;
}

TRVStatus FSTorvoTextureTargetEntity::setBakeUVSet(const std::string& uvSetName)
{
    bakeUVSet_ = uvSetName;
    return Status::Success;
}

TRVStatus FSTorvoTextureTargetEntity::getAtlasInformation(int32_t* atlasIndex, float* offset, float* scale)
{
    // A plain texture is an atlas of one: the entity's own UV transform places it there.
    if (!checkNotNull("atlasIndex", atlasIndex) || !checkNotNull("offset", offset) || !checkNotNull("scale", scale))
        return Status::InvalidParameter;
    *atlasIndex = 0;
    offset[0] = uvBias_.x;
    offset[1] = uvBias_.y;
    scale[0] = uvScale_.x;
    scale[1] = uvScale_.y;
    return Status::Success;
}

TRVStatus FSTorvoTextureTargetEntity::getNormalizationData(TorvoRenderPassStub& pass, int32_t channel, float* min,
                                                           float* max)
{
    return target_->getNormalizationData(*this, pass, channel, min, max);
}

}  // namespace trv
