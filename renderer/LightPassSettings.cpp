#include "LightPassSettings.h"

#include "RenderError.h"
#include "XmlReading.h"

namespace torvo_renderer {

using tinyxml2::XMLElement;

namespace {

std::vector<std::string> elements(const XMLElement* list)
{
    std::vector<std::string> out;
    for (const XMLElement* e = list ? list->FirstChildElement("element") : nullptr; e; e = e->NextSiblingElement("element"))
        out.push_back(xml::text(e));
    return out;
}

}  // namespace

LightPassSettings readLightPassSettings(const XMLElement* components)
{
    LightPassSettings settings;
    if (!components)
        return settings;
    if (const XMLElement* sdf = components->FirstChildElement("LightPassSettings")) {
        settings.signedDistanceField = xml::boolean(sdf, "signedDistanceField", false, "LightPassSettings");
        settings.filterPixels = xml::integer(sdf, "signedDistanceFieldPixelFilterSize", 0, "LightPassSettings");
        settings.maxWorldDistance = xml::number(sdf, "signedDistanceFieldMaxWorldDistance", 0, "LightPassSettings");
        if (settings.filterPixels < 0 || settings.maxWorldDistance < 0)
            throw badInput("LightPassSettings has a negative distance field filter size or distance");
    }
    const XMLElement* pass = components->FirstChildElement("lightPass");
    for (const XMLElement* e = pass ? pass->FirstChildElement("LightPassEntry") : nullptr; e;
         e = e->NextSiblingElement("LightPassEntry")) {
        LightPassEntry entry;
        entry.lights = elements(e->FirstChildElement("lights"));
        entry.targets = elements(e->FirstChildElement("affectedTargets"));
        const std::string type = xml::text(e->FirstChildElement("bakeType"));
        entry.bakeType = type == "LightMap"      ? LightBakeType::LightMap
                         : type == "ShadowMap"   ? LightBakeType::ShadowMap
                         : type == "FullShading" ? LightBakeType::FullShading
                                                 : LightBakeType::None;
        if (!type.empty() && entry.bakeType == LightBakeType::None)
            throw badInput("A light pass entry has an unknown bake type: \"" + type + "\"");
        settings.entries.push_back(entry);
    }
    return settings;
}

}  // namespace torvo_renderer
