#include "Arguments.h"

namespace torvo_renderer {

bool parseArguments(const std::vector<std::string>& args, Arguments& a, std::string& error)
{
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

}  // namespace torvo_renderer
