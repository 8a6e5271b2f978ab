#include "results/PointcloudWriter.h"

#include "core/Status.h"
#include "cache/FileHelpers.h"
#include "results/PointCloudFormat.h"

#include <algorithm>
#include <string>

namespace trv {

using namespace pointcloud;

namespace {

void putAttribute(std::string& out, const char* name, uint32_t componentSize, uint32_t componentCount)
{
    putText(out, name);
    putU32(out, componentSize);
    putU32(out, componentCount);
}

}  // namespace

TRVStatus PointcloudWriter::write(const std::filesystem::path& path, const std::vector<TRVVec3>& positions,
                                  const std::vector<TRVVec3>& normals)
{
    Torvo_ofstream stream;
    stream.exceptions(std::ios::badbit | std::ios::failbit | std::ios::eofbit);
    stream.open(path, std::ios::out | std::ios::binary);

    const size_t count = std::min(positions.size(), normals.size());
    float minimum[3] = {largestFloat, largestFloat, largestFloat};
    float maximum[3] = {-largestFloat, -largestFloat, -largestFloat};
    for (size_t i = 0; i < count; ++i) {
        const float p[3] = {positions[i].x, positions[i].y, positions[i].z};
        for (int axis = 0; axis < 3; ++axis) {
            minimum[axis] = std::min(minimum[axis], p[axis]);
            maximum[axis] = std::max(maximum[axis], p[axis]);
        }
    }

    std::string buffer;
    buffer.reserve(headerSize);
    putU32(buffer, 1);
    putText(buffer, formatName);
    putText(buffer, inputPointType);
    putU32(buffer, 6);
    putU32(buffer, 0);
    for (float value : minimum)
        putFloat(buffer, value);
    for (float value : maximum)
        putFloat(buffer, value);
    for (int i = 0; i < 16; ++i)
        putFloat(buffer, i % 5 == 0 ? 1.0f : 0.0f);
    putU32(buffer, static_cast<uint32_t>(count));
    putU32(buffer, bytesPerPoint);
    putU32(buffer, 3);
    putAttribute(buffer, "position", 4, 3);
    putAttribute(buffer, "index", 4, 1);
    putAttribute(buffer, "normal", 4, 3);
    stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));

    // Points go out in blocks so a large cloud needs no second copy in memory.
    constexpr size_t pointsPerBlock = 4096;
    for (size_t first = 0; first < count; first += pointsPerBlock) {
        buffer.clear();
        const size_t end = std::min(count, first + pointsPerBlock);
        for (size_t i = first; i < end; ++i) {
            putFloat(buffer, positions[i].x);
            putFloat(buffer, positions[i].y);
            putFloat(buffer, positions[i].z);
            putU32(buffer, static_cast<uint32_t>(i));
            putFloat(buffer, normals[i].x);
            putFloat(buffer, normals[i].y);
            putFloat(buffer, normals[i].z);
        }
        stream.write(buffer.data(), static_cast<std::streamsize>(buffer.size()));
    }
    stream.close();
    return Status::Success;
}

}  // namespace trv
