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

    using MakePass = std::function<TRVStatus(std::shared_ptr<JobPass>&)>;
    using MakeTarget = std::function<TRVStatus(std::shared_ptr<JobTarget>&)>;

    // Registers what make makes under name. A name in use gives "A pass named <name> already
    // exists" (status 3) and make is not called; an allocation failure gives "Failed to allocate
    // pass<name>" (status 2); a status make answers is returned and nothing is registered.
    TRVStatus addPass(const std::string& name, const MakePass& make);
    TRVStatus addTarget(const std::string& name, const MakeTarget& make);

    const Passes& passes() const { return passes_; }
    const Targets& targets() const { return targets_; }

    // Tells every target that the job has finished.
    void jobFinished();

private:
    Passes passes_;
    Targets targets_;
};

}  // namespace trv
