#include "bake/AtlasGeneration.h"

#include "cache/FileHelpers.h"
#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "job/ConfigDocument.h"
#include "job/FSTorvoJob.h"
#include "job/PipeProcessHandler.h"
#include "job/ProcessExceptions.h"
#include "job/RenderTool.h"
#include "platform/RendererExit.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace trv {

namespace {

constexpr int32_t waitWithoutLimit = -1;

// Runs the renderer on the request and waits for its end, passing its output on. The exit code,
// or a status when it could not be run.
TRVStatus runRenderer(FSTorvoJob& job, RenderTool& tool, const std::filesystem::path& request,
                      const std::filesystem::path& result, int32_t& exitCode)
{
    try {
        PipeProcessHandler handler;
        tool.runAtlas(handler, request, result);
        job.containProcess(handler.processHandle());
        while (handler.running()) {
            handler.wait(waitWithoutLimit);
            if (!handler.outputAvailable() || handler.lastOutput().empty())
                continue;
            // Every piece is a line of its own, whether or not the renderer ended it.
            const std::string& piece = handler.lastOutput();
            infoStream() << piece;
            if (piece.back() != '\n')
                infoStream() << '\n';
            infoStream().flush();
        }
        exitCode = handler.exitCode();
        return Status::Success;
    } catch (const ProcessExceptions::CreatePipeFailedException&) {
        errorStream() << "Failed to create pipe when doing executing atlas job" << std::endl;
    } catch (const ProcessExceptions::CreateProcessFailedException&) {
        errorStream() << "Failed to create process when doing executing atlas job" << std::endl;
    } catch (const ProcessExceptions::DuplicateHandleFailedException&) {
        errorStream() << "Duplicate handle when executing atlas job" << std::endl;
    }
    return Status::JobExecutionFailure;
}

TRVStatus loadResult(const std::filesystem::path& file, tinyxml2::XMLDocument& result)
{
    std::shared_ptr<std::FILE> in;
    try {
        in = openFileShared(file, "rb");
    } catch (const std::exception&) {
    }
    if (!in) {
        errorStream() << "Failed to open file " << toBytes(file) << std::endl;
        return Status::FileIOError;
    }
    if (result.LoadFile(in.get()) != tinyxml2::XML_SUCCESS) {
        errorStream() << "Failed to parse the generated atlas XML file: " << toBytes(file) << std::endl;
        return Status::FileIOError;
    }
    return Status::Success;
}

}  // namespace

TRVStatus generateAtlas(FSTorvoJob& job, RenderTool& tool, const tinyxml2::XMLDocument& request,
                        tinyxml2::XMLDocument& result)
{
    const std::filesystem::path requestFile = tool.jobDirectory() / "atlastemp.xml";
    const std::filesystem::path resultFile = tool.outputDirectory() / "atlasres.xml";
    if (const TRVStatus failed = saveDocument(request, requestFile))
        return failed;
    // A layout left by an earlier run must not pass for this run's.
    std::error_code ignored;
    std::filesystem::remove(resultFile, ignored);

    int32_t exitCode = 0;
    if (const TRVStatus failed = runRenderer(job, tool, requestFile, resultFile, exitCode))
        return failed;
    if (exitCode == platform::ExitCodeAtlasFailed) {
        errorStream() << "Atlasing failed. Most common errors are that the atlas size is smaller than a user set "
                         "shape size. Or that the max textures critera could not be met."
                      << std::endl;
        return Status::AtlasingFailure;
    }
    if (exitCode != 0) {
        errorStream() << "Atlas generation ended with exit code " << exitCode << std::endl;
        return Status::JobExecutionFailure;
    }
    return loadResult(resultFile, result);
}

}  // namespace trv
