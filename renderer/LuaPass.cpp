#include "LuaPass.h"

#include "RenderError.h"

#include <lua.hpp>
#include <tbb/enumerable_thread_specific.h>

#include <cmath>
#include <limits>

namespace torvo_renderer {

namespace {

constexpr const char* sampleFunction = "sample";
// Registry keys of the ray scene and the ray counter the query functions use.
constexpr const char* sceneKey = "torvo.rays";
constexpr const char* counterKey = "torvo.counter";

struct Closed {
    void operator()(lua_State* state) const { lua_close(state); }
};
using State = std::unique_ptr<lua_State, Closed>;

const RayScene& sceneOf(lua_State* state)
{
    lua_getfield(state, LUA_REGISTRYINDEX, sceneKey);
    const auto* rays = static_cast<const RayScene*>(lua_touserdata(state, -1));
    lua_pop(state, 1);
    return *rays;
}

void countRay(lua_State* state)
{
    lua_getfield(state, LUA_REGISTRYINDEX, counterKey);
    if (auto* counter = static_cast<uint64_t*>(lua_touserdata(state, -1)))
        ++*counter;
    lua_pop(state, 1);
}

// Reads origin, direction and the optional longest distance of a ray query. No C++ object with a
// destructor lives in these functions: Lua reports argument errors by jumping out of them.
bool rayArguments(lua_State* state, Vec3& origin, Vec3& direction, float& reach)
{
    origin = {static_cast<float>(luaL_checknumber(state, 1)), static_cast<float>(luaL_checknumber(state, 2)),
              static_cast<float>(luaL_checknumber(state, 3))};
    const Vec3 d{static_cast<float>(luaL_checknumber(state, 4)), static_cast<float>(luaL_checknumber(state, 5)),
                 static_cast<float>(luaL_checknumber(state, 6))};
    reach = static_cast<float>(luaL_optnumber(state, 7, std::numeric_limits<double>::infinity()));
    direction = normalizedOr(d, {0, 0, 0});
    return isFinite(origin) && length(direction) > 0.0f && !(reach <= 0.0f) && !std::isnan(reach);
}

// trace(ox, oy, oz, dx, dy, dz [, maxDistance]): the distance to the first surface, or nil.
int trace(lua_State* state)
{
    Vec3 origin, direction;
    float reach;
    if (!rayArguments(state, origin, direction, reach))
        return luaL_error(state, "trace needs a finite origin, a direction that is not zero and a positive distance");
    countRay(state);
    RayHit hit;
    if (!sceneOf(state).intersect(origin, direction, reach, RayFilter{}, hit)) {
        lua_pushnil(state);
        return 1;
    }
    lua_pushnumber(state, hit.distance);
    return 1;
}

// occluded(ox, oy, oz, dx, dy, dz [, maxDistance]): whether any surface lies on the ray.
int occluded(lua_State* state)
{
    Vec3 origin, direction;
    float reach;
    if (!rayArguments(state, origin, direction, reach))
        return luaL_error(state, "occluded needs a finite origin, a direction that is not zero and a positive distance");
    countRay(state);
    lua_pushboolean(state, sceneOf(state).occluded(origin, direction, reach, RayFilter{}));
    return 1;
}

void tooLong(lua_State* state, lua_Debug*)
{
    luaL_error(state, "the script ran for more than %d instructions on one sample", luaInstructionLimit);
}

std::string messageOf(lua_State* state)
{
    const char* text = lua_tostring(state, -1);
    return text ? text : "an error without a message";
}

}  // namespace

struct LuaPass::States {
    tbb::enumerable_thread_specific<State> perThread;
};

// A fresh interpreter with the standard libraries but no io or os (a script computes values; it
// has no business with files or processes), the query functions, and the script run once.
static State openState(const std::filesystem::path& script, const RayScene& rays)
{
    State state(luaL_newstate());
    if (!state)
        throw RenderError(ExitCode::InternalFailure, "The Lua interpreter cannot be started");
    lua_State* L = state.get();
    for (const luaL_Reg& library : {luaL_Reg{LUA_GNAME, luaopen_base}, luaL_Reg{LUA_MATHLIBNAME, luaopen_math},
                                    luaL_Reg{LUA_STRLIBNAME, luaopen_string}, luaL_Reg{LUA_TABLIBNAME, luaopen_table}}) {
        luaL_requiref(L, library.name, library.func, 1);
        lua_pop(L, 1);
    }
    for (const char* unsafe : {"dofile", "loadfile", "load", "require"}) {
        lua_pushnil(L);
        lua_setglobal(L, unsafe);
    }
    lua_pushlightuserdata(L, const_cast<RayScene*>(&rays));
    lua_setfield(L, LUA_REGISTRYINDEX, sceneKey);
    lua_register(L, "trace", trace);
    lua_register(L, "occluded", occluded);
    if (luaL_loadfile(L, script.c_str()) != LUA_OK)
        throw badInput("Lua script does not compile: " + messageOf(L));
    lua_sethook(L, tooLong, LUA_MASKCOUNT, luaInstructionLimit);
    if (lua_pcall(L, 0, 0, 0) != LUA_OK)
        throw badInput("Lua script failed: " + messageOf(L));
    lua_getglobal(L, sampleFunction);
    const bool callable = lua_isfunction(L, -1);
    lua_pop(L, 1);
    if (!callable)
        throw badInput("Lua script " + script.filename().string() + " defines no function \"sample\"");
    return state;
}

LuaPass::LuaPass(const std::filesystem::path& script, const RayScene& rays)
    : script_(script), rays_(rays), states_(std::make_unique<States>())
{
    states_->perThread.local() = openState(script_, rays_);
}

LuaPass::~LuaPass() = default;

void LuaPass::at(const SurfacePoint& point, float u, float v, float* values, uint64_t& rays) const
{
    State& own = states_->perThread.local();
    if (!own)
        own = openState(script_, rays_);
    lua_State* L = own.get();
    lua_pushlightuserdata(L, &rays);
    lua_setfield(L, LUA_REGISTRYINDEX, counterKey);
    lua_settop(L, 0);
    lua_getglobal(L, sampleFunction);
    for (float number : {point.position.x, point.position.y, point.position.z, point.normal.x, point.normal.y,
                         point.normal.z, u, v})
        lua_pushnumber(L, number);
    constexpr int arguments = 8;
    lua_sethook(L, tooLong, LUA_MASKCOUNT, luaInstructionLimit);  // counts each call afresh
    if (lua_pcall(L, arguments, static_cast<int>(luaValueCount), 0) != LUA_OK) {
        const std::string message = messageOf(L);
        lua_settop(L, 0);
        throw badInput("Lua script failed: " + message);
    }
    for (size_t i = 0; i < luaValueCount; ++i) {
        const int index = static_cast<int>(i) + 1;
        if (lua_isnil(L, index)) {
            values[i] = 0.0f;
        } else if (lua_type(L, index) == LUA_TNUMBER) {
            values[i] = static_cast<float>(lua_tonumber(L, index));
        } else {
            const std::string type = luaL_typename(L, index);
            lua_settop(L, 0);
            throw badInput("Lua script " + script_.filename().string() + ": sample returned a " + type +
                           " as value " + std::to_string(index) + ", not a number");
        }
    }
    lua_settop(L, 0);
    lua_pushnil(L);
    lua_setfield(L, LUA_REGISTRYINDEX, counterKey);
}

}  // namespace torvo_renderer
