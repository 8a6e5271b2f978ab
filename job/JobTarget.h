// What a job needs from a target to turn it into stages and to finish it.
#pragma once

#include "torvo.h"

#include <tinyxml2.h>

#include <memory>
#include <string>
#include <vector>

namespace trv {

class JobPass;
class RenderTool;

using DocumentList = std::vector<std::unique_ptr<tinyxml2::XMLDocument>>;

class JobTarget {
public:
    virtual ~JobTarget() = default;
    // "target" followed by the job's target counter at creation.
    virtual const std::string& shortName() const = 0;
    virtual bool usesPass(const JobPass& pass) const = 0;
    // Texture targets of one pass share one stage document.
    virtual bool isTextureTarget() const = 0;
    // Appends the target's documents, each a copy of base with the target's settings.
    virtual TRVStatus writeConfiguration(const tinyxml2::XMLDocument& base, DocumentList& documents,
                                         RenderTool& tool) = 0;
    // The output name of the stage for pass; empty for most targets.
    virtual std::string renderOutputName(const JobPass& pass) const = 0;
    virtual TRVStatus prefixOutputNames(tinyxml2::XMLDocument& document, const std::string& prefix) = 0;
    // The job's last run ended successfully: results may be read.
    virtual void jobFinished() = 0;
};

}  // namespace trv
