#include "PassValues.h"

#include "LightPassBake.h"

#include <algorithm>

namespace torvo_renderer {

namespace {

constexpr size_t rnmComponents = 12;
constexpr size_t rnmWithNormal = 16;
constexpr size_t fullAndIndirectChannels = 6;

}  // namespace

ChannelLayout channelLayout(PassKind pass, const StageSettings& stage, ResultKind kind)
{
    ChannelLayout layout;
    const std::string layer = resultLayerName(pass, stage);
    size_t numbered = 0;
    bool withZ = false;
    switch (pass) {
    case PassKind::FullAndIndirect:
        numbered = fullAndIndirectChannels;
        withZ = true;
        break;
    case PassKind::Rnm:
        numbered = stage.rnmNormalComponent ? rnmWithNormal : rnmComponents;
        withZ = true;
        break;
    case PassKind::Lua:
        numbered = luaChannelCount;
        break;
    default:
        break;
    }
    if (numbered == 0) {
        for (const char* letter : {"R", "G", "B", "A"})
            layout.names.push_back(layer + "." + letter);
        layout.valueCount = 3;
        layout.coverage = 3;
        if (kind == ResultKind::Camera) {
            layout.names.push_back("Z");
            layout.depth = 4;
        }
        return layout;
    }
    for (size_t i = 0; i < numbered; ++i)
        layout.names.push_back(layer + std::to_string(i));
    layout.valueCount = numbered;
    if (withZ) {
        layout.names.push_back("Z");
        (kind == ResultKind::Camera ? layout.depth : layout.coverage) = static_cast<int>(numbered);
    }
    return layout;
}

PassValues::PassValues(PassKind pass, const StageSettings& stage, const RayScene& rays, const DirectLighting& light)
    : computes_(Computes::Nothing),
      count_(channelLayout(pass, stage, ResultKind::Texture).valueCount),
      light_(light),
      occlusion_(rays, stage.ambientOcclusion)
{
    switch (pass) {
    case PassKind::Normals: computes_ = Computes::Normals; break;
    case PassKind::AmbientOcclusion: computes_ = Computes::Occlusion; break;
    // Without global illumination the whole illumination is the direct light.
    case PassKind::Illumination: computes_ = stage.giEnabled ? Computes::Nothing : Computes::DirectLight; break;
    default: break;
    }
}

void PassValues::setLightPass(const LightPassBake* bake)
{
    lightPass_ = bake;
    if (bake)
        computes_ = Computes::LightPass;
}

void PassValues::at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const
{
    switch (computes_) {
    case Computes::Normals:
        values[0] = point.normal.x;
        values[1] = point.normal.y;
        values[2] = point.normal.z;
        return;
    case Computes::DirectLight: {
        const Vec3 c = light_.at(point, seed, rays);
        values[0] = c.x;
        values[1] = c.y;
        values[2] = c.z;
        return;
    }
    case Computes::Occlusion: {
        const float open = occlusion_.at(point, seed, rays);
        values[0] = values[1] = values[2] = open;
        return;
    }
    case Computes::LightPass:
        lightPass_->at(point, seed, values, rays);
        return;
    case Computes::Nothing:
        std::fill(values, values + count_, 0.0f);
        return;
    }
}

}  // namespace torvo_renderer
