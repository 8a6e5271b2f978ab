#include "GlbWriter.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <sstream>

namespace torvobake {
namespace {

constexpr uint32_t glbMagic = 0x46546C67;     // "glTF"
constexpr uint32_t glbVersion = 2;
constexpr uint32_t jsonChunkType = 0x4E4F534A; // "JSON"
constexpr uint32_t binChunkType = 0x004E4942;  // "BIN\0"
constexpr int componentFloat = 5126;
constexpr int componentUnsignedInt = 5125;
constexpr int targetArrayBuffer = 34962;
constexpr int targetElementArrayBuffer = 34963;
constexpr int filterLinear = 9729;
constexpr int wrapClampToEdge = 33071;

std::string number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.9g", std::isfinite(value) ? value : 0.0f);
    return text;
}

class Builder {
public:
    // A buffer view over bytes appended to the binary chunk (aligned to 4 bytes).
    int view(const void* data, size_t size, int target)
    {
        while (bin_.size() % 4)
            bin_.push_back(0);
        const size_t offset = bin_.size();
        bin_.insert(bin_.end(), static_cast<const uint8_t*>(data), static_cast<const uint8_t*>(data) + size);
        std::ostringstream v;
        v << "{\"buffer\":0,\"byteOffset\":" << offset << ",\"byteLength\":" << size;
        if (target)
            v << ",\"target\":" << target;
        v << "}";
        views_.push_back(v.str());
        return static_cast<int>(views_.size()) - 1;
    }

    int accessor(int view, int componentType, size_t count, const char* type, const std::string& bounds = {})
    {
        std::ostringstream a;
        a << "{\"bufferView\":" << view << ",\"componentType\":" << componentType << ",\"count\":" << count
          << ",\"type\":\"" << type << "\"" << bounds << "}";
        accessors_.push_back(a.str());
        return static_cast<int>(accessors_.size()) - 1;
    }

    std::string list(const std::vector<std::string>& items) const
    {
        std::string out = "[";
        for (size_t i = 0; i < items.size(); ++i)
            out += (i ? "," : "") + items[i];
        return out + "]";
    }

    std::vector<uint8_t> bin_;
    std::vector<std::string> views_, accessors_;
};

void append32(std::vector<uint8_t>& out, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        out.push_back(static_cast<uint8_t>(value >> (8 * i)));
}

} // namespace

std::string jsonQuote(const std::string& text)
{
    std::string out = "\"";
    for (const unsigned char c : text) {
        if (c == '"' || c == '\\') {
            out += '\\';
            out += static_cast<char>(c);
        } else if (c < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
            out += escaped;
        } else {
            out += static_cast<char>(c);
        }
    }
    return out + "\"";
}

std::vector<uint8_t> encodeGlb(const GlbDocument& document)
{
    Builder b;
    std::vector<std::string> meshes, nodes, nodeIndices;
    for (const GlbPrimitive& p : document.primitives) {
        Vec3 low = p.positions.empty() ? Vec3{} : p.positions.front(), high = low;
        for (const Vec3& q : p.positions) {
            low = {std::min(low.x, q.x), std::min(low.y, q.y), std::min(low.z, q.z)};
            high = {std::max(high.x, q.x), std::max(high.y, q.y), std::max(high.z, q.z)};
        }
        const std::string bounds = ",\"min\":[" + number(low.x) + "," + number(low.y) + "," + number(low.z) +
                                   "],\"max\":[" + number(high.x) + "," + number(high.y) + "," + number(high.z) + "]";
        const size_t n = p.positions.size();
        std::ostringstream attributes;
        attributes << "{\"POSITION\":"
                   << b.accessor(b.view(p.positions.data(), n * sizeof(Vec3), targetArrayBuffer), componentFloat, n,
                                 "VEC3", bounds)
                   << ",\"NORMAL\":"
                   << b.accessor(b.view(p.normals.data(), n * sizeof(Vec3), targetArrayBuffer), componentFloat, n, "VEC3");
        if (p.uv0.size() == n)
            attributes << ",\"TEXCOORD_0\":"
                       << b.accessor(b.view(p.uv0.data(), n * sizeof(Vec2), targetArrayBuffer), componentFloat, n, "VEC2");
        attributes << ",\"TEXCOORD_1\":"
                   << b.accessor(b.view(p.uv1.data(), n * sizeof(Vec2), targetArrayBuffer), componentFloat, n, "VEC2")
                   << "}";
        const int indices = b.accessor(b.view(p.indices.data(), p.indices.size() * sizeof(uint32_t), targetElementArrayBuffer),
                                       componentUnsignedInt, p.indices.size(), "SCALAR");
        std::ostringstream mesh;
        mesh << "{\"name\":" << jsonQuote(p.name) << ",\"primitives\":[{\"attributes\":" << attributes.str()
             << ",\"indices\":" << indices << ",\"material\":" << p.material << "}]}";
        nodeIndices.push_back(std::to_string(nodes.size()));
        nodes.push_back("{\"name\":" + jsonQuote(p.name) + ",\"mesh\":" + std::to_string(meshes.size()) + "}");
        meshes.push_back(mesh.str());
    }
    std::vector<std::string> images, textures;
    for (const auto& png : document.images) {
        images.push_back("{\"bufferView\":" + std::to_string(b.view(png.data(), png.size(), 0)) +
                         ",\"mimeType\":\"image/png\"}");
        textures.push_back("{\"sampler\":0,\"source\":" + std::to_string(textures.size()) + "}");
    }
    std::vector<std::string> materials;
    for (const GlbMaterial& m : document.materials) {
        std::vector<std::string> passes;
        for (const std::string& name : document.passOrder) {
            const auto found = m.passImages.find(name);
            if (found != m.passImages.end())
                passes.push_back(jsonQuote(name) + ":" + std::to_string(found->second));
        }
        std::string passObject = "{";
        for (size_t i = 0; i < passes.size(); ++i)
            passObject += (i ? "," : "") + passes[i];
        passObject += "}";
        const auto shown = m.passImages.find(m.shown);
        std::ostringstream material;
        material << "{\"name\":" << jsonQuote(m.name) << ",\"pbrMetallicRoughness\":{\"baseColorFactor\":[1,1,1,1]";
        if (shown != m.passImages.end())
            material << ",\"baseColorTexture\":{\"index\":" << shown->second << ",\"texCoord\":1}";
        material << ",\"metallicFactor\":0,\"roughnessFactor\":1},\"extensions\":{\"KHR_materials_unlit\":{}}"
                 << ",\"extras\":{\"torvo\":{\"passes\":" << passObject << ",\"shown\":" << jsonQuote(m.shown) << "}}}";
        materials.push_back(material.str());
    }
    std::vector<std::string> order;
    for (const std::string& name : document.passOrder)
        order.push_back(jsonQuote(name));

    std::ostringstream json;
    json << "{\"asset\":{\"version\":\"2.0\",\"generator\":\"torvo-bake\",\"extras\":{\"torvo\":{\"passes\":"
         << b.list(order) << "}}},\"extensionsUsed\":[\"KHR_materials_unlit\"],\"scene\":0,\"scenes\":[{\"nodes\":"
         << b.list(nodeIndices) << "}],\"nodes\":" << b.list(nodes) << ",\"meshes\":" << b.list(meshes)
         << ",\"materials\":" << b.list(materials);
    if (!images.empty())
        json << ",\"samplers\":[{\"magFilter\":" << filterLinear << ",\"minFilter\":" << filterLinear
             << ",\"wrapS\":" << wrapClampToEdge << ",\"wrapT\":" << wrapClampToEdge << "}],\"images\":"
             << b.list(images) << ",\"textures\":" << b.list(textures);
    json << ",\"accessors\":" << b.list(b.accessors_) << ",\"bufferViews\":" << b.list(b.views_)
         << ",\"buffers\":[{\"byteLength\":" << b.bin_.size() << "}]}";
    std::string text = json.str();
    while (text.size() % 4)
        text += ' ';
    while (b.bin_.size() % 4)
        b.bin_.push_back(0);

    std::vector<uint8_t> out;
    const uint32_t total = 12 + 8 + static_cast<uint32_t>(text.size()) + 8 + static_cast<uint32_t>(b.bin_.size());
    append32(out, glbMagic);
    append32(out, glbVersion);
    append32(out, total);
    append32(out, static_cast<uint32_t>(text.size()));
    append32(out, jsonChunkType);
    out.insert(out.end(), text.begin(), text.end());
    append32(out, static_cast<uint32_t>(b.bin_.size()));
    append32(out, binChunkType);
    out.insert(out.end(), b.bin_.begin(), b.bin_.end());
    return out;
}

} // namespace torvobake
