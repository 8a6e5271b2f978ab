// The radiance cache read ahead at vertices: on a finely divided surface a hit on the front takes
// the light of its triangle's corners, which must agree with the cache looked up at the hit itself;
// the front is the side the normals face, also where they face against the winding. Surfaces with
// long edges, corners without cached light nearby, back sides and instances that cast no GI must
// all leave the hit to the cache lookup.
#include "InProcessMesh.h"
#include "MeshData.h"
#include "RadianceCache.h"
#include "RayScene.h"
#include "VertexIllumination.h"

#include <gtest/gtest.h>

#include <cmath>
#include <vector>

namespace {

using namespace torvo_renderer;

// A floor of cells x cells squares over [x0, x0 + side] x [0, side] at height 0, facing +Y.
MeshData floorGrid(const char* name, float x0, float side, int cells)
{
    MeshData mesh = rtest::namedMesh(name);
    const float step = side / float(cells);
    for (int j = 0; j <= cells; ++j)
        for (int i = 0; i <= cells; ++i) {
            mesh.positions.push_back({x0 + float(i) * step, 0, float(j) * step});
            mesh.normals.push_back({0, 1, 0});
        }
    for (int j = 0; j < cells; ++j)
        for (int i = 0; i < cells; ++i) {
            const uint32_t a = uint32_t(j * (cells + 1) + i), b = a + 1, c = a + uint32_t(cells) + 1, d = c + 1;
            for (uint32_t index : {a, d, b, a, c, d})
                mesh.indices.push_back(index);
        }
    mesh.groups.push_back({"ground", 0, static_cast<uint32_t>(mesh.indices.size() / 3)});
    return mesh;
}

constexpr float uncachedFrom = 0.75f;

// Light rising steeply across the cached floor, so that a corner's light taken for another's shows.
Vec3 gradientAt(Vec3 p) { return Vec3{0.2f + 4.0f * p.x, 0.2f + 4.0f * p.z, 0.5f}; }

struct Floors {
    MeshData fine = floorGrid("fine", 0.0f, 1.0f, 64);
    MeshData coarse = floorGrid("coarse", 2.0f, 1.0f, 1);
    MeshData hidden = floorGrid("hidden", 4.0f, 1.0f, 64);  // casts no GI
    MeshData turned = floorGrid("turned", 6.5f, 1.0f, 64);  // its front faces down
    SceneDescription scene;
    RayScene rays;
    RadianceCache cache;
    VertexIllumination vertices;

    Floors()
    {
        for (const MeshData* mesh : {&fine, &coarse, &hidden, &turned}) {
            SceneInstance instance;
            instance.name = instance.shape = mesh->name;
            scene.instances.push_back(instance);
        }
        scene.instances[2].renderStats &= ~renderStat::CastGI;
        scene.instances[3].renderStats |= renderStat::Opposite;
        rays.build(scene, {&fine, &coarse, &hidden, &turned});
        // Points on a lattice over all three floors, except the fine floor's far quarter
        // (z > 0.75), which has no light cached near it.
        constexpr int across = 120;
        const float spacing = 6.0f / float(across);
        std::vector<CachePoint> points;
        for (int j = 0; j < across / 6; ++j)
            for (int i = 0; i < across; ++i) {
                CachePoint p;
                p.position = {(float(i) + 0.5f) * spacing, 0.0f, (float(j) + 0.5f) * spacing};
                if (p.position.x < 1.0f && p.position.z > uncachedFrom)
                    continue;
                p.normal = {0, 1, 0};
                p.illumination = gradientAt(p.position);
                points.push_back(p);
                // The turned floor's light, on its underside.
                p.position.x += 6.5f;
                p.normal = {0, -1, 0};
                if (p.position.x < 7.5f)
                    points.push_back(p);
            }
        cache.add(points, spacing);
        vertices.build(rays, cache);
    }
};

// The hit of a ray straight down (or up) onto a floor at (x, z); false where it meets nothing.
bool hitAt(const Floors& floors, float x, float z, bool fromAbove, RayHit& hit, Vec3& direction)
{
    const Vec3 origin{x, fromAbove ? 1.0f : -1.0f, z};
    direction = {0.0f, fromAbove ? -1.0f : 1.0f, 0.0f};
    return floors.rays.intersect(origin, direction, 2.0f, RayFilter{}, hit);
}

TEST(VertexIllumination, FineSurfacesReadTheirCornersAndAgreeWithTheCache)
{
    Floors floors;
    int read = 0, compared = 0;
    for (float z = 0.013f; z < 1.0f; z += 0.031f)
        for (float x = 0.011f; x < 1.0f; x += 0.029f) {
            RayHit hit;
            Vec3 direction, corners, looked;
            ASSERT_TRUE(hitAt(floors, x, z, true, hit, direction));
            ASSERT_EQ(hit.instance, 0);
            const SurfacePoint point = floors.rays.pointAt(hit, Vec3{x, 1.0f, z}, direction);
            const bool lookedUp = floors.cache.illumination(point.position, point.normal, looked);
            if (!floors.vertices.frontAt(hit, direction, corners))
                continue;
            ++read;
            ASSERT_TRUE(lookedUp) << "corners have light where the cache has none, at z " << z;
            // Within a blend radius of where the cached points end, the blended light bends, and
            // the corners' straight line follows it less closely.
            if (z > uncachedFrom - floors.cache.blendRadius())
                continue;
            ++compared;
            // Mixing up two corners would move the light by about 0.04.
            EXPECT_NEAR(corners.x, looked.x, 0.01f) << x << " " << z;
            EXPECT_NEAR(corners.y, looked.y, 0.01f) << x << " " << z;
            EXPECT_NEAR(corners.z, looked.z, 0.01f);
            // The floor's back never reads the front's light.
            Vec3 back;
            ASSERT_TRUE(hitAt(floors, x, z, false, hit, direction));
            EXPECT_FALSE(floors.vertices.frontAt(hit, direction, back)) << "from below at " << x << " " << z;
        }
    EXPECT_GT(compared, 500);
    RayHit hit;
    Vec3 direction, out;
    ASSERT_TRUE(hitAt(floors, 0.5f, 0.99f, true, hit, direction));
    EXPECT_FALSE(floors.vertices.frontAt(hit, direction, out));
}

TEST(VertexIllumination, AFloorTurnedOverShowsItsUndersideLight)
{
    Floors floors;
    RayHit hit;
    Vec3 direction, corners, looked;
    ASSERT_TRUE(hitAt(floors, 6.9f, 0.4f, false, hit, direction));
    ASSERT_EQ(hit.instance, 3);
    const SurfacePoint point = floors.rays.pointAt(hit, Vec3{6.9f, -1.0f, 0.4f}, direction);
    ASSERT_TRUE(floors.cache.illumination(point.position, point.normal, looked));
    ASSERT_TRUE(floors.vertices.frontAt(hit, direction, corners));
    EXPECT_NEAR(corners.x, looked.x, 0.01f);
    EXPECT_NEAR(corners.y, looked.y, 0.01f);
    ASSERT_TRUE(hitAt(floors, 6.9f, 0.4f, true, hit, direction));
    EXPECT_FALSE(floors.vertices.frontAt(hit, direction, corners)) << "its upper side is its back";
}

TEST(VertexIllumination, LongEdgesAndInstancesCastingNoLightHaveNoneAtTheirVertices)
{
    Floors floors;
    RayHit hit;
    Vec3 direction, out;
    for (float x : {2.2f, 2.8f}) {
        ASSERT_TRUE(hitAt(floors, x, 0.3f, true, hit, direction));
        EXPECT_FALSE(floors.vertices.frontAt(hit, direction, out)) << "the coarse floor at " << x;
    }
    ASSERT_TRUE(hitAt(floors, 4.5f, 0.3f, true, hit, direction));
    EXPECT_FALSE(floors.vertices.frontAt(hit, direction, out)) << "an instance casting no GI";
    hit.instance = -1;
    EXPECT_FALSE(floors.vertices.frontAt(hit, direction, out));
    hit.instance = 4;
    EXPECT_FALSE(floors.vertices.frontAt(hit, direction, out));
}

}  // namespace
