// The scene torvo-bake works on: what the importer took from the model file, in the library's
// conventions (row-major matrices acting on column vectors, +Y up, metres as the file gives them).
#ifndef TORVO_BAKE_BAKEMODEL_H
#define TORVO_BAKE_BAKEMODEL_H

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace torvobake {

struct Vec2 {
    float x = 0, y = 0;
};
struct Vec3 {
    float x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) { return {a.x + b.x, a.y + b.y, a.z + b.z}; }
inline Vec3 operator-(Vec3 a, Vec3 b) { return {a.x - b.x, a.y - b.y, a.z - b.z}; }
inline Vec3 operator*(Vec3 a, float s) { return {a.x * s, a.y * s, a.z * s}; }
inline float dot(Vec3 a, Vec3 b) { return a.x * b.x + a.y * b.y + a.z * b.z; }
inline Vec3 cross(Vec3 a, Vec3 b) { return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x}; }
float length(Vec3 v);
Vec3 normalized(Vec3 v); // the zero vector stays zero

// 16 floats row after row, acting on column vectors: the translation is in elements 3, 7 and 11.
struct Matrix {
    std::array<float, 16> m{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1};
    Vec3 transformPoint(Vec3 p) const;
    Vec3 transformVector(Vec3 v) const;
    // Normals go through the inverse transpose; a singular matrix gives back the vector unchanged.
    Vec3 transformNormal(Vec3 n) const;
    Matrix operator*(const Matrix& other) const;
};

// A matrix whose local -Z points along direction, positioned at origin (up is +Y unless the
// direction is vertical).
Matrix lookAlong(Vec3 origin, Vec3 direction);

struct Mesh {
    std::string name;
    std::vector<Vec3> positions, normals;
    std::vector<Vec2> uv0;         // texture coordinates, empty when the file has none
    std::vector<Vec2> lightmapUv;  // the file's second uv set when it has one
    std::vector<uint32_t> indices; // triangles
    unsigned material = 0;
};

struct Material {
    std::string name;
    std::array<float, 4> diffuse{0.8f, 0.8f, 0.8f, 1.0f};
    std::array<float, 3> emissive{0, 0, 0};
    std::string diffuseTexture; // a file path, empty for none
};

struct Instance {
    std::string name;
    unsigned mesh = 0;
    Matrix world;
};

enum class LightKind { Point, Spot, Directional, Area };

struct Light {
    std::string name;
    LightKind kind = LightKind::Point;
    Matrix placement; // local -Z is the direction of the light
    std::array<float, 3> color{1, 1, 1};
    float innerCone = 0, outerCone = 0; // half angles, radians (spot lights)
    float areaWidth = 1, areaHeight = 1;
    // Point and spot lights: light falls off as 1 / distance^falloffExponent (0: not at all).
    float falloffExponent = 2;
};

struct Camera {
    std::string name;
    Matrix placement;
    float horizontalFov = 1.0f; // full angle, radians
    float aspect = 1.0f;
};

struct Scene {
    std::vector<Mesh> meshes;
    std::vector<Material> materials;
    std::vector<Instance> instances;
    std::vector<Light> lights;
    std::vector<Camera> cameras;
};

// The axis-aligned box around every instance's vertices in world space.
struct Bounds {
    Vec3 min{0, 0, 0}, max{0, 0, 0};
    bool empty = true;
    float diagonal() const { return length(max - min); }
};
Bounds worldBounds(const Scene& scene);

} // namespace torvobake

#endif
