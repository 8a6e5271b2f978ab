#include "core/XmlTools.h"

#include <cctype>
#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <sstream>
#include <vector>

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace trv::xmlTools {

namespace {

std::vector<std::string> split(const std::string& path)
{
    std::vector<std::string> names;
    std::string::size_type start = 0;
    for (;;) {
        const auto slash = path.find('/', start);
        names.push_back(path.substr(start, slash == std::string::npos ? std::string::npos : slash - start));
        if (slash == std::string::npos)
            return names;
        start = slash + 1;
    }
}

const char* const badCast = "Bad lexical cast when reading value from XML";

}  // namespace

const XMLElement* find(const XMLNode* node, const std::string& path)
{
    const XMLElement* element = nullptr;
    for (const std::string& name : split(path)) {
        if (!node)
            return nullptr;
        element = node->FirstChildElement(name.c_str());
        node = element;
    }
    return element;
}

XMLElement* find(XMLNode* node, const std::string& path)
{
    return const_cast<XMLElement*>(find(static_cast<const XMLNode*>(node), path));
}

XMLElement* findOrCreate(XMLNode* parent, const std::string& name)
{
    if (XMLElement* found = parent->FirstChildElement(name.c_str()))
        return found;
    return append(parent, name);
}

XMLElement* findOrCreatePath(XMLNode* parent, const std::string& path)
{
    XMLElement* element = nullptr;
    for (const std::string& name : split(path)) {
        element = findOrCreate(parent, name);
        parent = element;
    }
    return element;
}

XMLElement* reset(XMLNode* parent, const std::string& name)
{
    if (XMLElement* found = parent->FirstChildElement(name.c_str())) {
        found->DeleteChildren();
        return found;
    }
    return append(parent, name);
}

XMLElement* append(XMLNode* parent, const std::string& name)
{
    XMLElement* element = parent->GetDocument()->NewElement(name.c_str());
    parent->InsertEndChild(element);
    return element;
}

XMLElement* setText(XMLNode* parent, const std::string& name, const std::string& value)
{
    XMLElement* element = findOrCreate(parent, name);
    for (XMLNode* child = element->FirstChild(); child; child = child->NextSibling()) {
        if (child->ToText()) {
            child->SetValue(value.c_str());
            return element;
        }
    }
    element->InsertEndChild(element->GetDocument()->NewText(value.c_str()));
    return element;
}

XMLElement* setText(XMLNode* parent, const std::string& name, const char* value)
{
    return setText(parent, name, std::string(value));
}
XMLElement* setText(XMLNode* parent, const std::string& name, bool value)
{
    return setText(parent, name, valueText(value));
}
XMLElement* setText(XMLNode* parent, const std::string& name, int32_t value)
{
    return setText(parent, name, valueText(value));
}
XMLElement* setText(XMLNode* parent, const std::string& name, uint32_t value)
{
    return setText(parent, name, valueText(value));
}
XMLElement* setText(XMLNode* parent, const std::string& name, float value)
{
    return setText(parent, name, valueText(value));
}

std::string text(const XMLElement* element)
{
    if (!element || !element->FirstChild())
        return {};
    const char* value = element->FirstChild()->Value();
    return value ? value : "";
}

std::string textOfFirstTextChild(const XMLElement* element)
{
    if (!element)
        return {};
    for (const XMLNode* child = element->FirstChild(); child; child = child->NextSibling())
        if (child->ToText())
            return child->Value() ? child->Value() : "";
    return {};
}

bool readBool(const XMLElement* element)
{
    return text(element) == "true";
}

int32_t readInt(const XMLElement* element)
{
    const std::string value = text(element);
    const char* begin = value.data();
    const char* end = begin + value.size();
    if (begin != end && *begin == '+' && end - begin > 1 && begin[1] != '-')
        ++begin;
    int32_t result = 0;
    const auto [ptr, ec] = std::from_chars(begin, end, result);
    if (value.empty() || ec != std::errc() || ptr != end)
        throw XMLGetException(badCast);
    return result;
}

float readFloat(const XMLElement* element)
{
    const std::string value = text(element);
    // Decimal notation only: the C reader would also take hexadecimal floats.
    if (value.empty() || std::isspace(static_cast<unsigned char>(value.front())) ||
        value.find_first_of("xX") != std::string::npos)
        throw XMLGetException(badCast);
    char* end = nullptr;
    errno = 0;
    const float result = std::strtof(value.c_str(), &end);
    if (end != value.c_str() + value.size() || errno == ERANGE)
        throw XMLGetException(badCast);
    return result;
}

void readVec2(const XMLElement* element, float& x, float& y)
{
    const XMLNode* first = element ? element->FirstChild() : nullptr;
    const XMLElement* xElement = first ? first->ToElement() : nullptr;
    if (!xElement || std::string(xElement->Name()) != "x")
        throw XMLGetException("Didn't find x component when reading a vec2");
    const XMLNode* second = xElement->NextSibling();
    const XMLElement* yElement = second ? second->ToElement() : nullptr;
    if (!yElement || std::string(yElement->Name()) != "y")
        throw XMLGetException("Didn't find y component when reading a vec2");
    x = readFloat(xElement);
    y = readFloat(yElement);
}

void writeVec2(XMLElement* element, float x, float y)
{
    setText(element, "x", x);
    setText(element, "y", y);
}

std::string valueText(bool value)
{
    return value ? "true" : "false";
}
std::string valueText(int32_t value)
{
    return std::to_string(value);
}
std::string valueText(uint32_t value)
{
    return std::to_string(value);
}
std::string valueText(float value)
{
    std::ostringstream out;
    out.precision(9);
    out << value;
    return out.str();
}

XMLElement* textureBakeComponents(XMLDocument& document)
{
    return findOrCreatePath(&document, "KXConfig/TextureBakeSettings/RenderComponents");
}
XMLElement* vertexBakeComponents(XMLDocument& document)
{
    return findOrCreatePath(&document, "KXConfig/VertexBakeSettings/VertexBakeComponents");
}
XMLElement* pointCloudBakeComponents(XMLDocument& document)
{
    return findOrCreatePath(&document, "KXConfig/PointCloudBakeSettings/PointCloudBakeComponents");
}

}  // namespace trv::xmlTools
