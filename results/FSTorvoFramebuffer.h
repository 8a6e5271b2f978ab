// STAND-IN until the results branch lands: removed at the merge.
#pragma once

#include "core/Handles.h"
#include "results/FramebufferList.h"

#include <filesystem>
#include <vector>

namespace trv {

class TorvoFramebufferStub {
public:
    virtual ~TorvoFramebufferStub() = default;
};

class FSTorvoFramebuffer : public TorvoFramebufferStub {
public:
    FSTorvoFramebuffer(FramebufferList& owner, ChannelNameFunction names) : owner_(&owner), names_(std::move(names)) {}
    std::vector<std::string> channelNames;
    std::vector<float> values;

protected:
    FramebufferList* owner_;
    ChannelNameFunction names_;
};

}  // namespace trv
