// Minimal objects behind handles, for testing the frame without the real objects.
#pragma once

#include "manager/TorvoManagerStub.h"
#include "geometry/TorvoTextureStub.h"

#include <functional>
#include <string>
#include <vector>

namespace trvtest {

// A manager whose every operation runs `action` and records the texts it was given.
class FakeManager : public trv::TorvoManagerStub {
public:
    std::function<TRVStatus()> action = [] { return TRVStatus(0); };
    std::vector<std::string> texts;
    trv::TorvoMeshStub* meshToHandOut = reinterpret_cast<trv::TorvoMeshStub*>(0x1234);

    TRVStatus beginMesh(const std::string& name, trv::TorvoMeshStub*& out) override
    {
        texts = {name};
        out = meshToHandOut;
        return action();
    }
    TRVStatus beginScene(const std::string& name, trv::TorvoSceneStub*&) override { return record({name}); }
    TRVStatus referenceTexture(const std::string& name, const std::string& path, trv::TorvoTextureStub*&) override
    {
        return record({name, path});
    }
    TRVStatus beginTexture(const std::string& name, int32_t, int32_t, int32_t, trv::TorvoTextureStub*&) override
    {
        return record({name});
    }
    TRVStatus findMesh(const std::string& name, trv::TorvoMeshStub*&) override { return record({name}); }
    TRVStatus findTexture(const std::string& name, trv::TorvoTextureStub*&) override { return record({name}); }
    TRVStatus eraseCachedMesh(const std::string& name) override { return record({name}); }
    TRVStatus eraseCachedTexture(const std::string& name) override { return record({name}); }
    TRVStatus clearCache() override { return record({}); }
    TRVStatus createJob(const std::string& name, trv::TorvoSceneStub&, const std::string& path,
                        trv::TorvoJobStub*&) override
    {
        return record({name, path});
    }
    TRVStatus setTorvoPath(const std::string& directory) override { return record({directory}); }

    TorvoManager handle() { return trv::handleOf<TorvoManager>(this); }

private:
    TRVStatus record(std::vector<std::string> given)
    {
        texts = std::move(given);
        return action();
    }
};

class FakeTexture : public trv::TorvoTextureStub {
public:
    int calls = 0;
    TRVStatus addPixelDataHDR(const float*, int32_t) override { return ++calls, 0; }
    TRVStatus addPixelDataLDR(const uint8_t*, int32_t) override { return ++calls, 0; }
    TRVStatus setInputGamma(int32_t, float) override { return ++calls, 0; }
    TRVStatus endTexture() override { return ++calls, 0; }
    TorvoTexture handle() { return trv::handleOf<TorvoTexture>(this); }
};

}  // namespace trvtest
