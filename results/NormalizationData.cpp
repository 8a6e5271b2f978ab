#include "results/NormalizationData.h"

#include "core/Log.h"
#include "core/Text.h"
#include "cache/FileHelpers.h"
#include "core/XmlTools.h"

#include <tinyxml2.h>

#include <cstdio>

namespace trv {

namespace {

using tinyxml2::XMLElement;

// The range of one surface; false when one of its elements is missing.
bool readSurface(const XMLElement* surface, std::string& name, NormalizationData& data)
{
    const XMLElement* maxVal = surface->FirstChildElement("maxVal");
    const XMLElement* minVal = surface->FirstChildElement("minVal");
    const XMLElement* shape = surface->FirstChildElement("shape");
    const XMLElement* channelList = surface->FirstChildElement("ComponentMinMaxVec");
    const XMLElement* channel = channelList ? channelList->FirstChildElement("ComponentMinMax") : nullptr;
    if (!maxVal || !minVal || !shape || !channel)
        return false;
    data.min = xmlTools::readFloat(minVal);
    data.max = xmlTools::readFloat(maxVal);
    name = xmlTools::text(shape);
    for (; channel; channel = channel->NextSiblingElement("ComponentMinMax")) {
        const XMLElement* channelMin = channel->FirstChildElement("minVal");
        const XMLElement* channelMax = channel->FirstChildElement("maxVal");
        if (!channelMin || !channelMax)
            return false;
        data.channels.emplace_back(xmlTools::readFloat(channelMin), xmlTools::readFloat(channelMax));
    }
    return true;
}

}  // namespace

std::shared_ptr<const NormalizationMap> readNormalizationDocument(const std::filesystem::path& file)
{
    tinyxml2::XMLDocument document;
    std::FILE* stream = openFile(file, "rb");
    const bool loaded = stream && document.LoadFile(stream) == tinyxml2::XML_SUCCESS;
    if (stream)
        std::fclose(stream);
    if (!loaded) {
        errorStream() << "Cannot find " << toBytes(file) << std::endl;
        return nullptr;
    }

    auto map = std::make_shared<NormalizationMap>();
    const XMLElement* surface = xmlTools::find(&document, "MinMaxRoot/minMaxVec/ShapeMinMax");
    for (; surface; surface = surface->NextSiblingElement("ShapeMinMax")) {
        std::string name;
        NormalizationData data;
        if (!readSurface(surface, name, data)) {
            errorStream() << "Error reading normalization xml file" << std::endl;
            return nullptr;
        }
        (*map)[name] = std::move(data);
    }
    return map;
}

}  // namespace trv
