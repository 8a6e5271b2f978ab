// The front end's command line, as the library builds it:
//
//   -file <scene.xml> -filelist <files.xml> [-cfg <stage.xml>]... [-o <name>] -jobdir <dir>
//   -resultdir <dir> -bindir <dir> [-validatesetup]
//
// Relative paths are relative to the directory the front end starts in.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

namespace farm {

struct FarmArguments {
    std::filesystem::path sceneXml;
    std::filesystem::path fileList;
    std::vector<std::filesystem::path> configurations;
    std::string outputName;
    std::filesystem::path jobDirectory;
    std::filesystem::path resultDirectory;
    std::filesystem::path binDirectory;
    bool validateSetup = false;

    // Every path made absolute against base (the directory the front end started in).
    void makeAbsolute(const std::filesystem::path& base);
};

// False, with why, for an unknown switch, a switch without its value, a switch given twice that
// takes one value, or a missing required switch. A run that is not a setup check needs a -cfg.
bool parseFarmArguments(const std::vector<std::string>& arguments, FarmArguments& parsed, std::string& why);

}  // namespace farm
