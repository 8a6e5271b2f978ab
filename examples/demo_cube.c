#include "demo.h"

void demoCubeGeometry(DemoCube* cube)
{
    static const float axes[6][3][3] = {
        /* normal, tangent, bitangent */
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    static const int32_t quad[6] = {0, 1, 2, 0, 2, 3};
    for (int face = 0; face < 6; ++face) {
        const float* n = axes[face][0];
        const float* t = axes[face][1];
        const float* b = axes[face][2];
        for (int c = 0; c < 4; ++c) {
            const int v = face * 4 + c;
            const float s = corners[c][0] * 0.5f, r = corners[c][1] * 0.5f;
            cube->positions[v] = (TRVVec3){n[0] * 0.5f + t[0] * s + b[0] * r, n[1] * 0.5f + t[1] * s + b[1] * r,
                                           n[2] * 0.5f + t[2] * s + b[2] * r};
            cube->normals[v] = (TRVVec3){n[0], n[1], n[2]};
            cube->tangents[v] = (TRVVec3){t[0], t[1], t[2]};
            cube->bitangents[v] = (TRVVec3){b[0], b[1], b[2]};
            cube->faceCorners[v] = (TRVVec2){(corners[c][0] + 1) * 0.5f, (corners[c][1] + 1) * 0.5f};
        }
        for (int i = 0; i < 6; ++i)
            cube->indices[face * 6 + i] = face * 4 + quad[i];
    }
}
