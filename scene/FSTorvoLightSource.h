// What every light of a scene has: color, transform, shadows, intensity scales and light links.
// Settings a kind does not support are refused here; each kind overrides what it supports.
#pragma once

#include "scene/LightLinks.h"
#include "scene/TorvoLightSourceStub.h"

#include <memory>
#include <string>
#include <vector>

namespace trv {

class FSTorvoScene;
class FSTorvoInstance;
class SceneSerializer;

// Distance attenuation of point, spot, area and window lights.
struct LightFalloff {
    static constexpr float initialCutoff = 3.4028235e38f;
    int32_t type = 0;  // 0 standard, anything else the alternative attenuation
    float exponent = 0.0f;
    float cutoff = initialCutoff;
    bool clampToOne = true;

    bool isInitial() const { return type == 0 && exponent == 0.0f && cutoff == initialCutoff && clampToOne; }
};

struct LightRampEntry {
    float position;
    float r, g, b;
};

class FSTorvoLightSource : public TorvoLightSourceStub {
public:
    using Links = LightLinks<TRVInstanceHandle, FSTorvoInstance>;

    FSTorvoLightSource(FSTorvoScene* scene, std::string name, const TRVLinearRGB& color,
                       const TRVMatrix4x4& transform);
    ~FSTorvoLightSource() override;

    FSTorvoScene* scene() const { return scene_; }
    const std::string& name() const { return name_; }
    const TRVLinearRGB& color() const { return color_; }
    const TRVMatrix4x4& transform() const { return transform_; }
    const Links* lightLinks() const { return lightLinks_.get(); }
    bool castShadows() const { return castShadows_; }
    int32_t shadowSamples() const { return shadowSamples_; }
    float directScale() const { return directScale_; }
    float indirectScale() const { return indirectScale_; }

    // Writes the light with the serializer's operation for its kind.
    virtual bool serialize(SceneSerializer& serializer) const = 0;

    [[nodiscard]] TRVStatus setShadowRadius(float radius) override;
    [[nodiscard]] TRVStatus setShadowAngle(float angle) override;
    [[nodiscard]] TRVStatus setCastShadows(bool castShadows) override;
    [[nodiscard]] TRVStatus setShadowSamples(int32_t samples) override;
    [[nodiscard]] TRVStatus addLightLinks(int32_t mode, const TRVInstanceHandle* instances, int32_t count) override;
    [[nodiscard]] TRVStatus setFalloff(int32_t type, float exponent, float cutoff, bool clampToOne) override;
    [[nodiscard]] TRVStatus setSpotlightCone(float coneAngle, float penumbraAngle, float penumbraExponent) override;
    [[nodiscard]] TRVStatus setIntensityScale(float directScale, float indirectScale) override;
    [[nodiscard]] TRVStatus addLightRampEntry(float position, const TRVLinearRGB* color) override;
    [[nodiscard]] TRVStatus setProjectedTexture(TorvoTextureStub& texture) override;

protected:
    // The shared checks of the settings several kinds support.
    [[nodiscard]] static TRVStatus changeShadowRadius(float& target, float radius);
    [[nodiscard]] static TRVStatus changeShadowAngle(float& target, float angle, const char* parameterName);
    [[nodiscard]] static TRVStatus changeFalloff(LightFalloff& target, int32_t type, float exponent, float cutoff,
                                                 bool clampToOne);
    [[nodiscard]] static TRVStatus appendRampEntry(std::vector<LightRampEntry>& ramp, float position,
                                                   const TRVLinearRGB* color);
    // The transform of area and window lights: the given matrix times the fixed matrix that
    // turns their facing axis.
    static TRVMatrix4x4 facingTransform(const TRVMatrix4x4& transform);

private:
    FSTorvoScene* scene_;
    std::string name_;
    TRVLinearRGB color_;
    TRVMatrix4x4 transform_;
    std::shared_ptr<Links> lightLinks_;
    bool castShadows_ = false;
    int32_t shadowSamples_ = 1;
    float directScale_ = 1.0f;
    float indirectScale_ = 1.0f;
};

}  // namespace trv
