// Exported functions of the manager family.
#include "api/Frame.h"
#include "manager/TorvoManagerStub.h"

using namespace trv;

TRV_FUNC(TRVStatus) TRVBeginMesh(TorvoManager manager, const void* meshName, TorvoMesh* outMesh)
{
    return frameOut(outMesh, [&](TorvoManagerStub& m, auto& out) { return m.beginMesh(text(meshName), out); },
                    manager);
}

TRV_FUNC(TRVStatus) TRVBeginScene(TorvoManager manager, const void* sceneName, TorvoScene* outScene)
{
    return frameOut(outScene, [&](TorvoManagerStub& m, auto& out) { return m.beginScene(text(sceneName), out); },
                    manager);
}

TRV_FUNC(TRVStatus) TRVReferenceTexture(TorvoManager manager, const void* textureName, const void* imagePath,
                                        TorvoTexture* outTexture)
{
    return frameOut(
        outTexture,
        [&](TorvoManagerStub& m, auto& out) {
            const std::string path = text(imagePath);  // the later text is converted first
            return m.referenceTexture(text(textureName), path, out);
        },
        manager);
}

TRV_FUNC(TRVStatus) TRVBeginTexture(TorvoManager manager, const void* textureName, int32_t width, int32_t height,
                                    TRVTextureFormat format, TorvoTexture* outTexture)
{
    return frameOut(
        outTexture,
        [&](TorvoManagerStub& m, auto& out) { return m.beginTexture(text(textureName), width, height, format, out); },
        manager);
}

TRV_FUNC(TRVStatus) TRVFindMesh(TorvoManager manager, const void* meshName, TorvoMesh* outMesh)
{
    return frameOut(outMesh, [&](TorvoManagerStub& m, auto& out) { return m.findMesh(text(meshName), out); },
                    manager);
}

TRV_FUNC(TRVStatus) TRVFindTexture(TorvoManager manager, const void* textureName, TorvoTexture* outTexture)
{
    return frameOut(outTexture,
                    [&](TorvoManagerStub& m, auto& out) { return m.findTexture(text(textureName), out); }, manager);
}

TRV_FUNC(TRVStatus) TRVEraseCachedMesh(TorvoManager manager, const void* meshName)
{
    return frame([&](TorvoManagerStub& m) { return m.eraseCachedMesh(text(meshName)); }, manager);
}

TRV_FUNC(TRVStatus) TRVEraseCachedTexture(TorvoManager manager, const void* textureName)
{
    return frame([&](TorvoManagerStub& m) { return m.eraseCachedTexture(text(textureName)); }, manager);
}

TRV_FUNC(TRVStatus) TRVClearCache(TorvoManager manager)
{
    return frame([](TorvoManagerStub& m) { return m.clearCache(); }, manager);
}

TRV_FUNC(TRVStatus) TRVCreateJob(TorvoManager manager, const void* jobName, TorvoScene scene,
                                 const void* configurationPath, TorvoJob* outJob)
{
    return frameOut(
        outJob,
        [&](TorvoManagerStub& m, TorvoSceneStub& s, auto& out) {
            const std::string path = text(configurationPath);  // the later text is converted first
            return m.createJob(text(jobName), s, path, out);
        },
        manager, scene);
}

TRV_FUNC(TRVStatus) TRVSetTorvoPath(TorvoManager manager, const void* binariesDirectory)
{
    return frame([&](TorvoManagerStub& m) { return m.setTorvoPath(text(binariesDirectory)); }, manager);
}
