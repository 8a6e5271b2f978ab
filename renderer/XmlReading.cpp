#include "XmlReading.h"

#include "RenderError.h"

#include "core/XmlTools.h"

#include <cmath>
#include <cstdio>
#include <memory>

namespace torvo_renderer::xml {

using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

void load(const std::filesystem::path& path, const char* what, const char* rootName, tinyxml2::XMLDocument& document)
{
    std::error_code ec;
    if (!std::filesystem::is_regular_file(path, ec))
        throw badInput(std::string(what) + " not found: " + path.string());
    std::unique_ptr<std::FILE, int (*)(std::FILE*)> file(std::fopen(path.c_str(), "rb"), &std::fclose);
    if (!file)
        throw badInput(std::string(what) + " cannot be opened: " + path.string());
    if (document.LoadFile(file.get()) != tinyxml2::XML_SUCCESS)
        throw badInput(std::string(what) + " does not parse: " + path.string() + " (line " +
                       std::to_string(document.ErrorLineNum()) + ": " + document.ErrorName() + ")");
    const XMLElement* root = document.RootElement();
    if (!root || std::string(root->Name()) != rootName)
        throw badInput(std::string(what) + " has no " + rootName + " root: " + path.string());
}

const XMLElement* find(const XMLNode* node, const std::string& path)
{
    return node ? trv::xmlTools::find(node, path) : nullptr;
}

std::string text(const XMLElement* element)
{
    std::string result;
    if (!element)
        return result;
    for (const XMLNode* child = element->FirstChild(); child; child = child->NextSibling())
        if (child->ToText() && child->Value())
            result += child->Value();
    return result;
}

float number(const XMLElement* element, const std::string& where, bool allowInfinity)
{
    float value = 0;
    try {
        value = trv::xmlTools::readFloat(element);
    } catch (const trv::xmlTools::XMLGetException&) {
        throw badInput(where + " is not a number: \"" + text(element) + "\"");
    }
    if (std::isnan(value) || (!allowInfinity && std::isinf(value)))
        throw badInput(where + " is not a finite number: \"" + text(element) + "\"");
    return value;
}

int32_t integer(const XMLElement* element, const std::string& where)
{
    try {
        return trv::xmlTools::readInt(element);
    } catch (const trv::xmlTools::XMLGetException&) {
        throw badInput(where + " is not an integer: \"" + text(element) + "\"");
    }
}

bool boolean(const XMLElement* element, const std::string& where)
{
    const std::string value = text(element);
    if (value == "true")
        return true;
    if (value == "false")
        return false;
    throw badInput(where + " is neither true nor false: \"" + value + "\"");
}

float number(const XMLElement* parent, const char* name, float fallback, const std::string& where)
{
    const XMLElement* element = parent ? parent->FirstChildElement(name) : nullptr;
    return element ? number(element, where + "/" + name) : fallback;
}

int32_t integer(const XMLElement* parent, const char* name, int32_t fallback, const std::string& where)
{
    const XMLElement* element = parent ? parent->FirstChildElement(name) : nullptr;
    return element ? integer(element, where + "/" + name) : fallback;
}

bool boolean(const XMLElement* parent, const char* name, bool fallback, const std::string& where)
{
    const XMLElement* element = parent ? parent->FirstChildElement(name) : nullptr;
    return element ? boolean(element, where + "/" + name) : fallback;
}

Mat4 matrix(const XMLElement* element, const std::string& where)
{
    if (!element)
        throw badInput(where + " is missing");
    Mat4 result;
    const XMLElement* row = element->FirstChildElement("r");
    for (int r = 0; r < 4; ++r, row = row ? row->NextSiblingElement("r") : nullptr) {
        if (!row)
            throw badInput(where + " has fewer than four rows");
        const XMLElement* cell = row->FirstChildElement("c");
        for (int c = 0; c < 4; ++c, cell = cell ? cell->NextSiblingElement("c") : nullptr) {
            if (!cell)
                throw badInput(where + " has a row with fewer than four values");
            result.m[r * 4 + c] = number(cell, where + " row " + std::to_string(r) + " column " + std::to_string(c));
        }
    }
    return result;
}

Vec3 color(const XMLElement* element, const std::string& where)
{
    if (!element)
        throw badInput(where + " is missing");
    auto component = [&](const char* name) {
        const XMLElement* value = element->FirstChildElement(name);
        if (!value)
            throw badInput(where + " has no " + name + " value");
        return number(value, where + "/" + name);
    };
    return {component("r"), component("g"), component("b")};
}

}  // namespace torvo_renderer::xml
