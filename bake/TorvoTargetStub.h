#pragma once

#include "core/Handles.h"

namespace trv {

class TorvoTargetStub {
public:
    virtual TRVStatus addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out) = 0;
    virtual TRVStatus addBakePointCloud(TorvoPointCloudStub& pointCloud, TorvoTargetEntityStub*& out) = 0;
    virtual TRVStatus getFramebufferCount(int32_t* count) = 0;
    virtual TRVStatus getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out) = 0;
    virtual TRVStatus getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                                      TorvoFramebufferStub*& out) = 0;
    virtual TRVStatus addPass(TorvoRenderPassStub& pass) = 0;
    virtual TRVStatus setAtlasPadding(int32_t padding) = 0;
    virtual TRVStatus setAtlasPacking(int32_t packing) = 0;
    virtual TRVStatus setAtlasAlignment(int32_t alignment) = 0;
    virtual TRVStatus enableAtlasSpatial() = 0;
    virtual ~TorvoTargetStub() = default;
};

}  // namespace trv
