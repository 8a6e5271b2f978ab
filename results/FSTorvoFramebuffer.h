// What EXR and vertex framebuffers share: channel names from the pass, and removal from the target.
#pragma once

#include "results/ChannelMapper.h"
#include "results/FramebufferList.h"
#include "results/TorvoFramebufferStub.h"

#include <memory>

namespace trv {

class FSTorvoFramebuffer : public TorvoFramebufferStub {
public:
    TRVStatus getChannelName(int32_t index, TorvoString* name) override;
    TRVStatus destroy() override;
    TRVStatus getEntityNormalizationData(TorvoTargetEntity entity, int32_t channel, float* min,
                                         float* max) override;
    TRVStatus getNormalizationData(int32_t channel, float* min, float* max) override;

protected:
    explicit FSTorvoFramebuffer(FramebufferList& owner) : owner_(owner) {}

    // Labels channels 0 to count - 1 with the pass's names.
    void nameChannels(int32_t count, const ChannelNameFunction& names);
    const ChannelMapper& channels() const { return *channels_; }

private:
    std::shared_ptr<const ChannelMapper> channels_;
    FramebufferList& owner_;
};

}  // namespace trv
