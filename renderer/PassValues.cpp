#include "PassValues.h"

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

PassValues::PassValues(PassKind pass, const StageSettings& stage, const SceneDescription& scene,
                       const RayScene& rays, const DirectLighting& light,
                       const std::map<std::string, TextureImage>& textures)
    : computes_(Computes::Nothing),
      count_(channelLayout(pass, stage, ResultKind::Texture).valueCount),
      withIndirect_(stage.giEnabled),
      light_(light),
      occlusion_(rays, stage.ambientOcclusion),
      materials_(scene, rays, textures)
{
    switch (pass) {
    case PassKind::Normals: computes_ = Computes::Normals; break;
    case PassKind::AmbientOcclusion: computes_ = Computes::Occlusion; break;
    case PassKind::Illumination: computes_ = Computes::Illumination; break;
    // These passes ask for the indirect light by their nature, so they compute it whatever enableGI says.
    case PassKind::IndirectIllumination: computes_ = Computes::Indirect; break;
    case PassKind::FullAndIndirect: computes_ = Computes::FullAndIndirect; break;
    case PassKind::FullShading: computes_ = Computes::FullShading; break;
    default: break;
    }
    const bool needsIndirect = computes_ == Computes::Indirect || computes_ == Computes::FullAndIndirect ||
                               ((computes_ == Computes::Illumination || computes_ == Computes::FullShading) &&
                                withIndirect_);
    if (needsIndirect) {
        SceneDescription bounced = scene;
        for (SceneLight& l : bounced.lights)
            l.directScale = l.indirectScale;
        indirectLight_ = std::make_unique<DirectLighting>(bounced, rays, textures);
        gi_ = std::make_unique<GlobalIllumination>(stage.gi, rays, materials_, *indirectLight_);
    }
    if (computes_ == Computes::FullAndIndirect) {
        SceneDescription baked = scene;
        baked.lights.clear();
        for (const SceneLight& l : scene.lights)
            if (std::find(stage.fullyBakedLights.begin(), stage.fullyBakedLights.end(), l.name) !=
                stage.fullyBakedLights.end())
                baked.lights.push_back(l);
        fullyBaked_ = std::make_unique<DirectLighting>(baked, rays, textures);
    }
}

void PassValues::at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const
{
    auto write = [&](size_t first, Vec3 c) {
        values[first] = c.x;
        values[first + 1] = c.y;
        values[first + 2] = c.z;
    };
    auto indirect = [&]() { return gi_ ? gi_->at(point, seed, rays) : Vec3{}; };
    switch (computes_) {
    case Computes::Normals:
        write(0, point.normal);
        return;
    case Computes::Illumination:
        write(0, light_.at(point, seed, rays) + indirect());
        return;
    case Computes::Indirect:
        write(0, indirect());
        return;
    case Computes::FullAndIndirect: {
        const Vec3 bounced = indirect();
        write(0, fullyBaked_->at(point, seed, rays) + bounced);
        write(3, bounced);
        return;
    }
    case Computes::FullShading: {
        const SurfaceLook look = materials_.at(point);
        write(0, look.emission + look.albedo * (light_.at(point, seed, rays) + indirect()));
        return;
    }
    case Computes::Occlusion: {
        const float open = occlusion_.at(point, seed, rays);
        values[0] = values[1] = values[2] = open;
        return;
    }
    case Computes::Nothing:
        std::fill(values, values + count_, 0.0f);
        return;
    }
}

}  // namespace torvo_renderer
