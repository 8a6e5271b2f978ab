// One group of a light pass: lights and the target entities they are baked onto.
#pragma once

#include "bake/PassLights.h"
#include "bake/TorvoLightPassEntryStub.h"

#include <set>

namespace trv {

class FSTorvoJob;
class FSTorvoTargetEntity;

class FSTorvoLightPassEntry : public TorvoLightPassEntryStub {
public:
    explicit FSTorvoLightPassEntry(FSTorvoJob& job);
    ~FSTorvoLightPassEntry() override;

    // Both ordered by identity, as the documents list them.
    const PassLightSet& lights() const { return lights_; }
    const std::set<const FSTorvoTargetEntity*>& targets() const { return targets_; }

    TRVStatus addLight(TorvoLightSourceStub& light) override;
    TRVStatus addTarget(TorvoTargetEntityStub& entity) override;

private:
    FSTorvoJob* job_;
    PassLightSet lights_;
    std::set<const FSTorvoTargetEntity*> targets_;
};

}  // namespace trv
