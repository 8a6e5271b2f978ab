// Atlas layouts: the packer on its own (limits, padding, alignment, no overlap), and the program's
// atlas run from request to layout document and on to a bake of the layout.
#include "RendererFixture.h"

#include "AtlasPacker.h"
#include "platform/RendererExit.h"

#include <tinyxml2.h>

#include <random>

namespace rtest {
namespace {

using torvo_renderer::AtlasItem;
using torvo_renderer::AtlasLayout;
using torvo_renderer::AtlasLimits;

AtlasLimits limits(int width, int height, int textures, int padding = 0, int alignment = 0)
{
    AtlasLimits l;
    l.maxWidth = width;
    l.maxHeight = height;
    l.maxTextures = textures;
    l.padding = padding;
    l.alignment = alignment;
    return l;
}

std::vector<AtlasItem> squares(std::initializer_list<int> sides)
{
    std::vector<AtlasItem> items;
    for (int side : sides) {
        AtlasItem item;
        item.width = item.height = side;
        items.push_back(item);
    }
    return items;
}

// Every chart inside its atlas, on the alignment, and at least `padding` texels from every other
// chart of its atlas along one axis.
void expectSound(const std::vector<AtlasItem>& items, const AtlasLayout& layout, const AtlasLimits& l)
{
    ASSERT_TRUE(layout.packed) << layout.failure;
    ASSERT_EQ(layout.placements.size(), items.size());
    for (size_t i = 0; i < items.size(); ++i) {
        const auto& p = layout.placements[i];
        ASSERT_GE(p.atlas, 0);
        ASSERT_LT(p.atlas, layout.atlasCount);
        if (l.maxTextures > 0) {
            ASSERT_LE(layout.atlasCount, l.maxTextures);
        }
        ASSERT_GE(p.x, 0);
        ASSERT_GE(p.y, 0);
        ASSERT_LE(p.x + items[i].width, l.maxWidth) << i;
        ASSERT_LE(p.y + items[i].height, l.maxHeight) << i;
        if (l.alignment > 1) {
            ASSERT_EQ(p.x % l.alignment, 0);
            ASSERT_EQ(p.y % l.alignment, 0);
        }
    }
    for (size_t i = 0; i < items.size(); ++i)
        for (size_t j = i + 1; j < items.size(); ++j) {
            const auto& a = layout.placements[i];
            const auto& b = layout.placements[j];
            if (a.atlas != b.atlas)
                continue;
            const bool apart = a.x + items[i].width + l.padding <= b.x || b.x + items[j].width + l.padding <= a.x ||
                               a.y + items[i].height + l.padding <= b.y || b.y + items[j].height + l.padding <= a.y;
            ASSERT_TRUE(apart) << "charts " << i << " and " << j;
        }
}

TEST(AtlasPacker, HandCountedLayouts)
{
    struct Case {
        const char* what;
        std::vector<AtlasItem> items;
        AtlasLimits limits;
        bool packed;
        int atlases;
        double fill;
    };
    const Case cases[] = {
        {"four quarters fill one atlas", squares({50, 50, 50, 50}), limits(100, 100, 1), true, 1, 1.0},
        {"a fifth quarter needs a second atlas", squares({50, 50, 50, 50, 50}), limits(100, 100, 2), true, 2, 12500.0 / 15000},
        {"but only one is allowed", squares({50, 50, 50, 50, 50}), limits(100, 100, 1), false, 0, 0},
        {"no limit on the count", squares({50, 50, 50, 50, 50}), limits(100, 100, 0), true, 2, 12500.0 / 15000},
        // 49 + 2 + 49 = 100: the gap fits between them, none is needed at the border.
        {"padding between two charts", squares({49, 49, 49, 49}), limits(100, 100, 1, 2), true, 1, 1.0},
        {"one more texel of padding does not fit", squares({49, 49, 49, 49}), limits(100, 100, 1, 3), false, 0, 0},
        // Cells of 32: each 40-texel chart takes 64 x 64; the upper ones end at row 104.
        {"alignment rounds footprints up", squares({40, 40, 40, 40}), limits(128, 128, 1, 0, 32), true, 1,
         6400.0 / (128 * 104)},
        {"a chart larger than the atlas", squares({101}), limits(100, 100, 5), false, 0, 0},
        {"an empty atlas", squares({1}), limits(0, 100, 5), false, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const AtlasLayout layout = torvo_renderer::packAtlas(c.items, c.limits);
        EXPECT_EQ(layout.packed, c.packed);
        if (!c.packed) {
            EXPECT_FALSE(layout.failure.empty());
            EXPECT_TRUE(layout.placements.empty());
            continue;
        }
        expectSound(c.items, layout, c.limits);
        EXPECT_EQ(layout.atlasCount, c.atlases);
        EXPECT_NEAR(layout.fillRate, c.fill, 1e-9);
    }
}

TEST(AtlasPacker, MixedSizesNeverOverlapAndPackTightly)
{
    std::mt19937 random(7);
    std::uniform_int_distribution<int> side(1, 6);
    std::vector<AtlasItem> items(1500);
    for (auto& item : items) {
        item.width = 1 << side(random);
        item.height = 1 << side(random);
        for (float& c : item.position)
            c = float(random() % 1000);
    }
    for (int padding : {0, 3})
        for (int alignment : {0, 4})
            for (bool spatial : {false, true}) {
                SCOPED_TRACE(std::to_string(padding) + " " + std::to_string(alignment) + " " + std::to_string(spatial));
                AtlasLimits l = limits(512, 512, 0, padding, alignment);
                l.spatial = spatial;
                const AtlasLayout layout = torvo_renderer::packAtlas(items, l);
                expectSound(items, layout, l);
                // Powers of two without padding leave little room unused.
                if (padding == 0 && !spatial) {
                    EXPECT_GT(layout.fillRate, 0.85);
                }
                const AtlasLayout shelves = torvo_renderer::packAtlasShelves(items, l);
                expectSound(items, shelves, l);
            }
}

// The atlas run of the program on a scene of hand-made quads.
class AtlasRunTest : public RendererTest {
protected:
    std::string packSettings = "<enabled>1</enabled><resolution><x>32.000000</x><y>32.000000</y></resolution>"
                               "<maxTextures>2</maxTextures><type>Block</type><alignment>0</alignment>"
                               "<padding>0</padding><spatial>false</spatial>";

    static std::string ratio(float scale)
    {
        return "<UVPackSettings><type>Ratio</type><ratioScale>" + number(scale) + "</ratioScale></UVPackSettings>";
    }
    static std::string resolution(int w, int h)
    {
        return "<UVPackSettings><type>Resolution</type><resolution><x>" + std::to_string(w) + ".000000</x><y>" +
               std::to_string(h) + ".000000</y></resolution></UVPackSettings>";
    }
    static std::string surface(const std::string& instance, const std::string& entity, const std::string& size)
    {
        return "<SurfaceTransferTarget><target>" + instance + "</target><name>" + entity + "</name>" + size +
               "</SurfaceTransferTarget>";
    }
    void request(const std::string& surfaces)
    {
        writeStage(textureStage(Pass::Normals,
                                "<SurfaceTransferTexture><UVPackSettings>" + packSettings +
                                    "</UVPackSettings><textureName>target0</textureName><targetSurfaces>" + surfaces +
                                    "</targetSurfaces></SurfaceTransferTexture>"),
                   "atlastemp.xml");
    }
    RunOutput renderAtlas() const
    {
        writeScene();
        const std::string command = "cd '" + job.string() + "' && '" + rendererProgram.string() +
                                    "' \"../../scenes/room.xml\" -uvpack  -i \"../../scenes/room_files.xml\" -x "
                                    "\"atlastemp.xml\" -cs -od \"output\" -o \"output/atlasres.xml\" > '" +
                                    (dir / "run.txt").string() + "' 2>&1";
        RunOutput run;
        const int status = std::system(command.c_str());
        run.code = WIFEXITED(status) ? WEXITSTATUS(status) : 1000 + WTERMSIG(status);
        std::ifstream in(dir / "run.txt");
        for (std::string line; std::getline(in, line);)
            run.lines.push_back(line);
        return run;
    }

    struct Placed {
        int atlas;
        float bias[2], scale[2];
    };
    // Surfaces of the layout by entity name; the atlases' names in order.
    std::map<std::string, Placed> readLayout(std::vector<std::string>& names) const
    {
        std::map<std::string, Placed> placed;
        tinyxml2::XMLDocument doc;
        EXPECT_EQ(doc.LoadFile((output / "atlasres.xml").c_str()), tinyxml2::XML_SUCCESS);
        const auto* targets = doc.RootElement()->FirstChildElement("SurfaceTransferSettings")->FirstChildElement("targets");
        int atlas = 0;
        for (const auto* t = targets->FirstChildElement("SurfaceTransferTexture"); t;
             t = t->NextSiblingElement("SurfaceTransferTexture"), ++atlas) {
            names.push_back(t->FirstChildElement("textureName")->GetText());
            EXPECT_EQ(t->FirstChildElement("UVPackSettings"), nullptr);
            for (const auto* s = t->FirstChildElement("targetSurfaces")->FirstChildElement("SurfaceTransferTarget"); s;
                 s = s->NextSiblingElement("SurfaceTransferTarget")) {
                Placed p{atlas, {}, {}};
                const auto* bias = s->FirstChildElement("UVBias");
                const auto* scale = s->FirstChildElement("UVScale");
                p.bias[0] = bias->FirstChildElement("x")->FloatText();
                p.bias[1] = bias->FirstChildElement("y")->FloatText();
                p.scale[0] = scale->FirstChildElement("x")->FloatText();
                p.scale[1] = scale->FirstChildElement("y")->FloatText();
                placed[s->FirstChildElement("name")->GetText()] = p;
            }
        }
        return placed;
    }
};

TEST_F(AtlasRunTest, TexelRatiosSizeSurfacesByWorldAreaAndTheLayoutBakes)
{
    // A 2 x 2 floor and a 1 x 1 tile, both with UVs over the whole square: at 8 texels per world
    // unit they take 16 x 16 and 8 x 8 texels of a 32 x 32 atlas. Largest first and lowest: the
    // floor at the origin, the tile to its right.
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    addMesh("tile", floorQuad(3, 3, 4, 4));
    add(instanceXml("floor", "floor"));
    add(instanceXml("tile", "tile"));
    request(surface("floor", "guid-floor", ratio(8)) + surface("tile", "guid-tile", ratio(8)));
    const RunOutput run = renderAtlas();
    ASSERT_EQ(run.code, 0) << run.lines.back();
    EXPECT_TRUE(run.has("Atlas target0: 2 surfaces in 1 atlases of 32 x 32, fill rate 62.5%"));
    std::vector<std::string> names;
    const auto placed = readLayout(names);
    EXPECT_EQ(names, std::vector<std::string>{"target0_0"});
    ASSERT_EQ(placed.size(), 2u);
    const Placed& floor = placed.at("guid-floor");
    const Placed& tile = placed.at("guid-tile");
    EXPECT_FLOAT_EQ(floor.scale[0], 0.5f);
    EXPECT_FLOAT_EQ(floor.scale[1], 0.5f);
    EXPECT_FLOAT_EQ(floor.bias[0], 0.0f);
    EXPECT_FLOAT_EQ(floor.bias[1], 0.0f);
    EXPECT_FLOAT_EQ(tile.scale[0], 0.25f);
    EXPECT_FLOAT_EQ(tile.scale[1], 0.25f);
    EXPECT_FLOAT_EQ(tile.bias[0], 0.5f);
    EXPECT_FLOAT_EQ(tile.bias[1], 0.0f);

    // The layout document is a stage of its own: both surfaces land in one texture.
    fs::copy_file(output / "atlasres.xml", job / "stage.xml", fs::copy_options::overwrite_existing);
    extraArguments.clear();
    renderOk();
    const Image image = result("target0_0");
    ASSERT_EQ(image.width, 32);
    int covered = 0;
    for (int y = 0; y < 32; ++y)
        for (int x = 0; x < 32; ++x) {
            const bool inside = (x < 16 && y < 16) || (x >= 16 && x < 24 && y < 8);
            covered += image.at("tpNormals.A", x, y) == 1.0f;
            if (inside) {
                EXPECT_EQ(image.at("tpNormals.A", x, y), 1.0f) << x << " " << y;
                EXPECT_NEAR(image.at("tpNormals.G", x, y), 1.0f, 1e-6);
            }
        }
    EXPECT_EQ(covered, 16 * 16 + 8 * 8);
}

TEST_F(AtlasRunTest, TexelPackingTakesOnlyTheUsedPartOfUVSpace)
{
    // UVs over the upper right quarter: 8 texels per unit over 2 units is 16 texels for half of
    // UV space, so the whole square would be 32 wide; the quarter is packed as 16 x 16 at the origin.
    addMesh("floor", floorQuad(-1, -1, 1, 1, 0, 0.5f, 0.5f, 1, 1));
    add(instanceXml("floor", "floor"));
    packSettings = "<resolution><x>64</x><y>64</y></resolution><maxTextures>1</maxTextures><type>Texel</type>";
    request(surface("floor", "guid-floor", ratio(8)));
    const RunOutput run = renderAtlas();
    ASSERT_EQ(run.code, 0) << run.lines.back();
    std::vector<std::string> names;
    const Placed floor = readLayout(names).at("guid-floor");
    EXPECT_FLOAT_EQ(floor.scale[0], 0.5f);  // (16 / 64) / 0.5
    EXPECT_FLOAT_EQ(floor.bias[0], -0.25f);  // 0.5 maps to 0
    EXPECT_FLOAT_EQ(floor.bias[1], -0.25f);
}

TEST_F(AtlasRunTest, LayoutsBeyondTheLimitsEndWithTheAtlasFailureStatus)
{
    struct Case {
        const char* what;
        std::string surfaces;
        std::string message;
    };
    const Case cases[] = {
        {"a resolution above the atlas size", surface("floor", "a", resolution(33, 8)),
         "Error: Atlas surface a (instance floor) needs more than 32 x 8 texels, more than an atlas of 32 x 32 holds"},
        {"a ratio that makes the surface too large", surface("floor", "a", ratio(100)),
         "Error: Atlas surface a (instance floor) needs more than 32 x more than 32 texels"},
        {"more atlases than allowed",
         surface("floor", "a", resolution(32, 32)) + surface("floor", "b", resolution(32, 32)) +
             surface("floor", "c", resolution(1, 1)),
         "Error: The surfaces do not fit into 2 atlases of 32 x 32"},
    };
    addMesh("floor", floorQuad(-1, -1, 1, 1));
    add(instanceXml("floor", "floor"));
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        request(c.surfaces);
        fs::remove(output / "atlasres.xml");
        const RunOutput run = renderAtlas();
        EXPECT_EQ(run.code, trv::platform::ExitStatusAtlasFailed);
        ASSERT_EQ(run.errors().size(), 1u);
        EXPECT_EQ(run.lines.back().rfind(c.message, 0), 0u) << run.lines.back();
        EXPECT_FALSE(fs::exists(output / "atlasres.xml"));
    }
}

TEST_F(AtlasRunTest, SurfacesWithoutRoomInUVSpaceAreRefused)
{
    Mesh flat = floorQuad(-1, -1, 1, 1, 0, 0.25f, 0.25f, 0.25f, 0.25f);
    Mesh bare = floorQuad(-1, -1, 1, 1);
    bare.layerNames.clear();
    bare.uvs.clear();
    addMesh("flat", flat);
    addMesh("bare", bare);
    add(instanceXml("flat", "flat"));
    add(instanceXml("bare", "bare"));
    struct Case {
        std::string surfaces;
        std::string message;
    };
    const Case cases[] = {
        {surface("flat", "a", ratio(1)),
         "Error: Atlas surface a (instance flat) has no area in its UV layout (UV set map1)"},
        {surface("flat", "a", resolution(4, 4)),
         "Error: Atlas surface a (instance flat) has no area in its UV layout (UV set map1)"},
        {surface("bare", "b", ratio(1)), "Error: Atlas surface b (instance bare) has no UV set"},
        {surface("ghost", "c", ratio(1)), "Error: Atlas surface c (instance ghost) shows an instance the scene"},
        {surface("flat", "a", "<UVPackSettings><type>Ratio</type><ratioScale>x</ratioScale></UVPackSettings>"),
         "Error: "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        request(c.surfaces);
        const RunOutput run = renderAtlas();
        EXPECT_EQ(run.code, trv::platform::ExitStatusInputRefused);
        ASSERT_EQ(run.errors().size(), 1u);
        EXPECT_EQ(run.lines.back().rfind(c.message, 0), 0u) << run.lines.back();
    }
}

}  // namespace
}  // namespace rtest
