// Renders the image one camera of the scene sees.
#pragma once

#include "bake/FSTorvoTarget.h"

namespace trv {

class FSTorvoCamera;

class FSTorvoCameraTarget : public FSTorvoTarget {
public:
    static constexpr const char* foreignCameraMessage =
        "Created a camera render job using camera from a different scene";

    // Whether the camera is one of the job's scene, which the target must be made with.
    static bool isCameraOf(TorvoCameraStub& camera, const FSTorvoJob& job);

    // Throws std::invalid_argument for a camera of another scene than the job's.
    FSTorvoCameraTarget(FSTorvoJob& job, std::string name, TorvoCameraStub& camera, int32_t width, int32_t height);
    ~FSTorvoCameraTarget() override;

    const FSTorvoCamera& camera() const { return *camera_; }

    TRVStatus getFramebufferCount(int32_t* count) override;
    TRVStatus getFramebuffer(int32_t index, TorvoRenderPassStub& pass, TorvoFramebufferStub*& out) override;
    TRVStatus addPass(TorvoRenderPassStub& pass) override;
    TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                 RenderTool& tool) override;
    // The pass's short name and the camera's hashed name: the stem of the rendered image.
    std::string renderOutputName(const JobPass& pass) const override;
    TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) override;

private:
    const FSTorvoCamera* camera_;
    int32_t width_;
    int32_t height_;
};

}  // namespace trv
