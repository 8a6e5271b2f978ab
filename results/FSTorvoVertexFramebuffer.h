// STAND-IN until the results branch lands: removed at the merge.
#pragma once

#include "results/FSTorvoFramebuffer.h"
#include "results/PointcloudReader.h"

namespace trv {

class FSTorvoVertexFramebuffer : public FSTorvoFramebuffer {
public:
    FSTorvoVertexFramebuffer(const std::filesystem::path& file, FramebufferList& owner, ChannelNameFunction names)
        : FSTorvoFramebuffer(owner, std::move(names))
    {
        const auto contents = PointcloudReader::read(file);
        values = contents.values;
        for (uint32_t i = 0; i < contents.valuesPerPoint; ++i)
            channelNames.push_back(names_(static_cast<int32_t>(i)));
    }
};

}  // namespace trv
