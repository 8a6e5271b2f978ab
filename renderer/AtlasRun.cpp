#include "AtlasRun.h"

#include "Progress.h"
#include "RenderError.h"
#include "StageSettings.h"
#include "XmlReading.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>

namespace torvo_renderer {

namespace fs = std::filesystem;
using tinyxml2::XMLElement;

namespace {

constexpr int significantDigits = 9;

RenderError atlasFailure(const std::string& message)
{
    return RenderError(ExitCode::AtlasFailed, message);
}

// A whole number written as an integer or as a real ("4096", "4096.000000").
int64_t wholeNumber(const XMLElement* parent, const char* name, const std::string& where)
{
    const XMLElement* element = parent ? parent->FirstChildElement(name) : nullptr;
    if (!element)
        throw badInput(where + " has no " + name);
    const float value = xml::number(element, where + "/" + name);
    if (value != std::floor(value) || std::fabs(value) > float(1 << 30))
        throw badInput(where + "/" + name + " is not a whole number: " + xml::text(element));
    return static_cast<int64_t>(value);
}

int32_t optionalInteger(const XMLElement* parent, const char* name, const std::string& where)
{
    return parent->FirstChildElement(name) ? static_cast<int32_t>(wholeNumber(parent, name, where)) : 0;
}

// Texels for a length in texels, clamped so that a huge request stays comparable.
int32_t texels(double length, int32_t limit)
{
    if (!(length < double(limit) + 1))
        return limit + 1;
    return std::max<int32_t>(1, static_cast<int32_t>(std::ceil(length - 1e-6)));
}

struct SurfaceGeometry {
    double worldArea = 0, uvArea = 0;
    float uvLow[2], uvHigh[2];
    Vec3 centre{0, 0, 0};
};

SurfaceGeometry measure(const SceneInstance& instance, const MeshData& mesh, int layer, const std::string& where)
{
    SurfaceGeometry g;
    g.uvLow[0] = g.uvLow[1] = std::numeric_limits<float>::max();
    g.uvHigh[0] = g.uvHigh[1] = std::numeric_limits<float>::lowest();
    Vec3 low{std::numeric_limits<float>::max(), std::numeric_limits<float>::max(), std::numeric_limits<float>::max()};
    Vec3 high = -low;
    const std::vector<MeshUV>& uvs = mesh.uvLayers[static_cast<size_t>(layer)];
    for (size_t t = 0; t < mesh.triangleCount(); ++t) {
        Vec3 p[3];
        MeshUV uv[3];
        for (int k = 0; k < 3; ++k) {
            const uint32_t index = mesh.indices[t * 3 + static_cast<size_t>(k)];
            p[k] = instance.transform.point(mesh.positions[index]);
            uv[k] = uvs[index];
            if (!std::isfinite(uv[k].u) || !std::isfinite(uv[k].v))
                throw badInput(where + " has UVs that are not finite numbers");
        }
        const double world = 0.5 * double(length(cross(p[1] - p[0], p[2] - p[0])));
        if (!(world > 0))
            continue;  // left out of every bake as well
        g.worldArea += world;
        g.uvArea += 0.5 * std::fabs(double(uv[1].u - uv[0].u) * double(uv[2].v - uv[0].v) -
                                    double(uv[2].u - uv[0].u) * double(uv[1].v - uv[0].v));
        for (int k = 0; k < 3; ++k) {
            g.uvLow[0] = std::min(g.uvLow[0], uv[k].u);
            g.uvLow[1] = std::min(g.uvLow[1], uv[k].v);
            g.uvHigh[0] = std::max(g.uvHigh[0], uv[k].u);
            g.uvHigh[1] = std::max(g.uvHigh[1], uv[k].v);
            low = {std::min(low.x, p[k].x), std::min(low.y, p[k].y), std::min(low.z, p[k].z)};
            high = {std::max(high.x, p[k].x), std::max(high.y, p[k].y), std::max(high.z, p[k].z)};
        }
    }
    if (!(g.worldArea > 0) || !(g.uvArea > 0) || !(g.uvHigh[0] > g.uvLow[0]) || !(g.uvHigh[1] > g.uvLow[1]))
        throw badInput(where + " has no area in its UV layout (UV set " + mesh.uvLayerNames[static_cast<size_t>(layer)] +
                       "), so it cannot be given room in an atlas");
    g.centre = (low + high) * 0.5f;
    return g;
}

std::string formatted(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%.*g", significantDigits, value);
    return text;
}

XMLElement* appendText(XMLElement* parent, const char* name, const std::string& text)
{
    XMLElement* element = parent->InsertNewChildElement(name);
    element->SetText(text.c_str());
    return element;
}

void appendPair(XMLElement* parent, const char* name, double x, double y)
{
    XMLElement* pair = parent->InsertNewChildElement(name);
    appendText(pair, "x", formatted(x));
    appendText(pair, "y", formatted(y));
}

void removeChildren(XMLElement* parent, const char* name)
{
    while (XMLElement* child = parent->FirstChildElement(name))
        parent->DeleteChild(child);
}

}  // namespace

std::vector<AtlasSurface> sizeAtlasSurfaces(const XMLElement* texture, const AtlasLimits& limits, bool texelPacking,
                                            const SceneDescription& scene, const std::vector<MeshData>& meshes)
{
    std::map<std::string, const MeshData*> meshByName;
    for (const MeshData& mesh : meshes)
        meshByName[mesh.path.stem().string()] = &mesh;
    std::map<std::string, const SceneInstance*> instanceByName;
    for (const SceneInstance& instance : scene.instances)
        instanceByName[instance.name] = &instance;

    std::vector<AtlasSurface> surfaces;
    const XMLElement* list = texture->FirstChildElement("targetSurfaces");
    for (const XMLElement* e = list ? list->FirstChildElement("SurfaceTransferTarget") : nullptr; e;
         e = e->NextSiblingElement("SurfaceTransferTarget")) {
        AtlasSurface surface;
        surface.instance = xml::text(e->FirstChildElement("target"));
        surface.entity = xml::text(e->FirstChildElement("name"));
        const std::string where = "Atlas surface " + surface.entity + " (instance " + surface.instance + ")";
        const auto instance = instanceByName.find(surface.instance);
        if (instance == instanceByName.end())
            throw badInput(where + " shows an instance the scene does not hold");
        const auto mesh = meshByName.find(instance->second->shape);
        if (mesh == meshByName.end())
            throw badInput(where + " shows mesh " + instance->second->shape + ", which the file list does not name");
        int layer = 0;
        const std::string hasOverride = xml::text(e->FirstChildElement("hasUVSetOverride"));
        if (hasOverride == "1" || hasOverride == "true") {
            const std::string set = xml::text(e->FirstChildElement("UVSetOverride"));
            layer = mesh->second->uvLayer(set);
            if (layer < 0)
                throw badInput(where + " is baked through UV set \"" + set + "\", which its mesh does not have");
        } else if (mesh->second->uvLayers.empty()) {
            throw badInput(where + " has no UV set, so it cannot be given room in an atlas");
        }
        const SurfaceGeometry g = measure(*instance->second, *mesh->second, layer, where);
        if (texelPacking)
            for (int a = 0; a < 2; ++a) {
                surface.uvLow[a] = g.uvLow[a];
                surface.uvHigh[a] = g.uvHigh[a];
            }
        const double spanU = double(surface.uvHigh[0]) - surface.uvLow[0];
        const double spanV = double(surface.uvHigh[1]) - surface.uvLow[1];

        const XMLElement* pack = e->FirstChildElement("UVPackSettings");
        if (!pack)
            throw badInput(where + " has no UVPackSettings");
        const std::string type = xml::text(pack->FirstChildElement("type"));
        if (type == "Ratio") {
            const float ratio = xml::number(pack->FirstChildElement("ratioScale"), where + "/UVPackSettings/ratioScale");
            if (!(ratio > 0))
                throw badInput(where + " has a texel ratio that is not above 0");
            const double side = double(ratio) * std::sqrt(g.worldArea / g.uvArea);
            surface.item.width = texels(side * spanU, limits.maxWidth);
            surface.item.height = texels(side * spanV, limits.maxHeight);
        } else if (type == "Resolution") {
            const XMLElement* resolution = pack->FirstChildElement("resolution");
            const int64_t w = wholeNumber(resolution, "x", where + "/UVPackSettings/resolution");
            const int64_t h = wholeNumber(resolution, "y", where + "/UVPackSettings/resolution");
            if (w < 1 || h < 1)
                throw badInput(where + " asks for a resolution of " + std::to_string(w) + " x " + std::to_string(h));
            surface.item.width = texels(double(w) * spanU, limits.maxWidth);
            surface.item.height = texels(double(h) * spanV, limits.maxHeight);
        } else {
            throw badInput(where + " has an atlas size type that is neither Ratio nor Resolution: \"" + type + "\"");
        }
        if (surface.item.width > limits.maxWidth || surface.item.height > limits.maxHeight)
            throw atlasFailure(where + " needs " +
                               (surface.item.width > limits.maxWidth ? "more than " + std::to_string(limits.maxWidth)
                                                                     : std::to_string(surface.item.width)) +
                               " x " +
                               (surface.item.height > limits.maxHeight
                                    ? "more than " + std::to_string(limits.maxHeight)
                                    : std::to_string(surface.item.height)) +
                               " texels, more than an atlas of " + std::to_string(limits.maxWidth) + " x " +
                               std::to_string(limits.maxHeight) + " holds");
        surface.item.position[0] = g.centre.x;
        surface.item.position[1] = g.centre.y;
        surface.item.position[2] = g.centre.z;
        surfaces.push_back(surface);
    }
    if (surfaces.empty())
        throw badInput("The atlas request names no surface");
    return surfaces;
}

void runAtlas(const fs::path& configuration, const fs::path& result, const SceneDescription& scene,
              const std::vector<MeshData>& meshes, Progress& progress)
{
    progress.title("Checking configuration");
    tinyxml2::XMLDocument document;
    xml::load(configuration, "Atlas request", "KXConfig", document);
    XMLElement* targets =
        const_cast<XMLElement*>(xml::find(document.RootElement(), "SurfaceTransferSettings/targets"));
    if (!targets)
        throw badInput("The atlas request has no SurfaceTransferSettings/targets");
    XMLElement* texture = targets->FirstChildElement("SurfaceTransferTexture");
    if (!texture || texture->NextSiblingElement("SurfaceTransferTexture"))
        throw badInput("The atlas request must hold exactly one SurfaceTransferTexture");
    const std::string name = xml::text(texture->FirstChildElement("textureName"));
    if (name.empty() || name.find_first_of("/\\") != std::string::npos)
        throw badInput("The atlas request's textureName is not a plain name: \"" + name + "\"");
    const XMLElement* settings = texture->FirstChildElement("UVPackSettings");
    if (!settings)
        throw badInput("The atlas request has no UVPackSettings");
    const std::string where = "The atlas request's UVPackSettings";
    AtlasLimits limits;
    const XMLElement* resolution = settings->FirstChildElement("resolution");
    const int64_t width = wholeNumber(resolution, "x", where + "/resolution");
    const int64_t height = wholeNumber(resolution, "y", where + "/resolution");
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide || width * height > maxImageTexels)
        throw badInput(where + " asks for atlases of " + std::to_string(width) + " x " + std::to_string(height) +
                       " texels; a side holds 1 to " + std::to_string(maxImageSide) + " texels, an atlas at most " +
                       std::to_string(maxImageTexels));
    limits.maxWidth = static_cast<int32_t>(width);
    limits.maxHeight = static_cast<int32_t>(height);
    limits.maxTextures = optionalInteger(settings, "maxTextures", where);
    limits.padding = optionalInteger(settings, "padding", where);
    limits.alignment = optionalInteger(settings, "alignment", where);
    if (limits.padding < 0 || limits.alignment < 0)
        throw badInput(where + " has a negative padding or alignment");
    const std::string type = xml::text(settings->FirstChildElement("type"));
    if (!type.empty() && type != "Block" && type != "Texel")
        throw badInput(where + " has a packing type that is neither Block nor Texel: \"" + type + "\"");
    const bool texelPacking = type == "Texel";
    limits.spatial = xml::boolean(settings, "spatial", false, where + "/spatial");
    progress.finish();

    progress.title("Packing atlas " + name);
    const std::vector<AtlasSurface> surfaces = sizeAtlasSurfaces(texture, limits, texelPacking, scene, meshes);
    progress.value(50);
    std::vector<AtlasItem> items;
    for (const AtlasSurface& s : surfaces)
        items.push_back(s.item);
    const AtlasLayout layout = packAtlas(items, limits);
    if (!layout.packed)
        throw atlasFailure(layout.failure);
    char fill[32];
    std::snprintf(fill, sizeof fill, "%.1f", layout.fillRate * 100);
    Progress::say("Atlas " + name + ": " + std::to_string(surfaces.size()) + " surfaces in " +
                  std::to_string(layout.atlasCount) + " atlases of " + std::to_string(width) + " x " +
                  std::to_string(height) + ", fill rate " + fill + "%");

    // One texture element per atlas, each a copy of the request's with its own surfaces.
    std::vector<XMLElement*> atlases;
    for (int32_t a = 0; a < layout.atlasCount; ++a) {
        auto* copy = texture->DeepClone(&document)->ToElement();
        removeChildren(copy, "UVPackSettings");
        removeChildren(copy, "textureName");
        removeChildren(copy, "hasResolutionOverride");
        removeChildren(copy, "resolutionOverride");
        removeChildren(copy, "targetSurfaces");
        appendText(copy, "textureName", name + "_" + std::to_string(a));
        appendText(copy, "hasResolutionOverride", "true");
        XMLElement* size = copy->InsertNewChildElement("resolutionOverride");
        appendText(size, "x", std::to_string(width));
        appendText(size, "y", std::to_string(height));
        copy->InsertNewChildElement("targetSurfaces");
        atlases.push_back(copy);
    }
    const XMLElement* request = texture->FirstChildElement("targetSurfaces");
    size_t index = 0;
    for (const XMLElement* e = request->FirstChildElement("SurfaceTransferTarget"); e;
         e = e->NextSiblingElement("SurfaceTransferTarget"), ++index) {
        const AtlasSurface& s = surfaces[index];
        const AtlasPlacement& p = layout.placements[index];
        auto* copy = e->DeepClone(&document)->ToElement();
        removeChildren(copy, "UVPackSettings");
        removeChildren(copy, "UVScale");
        removeChildren(copy, "UVBias");
        // The packed part of UV space, [low, high], lands on the placed texels.
        double scale[2], bias[2];
        const double size[2] = {double(s.item.width) / double(width), double(s.item.height) / double(height)};
        const double origin[2] = {double(p.x) / double(width), double(p.y) / double(height)};
        for (int k = 0; k < 2; ++k) {
            scale[k] = size[k] / (double(s.uvHigh[k]) - double(s.uvLow[k]));
            bias[k] = origin[k] - double(s.uvLow[k]) * scale[k];
        }
        appendPair(copy, "UVBias", bias[0], bias[1]);
        appendPair(copy, "UVScale", scale[0], scale[1]);
        atlases[static_cast<size_t>(p.atlas)]->FirstChildElement("targetSurfaces")->InsertEndChild(copy);
    }
    targets->DeleteChildren();
    for (XMLElement* atlas : atlases)
        targets->InsertEndChild(atlas);
    progress.finish();

    if (document.SaveFile(result.c_str()) != tinyxml2::XML_SUCCESS)
        throw RenderError(ExitCode::ResultWriteFailed, "Atlas layout cannot be written: " + result.string());
}

}  // namespace torvo_renderer
