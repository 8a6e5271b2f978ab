// Lights and materials: what each kind accepts, the bounds of the settings and their messages.
#include "SceneTestSupport.h"

#include "api/Frame.h"
#include "geometry/FSTorvoTexture.h"
#include "scene/FSTorvoMaterial.h"
#include "scene/FSTorvoSpotLight.h"

#include <algorithm>
#include <cmath>
#include <functional>

using namespace scenetest;

namespace {

class Light : public SceneFixture {
protected:
    TorvoLightSource create(TRVStatus (*creator)(TorvoScene, const void*, const TRVMatrix4x4*, const TRVLinearRGB*,
                                                 TorvoLightSource*),
                            const char* name)
    {
        const TRVMatrix4x4 m = identity();
        const TRVLinearRGB white = {1, 1, 1};
        TorvoLightSource light = nullptr;
        EXPECT_EQ(creator(scene_, name, &m, &white, &light), TRV_SUCCESS);
        return light;
    }
};

class Material : public SceneFixture {
protected:
    void SetUp() override
    {
        SceneFixture::SetUp();
        ASSERT_EQ(TRVCreateMaterial(scene_, "mat", &material_), TRV_SUCCESS);
    }
    const trv::FSTorvoMaterial& object() { return *dynamic_cast<trv::FSTorvoMaterial*>(trv::objectOf(material_)); }
    TorvoMaterial material_ = nullptr;
};

}  // namespace

// Every kind answers the settings it does not support with its fixed sentence and status 6.
TEST_F(Light, KindsRefuseWhatTheyDoNotSupport)
{
    TorvoLightSource point = create(TRVCreatePointLight, "point"), spot = create(TRVCreateSpotLight, "spot"),
                     sun = create(TRVCreateDirectionalLight, "sun"), area = create(TRVCreateAreaLight, "area"),
                     window = create(TRVCreateWindowLight, "window");
    const TRVLinearRGB red = {1, 0, 0};
    trv::FSTorvoTexture texture(&manager(), "t", manager().texturesDirectory() / "t.png");
    TorvoTexture textureHandle = trv::handleOf<TorvoTexture>(&texture);
    struct Setting {
        const char* message;
        std::function<TRVStatus(TorvoLightSource)> call;
        std::vector<TorvoLightSource> supportedBy;
    };
    const std::vector<Setting> settings = {
        {"Tried to set shadow radius on a light type not support it.",
         [](TorvoLightSource l) { return TRVSetShadowRadius(l, 1.0f); }, {point, spot}},
        {"Tried to set shadow angle on a light type not support it.",
         [](TorvoLightSource l) { return TRVSetShadowAngle(l, 0.1f); }, {sun, window}},
        {"Tried to set falloff on a light type not support it.",
         [](TorvoLightSource l) { return TRVSetFalloff(l, 0, 1.0f, 5.0f, 1); }, {point, spot, area, window}},
        {"Tried to set spotlight cone angle on a light type which does not support it.",
         [](TorvoLightSource l) { return TRVSetSpotlightCone(l, 1.0f, 0.1f, 1.0f); }, {spot}},
        {"Tried to add a LightRampEntry on a light type which does not support it",
         [&](TorvoLightSource l) { return TRVSetLightRampEntry(l, 0.5f, &red); }, {point, spot}},
        {"Tried to add a Projected Texture on a light type which does not support it",
         [&](TorvoLightSource l) { return TRVSetLightProjectedTexture(l, textureHandle); }, {spot}},
    };
    for (const Setting& setting : settings)
        for (TorvoLightSource light : {point, spot, sun, area, window}) {
            const bool supported = std::count(setting.supportedBy.begin(), setting.supportedBy.end(), light) != 0;
            const TRVStatus status = setting.call(light);
            if (supported)
                EXPECT_EQ(status, TRV_SUCCESS) << setting.message;
            else {
                EXPECT_EQ(status, TRV_INVALID_HANDLE) << setting.message;
                EXPECT_EQ(trv::lastError(), std::string(setting.message) + "\n");
            }
        }
    for (TorvoLightSource light : {point, spot, sun, area, window}) {
        EXPECT_EQ(TRVSetCastShadows(light, 1), TRV_SUCCESS);
        EXPECT_EQ(TRVSetShadowSamples(light, 4), TRV_SUCCESS);
        EXPECT_EQ(TRVSetIntensityScale(light, 2, 0), TRV_SUCCESS);
    }
}

TEST_F(Light, SettingBoundsAndMessages)
{
    TorvoLightSource point = create(TRVCreatePointLight, "point"), spot = create(TRVCreateSpotLight, "spot"),
                     sun = create(TRVCreateDirectionalLight, "sun"), window = create(TRVCreateWindowLight, "window");
    EXPECT_EQ(TRVSetShadowRadius(point, -1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter radius must be above or equal to 0, was -1.\n");
    EXPECT_EQ(TRVSetShadowAngle(sun, 3.1416f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter angle radians must be between 0 and 3.14159, was 3.1416\n");
    EXPECT_EQ(TRVSetShadowAngle(sun, 3.14159f), TRV_SUCCESS);
    EXPECT_EQ(TRVSetShadowAngle(window, -0.5f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter angle must be between 0 and 3.14159, was -0.5\n");
    EXPECT_EQ(TRVSetShadowSamples(point, 0), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter Shadow samples must be above 0, was 0.\n");

    EXPECT_EQ(TRVSetFalloff(point, 1, -1.0f, 1.0f, 1), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter exponent must be above or equal to 0, was -1.\n");
    EXPECT_EQ(TRVSetFalloff(point, 1, 1.0f, -2.0f, 1), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter cutoff must be above or equal to 0, was -2.\n");
    EXPECT_EQ(TRVSetIntensityScale(point, 1.0f, -1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter indirectIntensity must be above or equal to 0, was -1.\n");
    EXPECT_EQ(TRVSetIntensityScale(point, INFINITY, 1.0f), TRV_SUCCESS);
    EXPECT_EQ(TRVSetIntensityScale(point, NAN, 1.0f), TRV_INVALID_PARAMETER);

    auto& spotObject = *dynamic_cast<trv::FSTorvoSpotLight*>(trv::objectOf(spot));
    EXPECT_EQ(TRVSetSpotlightCone(spot, 3.0f, 2.0f, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Cone out of bounds. Angle:3 Penumbra angle: 2\n");
    EXPECT_EQ(TRVSetSpotlightCone(spot, -1.0f, 0.0f, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter penumbra angle must be above or equal to 0, was -1.\n");
    EXPECT_EQ(TRVSetSpotlightCone(spot, 1.0f, 0.5f, -1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter penumbraExponent must be above or equal to 0, was -1.\n");
    EXPECT_EQ(spotObject.coneAngle(), 1.5707964f);  // nothing stored by refused calls
    EXPECT_EQ(spotObject.penumbraExponent(), 1.0f);
    ASSERT_EQ(TRVSetSpotlightCone(spot, 2.0f, 0.5f, 3.0f), TRV_SUCCESS);
    EXPECT_EQ(spotObject.coneAngle(), 2.0f);

    const TRVLinearRGB red = {1, 0, 0};
    ASSERT_EQ(TRVSetLightRampEntry(point, 0.5f, &red), TRV_SUCCESS);
    EXPECT_EQ(TRVSetLightRampEntry(point, 0.25f, &red), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Position out of bounds in Light Ramp\n");
    EXPECT_EQ(TRVSetLightRampEntry(point, 0.5f, &red), TRV_SUCCESS);
    EXPECT_EQ(TRVSetLightRampEntry(point, 1.5f, &red), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetLightRampEntry(point, NAN, &red), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetLightRampEntry(point, 0.75f, nullptr), TRV_INVALID_PARAMETER);

    // A handle of another kind behind the texture handle clears the projected texture.
    const auto texture = std::make_shared<trv::FSTorvoTexture>(&manager(), "t", manager().texturesDirectory() / "gobo.exr");
    ASSERT_EQ(TRVSetLightProjectedTexture(spot, trv::handleOf<TorvoTexture>(texture.get())), TRV_SUCCESS);
    EXPECT_EQ(spotObject.projectedTexture(), texture);
    EXPECT_EQ(TRVSetLightProjectedTexture(spot, reinterpret_cast<TorvoTexture>(trv::objectOf(scene_))),
              TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Invalid Texture given to setLightProjectedTexture\n");
    EXPECT_EQ(spotObject.projectedTexture(), nullptr);
    EXPECT_FALSE(spotObject.hasProjectedTexture());
    EXPECT_EQ(TRVSetLightProjectedTexture(spot, nullptr), TRV_INVALID_HANDLE);

    EXPECT_EQ(TRVAddLightLightLinks(point, 1, nullptr, 0), TRV_SUCCESS);
    EXPECT_EQ(TRVAddLightLightLinks(point, 0, nullptr, 0), TRV_INVALID_OBJECT_STATE);
}

TEST_F(Light, ProjectedTextureIsWrittenAsARelativeBackslashPath)
{
    TorvoLightSource spot = create(TRVCreateSpotLight, "spot");
    trv::FSTorvoTexture texture(&manager(), "t", manager().texturesDirectory() / "gobo.exr");
    ASSERT_EQ(TRVSetLightProjectedTexture(spot, trv::handleOf<TorvoTexture>(&texture)), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_NE(sceneXml().find("\t\t<SpotLightPenumbraExponent>1</SpotLightPenumbraExponent>\n"
                              "\t\t<SpotLightGoboTexture><![CDATA[..\\..\\textures\\gobo.exr]]></SpotLightGoboTexture>\n"
                              "\t\t<Name>"),
              std::string::npos);
}

TEST_F(Material, ChannelChecksInOrder)
{
    const TRVLinearRGBA red = {1, 0, 0, 1};
    EXPECT_EQ(TRVSetMaterialColor(material_, 4, &red), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Colors not not supported as shininess.\n");
    EXPECT_EQ(TRVSetMaterialColor(material_, 5, &red), TRV_NOT_SUPPORTED);
    EXPECT_EQ(trv::lastError(), "Colored reflectivity is currently not supported.\n");
    EXPECT_EQ(TRVSetMaterialColor(material_, 6, &red), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter channel must be between 0 and 5, was 6\n");
    EXPECT_EQ(TRVSetMaterialScale(material_, -1, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetMaterialUseVertexColors(material_, 6), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetChannelUVLayer(material_, 6, "uv"), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetChannelUVLayer(material_, 0, nullptr), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter UV Layer Name must not be NULL.\n");
    EXPECT_EQ(TRVSetMaterialColor(material_, 1, nullptr), TRV_INVALID_PARAMETER);
    ASSERT_EQ(TRVSetMaterialColor(material_, 1, &red), TRV_SUCCESS);
    const float alpha = object().channel(1).color.a;
    EXPECT_EQ(alpha, 1.0f);
    ASSERT_EQ(TRVSetMaterialScale(material_, 5, 0.25f), TRV_SUCCESS);
    EXPECT_EQ(object().channel(5).scale, 0.25f);

    // Texture: kind, then ended, then channel range, then channel kind.
    trv::FSTorvoTexture ended(&manager(), "ended", manager().texturesDirectory() / "ended.png");
    trv::FSTorvoTexture building(&manager(), "building", 4, 4, 0);
    TorvoTexture endedHandle = trv::handleOf<TorvoTexture>(&ended);
    TorvoTexture buildingHandle = trv::handleOf<TorvoTexture>(&building);
    TorvoTexture wrong = reinterpret_cast<TorvoTexture>(trv::objectOf(scene_));
    EXPECT_EQ(TRVSetMaterialTexture(material_, 9, wrong), TRV_INVALID_HANDLE);
    EXPECT_EQ(trv::lastError(), "Invalid Texture Handle: " + trv::formatPointer(trv::objectOf(scene_)) + ".\n");
    EXPECT_EQ(TRVSetMaterialTexture(material_, 9, buildingHandle), TRV_INVALID_OBJECT_STATE);
    EXPECT_EQ(trv::lastError(), "Texture must be finalized before used in a material.\n");
    EXPECT_EQ(TRVSetMaterialTexture(material_, 9, endedHandle), TRV_INVALID_PARAMETER);
    EXPECT_EQ(TRVSetMaterialTexture(material_, 4, endedHandle), TRV_NOT_SUPPORTED);
    EXPECT_EQ(trv::lastError(), "Texturing shininess is currently not supported.\n");
    EXPECT_EQ(TRVSetMaterialTexture(material_, 5, endedHandle), TRV_NOT_SUPPORTED);
    EXPECT_EQ(trv::lastError(), "Texturing reflectivity is currently not supported.\n");
    EXPECT_EQ(TRVSetMaterialTexture(material_, 0, nullptr), TRV_INVALID_HANDLE);
    EXPECT_EQ(TRVSetMaterialTexture(material_, 0, endedHandle), TRV_SUCCESS);
    EXPECT_EQ(object().channel(0).texture, &ended);
}

TEST_F(Material, InitialChannelsAndTheNeutralRule)
{
    const trv::FSTorvoMaterial& m = object();
    EXPECT_FALSE(m.channel(0).isNeutral());  // 0.7 grey
    for (int c = 1; c < 6; ++c)
        EXPECT_TRUE(m.channel(c).isNeutral()) << c;
    EXPECT_EQ(m.channel(4).scale, 0.0f);
    EXPECT_TRUE(m.channel(5).zeroScaleDefault);

    const TRVLinearRGBA alphaOnly = {0, 0, 0, 1};
    ASSERT_EQ(TRVSetMaterialColor(material_, 2, &alphaOnly), TRV_SUCCESS);
    EXPECT_TRUE(m.channel(2).isNeutral());
    ASSERT_EQ(TRVSetMaterialScale(material_, 5, 1.0f), TRV_SUCCESS);  // not neutral for a zero-scale channel
    EXPECT_FALSE(m.channel(5).isNeutral());
    ASSERT_EQ(TRVSetMaterialScale(material_, 3, 0.0f), TRV_SUCCESS);
    EXPECT_FALSE(m.channel(3).isNeutral());
    ASSERT_EQ(TRVSetMaterialScale(material_, 3, 1.0f), TRV_SUCCESS);
    ASSERT_EQ(TRVSetChannelUVLayer(material_, 3, "uv2"), TRV_SUCCESS);
    EXPECT_FALSE(m.channel(3).isNeutral());
    ASSERT_EQ(TRVSetMaterialUseVertexColors(material_, 1), TRV_SUCCESS);
    EXPECT_FALSE(m.channel(1).isNeutral());
}

TEST_F(Material, GICorrectionRefusesNegativesWithoutChangingAnything)
{
    ASSERT_EQ(TRVSetPrimaryGICorrection(material_, 2.0f, 3.0f), TRV_SUCCESS);
    EXPECT_EQ(TRVSetPrimaryGICorrection(material_, 5.0f, -1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter saturation must be above or equal to 0, was -1.\n");
    EXPECT_EQ(object().primaryGIIntensity(), 2.0f);
    EXPECT_EQ(object().primaryGISaturation(), 3.0f);
    EXPECT_EQ(TRVSetSecondaryGICorrection(material_, NAN, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(object().secondaryGIIntensity(), 1.0f);
    EXPECT_EQ(TRVSetGIScale(material_, 1.0f, -1.0f, 1.0f), TRV_INVALID_PARAMETER);
    EXPECT_EQ(trv::lastError(), "Parameter emissiveScale must be above or equal to 0, was -1.\n");
    EXPECT_EQ(object().emissiveGIScale(), 1.0f);
    ASSERT_EQ(TRVSetGIScale(material_, 0.0f, 2.0f, 3.0f), TRV_SUCCESS);
    EXPECT_EQ(object().diffuseGIBoost(), 0.0f);
    EXPECT_EQ(object().specularGIScale(), 3.0f);
}

// A texture erased from the cache after a material and a spot light took it: the scene still
// writes the file name it had and reads nothing of the released texture.
TEST_F(Material, TexturesErasedLaterAreNotRead)
{
    TorvoTexture texture = nullptr;
    ASSERT_EQ(TRVBeginTexture(manager_, "erased", 1, 1, TRV_TEXTURE_LDR_RGB, &texture), TRV_SUCCESS);
    const uint8_t pixel[3] = {1, 2, 3};
    ASSERT_EQ(TRVAddPixelDataLDR(texture, pixel, 1), TRV_SUCCESS);
    ASSERT_EQ(TRVEndTexture(texture), TRV_SUCCESS);
    const std::string file = dynamic_cast<trv::FSTorvoTexture*>(trv::objectOf(texture))->imagePath().filename().string();
    ASSERT_EQ(TRVSetMaterialTexture(material_, TRV_CHANNEL_DIFFUSE, texture), TRV_SUCCESS);
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource spot = nullptr;
    ASSERT_EQ(TRVCreateSpotLight(scene_, "spot", &m, &white, &spot), TRV_SUCCESS);
    ASSERT_EQ(TRVSetLightProjectedTexture(spot, texture), TRV_SUCCESS);
    TRVEraseCachedTexture(manager_, "erased");
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    const std::string xml = sceneXml();
    EXPECT_NE(xml.find("<FileTexture><![CDATA[..\\..\\textures\\" + file + "]]></FileTexture>"), std::string::npos);
    EXPECT_NE(xml.find("<SpotLightGoboTexture><![CDATA[..\\..\\textures\\" + file + "]]>"), std::string::npos);
}

// A spot light may take a texture still being built; erased before the scene ends, it is not read
// and the light names no image.
TEST_F(Material, UnfinishedProjectedTextureErasedLaterIsNotRead)
{
    TorvoTexture texture = nullptr;
    ASSERT_EQ(TRVBeginTexture(manager_, "unfinished", 1, 1, TRV_TEXTURE_LDR_RGB, &texture), TRV_SUCCESS);
    const TRVMatrix4x4 m = identity();
    const TRVLinearRGB white = {1, 1, 1};
    TorvoLightSource spot = nullptr;
    ASSERT_EQ(TRVCreateSpotLight(scene_, "spot", &m, &white, &spot), TRV_SUCCESS);
    ASSERT_EQ(TRVSetLightProjectedTexture(spot, texture), TRV_SUCCESS);
    ASSERT_EQ(TRVEraseCachedTexture(manager_, "unfinished"), TRV_SUCCESS);
    ASSERT_EQ(TRVEndScene(scene_), TRV_SUCCESS);
    EXPECT_NE(sceneXml().find("<SpotLightGoboTexture><![CDATA[..\\..\\textures\\]]>"), std::string::npos);
}
