// Placements of the bake scene: points, and normals, which must stay perpendicular to the surface.
#include "BakeModel.h"

#include <gtest/gtest.h>

#include <cmath>
#include <ostream>

namespace torvobake {
namespace {

Matrix rows(std::array<float, 16> m)
{
    Matrix r;
    r.m = m;
    return r;
}

void expectNear(Vec3 a, Vec3 b)
{
    EXPECT_NEAR(a.x, b.x, 1e-5f);
    EXPECT_NEAR(a.y, b.y, 1e-5f);
    EXPECT_NEAR(a.z, b.z, 1e-5f);
}

TEST(Placement, PointsMoveByTheTranslationInElements3_7And11)
{
    // A quarter turn about +Y (x goes to -z), then a move by (1, 2, 3).
    const Matrix m = rows({0, 0, 1, 1, 0, 1, 0, 2, -1, 0, 0, 3, 0, 0, 0, 1});
    expectNear(m.transformPoint({1, 0, 0}), {1, 2, 2});
    expectNear(m.transformVector({1, 0, 0}), {0, 0, -1});
}

struct NormalCase {
    const char* name;
    Matrix matrix;
    Vec3 normal, expected;
};

void PrintTo(const NormalCase& c, std::ostream* out) { *out << c.name; }

class NormalTest : public testing::TestWithParam<NormalCase> {};

TEST_P(NormalTest, NormalsStayPerpendicularToTheMovedSurface)
{
    expectNear(GetParam().matrix.transformNormal(normalized(GetParam().normal)), normalized(GetParam().expected));
}

INSTANTIATE_TEST_SUITE_P(
    Matrices, NormalTest,
    testing::Values(
        // A quarter turn about +Y turns +X to -Z.
        NormalCase{"quarter_turn", rows({0, 0, 1, 5, 0, 1, 0, 0, -1, 0, 0, 0, 0, 0, 0, 1}), {1, 0, 0}, {0, 0, -1}},
        // The plane x + y = 0 stretched 2x along X becomes x/2 + y = 0: normal (1/2, 1, 0).
        NormalCase{"stretch", rows({2, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), {1, 1, 0}, {0.5f, 1, 0}},
        // A shear x' = x + y: the plane y = 0 stays, its normal too; the plane x = 0 becomes x' = y',
        // normal (1, -1, 0).
        NormalCase{"shear_keeps_plane", rows({1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), {0, 1, 0}, {0, 1, 0}},
        NormalCase{"shear_tilts_plane", rows({1, 1, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), {1, 0, 0}, {1, -1, 0}},
        // A mirror in X turns the outside of a face +X to -X.
        NormalCase{"mirror", rows({-1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}), {1, 0, 0}, {-1, 0, 0}}),
    [](const testing::TestParamInfo<NormalCase>& info) { return info.param.name; });

TEST(Placement, LookAlongPointsLocalMinusZAlongTheDirection)
{
    for (const Vec3 direction : {Vec3{0.3f, -1, 0.2f}, Vec3{0, -1, 0}, Vec3{0, 1, 0}, Vec3{1, 0, 0}}) {
        const Matrix m = lookAlong({1, 2, 3}, direction);
        expectNear(m.transformVector({0, 0, -1}), normalized(direction));
        expectNear(m.transformPoint({}), {1, 2, 3});
        // A rotation: the axes stay unit and perpendicular.
        EXPECT_NEAR(length(m.transformVector({1, 0, 0})), 1.0f, 1e-5f);
        EXPECT_NEAR(dot(m.transformVector({1, 0, 0}), m.transformVector({0, 1, 0})), 0.0f, 1e-5f);
    }
}

} // namespace
} // namespace torvobake
