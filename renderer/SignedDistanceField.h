// Shadow maps turned into signed distance fields of their shadow edges, so that a low-resolution
// map still gives sharp, smooth shadow edges when it is sampled bilinearly and thresholded at 0.5.
//
// A texel is lit where its visibility is at least 0.5, in shadow otherwise. Its distance d is the
// Euclidean distance in texels from its centre to the nearest texel of the other kind, less half
// a texel, so that the edge lies half-way between the two texels: positive when lit, negative in
// shadow. The range r in texels is the filter size, and no more than the maximum world distance
// over the world length of a texel side when both are known (a value of 0 or less leaves either
// out; neither known: 1 texel). The stored value is clamp(0.5 + d / (2 r), 0, 1): 0.5 on the
// edge, 1 at r texels or more into the light, 0 at r texels or more into the shadow.
#pragma once

#include <cstddef>
#include <vector>

namespace torvo_renderer {

struct DistanceFieldSettings {
    int filterPixels = 0;
    float maxWorldDistance = 0;
    float texelWorldSize = 0;  // world length of one texel side; 0 when unknown
};

// The range r in texels.
float distanceFieldRange(const DistanceFieldSettings& settings);

// visibility: width x height values, row after row. Returns the encoded field in the same layout.
std::vector<float> signedDistanceField(const std::vector<float>& visibility, int width, int height,
                                       const DistanceFieldSettings& settings);

}  // namespace torvo_renderer
