// STAND-IN until the results branch lands: removed at the merge.
#pragma once

#include "results/FSTorvoFramebuffer.h"

#include <stdexcept>

namespace trv {

class FSTorvoExrFramebuffer : public FSTorvoFramebuffer {
public:
    FSTorvoExrFramebuffer(const std::filesystem::path& file, FramebufferList& owner, ChannelNameFunction names)
        : FSTorvoFramebuffer(owner, std::move(names))
    {
        if (!std::filesystem::is_regular_file(file))
            throw std::runtime_error("Failed to open file: " + file.string());
        for (int i = 0; i < 4; ++i)
            channelNames.push_back(names_(i));
    }
};

}  // namespace trv
