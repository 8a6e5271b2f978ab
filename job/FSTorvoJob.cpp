#include "job/FSTorvoJob.h"

#include "api/Status.h"

namespace trv {

FSTorvoJob::FSTorvoJob(FSTorvoManager* manager, std::string name) : manager_(manager), name_(std::move(name)) {}
FSTorvoJob::~FSTorvoJob() = default;

TRVStatus FSTorvoJob::startJob(int32_t, int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::waitJobDone(int32_t) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::isJobRunning(TRVBool*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::isJobCompleted(TRVBool*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::getJobResult(int32_t*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::cancelJob() { return Status::NotImplemented; }
TRVStatus FSTorvoJob::destroyJob() { return Status::NotImplemented; }
TRVStatus FSTorvoJob::setJobOutputPath(const std::string&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::getJobProgress(TorvoString*, int32_t*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::getGlobalJobProgress(int32_t*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::jobHasNewProgress(TRVBool*, TRVBool*) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createTextureTarget(const std::string&, int32_t, int32_t, TorvoTargetStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createCameraTarget(const std::string&, TorvoCameraStub&, int32_t, int32_t, TorvoTargetStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createAtlasedTextureTarget(const std::string&, int32_t, int32_t, int32_t, TorvoTargetStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createVertexTarget(const std::string&, TorvoTargetStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createPointCloudTarget(const std::string&, TorvoTargetStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createFullShadingPass(const std::string&, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createRNMPass(const std::string&, int32_t, int32_t, int32_t, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createLightPass(const std::string&, int32_t, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createNormalPass(const std::string&, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createAmbientOcclusionPass(const std::string&, float, float, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createIlluminationPass(const std::string&, int32_t, TorvoRenderPassStub*&) { return Status::NotImplemented; }
TRVStatus FSTorvoJob::createLuaPass(const std::string&, const std::string&, TorvoRenderPassStub*&) { return Status::NotImplemented; }

}  // namespace trv
