// The order in which a result image's channels are stored, so that index i of a framebuffer is
// the channel the render pass calls channelName(i).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

namespace trv {

// names: the file's channel names in the header's order. Returns positions into names, one per
// channel, in storage order:
// - "<layer>.R/G/B/A" and "Z": R, G, B, A, then Z;
// - "<letters><digits>" and "Z": by the value of the digits, then Z;
// - any other set of names: R, G, B, A, Z (bare or as the part after the last dot) first in that
//   order, every other channel after them in header order; no channel is left out.
std::vector<size_t> orderChannels(const std::vector<std::string>& names);

}  // namespace trv
