// The scene description read by the renderer: a "KXScene" document written as text straight onto
// a stream (tab indentation, line feeds, floats with 9 significant digits, names in CDATA), and
// the "inputspecification" list of the mesh files a scene uses.
#pragma once

#include "scene/SceneSerializer.h"

#include "torvo.h"

#include <filesystem>
#include <map>
#include <memory>
#include <ostream>
#include <set>
#include <string>

namespace trv {

class FSTorvoScene;
class FSTorvoLightSource;
class FSTorvoTexture;
struct LightFalloff;
struct MaterialChannel;

class XMLSceneSerializer : public SceneSerializer {
public:
    // scene resolves the handles of light links and material overrides; a handle that is not
    // one of its objects is written as an empty name.
    XMLSceneSerializer(std::ostream& stream, const FSTorvoScene& scene);
    ~XMLSceneSerializer() override;

    bool beginDocument() override;
    bool writeInstance(const FSTorvoInstance& instance) override;
    bool writeCamera(const FSTorvoCamera& camera) override;
    bool writePointLight(const FSTorvoPointLight& light) override;
    bool writeDirectionalLight(const FSTorvoDirectionalLight& light) override;
    bool writeSpotLight(const FSTorvoSpotLight& light) override;
    bool writeAreaLight(const FSTorvoAreaLight& light) override;
    bool writeWindowLight(const FSTorvoWindowLight& light) override;
    bool writeMaterial(const FSTorvoMaterial& material) override;
    bool endDocument() override;

    // The file list: the mesh files (by cache name) as paths relative to the scene directory.
    static bool writeFileList(std::ostream& stream, const std::set<std::string>& meshNames);

    // Text forms shared with the tests.
    static void appendFloat(std::string& out, float value);
    static void appendCData(std::string& out, const std::string& text);
    static float degrees(float radians);
    // "..\..\<directory>\<file name>": the form the renderer expects for cache files.
    static std::string cachePath(const std::string& directory, const std::filesystem::path& fileName);

private:
    void open(const char* name);
    void close(const char* name);
    void indent();
    void leafRaw(const char* name, const char* value, size_t length);
    void leaf(const char* name, const std::string& value) { leafRaw(name, value.data(), value.size()); }
    void leaf(const char* name, const char* value);
    void leaf(const char* name, float value);
    void leaf(const char* name, int32_t value);
    void leaf(const char* name, bool value) { leaf(name, value ? "true" : "false"); }
    void leafName(const char* name, const std::string& text);
    void matrix(const char* name, const TRVMatrix4x4& matrix);
    void color(const char* name, float r, float g, float b);
    void color(const char* name, const TRVLinearRGBA& color);
    void lightCommon(const FSTorvoLightSource& light);
    void falloff(const LightFalloff& falloff);
    template <class Ramp>
    void ramp(const Ramp& entries);
    void channel(const char* name, const MaterialChannel& channel);
    std::string texturePath(const std::filesystem::path& imagePath) const;
    // Hands the composed text to the stream; true when the stream is intact.
    bool flush();

    std::ostream& stream_;
    const FSTorvoScene& scene_;
    int32_t depth_ = 0;
    std::filesystem::path textureBase_;
    std::string buffer_;
};

}  // namespace trv
