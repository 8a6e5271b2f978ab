#include "StageSettings.h"

#include "RenderError.h"
#include "XmlReading.h"

#include "core/XmlTools.h"

#include <algorithm>
#include <cctype>

namespace torvo_renderer {

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace {

constexpr int32_t defaultPrepassMax = 0;
constexpr int32_t defaultPrepassMin = -4;
// Rays per sample accepted at most, so that a stage cannot ask for an endless bake.
constexpr uint32_t maxRaysAccepted = 1u << 16;
// Wider smoothing than this blurs the indirect light more than any light map wants, and costs its square.
constexpr uint32_t maxSmoothingRadius = 16;

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The stage's switches are read as the library reads them: exactly "true" is true.
bool flag(const XMLElement* root, const char* path, bool fallback)
{
    const XMLElement* element = xml::find(root, path);
    return element ? trv::xmlTools::readBool(element) : fallback;
}

int32_t integerAt(const XMLElement* root, const char* path, int32_t fallback)
{
    const XMLElement* element = xml::find(root, path);
    return element ? xml::integer(element, path) : fallback;
}

// The first child node's text, as the library's phase estimate reads names.
std::string firstText(const XMLElement* element)
{
    return trv::xmlTools::text(element);
}

// A name that becomes part of a result file name must stay inside the output directory.
void checkFileName(const std::string& name, const std::string& what)
{
    if (name.empty() || name == "." || name == ".." || name.find_first_of("/\\") != std::string::npos ||
        name.find('\0') != std::string::npos)
        throw badInput(what + " is not a usable file name: \"" + name + "\"");
}

void checkResolution(long long width, long long height, const std::string& what)
{
    if (width < 1 || height < 1 || width > maxImageSide || height > maxImageSide || width * height > maxImageTexels)
        throw badInput(what + " has an unusable resolution " + std::to_string(width) + " x " + std::to_string(height));
}

PhaseCounts readPhaseCounts(const XMLElement* root, const std::string& renderType)
{
    PhaseCounts counts;
    const int32_t maxRate = integerAt(root, "GISettings/prepassMaxSampleRate", defaultPrepassMax);
    const int32_t minRate = integerAt(root, "GISettings/prepassMinSampleRate", defaultPrepassMin);
    const int64_t levels = int64_t(std::min(maxRate, 0)) - minRate + 1;
    counts.prepassLevels = levels > 0 ? static_cast<uint32_t>(levels) : 0;
    const bool baking = renderType == "surfacetransfer" || renderType == "render";

    if (const XMLElement* integrator = xml::find(root, "GISettings/primaryIntegrator")) {
        const std::string name = lower(firstText(integrator));
        if (name == "finalgather") {
            counts.primaryFinalGather = true;
            if (baking) {
                counts.primary = counts.prepassLevels;
                const XMLElement* depth = xml::find(root, "GISettings/fgDepth");
                counts.finalGatherDepth = depth && xml::integer(depth, "GISettings/fgDepth") > 1;
                counts.primary += counts.finalGatherDepth ? 1 : 0;
            }
        } else if (name != "none") {
            counts.primary = 1;
        }
    } else {
        counts.primaryFinalGather = true;
        counts.primary = baking ? counts.prepassLevels : 0;
    }
    counts.secondary = 1;
    if (const XMLElement* integrator = xml::find(root, "GISettings/secondaryIntegrator"))
        counts.secondary = lower(firstText(integrator)) == "none" ? 0 : 1;
    counts.gi = flag(root, "GISettings/enableGI", false);

    const std::string textureCustom =
        lower(firstText(xml::find(root, "TextureBakeSettings/RenderComponents/customPasses/element")));
    const std::string vertexCustom =
        lower(firstText(xml::find(root, "VertexBakeSettings/VertexBakeComponents/customPasses/element")));
    if (textureCustom == "ambientocclusion" && vertexCustom == "ambientocclusion" && baking &&
        flag(root, "AOSettings/aoAdaptive", true) && !flag(root, "AOSettings/aoBendNormals", false))
        counts.occlusionPrepass = counts.prepassLevels;
    return counts;
}

GIIntegrator integratorAt(const XMLElement* root, const char* path, GIIntegrator fallback, bool secondary)
{
    const XMLElement* element = xml::find(root, path);
    if (!element)
        return fallback;
    const std::string name = lower(firstText(element));
    if (name == "pathtracer")
        return GIIntegrator::PathTracer;
    if (name == "none")
        return GIIntegrator::None;
    if (name == "finalgather" && !secondary)
        return GIIntegrator::FinalGather;
    throw badInput(std::string("Stage asks for an unknown integrator \"") + firstText(element) + "\" in " + path);
}

uint32_t countAt(const XMLElement* root, const char* path, uint32_t fallback, uint32_t lowest)
{
    const int32_t value = integerAt(root, path, static_cast<int32_t>(fallback));
    if (value < static_cast<int32_t>(lowest) || static_cast<uint32_t>(value) > maxRaysAccepted)
        throw badInput(std::string("Stage gives ") + path + " an unusable value " + std::to_string(value));
    return static_cast<uint32_t>(value);
}

GISettings readGI(const XMLElement* root)
{
    GISettings gi;
    gi.primary = integratorAt(root, "GISettings/primaryIntegrator", gi.primary, false);
    gi.secondary = integratorAt(root, "GISettings/secondaryIntegrator", gi.secondary, true);
    gi.finalGatherRays = countAt(root, "GISettings/fgRays", gi.finalGatherRays, 1);
    gi.finalGatherDepth = countAt(root, "GISettings/fgDepth", gi.finalGatherDepth, 1);
    gi.pathSamples = countAt(root, "GISettings/ptSamples", gi.pathSamples, 1);
    gi.maxBounces = countAt(root, "GISettings/giMaxBounces", gi.maxBounces, 0);
    gi.rouletteStart = countAt(root, "GISettings/giRussianRouletteStart", gi.rouletteStart, 0);
    gi.radianceCache = lower(firstText(xml::find(root, "GISettings/fgUseCache"))) == "radiancesh";
    gi.prepassMinRate = integerAt(root, "GISettings/prepassMinSampleRate", defaultPrepassMin);
    gi.prepassMaxRate = integerAt(root, "GISettings/prepassMaxSampleRate", defaultPrepassMax);
    gi.smoothingRadius = countAt(root, "GISettings/giSmoothing", gi.smoothingRadius, 0);
    if (gi.smoothingRadius > maxSmoothingRadius)
        throw badInput("Stage gives GISettings/giSmoothing an unusable value " + std::to_string(gi.smoothingRadius));
    return gi;
}

RnmSettings readRnm(const XMLElement* components)
{
    RnmSettings rnm;
    const XMLElement* settings = xml::find(components, "RNMSettings");
    if (!settings)
        return rnm;
    const int32_t samples = xml::integer(settings, "samples", static_cast<int32_t>(rnm.samples), "RNMSettings/samples");
    if (samples < 0 || static_cast<uint32_t>(samples) > maxRaysAccepted)
        throw badInput("Stage gives RNMSettings/samples an unusable value " + std::to_string(samples));
    rnm.samples = static_cast<uint32_t>(samples);
    rnm.matchNormalIntensity = xml::boolean(settings, "adjustIntensity", false, "RNMSettings/adjustIntensity");
    rnm.normalComponent = xml::boolean(settings, "includeNormalComponent", false, "RNMSettings/includeNormalComponent");
    auto word = [&](const char* name, std::initializer_list<const char*> words, int fallback) {
        const XMLElement* e = settings->FirstChildElement(name);
        if (!e)
            return fallback;
        const std::string text = xml::text(e);
        int index = 0;
        for (const char* w : words) {
            if (text == w)
                return index;
            ++index;
        }
        throw badInput(std::string("Stage gives RNMSettings/") + name + " an unknown value \"" + text + "\"");
    };
    rnm.components = static_cast<RnmComponents>(
        word("components", {"DirectLight", "IndirectLight", "DirectAndIndirectLight"}, static_cast<int>(rnm.components)));
    rnm.allowNegative = static_cast<RnmNegative>(
        word("allowNegative", {"Allow", "Disallow", "DisallowCullHorizon"}, static_cast<int>(rnm.allowNegative)));
    rnm.basis = static_cast<RnmBasis>(word("basis", {"HL2", "UnrealEngine", "UnrealEngineFlipped"}, 0));
    rnm.lambertianClampEnabled =
        xml::boolean(settings, "enableLambertianClamp", false, "RNMSettings/enableLambertianClamp");
    rnm.lambertianClamp = xml::number(settings, "lambertianClamp", rnm.lambertianClamp, "RNMSettings/lambertianClamp");
    return rnm;
}

struct NamedPass {
    const char* component;
    PassKind pass;
};
const NamedPass switchedPasses[] = {
    {"fullShading", PassKind::FullShading},
    {"illumination", PassKind::Illumination},
    {"indirectIllumination", PassKind::IndirectIllumination},
    {"fullAndIndirectIllumination", PassKind::FullAndIndirect},
    {"rnm", PassKind::Rnm},
    {"lua", PassKind::Lua},
    {"normals", PassKind::Normals},
};
// Switches the library resets but no pass of it turns on.
const char* const unproducedComponents[] = {"albedo",     "ambient",     "diffuse",  "incandescence",
                                            "reflections", "refractions", "specular", "sss"};

void readPass(const XMLElement* components, StageSettings& stage)
{
    std::vector<PassKind> on;
    for (const NamedPass& named : switchedPasses)
        if (components && trv::xmlTools::readBool(components->FirstChildElement(named.component)))
            on.push_back(named.pass);
    for (const char* name : unproducedComponents)
        if (components && trv::xmlTools::readBool(components->FirstChildElement(name)))
            throw badInput(std::string("Stage asks for the render component ") + name +
                           ", which this renderer does not produce");
    if (on.size() > 1)
        throw badInput("Stage switches on more than one render component");
    if (on.size() == 1) {
        stage.pass = on.front();
    } else if (components && lower(firstText(xml::find(components, "customPasses/element"))) == "ambientocclusion") {
        stage.pass = PassKind::AmbientOcclusion;
    } else if (components && components->FirstChildElement("lightPass")) {
        stage.pass = PassKind::LightPass;
    } else {
        throw badInput("Stage switches on no render component");
    }
    if (stage.pass == PassKind::LightPass)
        stage.lightPass = readLightPassSettings(components);
    if (stage.pass == PassKind::Rnm) {
        stage.rnmNormalComponent = flag(components, "RNMSettings/includeNormalComponent", false);
        stage.rnm = readRnm(components);
    }
    if (stage.pass == PassKind::FullAndIndirect)
        if (const XMLElement* lights = xml::find(components, "FullAndIndirectIlluminationSettings/fullyBakedLights"))
            for (const XMLElement* e = lights->FirstChildElement("element"); e; e = e->NextSiblingElement("element"))
                stage.fullyBakedLights.push_back(xml::text(e));
    if (stage.pass == PassKind::Lua) {
        stage.luaScript = xml::text(xml::find(components, "LUASettings/scriptFile"));
        if (stage.luaScript.empty())
            throw badInput("Stage asks for a Lua pass without a script file");
    }
}

AmbientOcclusionSettings readOcclusion(const XMLElement* root)
{
    AmbientOcclusionSettings ao;
    const XMLElement* e = xml::find(root, "AOSettings");
    const std::string where = "AOSettings";
    if (!e)
        return ao;
    auto boolean = [&](const char* name, bool fallback) {
        const XMLElement* child = e->FirstChildElement(name);
        return child ? trv::xmlTools::readBool(child) : fallback;
    };
    auto count = [&](const char* name, uint32_t fallback) {
        const XMLElement* child = e->FirstChildElement(name);
        if (!child)
            return fallback;
        const std::string text = xml::text(child);
        char* end = nullptr;
        const unsigned long long value = std::strtoull(text.c_str(), &end, 10);
        if (text.empty() || !std::isdigit(static_cast<unsigned char>(text[0])) || *end != '\0' ||
            value > 0xFFFFFFFFull)
            throw badInput(where + "/" + name + " is not a count: \"" + text + "\"");
        return static_cast<uint32_t>(value);
    };
    ao.uniformSampling = boolean("aoUniformSampling", false);
    ao.bentNormals = boolean("aoBendNormals", false);
    ao.reflectionOcclusion = boolean("aoReflectionOcclusion", false);
    ao.useDisplacement = boolean("aoUseDisplacement", false);
    ao.obeyTransparency = boolean("aoObeyTransparency", true);
    ao.minRays = count("aoMinRay", ao.minRays);
    ao.maxRays = count("aoMaxRay", ao.maxRays);
    ao.coneAngleDegrees = xml::number(e, "aoConeAngle", ao.coneAngleDegrees, where);
    ao.maxDistance = xml::number(e, "aoMaxDistance", ao.maxDistance, where);
    ao.contrast = xml::number(e, "aoContrast", ao.contrast, where);
    ao.scale = xml::number(e, "aoScale", ao.scale, where);
    ao.adaptive = boolean("aoAdaptive", false);
    ao.accuracy = xml::number(e, "aoAccuracy", ao.accuracy, where);
    ao.smooth = xml::number(e, "aoSmooth", ao.smooth, where);
    if (const XMLElement* mode = e->FirstChildElement("aoSelfOcclusion")) {
        const std::string word = xml::text(mode);
        if (word == "Disabled")
            ao.selfOcclusion = SelfOcclusionMode::Disabled;
        else if (word == "Environment")
            ao.selfOcclusion = SelfOcclusionMode::Environment;
        else if (word == "Enabled")
            ao.selfOcclusion = SelfOcclusionMode::Enabled;
        else
            throw badInput(where + "/aoSelfOcclusion is not Disabled, Environment or Enabled: \"" + word + "\"");
    }
    if (ao.minRays > ao.maxRays || ao.maxRays < 1 || ao.maxRays > maxRaysAccepted)
        throw badInput(where + " asks for between " + std::to_string(ao.minRays) + " and " +
                       std::to_string(ao.maxRays) + " rays; 1 to " + std::to_string(maxRaysAccepted) +
                       " rays with the minimum not above the maximum are accepted");
    if (ao.coneAngleDegrees < 0 || ao.coneAngleDegrees > 180)
        throw badInput(where + "/aoConeAngle lies outside 0 to 180 degrees");
    if (ao.maxDistance < 0 || ao.contrast < 0 || ao.scale < 0 || ao.accuracy < 0 || ao.smooth < 0)
        throw badInput(where + " holds a negative distance, contrast, scale, accuracy or smoothing");
    return ao;
}

void readUVPair(const XMLElement* parent, const char* name, float (&into)[2], const std::string& where)
{
    const XMLElement* element = parent->FirstChildElement(name);
    if (!element)
        return;
    const XMLElement* x = element->FirstChildElement("x");
    const XMLElement* y = element->FirstChildElement("y");
    if (!x || !y)
        throw badInput(where + "/" + name + " needs x and y");
    into[0] = xml::number(x, where + "/" + name + "/x");
    into[1] = xml::number(y, where + "/" + name + "/y");
}

SurfaceTarget readSurface(const XMLElement* element, bool texture, const std::string& where)
{
    SurfaceTarget surface;
    surface.instance = xml::text(element->FirstChildElement("target"));
    surface.entity = xml::text(element->FirstChildElement("name"));
    if (surface.instance.empty())
        throw badInput(where + " names no target instance");
    if (const XMLElement* sources = element->FirstChildElement("sourceSurfaces"))
        for (const XMLElement* e = sources->FirstChildElement("element"); e; e = e->NextSiblingElement("element"))
            surface.sourceSurfaces.push_back(xml::text(e));
    if (!texture)
        return surface;
    const std::string hasOverride = xml::text(element->FirstChildElement("hasUVSetOverride"));
    if (hasOverride == "1" || hasOverride == "true") {
        surface.uvSet = xml::text(element->FirstChildElement("UVSetOverride"));
        if (surface.uvSet.empty())
            throw badInput(where + " overrides the UV set with an empty name");
    }
    readUVPair(element, "UVScale", surface.uvScale, where);
    readUVPair(element, "UVBias", surface.uvBias, where);
    return surface;
}

TextureTarget readTextureTarget(const XMLElement* element, const XMLElement* root, bool texture)
{
    TextureTarget target;
    target.name = xml::text(element->FirstChildElement("textureName"));
    checkFileName(target.name, "A target's textureName");
    const std::string where = "Target " + target.name;
    if (texture) {
        const XMLElement* resolution = nullptr;
        if (trv::xmlTools::readBool(element->FirstChildElement("hasResolutionOverride")))
            resolution = element->FirstChildElement("resolutionOverride");
        else
            resolution = xml::find(root, "FrameSettings/resolution");
        if (!resolution)
            throw badInput(where + " has no resolution");
        const int32_t width = xml::integer(resolution, "x", 0, where + " resolution");
        const int32_t height = xml::integer(resolution, "y", 0, where + " resolution");
        checkResolution(width, height, where);
        target.width = width;
        target.height = height;
    }
    const XMLElement* surfaces = element->FirstChildElement("targetSurfaces");
    if (surfaces)
        for (const XMLElement* e = surfaces->FirstChildElement("SurfaceTransferTarget"); e;
             e = e->NextSiblingElement("SurfaceTransferTarget"))
            target.surfaces.push_back(readSurface(e, texture, where));
    if (target.surfaces.empty())
        throw badInput(where + " has no target surface");
    return target;
}

}  // namespace

const char* resultLayerName(PassKind pass, const StageSettings&)
{
    switch (pass) {
    case PassKind::FullShading: return "beauty";
    case PassKind::Normals: return "tpNormals";
    case PassKind::Illumination: return "tpIllumination";
    case PassKind::IndirectIllumination: return "tpIndirectIllumination";
    case PassKind::FullAndIndirect: return "tpIllumination";
    case PassKind::Rnm: return "tpRnm";
    case PassKind::Lua: return "tpLua";
    case PassKind::AmbientOcclusion: return "ambientOcclusion";
    case PassKind::LightPass: return "LightPass";
    }
    return "";
}

StageSettings readStageDocument(const std::filesystem::path& path)
{
    tinyxml2::XMLDocument document;
    xml::load(path, "Configuration file", "KXConfig", document);
    const XMLElement* root = document.RootElement();
    StageSettings stage;

    const XMLElement* typeElement = xml::find(root, "FrameSettings/renderType");
    const std::string type = lower(firstText(typeElement));
    if (!typeElement)
        return stage;  // nothing to bake in this stage
    if (type == "surfacetransfer")
        stage.renderType = RenderType::SurfaceTransfer;
    else if (type == "vertextransfer")
        stage.renderType = RenderType::VertexTransfer;
    else if (type == "render")
        stage.renderType = RenderType::Render;
    else if (type == "pointcloudbake")
        stage.renderType = RenderType::PointCloudBake;
    else
        throw badInput("Stage asks for an unknown render type \"" + firstText(typeElement) + "\"");

    stage.phases = readPhaseCounts(root, type);
    stage.giEnabled = stage.phases.gi;
    stage.gi = readGI(root);
    const char* componentsPath = stage.renderType == RenderType::VertexTransfer
                                     ? "VertexBakeSettings/VertexBakeComponents"
                                 : stage.renderType == RenderType::PointCloudBake
                                     ? "PointCloudBakeSettings/PointCloudBakeComponents"
                                     : "TextureBakeSettings/RenderComponents";
    readPass(xml::find(root, componentsPath), stage);
    stage.ambientOcclusion = readOcclusion(root);
    stage.normalize.enabled = flag(root, "TextureBakeSettings/Normalize/normalizeValues", false);
    stage.normalize.perChannel =
        firstText(xml::find(root, "TextureBakeSettings/Normalize/normalizeOutput")) == "PerChannel";

    if (stage.renderType == RenderType::Render) {
        stage.cameraName = xml::text(xml::find(root, "FrameSettings/cameraName"));
        if (stage.cameraName.empty())
            throw badInput("Stage renders a camera image but names no camera");
        const XMLElement* resolution = xml::find(root, "FrameSettings/resolution");
        if (!resolution)
            throw badInput("Stage renders a camera image but gives no resolution");
        const int32_t width = xml::integer(resolution, "x", 0, "FrameSettings/resolution");
        const int32_t height = xml::integer(resolution, "y", 0, "FrameSettings/resolution");
        checkResolution(width, height, "Camera image");
        stage.cameraWidth = width;
        stage.cameraHeight = height;
        stage.slots.push_back({TargetSlot::Kind::Camera, 0, stage.cameraName});
        return stage;
    }

    const bool points = stage.renderType == RenderType::PointCloudBake;
    const char* targetsPath = points ? "PointCloudBakeSettings/targets" : "SurfaceTransferSettings/targets";
    const XMLElement* targets = xml::find(root, targetsPath);
    if (!targets)
        throw badInput(std::string("Stage has no ") + targetsPath);
    for (const XMLNode* node = targets->FirstChild(); node; node = node->NextSibling()) {
        const XMLElement* element = node->ToElement();
        TargetSlot slot;
        if (element && points && std::string(element->Name()) == "PCBakeTarget") {
            PointCloudTarget target;
            target.input = xml::text(element->FirstChildElement("input"));
            target.outputFile = xml::text(element->FirstChildElement("outputFile"));
            const std::string source = xml::text(element->FirstChildElement("sourceType"));
            if (target.input.empty())
                throw badInput("A point cloud target names no input file");
            checkFileName(target.outputFile, "A point cloud target's outputFile");
            if (!source.empty() && source != "PointCloudFile")
                throw badInput("A point cloud target has the unknown sourceType \"" + source + "\"");
            slot = {TargetSlot::Kind::PointCloud, stage.pointClouds.size(), target.outputFile};
            stage.pointClouds.push_back(target);
        } else if (element && !points && std::string(element->Name()) == "SurfaceTransferTexture") {
            const bool texture = stage.renderType == RenderType::SurfaceTransfer;
            TextureTarget target = readTextureTarget(element, root, texture);
            slot = {texture ? TargetSlot::Kind::Texture : TargetSlot::Kind::Vertex, stage.textures.size(), target.name};
            stage.textures.push_back(std::move(target));
        } else {
            slot = {TargetSlot::Kind::Empty, 0, element ? element->Name() : "(no target)"};
        }
        stage.slots.push_back(slot);
    }
    return stage;
}

}  // namespace torvo_renderer
