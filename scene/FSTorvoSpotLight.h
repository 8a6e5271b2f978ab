// A spot light: shadow radius, cone with penumbra, falloff, a color ramp and a projected texture.
#pragma once

#include "scene/FSTorvoLightSource.h"

#include <filesystem>

namespace trv {

class FSTorvoTexture;

class FSTorvoSpotLight : public FSTorvoLightSource {
public:
    FSTorvoSpotLight(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                     const TRVMatrix4x4& transform);

    float shadowRadius() const { return shadowRadius_; }
    float coneAngle() const { return coneAngle_; }
    float penumbraAngle() const { return penumbraAngle_; }
    float penumbraExponent() const { return penumbraExponent_; }
    const LightFalloff& falloff() const { return falloff_; }
    const std::vector<LightRampEntry>& ramp() const { return ramp_; }
    FSTorvoTexture* projectedTexture() const { return projectedTexture_; }
    // The projected texture's image file: taken when it was set if the texture was ended then
    // (so a texture erased later is never read), else asked from the texture.
    std::filesystem::path projectedTextureImage() const;

    bool serialize(SceneSerializer& serializer) const override;
    TRVStatus setShadowRadius(float radius) override;
    TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;
    TRVStatus setSpotlightCone(float coneAngle, float penumbraAngle, float penumbraExponent) override;
    TRVStatus addLightRampEntry(float position, const TRVLinearRGB* color) override;
    TRVStatus setProjectedTexture(TorvoTextureStub& texture) override;

private:
    float shadowRadius_ = 0.0f;
    float coneAngle_ = 1.5707964f;
    float penumbraAngle_ = 0.0f;
    float penumbraExponent_ = 1.0f;
    LightFalloff falloff_;
    std::vector<LightRampEntry> ramp_;
    FSTorvoTexture* projectedTexture_ = nullptr;
    std::filesystem::path projectedTextureImage_;
};

}  // namespace trv
