#include "TaskScript.h"

#include <fstream>

namespace farm {

std::string shellQuoted(const std::string& word)
{
    std::string quoted = "'";
    for (const char c : word) {
        if (c == '\'')
            quoted += "'\\''";
        else
            quoted += c;
    }
    return quoted + "'";
}

bool writeTaskScript(const std::filesystem::path& file, const std::vector<std::string>& command,
                     bool appendTaskIndex, std::string& why)
{
    std::string text = "#!/bin/sh\nexec";
    for (const std::string& word : command)
        text += " " + shellQuoted(word);
    if (appendTaskIndex)
        text += " \"$SLURM_ARRAY_TASK_ID\"";
    text += "\n";
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << text;
    if (!out.flush()) {
        why = "cannot write " + file.string();
        return false;
    }
    return true;
}

}  // namespace farm
