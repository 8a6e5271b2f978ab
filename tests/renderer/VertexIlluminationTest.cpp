// The radiance cache read ahead at vertices: on a finely divided surface a hit takes the light of
// its triangle's corners, which must agree with the cache looked up at the hit itself; surfaces
// with long edges, corners without cached light nearby, back sides' light and instances that cast
// no GI must all leave the hit to the cache lookup.
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
    MeshData mesh;
    mesh.name = name;
    mesh.path = std::string(name) + ".ttm";
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
    SceneDescription scene;
    RayScene rays;
    RadianceCache cache;
    VertexIllumination vertices;

    Floors()
    {
        for (const MeshData* mesh : {&fine, &coarse, &hidden}) {
            SceneInstance instance;
            instance.name = instance.shape = mesh->name;
            scene.instances.push_back(instance);
        }
        scene.instances[2].renderStats &= ~renderStat::CastGI;
        rays.build(scene, {&fine, &coarse, &hidden});
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
            }
        cache.add(points, spacing);
        vertices.build(rays, cache);
    }
};

TEST(VertexIllumination, FineSurfacesReadTheirCornersAndAgreeWithTheCache)
{
    Floors floors;
    const InstanceGeometry& fine = floors.rays.instances()[0];
    int read = 0;
    for (uint32_t p = 0; p < fine.corners.size() / 3; p += 7) {
        const float b1 = 0.7f, b2 = 0.1f;
        const SurfacePoint point = floors.rays.pointOn(0, p, b1, b2);
        Vec3 corners, looked;
        const bool lookedUp = floors.cache.illumination(point.position, point.normal, looked);
        if (!floors.vertices.at(0, p, b1, b2, corners))
            continue;
        ++read;
        ASSERT_TRUE(lookedUp) << "corners have light where the cache has none, at z " << point.position.z;
        // Within a blend radius of where the cached points end, the blended light bends, and the
        // corners' straight line follows it less closely.
        if (point.position.z > uncachedFrom - floors.cache.blendRadius())
            continue;
        // Mixing up two corners would move the light by about 0.04.
        EXPECT_NEAR(corners.x, looked.x, 0.01f) << point.position.x << " " << point.position.z;
        EXPECT_NEAR(corners.y, looked.y, 0.01f) << point.position.x << " " << point.position.z;
        EXPECT_NEAR(corners.z, looked.z, 0.01f);
    }
    // All but the triangles near the uncached quarter read their corners.
    EXPECT_GT(read, int(fine.corners.size() / 3 / 7 * 2 / 3));
    Vec3 out;
    // The uncached quarter's triangles (here one in the last row, far from cached points beyond
    // the floor's edge) leave the hit to the lookup, which finds nothing there.
    constexpr uint32_t lastRowTriangle = (63 * 64 + 10) * 2;
    EXPECT_FALSE(floors.vertices.at(0, lastRowTriangle, 0.3f, 0.3f, out));
}

TEST(VertexIllumination, LongEdgesAndInstancesCastingNoLightHaveNoneAtTheirVertices)
{
    Floors floors;
    Vec3 out;
    for (uint32_t p = 0; p < 2; ++p)
        EXPECT_FALSE(floors.vertices.at(1, p, 0.3f, 0.3f, out)) << "the coarse floor's triangle " << p;
    EXPECT_FALSE(floors.vertices.at(2, 100, 0.3f, 0.3f, out)) << "an instance casting no GI";
    EXPECT_FALSE(floors.vertices.at(-1, 0, 0.3f, 0.3f, out));
    EXPECT_FALSE(floors.vertices.at(3, 0, 0.3f, 0.3f, out));
}

}  // namespace
