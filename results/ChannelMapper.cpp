#include "results/ChannelMapper.h"

#include "results/ChannelLookupException.h"

namespace trv {

ChannelMapper::ChannelMapper(std::vector<std::string> names) : names_(std::move(names))
{
    for (size_t i = 0; i < names_.size(); ++i)
        indices_[names_[i]] = static_cast<int32_t>(i);
}

const std::string& ChannelMapper::name(int32_t index) const
{
    if (index < 0 || static_cast<size_t>(index) >= names_.size())
        throw ChannelLookupException("Index " + std::to_string(index) + " is invalid for this framebuffer");
    return names_[static_cast<size_t>(index)];
}

int32_t ChannelMapper::index(const std::string& name) const
{
    const auto found = indices_.find(name);
    if (found == indices_.end())
        throw ChannelLookupException("Channel " + name + " not found");
    return found->second;
}

}  // namespace trv
