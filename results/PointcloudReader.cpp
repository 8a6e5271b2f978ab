#include "results/PointcloudReader.h"

#include "cache/FileHelpers.h"
#include "results/PointCloudFormat.h"

#include <string>

namespace trv {

using namespace pointcloud;

namespace {

void readBytes(std::istream& stream, unsigned char* target, size_t size)
{
    stream.read(reinterpret_cast<char*>(target), static_cast<std::streamsize>(size));
}

uint32_t readU32(std::istream& stream)
{
    unsigned char bytes[4];
    readBytes(stream, bytes, 4);
    return getU32(bytes);
}

std::string readText(std::istream& stream)
{
    unsigned char bytes[textFieldSize];
    readBytes(stream, bytes, textFieldSize);
    return getText(bytes);
}

}  // namespace

PointcloudReader::Contents PointcloudReader::read(const std::filesystem::path& path)
{
    Torvo_ifstream stream;
    stream.exceptions(std::ios::badbit | std::ios::failbit | std::ios::eofbit);
    stream.open(path, std::ios::in | std::ios::binary);

    const uint32_t version = readU32(stream);
    const std::string format = readText(stream);
    if (version > 1 || format != formatName)
        throw InvalidHeaderException();
    if (readText(stream) != resultPointType)
        throw InvalidHeaderException();

    // Two reserved words, the bounding box and the transform.
    stream.ignore(4 + 4 + 12 + 12 + 64);
    Contents contents;
    contents.pointCount = readU32(stream);
    const uint32_t bytesPerPoint = readU32(stream);
    const uint32_t attributeCount = readU32(stream);

    uint64_t recordSize = 0;
    uint64_t valuesOffset = 0;
    for (uint32_t i = 0; i < attributeCount; ++i) {
        const std::string name = readText(stream);
        const uint32_t componentSize = readU32(stream);
        const uint32_t componentCount = readU32(stream);
        if (name == "values") {
            // The values are read as 4-byte reals: any other component size would misplace every
            // record after the first.
            if (i + 1 != attributeCount || componentSize != 4)
                throw InvalidHeaderException();
            valuesOffset = recordSize;
            contents.valuesPerPoint = componentCount;
        }
        recordSize += uint64_t(componentSize) * componentCount;
        // Past what the 32-bit bytes-per-point field can hold the sum can never match it; stopping
        // here also keeps the sum from wrapping round to a matching value with an offset far
        // outside the record.
        if (recordSize > UINT32_MAX)
            throw InvalidHeaderException();
    }
    if (recordSize != bytesPerPoint)
        throw InvalidHeaderException();

    // The points must fit in what the file holds after the header, and one record in the file as
    // a whole even where no point is claimed: a damaged count or size must not turn into a huge
    // record buffer, value array or list of channels.
    const uint64_t headerEnd = uint64_t(stream.tellg());
    const uint64_t fileSize = std::filesystem::file_size(path);
    const uint64_t available = fileSize > headerEnd ? fileSize - headerEnd : 0;
    if (recordSize > fileSize || uint64_t(contents.pointCount) * recordSize > available)
        throw InvalidHeaderException();
    if (contents.valuesPerPoint == 0 || contents.pointCount == 0)
        return contents;

    contents.values.resize(size_t(contents.pointCount) * contents.valuesPerPoint);
    std::string record(bytesPerPoint, '\0');
    const auto* bytes = reinterpret_cast<const unsigned char*>(record.data()) + valuesOffset;
    float* target = contents.values.data();
    for (uint32_t point = 0; point < contents.pointCount; ++point) {
        stream.read(record.data(), static_cast<std::streamsize>(record.size()));
        for (uint32_t v = 0; v < contents.valuesPerPoint; ++v)
            *target++ = getFloat(bytes + 4 * v);
    }
    return contents;
}

}  // namespace trv
