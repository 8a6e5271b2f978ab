// A material of a scene: six shading channels and the global-illumination tuning values.
#pragma once

#include "scene/TorvoMaterialStub.h"

#include <filesystem>
#include <string>

namespace trv {

class FSTorvoScene;
class FSTorvoTexture;

struct MaterialChannel {
    bool zeroScaleDefault = false;  // the neutral scale is 0 instead of 1
    TRVLinearRGBA color = {0.0f, 0.0f, 0.0f, 0.0f};
    float scale = 1.0f;
    FSTorvoTexture* texture = nullptr;
    // The texture's image file when it was set; the scene writes this, so a texture erased
    // from the cache later is never read.
    std::filesystem::path textureImage;
    bool useVertexColors = false;
    std::string uvLayer;

    // Left out of the scene description: nothing differs from the channel's neutral state (alpha not considered).
    bool isNeutral() const;
};

class FSTorvoMaterial : public TorvoMaterialStub {
public:
    enum Channel : int32_t { Diffuse = 0, Specular, Emissive, Transparency, Shininess, Reflection, channelCount };

    FSTorvoMaterial(FSTorvoScene* scene, std::string name);
    ~FSTorvoMaterial() override;

    FSTorvoScene* scene() const { return scene_; }
    const std::string& name() const { return name_; }
    const MaterialChannel& channel(int32_t number) const { return channels_[number]; }
    float primaryGIIntensity() const { return primaryGIIntensity_; }
    float primaryGISaturation() const { return primaryGISaturation_; }
    float secondaryGIIntensity() const { return secondaryGIIntensity_; }
    float secondaryGISaturation() const { return secondaryGISaturation_; }
    float diffuseGIBoost() const { return diffuseGIBoost_; }
    float emissiveGIScale() const { return emissiveGIScale_; }
    float specularGIScale() const { return specularGIScale_; }
    bool alphaAsTransparency() const { return alphaAsTransparency_; }

    [[nodiscard]] TRVStatus setColor(int32_t channel, const TRVLinearRGBA* color) override;
    [[nodiscard]] TRVStatus setScale(int32_t channel, float scale) override;
    [[nodiscard]] TRVStatus setTexture(int32_t channel, TorvoTextureStub& texture) override;
    [[nodiscard]] TRVStatus setUseVertexColors(int32_t channel) override;
    [[nodiscard]] TRVStatus setChannelUVLayer(int32_t channel, const std::string& uvLayerName) override;
    [[nodiscard]] TRVStatus setAlphaAsTransparency(bool alphaAsTransparency) override;
    [[nodiscard]] TRVStatus setPrimaryGICorrection(float intensity, float saturation) override;
    [[nodiscard]] TRVStatus setSecondaryGICorrection(float intensity, float saturation) override;
    [[nodiscard]] TRVStatus setGIScale(float diffuseBoost, float emissiveScale, float specularScale) override;

private:
    bool sceneOpen() const;

    FSTorvoScene* scene_;
    std::string name_;
    MaterialChannel channels_[channelCount];
    float primaryGIIntensity_ = 1.0f;
    float primaryGISaturation_ = 1.0f;
    float secondaryGIIntensity_ = 1.0f;
    float secondaryGISaturation_ = 1.0f;
    float diffuseGIBoost_ = 1.0f;
    float emissiveGIScale_ = 1.0f;
    float specularGIScale_ = 1.0f;
    bool alphaAsTransparency_ = false;
};

}  // namespace trv
