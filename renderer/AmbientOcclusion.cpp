#include "AmbientOcclusion.h"

#include "Sampling.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

// Adaptive sampling traces rays in batches of this size after the minimum and stops once the
// standard error of the estimate falls below tolerance / accuracy.
constexpr uint32_t adaptiveBatch = 16;
constexpr float adaptiveTolerance = 0.02f;
// Contrast stretches the values around this middle.
constexpr float contrastPivot = 0.5f;

}  // namespace

AmbientOcclusion::AmbientOcclusion(const RayScene& scene, const AmbientOcclusionSettings& settings)
    : scene_(scene), settings_(settings)
{
    const float halfAngle = std::clamp(settings.coneAngleDegrees, 0.0f, 180.0f) * 0.5f * Pi / 180.0f;
    cosMax_ = std::cos(halfAngle);
    if (settings.coneAngleDegrees >= 180.0f)
        cosMax_ = 0.0f;
    maxDistance_ = settings.maxDistance > 0.0f ? settings.maxDistance : std::numeric_limits<float>::infinity();
}

RayFilter AmbientOcclusion::filterFor(const SurfacePoint& point) const
{
    RayFilter filter;
    filter.requiredStat = renderStat::CastOcclusion;
    filter.receiver = point.instance;
    filter.selfBlocks = settings_.selfOcclusion != SelfOcclusionMode::Disabled &&
                        (point.instance < 0 ||
                         scene_.instances()[static_cast<size_t>(point.instance)].stat(renderStat::SelfOcclusion));
    filter.othersBlock = settings_.selfOcclusion != SelfOcclusionMode::Environment;
    return filter;
}

bool AmbientOcclusion::receives(const SurfacePoint& point) const
{
    return point.instance < 0 ||
           scene_.instances()[static_cast<size_t>(point.instance)].stat(renderStat::ReceiveOcclusion);
}

bool AmbientOcclusion::buried(const SurfacePoint& point, uint64_t& rays) const
{
    if (!receives(point))
        return false;
    const Vec3 origin = scene_.rayOrigin(point);
    RayHit hit;
    ++rays;
    // However far: a solid is closed whatever the occlusion distance, and a short distance is
    // what lets the sideways rays out.
    if (!scene_.intersect(origin, point.normal, std::numeric_limits<float>::infinity(), filterFor(point), hit))
        return false;
    return dot(scene_.pointAt(hit, origin, point.normal).geometricNormal, point.normal) > 0.0f;
}

float AmbientOcclusion::openFraction(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const
{
    if (!receives(point))
        return 1.0f;
    const RayFilter filter = filterFor(point);
    const Sequence2D sequence(seedOf(salt::Occlusion, seed));
    const Vec3 origin = scene_.rayOrigin(point);
    const ConeSampler cone(point.normal, cosMax_, !settings_.uniformSampling);
    const uint32_t first = settings_.adaptive ? std::max(settings_.minRays, 1u) : settings_.maxRays;
    const float tolerance = adaptiveTolerance / std::max(settings_.accuracy, 1e-3f);
    uint32_t traced = 0, open = 0;
    uint32_t target = first;
    while (true) {
        for (; traced < target; ++traced) {
            float u1, u2;
            sequence.at(traced, u1, u2);
            if (!scene_.occluded(origin, cone(u1, u2), maxDistance_, filter))
                ++open;
        }
        if (!settings_.adaptive || traced >= settings_.maxRays)
            break;
        const float p = static_cast<float>(open) / static_cast<float>(traced);
        if (std::sqrt(p * (1.0f - p) / static_cast<float>(traced)) <= tolerance)
            break;
        target = std::min(settings_.maxRays, traced + adaptiveBatch);
    }
    rays += traced;
    return static_cast<float>(open) / static_cast<float>(traced);
}

float AmbientOcclusion::at(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const
{
    const float open = openFraction(point, seed, rays);
    const float contrasted = std::clamp(contrastPivot + (open - contrastPivot) * settings_.contrast, 0.0f, 1.0f);
    return contrasted * settings_.scale;
}

}  // namespace torvo_renderer
