// Element-path helpers for configuration documents. A path is element names separated by "/",
// compared exactly. Settings are child elements with text content, never attributes.
#pragma once

#include <tinyxml2.h>

#include <cstdint>
#include <stdexcept>
#include <string>

namespace trv::xmlTools {

// A value that cannot be read from a document.
class XMLGetException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// The element at path below node, or null as soon as one step is missing.
tinyxml2::XMLElement* find(tinyxml2::XMLNode* node, const std::string& path);
const tinyxml2::XMLElement* find(const tinyxml2::XMLNode* node, const std::string& path);
// The first child element named name, or a new one appended as the last child; never null.
tinyxml2::XMLElement* findOrCreate(tinyxml2::XMLNode* parent, const std::string& name);
// The same along a path, creating every missing step.
tinyxml2::XMLElement* findOrCreatePath(tinyxml2::XMLNode* parent, const std::string& path);
// The child named name emptied of its children, or a new one.
tinyxml2::XMLElement* reset(tinyxml2::XMLNode* parent, const std::string& name);
// Always a new child named name, appended.
tinyxml2::XMLElement* append(tinyxml2::XMLNode* parent, const std::string& name);
// findOrCreate(parent, name), then its text becomes value (replacing an existing text child).
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, const std::string& value);
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, const char* value);
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, bool value);
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, int32_t value);
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, uint32_t value);
tinyxml2::XMLElement* setText(tinyxml2::XMLNode* parent, const std::string& name, float value);

// The value of the element's first child node ("" when it has none).
std::string text(const tinyxml2::XMLElement* element);
// The value of its first text child ("" when it has none).
std::string textOfFirstTextChild(const tinyxml2::XMLElement* element);

// Exactly "true" is true.
bool readBool(const tinyxml2::XMLElement* element);
// The whole text as a number, no surrounding blanks; XMLGetException otherwise.
int32_t readInt(const tinyxml2::XMLElement* element);
float readFloat(const tinyxml2::XMLElement* element);
// Children x then y; XMLGetException when either is missing.
void readVec2(const tinyxml2::XMLElement* element, float& x, float& y);
void writeVec2(tinyxml2::XMLElement* element, float x, float y);

// Value texts: "true"/"false", decimal integers, floats with 9 significant digits.
std::string valueText(bool value);
std::string valueText(int32_t value);
std::string valueText(uint32_t value);
std::string valueText(float value);

// The component elements of the document, created when missing.
tinyxml2::XMLElement* textureBakeComponents(tinyxml2::XMLDocument& document);
tinyxml2::XMLElement* vertexBakeComponents(tinyxml2::XMLDocument& document);
tinyxml2::XMLElement* pointCloudBakeComponents(tinyxml2::XMLDocument& document);

}  // namespace trv::xmlTools
