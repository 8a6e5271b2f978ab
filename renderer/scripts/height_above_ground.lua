-- Height above the ground: how far the nearest surface straight below (along -Y) lies.
-- Values: the height three times (R, G, B, handy for viewing) and 1 where ground was found, 0
-- where nothing lies below.

-- Rays start this far below the point, so they do not stop at the point's own surface.
local start = 1e-4

function sample(px, py, pz, nx, ny, nz, u, v)
    local d = trace(px, py - start, pz, 0, -1, 0)
    if d == nil then
        return 0, 0, 0, 0
    end
    local height = d + start
    return height, height, height, 1
end
