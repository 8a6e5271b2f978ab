#include "bake/FSTorvoTargetEntity.h"

#include "core/Log.h"
#include "core/Status.h"
#include "platform/Guid.h"

namespace trv {

namespace {

TRVStatus refuse(const char* message)
{
    errorStream() << message << std::endl;
    return Status::InvalidHandle;
}

}  // namespace

FSTorvoTargetEntity::FSTorvoTargetEntity(const FSTorvoInstance* source) : source_(source), name_(platform::newGuid())
{
}

FSTorvoTargetEntity::~FSTorvoTargetEntity() = default;

TRVStatus FSTorvoTargetEntity::setUVTransform(const float*, const float*)
{
    return refuse("Tried to set UV transform on a target entity not supporting it.");
}

TRVStatus FSTorvoTargetEntity::setBakeUVSet(const std::string&)
{
    return refuse("Tried to set bake uv set on a target entity not supporting it.");
}

TRVStatus FSTorvoTargetEntity::setBakeResolution(int32_t, int32_t)
{
    return refuse("Tried to set bake resolution on a target entity not supporting it.");
}

TRVStatus FSTorvoTargetEntity::setTexelScale(float)
{
    return refuse("Tried to set texel scale on a target entity not supporting it.");
}

TRVStatus FSTorvoTargetEntity::getAtlasInformation(int32_t*, float*, float*)
{
    return refuse("Tried to get atlas information from target type not supporting it");
}

TRVStatus FSTorvoTargetEntity::getNormalizationData(TorvoRenderPassStub&, int32_t, float*, float*)
{
    return refuse("Tried to get normalization data from target type not supporting it");
}

}  // namespace trv
