// STAND-IN until the results branch lands: removed at the merge.
#include "results/NormalizationData.h"

#include "core/Log.h"
#include "core/Text.h"
#include "core/XmlTools.h"

#include <tinyxml2.h>

namespace trv {

std::shared_ptr<const NormalizationMap> readNormalizationDocument(const std::filesystem::path& file)
{
    tinyxml2::XMLDocument document;
    if (document.LoadFile(toBytes(file).c_str()) != tinyxml2::XML_SUCCESS) {
        errorStream() << "Cannot find " << toBytes(file) << std::endl;
        return nullptr;
    }
    auto map = std::make_shared<NormalizationMap>();
    for (const tinyxml2::XMLElement* shape = xmlTools::find(&document, "MinMaxRoot/minMaxVec/ShapeMinMax"); shape;
         shape = shape->NextSiblingElement("ShapeMinMax")) {
        const auto* maxVal = shape->FirstChildElement("maxVal");
        const auto* minVal = shape->FirstChildElement("minVal");
        const auto* name = shape->FirstChildElement("shape");
        const auto* vec = shape->FirstChildElement("ComponentMinMaxVec");
        const auto* component = vec ? vec->FirstChildElement("ComponentMinMax") : nullptr;
        if (!maxVal || !minVal || !name || !component) {
            errorStream() << "Error reading normalization xml file" << std::endl;
            return nullptr;
        }
        NormalizationData data;
        data.min = xmlTools::readFloat(minVal);
        data.max = xmlTools::readFloat(maxVal);
        for (; component; component = component->NextSiblingElement("ComponentMinMax")) {
            const auto* cmin = component->FirstChildElement("minVal");
            const auto* cmax = component->FirstChildElement("maxVal");
            if (!cmin || !cmax) {
                errorStream() << "Error reading normalization xml file" << std::endl;
                return nullptr;
            }
            data.channels.emplace_back(xmlTools::readFloat(cmin), xmlTools::readFloat(cmax));
        }
        (*map)[xmlTools::text(name)] = data;
    }
    return map;
}

}  // namespace trv
