// Bakes its instances into a few shared textures (atlases). When the job writes its stages, the
// renderer first packs the instances' UV charts; the layout it returns places every entity in
// one atlas, and every atlas becomes a texture of its own.
#pragma once

#include "bake/FSTorvoTarget.h"

#include <list>
#include <map>
#include <memory>
#include <vector>

namespace trv {

class FSTorvoAtlasTargetEntity;

class FSTorvoAtlasTarget : public FSTorvoTarget {
public:
    enum Packing : int32_t { Texel = 0, Block = 1 };

    FSTorvoAtlasTarget(FSTorvoJob& job, std::string name, int32_t maxWidth, int32_t maxHeight, int32_t maxTextures);
    ~FSTorvoAtlasTarget() override;

    int32_t maxWidth() const { return maxWidth_; }
    int32_t maxHeight() const { return maxHeight_; }
    int32_t maxTextures() const { return maxTextures_; }
    // -1 until the atlas has been generated.
    int32_t atlasCount() const { return atlasCount_; }
    const std::list<std::shared_ptr<FSTorvoAtlasTargetEntity>>& entities() const { return entities_; }

    TRVStatus addBakeInstance(TorvoInstanceStub& instance, TorvoTargetEntityStub*& out) override;
    TRVStatus getFramebufferCount(int32_t* count) override;
    TRVStatus getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out) override;
    TRVStatus setAtlasPadding(int32_t padding) override;
    TRVStatus setAtlasPacking(int32_t packing) override;
    TRVStatus setAtlasAlignment(int32_t alignment) override;
    TRVStatus enableAtlasSpatial() override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override;
    std::string renderOutputName(const JobPass& pass) const override;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override;

    // The range the renderer normalized entity's values of pass from, in the entity's atlas.
    TRVStatus getNormalizationData(const FSTorvoAtlasTargetEntity& entity, TorvoRenderPassStub& pass,
                                   int32_t channel, float* min, float* max);

private:
    struct Placement {
        FSTorvoAtlasTargetEntity* entity;
        int32_t atlas;
        TRVVec2 offset, scale;
    };

    std::unique_ptr<tinyxml2::XMLDocument> requestDocument(const tinyxml2::XMLDocument& base) const;
    // Turns the renderer's layout into atlas documents and placements; nothing is kept on failure.
    TRVStatus readLayout(const tinyxml2::XMLDocument& request, tinyxml2::XMLDocument& layout,
                         DocumentList& atlases, std::vector<Placement>& placements) const;
    TRVStatus readAtlas(const tinyxml2::XMLElement* texture, int32_t atlas, std::vector<Placement>& placements) const;
    std::string atlasName(int32_t index) const;

    int32_t padding_ = 0;
    int32_t packing_ = Block;
    int32_t alignment_ = 0;
    int32_t maxWidth_;
    int32_t maxHeight_;
    int32_t maxTextures_;
    bool spatial_ = false;
    std::list<std::shared_ptr<FSTorvoAtlasTargetEntity>> entities_;
    std::map<std::string, FSTorvoAtlasTargetEntity*> entityByName_;
    int32_t atlasCount_ = -1;
    DocumentList atlasDocuments_;
};

}  // namespace trv
