// A spot light: shadow radius, cone with penumbra, falloff, a color ramp and a projected texture.
#pragma once

#include "scene/Angles.h"
#include "scene/FSTorvoLightSource.h"

#include <filesystem>
#include <memory>

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
    // Whether a projected texture was set; the texture itself may be gone from the cache since.
    bool hasProjectedTexture() const { return hasProjectedTexture_; }
    std::shared_ptr<const FSTorvoTexture> projectedTexture() const { return projectedTexture_.lock(); }
    // The projected texture's image file: taken when it was set if the texture was ended then,
    // else asked from the texture if the cache still holds it; empty for an erased texture.
    std::filesystem::path projectedTextureImage() const;

    bool serialize(SceneSerializer& serializer) const override;
    [[nodiscard]] TRVStatus setShadowRadius(float radius) override;
    [[nodiscard]] TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;
    [[nodiscard]] TRVStatus setSpotlightCone(float coneAngle, float penumbraAngle, float penumbraExponent) override;
    [[nodiscard]] TRVStatus addLightRampEntry(float position, const TRVLinearRGB* color) override;
    [[nodiscard]] TRVStatus setProjectedTexture(TorvoTextureStub& texture) override;

private:
    float shadowRadius_ = 0.0f;
    float coneAngle_ = angles::halfPi;
    float penumbraAngle_ = 0.0f;
    float penumbraExponent_ = 1.0f;
    LightFalloff falloff_;
    std::vector<LightRampEntry> ramp_;
    bool hasProjectedTexture_ = false;
    std::weak_ptr<const FSTorvoTexture> projectedTexture_;
    std::filesystem::path projectedTextureImage_;
};

}  // namespace trv
