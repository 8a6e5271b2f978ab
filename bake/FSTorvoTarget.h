// What every target has: its names, its passes, whether the job has finished, the framebuffers
// it handed out, and the refusals of what belongs to other kinds of target.
#pragma once

#include "job/JobTarget.h"
#include "bake/TorvoTargetStub.h"
#include "results/FramebufferList.h"
#include "results/NormalizationData.h"

#include "core/Log.h"
#include "core/Status.h"

#include <algorithm>
#include <filesystem>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <utility>

namespace trv {

class FSTorvoJob;
class FSTorvoInstance;
class FSTorvoRenderPass;
class FSTorvoTargetEntity;

class FSTorvoTarget : public TorvoTargetStub, public JobTarget {
public:
    // Takes the job's next target short name and logs it.
    FSTorvoTarget(FSTorvoJob& job, std::string name);

    const std::string& name() const { return name_; }
    const std::string& shortName() const override { return shortName_; }
    FSTorvoJob& job() const { return *job_; }
    bool finished() const { return finished_; }
    // Ordered by identity; a pass may be looked up by a pointer to const.
    using PassSet = std::set<FSTorvoRenderPass*, std::less<>>;
    const PassSet& passes() const { return passes_; }
    const FramebufferList& framebuffers() const { return framebuffers_; }

    bool usesPass(const JobPass& pass) const override;
    bool isTextureTarget() const override;
    void jobFinished() override;

    TRVStatus addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out) override;
    TRVStatus addBakePointCloud(TorvoPointCloudStub& pointCloud, TorvoTargetEntityStub*& out) override;
    TRVStatus getFramebufferCount(int32_t* count) override;
    TRVStatus getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out) override;
    TRVStatus getVertexbuffer(TorvoRenderPassStub& pass, TorvoTargetEntityStub& entity,
                              TorvoFramebufferStub*& out) override;
    TRVStatus addPass(TorvoRenderPassStub& pass) override;
    TRVStatus setAtlasPadding(int32_t padding) override;
    TRVStatus setAtlasPacking(int32_t packing) override;
    TRVStatus setAtlasAlignment(int32_t alignment) override;
    TRVStatus enableAtlasSpatial() override;
    ~FSTorvoTarget() override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override = 0;
    std::string renderOutputName(const JobPass& pass) const override = 0;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override = 0;

protected:
    // The pass behind a handle when it is one of this target's passes, else null.
    FSTorvoRenderPass* ownPass(TorvoRenderPassStub& pass) const;
    // "Tried to get a framebuffer from an unfinished target" (status 5) until the job has finished.
    TRVStatus refuseUnfinished() const;
    // Hands out the number of result images once the job has finished.
    TRVStatus countFramebuffers(int32_t* count, int32_t images) const;
    // Makes the entity of an instance of the job's scene (checkInstance's refusals otherwise) and
    // appends it to entities.
    template <class Entity, class... Arguments>
    TRVStatus addInstanceEntity(TorvoInstanceStub& instance, std::list<std::shared_ptr<Entity>>& entities,
                                TorvoTargetEntityStub*& out, Arguments&... arguments)
    {
        out = nullptr;
        const FSTorvoInstance* source = nullptr;
        if (const TRVStatus refused = checkInstance(instance, source))
            return refused;
        entities.push_back(std::make_shared<Entity>(arguments..., *source));
        out = entities.back().get();
        return Status::Success;
    }
    // A result file in the job's output directory.
    std::filesystem::path resultFile(const std::string& fileName) const;
    // Loads a result file into a new framebuffer of this target labelled by pass's channel names.
    TRVStatus openImageResult(const std::filesystem::path& file, const FSTorvoRenderPass& pass,
                              TorvoFramebufferStub*& out);
    TRVStatus openPointResult(const std::filesystem::path& file, const FSTorvoRenderPass& pass,
                              TorvoFramebufferStub*& out);
    // The checks before a per-point result is opened: the job has finished, the entity is one of
    // entities (else invalidEntity, status 6) and the pass is one of this target's passes.
    template <class Entity>
    TRVStatus resolvePointResult(const std::list<std::shared_ptr<Entity>>& entities,
                                 TorvoTargetEntityStub& entity, TorvoRenderPassStub& pass,
                                 const char* invalidEntity, const Entity*& ownEntity,
                                 const FSTorvoRenderPass*& renderPass) const;
    // "Warning target <name> is empty." on the information log.
    void warnEmpty() const;
    // Whether an instance may be baked by this job's targets ("Parameter instance must not be
    // NULL." or "Added instances from a different scene to texture bake target", status 6).
    TRVStatus checkInstance(TorvoInstanceStub& instance, const FSTorvoInstance*& checked) const;
    // A copy of the document that a target's kind then fills.
    static std::unique_ptr<tinyxml2::XMLDocument> copyOf(const tinyxml2::XMLDocument& base);
    // The target, name and high-resolution source surfaces of one surface to bake.
    static void writeSurfaceTarget(tinyxml2::XMLElement* surfaceTarget, const FSTorvoTargetEntity& entity);
    // The same for a surface baked through its UVs, which may name the UV set to bake through.
    static void writeUVSurfaceTarget(tinyxml2::XMLElement* surfaceTarget, const FSTorvoTargetEntity& entity,
                                     const std::string& bakeUVSet);
    // How the renderer's normalization of a result image is told.
    struct NormalizationMessages {
        const char* loading;  // information line before the document is read, the path follows
        const char* failure;  // error line when it cannot be read; null for none
    };
    // The range the renderer normalized surface's values of pass from in result image imageName
    // ("result_" + pass + "_" + imageName + ".xml"), for one channel when the pass normalizes per
    // channel. Each image's document is read once and kept, under (pass, image).
    TRVStatus normalizationRange(TorvoRenderPassStub& pass, int32_t image, const std::string& imageName,
                                 const std::string& surface, int32_t channel, float* min, float* max,
                                 const NormalizationMessages& messages);
    // Prefixes the text of every <child>/<field> below the element at path.
    static TRVStatus prefixChildren(tinyxml2::XMLDocument& document, const char* path, const char* child,
                                    const char* field, const std::string& prefix, const char* missingMessage);

private:
    std::string name_;
    std::string shortName_;
    FSTorvoJob* job_;
    bool finished_ = false;
    PassSet passes_;
    FramebufferList framebuffers_;
    std::map<std::pair<const FSTorvoRenderPass*, int32_t>, std::shared_ptr<const NormalizationMap>>
        normalizationCache_;
};

template <class Entity>
TRVStatus FSTorvoTarget::resolvePointResult(const std::list<std::shared_ptr<Entity>>& entities,
                                            TorvoTargetEntityStub& entity, TorvoRenderPassStub& pass,
                                            const char* invalidEntity, const Entity*& ownEntity,
                                            const FSTorvoRenderPass*& renderPass) const
{
    if (const TRVStatus refused = refuseUnfinished())
        return refused;
    ownEntity = dynamic_cast<const Entity*>(&entity);
    if (!ownEntity) {
        errorStream() << invalidEntity << std::endl;
        return Status::InvalidParameter;
    }
    renderPass = ownPass(pass);
    if (!renderPass) {
        errorStream() << "Invalid renderPass" << std::endl;
        return Status::InvalidParameter;
    }
    const Entity* wanted = ownEntity;
    if (std::none_of(entities.begin(), entities.end(), [&](const auto& e) { return e.get() == wanted; })) {
        errorStream() << "Vertex target entity not part of the vertex target" << std::endl;
        return Status::InvalidParameter;
    }
    return Status::Success;
}

}  // namespace trv
