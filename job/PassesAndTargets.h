// The render passes and targets of one job, each kept by name.
#pragma once

#include "job/JobPass.h"
#include "job/JobTarget.h"

#include <functional>
#include <map>
#include <memory>
#include <string>

namespace trv {

class PassesAndTargets {
public:
    using Passes = std::map<std::string, std::shared_ptr<JobPass>>;
    using Targets = std::map<std::string, std::shared_ptr<JobTarget>>;

    // Registers what make returns under name. A name in use gives "A pass named <name> already
    // exists" (status 3); an allocation failure "Failed to allocate pass<name>" (status 2).
    TRVStatus addPass(const std::string& name, const std::function<std::shared_ptr<JobPass>()>& make);
    TRVStatus addTarget(const std::string& name, const std::function<std::shared_ptr<JobTarget>()>& make);

    const Passes& passes() const { return passes_; }
    const Targets& targets() const { return targets_; }

    // Tells every target that the job has finished.
    void jobFinished();

private:
    Passes passes_;
    Targets targets_;
};

}  // namespace trv
