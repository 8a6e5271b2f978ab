// Writes a scene's description, one step per object; the scene calls the steps in document order.
#pragma once

namespace trv {

class FSTorvoInstance;
class FSTorvoCamera;
class FSTorvoPointLight;
class FSTorvoDirectionalLight;
class FSTorvoSpotLight;
class FSTorvoAreaLight;
class FSTorvoWindowLight;
class FSTorvoMaterial;

// Every step returns true when its output is intact afterwards.
class SceneSerializer {
public:
    virtual ~SceneSerializer() = default;
    virtual bool beginDocument() = 0;
    virtual bool writeInstance(const FSTorvoInstance& instance) = 0;
    virtual bool writeCamera(const FSTorvoCamera& camera) = 0;
    virtual bool writePointLight(const FSTorvoPointLight& light) = 0;
    virtual bool writeDirectionalLight(const FSTorvoDirectionalLight& light) = 0;
    virtual bool writeSpotLight(const FSTorvoSpotLight& light) = 0;
    virtual bool writeAreaLight(const FSTorvoAreaLight& light) = 0;
    virtual bool writeWindowLight(const FSTorvoWindowLight& light) = 0;
    virtual bool writeMaterial(const FSTorvoMaterial& material) = 0;
    virtual bool endDocument() = 0;
};

}  // namespace trv
