// Lua passes: a script computes up to four values per sample point from the point's position,
// normal and UV, with the scene's ray queries at hand. Each thread runs its own interpreter on
// the same script, so scripts that keep no state between calls give the same results whatever
// the thread count.
#pragma once

#include "RayScene.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace torvo_renderer {

// Values a script returns per sample point at most.
constexpr size_t luaValueCount = 4;
// Lua instructions one call of the script may run before it is stopped as endless.
constexpr int luaInstructionLimit = 50'000'000;

class LuaPass {
public:
    // Loads and runs the script once per thread (lazily); throws RenderError when it does not
    // compile or defines no function "sample".
    LuaPass(const std::filesystem::path& script, const RayScene& rays);
    ~LuaPass();
    LuaPass(const LuaPass&) = delete;
    LuaPass& operator=(const LuaPass&) = delete;

    // Calls sample(px, py, pz, nx, ny, nz, u, v) and writes its (up to four) numbers into values,
    // 0 for the ones it leaves out; throws RenderError naming the script line on a script error.
    void at(const SurfacePoint& point, float u, float v, float* values, uint64_t& rays) const;

private:
    struct States;
    std::filesystem::path script_;
    const RayScene& rays_;
    std::unique_ptr<States> states_;
};

}  // namespace torvo_renderer
