#include "AtlasPacker.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <limits>
#include <numeric>

namespace torvo_renderer {

namespace {

// With "spatial", surfaces are taken in runs of this many along a space-filling curve; each run is
// packed largest first, which keeps neighbours together and most of the fill rate.
constexpr size_t spatialRun = 64;
constexpr int mortonBits = 10;

struct Grid {
    int64_t cell = 1;
    int64_t width = 0, height = 0;  // the atlas in cells
    int64_t padding = 0;
};

Grid gridOf(const AtlasLimits& limits)
{
    Grid g;
    g.cell = std::max<int64_t>(1, limits.alignment);
    g.padding = std::max<int64_t>(0, limits.padding);
    g.width = (int64_t(limits.maxWidth) + g.padding) / g.cell;
    g.height = (int64_t(limits.maxHeight) + g.padding) / g.cell;
    return g;
}

// Footprint of a chart in cells.
int64_t cells(int64_t texels, const Grid& g)
{
    return (texels + g.padding + g.cell - 1) / g.cell;
}

uint32_t spreadBits(uint32_t v)
{
    v &= 0x3ff;
    v = (v | (v << 16)) & 0x030000ff;
    v = (v | (v << 8)) & 0x0300f00f;
    v = (v | (v << 4)) & 0x030c30c3;
    v = (v | (v << 2)) & 0x09249249;
    return v;
}

// The order in which the items are placed.
std::vector<size_t> placingOrder(const std::vector<AtlasItem>& items, const AtlasLimits& limits)
{
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t(0));
    auto largestFirst = [&](size_t a, size_t b) {
        if (items[a].height != items[b].height)
            return items[a].height > items[b].height;
        if (items[a].width != items[b].width)
            return items[a].width > items[b].width;
        return a < b;
    };
    if (!limits.spatial || items.size() <= spatialRun) {
        std::sort(order.begin(), order.end(), largestFirst);
        return order;
    }
    std::array<float, 3> low{}, high{};
    low.fill(std::numeric_limits<float>::max());
    high.fill(std::numeric_limits<float>::lowest());
    for (const AtlasItem& item : items)
        for (int a = 0; a < 3; ++a) {
            low[a] = std::min(low[a], item.position[a]);
            high[a] = std::max(high[a], item.position[a]);
        }
    std::vector<uint32_t> key(items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        uint32_t k = 0;
        for (int a = 0; a < 3; ++a) {
            const float extent = high[a] - low[a];
            const float t = extent > 0 ? (items[i].position[a] - low[a]) / extent : 0.0f;
            const auto q = static_cast<uint32_t>(std::clamp(t, 0.0f, 1.0f) * float((1 << mortonBits) - 1));
            k |= spreadBits(q) << a;
        }
        key[i] = k;
    }
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) { return key[a] != key[b] ? key[a] < key[b] : a < b; });
    for (size_t start = 0; start < order.size(); start += spatialRun) {
        const auto end = order.begin() + static_cast<std::ptrdiff_t>(std::min(order.size(), start + spatialRun));
        std::sort(order.begin() + static_cast<std::ptrdiff_t>(start), end, largestFirst);
    }
    return order;
}

// One atlas's skyline: the height of the packed area at every column, as runs of equal height.
class Skyline {
public:
    Skyline(int64_t width, int64_t height) : width_(width), height_(height) { nodes_.push_back({0, 0, width}); }

    // Places a w x h footprint at the lowest top edge, then leftmost; false when it fits nowhere.
    bool place(int64_t w, int64_t h, int64_t& x, int64_t& y)
    {
        if (w > width_ || h > height_ || (w >= failedW_ && h >= failedH_))
            return false;
        int64_t bestTop = std::numeric_limits<int64_t>::max();
        size_t best = nodes_.size();
        for (size_t i = 0; i < nodes_.size(); ++i) {
            const int64_t at = fit(i, w, h);
            if (at >= 0 && at + h < bestTop) {
                bestTop = at + h;
                best = i;
            }
        }
        if (best == nodes_.size()) {
            // Nothing at least this large fits any more.
            if (w <= failedW_ && h <= failedH_) {
                failedW_ = w;
                failedH_ = h;
            } else if (failedW_ == std::numeric_limits<int64_t>::max()) {
                failedW_ = w;
                failedH_ = h;
            }
            return false;
        }
        x = nodes_[best].x;
        y = bestTop - h;
        insert(best, x, bestTop, w);
        return true;
    }

private:
    struct Node {
        int64_t x, y, width;
    };

    // The height at which a w-wide footprint starting at node i would rest; -1 when it does not fit.
    int64_t fit(size_t i, int64_t w, int64_t h) const
    {
        if (nodes_[i].x + w > width_)
            return -1;
        int64_t y = nodes_[i].y;
        int64_t left = w;
        for (size_t j = i; left > 0; ++j) {
            y = std::max(y, nodes_[j].y);
            if (y + h > height_)
                return -1;
            left -= nodes_[j].width;
        }
        return y;
    }

    void insert(size_t i, int64_t x, int64_t top, int64_t w)
    {
        nodes_.insert(nodes_.begin() + static_cast<std::ptrdiff_t>(i), Node{x, top, w});
        const int64_t end = x + w;
        size_t j = i + 1;
        while (j < nodes_.size() && nodes_[j].x < end) {
            const int64_t nodeEnd = nodes_[j].x + nodes_[j].width;
            if (nodeEnd <= end) {
                nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(j));
            } else {
                nodes_[j].width = nodeEnd - end;
                nodes_[j].x = end;
                break;
            }
        }
        // Neighbours of equal height become one run.
        for (size_t k = (i > 0 ? i - 1 : 0); k + 1 < nodes_.size() && k <= i + 1;) {
            if (nodes_[k].y == nodes_[k + 1].y) {
                nodes_[k].width += nodes_[k + 1].width;
                nodes_.erase(nodes_.begin() + static_cast<std::ptrdiff_t>(k + 1));
            } else {
                ++k;
            }
        }
    }

    int64_t width_, height_;
    std::vector<Node> nodes_;
    // The smallest footprint known not to fit: anything at least as wide and as tall fails too.
    int64_t failedW_ = std::numeric_limits<int64_t>::max();
    int64_t failedH_ = std::numeric_limits<int64_t>::max();
};

bool checkLimits(const std::vector<AtlasItem>& items, const AtlasLimits& limits, AtlasLayout& layout)
{
    if (limits.maxWidth < 1 || limits.maxHeight < 1) {
        layout.failure = "The atlas size " + std::to_string(limits.maxWidth) + " x " +
                         std::to_string(limits.maxHeight) + " holds no texel";
        return false;
    }
    for (size_t i = 0; i < items.size(); ++i)
        if (items[i].width < 1 || items[i].height < 1 || items[i].width > limits.maxWidth ||
            items[i].height > limits.maxHeight) {
            layout.failure = "Surface " + std::to_string(i) + " of " + std::to_string(items[i].width) + " x " +
                             std::to_string(items[i].height) + " texels does not fit an atlas of " +
                             std::to_string(limits.maxWidth) + " x " + std::to_string(limits.maxHeight);
            return false;
        }
    return true;
}

void finish(const std::vector<AtlasItem>& items, const AtlasLimits& limits, AtlasLayout& layout)
{
    const int64_t padding = std::max(0, limits.padding);
    double used = 0;
    std::vector<int64_t> top(static_cast<size_t>(layout.atlasCount), 0);
    for (size_t i = 0; i < items.size(); ++i) {
        used += double(items[i].width + padding) * double(items[i].height + padding);
        int64_t& t = top[static_cast<size_t>(layout.placements[i].atlas)];
        t = std::max(t, std::min<int64_t>(layout.placements[i].y + items[i].height + padding, limits.maxHeight + padding));
    }
    double area = 0;
    for (int64_t t : top)
        area += double(limits.maxWidth + padding) * double(t);
    layout.fillRate = area > 0 ? used / area : 0.0;
    layout.packed = true;
}

std::string tooManyAtlases(const AtlasLimits& limits)
{
    return "The surfaces do not fit into " + std::to_string(limits.maxTextures) + " atlases of " +
           std::to_string(limits.maxWidth) + " x " + std::to_string(limits.maxHeight);
}

}  // namespace

AtlasLayout packAtlas(const std::vector<AtlasItem>& items, const AtlasLimits& limits)
{
    AtlasLayout layout;
    if (!checkLimits(items, limits, layout))
        return layout;
    const Grid g = gridOf(limits);
    layout.placements.resize(items.size());
    std::vector<Skyline> atlases;
    for (size_t i : placingOrder(items, limits)) {
        const int64_t w = cells(items[i].width, g), h = cells(items[i].height, g);
        int64_t x = 0, y = 0;
        size_t a = 0;
        while (a < atlases.size() && !atlases[a].place(w, h, x, y))
            ++a;
        if (a == atlases.size()) {
            if (limits.maxTextures > 0 && atlases.size() >= size_t(limits.maxTextures)) {
                layout.failure = tooManyAtlases(limits);
                layout.placements.clear();
                return layout;
            }
            atlases.emplace_back(g.width, g.height);
            if (!atlases.back().place(w, h, x, y)) {
                layout.failure = "Surface " + std::to_string(i) + " does not fit an empty atlas with its padding";
                layout.placements.clear();
                return layout;
            }
        }
        layout.placements[i] = {static_cast<int32_t>(a), static_cast<int32_t>(x * g.cell),
                                static_cast<int32_t>(y * g.cell)};
    }
    layout.atlasCount = static_cast<int32_t>(atlases.size());
    finish(items, limits, layout);
    return layout;
}

AtlasLayout packAtlasShelves(const std::vector<AtlasItem>& items, const AtlasLimits& limits)
{
    AtlasLayout layout;
    if (!checkLimits(items, limits, layout))
        return layout;
    const Grid g = gridOf(limits);
    layout.placements.resize(items.size());
    std::vector<size_t> order(items.size());
    std::iota(order.begin(), order.end(), size_t(0));
    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) { return items[a].height > items[b].height; });
    int64_t x = 0, shelfY = 0, shelfH = 0;
    int32_t atlas = -1;
    for (size_t i : order) {
        const int64_t w = cells(items[i].width, g), h = cells(items[i].height, g);
        if (atlas >= 0 && x + w > g.width) {
            shelfY += shelfH;
            x = 0;
            shelfH = 0;
        }
        if (atlas < 0 || shelfY + h > g.height || w > g.width) {
            if (limits.maxTextures > 0 && atlas + 1 >= limits.maxTextures) {
                layout.failure = tooManyAtlases(limits);
                layout.placements.clear();
                return layout;
            }
            ++atlas;
            x = shelfY = shelfH = 0;
            if (w > g.width || h > g.height) {
                layout.failure = "Surface " + std::to_string(i) + " does not fit an empty atlas with its padding";
                layout.placements.clear();
                return layout;
            }
        }
        layout.placements[i] = {atlas, static_cast<int32_t>(x * g.cell), static_cast<int32_t>(shelfY * g.cell)};
        x += w;
        shelfH = std::max(shelfH, h);
    }
    layout.atlasCount = atlas + 1;
    finish(items, limits, layout);
    return layout;
}

}  // namespace torvo_renderer
