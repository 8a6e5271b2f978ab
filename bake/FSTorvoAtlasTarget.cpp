#include "bake/FSTorvoAtlasTarget.h"

#include "bake/AtlasGeneration.h"
#include "bake/FSTorvoAtlasTargetEntity.h"
#include "bake/FSTorvoRenderPass.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/XmlTools.h"
#include "scene/FSTorvoInstance.h"

#include <cmath>

namespace trv {

namespace {

using tinyxml2::XMLDocument;
using tinyxml2::XMLElement;

const char* const targetsPath = "KXConfig/SurfaceTransferSettings/targets";

// A UV transform read back; a value that is not a finite number would put the entity nowhere.
TRVVec2 readFiniteVec2(const XMLElement* element)
{
    TRVVec2 value{};
    xmlTools::readVec2(element, value.x, value.y);
    if (!std::isfinite(value.x) || !std::isfinite(value.y))
        throw xmlTools::XMLGetException("Value is not a finite number in " + std::string(element->Name()));
    return value;
}

TRVStatus layoutFault(const std::string& message)
{
    errorStream() << message << std::endl;
    return Status::JobExecutionFailure;
}

DocumentList copies(const DocumentList& documents)
{
    DocumentList out;
    for (const auto& document : documents) {
        auto copy = std::make_unique<XMLDocument>();
        document->DeepCopy(copy.get());
        out.push_back(std::move(copy));
    }
    return out;
}

}  // namespace

FSTorvoAtlasTarget::FSTorvoAtlasTarget(FSTorvoJob& job, std::string name, int32_t maxWidth, int32_t maxHeight,
                                       int32_t maxTextures)
    : FSTorvoTarget(job, std::move(name)), maxWidth_(maxWidth), maxHeight_(maxHeight), maxTextures_(maxTextures)
{
}

FSTorvoAtlasTarget::~FSTorvoAtlasTarget() = default;

TRVStatus FSTorvoAtlasTarget::addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out)
{
    const TRVStatus status = addInstanceEntity(instance, entities_, out, *this);
    if (status == Status::Success)
        entityByName_[entities_.back()->name()] = entities_.back().get();
    return status;
}

TRVStatus FSTorvoAtlasTarget::getFramebufferCount(int32_t* count)
{
    return countFramebuffers(count, atlasCount_);
}

TRVStatus FSTorvoAtlasTarget::getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out)
{
    out = nullptr;
    if (const TRVStatus refused = refuseUnfinished())
        return refused;
    if (index < 0 || index >= atlasCount_)
        return Status::InvalidParameter;
    const FSTorvoRenderPass* own = ownPass(pass);
    if (!own) {
        errorStream() << "Render pass is not present in target" << std::endl;
        return Status::InvalidHandle;
    }
    return openImageResult(resultFile("result_" + own->shortName() + "_" + atlasName(index) + ".exr"), *own, out);
}

TRVStatus FSTorvoAtlasTarget::setAtlasPadding(int32_t padding)
{
    padding_ = padding;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTarget::setAtlasPacking(int32_t packing)
{
    packing_ = packing;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTarget::setAtlasAlignment(int32_t alignment)
{
    alignment_ = alignment;
    return Status::Success;
}

TRVStatus FSTorvoAtlasTarget::enableAtlasSpatial()
{
    spatial_ = true;
    return Status::Success;
}

std::unique_ptr<XMLDocument> FSTorvoAtlasTarget::requestDocument(const XMLDocument& base) const
{
    using namespace xmlTools;
    auto document = copyOf(base);
    XMLElement* frame = findOrCreatePath(document.get(), "KXConfig/FrameSettings");
    setText(frame, "imageFormat", "EXRMultiLayer");
    setText(frame, "renderType", "SurfaceTransfer");
    XMLElement* targets = reset(findOrCreatePath(document.get(), "KXConfig/SurfaceTransferSettings"), "targets");
    XMLElement* texture = findOrCreate(targets, "SurfaceTransferTexture");

    XMLElement* pack = findOrCreate(texture, "UVPackSettings");
    setText(pack, "enabled", int32_t{1});
    XMLElement* resolution = findOrCreate(pack, "resolution");
    writeVec2(resolution, static_cast<float>(maxWidth_), static_cast<float>(maxHeight_));
    setText(pack, "maxTextures", maxTextures_);
    if (packing_ == Block)
        setText(pack, "type", "Block");
    else if (packing_ == Texel)
        setText(pack, "type", "Texel");
    setText(pack, "alignment", alignment_);
    setText(pack, "padding", padding_);
    setText(pack, "spatial", spatial_);

    setText(texture, "textureName", shortName());
    XMLElement* surfaces = findOrCreate(texture, "targetSurfaces");
    for (const auto& entity : entities_) {
        XMLElement* surface = append(surfaces, "SurfaceTransferTarget");
        writeUVSurfaceTarget(surface, *entity, entity->bakeUVSet());
        XMLElement* size = findOrCreate(surface, "UVPackSettings");
        if (entity->useTexelScale()) {
            setText(size, "type", "Ratio");
            setText(size, "ratioScale", entity->texelScale());
        } else {
            setText(size, "type", "Resolution");
            writeVec2(findOrCreate(size, "resolution"), static_cast<float>(entity->width()),
                      static_cast<float>(entity->height()));
        }
    }
    return document;
}

TRVStatus FSTorvoAtlasTarget::writeConfiguration(const XMLDocument& base, DocumentList& documents, RenderTool& tool)
{
    if (entities_.empty()) {
        warnEmpty();
        return Status::Success;
    }
    // Generated once per job run; every pass of the target bakes the same atlases.
    if (atlasCount_ < 0) {
        const auto request = requestDocument(base);
        XMLDocument layout;
        if (const TRVStatus failed = generateAtlas(job(), tool, *request, layout))
            return failed;
        DocumentList atlases;
        std::vector<Placement> placements;
        if (const TRVStatus failed = readLayout(*request, layout, atlases, placements))
            return failed;
        for (const Placement& placement : placements)
            placement.entity->place(placement.atlas, placement.offset, placement.scale);
        atlasDocuments_ = std::move(atlases);
        atlasCount_ = static_cast<int32_t>(atlasDocuments_.size());
    }
    for (auto& copy : copies(atlasDocuments_))
        documents.push_back(std::move(copy));
    return Status::Success;
}

TRVStatus FSTorvoAtlasTarget::readLayout(const XMLDocument& request, XMLDocument& layout, DocumentList& atlases,
                                         std::vector<Placement>& placements) const
{
    const XMLElement* targets = xmlTools::find(&layout, targetsPath);
    if (!targets)
        return layoutFault("Failed to find surface transfer targets in the generated atlas");
    int32_t index = 0;
    for (const XMLElement* texture = targets->FirstChildElement("SurfaceTransferTexture"); texture;
         texture = texture->NextSiblingElement("SurfaceTransferTexture"), ++index) {
        auto atlas = copyOf(request);
        XMLElement* atlasTargets = xmlTools::find(atlas.get(), targetsPath);
        if (!atlasTargets)
            return layoutFault("Failed to create surface transfer targets in the generated atlas");
        atlasTargets->DeleteChildren();
        atlasTargets->InsertEndChild(texture->DeepClone(atlas.get()));
        if (const TRVStatus failed = readAtlas(texture, index, placements))
            return failed;
        atlases.push_back(std::move(atlas));
    }
    return Status::Success;
}

TRVStatus FSTorvoAtlasTarget::readAtlas(const XMLElement* texture, int32_t atlas,
                                        std::vector<Placement>& placements) const
{
    const XMLElement* surfaces = texture->FirstChildElement("targetSurfaces");
    if (!surfaces)
        return layoutFault("No targetSurfaces tag found when reading back atlas information");
    for (const XMLElement* surface = surfaces->FirstChildElement("SurfaceTransferTarget"); surface;
         surface = surface->NextSiblingElement("SurfaceTransferTarget")) {
        const XMLElement* nameElement = surface->FirstChildElement("name");
        if (!nameElement)
            return layoutFault("No targetSurfaces name found when reading back atlas information");
        const std::string name = xmlTools::textOfFirstTextChild(nameElement);
        if (name.empty())
            infoStream() << "Warning: <name> tag empty in Atlas XML file." << std::endl;
        const auto entity = entityByName_.find(name);
        if (entity == entityByName_.end())
            return layoutFault("No target surface with name " + name + " found when reading back atlas information");
        const XMLElement* bias = surface->FirstChildElement("UVBias");
        const XMLElement* scale = surface->FirstChildElement("UVScale");
        if (!bias || !scale)
            return layoutFault("No offset or scale found in " + name + " when reading back atlas information");
        try {
            placements.push_back({entity->second, atlas, readFiniteVec2(bias), readFiniteVec2(scale)});
        } catch (const xmlTools::XMLGetException& e) {
            return layoutFault(std::string("Failed to read value from XML: ") + e.what());
        }
    }
    return Status::Success;
}

std::string FSTorvoAtlasTarget::renderOutputName(const JobPass&) const
{
    return {};
}

TRVStatus FSTorvoAtlasTarget::prefixOutputNames(XMLDocument& document, const std::string& prefix)
{
    return prefixChildren(document, targetsPath, "SurfaceTransferTexture", "textureName", prefix,
                          "Failed to find surface transfer targets");
}

std::string FSTorvoAtlasTarget::atlasName(int32_t index) const
{
    return shortName() + "_" + std::to_string(index);
}

TRVStatus FSTorvoAtlasTarget::getNormalizationData(const FSTorvoAtlasTargetEntity& entity, TorvoRenderPassStub& pass,
                                                   int32_t channel, float* min, float* max)
{
    // An entity the layout left out lies in no atlas, so no document holds its range.
    if (entity.atlasIndex() < 0) {
        errorStream() << "The target entity hasn't been atlased" << std::endl;
        return Status::InvalidObjectState;
    }
    static const NormalizationMessages messages{"Loading normalization data from ", "Error loading normalization data."};
    return normalizationRange(pass, entity.atlasIndex(), atlasName(entity.atlasIndex()), entity.source()->name(),
                              channel, min, max, messages);
}

}  // namespace trv
