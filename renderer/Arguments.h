// The renderer's command line:
//
//   <scene.xml> [-uvpack] [-o <name>] -i <files.xml> [-x <config.xml>] [-d|-q] -cs -od <dir> [-o <atlas.xml>]
#pragma once

#include <string>
#include <vector>

namespace torvo_renderer {

struct Arguments {
    std::string scene;
    std::string fileList;
    std::string configuration;
    std::string outputName;
    std::string outputDirectory;
    std::string atlasResult;
    bool atlas = false;
};

// False with the problem in error.
bool parseArguments(const std::vector<std::string>& args, Arguments& a, std::string& error);

}  // namespace torvo_renderer
