#include "bake/FSTorvoTarget.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "bake/FSTorvoRenderPass.h"
#include "bake/FSTorvoTargetEntity.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"
#include "results/FSTorvoExrFramebuffer.h"
#include "results/FSTorvoVertexFramebuffer.h"
#include "results/PointcloudReader.h"
#include "scene/FSTorvoInstance.h"

#include <ios>
#include <new>

namespace trv {

namespace {

TRVStatus refuse(const char* message)
{
    errorStream() << message << std::endl;
    return Status::NotSupported;
}

// The channel names of a result come from the pass that produced it, which the framebuffer may
// ask for as long as it lives.
ChannelNameFunction channelNamesOf(const FSTorvoRenderPass& pass)
{
    if (auto shared = pass.weak_from_this().lock())
        return [shared](int32_t index) { return shared->channelName(index); };
    return [&pass](int32_t index) { return pass.channelName(index); };
}

}  // namespace

FSTorvoTarget::FSTorvoTarget(FSTorvoJob& job, std::string name)
    : name_(std::move(name)), shortName_(job.nextTargetShortName()), job_(&job)
{
    infoStream() << "Target " << name_ << " will use short name " << shortName_ << std::endl;
}

FSTorvoTarget::~FSTorvoTarget() = default;

bool FSTorvoTarget::usesPass(const JobPass& pass) const
{
    const auto* own = dynamic_cast<const FSTorvoRenderPass*>(&pass);
    return own && passes_.count(own) != 0;
}

bool FSTorvoTarget::isTextureTarget() const
{
    return false;
}

void FSTorvoTarget::jobFinished()
{
    finished_ = true;
}

TRVStatus FSTorvoTarget::addBakeInstance(TorvoInstanceStub&, TorvoTargetEntityStub*& out)
{
    out = nullptr;
    return refuse("Tried to add bake instance to target type not supporting it");
}

TRVStatus FSTorvoTarget::addBakePointCloud(TorvoPointCloudStub&, TorvoTargetEntityStub*& out)
{
    out = nullptr;
    return refuse("Tried to add bake point cloud to target type not supporting it");
}

TRVStatus FSTorvoTarget::getFramebufferCount(int32_t*)
{
    return refuse("Tried to get framebuffer count from target type not supporting it");
}

TRVStatus FSTorvoTarget::getFramebuffer(int32_t, TorvoRenderPassStub&, TorvoFramebufferStub*& out)
{
    out = nullptr;
    return refuse("Tried to get framebuffer from target type not supporting it");
}

TRVStatus FSTorvoTarget::getVertexbuffer(TorvoRenderPassStub&, TorvoTargetEntityStub&, TorvoFramebufferStub*& out)
{
    out = nullptr;
    return refuse("Tried to get vertex buffer from target type not supporting it");
}

TRVStatus FSTorvoTarget::addPass(TorvoRenderPassStub& pass)
{
    auto* own = dynamic_cast<FSTorvoRenderPass*>(&pass);
    if (!checkNotNull("pass", own))
        return Status::InvalidHandle;
    if (&own->job() != job_) {
        errorStream() << "Pass " << own->name() << " belongs to a different TorvoJob than Target " << name_
                      << std::endl;
        return Status::InvalidHandle;
    }
    if (!passes_.insert(own).second) {
        errorStream() << "Pass " << own->name() << " already present in Target " << name_ << std::endl;
        return Status::InvalidObjectState;
    }
    return Status::Success;
}

TRVStatus FSTorvoTarget::setAtlasPadding(int32_t)
{
    return refuse("Tried to set padding on a target that is not atlased");
}

TRVStatus FSTorvoTarget::setAtlasPacking(int32_t)
{
    return refuse("Tried to set packing on a target that is not atlased");
}

TRVStatus FSTorvoTarget::setAtlasAlignment(int32_t)
{
    return refuse("Tried to set alignment on a target that is not atlased");
}

TRVStatus FSTorvoTarget::enableAtlasSpatial()
{
    return refuse("Tried to set spatial on a target that is not atlased");
}

FSTorvoRenderPass* FSTorvoTarget::ownPass(TorvoRenderPassStub& pass) const
{
    auto* own = dynamic_cast<FSTorvoRenderPass*>(&pass);
    return own && passes_.count(own) ? own : nullptr;
}

TRVStatus FSTorvoTarget::refuseUnfinished() const
{
    if (finished_)
        return Status::Success;
    errorStream() << "Tried to get a framebuffer from an unfinished target" << std::endl;
    return Status::InvalidObjectState;
}

TRVStatus FSTorvoTarget::countFramebuffers(int32_t* count, int32_t images) const
{
    if (const TRVStatus refused = refuseUnfinished())
        return refused;
    if (!checkNotNull("count", count))
        return Status::InvalidParameter;
    *count = images;
    return Status::Success;
}

std::filesystem::path FSTorvoTarget::resultFile(const std::string& fileName) const
{
    return job_->outputDirectory() / toWide(fileName);
}

TRVStatus FSTorvoTarget::openImageResult(const std::filesystem::path& file, const FSTorvoRenderPass& pass,
                                         TorvoFramebufferStub*& out)
{
    try {
        auto framebuffer = std::make_shared<FSTorvoExrFramebuffer>(file, framebuffers_, channelNamesOf(pass));
        framebuffers_.push_back(framebuffer);
        out = framebuffer.get();
        return Status::Success;
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate memory for: " << toBytes(file) << std::endl;
        return Status::MemoryAllocation;
    } catch (const std::exception& e) {
        errorStream() << "Failed to open file: " << toBytes(file) << " " << e.what() << std::endl;
        return Status::FileIOError;
    }
}

TRVStatus FSTorvoTarget::openPointResult(const std::filesystem::path& file, const FSTorvoRenderPass& pass,
                                         TorvoFramebufferStub*& out)
{
    try {
        auto framebuffer = std::make_shared<FSTorvoVertexFramebuffer>(file, framebuffers_, channelNamesOf(pass));
        framebuffers_.push_back(framebuffer);
        out = framebuffer.get();
        return Status::Success;
    } catch (const PointcloudReader::InvalidHeaderException&) {
        errorStream() << "Invalid header in point cloud: " << toBytes(file) << std::endl;
        return Status::FileIOError;
    } catch (const std::bad_alloc&) {
        errorStream() << "Failed to allocate memory for: " << toBytes(file) << std::endl;
        return Status::MemoryAllocation;
    } catch (const std::exception& e) {
        // A stream failure, or anything else that keeps the file from being read.
        errorStream() << "File reading exception when loading vertex data: " << e.what() << std::endl;
        return Status::FileIOError;
    }
}

void FSTorvoTarget::warnEmpty() const
{
    infoStream() << "Warning target " << name_ << " is empty." << std::endl;
}

TRVStatus FSTorvoTarget::checkInstance(TorvoInstanceStub& instance, const FSTorvoInstance*& checked) const
{
    checked = dynamic_cast<const FSTorvoInstance*>(&instance);
    if (!checkNotNull("instance", checked))
        return Status::InvalidHandle;
    if (checked->scene() != job_->scene().get()) {
        errorStream() << "Added instances from a different scene to texture bake target" << std::endl;
        checked = nullptr;
        return Status::InvalidHandle;
    }
    return Status::Success;
}

std::unique_ptr<tinyxml2::XMLDocument> FSTorvoTarget::copyOf(const tinyxml2::XMLDocument& base)
{
    auto document = std::make_unique<tinyxml2::XMLDocument>();
    base.DeepCopy(document.get());
    return document;
}

void FSTorvoTarget::writeSurfaceTarget(tinyxml2::XMLElement* surfaceTarget, const FSTorvoTargetEntity& entity)
{
    using namespace xmlTools;
    setText(surfaceTarget, "target", entity.source()->name());
    setText(surfaceTarget, "name", entity.name());
    const auto& partners = entity.source()->highResPartners();
    if (!partners.empty()) {
        tinyxml2::XMLElement* sources = findOrCreate(surfaceTarget, "sourceSurfaces");
        for (const FSTorvoInstance* partner : partners)
            append(sources, "element")->SetText(partner->name().c_str());
    }
}

void FSTorvoTarget::writeUVSurfaceTarget(tinyxml2::XMLElement* surfaceTarget, const FSTorvoTargetEntity& entity,
                                        const std::string& bakeUVSet)
{
    writeSurfaceTarget(surfaceTarget, entity);
    if (!bakeUVSet.empty()) {
        xmlTools::setText(surfaceTarget, "hasUVSetOverride", int32_t{1});
        xmlTools::setText(surfaceTarget, "UVSetOverride", bakeUVSet);
    }
}

TRVStatus FSTorvoTarget::normalizationRange(TorvoRenderPassStub& pass, int32_t image, const std::string& imageName,
                                            const std::string& surface, int32_t channel, float* min, float* max,
                                            const NormalizationMessages& messages)
{
    const auto* own = dynamic_cast<const FSTorvoRenderPass*>(&pass);
    if (!own)
        return Status::InvalidHandle;
    if (!ownPass(pass)) {
        errorStream() << "Render pass is not present in target" << std::endl;
        return Status::InvalidHandle;
    }
    if (!own->normalizationEnabled()) {
        errorStream() << "Normalization not enabled on this render pass" << std::endl;
        return Status::InvalidObjectState;
    }
    const auto key = std::make_pair(own, image);
    auto cached = normalizationCache_.find(key);
    if (cached == normalizationCache_.end()) {
        const auto file = resultFile("result_" + own->shortName() + "_" + imageName + ".xml");
        infoStream() << messages.loading << toBytes(file) << std::endl;
        auto map = readNormalizationDocument(file);
        // Not kept when missing: the document may still come, and a later call reads it then.
        if (!map) {
            if (messages.failure)
                errorStream() << messages.failure << std::endl;
            return Status::InvalidObjectState;
        }
        cached = normalizationCache_.emplace(key, std::move(map)).first;
    }
    const auto found = cached->second->find(surface);
    if (found == cached->second->end()) {
        infoStream() << "Cannot find normalization data for entity " << surface << "." << std::endl;
        *min = 0.0f;
        *max = 1.0f;
        return Status::Success;
    }
    const NormalizationData& data = found->second;
    if (!own->normalizePerChannel()) {
        *min = data.min;
        *max = data.max;
        return Status::Success;
    }
    if (static_cast<uint32_t>(channel) >= data.channels.size()) {
        errorStream() << "Channel " << channel << " not present in normalization data for " << surface << std::endl;
        return Status::InvalidParameter;
    }
    *min = data.channels[static_cast<uint32_t>(channel)].first;
    *max = data.channels[static_cast<uint32_t>(channel)].second;
    return Status::Success;
}

TRVStatus FSTorvoTarget::prefixChildren(tinyxml2::XMLDocument& document, const char* path, const char* child,
                                        const char* field, const std::string& prefix, const char* missingMessage)
{
    tinyxml2::XMLElement* targets = xmlTools::find(&document, path);
    if (!targets) {
        errorStream() << missingMessage << std::endl;
        return Status::Success;
    }
    for (tinyxml2::XMLElement* element = targets->FirstChildElement(child); element;
         element = element->NextSiblingElement(child)) {
        if (tinyxml2::XMLElement* name = element->FirstChildElement(field))
            xmlTools::setText(element, field, prefix + "_" + xmlTools::textOfFirstTextChild(name));
    }
    return Status::Success;
}

}  // namespace trv
