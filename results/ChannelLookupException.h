// A channel name or index a framebuffer does not have.
#pragma once

#include <stdexcept>

namespace trv {

class ChannelLookupException : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

}  // namespace trv
