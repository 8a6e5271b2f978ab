#include "demo.h"

#include <stdio.h>

#define TEXTURE_SIZE 4

static const char* const textureNames[6] = {"demo hdr y",   "demo hdr rgb", "demo hdr rgba",
                                            "demo ldr gray", "demo ldr rgb", "demo ldr rgba"};

/* A unit cube: four vertices per face so that every face has its own normal, uv and tangent. */
static int demoBuildCube(TorvoManager manager, TorvoMesh* outMesh)
{
    static const float axes[6][3][3] = {
        /* normal, tangent, bitangent */
        {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}},  {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
        {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},  {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}},
        {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
    };
    static const float corners[4][2] = {{-1, -1}, {1, -1}, {1, 1}, {-1, 1}};
    TRVVec3 positions[24], normals[24], tangents[24], bitangents[24];
    TRVVec2 uvs[24];
    TRVLinearRGBA colors[24];
    int32_t indices[36];
    for (int face = 0; face < 6; ++face) {
        const float* n = axes[face][0];
        const float* t = axes[face][1];
        const float* b = axes[face][2];
        for (int c = 0; c < 4; ++c) {
            const int v = face * 4 + c;
            const float s = corners[c][0] * 0.5f, r = corners[c][1] * 0.5f;
            positions[v] = (TRVVec3){n[0] * 0.5f + t[0] * s + b[0] * r, n[1] * 0.5f + t[1] * s + b[1] * r,
                                     n[2] * 0.5f + t[2] * s + b[2] * r};
            normals[v] = (TRVVec3){n[0], n[1], n[2]};
            tangents[v] = (TRVVec3){t[0], t[1], t[2]};
            bitangents[v] = (TRVVec3){b[0], b[1], b[2]};
            uvs[v] = (TRVVec2){(corners[c][0] + 1) * 0.5f, (corners[c][1] + 1) * 0.5f};
            colors[v] = (TRVLinearRGBA){0.8f, 0.8f - 0.1f * (float)face, 0.2f, 1};
        }
        const int32_t quad[6] = {0, 1, 2, 0, 2, 3};
        for (int i = 0; i < 6; ++i)
            indices[face * 6 + i] = face * 4 + quad[i];
    }

    TorvoMesh mesh = NULL;
    TRVStatus status = TRVBeginMesh(manager, "demo cube", &mesh);
    demoPrintStatus("  TRVBeginMesh(demo cube)", status);
    if (status != TRV_SUCCESS)
        return 1;
    int failed = 0;
    failed |= TRVAddVertexData(mesh, positions, normals, 24) != TRV_SUCCESS;
    failed |= TRVBeginMaterialGroup(mesh, "sides") != TRV_SUCCESS;
    failed |= TRVAddTriangleData(mesh, indices, 24) != TRV_SUCCESS;
    failed |= TRVEndMaterialGroup(mesh) != TRV_SUCCESS;
    failed |= TRVBeginMaterialGroup(mesh, "top and bottom") != TRV_SUCCESS;
    failed |= TRVAddTriangleData(mesh, indices + 24, 12) != TRV_SUCCESS;
    failed |= TRVEndMaterialGroup(mesh) != TRV_SUCCESS;
    failed |= TRVBeginUVLayer(mesh, "lightmap") != TRV_SUCCESS;
    failed |= TRVAddUVData(mesh, uvs, 24) != TRV_SUCCESS;
    failed |= TRVEndUVLayer(mesh) != TRV_SUCCESS;
    failed |= TRVBeginColorLayer(mesh, "tint") != TRV_SUCCESS;
    failed |= TRVAddColorData(mesh, colors, 24) != TRV_SUCCESS;
    failed |= TRVEndColorLayer(mesh) != TRV_SUCCESS;
    failed |= TRVBeginTangents(mesh) != TRV_SUCCESS;
    failed |= TRVAddTangentData(mesh, tangents, bitangents, 24) != TRV_SUCCESS;
    failed |= TRVEndTangents(mesh) != TRV_SUCCESS;
    printf("  cube data given: %s\n", failed ? "refused" : "accepted");

    /* A rule the library enforces: vertices only come first. */
    demoPrintStatus("  TRVAddVertexData after the sections (refused)", TRVAddVertexData(mesh, positions, normals, 24));

    status = TRVEndMesh(mesh);
    demoPrintStatus("  TRVEndMesh", status);
    *outMesh = mesh;
    return failed || status != TRV_SUCCESS;
}

/* A small texture of each format: floats as EXR, bytes as PNG. */
static int demoBuildTextures(TorvoManager manager)
{
    int failed = 0;
    for (TRVTextureFormat format = TRV_TEXTURE_HDR_Y; format <= TRV_TEXTURE_LDR_RGBA; ++format) {
        const int components = format % 3 == 0 ? 1 : format % 3 == 1 ? 3 : 4;
        float floats[TEXTURE_SIZE * TEXTURE_SIZE * 4];
        uint8_t bytes[TEXTURE_SIZE * TEXTURE_SIZE * 4];
        for (int i = 0; i < TEXTURE_SIZE * TEXTURE_SIZE * components; ++i) {
            floats[i] = (float)i / 16.0f;
            bytes[i] = (uint8_t)(i * 4);
        }
        TorvoTexture texture = NULL;
        TRVStatus status =
            TRVBeginTexture(manager, textureNames[format], TEXTURE_SIZE, TEXTURE_SIZE, format, &texture);
        if (status == TRV_SUCCESS && format == TRV_TEXTURE_LDR_RGB)
            status = TRVSetInputGamma(texture, 0, 1.0f); /* given linear: stored as gamma 2.2 */
        /* Two calls: the first half of the rows, then the rest. */
        const int half = TEXTURE_SIZE * TEXTURE_SIZE / 2;
        if (status == TRV_SUCCESS)
            status = format <= TRV_TEXTURE_HDR_RGBA ? TRVAddPixelDataHDR(texture, floats, half)
                                                    : TRVAddPixelDataLDR(texture, bytes, half);
        if (status == TRV_SUCCESS)
            status = format <= TRV_TEXTURE_HDR_RGBA
                         ? TRVAddPixelDataHDR(texture, floats + half * components, half)
                         : TRVAddPixelDataLDR(texture, bytes + half * components, half);
        if (status == TRV_SUCCESS)
            status = TRVEndTexture(texture);
        printf("  texture \"%s\": ", textureNames[format]);
        demoPrintStatus("TRVEndTexture", status);
        failed |= status != TRV_SUCCESS;
    }
    return failed;
}

int demoGeometry(TorvoManager manager)
{
    printf("\n== Meshes and textures\n");
    /* The cache is shared between runs: drop what an earlier run left so that everything is built anew. */
    TRVEraseCachedMesh(manager, "demo cube");
    for (int i = 0; i < 6; ++i)
        TRVEraseCachedTexture(manager, textureNames[i]);

    TorvoMesh mesh = NULL;
    int failed = demoBuildCube(manager, &mesh);
    failed |= demoBuildTextures(manager);

    printf("  a second manager on the same cache finds them again:\n");
    TorvoManager second = NULL;
    TRVStatus status = TRVCreateManager("demo-cache", TRV_CACHE_SHARED, &second);
    demoPrintStatus("    TRVCreateManager", status);
    if (status != TRV_SUCCESS)
        return 1;
    TorvoMesh found = NULL;
    status = TRVFindMesh(second, "demo cube", &found);
    demoPrintStatus("    TRVFindMesh(demo cube)", status);
    failed |= status != TRV_SUCCESS;
    for (int i = 0; i < 6; ++i) {
        TorvoTexture texture = NULL;
        status = TRVFindTexture(second, textureNames[i], &texture);
        printf("    \"%s\": ", textureNames[i]);
        demoPrintStatus("TRVFindTexture", status);
        failed |= status != TRV_SUCCESS;
    }
    demoPrintStatus("    found mesh is finished, so TRVEndMesh", TRVEndMesh(found));
    demoPrintStatus("    TRVDestroyManager(second)", TRVDestroyManager(second));
    return failed;
}
