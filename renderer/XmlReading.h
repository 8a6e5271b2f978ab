// Reading settings out of the scene and stage documents. Every reader that meets a value it
// cannot use throws a RenderError naming the element, so that a broken document ends the run
// with one clear line.
#pragma once

#include "MathTypes.h"

#include <tinyxml2.h>

#include <cstdint>
#include <filesystem>
#include <string>

namespace torvo_renderer::xml {

// Loads path into document and checks its root element's name.
void load(const std::filesystem::path& path, const char* what, const char* rootName, tinyxml2::XMLDocument& document);

// The element along path ("A/B/C") below node, or null.
const tinyxml2::XMLElement* find(const tinyxml2::XMLNode* node, const std::string& path);

// All text inside the element (text and CDATA sections joined), "" for a missing element.
std::string text(const tinyxml2::XMLElement* element);

// The element's whole text as a number; `where` names it in the error. Infinite values are
// refused unless allowInfinity; NaN is always refused.
float number(const tinyxml2::XMLElement* element, const std::string& where, bool allowInfinity = false);
int32_t integer(const tinyxml2::XMLElement* element, const std::string& where);
// "true" or "false"; anything else is refused.
bool boolean(const tinyxml2::XMLElement* element, const std::string& where);

// The same read from a child, with a value for a missing child.
float number(const tinyxml2::XMLElement* parent, const char* name, float fallback, const std::string& where);
int32_t integer(const tinyxml2::XMLElement* parent, const char* name, int32_t fallback, const std::string& where);
bool boolean(const tinyxml2::XMLElement* parent, const char* name, bool fallback, const std::string& where);

// A matrix of four <r> rows of four <c> elements each.
Mat4 matrix(const tinyxml2::XMLElement* element, const std::string& where);
// <r>, <g>, <b> children.
Vec3 color(const tinyxml2::XMLElement* element, const std::string& where);

}  // namespace torvo_renderer::xml
