// The renderer program. It is started by the library with the job directory as its working
// directory and its output on the job's progress channel: every message goes out in one write.
//
//   <scene.xml> [-uvpack] [-o <name>] -i <files.xml> [-x <config.xml>] [-d|-q] -cs -od <dir> [-o <atlas.xml>]
//
// This build checks its inputs and reports the phases it goes through; it renders nothing yet.
#include "RendererChecks.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

// One message, in one write, flushed.
void say(const std::string& text)
{
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
}

void title(const std::string& text)
{
    say("[PROGRESS] Progress Title: " + text);
}

void progress(int value)
{
    say("[PROGRESS] Progress " + std::to_string(value));
}

int fail(const std::string& error)
{
    say("Error: " + error);
    return 1;
}

struct Arguments {
    std::string scene;
    std::string fileList;
    std::string configuration;
    std::string outputName;
    std::string outputDirectory;
    std::string atlasResult;
    bool atlas = false;
};

bool parse(int argc, char** argv, Arguments& a, std::string& error)
{
    std::vector<std::string> args(argv + 1, argv + argc);
    if (args.empty()) {
        error = "No scene file given";
        return false;
    }
    a.scene = args[0];
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& s = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size()) {
                error = "Switch " + s + " needs a value";
                return false;
            }
            into = args[++i];
            return true;
        };
        if (s == "-uvpack") {
            a.atlas = true;
        } else if (s == "-o") {
            // Before -i it names the output; after -od (atlas runs) the atlas result.
            if (!value(a.outputDirectory.empty() ? a.outputName : a.atlasResult))
                return false;
        } else if (s == "-i") {
            if (!value(a.fileList))
                return false;
        } else if (s == "-x") {
            if (!value(a.configuration))
                return false;
        } else if (s == "-od") {
            if (!value(a.outputDirectory))
                return false;
        } else if (s == "-d" || s == "-q" || s == "-cs") {
        } else {
            error = "Unknown switch " + s;
            return false;
        }
    }
    if (a.fileList.empty()) {
        error = "No file list given (-i)";
        return false;
    }
    if (a.outputDirectory.empty()) {
        error = "No output directory given (-od)";
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    using namespace torvo_renderer;
    static char buffer[1 << 16];
    std::setvbuf(stdout, buffer, _IOFBF, sizeof buffer);

    Arguments arguments;
    std::string error;
    if (!parse(argc, argv, arguments, error))
        return fail(error);

    title("Checking scene");
    progress(0);
    if (!checkSceneDocument(systemPath(arguments.scene), error))
        return fail(error);
    progress(100);

    title("Checking geometry");
    progress(0);
    std::vector<std::filesystem::path> meshes;
    if (!readFileList(systemPath(arguments.fileList), meshes, error))
        return fail(error);
    for (size_t i = 0; i < meshes.size(); ++i) {
        if (!checkMeshFile(meshes[i], error))
            return fail(error);
        progress(static_cast<int>((i + 1) * 100 / meshes.size()));
    }
    if (meshes.empty())
        progress(100);

    if (!arguments.configuration.empty()) {
        title("Checking configuration");
        progress(0);
        if (!checkConfigurationDocument(systemPath(arguments.configuration), error))
            return fail(error);
        progress(100);
    }

    std::error_code ec;
    if (!std::filesystem::is_directory(systemPath(arguments.outputDirectory), ec))
        return fail("Output directory not found: " + arguments.outputDirectory);

    if (arguments.atlas)
        return fail("Atlas layouts are not produced by this renderer");
    say("Done rendering!");
    return 0;
}
