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
    static constexpr int32_t initialRenderStats = 323071;  // 0x4EDFF
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

    TRVStatus setRenderStats(int32_t flags, int32_t operation) override;
    TRVStatus addLightLinks(int32_t mode, const TRVLightHandle* lights, int32_t count) override;
    TRVStatus setMaterialOverrides(const TRVMaterialHandle* materials, int32_t count) override;
    TRVStatus addLODInstance(TorvoInstanceStub& highResInstance) override;

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
