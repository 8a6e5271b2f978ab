// Normalization documents: a map, nothing after an error line, or the element reader's exception
// for a range that is not a number; never anything else.
#include "FuzzSupport.h"
#include "core/XmlTools.h"
#include "results/NormalizationData.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    trvfuzz::seedCorpus(argc, argv, [](trvfuzz::SeedWriter& seeds) {
        seeds.add("two.xml",
                  "<?xml version=\"1.0\"?>\n<MinMaxRoot><minMaxVec>"
                  "<ShapeMinMax><shape>floor</shape><minVal>-0.5</minVal><maxVal>12.25</maxVal><ComponentMinMaxVec>"
                  "<ComponentMinMax><minVal>0</minVal><maxVal>1</maxVal></ComponentMinMax>"
                  "<ComponentMinMax><minVal>-2</minVal><maxVal>3.5</maxVal></ComponentMinMax>"
                  "</ComponentMinMaxVec></ShapeMinMax>"
                  "<ShapeMinMax><shape>wall</shape><minVal>0</minVal><maxVal>1e3</maxVal><ComponentMinMaxVec>"
                  "<ComponentMinMax><minVal>0</minVal><maxVal>4</maxVal></ComponentMinMax>"
                  "</ComponentMinMaxVec></ShapeMinMax></minMaxVec></MinMaxRoot>\n");
        seeds.add("empty.xml", "<MinMaxRoot><minMaxVec/></MinMaxRoot>");
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const auto file = trvfuzz::scratchDirectory() / "result_pass0_target0.xml";
    trvfuzz::writeFile(file, data, size);
    try {
        const auto map = trv::readNormalizationDocument(file);
        if (map)
            for (const auto& surface : *map)
                TRV_FUZZ_REQUIRE(!surface.second.channels.empty());
    } catch (const trv::xmlTools::XMLGetException&) {
    }
    return 0;
}
