#include "SceneDocument.h"

#include "RenderError.h"
#include "XmlReading.h"

#include <algorithm>
#include <cstring>

namespace torvo_renderer {

using tinyxml2::XMLElement;

namespace {

// Render-stat bits by their element names.
struct NamedStat {
    const char* name;
    uint32_t bit;
};
const NamedStat namedStats[] = {
    {"PrimaryVisibility", 1u << 0}, {"CastShadows", 1u << 1},          {"ReceiveShadows", 1u << 2},
    {"VisibleInReflections", 1u << 5}, {"VisibleInRefractions", 1u << 6}, {"VisibleInFG", 1u << 7},
    {"DoubleSided", 1u << 8},       {"Opposite", 1u << 9},             {"CastGI", 1u << 10},
    {"ReceiveGI", 1u << 11},        {"CastOcclusion", 1u << 14},       {"ReceiveOcclusion", 1u << 15},
    {"SelfOcclusion", 1u << 18},    {"ShadowBias", 1u << 19},
};

const char* const channelElementNames[MaterialChannelCount] = {"Diffuse",      "Specular",  "Emissive",
                                                               "Transparency", "Shininess", "Reflection"};

std::string required(const XMLElement* parent, const char* name, const std::string& where)
{
    const XMLElement* element = parent->FirstChildElement(name);
    if (!element)
        throw badInput(where + " has no " + name);
    const std::string value = xml::text(element);
    if (value.empty())
        throw badInput(where + " has an empty " + name);
    return value;
}

LightLinkSet readLinks(const XMLElement* parent, const char* listName, const std::string& where)
{
    LightLinkSet links;
    const XMLElement* modeElement = parent->FirstChildElement("LightLinkMode");
    const std::string mode = xml::text(modeElement);
    if (!modeElement || mode == "None")
        return links;
    if (mode == "Inclusive")
        links.mode = LightLinkSet::Mode::Inclusive;
    else if (mode == "Exclusive")
        links.mode = LightLinkSet::Mode::Exclusive;
    else
        throw badInput(where + " has an unknown LightLinkMode \"" + mode + "\"");
    if (const XMLElement* list = parent->FirstChildElement(listName))
        for (const XMLElement* e = list->FirstChildElement("element"); e; e = e->NextSiblingElement("element"))
            links.names.push_back(xml::text(e));
    return links;
}

SceneInstance readInstance(const XMLElement* element)
{
    SceneInstance instance;
    instance.name = required(element, "Name", "An Instance");
    const std::string where = "Instance " + instance.name;
    instance.shape = required(element, "Shape", where);
    instance.transform = xml::matrix(element->FirstChildElement("ObjectToWorld"), where + " ObjectToWorld");
    if (const XMLElement* stats = element->FirstChildElement("RenderStats")) {
        for (const XMLElement* e = stats->FirstChildElement(); e; e = e->NextSiblingElement()) {
            const auto* known = std::find_if(std::begin(namedStats), std::end(namedStats),
                                             [&](const NamedStat& s) { return std::strcmp(s.name, e->Name()) == 0; });
            if (known == std::end(namedStats))
                throw badInput(where + " has an unknown render stat " + e->Name());
            if (xml::boolean(e, where + " RenderStats/" + e->Name()))
                instance.renderStats |= known->bit;
            else
                instance.renderStats &= ~known->bit;
        }
    }
    instance.links = readLinks(element, "LightLinkedLights", where);
    if (const XMLElement* overrides = element->FirstChildElement("MaterialOverrides"))
        for (const XMLElement* e = overrides->FirstChildElement("element"); e; e = e->NextSiblingElement("element"))
            instance.materialOverrides.push_back(xml::text(e));
    return instance;
}

SceneCamera readCamera(const XMLElement* element)
{
    SceneCamera camera;
    camera.name = required(element, "Name", "A Camera");
    const std::string where = "Camera " + camera.name;
    camera.transform = xml::matrix(element->FirstChildElement("ObjectToWorld"), where + " ObjectToWorld");
    const std::string type = required(element, "Type", where);
    if (type == "PERSPECTIVE") {
        const XMLElement* fov = element->FirstChildElement("Fov");
        if (!fov)
            throw badInput(where + " has no Fov");
        camera.fovX = xml::number(fov, "x", camera.fovX, where + " Fov");
        camera.fovY = xml::number(fov, "y", camera.fovX * 0.75f, where + " Fov");
    } else if (type == "ENVIRONMENT") {
        const std::string kind = xml::text(element->FirstChildElement("EnvironmentType"));
        if (kind == "CUBEMAP")
            camera.kind = CameraKind::Cubemap;
        else if (kind == "BALL")
            camera.kind = CameraKind::Ball;
        else if (kind == "LATLONG")
            camera.kind = CameraKind::LatLong;
        else
            camera.kind = CameraKind::Unknown;
    } else {
        throw badInput(where + " has an unknown Type \"" + type + "\"");
    }
    return camera;
}

SceneLight readLight(const XMLElement* element)
{
    SceneLight light;
    light.name = required(element, "Name", "A LightSource");
    const std::string where = "Light " + light.name;
    const std::string type = required(element, "Type", where);
    if (type == "Point")
        light.kind = LightKind::Point;
    else if (type == "Spot")
        light.kind = LightKind::Spot;
    else if (type == "Directional")
        light.kind = LightKind::Directional;
    else if (type == "Area")
        light.kind = LightKind::Area;
    else if (type == "Window")
        light.kind = LightKind::Window;
    else
        throw badInput(where + " has an unknown Type \"" + type + "\"");

    light.transform = xml::matrix(element->FirstChildElement("ObjectToWorld"), where + " ObjectToWorld");
    light.color = xml::color(element->FirstChildElement("Color"), where + " Color");
    light.shadowSamples = xml::integer(element, "ShadowSamples", 1, where);
    if (light.shadowSamples < 1)
        throw badInput(where + " has fewer than one shadow sample: " + std::to_string(light.shadowSamples));
    light.directScale = xml::number(element, "DirectLightScale", 1, where);
    light.indirectScale = xml::number(element, "IndirectLightScale", 1, where);
    light.castShadows = xml::boolean(element, "CastShadows", false, where);
    light.links = readLinks(element, "LightLinkedInstances", where);

    light.shadowRadius = xml::number(element, light.kind == LightKind::Spot ? "SpotLightShadowRadius"
                                                                             : "PointLightShadowRadius",
                                     0, where);
    light.shadowAngleDegrees = xml::number(element, "DirectionalLightShadowAngle", 0, where);
    light.coneDegrees = xml::number(element, "SpotLightConeAngle", light.coneDegrees, where);
    light.penumbraDegrees = xml::number(element, "SpotLightPenumbraAngle", 0, where);
    light.penumbraExponent = xml::number(element, "SpotLightPenumbraExponent", 1, where);
    light.goboTexture = xml::text(element->FirstChildElement("SpotLightGoboTexture"));
    if (light.shadowRadius < 0 || light.shadowAngleDegrees < 0 || light.shadowAngleDegrees > 180 ||
        light.coneDegrees < 0 || light.penumbraExponent < 0 || light.directScale < 0 || light.indirectScale < 0)
        throw badInput(where + " has a negative or out-of-range shadow, cone or scale setting");
    if (light.coneDegrees + 2 * light.penumbraDegrees < 0 || light.coneDegrees + 2 * light.penumbraDegrees > 360)
        throw badInput(where + " has a cone angle and penumbra outside 0 to 360 degrees");

    if (const XMLElement* ramp = element->FirstChildElement("LightRampColors")) {
        for (const XMLElement* e = ramp->FirstChildElement("element"); e; e = e->NextSiblingElement("element")) {
            LightRampEntry entry;
            entry.color = xml::color(e, where + " LightRampColors");
            entry.position = xml::number(e, "pos", 0, where + " LightRampColors");
            light.ramp.push_back(entry);
        }
    }
    if (element->FirstChildElement("AttenuationType") || element->FirstChildElement("FalloffExponent")) {
        light.falloff.exponent = xml::number(element, "FalloffExponent", 0, where);
        light.falloff.alternative = xml::text(element->FirstChildElement("AttenuationType")) == "Unreal";
        if (const XMLElement* cutoff = element->FirstChildElement("DecayCutoff"))
            light.falloff.cutoff = xml::number(cutoff, where + "/DecayCutoff", true);
        light.falloff.clampToOne = xml::boolean(element, "DecayClampToOne", true, where);
        if (light.falloff.exponent < 0 || light.falloff.cutoff < 0)
            throw badInput(where + " has a negative falloff exponent or cutoff");
    }
    return light;
}

void readChannel(const XMLElement* element, MaterialChannel& channel, const std::string& where)
{
    if (const XMLElement* color = element->FirstChildElement("Color")) {
        const Vec3 rgb = xml::color(color, where + " Color");
        channel.color[0] = rgb.x;
        channel.color[1] = rgb.y;
        channel.color[2] = rgb.z;
        channel.color[3] = xml::number(color, "a", 0, where + " Color");
    }
    channel.scale = xml::number(element, "Scale", channel.scale, where);
    channel.texture = xml::text(element->FirstChildElement("FileTexture"));
    channel.uvLayer = xml::text(element->FirstChildElement("UVLayerOverride"));
    channel.useVertexColors = xml::text(element->FirstChildElement("UseVertexColor")) == "true";
}

SceneMaterial readMaterial(const XMLElement* element)
{
    SceneMaterial material;
    material.name = required(element, "Name", "A Material");
    const std::string where = "Material " + material.name;
    // Channels left out are neutral: black, with their neutral scale.
    material.channels[Shininess].scale = 0;
    material.channels[Reflection].scale = 0;
    for (int number = 0; number < MaterialChannelCount; ++number) {
        for (const XMLElement* e = element->FirstChildElement(channelElementNames[number]); e;
             e = e->NextSiblingElement(channelElementNames[number])) {
            // Shininess comes as a plain value and, when not neutral, also as a channel element.
            if (number == Shininess && !e->FirstChildElement())
                material.shininess = xml::number(e, where + " Shininess");
            else
                readChannel(e, material.channels[number], where + " " + channelElementNames[number]);
        }
    }
    material.primaryGIIntensity = xml::number(element, "PrimaryGIIntensity", 1, where);
    material.primaryGISaturation = xml::number(element, "PrimaryGISaturation", 1, where);
    material.secondaryGIIntensity = xml::number(element, "SecondaryGIIntensity", 1, where);
    material.secondaryGISaturation = xml::number(element, "SecondaryGISaturation", 1, where);
    material.diffuseGIBoost = xml::number(element, "DiffuseGIBoost", 1, where);
    material.emissiveGIScale = xml::number(element, "EmissiveGIScale", 1, where);
    material.specularGIScale = xml::number(element, "SpecularGIScale", 1, where);
    material.alphaAsTransparency = xml::boolean(element, "DiffuseAlphaAsTransparency", false, where);
    return material;
}

template <class T>
void refuseDuplicates(const std::vector<T>& items, const char* kind)
{
    std::vector<std::string> names;
    for (const T& item : items)
        names.push_back(item.name);
    std::sort(names.begin(), names.end());
    const auto twice = std::adjacent_find(names.begin(), names.end());
    if (twice != names.end())
        throw badInput(std::string("The scene holds two ") + kind + " named " + *twice);
}

}  // namespace

bool LightLinkSet::allows(const std::string& name) const
{
    const bool listed = std::find(names.begin(), names.end(), name) != names.end();
    switch (mode) {
    case Mode::None: return true;
    case Mode::Inclusive: return listed;
    case Mode::Exclusive: return !listed;
    }
    return true;
}

SceneMaterial SceneMaterial::defaultMaterial()
{
    SceneMaterial material;
    constexpr float defaultGrey = 0.7f;
    for (int i = 0; i < 3; ++i)
        material.channels[Diffuse].color[i] = defaultGrey;
    material.channels[Shininess].scale = 0;
    material.channels[Reflection].scale = 0;
    return material;
}

int SceneDescription::materialIndex(const std::string& name) const
{
    for (size_t i = 0; i < materials.size(); ++i)
        if (materials[i].name == name)
            return static_cast<int>(i);
    return -1;
}

int SceneDescription::instanceIndex(const std::string& name) const
{
    for (size_t i = 0; i < instances.size(); ++i)
        if (instances[i].name == name)
            return static_cast<int>(i);
    return -1;
}

bool SceneDescription::lightReaches(const SceneLight& light, int instance) const
{
    if (instance < 0)
        return light.links.mode != LightLinkSet::Mode::Inclusive;
    const SceneInstance& target = instances[static_cast<size_t>(instance)];
    return light.links.allows(target.name) && target.links.allows(light.name);
}

int resolveMaterial(const SceneDescription& scene, const SceneInstance& instance, const std::string& groupName)
{
    for (const std::string& name : instance.materialOverrides)
        if (!name.empty())
            return scene.materialIndex(name);
    return scene.materialIndex(groupName);
}

SceneDescription readSceneDocument(const std::filesystem::path& path)
{
    tinyxml2::XMLDocument document;
    xml::load(path, "Scene file", "KXScene", document);
    SceneDescription scene;
    for (const XMLElement* e = document.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement()) {
        const std::string name = e->Name();
        if (name == "Instance")
            scene.instances.push_back(readInstance(e));
        else if (name == "Camera")
            scene.cameras.push_back(readCamera(e));
        else if (name == "LightSource")
            scene.lights.push_back(readLight(e));
        else if (name == "Material")
            scene.materials.push_back(readMaterial(e));
        else
            throw badInput("Scene file holds an unknown element " + name + ": " + path.string());
    }
    refuseDuplicates(scene.instances, "instances");
    refuseDuplicates(scene.cameras, "cameras");
    refuseDuplicates(scene.lights, "lights");
    refuseDuplicates(scene.materials, "materials");
    for (const SceneInstance& instance : scene.instances)
        for (const std::string& name : instance.materialOverrides)
            if (!name.empty() && scene.materialIndex(name) < 0)
                throw badInput("Instance " + instance.name + " overrides its material with " + name +
                               ", which the scene does not hold");
    return scene;
}

}  // namespace torvo_renderer
