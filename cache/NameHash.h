#pragma once

#include <array>
#include <cstdint>
#include <filesystem>
#include <string>

namespace trv {

// HMAC-SHA1 with an empty key over the bytes of name: 40 lower-case hexadecimal digits.
std::string nameHash(const std::string& name);
// The same over a path's UTF-8 text, returned as a path.
std::filesystem::path nameHash(const std::filesystem::path& name);

// HMAC-SHA1 (RFC 2104) with any key: the raw 20-byte digest.
std::array<uint8_t, 20> hmacSha1(const std::string& key, const std::string& message);

}  // namespace trv
