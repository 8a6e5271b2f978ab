#include "RayScene.h"

#include "MeshData.h"
#include "RenderError.h"

#include <tbb/parallel_for.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

namespace torvo_renderer {

namespace {

// Rays leave surfaces by this fraction of the scene's extent, plus a floor for tiny scenes.
constexpr float relativeOffset = 2e-5f;
constexpr float minimumOffset = 1e-6f;

struct FilterContext {
    RTCIntersectContext base;  // first, so Embree's context pointer is this object's
    const RayFilter* filter;
    const std::vector<InstanceGeometry>* instances;
};

bool blocks(const FilterContext& context, unsigned geometry)
{
    const RayFilter& f = *context.filter;
    const InstanceGeometry& blocker = (*context.instances)[geometry];
    if (f.only && !(*f.only)[geometry])
        return false;
    if (f.requiredStat != 0 && !blocker.stat(f.requiredStat))
        return false;
    return static_cast<int>(geometry) == f.receiver ? f.selfBlocks : f.othersBlock;
}

void filterHits(const RTCFilterFunctionNArguments* args)
{
    const auto* context = reinterpret_cast<const FilterContext*>(args->context);
    for (unsigned i = 0; i < args->N; ++i) {
        if (args->valid[i] != -1)
            continue;
        if (!blocks(*context, RTCHitN_geomID(args->hit, args->N, i)))
            args->valid[i] = 0;
    }
}

void reportDeviceError(void* userData, RTCError, const char* text)
{
    auto* last = static_cast<std::string*>(userData);
    if (last->empty())
        *last = text ? text : "unknown ray tracer error";
}

Vec3 corner(const InstanceGeometry& g, uint32_t triangle, int k)
{
    return g.positions[g.mesh->indices[triangle * 3 + k]];
}

}  // namespace

RayScene::RayScene()
{
    device_ = rtcNewDevice("verbose=0");
    if (!device_)
        throw RenderError(ExitCode::InternalFailure, "The ray tracer cannot be started");
    rtcSetDeviceErrorFunction(device_, reportDeviceError, &deviceError_);
}

RayScene::~RayScene()
{
    if (scene_)
        rtcReleaseScene(scene_);
    if (device_)
        rtcReleaseDevice(device_);
}

void RayScene::build(const SceneDescription& scene, const std::vector<const MeshData*>& meshOf)
{
    instances_.clear();
    instances_.resize(scene.instances.size());
    float extent = 0;
    Vec3 lo{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    Vec3 hi = -lo;
    for (size_t i = 0; i < scene.instances.size(); ++i) {
        InstanceGeometry& g = instances_[i];
        const SceneInstance& instance = scene.instances[i];
        const MeshData& mesh = *meshOf[i];
        g.sceneInstance = static_cast<int>(i);
        g.mesh = &mesh;
        g.renderStats = instance.renderStats;
        g.positions.resize(mesh.positions.size());
        g.normals.resize(mesh.positions.size());
        const NormalTransform normalTransform(instance.transform);
        const bool opposite = instance.stat(renderStat::Opposite);
        tbb::parallel_for(size_t(0), mesh.positions.size(), [&](size_t v) {
            g.positions[v] = instance.transform.point(mesh.positions[v]);
            const Vec3 n = normalizedOr(normalTransform(mesh.normals[v]), {0, 0, 0});
            g.normals[v] = opposite ? -n : n;
        });
        for (const Vec3& p : g.positions) {
            if (!isFinite(p))
                throw badInput("Instance " + instance.name + " places its mesh at positions that are not finite");
            lo = {std::min(lo.x, p.x), std::min(lo.y, p.y), std::min(lo.z, p.z)};
            hi = {std::max(hi.x, p.x), std::max(hi.y, p.y), std::max(hi.z, p.z)};
        }
        // Vertices without a usable normal take the area-weighted normal of their triangles.
        std::vector<Vec3> faceSum;
        g.triangles.reserve(mesh.triangleCount());
        for (uint32_t t = 0; t < mesh.triangleCount(); ++t) {
            const Vec3 a = corner(g, t, 0), b = corner(g, t, 1), c = corner(g, t, 2);
            const Vec3 area = cross(b - a, c - a);
            const float size = length(area);
            if (!(size > 0.0f) || !std::isfinite(size)) {
                ++g.skipped;
                continue;
            }
            g.triangles.push_back(t);
            for (int k = 0; k < 3; ++k) {
                const uint32_t v = mesh.indices[t * 3 + k];
                if (length(g.normals[v]) == 0.0f) {
                    if (faceSum.empty())
                        faceSum.assign(g.positions.size(), Vec3{});
                    faceSum[v] += opposite ? -area : area;
                }
            }
        }
        if (!faceSum.empty())
            for (size_t v = 0; v < g.normals.size(); ++v)
                if (length(g.normals[v]) == 0.0f)
                    g.normals[v] = normalizedOr(faceSum[v], {0, 1, 0});
        statsAll_ &= g.renderStats;
    }
    if (hi.x >= lo.x)
        extent = std::max({hi.x - lo.x, hi.y - lo.y, hi.z - lo.z, std::abs(lo.x), std::abs(lo.y), std::abs(lo.z),
                           std::abs(hi.x), std::abs(hi.y), std::abs(hi.z)});
    offset_ = std::max(minimumOffset, extent * relativeOffset);

    if (scene_)
        rtcReleaseScene(scene_);
    scene_ = rtcNewScene(device_);
    rtcSetSceneFlags(scene_, RTC_SCENE_FLAG_CONTEXT_FILTER_FUNCTION);
    rtcSetSceneBuildQuality(scene_, RTC_BUILD_QUALITY_HIGH);
    for (size_t i = 0; i < instances_.size(); ++i) {
        InstanceGeometry& g = instances_[i];
        if (g.triangles.empty())
            continue;
        RTCGeometry geometry = rtcNewGeometry(device_, RTC_GEOMETRY_TYPE_TRIANGLE);
        rtcSetGeometryBuildQuality(geometry, RTC_BUILD_QUALITY_HIGH);
        auto* vertices = static_cast<float*>(rtcSetNewGeometryBuffer(
            geometry, RTC_BUFFER_TYPE_VERTEX, 0, RTC_FORMAT_FLOAT3, 3 * sizeof(float), g.positions.size()));
        if (!vertices) {
            rtcReleaseGeometry(geometry);
            throw RenderError(ExitCode::OutOfResources, "The ray tracer has no room for instance " +
                                                             scene.instances[i].name + ": " + deviceError_);
        }
        for (size_t v = 0; v < g.positions.size(); ++v) {
            vertices[v * 3] = g.positions[v].x;
            vertices[v * 3 + 1] = g.positions[v].y;
            vertices[v * 3 + 2] = g.positions[v].z;
        }
        // One element more than the primitives use: the ray tracer may read shared buffers in
        // 16-byte loads.
        g.corners.resize(g.triangles.size() * 3 + 1);
        for (size_t p = 0; p < g.triangles.size(); ++p)
            for (int k = 0; k < 3; ++k)
                g.corners[p * 3 + k] = g.mesh->indices[g.triangles[p] * 3 + k];
        rtcSetSharedGeometryBuffer(geometry, RTC_BUFFER_TYPE_INDEX, 0, RTC_FORMAT_UINT3, g.corners.data(), 0,
                                   3 * sizeof(uint32_t), g.triangles.size());
        rtcCommitGeometry(geometry);
        rtcAttachGeometryByID(scene_, geometry, static_cast<unsigned>(i));
        rtcReleaseGeometry(geometry);
    }
    rtcCommitScene(scene_);
    if (rtcGetDeviceError(device_) != RTC_ERROR_NONE || !deviceError_.empty())
        throw RenderError(ExitCode::InternalFailure, "The ray tracer failed to build the scene: " + deviceError_);
}

bool RayScene::filters(const RayFilter& filter) const
{
    return filter.only != nullptr ||
           (filter.requiredStat != 0 && (statsAll_ & filter.requiredStat) != filter.requiredStat) ||
           !filter.othersBlock || (filter.receiver >= 0 && !filter.selfBlocks);
}

bool RayScene::occluded(Vec3 origin, Vec3 direction, float maxDistance, const RayFilter& filter) const
{
    FilterContext context;
    rtcInitIntersectContext(&context.base);
    context.filter = &filter;
    context.instances = &instances_;
    if (filters(filter))
        context.base.filter = filterHits;
    RTCRay ray;
    ray.org_x = origin.x;
    ray.org_y = origin.y;
    ray.org_z = origin.z;
    ray.dir_x = direction.x;
    ray.dir_y = direction.y;
    ray.dir_z = direction.z;
    ray.tnear = 0.0f;
    ray.tfar = maxDistance;
    ray.time = 0.0f;
    ray.mask = ~0u;
    ray.id = 0;
    ray.flags = 0;
    rtcOccluded1(scene_, &context.base, &ray);
    return ray.tfar < 0.0f;
}

bool RayScene::intersect(Vec3 origin, Vec3 direction, float maxDistance, const RayFilter& filter, RayHit& hit) const
{
    FilterContext context;
    rtcInitIntersectContext(&context.base);
    context.filter = &filter;
    context.instances = &instances_;
    if (filters(filter))
        context.base.filter = filterHits;
    RTCRayHit query;
    query.ray.org_x = origin.x;
    query.ray.org_y = origin.y;
    query.ray.org_z = origin.z;
    query.ray.dir_x = direction.x;
    query.ray.dir_y = direction.y;
    query.ray.dir_z = direction.z;
    query.ray.tnear = 0.0f;
    query.ray.tfar = maxDistance;
    query.ray.time = 0.0f;
    query.ray.mask = ~0u;
    query.ray.id = 0;
    query.ray.flags = 0;
    query.hit.geomID = RTC_INVALID_GEOMETRY_ID;
    query.hit.instID[0] = RTC_INVALID_GEOMETRY_ID;
    rtcIntersect1(scene_, &context.base, &query);
    if (query.hit.geomID == RTC_INVALID_GEOMETRY_ID)
        return false;
    hit.instance = static_cast<int>(query.hit.geomID);
    hit.primitive = query.hit.primID;
    hit.u = query.hit.u;
    hit.v = query.hit.v;
    hit.distance = query.ray.tfar;
    hit.geometricNormal = {query.hit.Ng_x, query.hit.Ng_y, query.hit.Ng_z};
    return true;
}

SurfacePoint RayScene::pointOn(int instance, uint32_t primitive, float b1, float b2) const
{
    const InstanceGeometry& g = instances_[static_cast<size_t>(instance)];
    const uint32_t* corners = &g.corners[size_t(primitive) * 3];
    const float b0 = 1.0f - b1 - b2;
    const Vec3 a = g.positions[corners[0]], b = g.positions[corners[1]], c = g.positions[corners[2]];
    SurfacePoint point;
    point.instance = instance;
    point.primitive = static_cast<int>(primitive);
    point.b1 = b1;
    point.b2 = b2;
    point.position = a * b0 + b * b1 + c * b2;
    orient(point, cross(b - a, c - a));
    return point;
}

SurfacePoint RayScene::pointAt(const RayHit& hit, Vec3 origin, Vec3 direction) const
{
    SurfacePoint point;
    point.instance = hit.instance;
    point.primitive = static_cast<int>(hit.primitive);
    point.b1 = hit.u;
    point.b2 = hit.v;
    point.position = origin + direction * hit.distance;
    orient(point, hit.geometricNormal);
    return point;
}

void RayScene::orient(SurfacePoint& point, Vec3 winding) const
{
    const InstanceGeometry& g = instances_[static_cast<size_t>(point.instance)];
    const uint32_t* corners = &g.corners[size_t(point.primitive) * 3];
    const float b0 = 1.0f - point.b1 - point.b2;
    Vec3 geometric = normalizedOr(winding, {0, 1, 0});
    if (g.stat(renderStat::Opposite))
        geometric = -geometric;
    const Vec3 shading =
        g.normals[corners[0]] * b0 + g.normals[corners[1]] * point.b1 + g.normals[corners[2]] * point.b2;
    point.normal = normalizedOr(shading, geometric);
    point.geometricNormal = dot(geometric, point.normal) < 0.0f ? -geometric : geometric;
}

}  // namespace torvo_renderer
