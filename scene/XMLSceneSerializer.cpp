#include "scene/XMLSceneSerializer.h"

#include "core/Text.h"
#include "scene/Angles.h"
#include "scene/FSTorvoAreaLight.h"
#include "scene/FSTorvoDirectionalLight.h"
#include "scene/FSTorvoEnvironmentCamera.h"
#include "scene/FSTorvoInstance.h"
#include "scene/FSTorvoMaterial.h"
#include "scene/FSTorvoPerspCamera.h"
#include "scene/FSTorvoPointLight.h"
#include "scene/FSTorvoScene.h"
#include "scene/FSTorvoSpotLight.h"
#include "scene/FSTorvoWindowLight.h"
#include "geometry/FSTorvoTexture.h"

#include <charconv>
#include <cstring>

namespace trv {

namespace {

const char* const declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// The render stats that have an element, in the order of their bits; other bits are never written.
struct RenderStatElement {
    uint32_t mask;
    const char* name;
};
const RenderStatElement renderStatElements[] = {
    {TRV_RS_PRIMARY_VISIBILITY, "PrimaryVisibility"},
    {TRV_RS_CAST_SHADOWS, "CastShadows"},
    {TRV_RS_RECEIVE_SHADOWS, "ReceiveShadows"},
    {TRV_RS_VISIBLE_IN_REFLECTIONS, "VisibleInReflections"},
    {TRV_RS_VISIBLE_IN_REFRACTIONS, "VisibleInRefractions"},
    {TRV_RS_VISIBLE_IN_FG, "VisibleInFG"},
    {TRV_RS_DOUBLE_SIDED, "DoubleSided"},
    {TRV_RS_OPPOSITE, "Opposite"},
    {TRV_RS_CAST_GI, "CastGI"},
    {TRV_RS_RECEIVE_GI, "ReceiveGI"},
    {TRV_RS_CAST_OCCLUSION, "CastOcclusion"},
    {TRV_RS_RECEIVE_OCCLUSION, "ReceiveOcclusion"},
    {TRV_RS_SELF_OCCLUSION, "SelfOcclusion"},
    {TRV_RS_SHADOW_BIAS, "ShadowBias"},
};

// Degrees in half a turn, for the radians of the light objects.
constexpr double halfTurnDegrees = 180.0;
// A perspective camera's vertical field of view over its horizontal one, before the pixel aspect
// ratio: the renderer's frame is 4:3.
constexpr float verticalFovShare = 0.75f;

const char* const channelNames[FSTorvoMaterial::channelCount] = {"Diffuse",      "Specular",  "Emissive",
                                                                 "Transparency", "Shininess", "Reflection"};

}  // namespace

XMLSceneSerializer::XMLSceneSerializer(std::ostream& stream, const FSTorvoScene& scene)
    : stream_(stream), scene_(scene), textureBase_("../../")
{
}

XMLSceneSerializer::~XMLSceneSerializer() = default;

// Precision 9 in the general format, as the standard streams write it ("%.9g"): 1 is "1", the
// float 0.7 "0.699999988"; NaN and infinities come out as "nan", "-nan", "inf", "-inf".
void XMLSceneSerializer::appendFloat(std::string& out, float value)
{
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    out.append(text, result.ptr);
}

// The bytes stay exactly as given; a "]]>" inside the text is split across two sections so the
// document stays well-formed and still reads back as the same text.
void XMLSceneSerializer::appendCData(std::string& out, const std::string& text)
{
    out += "<![CDATA[";
    size_t start = 0;
    for (size_t end; (end = text.find("]]>", start)) != std::string::npos; start = end + 2) {
        out.append(text, start, end + 2 - start);
        out += "]]><![CDATA[";
    }
    out.append(text, start, std::string::npos);
    out += "]]>";
}

float XMLSceneSerializer::degrees(float radians)
{
    return static_cast<float>(double(radians) * halfTurnDegrees / double(angles::pi));
}

std::string XMLSceneSerializer::cachePath(const std::string& directory, const std::filesystem::path& fileName)
{
    std::string text = toBytes(std::filesystem::path("../..") / toWide(directory) / fileName);
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

std::string XMLSceneSerializer::texturePath(const std::filesystem::path& imagePath) const
{
    std::string text = toBytes(textureBase_ / "textures" / imagePath.filename());
    for (char& c : text)
        if (c == '/')
            c = '\\';
    return text;
}

void XMLSceneSerializer::indent() { buffer_.append(static_cast<size_t>(depth_), '\t'); }

void XMLSceneSerializer::open(const char* name)
{
    indent();
    buffer_ += '<';
    buffer_ += name;
    buffer_ += ">\n";
    ++depth_;
}

void XMLSceneSerializer::close(const char* name)
{
    --depth_;
    indent();
    buffer_ += "</";
    buffer_ += name;
    buffer_ += ">\n";
}

void XMLSceneSerializer::leafRaw(const char* name, const char* value, size_t length)
{
    indent();
    buffer_ += '<';
    buffer_ += name;
    buffer_ += '>';
    buffer_.append(value, length);
    buffer_ += "</";
    buffer_ += name;
    buffer_ += ">\n";
}

void XMLSceneSerializer::leaf(const char* name, const char* value) { leafRaw(name, value, std::strlen(value)); }

void XMLSceneSerializer::leaf(const char* name, float value)
{
    char text[48];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::general, 9);
    leafRaw(name, text, static_cast<size_t>(result.ptr - text));
}

void XMLSceneSerializer::leaf(const char* name, int32_t value)
{
    char text[16];
    const auto result = std::to_chars(text, text + sizeof text, value);
    leafRaw(name, text, static_cast<size_t>(result.ptr - text));
}

void XMLSceneSerializer::leafName(const char* name, const std::string& text)
{
    indent();
    buffer_ += '<';
    buffer_ += name;
    buffer_ += '>';
    appendCData(buffer_, text);
    buffer_ += "</";
    buffer_ += name;
    buffer_ += ">\n";
}

void XMLSceneSerializer::matrix(const char* name, const TRVMatrix4x4& matrix)
{
    open(name);
    for (int row = 0; row < 4; ++row) {
        indent();
        buffer_ += "<r>";
        for (int column = 0; column < 4; ++column) {
            buffer_ += "<c>";
            appendFloat(buffer_, matrix.m[row * 4 + column]);
            buffer_ += "</c>";
        }
        buffer_ += "</r>\n";
    }
    close(name);
}

void XMLSceneSerializer::color(const char* name, float r, float g, float b)
{
    open(name);
    leaf("r", r);
    leaf("g", g);
    leaf("b", b);
    close(name);
}

void XMLSceneSerializer::color(const char* name, const TRVLinearRGBA& color)
{
    open(name);
    leaf("r", color.r);
    leaf("g", color.g);
    leaf("b", color.b);
    leaf("a", color.a);
    close(name);
}

bool XMLSceneSerializer::flush()
{
    stream_.write(buffer_.data(), static_cast<std::streamsize>(buffer_.size()));
    buffer_.clear();
    return !stream_.fail();
}

bool XMLSceneSerializer::beginDocument()
{
    buffer_ += declaration;
    buffer_ += "<KXScene>\n";
    depth_ = 1;
    return flush();
}

bool XMLSceneSerializer::writeInstance(const FSTorvoInstance& instance)
{
    open("Instance");
    leafName("Name", instance.name());
    leafName("Shape", instance.meshName());
    matrix("ObjectToWorld", instance.transform());

    const uint32_t stats = static_cast<uint32_t>(instance.renderStats());
    const uint32_t changed = stats ^ static_cast<uint32_t>(FSTorvoInstance::initialRenderStats);
    if (changed != 0) {
        open("RenderStats");
        for (const RenderStatElement& element : renderStatElements)
            if ((changed & element.mask) != 0)
                leaf(element.name, (stats & element.mask) != 0);
        close("RenderStats");
    }

    if (const auto* links = instance.lightLinks()) {
        leaf("LightLinkMode", links->inclusive() ? "Inclusive" : "Exclusive");
        open("LightLinkedLights");
        for (TRVLightHandle handle : links->handles()) {
            const FSTorvoLightSource* light = scene_.lightOf(handle);
            leafName("element", light ? light->name() : std::string());
        }
        close("LightLinkedLights");
    } else {
        leaf("LightLinkMode", "None");
    }

    if (!instance.materialOverrides().empty()) {
        open("MaterialOverrides");
        for (TRVMaterialHandle handle : instance.materialOverrides()) {
            if (const FSTorvoMaterial* material = scene_.materialOf(handle))
                leafName("element", material->name());
            else
                leaf("element", "");
        }
        close("MaterialOverrides");
    }
    close("Instance");
    return flush();
}

bool XMLSceneSerializer::writeCamera(const FSTorvoCamera& camera)
{
    open("Camera");
    leaf("Name", camera.hashedName());
    matrix("ObjectToWorld", camera.transform());
    if (const auto* perspective = dynamic_cast<const FSTorvoPerspCamera*>(&camera)) {
        leaf("Type", "PERSPECTIVE");
        open("Fov");
        leaf("x", perspective->horizontalFov());
        leaf("y", perspective->horizontalFov() * verticalFovShare * perspective->pixelAspectRatio());
        close("Fov");
    } else if (const auto* environment = dynamic_cast<const FSTorvoEnvironmentCamera*>(&camera)) {
        leaf("Type", "ENVIRONMENT");
        switch (environment->environmentType()) {
        case 0: leaf("EnvironmentType", "CUBEMAP"); break;
        case 1: leaf("EnvironmentType", "BALL"); break;
        case 2: leaf("EnvironmentType", "LATLONG"); break;
        default: break;
        }
    }
    close("Camera");
    return flush();
}

void XMLSceneSerializer::lightCommon(const FSTorvoLightSource& light)
{
    leafName("Name", light.name());
    matrix("ObjectToWorld", light.transform());
    color("Color", light.color().r, light.color().g, light.color().b);
    leaf("ShadowSamples", light.shadowSamples());
    if (light.directScale() != 1.0f)
        leaf("DirectLightScale", light.directScale());
    if (light.indirectScale() != 1.0f)
        leaf("IndirectLightScale", light.indirectScale());
    leaf("CastShadows", light.castShadows());
    if (const auto* links = light.lightLinks()) {
        leaf("LightLinkMode", links->inclusive() ? "Inclusive" : "Exclusive");
        open("LightLinkedInstances");
        for (TRVInstanceHandle handle : links->handles()) {
            const FSTorvoInstance* instance = scene_.instanceOf(handle);
            leafName("element", instance ? instance->name() : std::string());
        }
        close("LightLinkedInstances");
    } else {
        leaf("LightLinkMode", "None");
    }
}

void XMLSceneSerializer::falloff(const LightFalloff& falloff)
{
    if (falloff.isInitial())
        return;
    leaf("FalloffExponent", falloff.exponent);
    leaf("AttenuationType", falloff.type != 0 ? "Unreal" : "Standard");
    leaf("DecayCutoff", falloff.cutoff);
    leaf("DecayClampToOne", falloff.clampToOne);
}

template <class Ramp>
void XMLSceneSerializer::ramp(const Ramp& entries)
{
    if (entries.empty())
        return;
    open("LightRampColors");
    for (const LightRampEntry& entry : entries) {
        open("element");
        leaf("r", entry.r);
        leaf("g", entry.g);
        leaf("b", entry.b);
        leaf("pos", entry.position);
        close("element");
    }
    close("LightRampColors");
}

bool XMLSceneSerializer::writePointLight(const FSTorvoPointLight& light)
{
    open("LightSource");
    leaf("Type", "Point");
    leaf("PointLightShadowRadius", light.shadowRadius());
    ramp(light.ramp());
    lightCommon(light);
    falloff(light.falloff());
    close("LightSource");
    return flush();
}

bool XMLSceneSerializer::writeDirectionalLight(const FSTorvoDirectionalLight& light)
{
    open("LightSource");
    leaf("Type", "Directional");
    leaf("DirectionalLightShadowAngle", degrees(light.shadowAngle()));
    lightCommon(light);
    close("LightSource");
    return flush();
}

bool XMLSceneSerializer::writeSpotLight(const FSTorvoSpotLight& light)
{
    open("LightSource");
    leaf("Type", "Spot");
    leaf("SpotLightShadowRadius", light.shadowRadius());
    leaf("SpotLightConeAngle", degrees(light.coneAngle()));
    leaf("SpotLightPenumbraAngle", degrees(light.penumbraAngle()));
    leaf("SpotLightPenumbraExponent", light.penumbraExponent());
    if (light.hasProjectedTexture())
        leafName("SpotLightGoboTexture", texturePath(light.projectedTextureImage()));
    ramp(light.ramp());
    lightCommon(light);
    falloff(light.falloff());
    close("LightSource");
    return flush();
}

bool XMLSceneSerializer::writeAreaLight(const FSTorvoAreaLight& light)
{
    open("LightSource");
    leaf("Type", "Area");
    lightCommon(light);
    falloff(light.falloff());
    close("LightSource");
    return flush();
}

bool XMLSceneSerializer::writeWindowLight(const FSTorvoWindowLight& light)
{
    open("LightSource");
    leaf("Type", "Window");
    leaf("DirectionalLightShadowAngle", degrees(light.shadowAngle()));
    lightCommon(light);
    falloff(light.falloff());
    close("LightSource");
    return flush();
}

void XMLSceneSerializer::channel(const char* name, const MaterialChannel& channel)
{
    if (channel.isNeutral())
        return;
    open(name);
    color("Color", channel.color);
    leaf("Scale", channel.scale);
    if (channel.texture != nullptr) {
        leafName("FileTexture", texturePath(channel.textureImage));
        if (!channel.uvLayer.empty())
            leafName("UVLayerOverride", channel.uvLayer);
    }
    if (channel.useVertexColors)
        leaf("UseVertexColor", "true");
    close(name);
}

bool XMLSceneSerializer::writeMaterial(const FSTorvoMaterial& material)
{
    open("Material");
    leafName("Name", material.name());
    for (int32_t number = 0; number < FSTorvoMaterial::channelCount; ++number) {
        const MaterialChannel& current = material.channel(number);
        if (number == FSTorvoMaterial::Shininess && current.scale != 1.0f)
            leaf("Shininess", current.scale);
        channel(channelNames[number], current);
    }
    leaf("PrimaryGIIntensity", material.primaryGIIntensity());
    leaf("PrimaryGISaturation", material.primaryGISaturation());
    leaf("SecondaryGIIntensity", material.secondaryGIIntensity());
    leaf("SecondaryGISaturation", material.secondaryGISaturation());
    leaf("DiffuseGIBoost", material.diffuseGIBoost());
    leaf("EmissiveGIScale", material.emissiveGIScale());
    leaf("SpecularGIScale", material.specularGIScale());
    leaf("DiffuseAlphaAsTransparency", material.alphaAsTransparency());
    close("Material");
    return flush();
}

bool XMLSceneSerializer::endDocument()
{
    depth_ = 0;
    buffer_ += "</KXScene>\n";
    if (!flush())
        return false;
    stream_.flush();
    return !stream_.fail();
}

bool XMLSceneSerializer::writeFileList(std::ostream& stream, const std::set<std::string>& meshNames)
{
    std::string text = declaration;
    text += "<inputspecification version =\"1\">\n";
    text += "\t<filelist>\n";
    for (const std::string& meshName : meshNames) {
        text += "\t\t<file>";
        text += cachePath("meshes", toWide(meshName + ".ttm"));
        text += "</file>\n";
    }
    text += "\t</filelist>\n";
    text += "</inputspecification>\n";
    stream.write(text.data(), static_cast<std::streamsize>(text.size()));
    stream.flush();
    return !stream.fail();
}

}  // namespace trv
