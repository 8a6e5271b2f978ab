#include "DirectLighting.h"

#include "Sampling.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

namespace torvo_renderer {

namespace {

constexpr float degree = Pi / 180.0f;
// Shadow rays per light and sample point at most: more add nothing visible and could stall a bake.
constexpr int maxShadowSamples = 1 << 12;
// A spot light's gobo covers its cone; cones wider than this project onto a plane no further.
constexpr float widestGoboHalfAngle = 89.0f * degree;

Vec3 unitColumn(const Mat4& m, int c, Vec3 fallback)
{
    return normalizedOr(m.column(c), fallback);
}

}  // namespace

DirectLighting::DirectLighting(const SceneDescription& scene, const RayScene& rays,
                               const std::map<std::string, TextureImage>& textures)
    : rays_(rays)
{
    for (const SceneLight& source : scene.lights) {
        Light light;
        light.kind = source.kind;
        light.color = source.color * source.directScale;
        light.position = source.transform.translation();
        light.falloff = source.falloff;
        light.castShadows = source.castShadows;
        light.samples = std::clamp(source.shadowSamples, 1, maxShadowSamples);
        light.shadowRadius = source.shadowRadius;
        // Lights shine along their local -Z.
        light.axis = -unitColumn(source.transform, 2, {0, 0, 1});
        light.toLight = -light.axis;
        light.cosShadowCone = std::cos(std::min(source.shadowAngleDegrees, 180.0f) * 0.5f * degree);
        if (source.kind == LightKind::Spot) {
            const float half = source.coneDegrees * 0.5f * degree;
            const float penumbra = source.penumbraDegrees * degree;
            light.innerAngle = std::clamp(half + std::min(0.0f, penumbra), 0.0f, Pi);
            light.outerAngle = std::clamp(half + std::max(0.0f, penumbra), 0.0f, Pi);
            light.cosInner = std::cos(light.innerAngle);
            light.cosOuter = std::cos(light.outerAngle);
            light.penumbraExponent = source.penumbraExponent;
            light.tanHalfCone = std::tan(std::clamp(half, 1e-4f, widestGoboHalfAngle));
            light.goboX = unitColumn(source.transform, 0, {1, 0, 0});
            light.goboY = unitColumn(source.transform, 1, {0, 1, 0});
            const auto gobo = textures.find(source.goboTexture);
            if (!source.goboTexture.empty() && gobo != textures.end())
                light.gobo = &gobo->second;
        }
        if (source.kind == LightKind::Area || source.kind == LightKind::Window) {
            // The square spans local X and Y from -1 to 1 and lights the side of local -Z.
            light.edgeX = source.transform.column(0);
            light.edgeY = source.transform.column(1);
            const float determinant = source.transform.determinant3();
            const Vec3 face = cross(light.edgeX, light.edgeY) * (determinant < 0.0f ? 1.0f : -1.0f);
            light.emitting = normalizedOr(face, light.axis);
        }
        light.reachesFree = scene.lightReaches(source, -1);
        light.reaches.resize(scene.instances.size());
        for (size_t i = 0; i < scene.instances.size(); ++i)
            light.reaches[i] = scene.lightReaches(source, static_cast<int>(i)) ? 1 : 0;
        lights_.push_back(light);
    }
}

float DirectLighting::attenuation(const LightFalloff& falloff, float distance)
{
    if (distance > falloff.cutoff)
        return 0.0f;
    if (falloff.exponent == 0.0f)
        return 1.0f;
    if (falloff.alternative) {
        // A window that reaches zero at the cutoff distance.
        const float ratio = std::isinf(falloff.cutoff) || falloff.cutoff <= 0.0f ? 0.0f : distance / falloff.cutoff;
        return std::pow(std::max(0.0f, 1.0f - ratio * ratio), falloff.exponent);
    }
    const float value = 1.0f / std::pow(distance, falloff.exponent);
    return falloff.clampToOne ? std::min(1.0f, value) : value;
}

float DirectLighting::squareFormFactor(const Light& light, Vec3 position, Vec3 normal)
{
    if (dot(position - light.position, light.emitting) <= 0.0f)
        return 0.0f;
    // Corners relative to the point, clipped to the point's upper hemisphere, in double precision
    // since small and far lights need the angles to many digits.
    struct D3 {
        double x, y, z;
    };
    auto rel = [&](float sx, float sy) {
        const Vec3 c = light.position + light.edgeX * sx + light.edgeY * sy - position;
        return D3{c.x, c.y, c.z};
    };
    const D3 n{normal.x, normal.y, normal.z};
    auto dotD = [](D3 a, D3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    const D3 corners[4] = {rel(-1, -1), rel(1, -1), rel(1, 1), rel(-1, 1)};
    D3 clipped[5];
    int count = 0;
    for (int i = 0; i < 4; ++i) {
        const D3 a = corners[i], b = corners[(i + 1) % 4];
        const double da = dotD(n, a), db = dotD(n, b);
        if (da >= 0)
            clipped[count++] = a;
        if ((da >= 0) != (db >= 0)) {
            const double t = da / (da - db);
            clipped[count++] = {a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t, a.z + (b.z - a.z) * t};
        }
    }
    if (count < 3)
        return 0.0f;
    double sum = 0;
    for (int i = 0; i < count; ++i) {
        const D3 a = clipped[i], b = clipped[(i + 1) % count];
        const double la = std::sqrt(dotD(a, a)), lb = std::sqrt(dotD(b, b));
        if (la == 0 || lb == 0)
            continue;
        const double cosine = std::clamp(dotD(a, b) / (la * lb), -1.0, 1.0);
        const D3 c{a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
        const double lc = std::sqrt(dotD(c, c));
        if (lc == 0)
            continue;
        sum += std::acos(cosine) * dotD(n, c) / lc;
    }
    return static_cast<float>(std::min(1.0, std::abs(sum) / (2.0 * 3.14159265358979323846)));
}

namespace {

// The part of a square light a receiving point can see: the bounding box, in the light's own
// coordinates (-1..1 along each half edge), of the square clipped to the point's upper half-space.
// Samples are drawn from this box only, so that a surface next to the light's plane does not waste
// most of its samples on the part behind it.
struct LightWindow {
    float s0 = -1, s1 = 1, t0 = -1, t1 = 1;
    bool empty = false;
};

LightWindow visiblePart(const DirectLighting::Light& light, Vec3 position, Vec3 normal)
{
    // The signed height over the receiver's plane is linear over the square: a + b s + c t.
    const double a = dot(light.position - position, normal), b = dot(light.edgeX, normal),
                 c = dot(light.edgeY, normal);
    const double corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    LightWindow window;
    double s0 = 2, s1 = -2, t0 = 2, t1 = -2;
    auto take = [&](double s, double t) {
        s0 = std::min(s0, s);
        s1 = std::max(s1, s);
        t0 = std::min(t0, t);
        t1 = std::max(t1, t);
    };
    for (int i = 0; i < 4; ++i) {
        const double* p = corners[i];
        const double* q = corners[(i + 1) % 4];
        const double hp = a + b * p[0] + c * p[1], hq = a + b * q[0] + c * q[1];
        if (hp >= 0)
            take(p[0], p[1]);
        if ((hp >= 0) != (hq >= 0)) {
            const double f = hp / (hp - hq);
            take(p[0] + (q[0] - p[0]) * f, p[1] + (q[1] - p[1]) * f);
        }
    }
    if (s0 > s1 || t0 > t1) {
        window.empty = true;
        return window;
    }
    window.s0 = static_cast<float>(std::max(-1.0, s0));
    window.s1 = static_cast<float>(std::min(1.0, s1));
    window.t0 = static_cast<float>(std::max(-1.0, t0));
    window.t1 = static_cast<float>(std::min(1.0, t1));
    return window;
}

// Perpendicular edges within this cosine allow the solid-angle map; sheared squares are sampled by
// area instead.
constexpr float squareCornerTolerance = 1e-4f;
// Below this solid angle (steradians) a light is sampled by area: the map loses its digits there
// and the light is too small for the difference to show.
constexpr double smallestMappedSolidAngle = 1e-9;
// The solid-angle map costs about as much as a shadow ray in a small scene; it pays only where the
// light's share per unit of area (cosine at the light over squared distance) differs much over the
// visible part, which area sampling with weights then covers with few effective rays. Up to this
// ratio between the corners the weights cost less than a fifth of the rays' worth (for weights
// spread evenly from 1 to 8 the effective share is (E w)^2 / E w^2 = 0.83).
constexpr float largestAreaWeightSpread = 8.0f;

// The largest over the smallest share per unit of area of the window's corners, seen from origin
// (infinite when a corner lies in the light's plane or behind it).
float areaWeightSpread(Vec3 corner, Vec3 spanX, Vec3 spanY, Vec3 emitting, Vec3 origin)
{
    float lowest = std::numeric_limits<float>::infinity(), highest = 0;
    for (int c = 0; c < 4; ++c) {
        const Vec3 toward = corner + spanX * float(c & 1) + spanY * float(c >> 1) - origin;
        const float d2 = dot(toward, toward);
        const float facing = -dot(toward, emitting);
        const float share = d2 > 0.0f ? facing / (d2 * std::sqrt(d2)) : 0.0f;
        lowest = std::min(lowest, share);
        highest = std::max(highest, share);
    }
    return lowest > 0.0f ? highest / lowest : std::numeric_limits<float>::infinity();
}

}  // namespace

float DirectLighting::visibility(const Light& light, size_t index, const SurfacePoint& point, Vec3 toLight,
                                 float distance, uint64_t seed, uint64_t& rays) const
{
    if (!light.castShadows)
        return 1.0f;
    if (point.instance >= 0 &&
        !rays_.instances()[static_cast<size_t>(point.instance)].stat(renderStat::ReceiveShadows))
        return 1.0f;
    RayFilter filter;
    filter.requiredStat = renderStat::CastShadows;
    filter.receiver = point.instance;
    const Vec3 origin = rays_.rayOrigin(point);
    const float shorter = 1.0f - 1e-4f;
    // One sample cannot show a penumbra: a ray at a random place of the light would turn it into
    // noise from point to point, so a single ray goes to the light's centre (a hard shadow).
    const bool single = light.samples <= 1;
    std::optional<StratifiedSquare> pattern;  // built only when there is a pattern to draw from
    if (!single)
        pattern.emplace(static_cast<uint32_t>(light.samples), seedOf(salt::Shadow, seed, index));

    if (light.kind == LightKind::Area || light.kind == LightKind::Window) {
        const LightWindow window = visiblePart(light, origin, point.normal);
        if (window.empty)
            return 1.0f;
        const Vec3 corner = light.position + light.edgeX * window.s0 + light.edgeY * window.t0;
        const Vec3 spanX = light.edgeX * (window.s1 - window.s0), spanY = light.edgeY * (window.t1 - window.t0);
        const float cornerCosine =
            std::abs(dot(normalizedOr(light.edgeX, {1, 0, 0}), normalizedOr(light.edgeY, {0, 1, 0})));
        const bool worthMapping = !single && cornerCosine < squareCornerTolerance &&
                                  areaWeightSpread(corner, spanX, spanY, light.emitting, origin) > largestAreaWeightSpread;
        const SphericalRectangle byAngle =
            worthMapping ? SphericalRectangle(corner, spanX, spanY, origin) : SphericalRectangle();
        const bool mapped = worthMapping && byAngle.solidAngle() > smallestMappedSolidAngle;
        const int samples = single ? 1 : light.samples;
        // Each ray's share is weighted by what its part of the light gives the point (the ratio of
        // the weighted open rays to all weights), so that the shadowed share follows the light's
        // brightness over the square; the unshadowed value itself is computed exactly.
        float weighted = 0, total = 0;
        for (int s = 0; s < samples; ++s) {
            float u = 0.5f, v = 0.5f;
            if (!single)
                pattern->at(static_cast<uint32_t>(s), u, v);
            const Vec3 target = mapped ? byAngle.point(u, v) : corner + spanX * u + spanY * v;
            const Vec3 toward = target - origin;
            const float d = length(toward);
            if (!(d > 0.0f))
                continue;
            const Vec3 direction = toward * (1.0f / d);
            const float facing = std::max(0.0f, -dot(direction, light.emitting));
            const float receiving = std::max(0.0f, dot(direction, point.normal));
            // Drawn by solid angle, a sample already stands for its share of the light's cosine
            // and distance; drawn by area it carries them.
            const float weight = mapped ? (facing > 0.0f ? receiving : 0.0f) : receiving * facing / (d * d);
            if (!(weight > 0.0f))
                continue;
            total += weight;
            ++rays;
            if (!rays_.occluded(origin, direction, d * shorter, filter))
                weighted += weight;
        }
        return total > 0.0f ? weighted / total : 1.0f;
    }

    const bool soft = !single &&
                      ((light.kind == LightKind::Directional && light.cosShadowCone < 1.0f) ||
                       ((light.kind == LightKind::Point || light.kind == LightKind::Spot) && light.shadowRadius > 0.0f));
    const int samples = soft ? light.samples : 1;
    Vec3 t, b;
    orthonormalBasis(toLight, t, b);
    int open = 0;
    for (int s = 0; s < samples; ++s) {
        Vec3 direction = toLight;
        float reach = distance * shorter;
        if (soft) {
            float u, v, x, y;
            pattern->at(static_cast<uint32_t>(s), u, v);
            sampleDisk(u, v, x, y);
            if (light.kind == LightKind::Directional) {
                direction = coneFromDisk(toLight, t, b, light.cosShadowCone, x, y);
            } else {
                const Vec3 target = light.position + (t * x + b * y) * light.shadowRadius;
                const Vec3 toward = target - origin;
                const float d = length(toward);
                if (!(d > 0.0f))
                    continue;
                direction = toward * (1.0f / d);
                reach = d * shorter;
            }
        }
        ++rays;
        if (!rays_.occluded(origin, direction, reach, filter))
            ++open;
    }
    return static_cast<float>(open) / static_cast<float>(samples);
}

Vec3 DirectLighting::lightFrom(const Light& light, size_t index, const SurfacePoint& point, uint64_t seed,
                               uint64_t& rays, float* seenOut) const
{
    if (seenOut)
        *seenOut = 0;
    const Vec3 p = point.position;
    const Vec3 n = point.normal;
    switch (light.kind) {
    case LightKind::Directional: {
        const float cosine = dot(n, light.toLight);
        if (cosine <= 0.0f)
            return {};
        const float seen = visibility(light, index, point, light.toLight, std::numeric_limits<float>::infinity(), seed, rays);
        if (seenOut)
            *seenOut = seen;
        return light.color * (cosine * seen);
    }
    case LightKind::Point:
    case LightKind::Spot: {
        const Vec3 toward = light.position - p;
        const float distance = length(toward);
        if (!(distance > 0.0f))
            return {};
        const Vec3 l = toward * (1.0f / distance);
        const float cosine = dot(n, l);
        if (cosine <= 0.0f)
            return {};
        float factor = cosine * attenuation(light.falloff, distance);
        Vec3 tint{1, 1, 1};
        if (light.kind == LightKind::Spot) {
            const float along = dot(-l, light.axis);
            if (along <= light.cosOuter)
                return {};
            if (along < light.cosInner) {
                const float angle = std::acos(std::clamp(along, -1.0f, 1.0f));
                const float t = (light.outerAngle - angle) / (light.outerAngle - light.innerAngle);
                factor *= std::pow(std::clamp(t, 0.0f, 1.0f), light.penumbraExponent);
            }
            if (light.gobo && along > 0.0f) {
                const float s = dot(-l, light.goboX) / along / light.tanHalfCone;
                const float t = dot(-l, light.goboY) / along / light.tanHalfCone;
                tint = light.gobo->sample(0.5f + 0.5f * s, 0.5f + 0.5f * t);
            }
        }
        if (factor <= 0.0f)
            return {};
        const float seen = visibility(light, index, point, l, distance, seed, rays);
        if (seenOut)
            *seenOut = seen;
        return light.color * tint * (factor * seen);
    }
    case LightKind::Area:
    case LightKind::Window: {
        const float form = squareFormFactor(light, p, n);
        if (form <= 0.0f)
            return {};
        const float factor = form * attenuation(light.falloff, length(light.position - p));
        if (factor <= 0.0f)
            return {};
        const float seen = visibility(light, index, point, {}, 0.0f, seed, rays);
        if (seenOut)
            *seenOut = seen;
        return light.color * (factor * seen);
    }
    }
    return {};
}

void DirectLighting::project(const SurfacePoint& point, const Vec3* directions, size_t count, bool signedCosine,
                             bool cullHorizon, uint64_t seed, uint64_t& rays, Vec3* out) const
{
    for (size_t k = 0; k < count; ++k)
        out[k] = {};
    for (size_t i = 0; i < lights_.size(); ++i) {
        const Light& light = lights_[i];
        if (point.instance >= 0 ? light.reaches[static_cast<size_t>(point.instance)] == 0 : !light.reachesFree)
            continue;
        if (light.kind == LightKind::Area || light.kind == LightKind::Window) {
            if (cullHorizon && dot(light.position - point.position, point.normal) <= 0.0f)
                continue;
            SurfacePoint facing = point;
            for (size_t k = 0; k < count; ++k) {
                facing.normal = directions[k];
                out[k] += lightFrom(light, i, facing, seed, rays);
            }
            continue;
        }
        // The light's strength and direction: its value for a surface facing it.
        Vec3 l = light.toLight;
        if (light.kind != LightKind::Directional)
            l = normalizedOr(light.position - point.position, point.normal);
        if (cullHorizon && dot(l, point.normal) <= 0.0f)
            continue;
        SurfacePoint facing = point;
        facing.normal = l;
        const Vec3 strength = lightFrom(light, i, facing, seed, rays);
        for (size_t k = 0; k < count; ++k) {
            const float cosine = dot(directions[k], l);
            out[k] += strength * (signedCosine ? cosine : std::max(0.0f, cosine));
        }
    }
}

Vec3 DirectLighting::at(const SurfacePoint& point, uint64_t seed, uint64_t& rays) const
{
    Vec3 sum;
    for (size_t i = 0; i < lights_.size(); ++i) {
        const Light& light = lights_[i];
        if (point.instance >= 0 ? light.reaches[static_cast<size_t>(point.instance)] == 0 : !light.reachesFree)
            continue;
        sum += lightFrom(light, i, point, seed, rays);
    }
    return sum;
}

Vec3 DirectLighting::fromLight(size_t index, const SurfacePoint& point, uint64_t seed, uint64_t& rays, float& seen) const
{
    seen = 0;
    if (index >= lights_.size())
        return {};
    const Light& light = lights_[index];
    if (point.instance >= 0 ? light.reaches[static_cast<size_t>(point.instance)] == 0 : !light.reachesFree)
        return {};
    return lightFrom(light, index, point, seed, rays, &seen);
}

}  // namespace torvo_renderer
