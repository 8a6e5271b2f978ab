-- Clearance in front of a surface: the distance to the nearest surface along the normal, up to
-- a limit. Values: the distance, the distance over the limit (0 close by, 1 free), the same again,
-- and 1 where a surface was found within the limit.

local limit = 10
local start = 1e-4  -- rays leave the surface this far out

function sample(px, py, pz, nx, ny, nz, u, v)
    local d = trace(px + nx * start, py + ny * start, pz + nz * start, nx, ny, nz, limit)
    if d == nil then
        return limit, 1, 1, 0
    end
    local distance = d + start
    return distance, distance / limit, distance / limit, 1
end
