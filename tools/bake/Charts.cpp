#include "Charts.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <queue>
#include <unordered_map>

namespace torvobake {
namespace {

constexpr float pi = 3.14159265358979f;
// Charts are turned in steps of this angle to find the tightest bounding rectangle.
constexpr int rotationSteps = 18;
// Bisection steps when fitting a density: enough to come within a millionth of the best.
constexpr int densitySteps = 24;
// Texture sides are multiples of this.
constexpr int sizeStep = 4;

struct PositionKey {
    uint32_t bits[3];
    bool operator==(const PositionKey& o) const { return std::memcmp(bits, o.bits, sizeof bits) == 0; }
};
struct PositionHash {
    size_t operator()(const PositionKey& k) const
    {
        return (static_cast<size_t>(k.bits[0]) * 73856093u) ^ (static_cast<size_t>(k.bits[1]) * 19349663u) ^
               (static_cast<size_t>(k.bits[2]) * 83492791u);
    }
};

PositionKey keyOf(Vec3 p)
{
    PositionKey k{};
    // -0 and +0 are the same place.
    const float values[3] = {p.x + 0.0f, p.y + 0.0f, p.z + 0.0f};
    std::memcpy(k.bits, values, sizeof k.bits);
    return k;
}

// Turns the chart so that its bounding rectangle is smallest and wider than tall, and moves its
// lower corner to the origin.
void settle(Chart& chart)
{
    float bestArea = -1, bestAngle = 0;
    for (int step = 0; step < rotationSteps; ++step) {
        const float angle = static_cast<float>(step) * (pi / 2) / rotationSteps;
        const float c = std::cos(angle), s = std::sin(angle);
        float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
        for (const Vec2& p : chart.coords) {
            const float x = c * p.x - s * p.y, y = s * p.x + c * p.y;
            minX = std::min(minX, x), maxX = std::max(maxX, x);
            minY = std::min(minY, y), maxY = std::max(maxY, y);
        }
        const float area = (maxX - minX) * (maxY - minY);
        if (bestArea < 0 || area < bestArea)
            bestArea = area, bestAngle = angle;
    }
    float c = std::cos(bestAngle), s = std::sin(bestAngle);
    for (Vec2& p : chart.coords)
        p = {c * p.x - s * p.y, s * p.x + c * p.y};
    float minX = INFINITY, minY = INFINITY, maxX = -INFINITY, maxY = -INFINITY;
    for (const Vec2& p : chart.coords) {
        minX = std::min(minX, p.x), maxX = std::max(maxX, p.x);
        minY = std::min(minY, p.y), maxY = std::max(maxY, p.y);
    }
    if (chart.coords.empty())
        minX = minY = maxX = maxY = 0;
    const bool turn = maxY - minY > maxX - minX; // a quarter turn keeps the chart unmirrored
    for (Vec2& p : chart.coords)
        p = turn ? Vec2{maxY - p.y, p.x - minX} : Vec2{p.x - minX, p.y - minY};
    chart.width = turn ? maxY - minY : maxX - minX;
    chart.height = turn ? maxX - minX : maxY - minY;
}

float triangleArea(Vec3 a, Vec3 b, Vec3 c) { return 0.5f * length(cross(b - a, c - a)); }

std::optional<Chart> chartFromOwnUvs(const Mesh& mesh, const std::vector<Vec3>& world)
{
    float worldArea = 0, uvArea = 0;
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const uint32_t a = mesh.indices[t], b = mesh.indices[t + 1], c = mesh.indices[t + 2];
        worldArea += triangleArea(world[a], world[b], world[c]);
        const Vec2 p = mesh.lightmapUv[a], q = mesh.lightmapUv[b], r = mesh.lightmapUv[c];
        uvArea += 0.5f * std::fabs((q.x - p.x) * (r.y - p.y) - (r.x - p.x) * (q.y - p.y));
    }
    if (!(worldArea > 0) || !(uvArea > 0))
        return std::nullopt;
    // The whole unit square of the file's layout becomes the chart, texels as dense as elsewhere.
    const float side = std::sqrt(worldArea / uvArea);
    Chart chart;
    chart.vertices.resize(mesh.positions.size());
    for (uint32_t v = 0; v < chart.vertices.size(); ++v) {
        chart.vertices[v] = v;
        chart.coords.push_back({mesh.lightmapUv[v].x * side, mesh.lightmapUv[v].y * side});
    }
    chart.indices = mesh.indices;
    chart.width = chart.height = side;
    return chart;
}

} // namespace

bool lightmapUvsOverlap(const Mesh& mesh, int gridSide)
{
    std::vector<int> owner(static_cast<size_t>(gridSide) * gridSide, -1);
    const float side = static_cast<float>(gridSide);
    for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
        const Vec2 a = mesh.lightmapUv[mesh.indices[t]], b = mesh.lightmapUv[mesh.indices[t + 1]],
                   c = mesh.lightmapUv[mesh.indices[t + 2]];
        const float area = (b.x - a.x) * (c.y - a.y) - (c.x - a.x) * (b.y - a.y);
        if (area == 0)
            continue;
        const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, c.x}) * side - 0.5f)));
        const int x1 = std::min(gridSide - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, c.x}) * side - 0.5f)));
        const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, c.y}) * side - 0.5f)));
        const int y1 = std::min(gridSide - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, c.y}) * side - 0.5f)));
        for (int y = y0; y <= y1; ++y)
            for (int x = x0; x <= x1; ++x) {
                const Vec2 p{(static_cast<float>(x) + 0.5f) / side, (static_cast<float>(y) + 0.5f) / side};
                // Strictly inside: a point on an edge two faces share belongs to neither.
                const float u = ((b.x - p.x) * (c.y - p.y) - (c.x - p.x) * (b.y - p.y)) / area;
                const float v = ((c.x - p.x) * (a.y - p.y) - (a.x - p.x) * (c.y - p.y)) / area;
                const float w = 1 - u - v;
                constexpr float inside = 1e-5f;
                if (u <= inside || v <= inside || w <= inside)
                    continue;
                int& cell = owner[static_cast<size_t>(y) * gridSide + x];
                if (cell >= 0 && cell != static_cast<int>(t))
                    return true;
                cell = static_cast<int>(t);
            }
    }
    return false;
}

std::vector<Chart> makeCharts(const Mesh& mesh, const Matrix& world, const LayoutSettings& settings)
{
    std::vector<Vec3> placed(mesh.positions.size());
    for (size_t v = 0; v < placed.size(); ++v)
        placed[v] = world.transformPoint(mesh.positions[v]);
    if (!mesh.lightmapUv.empty())
        if (auto own = chartFromOwnUvs(mesh, placed))
            return {std::move(*own)};

    const size_t triangles = mesh.indices.size() / 3;
    std::vector<Vec3> normal(triangles);
    for (size_t t = 0; t < triangles; ++t) {
        const Vec3 a = placed[mesh.indices[3 * t]], b = placed[mesh.indices[3 * t + 1]], c = placed[mesh.indices[3 * t + 2]];
        normal[t] = normalized(cross(b - a, c - a));
    }
    // Faces are neighbours when they share an edge between the same places: seams of normals or
    // texture coordinates split vertices but not the surface.
    std::unordered_map<PositionKey, uint32_t, PositionHash> placeIds;
    std::vector<uint32_t> place(mesh.positions.size());
    for (size_t v = 0; v < place.size(); ++v)
        place[v] = placeIds.emplace(keyOf(mesh.positions[v]), static_cast<uint32_t>(placeIds.size())).first->second;
    std::unordered_map<uint64_t, std::vector<uint32_t>> edgeFaces;
    const auto edgeKey = [&](uint32_t a, uint32_t b) {
        const uint64_t p = place[a], q = place[b];
        return p < q ? (p << 32) | q : (q << 32) | p;
    };
    for (size_t t = 0; t < triangles; ++t)
        for (int k = 0; k < 3; ++k)
            edgeFaces[edgeKey(mesh.indices[3 * t + k], mesh.indices[3 * t + (k + 1) % 3])].push_back(
                static_cast<uint32_t>(t));

    const float minCos = std::cos(settings.chartAngleDegrees * pi / 180.0f);
    std::vector<int> chartOf(triangles, -1);
    std::vector<int> localVertex(mesh.positions.size(), -1);
    std::vector<Chart> charts;
    // Faces with a direction seed charts first; faces without area join any neighbour's chart.
    for (int pass = 0; pass < 2; ++pass)
        for (size_t seed = 0; seed < triangles; ++seed) {
            const bool flat = length(normal[seed]) == 0;
            if (chartOf[seed] >= 0 || flat != (pass == 1))
                continue;
            const int id = static_cast<int>(charts.size());
            const Vec3 n0 = normal[seed];
            std::vector<uint32_t> faces;
            std::queue<uint32_t> open;
            open.push(static_cast<uint32_t>(seed));
            chartOf[seed] = id;
            while (!open.empty()) {
                const uint32_t t = open.front();
                open.pop();
                faces.push_back(t);
                for (int k = 0; k < 3; ++k)
                    for (uint32_t other : edgeFaces[edgeKey(mesh.indices[3 * t + k], mesh.indices[3 * t + (k + 1) % 3])]) {
                        if (chartOf[other] >= 0)
                            continue;
                        const bool otherFlat = length(normal[other]) == 0;
                        if (!otherFlat && (pass == 1 || dot(normal[other], n0) < minCos))
                            continue;
                        chartOf[other] = id;
                        open.push(other);
                    }
            }
            Chart chart;
            const Vec3 axis = pass == 0 ? n0 : Vec3{0, 1, 0};
            const Vec3 u = normalized(cross(std::fabs(axis.y) < 0.9f ? Vec3{0, 1, 0} : Vec3{1, 0, 0}, axis));
            const Vec3 v = cross(axis, u);
            for (uint32_t t : faces)
                for (int k = 0; k < 3; ++k) {
                    const uint32_t source = mesh.indices[3 * t + k];
                    if (localVertex[source] < 0) {
                        localVertex[source] = static_cast<int>(chart.vertices.size());
                        chart.vertices.push_back(source);
                        chart.coords.push_back({dot(placed[source], u), dot(placed[source], v)});
                    }
                    chart.indices.push_back(static_cast<uint32_t>(localVertex[source]));
                }
            for (uint32_t source : chart.vertices)
                localVertex[source] = -1;
            settle(chart);
            charts.push_back(std::move(chart));
        }
    return charts;
}

namespace {

int cellSide(float extent, float density, int margin)
{
    // The chart starts half a texel plus half the margin into its cell, so the texels it touches
    // leave the margin free on every side.
    return static_cast<int>(std::ceil(extent * density)) + 1 + margin;
}

} // namespace

bool packCharts(std::vector<Chart*>& charts, float density, int width, int height, const LayoutSettings& settings)
{
    const int margin = settings.marginTexels;
    std::stable_sort(charts.begin(), charts.end(), [](const Chart* a, const Chart* b) {
        return a->height != b->height ? a->height > b->height : a->width > b->width;
    });
    // A skyline: the height up to which each run of columns is taken, left to right. Each cell goes
    // where its top ends lowest (then leftmost), resting on the highest run under it.
    struct Run {
        int x, y, width;
    };
    std::vector<Run> skyline{{0, 0, width}};
    for (Chart* chart : charts) {
        const int w = cellSide(chart->width, density, margin), h = cellSide(chart->height, density, margin);
        if (w > width || h > height)
            return false;
        size_t best = skyline.size();
        int bestY = 0;
        for (size_t i = 0; i < skyline.size(); ++i) {
            const int x = skyline[i].x;
            if (x + w > width)
                break;
            int y = 0;
            for (size_t j = i; j < skyline.size() && skyline[j].x < x + w; ++j)
                y = std::max(y, skyline[j].y);
            if (y + h <= height && (best == skyline.size() || y < bestY))
                best = i, bestY = y;
        }
        if (best == skyline.size())
            return false;
        const int x = skyline[best].x;
        chart->x = static_cast<float>(x) + 0.5f + 0.5f * static_cast<float>(margin);
        chart->y = static_cast<float>(bestY) + 0.5f + 0.5f * static_cast<float>(margin);
        chart->density = density;
        // The cell's top replaces the runs it covers; a run it covers in part keeps its rest.
        size_t end = best;
        while (end < skyline.size() && skyline[end].x + skyline[end].width <= x + w)
            ++end;
        if (end < skyline.size() && skyline[end].x < x + w) {
            skyline[end].width -= x + w - skyline[end].x;
            skyline[end].x = x + w;
        }
        skyline.erase(skyline.begin() + static_cast<long>(best), skyline.begin() + static_cast<long>(end));
        skyline.insert(skyline.begin() + static_cast<long>(best), Run{x, bestY + h, w});
        // Neighbouring runs of one height become one.
        for (size_t i = best > 0 ? best - 1 : 0; i + 1 < skyline.size() && i <= best + 1;) {
            if (skyline[i].y == skyline[i + 1].y) {
                skyline[i].width += skyline[i + 1].width;
                skyline.erase(skyline.begin() + static_cast<long>(i) + 1);
            } else {
                ++i;
            }
        }
    }
    return true;
}

std::optional<float> fitDensity(std::vector<Chart*>& charts, int width, int height, const LayoutSettings& settings)
{
    if (!packCharts(charts, 0.0f, width, height, settings))
        return std::nullopt;
    double area = 0;
    for (const Chart* chart : charts)
        area += static_cast<double>(chart->width) * chart->height;
    // The charts' own area cannot exceed the texture's.
    float high = area > 0 ? static_cast<float>(std::sqrt(static_cast<double>(width) * height / area)) : 1.0f;
    if (packCharts(charts, high, width, height, settings))
        return high;
    float low = 0;
    for (int step = 0; step < densitySteps; ++step) {
        const float middle = 0.5f * (low + high);
        (packCharts(charts, middle, width, height, settings) ? low : high) = middle;
    }
    // At no density at all every chart is a point: that is no layout.
    if (!(low > 0) || !packCharts(charts, low, width, height, settings))
        return std::nullopt;
    return low;
}

std::optional<int> fitSize(std::vector<Chart*>& charts, float density, int maxSize, const LayoutSettings& settings)
{
    int low = 1, high = maxSize / sizeStep; // in steps
    if (high < 1 || !packCharts(charts, density, high * sizeStep, high * sizeStep, settings))
        return std::nullopt;
    while (low < high) {
        const int middle = (low + high) / 2;
        if (packCharts(charts, density, middle * sizeStep, middle * sizeStep, settings))
            high = middle;
        else
            low = middle + 1;
    }
    if (!packCharts(charts, density, high * sizeStep, high * sizeStep, settings))
        return std::nullopt;
    return high * sizeStep;
}

LightmapMesh joinCharts(const std::vector<Chart>& charts, int width, int height)
{
    LightmapMesh out;
    for (const Chart& chart : charts) {
        const uint32_t base = static_cast<uint32_t>(out.sourceVertex.size());
        out.texture = chart.texture;
        out.sourceVertex.insert(out.sourceVertex.end(), chart.vertices.begin(), chart.vertices.end());
        for (const Vec2& p : chart.coords)
            out.uv.push_back({(chart.x + p.x * chart.density) / static_cast<float>(width),
                              (chart.y + p.y * chart.density) / static_cast<float>(height)});
        for (uint32_t i : chart.indices)
            out.indices.push_back(base + i);
    }
    return out;
}

} // namespace torvobake
