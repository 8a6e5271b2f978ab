// The names of a framebuffer's channels, looked up both ways.
#pragma once

#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

namespace trv {

class ChannelMapper {
public:
    // Names in index order; a name given twice finds its highest index.
    explicit ChannelMapper(std::vector<std::string> names);

    int32_t size() const { return static_cast<int32_t>(names_.size()); }
    // Both throw ChannelLookupException: "Index <index> is invalid for this framebuffer",
    // "Channel <name> not found".
    const std::string& name(int32_t index) const;
    int32_t index(const std::string& name) const;

private:
    std::vector<std::string> names_;
    std::unordered_map<std::string, int32_t> indices_;
};

}  // namespace trv
