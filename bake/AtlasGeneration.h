// The renderer's atlas run, made while the job writes its stages: the request goes to
// "atlastemp.xml" in the job directory, the renderer packs the surfaces it names and writes the
// layout to "atlasres.xml" in the output directory. The run blocks until the renderer ends; its
// output goes to the information log as it arrives.
#pragma once

#include "torvo.h"

#include <tinyxml2.h>

namespace trv {

class FSTorvoJob;
class RenderTool;

// 0 with the layout in result; 7 when a file cannot be written or read, 11 when the renderer
// cannot be run or fails, 12 when the surfaces cannot be packed within the limits.
[[nodiscard]] TRVStatus generateAtlas(FSTorvoJob& job, RenderTool& tool, const tinyxml2::XMLDocument& request,
                                      tinyxml2::XMLDocument& result);

}  // namespace trv
