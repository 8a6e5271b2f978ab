#include "bake/FSTorvoLUAPass.h"

#include "core/Log.h"
#include "core/Status.h"
#include "core/Text.h"
#include "cache/FileHelpers.h"
#include "cache/NameHash.h"
#include "job/FSTorvoJob.h"
#include "core/XmlTools.h"

namespace fs = std::filesystem;

namespace trv {

TRVStatus FSTorvoLUAPass::copyScript(const std::string& scriptPath, const fs::path& scriptsDirectory)
{
    const fs::path source = toWide(scriptPath);
    std::error_code ec;
    if (scriptPath.empty() || !fs::exists(source, ec)) {
        errorStream() << scriptPath << " doesn't exist" << std::endl;
        return Status::InvalidParameter;
    }
    // Named by the hash of the host's path: the same script of two passes is one file.
    const fs::path destination = fs::absolute(scriptsDirectory) / toWide(nameHash(scriptPath) + ".lua");
    infoStream() << "Lua script " << toBytes(source.filename()) << " is stored as " << toBytes(destination)
                 << std::endl;
    try {
        if (fs::exists(destination))
            fs::remove(destination);
        fs::copy_file(source, destination);
    } catch (const fs::filesystem_error& e) {
        errorStream() << "Failed to copy the file " << scriptPath << " to the path " << toBytes(destination)
                      << ". Reason: " << e.what() << std::endl;
        return Status::FileIOError;
    }
    fs::permissions(destination, fs::perms::owner_read | fs::perms::owner_write, fs::perm_options::add, ec);
    if (ec) {
        errorStream() << "Failed to disable the read only file permission for: " << toBytes(destination)
                      << std::endl;
        return Status::FileIOError;
    }
    // The renderer runs in the job directory and resolves the script from there.
    scriptFile_ = relativePath(destination, fs::absolute(job().jobDirectory()));
    return Status::Success;
}

TRVStatus FSTorvoLUAPass::writeConfiguration(tinyxml2::XMLDocument& document)
{
    using namespace xmlTools;
    FSTorvoRenderPass::writeConfiguration(document);
    for (tinyxml2::XMLElement* components :
         {textureBakeComponents(document), vertexBakeComponents(document), pointCloudBakeComponents(document)}) {
        setText(components, "lua", true);
        setText(reset(components, "LUASettings"), "scriptFile", toBytes(fs::path(scriptFile_).make_preferred()));
    }
    return Status::Success;
}

std::string FSTorvoLUAPass::resultLayerName() const
{
    return "tpLua";
}

std::string FSTorvoLUAPass::channelName(int32_t index) const
{
    return std::to_string(index);
}

}  // namespace trv
