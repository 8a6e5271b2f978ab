#include "job/ConfigDocument.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "job/PassesAndTargets.h"
#include "cache/FileHelpers.h"
#include "core/XmlTools.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;
using tinyxml2::XMLNode;

namespace trv {

namespace {

const char* const textureSwitches[] = {"fullShading", "illumination", "indirectIllumination",
                                       "fullAndIndirectIllumination", "rnm", "lua", "albedo", "ambient", "diffuse",
                                       "incandescence", "normals", "reflections", "refractions", "specular", "sss"};
const char* const vertexSwitches[] = {"fullShading", "illumination", "indirectIllumination",
                                      "fullAndIndirectIllumination", "rnm", "lua"};

// What the phase estimate assumes for settings a stage document leaves out.
constexpr int32_t defaultPrepassMaxSampleRate = 0;
constexpr int32_t defaultPrepassMinSampleRate = -4;
constexpr bool defaultEnableGI = false;
constexpr bool defaultAoAdaptive = true;
constexpr bool defaultAoBentNormals = false;
// The counted phase in which the renderer bakes a target, after any GI phases.
constexpr uint32_t bakingPhases = 1;

std::shared_ptr<std::FILE> openShared(const std::filesystem::path& path, const char* mode)
{
    try {
        return openFileShared(path, mode);
    } catch (const std::exception&) {
        errorStream() << "Failed to open file " << toBytes(path) << std::endl;
        return nullptr;
    }
}

[[nodiscard]] TRVStatus parse(const std::filesystem::path& path, XMLDocument& document)
{
    const auto file = openShared(path, "rb");
    if (!file)
        return Status::FileIOError;
    if (document.LoadFile(file.get()) != tinyxml2::XML_SUCCESS) {
        errorStream() << "Failed to parse the source XML file (row " << std::max(document.ErrorLineNum(), 1)
                      << "): " << toBytes(path) << ", Error message: " << document.ErrorStr() << std::endl;
        return Status::FileIOError;
    }
    return Status::Success;
}

std::string lower(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

int32_t readIntOr(const XMLElement* root, const char* path, int32_t fallback)
{
    const XMLElement* element = xmlTools::find(root, path);
    return element ? xmlTools::readInt(element) : fallback;
}

bool readBoolOr(const XMLElement* root, const char* path, bool fallback)
{
    const XMLElement* element = xmlTools::find(root, path);
    return element ? xmlTools::readBool(element) : fallback;
}

}  // namespace

void resetRenderComponents(XMLDocument& document)
{
    XMLElement* texture = xmlTools::textureBakeComponents(document);
    for (const char* name : textureSwitches)
        xmlTools::setText(texture, name, false);
    XMLElement* vertex = xmlTools::vertexBakeComponents(document);
    for (const char* name : vertexSwitches)
        xmlTools::setText(vertex, name, false);
}

[[nodiscard]] TRVStatus loadSourceDocument(const std::filesystem::path& configurationPath, XMLDocument& document)
{
    document.Clear();
    if (configurationPath.empty()) {
        document.InsertEndChild(document.NewDeclaration("xml version=\"1.0\""));
    } else {
        const TRVStatus status = parse(configurationPath, document);
        if (status != Status::Success)
            return status;
    }
    resetRenderComponents(document);
    return Status::Success;
}

bool mergeSurfaceTransfer(std::unique_ptr<XMLDocument>& destination, std::unique_ptr<XMLDocument>& source)
{
    if (!destination) {
        destination = std::move(source);
        return true;
    }
    XMLElement* targets = xmlTools::find(destination.get(), "KXConfig/SurfaceTransferSettings/targets");
    if (!targets) {
        errorStream() << "Failed to find surface transfer targets destination document" << std::endl;
        return false;
    }
    const XMLElement* texture =
        xmlTools::find(source.get(), "KXConfig/SurfaceTransferSettings/targets/SurfaceTransferTexture");
    if (!texture) {
        errorStream() << "Failed to find surface transfer texture in source document" << std::endl;
        return false;
    }
    targets->InsertEndChild(texture->DeepClone(destination.get()));
    return true;
}

[[nodiscard]] TRVStatus saveDocument(const XMLDocument& document, const std::filesystem::path& file)
{
    const auto out = openShared(file, "wb");
    if (!out)
        return Status::FileIOError;
    // What saving the document writes; a failed write shows on the stream.
    tinyxml2::XMLPrinter printer(out.get());
    document.Print(&printer);
    if (std::fflush(out.get()) != 0 || std::ferror(out.get())) {
        errorStream() << "Failed to save job xml: " << toBytes(file) << std::endl;
        return Status::FileIOError;
    }
    return Status::Success;
}

[[nodiscard]] TRVStatus saveStage(JobTarget& target, JobPass& pass, const XMLDocument& document,
                                  const std::filesystem::path& jobDirectory, JobStage& stage)
{
    const std::filesystem::path file = jobDirectory / toWide(target.shortName() + "_" + pass.shortName() + ".xml");
    XMLDocument copy;
    document.DeepCopy(&copy);
    pass.writeConfiguration(copy);
    if (const TRVStatus failed = saveDocument(copy, file))
        return failed;
    stage.configurationPath = file;
    stage.outputName = target.renderOutputName(pass);
    return Status::Success;
}

TRVStatus buildStages(PassesAndTargets& passesAndTargets, const std::filesystem::path& jobDirectory,
                      const std::filesystem::path& configurationPath, std::vector<JobStage>& stages,
                      RenderTool& tool)
{
    XMLDocument source;
    TRVStatus status = loadSourceDocument(configurationPath, source);
    if (status != Status::Success)
        return status;

    for (const auto& passEntry : passesAndTargets.passes()) {
        JobPass& pass = *passEntry.second;
        std::unique_ptr<XMLDocument> mergedTextures;
        JobTarget* lastTextureTarget = nullptr;
        uint32_t textureCount = 0;
        for (const auto& targetEntry : passesAndTargets.targets()) {
            JobTarget& target = *targetEntry.second;
            if (!target.usesPass(pass))
                continue;
            DocumentList documents;
            status = target.writeConfiguration(source, documents, tool);
            if (status != Status::Success)
                return status;
            if (documents.empty())
                continue;
            for (size_t i = 1; i < documents.size(); ++i)
                if (!mergeSurfaceTransfer(documents.front(), documents[i]))
                    return Status::JobExecutionFailure;
            target.prefixOutputNames(*documents.front(), pass.shortName());
            if (target.isTextureTarget()) {
                if (!mergeSurfaceTransfer(mergedTextures, documents.front()))
                    return Status::JobExecutionFailure;
                lastTextureTarget = &target;
                ++textureCount;
            } else {
                JobStage stage;
                status = saveStage(target, pass, *documents.front(), jobDirectory, stage);
                if (status != Status::Success)
                    return status;
                stage.weight = static_cast<uint32_t>(documents.size());
                stages.push_back(stage);
            }
        }
        if (mergedTextures) {
            JobStage stage;
            status = saveStage(*lastTextureTarget, pass, *mergedTextures, jobDirectory, stage);
            if (status != Status::Success)
                return status;
            stage.weight = textureCount;
            stages.push_back(stage);
        }
    }
    return Status::Success;
}

TRVStatus estimatePhases(const std::filesystem::path& stageConfigurationPath, uint32_t& count)
{
    XMLDocument document;
    const TRVStatus status = parse(stageConfigurationPath, document);
    if (status != Status::Success)
        return status;
    const XMLElement* root = document.RootElement();

    const int32_t maxRate = readIntOr(root, "GISettings/prepassMaxSampleRate", defaultPrepassMaxSampleRate);
    const int32_t minRate = readIntOr(root, "GISettings/prepassMinSampleRate", defaultPrepassMinSampleRate);
    const int64_t levelsSigned = int64_t(std::min(maxRate, 0)) - minRate + 1;
    const uint32_t levels = levelsSigned > 0 ? static_cast<uint32_t>(levelsSigned) : 0;

    const std::string renderType = lower(xmlTools::text(xmlTools::find(root, "FrameSettings/renderType")));
    const bool baking = renderType == "surfacetransfer" || renderType == "render";

    uint32_t primary = 0;
    if (const XMLElement* integrator = xmlTools::find(root, "GISettings/primaryIntegrator")) {
        const std::string name = lower(xmlTools::text(integrator));
        if (name == "finalgather") {
            if (baking) {
                primary = levels;
                const XMLElement* depth = xmlTools::find(root, "GISettings/fgDepth");
                if (depth && xmlTools::readInt(depth) > 1)
                    primary += 1;
            }
        } else if (name != "none") {
            primary = 1;
        }
    } else {
        primary = baking ? levels : 0;
    }

    uint32_t secondary = 1;
    if (const XMLElement* integrator = xmlTools::find(root, "GISettings/secondaryIntegrator"))
        secondary = lower(xmlTools::text(integrator)) == "none" ? 0 : 1;

    uint32_t perTarget = bakingPhases;
    if (readBoolOr(root, "GISettings/enableGI", defaultEnableGI))
        perTarget += primary + secondary;

    const std::string textureCustom =
        lower(xmlTools::text(xmlTools::find(root, "TextureBakeSettings/RenderComponents/customPasses/element")));
    const std::string vertexCustom =
        lower(xmlTools::text(xmlTools::find(root, "VertexBakeSettings/VertexBakeComponents/customPasses/element")));
    if (textureCustom == "ambientocclusion" && vertexCustom == "ambientocclusion" && baking) {
        const bool adaptive = readBoolOr(root, "AOSettings/aoAdaptive", defaultAoAdaptive);
        const bool bentNormals = readBoolOr(root, "AOSettings/aoBendNormals", defaultAoBentNormals);
        if (adaptive && !bentNormals)
            perTarget += levels;
    }

    uint32_t targets = 1;
    if (renderType != "render") {
        const char* path =
            renderType == "pointcloudbake" ? "PointCloudBakeSettings/targets" : "SurfaceTransferSettings/targets";
        const XMLElement* element = xmlTools::find(root, path);
        if (!element) {
            errorStream() << "Failed to find surface transfer targets destination document" << std::endl;
            return Status::FileIOError;
        }
        targets = 0;
        for (const XMLNode* child = element->FirstChild(); child; child = child->NextSibling())
            ++targets;
    }
    count = targets * perTarget;
    return Status::Success;
}

}  // namespace trv
