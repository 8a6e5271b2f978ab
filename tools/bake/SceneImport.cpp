#include "SceneImport.h"

#include "Charts.h"

#include <assimp/Importer.hpp>
#include <assimp/DefaultLogger.hpp>
#include <assimp/LogStream.hpp>
#include <assimp/config.h>
#include <assimp/material.h>
#include <assimp/postprocess.h>
#include <assimp/scene.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <utf8.h>

#include <algorithm>
#include <cstdio>
#include <iterator>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <unordered_set>

namespace fs = std::filesystem;

namespace torvobake {
namespace {

// Node trees deeper than this are taken for a loop in the file rather than a real hierarchy.
constexpr int maxNodeDepth = 256;
constexpr float maxSmoothingDegrees = 60.0f;
// The most memory an import may take beyond what the process holds when it starts (or half the
// machine's memory when that is less).
constexpr unsigned long long maxImportBytes = 8ull << 30;
// The image kinds the renderer reads; any other texture would be left out there, so it is left out here with a warning.
const std::set<std::string> textureExtensions = {".png", ".jpg", ".jpeg", ".tga", ".exr"};

Matrix toMatrix(const aiMatrix4x4& a)
{
    Matrix r;
    r.m = {a.a1, a.a2, a.a3, a.a4, a.b1, a.b2, a.b3, a.b4, a.c1, a.c2, a.c3, a.c4, a.d1, a.d2, a.d3, a.d4};
    return r;
}

Vec3 toVec(const aiVector3D& v) { return {v.x, v.y, v.z}; }

bool finite(const aiVector3D& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Names go to the library as UTF-8: bytes of other encodings (older files name things in their
// maker's code page) become replacement characters, control characters spaces.
std::string cleanName(const std::string& name)
{
    std::string clean;
    utf8::replace_invalid(name.begin(), name.end(), std::back_inserter(clean));
    for (char& c : clean)
        if (static_cast<unsigned char>(c) < 0x20)
            c = ' ';
    return clean;
}

std::string uniqueName(std::string base, std::set<std::string>& taken, const std::string& fallback)
{
    base = cleanName(base);
    if (base.empty())
        base = fallback;
    std::string name = base;
    for (int n = 2; !taken.insert(name).second; ++n)
        name = base + " " + std::to_string(n);
    return name;
}

class Importer {
public:
    Importer(const std::string& path, const std::string& textureDirectory, Scene& out, ImportResult& result)
        : path_(path), textureDirectory_(textureDirectory), out_(out), result_(result)
    {
    }

    bool run(const aiScene& scene)
    {
        scene_ = &scene;
        for (unsigned i = 0; i < scene.mNumMaterials; ++i)
            readMaterial(*scene.mMaterials[i], i);
        if (out_.materials.empty())
            out_.materials.push_back(Material{"default", {}, {}, {}});
        meshIndex_.assign(scene.mNumMeshes, -1);
        for (unsigned i = 0; i < scene.mNumMeshes; ++i)
            if (!readMesh(*scene.mMeshes[i], i))
                return false;
        if (!scene.mRootNode)
            return fail("the file has no node hierarchy");
        if (!walk(*scene.mRootNode, Matrix{}, 0))
            return false;
        if (out_.instances.empty())
            return fail("the file holds no triangles to bake");
        for (unsigned i = 0; i < scene.mNumLights; ++i)
            readLight(*scene.mLights[i]);
        for (unsigned i = 0; i < scene.mNumCameras; ++i)
            readCamera(*scene.mCameras[i]);
        return true;
    }

private:
    bool fail(const std::string& text)
    {
        result_.error = text;
        return false;
    }

    void warn(const std::string& text) { result_.warnings.push_back(text); }

    void readMaterial(const aiMaterial& source, unsigned index)
    {
        Material material;
        aiString name;
        source.Get(AI_MATKEY_NAME, name);
        material.name = uniqueName(name.C_Str(), materialNames_, "material " + std::to_string(index));
        aiColor4D color;
        if (source.Get(AI_MATKEY_BASE_COLOR, color) == AI_SUCCESS ||
            source.Get(AI_MATKEY_COLOR_DIFFUSE, color) == AI_SUCCESS)
            material.diffuse = {color.r, color.g, color.b, color.a};
        aiColor3D emissive;
        if (source.Get(AI_MATKEY_COLOR_EMISSIVE, emissive) == AI_SUCCESS)
            material.emissive = {emissive.r, emissive.g, emissive.b};
        for (float& c : material.diffuse)
            c = std::isfinite(c) ? std::clamp(c, 0.0f, 1.0f) : 0.8f;
        for (float& c : material.emissive)
            c = std::isfinite(c) ? std::max(c, 0.0f) : 0.0f;
        aiString texture;
        if (source.GetTexture(aiTextureType_BASE_COLOR, 0, &texture) == AI_SUCCESS ||
            source.GetTexture(aiTextureType_DIFFUSE, 0, &texture) == AI_SUCCESS)
            material.diffuseTexture = texturePath(texture.C_Str(), material.name);
        out_.materials.push_back(material);
    }

    // The file the library can read for a texture reference: an embedded image is written out,
    // a reference to a file is resolved against the model's folder.
    std::string texturePath(const std::string& reference, const std::string& materialName)
    {
        if (const aiTexture* embedded = scene_->GetEmbeddedTexture(reference.c_str())) {
            if (embedded->mHeight != 0) {
                warn("material \"" + materialName + "\": an uncompressed embedded texture is not used");
                return {};
            }
            std::string hint = embedded->achFormatHint;
            std::transform(hint.begin(), hint.end(), hint.begin(), ::tolower);
            if (!textureExtensions.count("." + hint)) {
                warn("material \"" + materialName + "\": embedded texture of type \"" + hint + "\" is not used");
                return {};
            }
            std::error_code ignored;
            fs::create_directories(textureDirectory_, ignored);
            const fs::path file =
                fs::path(textureDirectory_) / ("embedded_" + std::to_string(embeddedCount_++) + "." + hint);
            std::ofstream stream(file, std::ios::binary);
            stream.write(reinterpret_cast<const char*>(embedded->pcData), embedded->mWidth);
            if (!stream) {
                warn("material \"" + materialName + "\": embedded texture could not be written to " + file.string());
                return {};
            }
            return file.string();
        }
        std::string relative = reference;
        std::replace(relative.begin(), relative.end(), '\\', '/');
        const fs::path file = fs::path(path_).parent_path() / relative;
        std::string extension = file.extension().string();
        std::transform(extension.begin(), extension.end(), extension.begin(), ::tolower);
        std::error_code error;
        // Paths of the machine the file was made on: the image may lie next to the model.
        if (!fs::is_regular_file(file, error) && fs::is_regular_file(fs::path(path_).parent_path() / file.filename(), error))
            return (fs::path(path_).parent_path() / file.filename()).string();
        if (!fs::is_regular_file(file, error)) {
            warn("material \"" + materialName + "\": texture " + file.string() + " not found, left out");
            return {};
        }
        if (!textureExtensions.count(extension)) {
            warn("material \"" + materialName + "\": texture " + file.string() +
                 " is of a type the renderer does not read (PNG, JPEG, TGA, EXR), left out");
            return {};
        }
        return file.string();
    }

    bool readMesh(const aiMesh& source, unsigned index)
    {
        Mesh mesh;
        mesh.name = source.mName.length ? source.mName.C_Str() : "mesh " + std::to_string(index);
        const std::string label = "mesh \"" + mesh.name + "\"";
        if (!(source.mPrimitiveTypes & aiPrimitiveType_TRIANGLE) || source.mNumFaces == 0)
            return true; // points and lines are not surfaces: nothing to bake
        if (!source.mNormals)
            return fail(label + " has no normals");
        mesh.positions.reserve(source.mNumVertices);
        mesh.normals.reserve(source.mNumVertices);
        for (unsigned v = 0; v < source.mNumVertices; ++v) {
            if (!finite(source.mVertices[v]))
                return fail(label + ": vertex " + std::to_string(v) + " has a position that is not a finite number");
            mesh.positions.push_back(toVec(source.mVertices[v]));
            // Assimp leaves NaN normals where a face has no area; they get a neighbour's later.
            mesh.normals.push_back(finite(source.mNormals[v]) ? normalized(toVec(source.mNormals[v])) : Vec3{});
        }
        const auto readUvs = [&](unsigned set, std::vector<Vec2>& into) {
            if (!source.mTextureCoords[set])
                return true;
            for (unsigned v = 0; v < source.mNumVertices; ++v) {
                const aiVector3D& t = source.mTextureCoords[set][v];
                if (!std::isfinite(t.x) || !std::isfinite(t.y))
                    return fail(label + ": vertex " + std::to_string(v) + " has a texture coordinate that is not a finite number");
                into.push_back({t.x, t.y});
            }
            return true;
        };
        if (!readUvs(0, mesh.uv0) || !readUvs(1, mesh.lightmapUv))
            return false;
        for (unsigned f = 0; f < source.mNumFaces; ++f) {
            const aiFace& face = source.mFaces[f];
            if (face.mNumIndices != 3)
                continue;
            for (unsigned k = 0; k < 3; ++k) {
                if (face.mIndices[k] >= source.mNumVertices)
                    return fail(label + ": face " + std::to_string(f) + " names a vertex that does not exist");
                mesh.indices.push_back(face.mIndices[k]);
            }
        }
        if (mesh.indices.empty())
            return true;
        // Vertices whose normal Assimp could not make take the normal of a face they belong to.
        for (size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
            const Vec3 a = mesh.positions[mesh.indices[t]], b = mesh.positions[mesh.indices[t + 1]],
                       c = mesh.positions[mesh.indices[t + 2]];
            const Vec3 face = normalized(cross(b - a, c - a));
            for (int k = 0; k < 3; ++k)
                if (length(mesh.normals[mesh.indices[t + k]]) == 0)
                    mesh.normals[mesh.indices[t + k]] = face;
        }
        for (Vec3& n : mesh.normals)
            if (length(n) == 0)
                n = {0, 1, 0};
        // A light map over overlapping uvs is wrong wherever faces share texels.
        if (!mesh.lightmapUv.empty()) {
            const bool inside = std::all_of(mesh.lightmapUv.begin(), mesh.lightmapUv.end(), [](Vec2 t) {
                return t.x >= 0 && t.x <= 1 && t.y >= 0 && t.y <= 1;
            });
            if (!inside || lightmapUvsOverlap(mesh)) {
                warn(label + ": its second uv set " + (inside ? "has overlapping faces" : "leaves the unit square") +
                     "; a light-map layout is generated instead");
                mesh.lightmapUv.clear();
            }
        }
        mesh.material = source.mMaterialIndex < out_.materials.size() ? source.mMaterialIndex : 0;
        meshIndex_[index] = static_cast<int>(out_.meshes.size());
        out_.meshes.push_back(std::move(mesh));
        return true;
    }

    bool walk(const aiNode& node, const Matrix& parent, int depth)
    {
        if (depth > maxNodeDepth || !visiting_.insert(&node).second)
            return fail("the node hierarchy loops back on itself or is deeper than " + std::to_string(maxNodeDepth));
        const Matrix world = parent * toMatrix(node.mTransformation);
        for (const float v : world.m)
            if (!std::isfinite(v))
                return fail("node \"" + std::string(node.mName.C_Str()) + "\" has a transform that is not finite");
        nodeWorld_[node.mName.C_Str()] = world;
        for (unsigned i = 0; i < node.mNumMeshes; ++i) {
            const unsigned source = node.mMeshes[i];
            if (source >= meshIndex_.size())
                return fail("node \"" + std::string(node.mName.C_Str()) + "\" names a mesh that does not exist");
            if (meshIndex_[source] < 0)
                continue;
            std::string base = node.mName.C_Str();
            if (node.mNumMeshes > 1)
                base += (base.empty() ? "" : " ") + out_.meshes[meshIndex_[source]].name;
            out_.instances.push_back(
                Instance{uniqueName(base, instanceNames_, "instance"), static_cast<unsigned>(meshIndex_[source]), world});
        }
        for (unsigned i = 0; i < node.mNumChildren; ++i)
            if (!node.mChildren[i] || !walk(*node.mChildren[i], world, depth + 1))
                return result_.error.empty() ? fail("the node hierarchy has an empty child") : false;
        visiting_.erase(&node);
        return true;
    }

    Matrix nodeTransform(const aiString& name) const
    {
        const auto found = nodeWorld_.find(name.C_Str());
        return found == nodeWorld_.end() ? Matrix{} : found->second;
    }

    void readLight(const aiLight& source)
    {
        Light light;
        light.name = uniqueName(source.mName.C_Str(), lightNames_, "light");
        const Vec3 direction = finite(source.mDirection) && length(toVec(source.mDirection)) > 0
                                   ? toVec(source.mDirection)
                                   : Vec3{0, 0, -1};
        const Vec3 position = finite(source.mPosition) ? toVec(source.mPosition) : Vec3{};
        light.placement = nodeTransform(source.mName) * lookAlong(position, direction);
        light.color = {source.mColorDiffuse.r, source.mColorDiffuse.g, source.mColorDiffuse.b};
        for (float& c : light.color)
            c = std::isfinite(c) ? std::max(c, 0.0f) : 0.0f;
        // Assimp gives attenuation as 1 / (constant + linear d + quadratic d^2); the library's
        // falloff is 1 / d^exponent, so the strongest term decides and its factor scales the colour.
        const float quadratic = std::isfinite(source.mAttenuationQuadratic) ? source.mAttenuationQuadratic : 0.0f;
        const float linear = std::isfinite(source.mAttenuationLinear) ? source.mAttenuationLinear : 0.0f;
        float factor = 1.0f;
        if (quadratic > 0)
            light.falloffExponent = 2, factor = quadratic;
        else if (linear > 0)
            light.falloffExponent = 1, factor = linear;
        else
            light.falloffExponent = 0;
        if (source.mType == aiLightSource_POINT || source.mType == aiLightSource_SPOT)
            for (float& c : light.color)
                c /= factor;
        switch (source.mType) {
        case aiLightSource_POINT:
            light.kind = LightKind::Point;
            break;
        case aiLightSource_SPOT:
            light.kind = LightKind::Spot;
            light.innerCone = source.mAngleInnerCone;
            light.outerCone = source.mAngleOuterCone;
            break;
        case aiLightSource_DIRECTIONAL:
            light.kind = LightKind::Directional;
            break;
        case aiLightSource_AREA:
            light.kind = LightKind::Area;
            light.areaWidth = source.mSize.x > 0 ? source.mSize.x : 1.0f;
            light.areaHeight = source.mSize.y > 0 ? source.mSize.y : 1.0f;
            break;
        default:
            warn("light \"" + light.name + "\" is of a kind the bake has no counterpart for, left out");
            return;
        }
        out_.lights.push_back(light);
    }

    void readCamera(const aiCamera& source)
    {
        Camera camera;
        camera.name = uniqueName(source.mName.C_Str(), cameraNames_, "camera");
        const Vec3 position = finite(source.mPosition) ? toVec(source.mPosition) : Vec3{};
        const Vec3 look = finite(source.mLookAt) && length(toVec(source.mLookAt)) > 0 ? toVec(source.mLookAt)
                                                                                   : Vec3{0, 0, -1};
        camera.placement = nodeTransform(source.mName) * lookAlong(position, look);
        // Assimp keeps half the horizontal angle.
        const float fov = 2.0f * source.mHorizontalFOV;
        camera.horizontalFov = std::isfinite(fov) && fov > 0 && fov < 3.14f ? fov : 1.0f;
        camera.aspect = std::isfinite(source.mAspect) && source.mAspect > 0 ? source.mAspect : 1.0f;
        out_.cameras.push_back(camera);
    }

    std::string path_, textureDirectory_;
    Scene& out_;
    ImportResult& result_;
    const aiScene* scene_ = nullptr;
    std::vector<int> meshIndex_; // Assimp's mesh -> ours, -1 for meshes without triangles
    std::map<std::string, Matrix> nodeWorld_;
    std::unordered_set<const aiNode*> visiting_;
    std::set<std::string> materialNames_, instanceNames_, lightNames_, cameraNames_;
    int embeddedCount_ = 0;
};

// Keeps what Assimp reports while it reads: some readers mend damaged files with no more than
// a log line (faces with indices out of range dropped, a missing material replaced).
class LogCollector : public Assimp::LogStream {
public:
    explicit LogCollector(std::vector<std::string>& lines) : lines_(lines) {}
    void write(const char* message) override
    {
        std::string line = message ? message : "";
        while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
            line.pop_back();
        lines_.push_back(line);
    }

private:
    std::vector<std::string>& lines_;
};

// The text of an Assimp log line that tells of damage the reader worked around: faces dropped for
// indices out of range, face statements without vertices. Other lines, errors among them, come
// from sound files too (degenerate faces left out, unused vertices, a material named but not
// defined, which the default material stands in for, the IFC reader's approximations of openings).
const char* const missingMaterial = "failed to locate material";

std::optional<std::string> damageReport(const std::string& line)
{
    static const char* const damageWarnings[] = {"out-of-range", "were dropped", "Ignoring empty face"};
    const size_t separator = line.find(": ");
    const std::string text = separator == std::string::npos ? line : line.substr(separator + 2);
    for (const char* warning : damageWarnings)
        if (line.find(warning) != std::string::npos)
            return text;
    return std::nullopt;
}

// Assimp trusts the counts in a file's header: a damaged count makes it allocate, and fill, as
// much memory as the count says. While it reads, the address space is capped so that such an
// allocation fails (and the import with it) instead of exhausting the machine. The sanitizers
// reserve far more address space than they use, so their builds go without the cap.
class AddressSpaceCap {
public:
    AddressSpaceCap()
    {
#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
        return;
#else
        if (getrlimit(RLIMIT_AS, &saved_) != 0)
            return;
        long pages = 0;
        std::ifstream statm("/proc/self/statm");
        if (!(statm >> pages))
            return;
        const unsigned long long page = static_cast<unsigned long long>(sysconf(_SC_PAGESIZE));
        const unsigned long long physical = static_cast<unsigned long long>(sysconf(_SC_PHYS_PAGES)) * page;
        const unsigned long long room = std::min(physical / 2, maxImportBytes);
        rlimit capped = saved_;
        capped.rlim_cur = static_cast<rlim_t>(static_cast<unsigned long long>(pages) * page + room);
        if (saved_.rlim_cur != RLIM_INFINITY && saved_.rlim_cur < capped.rlim_cur)
            return;
        active_ = setrlimit(RLIMIT_AS, &capped) == 0;
#endif
    }
    ~AddressSpaceCap()
    {
        if (active_)
            setrlimit(RLIMIT_AS, &saved_);
    }
    AddressSpaceCap(const AddressSpaceCap&) = delete;
    AddressSpaceCap& operator=(const AddressSpaceCap&) = delete;

private:
    rlimit saved_{};
    bool active_ = false;
};

// A few of Assimp's readers print to standard error themselves, past its logger: while they read,
// standard error goes nowhere, so that a refused file gives one line.
class QuietStandardError {
public:
    explicit QuietStandardError(bool active)
    {
        if (!active)
            return;
        std::fflush(stderr);
        saved_ = dup(STDERR_FILENO);
        const int nowhere = open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ < 0 || nowhere < 0 || dup2(nowhere, STDERR_FILENO) < 0) {
            if (nowhere >= 0)
                close(nowhere);
            if (saved_ >= 0)
                close(saved_);
            saved_ = -1;
            return;
        }
        close(nowhere);
    }
    ~QuietStandardError()
    {
        if (saved_ < 0)
            return;
        std::fflush(stderr);
        dup2(saved_, STDERR_FILENO);
        close(saved_);
    }
    QuietStandardError(const QuietStandardError&) = delete;
    QuietStandardError& operator=(const QuietStandardError&) = delete;

private:
    int saved_ = -1;
};

} // namespace

ImportResult importScene(const std::string& path, const std::string& textureDirectory, Scene& out, bool verbose)
{
    ImportResult result;
    std::error_code error;
    if (!fs::is_regular_file(path, error)) {
        result.error = "cannot read " + path + ": no such file";
        return result;
    }
    Assimp::Importer importer;
    // Points and lines are no surfaces, and faces without area cannot hold light-map texels.
    importer.SetPropertyInteger(AI_CONFIG_PP_SBP_REMOVE, aiPrimitiveType_POINT | aiPrimitiveType_LINE);
    importer.SetPropertyBool(AI_CONFIG_PP_FD_REMOVE, true);
    // Files without normals get smooth ones, but edges sharper than this stay hard.
    importer.SetPropertyFloat(AI_CONFIG_PP_GSN_MAX_SMOOTHING_ANGLE, maxSmoothingDegrees);
    const unsigned flags = aiProcess_Triangulate | aiProcess_GenSmoothNormals | aiProcess_JoinIdenticalVertices |
                           aiProcess_ValidateDataStructure | aiProcess_SortByPType | aiProcess_FindDegenerates |
                           aiProcess_RemoveRedundantMaterials | aiProcess_FlipUVs;
    std::vector<std::string> logLines;
    Assimp::DefaultLogger::create(nullptr, Assimp::Logger::NORMAL, 0);
    auto* collector = new LogCollector(logLines);
    Assimp::DefaultLogger::get()->attachStream(collector, Assimp::Logger::Warn | Assimp::Logger::Err);
    struct LoggerEnd {
        ~LoggerEnd() { Assimp::DefaultLogger::kill(); }
    } loggerEnd;
    const aiScene* scene = nullptr;
    try {
        AddressSpaceCap cap;
        QuietStandardError quiet(!verbose);
        scene = importer.ReadFile(path, flags);
    } catch (const std::exception& e) {
        result.error = "cannot import " + path + ": " + e.what();
        return result;
    }
    if (!scene) {
        std::string reason = importer.GetErrorString();
        std::replace(reason.begin(), reason.end(), '\n', ' ');
        if (reason.find("bad_alloc") != std::string::npos)
            reason = "it asks for more memory than an import may take (a damaged count?)";
        result.error = "cannot import " + path + ": " + (reason.empty() ? "unknown failure" : reason);
        return result;
    }
    if (scene->mFlags & AI_SCENE_FLAGS_INCOMPLETE) {
        result.error = "cannot import " + path + ": the file is incomplete" +
                       std::string(scene->mNumMeshes == 0 ? " (it holds no meshes)" : "");
        return result;
    }
    for (const std::string& line : logLines) {
        if (line.find(missingMaterial) != std::string::npos)
            result.warnings.push_back(line.substr(line.find(missingMaterial)));
        if (const auto damage = damageReport(line)) {
            result.error = "cannot import " + path + ": the file is damaged: " + *damage;
            return result;
        }
    }
    Importer reader(path, textureDirectory, out, result);
    if (!reader.run(*scene)) {
        result.error = path + ": " + result.error;
        return result;
    }
    result.ok = true;
    return result;
}

} // namespace torvobake
