// Byte layout shared by the point cloud writer and reader: little-endian 32-bit fields and
// 32-byte text fields (text, a zero byte, spaces up to 32 bytes).
#pragma once

#include <cstdint>
#include <cstring>
#include <string>

namespace trv {
namespace pointcloud {

constexpr uint32_t textFieldSize = 32;
constexpr uint32_t attributeEntrySize = textFieldSize + 8;
constexpr uint32_t fixedHeaderSize = 176;  // up to and including the attribute count
constexpr const char* formatName = "KX Point Cloud";
constexpr const char* inputPointType = "doughPoint";
constexpr const char* resultPointType = "floatArrayPoint";
constexpr float largestFloat = 3.4028235e38f;

inline void putU32(std::string& out, uint32_t value)
{
    char bytes[4] = {static_cast<char>(value & 0xFF), static_cast<char>((value >> 8) & 0xFF),
                     static_cast<char>((value >> 16) & 0xFF), static_cast<char>((value >> 24) & 0xFF)};
    out.append(bytes, 4);
}

inline void putFloat(std::string& out, float value)
{
    uint32_t bits;
    std::memcpy(&bits, &value, 4);
    putU32(out, bits);
}

inline void putText(std::string& out, const char* text)
{
    const size_t length = std::strlen(text);
    out.append(text, length);
    out.push_back('\0');
    out.append(textFieldSize - length - 1, ' ');
}

inline uint32_t getU32(const unsigned char* bytes)
{
    return uint32_t(bytes[0]) | uint32_t(bytes[1]) << 8 | uint32_t(bytes[2]) << 16 | uint32_t(bytes[3]) << 24;
}

inline float getFloat(const unsigned char* bytes)
{
    const uint32_t bits = getU32(bytes);
    float value;
    std::memcpy(&value, &bits, 4);
    return value;
}

// The text of a field: its bytes up to the first zero byte.
inline std::string getText(const unsigned char* bytes)
{
    const char* text = reinterpret_cast<const char*>(bytes);
    size_t length = 0;
    while (length < textFieldSize && text[length] != '\0')
        ++length;
    return std::string(text, length);
}

}  // namespace pointcloud
}  // namespace trv
