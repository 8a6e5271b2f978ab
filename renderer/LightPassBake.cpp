#include "LightPassBake.h"

#include "MeshData.h"
#include "RenderError.h"

#include <algorithm>
#include <cmath>
#include <set>
#include <map>
#include <string>

namespace torvo_renderer {

LightPassBake::LightPassBake(const StageSettings& stage, const SceneDescription& scene, const RayScene& rays,
                             const DirectLighting& light, const std::map<std::string, TextureImage>& textures)
    : settings_(stage.lightPass), light_(light)
{
    if (!settings_.entries.empty())
        type_ = settings_.entries.front().bakeType;
    distanceField_ = settings_.signedDistanceField && type_ == LightBakeType::ShadowMap;

    std::map<std::string, std::string> instanceOfEntity;
    for (const TextureTarget& target : stage.textures)
        for (const SurfaceTarget& surface : target.surfaces)
            instanceOfEntity[surface.entity] = surface.instance;
    std::map<std::string, size_t> lightIndex;
    for (size_t i = 0; i < scene.lights.size(); ++i)
        lightIndex[scene.lights[i].name] = i;
    std::map<std::string, std::vector<size_t>> lightsOfInstance;
    for (const LightPassEntry& entry : settings_.entries) {
        std::vector<size_t> lights;
        for (const std::string& name : entry.lights) {
            const auto found = lightIndex.find(name);
            if (found == lightIndex.end())
                throw badInput("A light pass entry names light " + name + ", which the scene does not hold");
            lights.push_back(found->second);
        }
        // Entities of other targets of the job are not baked in this stage.
        for (const std::string& entity : entry.targets) {
            const auto instance = instanceOfEntity.find(entity);
            if (instance == instanceOfEntity.end())
                continue;
            auto& chosen = lightsOfInstance[instance->second];
            for (size_t l : lights)
                if (std::find(chosen.begin(), chosen.end(), l) == chosen.end())
                    chosen.push_back(l);
        }
    }
    lightsOf_.resize(rays.instances().size());
    for (size_t k = 0; k < rays.instances().size(); ++k) {
        const int index = rays.instances()[k].sceneInstance;
        if (index < 0 || size_t(index) >= scene.instances.size())
            continue;
        const auto found = lightsOfInstance.find(scene.instances[size_t(index)].name);
        if (found != lightsOfInstance.end())
            lightsOf_[k] = found->second;
    }
    if (type_ != LightBakeType::FullShading)
        return;
    materials_ = std::make_unique<SurfaceMaterials>(scene, rays, textures);
    // Light of single light sets has no radiance cache (it would be one per set): paths all the way.
    GISettings gi = stage.gi;
    gi.prepassMinRate = 1;
    gi.prepassMaxRate = 0;
    if (gi.primary == GIIntegrator::None)
        gi.primary = GIIntegrator::FinalGather;
    std::map<std::vector<size_t>, int> known;
    shadingOf_.assign(lightsOf_.size(), -1);
    for (size_t k = 0; k < lightsOf_.size(); ++k) {
        if (lightsOf_[k].empty())
            continue;
        std::vector<size_t> set = lightsOf_[k];
        std::sort(set.begin(), set.end());
        const auto found = known.find(set);
        if (found != known.end()) {
            shadingOf_[k] = found->second;
            continue;
        }
        SceneDescription only = scene;
        only.lights.clear();
        for (size_t l : set)
            only.lights.push_back(scene.lights[l]);
        SceneDescription bounced = only;
        for (SceneLight& l : bounced.lights)
            l.directScale = l.indirectScale;
        Shading shading;
        shading.direct = std::make_unique<DirectLighting>(only, rays, textures);
        shading.bounced = std::make_unique<DirectLighting>(bounced, rays, textures);
        shading.gi = std::make_unique<GlobalIllumination>(gi, rays, *materials_, *shading.bounced);
        shading.gi->leaveOutEmission();
        shadingOf_[k] = static_cast<int>(shading_.size());
        known[set] = shadingOf_[k];
        shading_.push_back(std::move(shading));
    }
}

DistanceFieldSettings LightPassBake::distanceFieldSettings() const
{
    DistanceFieldSettings s;
    s.filterPixels = settings_.filterPixels;
    s.maxWorldDistance = settings_.maxWorldDistance;
    return s;
}

void LightPassBake::at(const SurfacePoint& point, uint64_t seed, float* values, uint64_t& rays) const
{
    values[0] = values[1] = values[2] = 0.0f;
    if (point.instance < 0 || size_t(point.instance) >= lightsOf_.size())
        return;
    const std::vector<size_t>& lights = lightsOf_[size_t(point.instance)];
    if (lights.empty())
        return;
    switch (type_) {
    case LightBakeType::LightMap: {
        Vec3 sum;
        float seen = 0;
        for (size_t l : lights)
            sum += light_.fromLight(l, point, seed, rays, seen);
        values[0] = sum.x;
        values[1] = sum.y;
        values[2] = sum.z;
        return;
    }
    case LightBakeType::ShadowMap: {
        float total = 0;
        for (size_t l : lights) {
            float seen = 0;
            light_.fromLight(l, point, seed, rays, seen);
            total += seen;
        }
        values[0] = values[1] = values[2] = total / float(lights.size());
        return;
    }
    case LightBakeType::FullShading: {
        const int set = shadingOf_[size_t(point.instance)];
        if (set < 0)
            return;
        const Shading& shading = shading_[size_t(set)];
        const Vec3 albedo = materials_->at(point).albedo;
        const Vec3 c = albedo * (shading.direct->at(point, seed, rays) + shading.gi->at(point, seed, rays));
        values[0] = c.x;
        values[1] = c.y;
        values[2] = c.z;
        return;
    }
    case LightBakeType::None:
        return;
    }
}

float texelWorldSize(const TextureTarget& target, const SceneDescription& scene, const RayScene& rays,
                     const std::vector<uint8_t>& covered)
{
    std::set<std::string> names;
    for (const SurfaceTarget& surface : target.surfaces)
        names.insert(surface.instance);
    double area = 0;
    for (const InstanceGeometry& g : rays.instances()) {
        if (g.sceneInstance < 0 || size_t(g.sceneInstance) >= scene.instances.size() ||
            !names.count(scene.instances[size_t(g.sceneInstance)].name))
            continue;
        for (uint32_t triangle : g.triangles) {
            const uint32_t* corner = &g.mesh->indices[size_t(triangle) * 3];
            const Vec3 a = g.positions[corner[0]], b = g.positions[corner[1]], c = g.positions[corner[2]];
            area += 0.5 * double(length(cross(b - a, c - a)));
        }
    }
    const auto count = std::count_if(covered.begin(), covered.end(), [](uint8_t c) { return c != 0; });
    return count > 0 ? static_cast<float>(std::sqrt(area / double(count))) : 0.0f;
}

void shadowMapToDistanceField(std::vector<float>& values, size_t channels, int width, int height,
                              const DistanceFieldSettings& settings)
{
    const size_t texels = size_t(std::max(width, 0)) * size_t(std::max(height, 0));
    if (channels < 3 || values.size() < texels * channels)
        return;
    std::vector<float> visibility(texels);
    for (size_t i = 0; i < texels; ++i)
        visibility[i] = values[i * channels];
    const std::vector<float> field = signedDistanceField(visibility, width, height, settings);
    for (size_t i = 0; i < texels; ++i)
        values[i * channels] = values[i * channels + 1] = values[i * channels + 2] = field[i];
}

}  // namespace torvo_renderer
