#include "job/FSTorvoJob.h"

#include "core/Checks.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "core/TorvoString.h"
#include "job/JobOwner.h"
#include "cache/FileHelpers.h"
#include "cache/NameHash.h"
#include "job/ConfigDocument.h"
#include "job/PipeProcessHandler.h"
#include "job/ProcessExceptions.h"
#include "job/RendererOutput.h"
#include "job/RenderTool.h"
#include "platform/Process.h"
#include "scene/FSTorvoScene.h"

namespace fs = std::filesystem;

namespace trv {

FSTorvoJob::FSTorvoJob(JobOwner* manager, std::string name, std::shared_ptr<FSTorvoScene> scene,
                       const fs::path& configurationPath)
    : manager_(manager), name_(std::move(name)), scene_(std::move(scene))
{
    const std::string hashed = nameHash(name_);
    jobDirectory_ = fs::absolute(manager_->cacheDirectories().jobsDirectory() / hashed);
    ensureDirectory(jobDirectory_);
    clearDirectory(jobDirectory_);
    if (!configurationPath.empty()) {
        configurationPath_ = jobDirectory_ / "job.xml";
        fs::copy_file(configurationPath, configurationPath_);
        std::error_code ec;
        fs::permissions(configurationPath_, fs::perms::owner_write, fs::perm_options::add, ec);
        if (ec)
            infoStream() << "Warning: Failed to disable the read only file permission for: "
                         << toBytes(configurationPath_) << std::endl;
    } else {
        infoStream() << "Empty job xml provided" << std::endl;
    }
    infoStream() << "Using job directory " << hashed << " for job " << name_ << "." << std::endl;
}

FSTorvoJob::~FSTorvoJob() = default;

bool FSTorvoJob::sceneFinalized() const
{
    return scene_ && scene_->isFinalized();
}

fs::path FSTorvoJob::sceneXmlPath() const
{
    return manager_->cacheDirectories().scenesDirectory() / toWide(scene_->name() + ".xml");
}

fs::path FSTorvoJob::fileListPath() const
{
    return manager_->cacheDirectories().scenesDirectory() / toWide(scene_->name() + "_files.xml");
}

void FSTorvoJob::containProcess(int processHandle)
{
    manager_->assignToContainment(processHandle);
}

int32_t FSTorvoJob::jobResultOf(int32_t exitCode)
{
    // The renderer's own failure codes 0x20000001 to 0x20000003 give the job results 2 to 4.
    constexpr int32_t rendererFailureFirst = 0x20000001;
    constexpr int32_t rendererFailureSecond = 0x20000002;
    constexpr int32_t rendererFailureThird = 0x20000003;
    constexpr int32_t jobResultFirstFailure = 2;
    switch (exitCode) {
    case 0:
        return TRV_JOB_SUCCESS;
    case platform::ExitCodeTerminated:
        return TRV_JOB_CANCELLED;
    case rendererFailureFirst:
    case rendererFailureSecond:
    case rendererFailureThird:
        return jobResultFirstFailure + (exitCode - rendererFailureFirst);
    case platform::ExitCodeCrashed:
        return TRV_JOB_RENDERER_CRASHED;
    default:
        return TRV_JOB_UNKNOWN_FAILURE;
    }
}

TRVStatus FSTorvoJob::startJob(int32_t displayMode, int32_t distribution)
{
    if (!sceneFinalized()) {
        errorStream() << "Scene needs to be finalized before rendering." << std::endl;
        return Status::InvalidObjectState;
    }
    if (state_ != JobState::Created || processHandler_) {
        errorStream() << "Job is already started." << std::endl;
        return Status::InvalidObjectState;
    }
    displayMode_ = displayMode;
    if (outputDirectory_.empty())
        outputDirectory_ = jobDirectory_ / "output";
    // Command lines name it relative to the job directory, which needs an absolute path.
    outputDirectory_ = fs::absolute(outputDirectory_);
    ensureDirectory(outputDirectory_);

    renderTool_ = manager_->createRenderTool(distribution, jobDirectory_, sceneXmlPath(), fileListPath(),
                                             outputDirectory_, displayMode_);
    if (!renderTool_) {
        errorStream() << "Error setting up rendering executable" << std::endl;
        return Status::FileIOError;
    }

    // A start that failed earlier may have left stages behind: each start builds them afresh.
    stages_.clear();
    totalWeight_ = 0;
    stageIndex_ = 0;
    doneWeight_ = 0;
    batchPending_ = false;
    batchNames_.clear();
    batchWeight_ = 0;
    batchPhases_ = 0;
    const TRVStatus built = buildStages(passesAndTargets_, jobDirectory_, configurationPath_, stages_, *renderTool_);
    if (built != Status::Success)
        return built;
    for (const JobStage& stage : stages_)
        totalWeight_ += stage.weight;
    if (stages_.empty()) {
        errorStream() << "Nothing to do in job" << std::endl;
        return Status::JobExecutionFailure;
    }
    bool launched = false;
    const TRVStatus status = advance(launched);
    if (status != Status::Success)
        return status;
    if (!launched)
        return Status::JobExecutionFailure;
    state_ = JobState::Running;
    return Status::Success;
}

TRVStatus FSTorvoJob::advance(bool& launched)
{
    launched = false;
    if (stageIndex_ >= stages_.size() && !batchPending_)
        return Status::Success;
    try {
        processHandler_.reset();
        processHandler_ = std::make_shared<PipeProcessHandler>();
        bool keepGoing = true;
        while (keepGoing && stageIndex_ < stages_.size()) {
            const JobStage& stage = stages_[stageIndex_];
            currentConfigurationName_ = toBytes(stage.configurationPath);
            uint32_t expected = 0;
            if (estimatePhases(stage.configurationPath, expected) != Status::Success)
                expected = 0;
            progress_.expectedPhases = expected;
            progress_.stageFraction = static_cast<float>(stage.weight) / static_cast<float>(totalWeight_);
            if (stageIndex_ >= 1) {
                doneWeight_ += stages_[stageIndex_ - 1].weight;
                progress_.stageBase =
                    static_cast<int32_t>(static_cast<float>(doneWeight_) / static_cast<float>(totalWeight_) * 100.0f);
                progress_.phaseCount = 0;
                progress_.newProgress = true;
            }
            renderTool_->runStage(*processHandler_, stage.configurationPath, stage, keepGoing);
            ++stageIndex_;
            if (!keepGoing) {
                manager_->assignToContainment(processHandler_->processHandle());
                launched = true;
                return Status::Success;
            }
            batchNames_ = batchNames_.empty() ? currentConfigurationName_
                                              : batchNames_ + ", " + currentConfigurationName_;
            batchPending_ = true;
            batchWeight_ += stage.weight;
            batchPhases_ += expected;
        }
        if (stageIndex_ >= stages_.size() && batchPending_) {
            launched = true;
            currentConfigurationName_ = batchNames_;
            // The batch reports the phases of all its stages as one run: its progress spans their
            // weight together, on top of the stages rendered before it, instead of only the last
            // stage's share (which would jump the global progress close to 100 at its launch).
            progress_.stageBase = static_cast<int32_t>(static_cast<float>(totalWeight_ - batchWeight_) /
                                                       static_cast<float>(totalWeight_) * 100.0f);
            progress_.stageFraction = static_cast<float>(batchWeight_) / static_cast<float>(totalWeight_);
            progress_.expectedPhases = batchPhases_;
            progress_.phaseCount = 0;
            progress_.newProgress = true;
            renderTool_->runBatch(*processHandler_);
            manager_->assignToContainment(processHandler_->processHandle());
            batchPending_ = false;
        }
    } catch (const ProcessExceptions::DuplicateHandleFailedException&) {
        errorStream() << "Could not duplicate file handles to the Torvo process." << std::endl;
        launched = false;
        return Status::FileIOError;
    } catch (const ProcessExceptions::CreateProcessFailedException&) {
        errorStream() << "Could not create process." << std::endl;
        launched = false;
        return Status::FileIOError;
    } catch (const ProcessExceptions::CreatePipeFailedException&) {
        errorStream() << "Error creating pipe for communication with Torvo process." << std::endl;
        launched = false;
        return Status::FileIOError;
    }
    return Status::Success;
}

TRVStatus FSTorvoJob::waitJobDone(int32_t timeoutMilliseconds)
{
    if (state_ != JobState::Running) {
        errorStream() << "Job is not started." << std::endl;
        return Status::InvalidObjectState;
    }
    processHandler_->wait(timeoutMilliseconds);
    if (processHandler_->outputAvailable())
        handleOutput(processHandler_->lastOutput());
    if (processHandler_->running())
        return Status::Success;

    exitCode_ = processHandler_->exitCode();
    if (exitCode_ != 0) {
        errorStream() << "Render job based on xml " << currentConfigurationName_ << " returned an error" << std::endl;
        errorStream() << "Error code: " << exitCode_ << std::endl;
        state_ = JobState::Finished;
        return Status::Success;
    }
    infoStream() << "Process returned exit code " << 0 << std::endl;
    bool launched = false;
    const TRVStatus status = advance(launched);
    if (launched)
        return status;
    if (status != Status::Success) {
        // The next stage could not be launched: the job has failed, which its result must say.
        state_ = JobState::Finished;
        exitCode_ = -1;
        processHandler_.reset();
        return status;
    }
    state_ = JobState::Finished;
    passesAndTargets_.jobFinished();
    progress_.stageBase = 100;
    progress_.phaseCount = 0;
    progress_.newProgress = true;
    processHandler_.reset();
    return Status::Success;
}

void FSTorvoJob::handleOutput(const std::string& piece)
{
    std::ostream& info = infoStream();
    info << piece;
    if (piece.find('\n') != std::string::npos)
        info.flush();
    if (readRendererOutput(piece, progress_))
        completed_ = true;
}

TRVStatus FSTorvoJob::isJobRunning(TRVBool* running)
{
    if (!checkNotNull("running", running))
        return Status::InvalidParameter;
    *running = state_ == JobState::Running ? 1 : 0;
    return Status::Success;
}

TRVStatus FSTorvoJob::isJobCompleted(TRVBool* completed)
{
    if (!checkNotNull("completed", completed))
        return Status::InvalidParameter;
    *completed = completed_ ? 1 : 0;
    return Status::Success;
}

TRVStatus FSTorvoJob::getJobResult(int32_t* jobResult)
{
    if (state_ != JobState::Finished) {
        errorStream() << "Job is not finished." << std::endl;
        return Status::InvalidObjectState;
    }
    if (!checkNotNull("jobResult", jobResult))
        return Status::InvalidParameter;
    *jobResult = jobResultOf(exitCode_);
    return Status::Success;
}

TRVStatus FSTorvoJob::cancelJob()
{
    if (state_ != JobState::Running) {
        errorStream() << "Job is not running." << std::endl;
        return Status::InvalidObjectState;
    }
    if (renderTool_)
        renderTool_->cancelHook();
    if (processHandler_) {
        processHandler_->terminate();
        exitCode_ = processHandler_->exitCode();
    }
    state_ = JobState::Finished;
    return Status::Success;
}

TRVStatus FSTorvoJob::destroyJob()
{
    if (state_ == JobState::Running) {
        const TRVStatus cancelled = cancelJob();
        if (cancelled != Status::Success)
            return cancelled;
    }
    // The manager's entry may be the last owner of this job: nothing is touched afterwards.
    return manager_->unregisterJob(*this);
}

TRVStatus FSTorvoJob::setJobOutputPath(const std::string& outputDirectory)
{
    outputDirectory_ = toWide(outputDirectory);
    return Status::Success;
}

TRVStatus FSTorvoJob::getJobProgress(TorvoString* title, int32_t* progress)
{
    if (!checkNotNull("title", title) || !checkNotNull("progress", progress))
        return Status::InvalidParameter;
    *title = handleOf<TorvoString>(makeString(progress_.title).release());
    *progress = progress_.progress;
    progress_.newActivity = false;
    progress_.newProgress = false;
    return Status::Success;
}

TRVStatus FSTorvoJob::getGlobalJobProgress(int32_t* globalProgress)
{
    if (!checkNotNull("globalProgress", globalProgress))
        return Status::InvalidParameter;
    *globalProgress = progress_.globalProgress;
    return Status::Success;
}

TRVStatus FSTorvoJob::jobHasNewProgress(TRVBool* newActivity, TRVBool* newProgress)
{
    if (!checkNotNull("newActivity", newActivity) || !checkNotNull("newProgress", newProgress))
        return Status::InvalidParameter;
    *newActivity = progress_.newActivity ? 1 : 0;
    *newProgress = progress_.newProgress ? 1 : 0;
    return Status::Success;
}

TRVStatus FSTorvoJob::refuseAfterStart() const
{
    if (state_ == JobState::Created)
        return Status::Success;
    errorStream() << "Job already started." << std::endl;
    return Status::InvalidObjectState;
}

TRVStatus FSTorvoJob::createTarget(const std::string& name, TorvoTargetStub*& out,
                                   const std::function<TRVStatus(BakeFactory&, BakeFactory::Target&)>& make)
{
    if (const TRVStatus refused = refuseAfterStart())
        return refused;
    BakeFactory::Target made;
    const TRVStatus status = passesAndTargets_.addTarget(name, [&](std::shared_ptr<JobTarget>& target) {
        const TRVStatus result = make(manager_->bakeFactory(), made);
        target = made.target;
        return result;
    });
    if (status == Status::Success)
        out = made.handle;
    return status;
}

TRVStatus FSTorvoJob::createPass(const std::string& name, TorvoRenderPassStub*& out,
                                 const std::function<TRVStatus(BakeFactory&, BakeFactory::Pass&)>& make)
{
    if (const TRVStatus refused = refuseAfterStart())
        return refused;
    BakeFactory::Pass made;
    const TRVStatus status = passesAndTargets_.addPass(name, [&](std::shared_ptr<JobPass>& pass) {
        const TRVStatus result = make(manager_->bakeFactory(), made);
        pass = made.pass;
        return result;
    });
    if (status == Status::Success)
        out = made.handle;
    return status;
}

TRVStatus FSTorvoJob::createTextureTarget(const std::string& name, int32_t width, int32_t height,
                                          TorvoTargetStub*& out)
{
    return createTarget(name, out, [&](BakeFactory& factory, BakeFactory::Target& made) {
        return factory.createTextureTarget(*this, name, width, height, made);
    });
}

TRVStatus FSTorvoJob::createCameraTarget(const std::string& name, TorvoCameraStub& camera, int32_t width,
                                         int32_t height, TorvoTargetStub*& out)
{
    return createTarget(name, out, [&](BakeFactory& factory, BakeFactory::Target& made) {
        return factory.createCameraTarget(*this, name, camera, width, height, made);
    });
}

TRVStatus FSTorvoJob::createAtlasedTextureTarget(const std::string& name, int32_t maxWidth, int32_t maxHeight,
                                                 int32_t maxTextures, TorvoTargetStub*& out)
{
    return createTarget(name, out, [&](BakeFactory& factory, BakeFactory::Target& made) {
        return factory.createAtlasedTextureTarget(*this, name, maxWidth, maxHeight, maxTextures, made);
    });
}

TRVStatus FSTorvoJob::createVertexTarget(const std::string& name, TorvoTargetStub*& out)
{
    return createTarget(name, out, [&](BakeFactory& factory, BakeFactory::Target& made) {
        return factory.createVertexTarget(*this, name, made);
    });
}

TRVStatus FSTorvoJob::createPointCloudTarget(const std::string& name, TorvoTargetStub*& out)
{
    return createTarget(name, out, [&](BakeFactory& factory, BakeFactory::Target& made) {
        return factory.createPointCloudTarget(*this, name, made);
    });
}

TRVStatus FSTorvoJob::createFullShadingPass(const std::string& name, TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createFullShadingPass(*this, name, made);
    });
}

TRVStatus FSTorvoJob::createRNMPass(const std::string& name, int32_t components, int32_t samples, int32_t basis,
                                    TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createRNMPass(*this, name, components, samples, basis, made);
    });
}

TRVStatus FSTorvoJob::createLightPass(const std::string& name, int32_t bakeType, TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createLightPass(*this, name, bakeType, made);
    });
}

TRVStatus FSTorvoJob::createNormalPass(const std::string& name, TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createNormalPass(*this, name, made);
    });
}

TRVStatus FSTorvoJob::createAmbientOcclusionPass(const std::string& name, float maxDistance, float coneAngle,
                                                 TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createAmbientOcclusionPass(*this, name, maxDistance, coneAngle, made);
    });
}

TRVStatus FSTorvoJob::createIlluminationPass(const std::string& name, int32_t mode, TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createIlluminationPass(*this, name, mode, made);
    });
}

TRVStatus FSTorvoJob::createLuaPass(const std::string& name, const std::string& scriptPath,
                                    TorvoRenderPassStub*& out)
{
    return createPass(name, out, [&](BakeFactory& factory, BakeFactory::Pass& made) {
        return factory.createLuaPass(*this, name, scriptPath, made);
    });
}

}  // namespace trv
