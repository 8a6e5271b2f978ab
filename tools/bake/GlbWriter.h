// The glTF 2.0 binary that shows a bake in any glTF viewer: unlit materials whose base colour is
// a baked texture read through the light-map uvs (TEXCOORD_1), the other passes listed in extras.
#ifndef TORVO_BAKE_GLBWRITER_H
#define TORVO_BAKE_GLBWRITER_H

#include "BakeModel.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace torvobake {

struct GlbPrimitive {
    std::string name;
    std::vector<Vec3> positions, normals; // world space
    std::vector<Vec2> uv0;                // empty when the model has none
    std::vector<Vec2> uv1;                // the light-map uvs
    std::vector<uint32_t> indices;
    int material = 0;
};

struct GlbMaterial {
    std::string name;
    std::map<std::string, int> passImages; // pass name -> index into GlbDocument::images
    std::string shown;
};

struct GlbDocument {
    std::vector<GlbPrimitive> primitives; // one node and mesh each
    std::vector<GlbMaterial> materials;
    std::vector<std::vector<uint8_t>> images; // PNG files
    std::vector<std::string> passOrder;
};

// The GLB file as bytes.
std::vector<uint8_t> encodeGlb(const GlbDocument& document);

// JSON string quoting, for names from model files.
std::string jsonQuote(const std::string& text);

} // namespace torvobake

#endif
