#include "FarmArguments.h"

#include <map>

namespace farm {

namespace fs = std::filesystem;

void FarmArguments::makeAbsolute(const fs::path& base)
{
    auto absolute = [&](fs::path& path) {
        if (path.empty() || path.is_absolute())
            return;
        path = (base / path).lexically_normal();
        // "dir/." normalises to "dir/": the directory is meant, not an empty name in it.
        if (!path.has_filename() && path.has_relative_path())
            path = path.parent_path();
    };
    absolute(sceneXml);
    absolute(fileList);
    for (fs::path& configuration : configurations)
        absolute(configuration);
    absolute(jobDirectory);
    absolute(resultDirectory);
    absolute(binDirectory);
}

namespace {

bool isSwitch(const std::string& word)
{
    for (const char* name : {"-file", "-filelist", "-cfg", "-o", "-jobdir", "-resultdir", "-bindir", "-validatesetup"})
        if (word == name)
            return true;
    return false;
}

}  // namespace

bool parseFarmArguments(const std::vector<std::string>& arguments, FarmArguments& parsed, std::string& why)
{
    parsed = FarmArguments{};
    std::map<std::string, bool> seen;
    for (size_t i = 0; i < arguments.size(); ++i) {
        const std::string& name = arguments[i];
        if (name == "-validatesetup") {
            parsed.validateSetup = true;
            continue;
        }
        fs::path* path = nullptr;
        std::string* text = nullptr;
        if (name == "-file")
            path = &parsed.sceneXml;
        else if (name == "-filelist")
            path = &parsed.fileList;
        else if (name == "-jobdir")
            path = &parsed.jobDirectory;
        else if (name == "-resultdir")
            path = &parsed.resultDirectory;
        else if (name == "-bindir")
            path = &parsed.binDirectory;
        else if (name == "-o")
            text = &parsed.outputName;
        else if (name != "-cfg") {
            why = "unknown argument " + name;
            return false;
        }
        if (i + 1 >= arguments.size() || arguments[i + 1].empty() || isSwitch(arguments[i + 1])) {
            why = "the switch " + name + " needs a value";
            return false;
        }
        const std::string& value = arguments[++i];
        if (name == "-cfg") {
            parsed.configurations.emplace_back(value);
            continue;
        }
        if (seen[name]) {
            why = "the switch " + name + " is given twice";
            return false;
        }
        seen[name] = true;
        if (path)
            *path = value;
        else
            *text = value;
    }
    for (const char* required : {"-file", "-filelist", "-jobdir", "-resultdir", "-bindir"})
        if (!seen[required]) {
            why = std::string("the switch ") + required + " is missing";
            return false;
        }
    if (!parsed.validateSetup && parsed.configurations.empty()) {
        why = "no stage to render: the switch -cfg is missing";
        return false;
    }
    return true;
}

}  // namespace farm
