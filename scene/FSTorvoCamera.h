// A camera of a scene; it is known to the renderer by the hash of its name.
#pragma once

#include "scene/TorvoCameraStub.h"

#include <string>

namespace trv {

class FSTorvoScene;

class FSTorvoCamera : public TorvoCameraStub {
public:
    FSTorvoCamera(FSTorvoScene* scene, std::string name, const TRVMatrix4x4& transform);
    ~FSTorvoCamera() override;

    const std::string& name() const { return name_; }
    const std::string& hashedName() const { return hashedName_; }
    FSTorvoScene* scene() const { return scene_; }
    const TRVMatrix4x4& transform() const { return transform_; }

private:
    std::string name_;
    std::string hashedName_;
    FSTorvoScene* scene_;
    TRVMatrix4x4 transform_;
};

}  // namespace trv
