// The scene description and the file list as written by ending a scene: whole documents for small
// scenes, parsed documents for the rest.
#include "SceneTestSupport.h"

#include "cache/NameHash.h"
#include "geometry/FSTorvoTexture.h"
#include "scene/XMLSceneSerializer.h"

#include <tinyxml2.h>

#include <cmath>
#include <iomanip>
#include <limits>

using namespace scenetest;

namespace {

std::string identityRows(int depth)
{
    const std::string tabs(static_cast<size_t>(depth), '\t');
    return tabs + "<r><c>1</c><c>0</c><c>0</c><c>0</c></r>\n" + tabs + "<r><c>0</c><c>1</c><c>0</c><c>0</c></r>\n" +
           tabs + "<r><c>0</c><c>0</c><c>1</c><c>0</c></r>\n" + tabs + "<r><c>0</c><c>0</c><c>0</c><c>1</c></r>\n";
}

const char* const declaration = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

// All text of an element: a name split over several CDATA sections reads as several text nodes.
std::string allText(const tinyxml2::XMLElement* element)
{
    std::string text;
    for (auto* node = element->FirstChild(); node; node = node->NextSibling())
        if (auto* t = node->ToText())
            text += t->Value();
    return text;
}

// The text of the first element found by a path of child names below the root.
std::string textAt(tinyxml2::XMLDocument& document, std::initializer_list<const char*> path)
{
    tinyxml2::XMLElement* element = document.RootElement();
    for (const char* name : path) {
        element = element ? element->FirstChildElement(name) : nullptr;
    }
    if (!element)
        return "<missing>";
    return allText(element);
}

class SceneXml : public SceneFixture {};

}  // namespace

TEST_F(SceneXml, EmptySceneWritesRootAndEmptyFileList)
{
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_EQ(sceneXml(), std::string(declaration) + "<KXScene>\n</KXScene>\n");
    EXPECT_EQ(fileList(), std::string(declaration) +
                              "<inputspecification version =\"1\">\n\t<filelist>\n\t</filelist>\n"
                              "</inputspecification>\n");
}

TEST_F(SceneXml, SmallSceneMatchesByteForByte)
{
    TorvoMesh box = mesh("box mesh");
    instance(box, "box");
    const TRVMatrix4x4 m = identity();
    TorvoCamera camera = nullptr;
    ASSERT_EQ(TRVCreatePerspectiveCamera(scene_, "cam", &m, &camera), TRV_SUCCESS);
    const TRVLinearRGB color = {1.0f, 0.5f, 0.25f};
    TorvoLightSource spot = nullptr;
    ASSERT_EQ(TRVCreateSpotLight(scene_, "spot", &m, &color, &spot), TRV_SUCCESS);
    TorvoMaterial material = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "mat", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);

    const std::string expected =
        std::string(declaration) + "<KXScene>\n" +
        "\t<Instance>\n"
        "\t\t<Name><![CDATA[box]]></Name>\n"
        "\t\t<Shape><![CDATA[" + meshName(box) + "]]></Shape>\n"
        "\t\t<ObjectToWorld>\n" + identityRows(3) +
        "\t\t</ObjectToWorld>\n"
        "\t\t<LightLinkMode>None</LightLinkMode>\n"
        "\t</Instance>\n"
        "\t<Camera>\n"
        "\t\t<Name>" + trv::nameHash(std::string("cam")) + "</Name>\n"
        "\t\t<ObjectToWorld>\n" + identityRows(3) +
        "\t\t</ObjectToWorld>\n"
        "\t\t<Type>PERSPECTIVE</Type>\n"
        "\t\t<Fov>\n"
        "\t\t\t<x>1.57079637</x>\n"
        "\t\t\t<y>1.17809725</y>\n"
        "\t\t</Fov>\n"
        "\t</Camera>\n"
        "\t<LightSource>\n"
        "\t\t<Type>Spot</Type>\n"
        "\t\t<SpotLightShadowRadius>0</SpotLightShadowRadius>\n"
        "\t\t<SpotLightConeAngle>90</SpotLightConeAngle>\n"
        "\t\t<SpotLightPenumbraAngle>0</SpotLightPenumbraAngle>\n"
        "\t\t<SpotLightPenumbraExponent>1</SpotLightPenumbraExponent>\n"
        "\t\t<Name><![CDATA[spot]]></Name>\n"
        "\t\t<ObjectToWorld>\n" + identityRows(3) +
        "\t\t</ObjectToWorld>\n"
        "\t\t<Color>\n"
        "\t\t\t<r>1</r>\n"
        "\t\t\t<g>0.5</g>\n"
        "\t\t\t<b>0.25</b>\n"
        "\t\t</Color>\n"
        "\t\t<ShadowSamples>1</ShadowSamples>\n"
        "\t\t<CastShadows>false</CastShadows>\n"
        "\t\t<LightLinkMode>None</LightLinkMode>\n"
        "\t</LightSource>\n"
        "\t<Material>\n"
        "\t\t<Name><![CDATA[mat]]></Name>\n"
        "\t\t<Diffuse>\n"
        "\t\t\t<Color>\n"
        "\t\t\t\t<r>0.699999988</r>\n"
        "\t\t\t\t<g>0.699999988</g>\n"
        "\t\t\t\t<b>0.699999988</b>\n"
        "\t\t\t\t<a>0</a>\n"
        "\t\t\t</Color>\n"
        "\t\t\t<Scale>1</Scale>\n"
        "\t\t</Diffuse>\n"
        "\t\t<Shininess>0</Shininess>\n"
        "\t\t<PrimaryGIIntensity>1</PrimaryGIIntensity>\n"
        "\t\t<PrimaryGISaturation>1</PrimaryGISaturation>\n"
        "\t\t<SecondaryGIIntensity>1</SecondaryGIIntensity>\n"
        "\t\t<SecondaryGISaturation>1</SecondaryGISaturation>\n"
        "\t\t<DiffuseGIBoost>1</DiffuseGIBoost>\n"
        "\t\t<EmissiveGIScale>1</EmissiveGIScale>\n"
        "\t\t<SpecularGIScale>1</SpecularGIScale>\n"
        "\t\t<DiffuseAlphaAsTransparency>false</DiffuseAlphaAsTransparency>\n"
        "\t</Material>\n"
        "</KXScene>\n";
    EXPECT_EQ(sceneXml(), expected);
    EXPECT_EQ(fileList(), std::string(declaration) +
                              "<inputspecification version =\"1\">\n\t<filelist>\n"
                              "\t\t<file>..\\..\\meshes\\" + meshName(box) + ".ttm</file>\n"
                              "\t</filelist>\n</inputspecification>\n");
}

TEST_F(SceneXml, FileListHoldsEachMeshOnceInNameOrder)
{
    TorvoMesh a = mesh("a"), b = mesh("b");
    instance(a, "one");
    instance(b, "two");
    instance(a, "three");
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    std::string first = meshName(a), second = meshName(b);
    if (second < first)
        std::swap(first, second);
    EXPECT_EQ(fileList(), std::string(declaration) +
                              "<inputspecification version =\"1\">\n\t<filelist>\n"
                              "\t\t<file>..\\..\\meshes\\" + first + ".ttm</file>\n"
                              "\t\t<file>..\\..\\meshes\\" + second + ".ttm</file>\n"
                              "\t</filelist>\n</inputspecification>\n");
}

TEST_F(SceneXml, InstanceRenderStatsLinksAndOverrides)
{
    TorvoMesh box = mesh("box");
    TorvoInstance lamp = instance(box, "lamp");
    ASSERT_EQ(TRVSetRenderStats(lamp, 2, TRV_RSOP_DISABLE), TRV_SUCCESS);
    ASSERT_EQ(TRVSetRenderStats(lamp, 512 | 8, TRV_RSOP_ENABLE), TRV_SUCCESS);  // 8 is already set
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource key = nullptr;
    ASSERT_EQ(TRVCreatePointLight(scene_, "key", &m, &white, &key), TRV_SUCCESS);
    TRVLightHandle lights[] = {key, nullptr};
    ASSERT_EQ(TRVAddInstanceLightLinks(lamp, TRV_LINK_INCLUSIVE, lights, 2), TRV_SUCCESS);
    TorvoMaterial brass = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "brass", &brass), TRV_SUCCESS);
    TRVMaterialHandle overrides[] = {brass};
    TRVMaterialHandle none[] = {nullptr};
    ASSERT_EQ(TRVSetMaterialOverrides(lamp, overrides, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVSetMaterialOverrides(lamp, none, 1), TRV_SUCCESS);
    TRVInstanceHandle instances[] = {lamp};
    ASSERT_EQ(TRVAddLightLightLinks(key, TRV_LINK_EXCLUSIVE, instances, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);

    const std::string xml = sceneXml();
    EXPECT_NE(xml.find("\t\t</ObjectToWorld>\n"
                       "\t\t<RenderStats>\n"
                       "\t\t\t<CastShadows>false</CastShadows>\n"
                       "\t\t\t<Opposite>true</Opposite>\n"
                       "\t\t</RenderStats>\n"
                       "\t\t<LightLinkMode>Inclusive</LightLinkMode>\n"
                       "\t\t<LightLinkedLights>\n"
                       "\t\t\t<element><![CDATA[key]]></element>\n"
                       "\t\t\t<element><![CDATA[]]></element>\n"
                       "\t\t</LightLinkedLights>\n"
                       "\t\t<MaterialOverrides>\n"
                       "\t\t\t<element><![CDATA[brass]]></element>\n"
                       "\t\t\t<element></element>\n"
                       "\t\t</MaterialOverrides>\n"
                       "\t</Instance>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t<CastShadows>false</CastShadows>\n"
                       "\t\t<LightLinkMode>Exclusive</LightLinkMode>\n"
                       "\t\t<LightLinkedInstances>\n"
                       "\t\t\t<element><![CDATA[lamp]]></element>\n"
                       "\t\t</LightLinkedInstances>\n"),
              std::string::npos)
        << xml;
}

TEST_F(SceneXml, LightKindsWriteTheirSettings)
{
    TRVMatrix4x4 m = identity();
    m.m[1] = 2.0f;  // row 0, column 1
    m.m[2] = 3.0f;  // row 0, column 2
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource area = nullptr, window = nullptr, sun = nullptr, bulb = nullptr;
    ASSERT_EQ(TRVCreateAreaLight(scene_, "a-area", &m, &white, &area), TRV_SUCCESS);
    ASSERT_EQ(TRVCreateWindowLight(scene_, "b-window", &m, &white, &window), TRV_SUCCESS);
    ASSERT_EQ(TRVCreateDirectionalLight(scene_, "c-sun", &m, &white, &sun), TRV_SUCCESS);
    ASSERT_EQ(TRVCreatePointLight(scene_, "d-bulb", &m, &white, &bulb), TRV_SUCCESS);
    ASSERT_EQ(TRVSetShadowAngle(window, 1.5707964f), TRV_SUCCESS);
    ASSERT_EQ(TRVSetShadowAngle(sun, 0.7853982f), TRV_SUCCESS);
    ASSERT_EQ(TRVSetFalloff(area, TRV_FALLOFF_UNREAL, 2.0f, 10.0f, 0), TRV_SUCCESS);
    ASSERT_EQ(TRVSetIntensityScale(bulb, 2.0f, 1.0f), TRV_SUCCESS);
    ASSERT_EQ(TRVSetCastShadows(bulb, 7), TRV_SUCCESS);
    ASSERT_EQ(TRVSetShadowSamples(bulb, 16), TRV_SUCCESS);
    const TRVLinearRGB red = {1, 0, 0};
    ASSERT_EQ(TRVSetLightRampEntry(bulb, 0.5f, &red), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);

    const std::string xml = sceneXml();
    // Area and window lights keep the caller's matrix turned: new column 1 = -old column 2,
    // new column 2 = old column 1.
    EXPECT_NE(xml.find("\t<LightSource>\n"
                       "\t\t<Type>Area</Type>\n"
                       "\t\t<Name><![CDATA[a-area]]></Name>\n"
                       "\t\t<ObjectToWorld>\n"
                       "\t\t\t<r><c>1</c><c>-3</c><c>2</c><c>0</c></r>\n"
                       "\t\t\t<r><c>0</c><c>0</c><c>1</c><c>0</c></r>\n"
                       "\t\t\t<r><c>0</c><c>-1</c><c>0</c><c>0</c></r>\n"
                       "\t\t\t<r><c>0</c><c>0</c><c>0</c><c>1</c></r>\n"
                       "\t\t</ObjectToWorld>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t<LightLinkMode>None</LightLinkMode>\n"
                       "\t\t<FalloffExponent>2</FalloffExponent>\n"
                       "\t\t<AttenuationType>Unreal</AttenuationType>\n"
                       "\t\t<DecayCutoff>10</DecayCutoff>\n"
                       "\t\t<DecayClampToOne>false</DecayClampToOne>\n"
                       "\t</LightSource>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t<Type>Window</Type>\n\t\t<DirectionalLightShadowAngle>90</DirectionalLightShadowAngle>\n"),
              std::string::npos);
    EXPECT_NE(xml.find("\t\t<Type>Directional</Type>\n\t\t<DirectionalLightShadowAngle>45</DirectionalLightShadowAngle>\n"),
              std::string::npos);
    EXPECT_NE(xml.find("\t\t<Type>Point</Type>\n"
                       "\t\t<PointLightShadowRadius>0</PointLightShadowRadius>\n"
                       "\t\t<LightRampColors>\n"
                       "\t\t\t<element>\n"
                       "\t\t\t\t<r>1</r>\n"
                       "\t\t\t\t<g>0</g>\n"
                       "\t\t\t\t<b>0</b>\n"
                       "\t\t\t\t<pos>0.5</pos>\n"
                       "\t\t\t</element>\n"
                       "\t\t</LightRampColors>\n"
                       "\t\t<Name><![CDATA[d-bulb]]></Name>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t<ShadowSamples>16</ShadowSamples>\n"
                       "\t\t<DirectLightScale>2</DirectLightScale>\n"
                       "\t\t<CastShadows>true</CastShadows>\n"),
              std::string::npos)
        << xml;
    // The falloff of an unchanged light is left out.
    EXPECT_EQ(xml.find("<FalloffExponent>"), xml.rfind("<FalloffExponent>"));
}

TEST_F(SceneXml, MaterialChannelsTexturesAndNeutralRule)
{
    trv::FSTorvoTexture wood(&manager(), "wood", manager().texturesDirectory() / "0123abcd.png");
    TorvoMaterial material = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "floor", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVSetMaterialTexture(material, TRV_CHANNEL_DIFFUSE, trv::handleOf<TorvoTexture>(&wood)), TRV_SUCCESS);
    ASSERT_EQ(TRVSetChannelUVLayer(material, TRV_CHANNEL_DIFFUSE, "lightmap uv"), TRV_SUCCESS);
    ASSERT_EQ(TRVSetChannelUVLayer(material, TRV_CHANNEL_SPECULAR, "unused"), TRV_SUCCESS);
    ASSERT_EQ(TRVSetMaterialUseVertexColors(material, TRV_CHANNEL_EMISSIVE), TRV_SUCCESS);
    ASSERT_EQ(TRVSetMaterialScale(material, TRV_CHANNEL_SHININESS, 0.5f), TRV_SUCCESS);
    const TRVLinearRGBA alphaOnly = {0, 0, 0, 0.5f};
    ASSERT_EQ(TRVSetMaterialColor(material, TRV_CHANNEL_TRANSPARENCY, &alphaOnly), TRV_SUCCESS);
    ASSERT_EQ(TRVSetGIScale(material, 2.0f, 0.5f, 0.25f), TRV_SUCCESS);
    ASSERT_EQ(TRVSetAlphaAsTransparency(material, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);

    const std::string xml = sceneXml();
    const std::string colorTail = "\t\t\t\t<a>0</a>\n\t\t\t</Color>\n";
    EXPECT_NE(xml.find("\t\t\t<Scale>1</Scale>\n"
                       "\t\t\t<FileTexture><![CDATA[..\\..\\textures\\0123abcd.png]]></FileTexture>\n"
                       "\t\t\t<UVLayerOverride><![CDATA[lightmap uv]]></UVLayerOverride>\n"
                       "\t\t</Diffuse>\n"
                       // the specular UV layer makes the channel non-neutral, but without a texture it is not written
                       "\t\t<Specular>\n"
                       "\t\t\t<Color>\n"
                       "\t\t\t\t<r>0</r>\n\t\t\t\t<g>0</g>\n\t\t\t\t<b>0</b>\n" + colorTail +
                       "\t\t\t<Scale>1</Scale>\n"
                       "\t\t</Specular>\n"
                       "\t\t<Emissive>\n"
                       "\t\t\t<Color>\n"
                       "\t\t\t\t<r>0</r>\n\t\t\t\t<g>0</g>\n\t\t\t\t<b>0</b>\n" + colorTail +
                       "\t\t\t<Scale>1</Scale>\n"
                       "\t\t\t<UseVertexColor>true</UseVertexColor>\n"
                       "\t\t</Emissive>\n"
                       // alpha alone leaves Transparency neutral; a shininess of 0.5 gives two elements
                       "\t\t<Shininess>0.5</Shininess>\n"
                       "\t\t<Shininess>\n"
                       "\t\t\t<Color>\n"
                       "\t\t\t\t<r>0</r>\n\t\t\t\t<g>0</g>\n\t\t\t\t<b>0</b>\n" + colorTail +
                       "\t\t\t<Scale>0.5</Scale>\n"
                       "\t\t</Shininess>\n"
                       "\t\t<PrimaryGIIntensity>1</PrimaryGIIntensity>\n"),
              std::string::npos)
        << xml;
    EXPECT_NE(xml.find("\t\t<DiffuseGIBoost>2</DiffuseGIBoost>\n"
                       "\t\t<EmissiveGIScale>0.5</EmissiveGIScale>\n"
                       "\t\t<SpecularGIScale>0.25</SpecularGIScale>\n"
                       "\t\t<DiffuseAlphaAsTransparency>true</DiffuseAlphaAsTransparency>\n"),
              std::string::npos);
    EXPECT_EQ(xml.find("<Transparency>"), std::string::npos);
}

TEST_F(SceneXml, NamesStayExactInsideCDataEvenWithSectionEnds)
{
    const char* names[] = {"a]]>b", "<&\"'>", "]]>]]>", "x]]", "]>"};
    TorvoMesh box = mesh("box");
    for (const char* name : names)
        instance(box, name);
    TorvoMaterial material = nullptr;
    ASSERT_EQ(TRVCreateMaterial(scene_, "m]]>at", &material), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    const std::string xml = sceneXml();
    EXPECT_NE(xml.find("<Name><![CDATA[<&\"'>]]></Name>"), std::string::npos);
    EXPECT_NE(xml.find("<Name><![CDATA[a]]]]><![CDATA[>b]]></Name>"), std::string::npos);

    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(xml.c_str(), xml.size()), tinyxml2::XML_SUCCESS) << xml;
    std::multiset<std::string> read;
    for (auto* e = document.RootElement()->FirstChildElement("Instance"); e; e = e->NextSiblingElement("Instance"))
        read.insert(allText(e->FirstChildElement("Name")));
    EXPECT_EQ(read, std::multiset<std::string>(std::begin(names), std::end(names)));
    EXPECT_EQ(textAt(document, {"Material", "Name"}), "m]]>at");
}

// Non-finite floats the setters take unchecked (transforms, colors, material scales) are written
// as the standard streams print them: "nan", "-nan", "inf", "-inf". That is plain element text,
// so the document stays well-formed; the renderer sees the same words the streams would give it.
TEST_F(SceneXml, NonFiniteFloatsAreWrittenAsWordsInAWellFormedDocument)
{
    TRVMatrix4x4 m = identity();
    m.m[3] = std::numeric_limits<float>::infinity();
    m.m[7] = -std::numeric_limits<float>::infinity();
    m.m[11] = std::numeric_limits<float>::quiet_NaN();
    TorvoInstance inst = nullptr;
    ASSERT_EQ(TRVCreateInstance(scene_, mesh("box"), "odd", &m, &inst), TRV_SUCCESS);
    const TRVLinearRGB color = {std::numeric_limits<float>::quiet_NaN(), 1, 1};
    TorvoLightSource light = nullptr;
    ASSERT_EQ(TRVCreatePointLight(scene_, "odd", &m, &color, &light), TRV_SUCCESS);
    // Settings with bounds refuse NaN.
    EXPECT_EQ(TRVSetShadowRadius(light, std::numeric_limits<float>::quiet_NaN()), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter radius must be above or equal to 0, was nan.\n");
    // An infinite cutoff is at least 0 and kept.
    ASSERT_EQ(TRVSetFalloff(light, 0, 1.0f, std::numeric_limits<float>::infinity(), 1), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);

    const std::string xml = sceneXml();
    EXPECT_NE(xml.find("<r><c>1</c><c>0</c><c>0</c><c>inf</c></r>"), std::string::npos) << xml;
    EXPECT_NE(xml.find("<r><c>0</c><c>1</c><c>0</c><c>-inf</c></r>"), std::string::npos);
    EXPECT_NE(xml.find("<r><c>0</c><c>0</c><c>1</c><c>nan</c></r>"), std::string::npos);
    EXPECT_NE(xml.find("\t\t\t<r>nan</r>\n"), std::string::npos);
    EXPECT_NE(xml.find("<DecayCutoff>inf</DecayCutoff>"), std::string::npos);
    tinyxml2::XMLDocument document;
    EXPECT_EQ(document.Parse(xml.c_str(), xml.size()), tinyxml2::XML_SUCCESS);
}

TEST(SceneXmlText, FloatsMatchTheStandardStreamsAtPrecisionNine)
{
    const float values[] = {0.0f, -0.0f, 1.0f, 0.7f, 0.5f, 1.5707964f, 3.4028235e38f, -3.4028235e38f,
                            1e-5f, 1.17549435e-38f, 1e-45f, 123456789.0f, 1e9f, 1e10f, 0.1f, -2.5e-7f,
                            std::numeric_limits<float>::infinity(), -std::numeric_limits<float>::infinity(),
                            std::numeric_limits<float>::quiet_NaN(), -std::numeric_limits<float>::quiet_NaN()};
    for (float value : values) {
        std::ostringstream stream;
        stream << std::setprecision(9) << value;
        std::string text;
        trv::XMLSceneSerializer::appendFloat(text, value);
        EXPECT_EQ(text, stream.str());
    }
    EXPECT_EQ(trv::XMLSceneSerializer::degrees(1.5707964f), 90.0f);
    EXPECT_EQ(trv::XMLSceneSerializer::degrees(3.1415927f), 180.0f);
}

TEST_F(SceneXml, LargeSceneParsesWithEveryObject)
{
    TorvoMesh meshes[] = {mesh("m0"), mesh("m1"), mesh("m2")};
    for (int i = 0; i < 2000; ++i)
        instance(meshes[i % 3], ("instance " + std::to_string(i)).c_str());
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    for (int i = 0; i < 50; ++i) {
        TorvoLightSource light = nullptr;
        TorvoMaterial material = nullptr;
        ASSERT_EQ(TRVCreateSpotLight(scene_, ("light " + std::to_string(i)).c_str(), &m, &white, &light), 0);
        ASSERT_EQ(TRVCreateMaterial(scene_, ("material " + std::to_string(i)).c_str(), &material), 0);
    }
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    const std::string xml = sceneXml();
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse(xml.c_str(), xml.size()), tinyxml2::XML_SUCCESS);
    std::map<std::string, int> counts;
    for (auto* e = document.RootElement()->FirstChildElement(); e; e = e->NextSiblingElement())
        ++counts[e->Name()];
    EXPECT_EQ(counts["Instance"], 2000);
    EXPECT_EQ(counts["LightSource"], 50);
    EXPECT_EQ(counts["Material"], 50);
    EXPECT_EQ(counts.size(), 3u);
    // Byte-wise name order: "instance 10" before "instance 2".
    EXPECT_EQ(textAt(document, {"Instance", "Name"}), "instance 0");
    EXPECT_EQ(std::string(document.RootElement()->FirstChildElement("Instance")->NextSiblingElement()->
                          FirstChildElement("Name")->GetText()),
              "instance 1");
    tinyxml2::XMLDocument list;
    const std::string files = fileList();
    ASSERT_EQ(list.Parse(files.c_str(), files.size()), tinyxml2::XML_SUCCESS);
    int fileCount = 0;
    for (auto* e = list.RootElement()->FirstChildElement("filelist")->FirstChildElement("file"); e;
         e = e->NextSiblingElement("file"))
        ++fileCount;
    EXPECT_EQ(fileCount, 3);
}
