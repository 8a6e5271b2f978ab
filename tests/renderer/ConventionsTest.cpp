// Conventions of the renderer's parts, checked in process: which material a surface gets, and
// where the cameras look.
#include "Bakers.h"
#include "SceneDocument.h"

#include "../TestFiles.h"

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>

namespace {

using namespace torvo_renderer;

const char* const materialsScene =
    "<KXScene>"
    "<Instance><Name>plain</Name><Shape>m</Shape><ObjectToWorld><r><c>1</c><c>0</c><c>0</c><c>0</c></r>"
    "<r><c>0</c><c>1</c><c>0</c><c>0</c></r><r><c>0</c><c>0</c><c>1</c><c>0</c></r>"
    "<r><c>0</c><c>0</c><c>0</c><c>1</c></r></ObjectToWorld><LightLinkMode>None</LightLinkMode></Instance>"
    "<Instance><Name>dressed</Name><Shape>m</Shape><ObjectToWorld><r><c>1</c><c>0</c><c>0</c><c>0</c></r>"
    "<r><c>0</c><c>1</c><c>0</c><c>0</c></r><r><c>0</c><c>0</c><c>1</c><c>0</c></r>"
    "<r><c>0</c><c>0</c><c>0</c><c>1</c></r></ObjectToWorld><LightLinkMode>None</LightLinkMode>"
    "<MaterialOverrides><element></element><element><![CDATA[wood]]></element></MaterialOverrides></Instance>"
    "<Material><Name><![CDATA[stone]]></Name><Diffuse><Color><r>0.25</r><g>0.5</g><b>0.75</b><a>0</a></Color>"
    "<Scale>1</Scale></Diffuse><Shininess>0</Shininess></Material>"
    "<Material><Name><![CDATA[wood]]></Name><Shininess>0</Shininess></Material>"
    "</KXScene>";

TEST(MaterialRules, GroupNameThenInstanceOverrideThenTheDefaultGrey)
{
    testfiles::TestDirectory dir("renderer-conventions");
    std::ofstream(dir / "scene.xml") << materialsScene;
    const SceneDescription scene = readSceneDocument(dir / "scene.xml");
    const int stone = scene.materialIndex("stone"), wood = scene.materialIndex("wood");
    ASSERT_GE(stone, 0);
    ASSERT_GE(wood, 0);
    const SceneInstance& plain = scene.instances[0];
    const SceneInstance& dressed = scene.instances[1];
    EXPECT_EQ(resolveMaterial(scene, plain, "stone"), stone);
    EXPECT_EQ(resolveMaterial(scene, plain, "glass"), -1);
    EXPECT_EQ(resolveMaterial(scene, dressed, "stone"), wood);
    EXPECT_EQ(resolveMaterial(scene, dressed, "glass"), wood);

    EXPECT_FLOAT_EQ(scene.materials[stone].channels[Diffuse].color[2], 0.75f);
    // A channel the document leaves out is neutral: black.
    EXPECT_EQ(scene.materials[wood].channels[Diffuse].color[0], 0.0f);
    // No material at all: 0.7 grey.
    EXPECT_FLOAT_EQ(SceneMaterial::defaultMaterial().channels[Diffuse].color[1], 0.7f);
}

void expectDirection(const SceneCamera& camera, int width, int height, int x, int y, Vec3 expected)
{
    Vec3 direction;
    ASSERT_TRUE(cameraDirection(camera, width, height, x, y, direction));
    const Vec3 unit = normalizedOr(direction, {});
    const Vec3 want = normalizedOr(expected, {});
    EXPECT_NEAR(unit.x, want.x, 1e-5) << x << "," << y;
    EXPECT_NEAR(unit.y, want.y, 1e-5) << x << "," << y;
    EXPECT_NEAR(unit.z, want.z, 1e-5) << x << "," << y;
}

TEST(CameraRules, CamerasLookAlongMinusZWithPlusYUpAndRowZeroAtTheTop)
{
    SceneCamera perspective;
    perspective.fovX = Pi / 2;
    perspective.fovY = perspective.fovX * 0.75f;
    // 4 x 2 pixels with a 90 degree horizontal view: centres at x = -0.75, -0.25, 0.25, 0.75 and
    // y = 0.25, -0.25 on the plane one unit ahead (the vertical extent follows the image's shape).
    expectDirection(perspective, 4, 2, 0, 0, {-0.75f, 0.25f, -1});
    expectDirection(perspective, 4, 2, 3, 1, {0.75f, -0.25f, -1});

    SceneCamera latLong;
    latLong.kind = CameraKind::LatLong;
    expectDirection(latLong, 4, 2, 2, 0, {std::sin(Pi / 4) * std::cos(Pi / 4), std::sin(Pi / 4),
                                          -std::cos(Pi / 4) * std::cos(Pi / 4)});
    expectDirection(latLong, 4, 2, 0, 1, {-std::sin(3 * Pi / 4) * std::cos(Pi / 4), -std::sin(Pi / 4),
                                          -std::cos(3 * Pi / 4) * std::cos(Pi / 4)});

    SceneCamera cube;
    cube.kind = CameraKind::Cubemap;
    const Vec3 faces[6] = {{1, 0, 0}, {-1, 0, 0}, {0, 1, 0}, {0, -1, 0}, {0, 0, 1}, {0, 0, -1}};
    for (int face = 0; face < 6; ++face) {
        // The centre of each 3 x 3 face looks along its axis.
        expectDirection(cube, 18, 3, face * 3 + 1, 1, faces[face]);
    }

    SceneCamera ball;
    ball.kind = CameraKind::Ball;
    expectDirection(ball, 3, 3, 1, 1, {0, 0, -1});
    Vec3 unused;
    EXPECT_FALSE(cameraDirection(ball, 8, 8, 0, 0, unused));
}

}  // namespace
