// A cached mesh placed in a scene: transform, render stats, light links, material overrides and
// level-of-detail partners.
#pragma once

#include "scene/LightLinks.h"
#include "scene/TorvoInstanceStub.h"

#include <memory>
#include <set>
#include <string>
#include <vector>

namespace trv {

class FSTorvoScene;
class FSTorvoMesh;
class FSTorvoLightSource;

class FSTorvoInstance : public TorvoInstanceStub {
public:
    // Every render stat a new instance has: all that have a name except Opposite and ShadowBias,
    // and three bits without a name (3, 4 and 13) that are kept as they are.
    static constexpr int32_t unnamedInitialRenderStats = (1 << 3) | (1 << 4) | (1 << 13);
    static constexpr int32_t initialRenderStats =
        TRV_RS_PRIMARY_VISIBILITY | TRV_RS_CAST_SHADOWS | TRV_RS_RECEIVE_SHADOWS | TRV_RS_VISIBLE_IN_REFLECTIONS |
        TRV_RS_VISIBLE_IN_REFRACTIONS | TRV_RS_VISIBLE_IN_FG | TRV_RS_DOUBLE_SIDED | TRV_RS_CAST_GI |
        TRV_RS_RECEIVE_GI | TRV_RS_CAST_OCCLUSION | TRV_RS_RECEIVE_OCCLUSION | TRV_RS_SELF_OCCLUSION |
        unnamedInitialRenderStats;
    using Links = LightLinks<TRVLightHandle, FSTorvoLightSource>;

    FSTorvoInstance(FSTorvoScene* scene, std::string name, FSTorvoMesh* mesh, const TRVMatrix4x4& transform);
    ~FSTorvoInstance() override;

    const std::string& name() const { return name_; }
    FSTorvoScene* scene() const { return scene_; }
    FSTorvoMesh* mesh() const { return mesh_; }
    // The mesh's cache name, kept from creation so the scene never reads a mesh erased meanwhile.
    const std::string& meshName() const { return meshName_; }
    const TRVMatrix4x4& transform() const { return transform_; }
    int32_t renderStats() const { return renderStats_; }
    const Links* lightLinks() const { return lightLinks_.get(); }
    const std::vector<TRVMaterialHandle>& materialOverrides() const { return materialOverrides_; }
    const std::set<FSTorvoInstance*>& highResPartners() const { return highResPartners_; }

    [[nodiscard]] TRVStatus setRenderStats(int32_t flags, int32_t operation) override;
    [[nodiscard]] TRVStatus addLightLinks(int32_t mode, const TRVLightHandle* lights, int32_t count) override;
    [[nodiscard]] TRVStatus setMaterialOverrides(const TRVMaterialHandle* materials, int32_t count) override;
    [[nodiscard]] TRVStatus addLODInstance(TorvoInstanceStub& highResInstance) override;

private:
    std::string name_;
    FSTorvoScene* scene_;
    FSTorvoMesh* mesh_;
    std::string meshName_;
    TRVMatrix4x4 transform_;
    int32_t renderStats_ = initialRenderStats;
    std::unique_ptr<Links> lightLinks_;
    std::vector<TRVMaterialHandle> materialOverrides_;
    std::set<FSTorvoInstance*> highResPartners_;
};

}  // namespace trv
