// The radiance cache's lookups against a plain scan of every cached point: the grid that spares a
// lookup the scan must find exactly the points the lookup rule takes (within the reach, facing the
// same way, near the same plane), wherever the points lie and however the surfaces turn.
#include "RadianceCache.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace torvo_renderer;

// The rule as the renderer's guide states it: points within the reach (two spacings), weighted by
// 1 - distance / reach, whose normals lie within about 25 degrees (cosine 0.9) of the lookup's and
// which lie within a quarter of the reach of the lookup point's plane.
bool scanned(const std::vector<CachePoint>& points, float reach, Vec3 position, Vec3 normal, Vec3& out)
{
    double total = 0, r = 0, g = 0, b = 0;
    for (const CachePoint& p : points) {
        const Vec3 offset = position - p.position;
        const double distance = std::sqrt(double(dot(offset, offset)));
        if (distance >= reach || dot(p.normal, normal) < 0.9f || std::fabs(dot(p.normal, offset)) > 0.25f * reach)
            continue;
        const double w = 1.0 - distance / reach;
        total += w;
        r += w * p.illumination.x;
        g += w * p.illumination.y;
        b += w * p.illumination.z;
    }
    if (!(total > 0))
        return false;
    out = {float(r / total), float(g / total), float(b / total)};
    return true;
}

struct Layout {
    const char* name;
    Vec3 origin;  // where the surfaces lie: near the grid's origin and far from it
    float tilt;   // how far the sheets turn out of the grid's axes (radians)
};

TEST(RadianceCache, LookupsTakeTheSamePointsAsAScan)
{
    const Layout layouts[] = {
        {"axis-aligned near the origin", {0, 0, 0}, 0.0f},
        {"tilted near the origin", {0, 0, 0}, 0.6f},
        {"tilted far from the origin", {900.0f, -700.0f, 400.0f}, 0.35f},
        {"across negative cells", {-3.3f, -2.1f, -5.7f}, 1.1f},
    };
    for (const Layout& layout : layouts) {
        SCOPED_TRACE(layout.name);
        std::mt19937 random(7);
        std::uniform_real_distribution<float> unit(0.0f, 1.0f);
        // Two sheets of a thin wall (facing away from each other, 0.05 apart) and a floor under
        // them, each with its own light, so that the side and plane tests both have work to do.
        const float c = std::cos(layout.tilt), s = std::sin(layout.tilt);
        const Vec3 wallNormal{c, s, 0}, along{-s, c, 0}, floorUnit{0, 1, 0};
        std::vector<CachePoint> points;
        auto addPoint = [&](Vec3 position, Vec3 normal, Vec3 light) {
            CachePoint p;
            p.position = position + layout.origin;
            p.normal = normal;
            p.illumination = light;
            points.push_back(p);
        };
        for (int i = 0; i < 600; ++i) {
            const float u = unit(random), v = unit(random);
            const Vec3 onWall = along * u + Vec3{0, 0, v};
            addPoint(onWall, wallNormal, {1.0f + u, 0.5f, v});
            addPoint(onWall - wallNormal * 0.05f, -wallNormal, {0.2f, 2.0f - v, u});
            addPoint(Vec3{u * 2.0f - 1.0f, -0.5f, v * 2.0f - 1.0f}, floorUnit, {0.3f * u, 0.7f, 1.5f * v});
        }
        RadianceCache cache;
        const float spacing = 0.04f;
        // Two levels, as the prepass adds them: the second lookup scale is the one in force.
        const std::vector<CachePoint> coarse(points.begin(), points.begin() + 600);
        const std::vector<CachePoint> fine(points.begin() + 600, points.end());
        cache.add(coarse, 2.0f * spacing);
        cache.add(fine, spacing);
        const float reach = 2.0f * spacing;

        int found = 0, missing = 0;
        for (int i = 0; i < 3000; ++i) {
            // Lookups on and off the three surfaces, facing either way: within the plane test's
            // quarter reach (0.02) or well beyond it, never at its edge.
            const float offsets[] = {0.0f, 0.005f, -0.01f, 0.015f, 0.03f, -0.04f};
            const float u = unit(random), v = unit(random), jitter = offsets[random() % 6];
            Vec3 position, normal;
            switch (i % 4) {
            case 0: position = along * u + Vec3{0, 0, v} + wallNormal * jitter, normal = wallNormal; break;
            case 1: position = along * u + Vec3{0, 0, v} - wallNormal * (0.05f + jitter), normal = -wallNormal; break;
            case 2: position = Vec3{u * 2.0f - 1.0f, -0.5f + jitter, v * 2.0f - 1.0f}, normal = floorUnit; break;
            default: position = Vec3{u * 2.0f - 1.0f, -0.5f + jitter, v * 2.0f - 1.0f}, normal = -floorUnit; break;
            }
            position += layout.origin;
            Vec3 expected, got;
            const bool expectFound = scanned(points, reach, position, normal, expected);
            const bool gotFound = cache.illumination(position, normal, got);
            ASSERT_EQ(expectFound, gotFound) << "lookup " << i;
            if (!expectFound) {
                ++missing;
                continue;
            }
            ++found;
            const float tolerance = 1e-4f * (1.0f + length(expected));
            EXPECT_NEAR(got.x, expected.x, tolerance) << "lookup " << i;
            EXPECT_NEAR(got.y, expected.y, tolerance) << "lookup " << i;
            EXPECT_NEAR(got.z, expected.z, tolerance) << "lookup " << i;
        }
        // Both outcomes occur: facing-away lookups under the floor find nothing.
        EXPECT_GT(found, 1000);
        EXPECT_GT(missing, 300);
    }
}

}  // namespace

// Harmonics gathered by a few dozen rays each are grainy; an RNM pass that reads them takes them
// blended over twice the lookup's reach. On a flat sheet whose points carry noise around one
// value, the blend keeps the mean and leaves a fraction of the spread, while the illumination
// the gathers read (with its sharp direct light) stays each point's own.
TEST(RadianceCache, HarmonicsAreSmoothedAndIlluminationIsNot)
{
    std::mt19937 random(11);
    std::normal_distribution<float> noise(0.0f, 0.2f);
    constexpr int side = 40;
    constexpr float spacing = 0.1f;
    std::vector<CachePoint> points;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            CachePoint p;
            p.position = {x * spacing, 0.0f, y * spacing};
            p.normal = {0, 1, 0};
            p.illumination = {float(x), 0, 0};  // a ramp: smoothing would bend it at the edges
            p.harmonics[0] = {1.0f + noise(random), 1, 1};
            points.push_back(p);
        }
    RadianceCache cache;
    cache.add(points, spacing);
    // Project onto the normal: h0 * Y00 (cosine lobe 1) + the order-1 terms (all 0 here).
    const Vec3 up{0, 1, 0};
    double before = 0, after = 0, mean = 0;
    int counted = 0;
    for (int y = 4; y < side - 4; ++y)
        for (int x = 4; x < side - 4; ++x) {
            const CachePoint& p = points[size_t(y) * side + x];
            Vec3 out;
            ASSERT_TRUE(cache.project(p.position, p.normal, &up, 1, true, &out));
            const double unsmoothed = p.harmonics[0].x * 0.282095;
            before += (unsmoothed - 0.282095) * (unsmoothed - 0.282095);
            after += (out.x - 0.282095) * (out.x - 0.282095);
            mean += out.x;
            ++counted;
            Vec3 light;
            ASSERT_TRUE(cache.illumination(p.position, p.normal, light));
            EXPECT_NEAR(light.x, float(x), 1e-3f);
        }
    EXPECT_NEAR(mean / counted, 0.282095, 0.01);
    // A lookup alone blends the 9 points within two spacings with weights 1 - d / reach: 1, four
    // of 1/2 and four of 1 - 1/sqrt 2, which leaves sqrt(sum w^2) / sum w = 0.367 of the spread.
    // With the points' own blend first, clearly less is left.
    const double diagonal = 1.0 - 1.0 / std::sqrt(2.0);
    const double lookupAlone =
        std::sqrt(1.0 + 4 * 0.25 + 4 * diagonal * diagonal) / (1.0 + 4 * 0.5 + 4 * diagonal);
    EXPECT_LT(std::sqrt(after / counted), 0.85 * lookupAlone * std::sqrt(before / counted));
}
