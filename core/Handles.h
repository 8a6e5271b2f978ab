// How each public handle kind maps to the library's interface for that kind.
#pragma once

#include "torvo.h"

namespace trv {

class TorvoManagerStub;
class TorvoSceneStub;
class TorvoMeshStub;
class TorvoTextureStub;
class TorvoInstanceStub;
class TorvoCameraStub;
class TorvoLightSourceStub;
class TorvoMaterialStub;
class TorvoPointCloudStub;
class TorvoJobStub;
class TorvoTargetStub;
class TorvoTargetEntityStub;
class TorvoRenderPassStub;
class TorvoLightPassEntryStub;
class TorvoFramebufferStub;
class TorvoStringStub;

template <class Handle>
struct HandleTraits;

#define TRV_HANDLE_KIND(HandleType, StubType)                 \
    template <>                                               \
    struct HandleTraits<HandleType> {                         \
        using Stub = StubType;                                \
        static constexpr const char* kind = #HandleType;      \
    }

TRV_HANDLE_KIND(TorvoManager, TorvoManagerStub);
TRV_HANDLE_KIND(TorvoScene, TorvoSceneStub);
TRV_HANDLE_KIND(TorvoMesh, TorvoMeshStub);
TRV_HANDLE_KIND(TorvoTexture, TorvoTextureStub);
TRV_HANDLE_KIND(TorvoInstance, TorvoInstanceStub);
TRV_HANDLE_KIND(TorvoCamera, TorvoCameraStub);
TRV_HANDLE_KIND(TorvoLightSource, TorvoLightSourceStub);
TRV_HANDLE_KIND(TorvoMaterial, TorvoMaterialStub);
TRV_HANDLE_KIND(TorvoPointCloud, TorvoPointCloudStub);
TRV_HANDLE_KIND(TorvoJob, TorvoJobStub);
TRV_HANDLE_KIND(TorvoTarget, TorvoTargetStub);
TRV_HANDLE_KIND(TorvoTargetEntity, TorvoTargetEntityStub);
TRV_HANDLE_KIND(TorvoRenderPass, TorvoRenderPassStub);
TRV_HANDLE_KIND(TorvoLightPassEntry, TorvoLightPassEntryStub);
TRV_HANDLE_KIND(TorvoFramebuffer, TorvoFramebufferStub);
TRV_HANDLE_KIND(TorvoString, TorvoStringStub);

#undef TRV_HANDLE_KIND

// A handle is the raw pointer of the object's interface.
template <class Handle>
typename HandleTraits<Handle>::Stub* objectOf(Handle handle)
{
    return reinterpret_cast<typename HandleTraits<Handle>::Stub*>(handle);
}

template <class Handle>
Handle handleOf(typename HandleTraits<Handle>::Stub* object)
{
    return reinterpret_cast<Handle>(object);
}

}  // namespace trv
