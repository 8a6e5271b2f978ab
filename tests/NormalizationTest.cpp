// Normalization documents: the ranges per surface and per channel, and what a broken one gives.
#include "TestFiles.h"

#include "core/Log.h"
#include "core/XmlTools.h"
#include "results/NormalizationData.h"

#include <gtest/gtest.h>

#include <string>

namespace fs = std::filesystem;
using testfiles::TestDirectory;

namespace {

// A surface element: shape name, surface range, then one ComponentMinMax per channel pair.
std::string surface(const std::string& shape, const std::string& min, const std::string& max,
                    const std::vector<std::pair<std::string, std::string>>& channels)
{
    std::string out = "<ShapeMinMax><shape>" + shape + "</shape><minVal>" + min + "</minVal><maxVal>" + max +
                      "</maxVal><ComponentMinMaxVec>";
    for (const auto& c : channels)
        out += "<ComponentMinMax><minVal>" + c.first + "</minVal><maxVal>" + c.second + "</maxVal></ComponentMinMax>";
    return out + "</ComponentMinMaxVec></ShapeMinMax>";
}

std::string document(const std::string& surfaces)
{
    return "<?xml version=\"1.0\"?>\n<MinMaxRoot><minMaxVec>" + surfaces + "</minMaxVec></MinMaxRoot>\n";
}

class NormalizationDocument : public ::testing::Test {
protected:
    std::shared_ptr<const trv::NormalizationMap> read(const std::string& text)
    {
        std::ofstream(file_, std::ios::trunc) << text;
        return trv::readNormalizationDocument(file_);
    }

    TestDirectory dir_{"norm"};
    fs::path file_ = dir_ / "result_pass0_target0.xml";
};

TEST_F(NormalizationDocument, RangesPerSurfaceAndChannelInDocumentOrder)
{
    const auto map = read(document(surface("floor", "-0.5", "12.25", {{"0", "1"}, {"-2", "3.5"}, {"0.125", "8"}}) +
                                   surface("wall", "1e-3", "4E2", {{"0", "0"}}) +
                                   surface("floor", "2", "3", {{"2", "3"}})));
    ASSERT_TRUE(map);
    ASSERT_EQ(map->size(), 2u);
    // The second "floor" replaces the first.
    const trv::NormalizationData& floor = map->at("floor");
    EXPECT_EQ(floor.min, 2.0f);
    EXPECT_EQ(floor.max, 3.0f);
    EXPECT_EQ(floor.channels, (std::vector<std::pair<float, float>>{{2.0f, 3.0f}}));
    const trv::NormalizationData& wall = map->at("wall");
    EXPECT_EQ(wall.min, 0.001f);
    EXPECT_EQ(wall.max, 400.0f);

    const auto three = read(document(surface("floor", "-0.5", "12.25", {{"0", "1"}, {"-2", "3.5"}, {"0.125", "8"}})));
    ASSERT_TRUE(three);
    EXPECT_EQ(three->at("floor").min, -0.5f);
    EXPECT_EQ(three->at("floor").max, 12.25f);
    EXPECT_EQ(three->at("floor").channels,
              (std::vector<std::pair<float, float>>{{0.0f, 1.0f}, {-2.0f, 3.5f}, {0.125f, 8.0f}}));
}

TEST_F(NormalizationDocument, WithinAnElementTheFirstOfEachNameCountsAndOtherElementsAreSkipped)
{
    const auto map = read(document(
        "<ShapeMinMax><note/><maxVal>5</maxVal><shape>box</shape><minVal>1</minVal><minVal>99</minVal>"
        "<ComponentMinMaxVec><x/><ComponentMinMax><maxVal>7</maxVal><minVal>6</minVal></ComponentMinMax>"
        "</ComponentMinMaxVec><ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal><maxVal>0</maxVal>"
        "</ComponentMinMax></ComponentMinMaxVec></ShapeMinMax>"));
    ASSERT_TRUE(map);
    const trv::NormalizationData& box = map->at("box");
    EXPECT_EQ(box.min, 1.0f);
    EXPECT_EQ(box.max, 5.0f);
    EXPECT_EQ(box.channels, (std::vector<std::pair<float, float>>{{6.0f, 7.0f}}));
}

TEST_F(NormalizationDocument, DocumentsWithoutSurfacesGiveAnEmptyMap)
{
    for (const char* text : {"<MinMaxRoot/>", "<MinMaxRoot><minMaxVec/></MinMaxRoot>",
                             "<MinMaxRoot><minMaxVec><Other/></minMaxVec></MinMaxRoot>", "<OtherRoot/>"}) {
        SCOPED_TRACE(text);
        const auto map = read(text);
        ASSERT_TRUE(map);
        EXPECT_TRUE(map->empty());
    }
}

TEST_F(NormalizationDocument, MissingElementsGiveNothingAndOneErrorLine)
{
    const std::string good = surface("a", "0", "1", {{"0", "1"}});
    const char* const cases[] = {
        "<ShapeMinMax><minVal>0</minVal><maxVal>1</maxVal><ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal>"
        "<maxVal>1</maxVal></ComponentMinMax></ComponentMinMaxVec></ShapeMinMax>",  // no shape
        "<ShapeMinMax><shape>b</shape><maxVal>1</maxVal><ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal>"
        "<maxVal>1</maxVal></ComponentMinMax></ComponentMinMaxVec></ShapeMinMax>",  // no minVal
        "<ShapeMinMax><shape>b</shape><minVal>0</minVal><ComponentMinMaxVec><ComponentMinMax><minVal>0</minVal>"
        "<maxVal>1</maxVal></ComponentMinMax></ComponentMinMaxVec></ShapeMinMax>",  // no maxVal
        "<ShapeMinMax><shape>b</shape><minVal>0</minVal><maxVal>1</maxVal></ShapeMinMax>",  // no channel list
        "<ShapeMinMax><shape>b</shape><minVal>0</minVal><maxVal>1</maxVal><ComponentMinMaxVec/></ShapeMinMax>",
        "<ShapeMinMax><shape>b</shape><minVal>0</minVal><maxVal>1</maxVal><ComponentMinMaxVec><ComponentMinMax>"
        "<minVal>0</minVal><maxVal>1</maxVal></ComponentMinMax><ComponentMinMax><minVal>0</minVal>"
        "</ComponentMinMax></ComponentMinMaxVec></ShapeMinMax>",  // second channel without maxVal
    };
    for (const char* broken : cases) {
        SCOPED_TRACE(broken);
        EXPECT_FALSE(read(document(good + broken)));
        EXPECT_EQ(trv::lastError(), "Error reading normalization xml file\n");
    }
}

TEST_F(NormalizationDocument, FilesThatAreNotXmlAreNotFound)
{
    for (const char* text : {"", "<MinMaxRoot><minMaxVec>", "not xml at all", "<a></b>"}) {
        SCOPED_TRACE(text);
        EXPECT_FALSE(read(text));
        EXPECT_EQ(trv::lastError(), "Cannot find " + file_.string() + "\n");
    }
    const fs::path missing = dir_ / "result_pass1_target0.xml";
    EXPECT_FALSE(trv::readNormalizationDocument(missing));
    EXPECT_EQ(trv::lastError(), "Cannot find " + missing.string() + "\n");
    EXPECT_FALSE(trv::readNormalizationDocument(dir_.path()));
    EXPECT_EQ(trv::lastError(), "Cannot find " + dir_.path().string() + "\n");
}

// A range that is not a number leaves as the element reader's exception, which the exported
// function's frame reports (status 10) with its text.
TEST_F(NormalizationDocument, RangesThatAreNotNumbersThrowTheReadError)
{
    const std::pair<const char*, const char*> ranges[] = {{"abc", "1"}, {"0", ""}, {" 1", "2"}, {"1", "2x"},
                                                          {"0x10", "1"}, {"1e999", "2"}};
    for (const auto& r : ranges) {
        SCOPED_TRACE(std::string(r.first) + " / " + r.second);
        try {
            read(document(surface("a", r.first, r.second, {{"0", "1"}})));
            ADD_FAILURE() << "read as a number";
        } catch (const trv::xmlTools::XMLGetException& e) {
            EXPECT_STREQ(e.what(), "Bad lexical cast when reading value from XML");
        }
        EXPECT_THROW(read(document(surface("a", "0", "1", {{r.first, r.second}}))), trv::xmlTools::XMLGetException);
    }
}

}  // namespace
