// One bake of one ended scene: its stages, the renderer runs and their progress.
#pragma once

#include "job/BakeFactory.h"
#include "job/PassesAndTargets.h"
#include "job/JobProgress.h"
#include "job/JobStage.h"
#include "job/TorvoJobStub.h"

#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace trv {

class JobOwner;
class FSTorvoScene;
class PipeProcessHandler;
class RenderTool;

enum class JobState : int32_t { Created = 0, Running = 1, Finished = 3 };

class FSTorvoJob : public TorvoJobStub {
public:
    // Makes the job directory (nameHash of the name under the manager's jobs directory) exist
    // and empty, and copies the caller's configuration file into it as "job.xml" (none for an
    // empty path). Throws std::filesystem::filesystem_error.
    FSTorvoJob(JobOwner* manager, std::string name, std::shared_ptr<FSTorvoScene> scene,
               const std::filesystem::path& configurationPath);
    ~FSTorvoJob() override;

    const std::string& name() const { return name_; }
    // The scene the job renders; its passes and targets take only objects of this scene.
    const std::shared_ptr<FSTorvoScene>& scene() const { return scene_; }
    const std::filesystem::path& jobDirectory() const { return jobDirectory_; }
    const std::filesystem::path& configurationPath() const { return configurationPath_; }
    const std::filesystem::path& outputDirectory() const { return outputDirectory_; }
    JobState state() const { return state_; }
    int32_t exitCode() const { return exitCode_; }
    const JobProgress& progressRecord() const { return progress_; }
    const std::vector<JobStage>& stages() const { return stages_; }
    uint32_t totalWeight() const { return totalWeight_; }
    int32_t displayMode() const { return displayMode_; }
    PassesAndTargets& passesAndTargets() { return passesAndTargets_; }
    // The short names of the next target and pass ("target0", "pass0", ...); each call counts.
    std::string nextTargetShortName() { return "target" + std::to_string(targetCounter_++); }
    std::string nextPassShortName() { return "pass" + std::to_string(passCounter_++); }
    // Puts a renderer process the job's targets started under the manager's containment.
    void containProcess(int processHandle);
    // The job result of an exit code.
    static int32_t jobResultOf(int32_t exitCode);

    [[nodiscard]] TRVStatus startJob(int32_t displayMode, int32_t distribution) override;
    [[nodiscard]] TRVStatus waitJobDone(int32_t timeoutMilliseconds) override;
    [[nodiscard]] TRVStatus isJobRunning(TRVBool* running) override;
    [[nodiscard]] TRVStatus isJobCompleted(TRVBool* completed) override;
    [[nodiscard]] TRVStatus getJobResult(int32_t* jobResult) override;
    [[nodiscard]] TRVStatus cancelJob() override;
    [[nodiscard]] TRVStatus destroyJob() override;
    [[nodiscard]] TRVStatus setJobOutputPath(const std::string& outputDirectory) override;
    [[nodiscard]] TRVStatus getJobProgress(TorvoString* title, int32_t* progress) override;
    [[nodiscard]] TRVStatus getGlobalJobProgress(int32_t* globalProgress) override;
    [[nodiscard]] TRVStatus jobHasNewProgress(TRVBool* newActivity, TRVBool* newProgress) override;
    TRVStatus createTextureTarget(const std::string& name, int32_t width, int32_t height,
                                  TorvoTargetStub*& out) override;
    TRVStatus createCameraTarget(const std::string& name, TorvoCameraStub& camera, int32_t width, int32_t height,
                                 TorvoTargetStub*& out) override;
    TRVStatus createAtlasedTextureTarget(const std::string& name, int32_t maxWidth, int32_t maxHeight,
                                         int32_t maxTextures, TorvoTargetStub*& out) override;
    TRVStatus createVertexTarget(const std::string& name, TorvoTargetStub*& out) override;
    TRVStatus createPointCloudTarget(const std::string& name, TorvoTargetStub*& out) override;
    TRVStatus createFullShadingPass(const std::string& name, TorvoRenderPassStub*& out) override;
    TRVStatus createRNMPass(const std::string& name, int32_t components, int32_t samples, int32_t basis,
                            TorvoRenderPassStub*& out) override;
    TRVStatus createLightPass(const std::string& name, int32_t bakeType, TorvoRenderPassStub*& out) override;
    TRVStatus createNormalPass(const std::string& name, TorvoRenderPassStub*& out) override;
    TRVStatus createAmbientOcclusionPass(const std::string& name, float maxDistance, float coneAngle,
                                         TorvoRenderPassStub*& out) override;
    TRVStatus createIlluminationPass(const std::string& name, int32_t mode, TorvoRenderPassStub*& out) override;
    TRVStatus createLuaPass(const std::string& name, const std::string& scriptPath,
                            TorvoRenderPassStub*& out) override;

protected:
    // Whether the scene has been ended; start refuses an open scene.
    virtual bool sceneFinalized() const;
    // The scene's XML and file list in the manager's scenes directory.
    virtual std::filesystem::path sceneXmlPath() const;
    virtual std::filesystem::path fileListPath() const;

private:
    [[nodiscard]] TRVStatus advance(bool& launched);
    void handleOutput(const std::string& piece);
    TRVStatus refuseAfterStart() const;
    // The create operations: the state rule, then the container's name and allocation rules
    // around the owner's bake factory, which make calls.
    TRVStatus createTarget(const std::string& name, TorvoTargetStub*& out,
                           const std::function<TRVStatus(BakeFactory&, BakeFactory::Target&)>& make);
    TRVStatus createPass(const std::string& name, TorvoRenderPassStub*& out,
                         const std::function<TRVStatus(BakeFactory&, BakeFactory::Pass&)>& make);

    JobProgress progress_;
    JobOwner* manager_;
    std::string name_;
    std::filesystem::path configurationPath_;
    std::shared_ptr<FSTorvoScene> scene_;
    JobState state_ = JobState::Created;
    int32_t exitCode_ = 0;
    bool completed_ = false;
    std::filesystem::path outputDirectory_;
    std::filesystem::path jobDirectory_;
    std::shared_ptr<PipeProcessHandler> processHandler_;
    uint32_t targetCounter_ = 0;
    uint32_t passCounter_ = 0;
    uint32_t stageIndex_ = 0;
    uint32_t totalWeight_ = 0;
    uint32_t doneWeight_ = 0;
    bool batchPending_ = false;
    std::string batchNames_;
    uint32_t batchWeight_ = 0;  // weights and phase estimates of the stages in the pending batch
    uint32_t batchPhases_ = 0;
    std::string currentConfigurationName_;
    std::shared_ptr<RenderTool> renderTool_;
    std::vector<JobStage> stages_;
    int32_t displayMode_ = 2;
    PassesAndTargets passesAndTargets_;
};

}  // namespace trv
