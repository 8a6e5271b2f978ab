// What a job needs from a render pass to turn it into stages.
#pragma once

#include "torvo.h"

#include <tinyxml2.h>

#include <string>

namespace trv {

class JobPass {
public:
    virtual ~JobPass() = default;
    // "pass" followed by the job's pass counter at creation.
    virtual const std::string& shortName() const = 0;
    // Writes the pass's settings into a stage document.
    virtual TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) = 0;
};

}  // namespace trv
