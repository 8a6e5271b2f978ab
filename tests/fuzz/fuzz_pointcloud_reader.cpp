// The reader of the point cloud files the renderer writes as results.
#include "FuzzSupport.h"
#include "LibraryFiles.h"
#include "results/PointCloudFormat.h"
#include "results/PointcloudReader.h"

#include <ios>

namespace {

namespace pc = trv::pointcloud;

constexpr std::size_t pointTypeOffset = 4 + pc::textFieldSize;
constexpr std::size_t attributeCountOffset = pc::fixedHeaderSize - 4;

// The file the library writes for the renderer, retyped as a result file: its last attribute
// ("normal", three 4-byte reals) renamed "values" makes a result of three values per point.
std::string asResult(std::string file)
{
    if (file.size() < pc::fixedHeaderSize)
        return file;
    std::string field;
    pc::putText(field, pc::resultPointType);
    file.replace(pointTypeOffset, field.size(), field);
    const uint32_t attributes = pc::getU32(reinterpret_cast<const unsigned char*>(file.data()) + attributeCountOffset);
    const std::size_t last = pc::fixedHeaderSize + std::size_t(attributes - 1) * pc::attributeEntrySize;
    if (attributes == 0 || last + pc::textFieldSize > file.size())
        return file;
    field.clear();
    pc::putText(field, "values");
    file.replace(last, field.size(), field);
    return file;
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        const auto files = trvfuzz::makeLibraryFiles(trvfuzz::scratchDirectory() / "seeds");
        int index = 0;
        for (const auto& path : files.pointClouds) {
            const std::string file = trvfuzz::readFile(path);
            const std::string name = "cloud" + std::to_string(index++);
            seeds.add(name + "-input.pc", file);
            seeds.add(name + "-result.pc", asResult(file));
        }
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto file = trvfuzz::scratchDirectory() / "input.pc";
    trvfuzz::writeFile(file, data, size);
    try {
        const auto contents = trv::PointcloudReader::read(file);
        TRV_FUZZ_REQUIRE(contents.values.size() == std::size_t(contents.pointCount) * contents.valuesPerPoint ||
                         (contents.valuesPerPoint == 0 && contents.values.empty()));
        // Every value comes from the file: the values cannot outnumber its bytes.
        TRV_FUZZ_REQUIRE(contents.values.size() * 4 <= size);
    } catch (const trv::PointcloudReader::InvalidHeaderException&) {
    } catch (const std::ios_base::failure&) {
    }
    return 0;
}
