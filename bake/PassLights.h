// The lights a pass names. The renderer knows lights by name, so only the job's own scene
// light of that name may be named.
#pragma once

#include "core/Handles.h"

#include <set>

namespace trv {

class FSTorvoJob;
class FSTorvoLightSource;

using PassLightSet = std::set<const FSTorvoLightSource*>;

// Inserts light: 1 (no message) when the handle is no light source, 6 with "Light source <name>
// added to unrelated pass" when it is not the job's scene light, 3 with "Light source <name>
// already added to pass" when the set holds it.
[[nodiscard]] TRVStatus addPassLight(const FSTorvoJob& job, TorvoLightSourceStub& light, PassLightSet& lights);

}  // namespace trv
