// The output of a host's Lua script, which the renderer runs for every surface point.
#pragma once

#include "bake/FSTorvoRenderPass.h"

#include <filesystem>

namespace trv {

class FSTorvoLUAPass : public FSTorvoRenderPass {
public:
    using FSTorvoRenderPass::FSTorvoRenderPass;

    // Copies the host's script into scriptsDirectory under the hash of its path and keeps the
    // copy's path relative to the job directory. 1 when there is no such file, 7 when the copy
    // fails.
    [[nodiscard]] TRVStatus copyScript(const std::string& scriptPath, const std::filesystem::path& scriptsDirectory);
    const std::filesystem::path& scriptFile() const { return scriptFile_; }

    TRVStatus writeConfiguration(tinyxml2::XMLDocument& document) override;
    std::string resultLayerName() const override;
    std::string channelName(int32_t index) const override;

private:
    std::filesystem::path scriptFile_;
};

}  // namespace trv
