#include "results/FSTorvoFramebuffer.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "core/TorvoString.h"
#include "results/ChannelLookupException.h"

#include <algorithm>
#include <vector>

namespace trv {

void FSTorvoFramebuffer::nameChannels(int32_t count, const ChannelNameFunction& names)
{
    std::vector<std::string> list;
    list.reserve(static_cast<size_t>(std::max(count, 0)));
    for (int32_t i = 0; i < count; ++i)
        list.push_back(names(i));
    channels_ = std::make_shared<const ChannelMapper>(std::move(list));
}

TRVStatus FSTorvoFramebuffer::getChannelName(int32_t index, TorvoString* name)
{
    const std::string* found = nullptr;
    try {
        found = &channels_->name(index);
    } catch (const ChannelLookupException& e) {
        errorStream() << e.what() << std::endl;
        return Status::InvalidParameter;
    }
    if (!checkNotNull("name", name))
        return Status::InvalidParameter;
    *name = handleOf<TorvoString>(makeString(*found).release());
    return Status::Success;
}

TRVStatus FSTorvoFramebuffer::destroy()
{
    const auto found = std::find_if(owner_.begin(), owner_.end(),
                                    [this](const std::shared_ptr<FSTorvoFramebuffer>& f) { return f.get() == this; });
    if (found == owner_.end()) {
        errorStream() << "Framebuffer not when removing it" << std::endl;
        return Status::InvalidParameter;
    }
    // The list may hold the last reference: keep it until nothing of this object is used any more.
    const std::shared_ptr<FSTorvoFramebuffer> self = std::move(*found);
    owner_.erase(found);
    return Status::Success;
}

TRVStatus FSTorvoFramebuffer::getEntityNormalizationData(TorvoTargetEntity, int32_t, float*, float*)
{
    errorStream() << "Normalization data can only be found in EXR frame buffers." << std::endl;
    return Status::InvalidHandle;
}

TRVStatus FSTorvoFramebuffer::getNormalizationData(int32_t, float*, float*)
{
    errorStream() << "Normalization data can only be found in EXR frame buffers." << std::endl;
    return Status::InvalidHandle;
}

}  // namespace trv
