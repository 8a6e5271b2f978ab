// What a pass writes per sample point, and the channels it writes it into.
#pragma once

#include "AmbientOcclusion.h"
#include "DirectLighting.h"
#include "RayScene.h"
#include "StageSettings.h"

#include <memory>
#include <string>
#include <vector>

namespace torvo_renderer {

class LightPassBake;

enum class ResultKind { Texture, Camera, Points };

// The channels of one result. The first valueCount channels hold the pass's values; coverage
// (1 where a surface was baked or seen) and depth sit in the channels named by their indices.
struct ChannelLayout {
    std::vector<std::string> names;  // EXR channel names, in channel order
    size_t valueCount = 0;
    int coverage = -1;
    int depth = -1;

    size_t size() const { return names.size(); }
};

ChannelLayout channelLayout(PassKind pass, const StageSettings& stage, ResultKind kind);

// Channels the Lua pass writes while its scripts are not run yet.
constexpr size_t luaChannelCount = 4;

class PassValues {
public:
    PassValues(PassKind pass, const StageSettings& stage, const RayScene& rays, const DirectLighting& light);

    // A light pass takes its values from bake (which must outlive this).
    void setLightPass(const LightPassBake* bake);

    // Writes the pass's values at point into values (layout's valueCount floats).
    void at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const;

private:
    enum class Computes { Normals, DirectLight, Occlusion, LightPass, Nothing };
    Computes computes_;
    const LightPassBake* lightPass_ = nullptr;
    size_t count_;
    const DirectLighting& light_;
    AmbientOcclusion occlusion_;
};

}  // namespace torvo_renderer
