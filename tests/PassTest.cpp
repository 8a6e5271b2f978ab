// Render passes through the exported functions: creation settings and their refusals, the
// settings each kind refuses, the documents each kind writes, result names and the Lua script copy.
#include "BakeTestSupport.h"

#include "bake/FSTorvoLUAPass.h"
#include "cache/NameHash.h"

#include <functional>
#include <vector>

using namespace baketest;

namespace {

class Pass : public BakeFixture {
protected:
    // A pass of each kind, named after it.
    std::vector<std::pair<std::string, TorvoRenderPass>> everyKind()
    {
        std::ofstream(root_ / "shade.lua") << "return 1\n";
        TorvoRenderPass full = nullptr, normal = nullptr, illumination = nullptr, rnm = nullptr, ao = nullptr,
                        lua = nullptr, light = nullptr;
        EXPECT_EQ(TRVCreateFullShadingPass(job_, "full shading", &full), 0);
        EXPECT_EQ(TRVCreateNormalPass(job_, "normal", &normal), 0);
        EXPECT_EQ(TRVCreateIlluminationPass(job_, "illumination", 2, &illumination), 0);
        EXPECT_EQ(TRVCreateRNMPass(job_, "rnm", 2, 300, 0, &rnm), 0);
        EXPECT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 0.0f, 180.0f, &ao), 0);
        EXPECT_EQ(TRVCreateLuaPass(job_, "lua", (root_ / "shade.lua").c_str(), &lua), 0);
        EXPECT_EQ(TRVCreateLightPass(job_, "light", 1, &light), 0);
        return {{"full shading", full}, {"normal", normal}, {"illumination", illumination}, {"rnm", rnm},
                {"ao", ao},           {"lua", lua},       {"light", light}};
    }
};

const char* const defaultNormalize =
    "<Normalize><normalizeComponent>Shape</normalizeComponent><normalizeOutput>Linked</normalizeOutput>"
    "<normalizeRange>Max</normalizeRange><normalizeAlpha>true</normalizeAlpha>"
    "<normalizeValues>false</normalizeValues></Normalize>";

// Marks the error log, so that a call which should write nothing leaves the mark as the last error.
void markErrorLog()
{
    trv::errorStream() << "mark" << std::endl;
}

}  // namespace

TEST_F(Pass, EachKindRefusesTheSettingsOfTheOthersAndStaysAsItWas)
{
    struct Setter {
        const char* message;
        std::vector<std::string> acceptedBy;
        std::function<TRVStatus(TorvoRenderPass)> call;
    };
    TorvoLightSource light = sun;
    const std::vector<Setter> setters{
        {"Lights can only be added to an Illumination pass.", {"illumination"},
         [&](TorvoRenderPass p) { return TRVAddFullyBakedLight(p, light); }},
        {"A light pass entry can only be created on a light pass.", {"light"},
         [](TorvoRenderPass p) {
             TorvoLightPassEntry entry = reinterpret_cast<TorvoLightPassEntry>(0x10);
             const TRVStatus status = TRVCreateLightPassEntry(p, &entry);
             EXPECT_EQ(entry, nullptr);
             return status;
         }},
        {"Signed distance fields is only valid on light passes.", {"light"},
         [](TorvoRenderPass p) { return TRVEnableSignedDistanceField(p, 2, 1.0f); }},
        {"Tried to set lambertian clamp on a non-RNM pass.", {"rnm"},
         [](TorvoRenderPass p) { return TRVSetLambertianClamp(p, 3.0f); }},
        {"Tried to set \"allow negative\" on a non-RNM pass.", {"rnm"},
         [](TorvoRenderPass p) { return TRVSetAllowNegative(p, 1); }},
        {"Tried to enable normal component on a non-RNM pass.", {"rnm"},
         [](TorvoRenderPass p) { return TRVIncludeNormalComponent(p); }},
        {"Tried to set match normal intensity on a non-RNM pass.", {"rnm"},
         [](TorvoRenderPass p) { return TRVRNMMatchNormalIntensity(p); }},
        {"Tried to set \"adaptive\" on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVSetAOAdaptive(p, 0.5f, 0.5f); }},
        {"Tried to set \"numRays\" on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVSetAONumRays(p, 8, 16); }},
        {"Tried to set Contrast on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVSetAOContrast(p, 2.0f, 2.0f); }},
        {"Tried to enable uniform sampling on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVSetAOUniformSampling(p); }},
        {"Tried to set self occlusion on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVSetAOSelfOcclusion(p, 0); }},
        {"Tried to set bent normals on a non-AO pass.", {"ao"},
         [](TorvoRenderPass p) { return TRVEnableAOBentNormals(p); }},
    };
    for (const auto& [kind, pass] : everyKind()) {
        for (const Setter& setter : setters) {
            const bool accepted =
                std::find(setter.acceptedBy.begin(), setter.acceptedBy.end(), kind) != setter.acceptedBy.end();
            if (accepted)
                continue;
            const std::string before = passDocument(pass);
            EXPECT_EQ(setter.call(pass), TRV_INVALID_HANDLE) << kind << ": " << setter.message;
            EXPECT_EQ(trv::lastError(), std::string(setter.message) + "\n") << kind;
            EXPECT_EQ(passDocument(pass), before) << kind << ": " << setter.message;
        }
    }
}

TEST_F(Pass, CreationSettingsAreCheckedAndARefusedPassIsNeitherKeptNorHandedOut)
{
    std::ofstream(root_ / "script.lua") << "return 1\n";
    const std::string missing = (root_ / "missing.lua").string();
    struct Case {
        const char* what;
        std::function<TRVStatus(TorvoRenderPass*)> create;
        TRVStatus status;
        std::string message;  // empty: nothing is written
    };
    const std::vector<Case> cases{
        {"RNM components 3", [&](auto out) { return TRVCreateRNMPass(job_, "p", 3, 300, 0, out); }, 1, ""},
        {"RNM components -1", [&](auto out) { return TRVCreateRNMPass(job_, "p", -1, 300, 0, out); }, 1, ""},
        {"RNM samples -1", [&](auto out) { return TRVCreateRNMPass(job_, "p", 2, -1, 0, out); }, 1, ""},
        {"RNM custom basis", [&](auto out) { return TRVCreateRNMPass(job_, "p", 2, 300, 3, out); }, 9,
         "Custom basis not supported yet\n"},
        {"RNM basis 4", [&](auto out) { return TRVCreateRNMPass(job_, "p", 2, 300, 4, out); }, 1, ""},
        {"AO negative distance",
         [&](auto out) { return TRVCreateAmbientOcclusionPass(job_, "p", -0.5f, 90.0f, out); }, 1, ""},
        {"AO negative cone", [&](auto out) { return TRVCreateAmbientOcclusionPass(job_, "p", 1.0f, -1.0f, out); },
         1, ""},
        {"AO cone past 180", [&](auto out) { return TRVCreateAmbientOcclusionPass(job_, "p", 1.0f, 180.5f, out); },
         1, ""},
        {"Lua script missing", [&](auto out) { return TRVCreateLuaPass(job_, "p", missing.c_str(), out); }, 1,
         missing + " doesn't exist\n"},
    };
    for (const Case& c : cases) {
        markErrorLog();
        TorvoRenderPass pass = reinterpret_cast<TorvoRenderPass>(0x10);
        EXPECT_EQ(c.create(&pass), c.status) << c.what;
        EXPECT_EQ(pass, nullptr) << c.what;
        EXPECT_EQ(trv::lastError(), c.message.empty() ? "mark\n" : c.message) << c.what;
    }
    // None of them took the name.
    EXPECT_TRUE(job().passesAndTargets().passes().empty());
    TorvoRenderPass pass = nullptr;
    EXPECT_EQ(TRVCreateAmbientOcclusionPass(job_, "p", 0.0f, 180.0f, &pass), 0);
    EXPECT_EQ(TRVCreateRNMPass(job_, "p", 2, 0, 0, &pass), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "A pass named p already exists\n");
    EXPECT_EQ(TRVCreateLuaPass(job_, "q", (root_ / "script.lua").c_str(), &pass), 0);
}

TEST_F(Pass, ShortNamesCountPerJobInCreationOrder)
{
    trvtest::InfoLogCapture info(root_ / "info.log");
    const TorvoRenderPass first = fullShadingPass("first");
    const TorvoRenderPass second = fullShadingPass("second");
    const TorvoRenderPass elsewhere = fullShadingPass("first", otherJob);
    EXPECT_EQ(passObject(first).shortName(), "pass0");
    EXPECT_EQ(passObject(second).shortName(), "pass1");
    EXPECT_EQ(passObject(elsewhere).shortName(), "pass0");
    const std::string log = info.text();
    EXPECT_NE(log.find("Pass first will use short name pass0\nPass second will use short name pass1\n"),
              std::string::npos)
        << log;
}

TEST_F(Pass, EachKindWritesItsSettings)
{
    std::ofstream(root_ / "shade.lua") << "return 1\n";
    const std::string luaCopy = "../../scripts/" + trv::nameHash((root_ / "shade.lua").string()) + ".lua";
    struct Case {
        const char* what;
        std::function<TorvoRenderPass()> make;
        std::string expected;
    };
    const std::vector<Case> cases{
        {"full shading", [&] { return fullShadingPass("full"); },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             "<RenderComponents><fullShading>true</fullShading></RenderComponents></TextureBakeSettings>"
             "<VertexBakeSettings><VertexBakeComponents><fullShading>true</fullShading></VertexBakeComponents>"
             "</VertexBakeSettings></KXConfig>"},
        {"normals, normalized per channel",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateNormalPass(job_, "normal", &p), 0);
             EXPECT_EQ(TRVNormalizeTextures(p, 1), 0);
             return p;
         },
         R"(<KXConfig>
              <TextureBakeSettings>
                <Normalize>
                  <normalizeComponent>Shape</normalizeComponent>
                  <normalizeOutput>PerChannel</normalizeOutput>
                  <normalizeRange>Max</normalizeRange>
                  <normalizeAlpha>true</normalizeAlpha>
                  <normalizeValues>true</normalizeValues>
                </Normalize>
                <RenderComponents><normals>true</normals></RenderComponents>
              </TextureBakeSettings>
              <GISettings><enableGI>false</enableGI></GISettings>
              <VertexBakeSettings><VertexBakeComponents><normals>true</normals></VertexBakeComponents></VertexBakeSettings>
            </KXConfig>)"},
        {"direct illumination",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateIlluminationPass(job_, "direct", 0, &p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             "<RenderComponents><illumination>true</illumination></RenderComponents></TextureBakeSettings>"
             "<GISettings><enableGI>false</enableGI></GISettings>"
             "<VertexBakeSettings><VertexBakeComponents><illumination>true</illumination></VertexBakeComponents>"
             "</VertexBakeSettings></KXConfig>"},
        {"indirect illumination",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateIlluminationPass(job_, "indirect", 1, &p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             "<RenderComponents><indirectIllumination>true</indirectIllumination></RenderComponents>"
             "</TextureBakeSettings><VertexBakeSettings><VertexBakeComponents>"
             "<indirectIllumination>true</indirectIllumination></VertexBakeComponents></VertexBakeSettings>"
             "</KXConfig>"},
        {"full and indirect illumination with a fully baked light",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateIlluminationPass(job_, "both", 3, &p), 0);
             EXPECT_EQ(TRVAddFullyBakedLight(p, sun), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             R"(<RenderComponents>
                  <fullAndIndirectIllumination>true</fullAndIndirectIllumination>
                  <FullAndIndirectIlluminationSettings>
                    <fullyBakedLights><element>sun</element></fullyBakedLights>
                  </FullAndIndirectIlluminationSettings>
                </RenderComponents>
              </TextureBakeSettings>
              <VertexBakeSettings><VertexBakeComponents>
                  <fullAndIndirectIllumination>true</fullAndIndirectIllumination>
                  <FullAndIndirectIlluminationSettings>
                    <fullyBakedLights><element>sun</element></fullyBakedLights>
                  </FullAndIndirectIlluminationSettings>
              </VertexBakeComponents></VertexBakeSettings>
            </KXConfig>)"},
        {"illumination of an unknown mode",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateIlluminationPass(job_, "odd", 7, &p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             "<RenderComponents/></TextureBakeSettings>"
             "<VertexBakeSettings><VertexBakeComponents/></VertexBakeSettings></KXConfig>"},
        {"RNM with the radiance cache and every setter",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateRNMPass(job_, "rnm cached", 0, 0, 1, &p), 0);
             EXPECT_EQ(TRVSetLambertianClamp(p, 0.1f), 0);
             EXPECT_EQ(TRVSetAllowNegative(p, 0), 0);
             EXPECT_EQ(TRVIncludeNormalComponent(p), 0);
             EXPECT_EQ(TRVRNMMatchNormalIntensity(p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             R"(<RenderComponents><rnm>true</rnm>
                  <RNMSettings>
                    <samples>0</samples><adjustIntensity>true</adjustIntensity>
                    <includeNormalComponent>true</includeNormalComponent><components>DirectLight</components>
                    <allowNegative>Allow</allowNegative><basis>UnrealEngine</basis>
                    <enableLambertianClamp>true</enableLambertianClamp><lambertianClamp>0.100000001</lambertianClamp>
                    <cosLobeExponent>1</cosLobeExponent>
                  </RNMSettings>
                </RenderComponents>
              </TextureBakeSettings>
              <VertexBakeSettings><VertexBakeComponents><rnm>true</rnm>
                  <RNMSettings>
                    <samples>0</samples><adjustIntensity>true</adjustIntensity>
                    <includeNormalComponent>true</includeNormalComponent><components>DirectLight</components>
                    <allowNegative>Allow</allowNegative><basis>UnrealEngine</basis>
                    <enableLambertianClamp>true</enableLambertianClamp><lambertianClamp>0.100000001</lambertianClamp>
                    <cosLobeExponent>1</cosLobeExponent>
                  </RNMSettings>
              </VertexBakeComponents></VertexBakeSettings>
              <GISettings>
                <fgUseCache>RadianceSH</fgUseCache><primaryIntegrator>FinalGather</primaryIntegrator>
                <enableGI>false</enableGI>
              </GISettings>
            </KXConfig>)"},
        {"RNM as created by default",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateRNMPass(job_, "rnm", 2, 300, 2, &p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             R"(<RenderComponents><rnm>true</rnm>
                  <RNMSettings>
                    <samples>300</samples><adjustIntensity>false</adjustIntensity>
                    <includeNormalComponent>false</includeNormalComponent>
                    <components>DirectAndIndirectLight</components>
                    <allowNegative>DisallowCullHorizon</allowNegative><basis>UnrealEngineFlipped</basis>
                    <enableLambertianClamp>false</enableLambertianClamp><lambertianClamp>2</lambertianClamp>
                    <cosLobeExponent>1</cosLobeExponent>
                  </RNMSettings>
                </RenderComponents>
              </TextureBakeSettings>
              <VertexBakeSettings><VertexBakeComponents><rnm>true</rnm>
                  <RNMSettings>
                    <samples>300</samples><adjustIntensity>false</adjustIntensity>
                    <includeNormalComponent>false</includeNormalComponent>
                    <components>DirectAndIndirectLight</components>
                    <allowNegative>DisallowCullHorizon</allowNegative><basis>UnrealEngineFlipped</basis>
                    <enableLambertianClamp>false</enableLambertianClamp><lambertianClamp>2</lambertianClamp>
                    <cosLobeExponent>1</cosLobeExponent>
                  </RNMSettings>
              </VertexBakeComponents></VertexBakeSettings>
              <GISettings><enableGI>true</enableGI></GISettings>
            </KXConfig>)"},
        {"ambient occlusion with every setter",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 2.5f, 90.0f, &p), 0);
             EXPECT_EQ(TRVSetAOAdaptive(p, 0.5f, 0.1f), 0);
             EXPECT_EQ(TRVSetAONumRays(p, 16, 128), 0);
             EXPECT_EQ(TRVSetAOContrast(p, 1.5f, 0.25f), 0);
             EXPECT_EQ(TRVSetAOUniformSampling(p), 0);
             EXPECT_EQ(TRVSetAOSelfOcclusion(p, 1), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             R"(<RenderComponents><customPasses><element>ambientOcclusion</element></customPasses></RenderComponents>
              </TextureBakeSettings>
              <GISettings><enableGI>false</enableGI></GISettings>
              <VertexBakeSettings><VertexBakeComponents>
                <customPasses><element>ambientOcclusion</element></customPasses>
              </VertexBakeComponents></VertexBakeSettings>
              <AOSettings>
                <aoUniformSampling>true</aoUniformSampling><aoBendNormals>false</aoBendNormals>
                <aoReflectionOcclusion>false</aoReflectionOcclusion><aoUseDisplacement>false</aoUseDisplacement>
                <aoObeyTransparency>true</aoObeyTransparency><aoMinRay>16</aoMinRay><aoMaxRay>128</aoMaxRay>
                <aoConeAngle>90</aoConeAngle><aoMaxDistance>2.5</aoMaxDistance><aoContrast>1.5</aoContrast>
                <aoScale>0.25</aoScale><aoSelfOcclusion>Environment</aoSelfOcclusion><aoAdaptive>true</aoAdaptive>
                <aoAccuracy>0.5</aoAccuracy><aoSmooth>0.100000001</aoSmooth><aoUseFile>false</aoUseFile>
              </AOSettings>
            </KXConfig>)"},
        {"Lua",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateLuaPass(job_, "lua", (root_ / "shade.lua").c_str(), &p), 0);
             return p;
         },
         std::string("<KXConfig><TextureBakeSettings>") + defaultNormalize +
             "<RenderComponents><lua>true</lua><LUASettings><scriptFile>" + luaCopy +
             "</scriptFile></LUASettings></RenderComponents></TextureBakeSettings>"
             "<VertexBakeSettings><VertexBakeComponents><lua>true</lua><LUASettings><scriptFile>" +
             luaCopy +
             "</scriptFile></LUASettings></VertexBakeComponents></VertexBakeSettings>"
             "<PointCloudBakeSettings><PointCloudBakeComponents><lua>true</lua><LUASettings><scriptFile>" +
             luaCopy + "</scriptFile></LUASettings></PointCloudBakeComponents></PointCloudBakeSettings></KXConfig>"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(passDocument(c.make()), compact(c.expected)) << c.what;
}

TEST_F(Pass, WritingIntoADocumentReplacesSettingsInsteadOfRepeatingThem)
{
    TorvoRenderPass ao = nullptr;
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 1.0f, 45.0f, &ao), 0);
    tinyxml2::XMLDocument document;
    ASSERT_EQ(document.Parse("<KXConfig><GISettings><enableGI>true</enableGI><fgDepth>2</fgDepth></GISettings>"
                             "<TextureBakeSettings><RenderComponents><customPasses><element>lua</element>"
                             "<element>x</element></customPasses></RenderComponents></TextureBakeSettings>"
                             "</KXConfig>"),
              tinyxml2::XML_SUCCESS);
    ASSERT_EQ(passObject(ao).writeConfiguration(document), 0);
    ASSERT_EQ(passObject(ao).writeConfiguration(document), 0);
    const std::string text = printed(document);
    EXPECT_NE(text.find("<GISettings><enableGI>false</enableGI><fgDepth>2</fgDepth></GISettings>"), std::string::npos)
        << text;
    EXPECT_NE(text.find("<RenderComponents><customPasses><element>ambientOcclusion</element></customPasses>"
                        "</RenderComponents>"),
              std::string::npos)
        << text;
    EXPECT_EQ(text.find("<AOSettings>"), text.rfind("<AOSettings>"));
}

TEST_F(Pass, AmbientOcclusionSettersCheckTheirValues)
{
    TorvoRenderPass ao = nullptr;
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 0.0f, 180.0f, &ao), 0);
    const std::string initial = passDocument(ao);
    markErrorLog();
    EXPECT_EQ(TRVSetAONumRays(ao, -1, 100), 1);  // -1 is taken as 4294967295
    EXPECT_EQ(TRVSetAONumRays(ao, 200, 100), 1);
    EXPECT_EQ(TRVSetAOContrast(ao, -0.1f, 1.0f), 1);
    EXPECT_EQ(TRVSetAOContrast(ao, 1.0f, -0.1f), 1);
    EXPECT_EQ(TRVSetAOAdaptive(ao, -1.0f, 1.0f), 1);
    EXPECT_EQ(TRVSetAOAdaptive(ao, 1.0f, -1.0f), 1);
    EXPECT_EQ(TRVSetAOSelfOcclusion(ao, 3), 1);
    EXPECT_EQ(TRVSetAOSelfOcclusion(ao, -1), 1);
    EXPECT_EQ(trv::lastError(), "mark\n");
    EXPECT_EQ(passDocument(ao), initial);

    EXPECT_EQ(TRVSetAONumRays(ao, 100, 100), 0);
    EXPECT_NE(passDocument(ao).find("<aoMinRay>100</aoMinRay><aoMaxRay>100</aoMaxRay>"), std::string::npos);

    // Adaptive sampling and bent normals exclude each other, whichever comes first.
    EXPECT_EQ(TRVEnableAOBentNormals(ao), 0);
    EXPECT_EQ(TRVSetAOAdaptive(ao, 1.0f, 1.0f), 5);
    EXPECT_EQ(trv::lastError(), "Cannot use adaptive sampling and bent normals at the same time.\n");
    EXPECT_NE(passDocument(ao).find("<aoBendNormals>true</aoBendNormals>"), std::string::npos);
    EXPECT_NE(passDocument(ao).find("<aoAdaptive>false</aoAdaptive>"), std::string::npos);

    TorvoRenderPass adaptive = nullptr;
    ASSERT_EQ(TRVCreateAmbientOcclusionPass(job_, "adaptive", 0.0f, 0.0f, &adaptive), 0);
    EXPECT_EQ(TRVSetAOAdaptive(adaptive, 2.0f, 3.0f), 0);
    EXPECT_EQ(TRVEnableAOBentNormals(adaptive), 5);
    EXPECT_EQ(trv::lastError(), "Cannot use adaptive sampling and bent normals at the same time.\n");
    EXPECT_NE(passDocument(adaptive).find("<aoBendNormals>false</aoBendNormals>"), std::string::npos);
}

TEST_F(Pass, RNMSettersCheckTheirValues)
{
    TorvoRenderPass rnm = nullptr;
    ASSERT_EQ(TRVCreateRNMPass(job_, "rnm", 1, 16, 0, &rnm), 0);
    const std::string initial = passDocument(rnm);
    EXPECT_EQ(TRVSetAllowNegative(rnm, 3), 1);
    EXPECT_EQ(TRVSetAllowNegative(rnm, -1), 1);
    EXPECT_EQ(passDocument(rnm), initial);
    // Indirect light only still needs global illumination.
    EXPECT_NE(initial.find("<components>IndirectLight</components>"), std::string::npos);
    EXPECT_NE(initial.find("<GISettings><enableGI>true</enableGI></GISettings>"), std::string::npos);
    EXPECT_EQ(initial.find("RadianceSH"), std::string::npos);
    // The lambertian clamp takes any value.
    EXPECT_EQ(TRVSetLambertianClamp(rnm, -4.0f), 0);
    EXPECT_NE(passDocument(rnm).find("<lambertianClamp>-4</lambertianClamp>"), std::string::npos);
}

TEST_F(Pass, FullyBakedLightsMustBeLightsOfTheJobsSceneAndComeOnce)
{
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource lamp = nullptr;
    ASSERT_EQ(TRVCreateSpotLight(scene_, "lamp", &m, &white, &lamp), 0);
    TorvoRenderPass pass = nullptr;
    ASSERT_EQ(TRVCreateIlluminationPass(job_, "lit", 3, &pass), 0);
    EXPECT_EQ(TRVAddFullyBakedLight(pass, sun), 0);
    EXPECT_EQ(TRVAddFullyBakedLight(pass, sun), TRV_DUPLICATE_NAME);
    EXPECT_EQ(trv::lastError(), "Light source sun already added to pass\n");
    // A light of the same name in another scene is not the scene's light.
    EXPECT_EQ(TRVAddFullyBakedLight(pass, otherSun), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Light source sun added to unrelated pass\n");
    EXPECT_EQ(TRVAddFullyBakedLight(pass, lamp), 0);
    EXPECT_EQ(TRVAddFullyBakedLight(pass, nullptr), TRV_INVALID_HANDLE);
    EXPECT_EQ(TRVAddFullyBakedLight(nullptr, sun), TRV_INVALID_HANDLE);

    const std::string text = passDocument(pass);
    const std::string lights = "<fullyBakedLights><element>";
    const auto first = text.find(lights);
    ASSERT_NE(first, std::string::npos);
    const std::string list = text.substr(first, text.find("</fullyBakedLights>", first) - first);
    EXPECT_TRUE(list == lights + "sun</element><element>lamp</element>" ||
                list == lights + "lamp</element><element>sun</element>")
        << list;
}

TEST_F(Pass, ResultLayersAndChannelNames)
{
    std::ofstream(root_ / "s.lua") << "\n";
    struct Case {
        const char* what;
        std::function<TorvoRenderPass()> make;
        std::string layer;
        std::vector<std::pair<int32_t, std::string>> channels;
    };
    auto illumination = [&](const char* name, int32_t mode) {
        TorvoRenderPass p = nullptr;
        EXPECT_EQ(TRVCreateIlluminationPass(job_, name, mode, &p), 0);
        return p;
    };
    const std::vector<std::pair<int32_t, std::string>> standard{{0, "R"}, {1, "G"}, {2, "B"},  {3, "A"},
                                                                {4, "Z"}, {5, "I"}, {-1, "I"}, {99, "I"}};
    const std::vector<Case> cases{
        {"full shading", [&] { return fullShadingPass("full"); }, "beauty", standard},
        {"normal",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateNormalPass(job_, "n", &p), 0);
             return p;
         },
         "tpNormals", standard},
        {"direct", [&] { return illumination("i0", 0); }, "tpIllumination", standard},
        {"indirect", [&] { return illumination("i1", 1); }, "tpIndirectIllumination", standard},
        {"full illumination", [&] { return illumination("i2", 2); }, "tpIllumination", standard},
        {"full and indirect", [&] { return illumination("i3", 3); }, "tpIllumination",
         {{0, "IndR"}, {1, "IndG"}, {2, "IndB"}, {3, "FullR"}, {4, "FullG"}, {5, "FullB"}, {6, "Z"}, {7, "invalid"},
          {-1, "invalid"}}},
        {"unknown illumination mode", [&] { return illumination("i4", 4); }, "", standard},
        {"RNM",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateRNMPass(job_, "rnm", 2, 300, 0, &p), 0);
             return p;
         },
         "tpRnm", {{0, "a.R"}, {3, "a.A"}, {4, "b.R"}, {9, "c.G"}, {11, "c.A"}, {12, "Z"}, {13, "d.G"}}},
        {"RNM with the normal component",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateRNMPass(job_, "rnm normal", 2, 300, 0, &p), 0);
             EXPECT_EQ(TRVIncludeNormalComponent(p), 0);
             return p;
         },
         "tpRnm", {{12, "d.R"}, {15, "d.A"}, {16, "Z"}}},
        {"Lua",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateLuaPass(job_, "lua", (root_ / "s.lua").c_str(), &p), 0);
             return p;
         },
         "tpLua", {{0, "0"}, {7, "7"}, {12, "12"}}},
        {"ambient occlusion",
         [&] {
             TorvoRenderPass p = nullptr;
             EXPECT_EQ(TRVCreateAmbientOcclusionPass(job_, "ao", 0.0f, 180.0f, &p), 0);
             return p;
         },
         "ambientOcclusion", standard},
    };
    for (const Case& c : cases) {
        const trv::FSTorvoRenderPass& pass = passObject(c.make());
        EXPECT_EQ(pass.resultLayerName(), c.layer) << c.what;
        for (const auto& [index, name] : c.channels)
            EXPECT_EQ(pass.channelName(index), name) << c.what << " " << index;
    }
}

TEST_F(Pass, TheLuaScriptIsCopiedIntoTheCacheUnderTheHashOfItsPath)
{
    const fs::path script = root_ / "scripts in" / "shade.lua";
    fs::create_directories(script.parent_path());
    std::ofstream(script) << "return normal\n";
    fs::permissions(script, fs::perms::owner_read);
    const fs::path copy = manager().scriptsDirectory() / (trv::nameHash(script.string()) + ".lua");

    TorvoRenderPass first = nullptr;
    {
        trvtest::InfoLogCapture info(root_ / "info.log");
        EXPECT_EQ(TRVCreateLuaPass(job_, "first", script.c_str(), &first), 0);
        EXPECT_NE(info.text().find("Lua script shade.lua is stored as " + copy.string() + "\n"),
                  std::string::npos);
    }
    EXPECT_EQ(testfiles::readFile(copy), "return normal\n");
    EXPECT_NE(fs::status(copy).permissions() & fs::perms::owner_write, fs::perms::none);
    EXPECT_EQ(dynamic_cast<trv::FSTorvoLUAPass&>(passObject(first)).scriptFile(),
              fs::path("../../scripts") / copy.filename());

    // A later pass of the same script brings the copy up to date.
    fs::permissions(script, fs::perms::owner_read | fs::perms::owner_write);
    std::ofstream(script) << "return albedo\n";
    TorvoRenderPass second = nullptr;
    EXPECT_EQ(TRVCreateLuaPass(job_, "second", script.c_str(), &second), 0);
    EXPECT_EQ(testfiles::readFile(copy), "return albedo\n");

    // Without a scripts directory the copy fails.
    fs::remove_all(manager().scriptsDirectory());
    TorvoRenderPass third = nullptr;
    EXPECT_EQ(TRVCreateLuaPass(job_, "third", script.c_str(), &third), TRV_FILE_IO_ERROR);
    EXPECT_EQ(third, nullptr);
    EXPECT_EQ(trv::lastError().rfind("Failed to copy the file " + script.string() + " to the path " + copy.string() +
                                         ". Reason: ",
                                     0),
              0u)
        << trv::lastError();
}
