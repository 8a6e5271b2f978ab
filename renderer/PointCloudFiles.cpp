#include "PointCloudFiles.h"

#include "RenderError.h"

#include "results/PointCloudFormat.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <iterator>
#include <string>

namespace torvo_renderer {

using namespace trv::pointcloud;

namespace {

constexpr uint32_t realSize = 4;
constexpr uint32_t headerVersion = 1;
constexpr uint32_t reservedWords[2] = {6, 0};
// Attribute entries accepted at most in an input file.
constexpr uint32_t maxAttributes = 64;

void putAttribute(std::string& out, const char* name, uint32_t componentSize, uint32_t componentCount)
{
    putText(out, name);
    putU32(out, componentSize);
    putU32(out, componentCount);
}

}  // namespace

std::vector<CloudPoint> readInputPointCloud(const std::filesystem::path& path)
{
    std::ifstream stream(path, std::ios::binary);
    if (!stream)
        throw badInput("Point cloud file not found: " + path.string());
    const std::string bytes((std::istreambuf_iterator<char>(stream)), std::istreambuf_iterator<char>());
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const std::string where = "Point cloud file " + path.string();
    if (bytes.size() < fixedHeaderSize)
        throw badInput(where + " is shorter than its header");
    const uint32_t version = getU32(data);
    if (version > 1 || getText(data + 4) != formatName)
        throw badInput(where + " is not a point cloud file");
    if (getText(data + 4 + textFieldSize) != inputPointType)
        throw badInput(where + " does not hold " + inputPointType + " points");
    const uint32_t count = getU32(data + 164);
    const uint32_t bytesPerPoint = getU32(data + 168);
    const uint32_t attributes = getU32(data + 172);
    if (attributes > maxAttributes || bytes.size() < fixedHeaderSize + uint64_t(attributes) * attributeEntrySize)
        throw badInput(where + " has a damaged attribute list");
    uint64_t offset = 0;
    int64_t positionAt = -1, normalAt = -1;
    const unsigned char* entry = data + fixedHeaderSize;
    for (uint32_t i = 0; i < attributes; ++i, entry += attributeEntrySize) {
        const std::string name = getText(entry);
        const uint64_t size = uint64_t(getU32(entry + textFieldSize)) * getU32(entry + textFieldSize + 4);
        const bool vector = getU32(entry + textFieldSize) == realSize && getU32(entry + textFieldSize + 4) == 3;
        if (name == "position" && vector)
            positionAt = static_cast<int64_t>(offset);
        if (name == "normal" && vector)
            normalAt = static_cast<int64_t>(offset);
        offset += size;
    }
    if (positionAt < 0 || normalAt < 0)
        throw badInput(where + " has no position or no normal of three reals");
    if (offset != bytesPerPoint || bytesPerPoint == 0)
        throw badInput(where + " has a point size that disagrees with its attributes");
    const uint64_t body = bytes.size() - fixedHeaderSize - uint64_t(attributes) * attributeEntrySize;
    if (uint64_t(count) * bytesPerPoint > body)
        throw badInput(where + " is shorter than its " + std::to_string(count) + " points");

    std::vector<CloudPoint> points(count);
    const unsigned char* record = entry;
    for (uint32_t i = 0; i < count; ++i, record += bytesPerPoint) {
        auto vec = [&](int64_t at) {
            const unsigned char* p = record + at;
            return Vec3{getFloat(p), getFloat(p + 4), getFloat(p + 8)};
        };
        const Vec3 position = vec(positionAt);
        const Vec3 normal = vec(normalAt);
        if (!isFinite(position) || !isFinite(normal) || !(length(normal) > 0.0f))
            throw badInput(where + ": point " + std::to_string(i) + " has no finite position and normal");
        points[i] = {position, normalizedOr(normal, {0, 1, 0})};
    }
    return points;
}

void writeResultPointCloud(const std::filesystem::path& path, const std::vector<CloudPoint>& points,
                           const std::vector<float>& values, uint32_t channelCount)
{
    float minimum[3] = {largestFloat, largestFloat, largestFloat};
    float maximum[3] = {-largestFloat, -largestFloat, -largestFloat};
    for (const CloudPoint& point : points) {
        const float p[3] = {point.position.x, point.position.y, point.position.z};
        for (int axis = 0; axis < 3; ++axis) {
            minimum[axis] = std::min(minimum[axis], p[axis]);
            maximum[axis] = std::max(maximum[axis], p[axis]);
        }
    }
    constexpr uint32_t attributeCount = 3;
    const uint32_t bytesPerPoint = (3 + 3 + channelCount) * realSize;
    std::string buffer;
    putU32(buffer, headerVersion);
    putText(buffer, formatName);
    putText(buffer, resultPointType);
    putU32(buffer, reservedWords[0]);
    putU32(buffer, reservedWords[1]);
    for (float value : minimum)
        putFloat(buffer, value);
    for (float value : maximum)
        putFloat(buffer, value);
    for (int i = 0; i < 16; ++i)
        putFloat(buffer, i % 5 == 0 ? 1.0f : 0.0f);
    putU32(buffer, static_cast<uint32_t>(points.size()));
    putU32(buffer, bytesPerPoint);
    putU32(buffer, attributeCount);
    putAttribute(buffer, "position", realSize, 3);
    putAttribute(buffer, "normal", realSize, 3);
    putAttribute(buffer, "values", realSize, channelCount);
    buffer.reserve(buffer.size() + points.size() * bytesPerPoint);
    for (size_t i = 0; i < points.size(); ++i) {
        for (Vec3 v : {points[i].position, points[i].normal}) {
            putFloat(buffer, v.x);
            putFloat(buffer, v.y);
            putFloat(buffer, v.z);
        }
        for (uint32_t c = 0; c < channelCount; ++c)
            putFloat(buffer, values[i * channelCount + c]);
    }
    std::ofstream stream(path, std::ios::binary | std::ios::trunc);
    stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    stream.close();
    if (!stream)
        throw RenderError(ExitCode::ResultWriteFailed, "Result file cannot be written: " + path.string());
}

}  // namespace torvo_renderer
