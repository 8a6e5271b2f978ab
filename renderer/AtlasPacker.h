// Packing of surface rectangles into a few atlas textures: a skyline packer that places the
// largest rectangles first at the lowest spot where they fit (no rotation: a surface's UV scale
// is two numbers, so a turned chart could not be expressed).
//
// Padding is the gap in texels between two charts; a chart may touch the atlas's border. Every
// chart takes the footprint (width + padding) x (height + padding) in an atlas enlarged by the
// padding, which keeps that gap to its right and top neighbours and none at the border. With an
// alignment above 1 the footprint is rounded up to whole cells of that many texels and charts
// start on cell corners.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace torvo_renderer {

struct AtlasLimits {
    int32_t maxWidth = 0;
    int32_t maxHeight = 0;
    int32_t maxTextures = 0;  // 0 or less: as many atlases as it takes
    int32_t padding = 0;
    int32_t alignment = 0;    // 0 or 1: no alignment
    bool spatial = false;     // keep surfaces near each other in the world near each other
};

struct AtlasItem {
    int32_t width = 0;
    int32_t height = 0;
    float position[3] = {0, 0, 0};  // where the surface lies in the world (used when spatial)
};

struct AtlasPlacement {
    int32_t atlas = -1;
    int32_t x = 0, y = 0;  // the chart's lowest texel column and row in its atlas
};

struct AtlasLayout {
    bool packed = false;
    std::string failure;  // why, when not packed
    std::vector<AtlasPlacement> placements;  // one per item, in the items' order
    int32_t atlasCount = 0;
    // Share of the atlases' used area that charts and their padding take: the footprints over
    // the rows of every atlas up to its highest chart (all rows of a full atlas; the last atlas
    // is counted as far as it is filled), each row maxWidth + padding wide.
    double fillRate = 0;
};

// Packs items into atlases with the skyline packer.
AtlasLayout packAtlas(const std::vector<AtlasItem>& items, const AtlasLimits& limits);
// The same limits and footprints, placed on shelves: the simple packer the skyline packer is
// measured against.
AtlasLayout packAtlasShelves(const std::vector<AtlasItem>& items, const AtlasLimits& limits);

}  // namespace torvo_renderer
