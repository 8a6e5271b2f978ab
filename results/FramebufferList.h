// STAND-IN until the results branch lands: removed at the merge.
#pragma once

#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

namespace trv {

class FSTorvoFramebuffer;
using FramebufferList = std::list<std::shared_ptr<FSTorvoFramebuffer>>;
using ChannelNameFunction = std::function<std::string(int32_t index)>;

}  // namespace trv
