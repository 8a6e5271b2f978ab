#include "job/JobCreation.h"

#include "api/Status.h"

namespace trv {

TRVStatus createJob(FSTorvoManager&, const std::string&, TorvoSceneStub&, const std::string&, TorvoJobStub*&)
{
    return Status::NotImplemented;
}

}  // namespace trv
