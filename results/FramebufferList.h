// The framebuffers a target has handed out, and where their channel names come from.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

namespace trv {

class FSTorvoFramebuffer;

// The target owns its framebuffers here; destroying one removes it from this list.
using FramebufferList = std::list<std::shared_ptr<FSTorvoFramebuffer>>;
// The channel names of the render pass that produced a result, by channel index.
using ChannelNameFunction = std::function<std::string(int32_t index)>;

}  // namespace trv
