// A hit's surface point built from the ray (its distance and the tracer's own geometric normal)
// against the one built from the triangle's corners: same place, same normals, the same side
// facing out, for every way a mesh's normals can stand to its winding; and the tracer's normal
// points where the corners wind.
#include "InProcessMesh.h"
#include "MeshData.h"
#include "RayScene.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

using namespace torvo_renderer;

// A tilted pyramid of four triangles over a square, its vertex normals given per case.
MeshData pyramid(const char* name, float x0, Vec3 normal, bool normalsFromShape)
{
    MeshData mesh = rtest::namedMesh(name);
    mesh.positions = {{x0, 0, 0}, {x0 + 1, 0.2f, 0}, {x0 + 1, 0.1f, 1}, {x0, 0.3f, 1}, {x0 + 0.5f, 0.8f, 0.5f}};
    for (const Vec3& p : mesh.positions)
        mesh.normals.push_back(normalsFromShape ? normalizedOr(p - Vec3{x0 + 0.5f, -0.5f, 0.5f}, {0, 1, 0}) : normal);
    mesh.indices = {0, 4, 1, 1, 4, 2, 2, 4, 3, 3, 4, 0};
    mesh.groups.push_back({"stone", 0, 4});
    return mesh;
}

TEST(RayScene, PointsFromTheRayMatchPointsFromTheCorners)
{
    struct Case {
        const char* name;
        Vec3 normal;
        bool fromShape;
        bool opposite;
    };
    const Case cases[] = {
        {"smooth normals", {}, true, false},
        {"smooth normals, opposite", {}, true, true},
        {"normals taken from the faces", {0, 0, 0}, false, false},
        {"normals taken from the faces, opposite", {0, 0, 0}, false, true},
        {"normals against the winding", {0, -1, 0}, false, false},
    };
    std::vector<MeshData> meshes;
    SceneDescription scene;
    for (size_t i = 0; i < std::size(cases); ++i) {
        meshes.push_back(pyramid(cases[i].name, 3.0f * float(i), cases[i].normal, cases[i].fromShape));
        SceneInstance instance;
        instance.name = instance.shape = cases[i].name;
        if (cases[i].opposite)
            instance.renderStats |= renderStat::Opposite;
        scene.instances.push_back(instance);
    }
    std::vector<const MeshData*> meshOf;
    for (const MeshData& mesh : meshes)
        meshOf.push_back(&mesh);
    RayScene rays;
    rays.build(scene, meshOf);
    std::mt19937 random(11);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    for (size_t i = 0; i < std::size(cases); ++i) {
        SCOPED_TRACE(cases[i].name);
        int hits = 0;
        for (int k = 0; k < 200; ++k) {
            // From above and from below, so that front and back faces are both met.
            const bool above = k % 2 == 0;
            const Vec3 target{3.0f * float(i) + 0.1f + 0.8f * unit(random), 0.0f, 0.1f + 0.8f * unit(random)};
            const Vec3 origin = target + Vec3{0.3f * (unit(random) - 0.5f), above ? 2.0f : -2.0f, 0.0f};
            const Vec3 direction = normalizedOr(target - origin, {0, -1, 0});
            RayHit hit;
            if (!rays.intersect(origin, direction, 10.0f, RayFilter{}, hit))
                continue;
            ++hits;
            const InstanceGeometry& g = rays.instances()[size_t(hit.instance)];
            const uint32_t* c = &g.corners[size_t(hit.primitive) * 3];
            const Vec3 winding = cross(g.positions[c[1]] - g.positions[c[0]], g.positions[c[2]] - g.positions[c[0]]);
            EXPECT_GT(dot(normalizedOr(hit.geometricNormal, {}), normalizedOr(winding, {})), 0.99999f);
            const SurfacePoint fromCorners = rays.pointOn(hit.instance, hit.primitive, hit.u, hit.v);
            const SurfacePoint fromRay = rays.pointAt(hit, origin, direction);
            EXPECT_EQ(fromRay.instance, fromCorners.instance);
            EXPECT_EQ(fromRay.primitive, fromCorners.primitive);
            EXPECT_LT(length(fromRay.position - fromCorners.position), 1e-5f);
            EXPECT_GT(dot(fromRay.normal, fromCorners.normal), 0.99999f);
            EXPECT_GT(dot(fromRay.geometricNormal, fromCorners.geometricNormal), 0.99999f);
        }
        EXPECT_GT(hits, 150);
    }
}

}  // namespace
