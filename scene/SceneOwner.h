// What a scene needs from the object that owns it (the manager): its cache, the meshes it
// instances, and a way to leave the owner's table when the host releases it.
#pragma once

#include "cache/CacheDirectories.h"
#include "torvo.h"

#include <string>

namespace trv {

class FSTorvoMesh;
class FSTorvoScene;

class SceneOwner {
public:
    virtual const CacheDirectories& cacheDirectories() const = 0;
    // The mesh of the owner's table under a hashed name, or null.
    virtual FSTorvoMesh* meshByHashedName(const std::string& hashedName) const = 0;
    // Removes a released scene from the owner's table: 0, or 6 when it is not there.
    [[nodiscard]] virtual TRVStatus unregisterScene(const FSTorvoScene& scene) = 0;

protected:
    ~SceneOwner() = default;
};

}  // namespace trv
