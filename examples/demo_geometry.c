#include "demo.h"

#include <stdio.h>

#define TEXTURE_SIZE 4

static const char* const textureNames[6] = {"demo hdr y",   "demo hdr rgb", "demo hdr rgba",
                                            "demo ldr gray", "demo ldr rgb", "demo ldr rgba"};

/* The cube with every kind of vertex data: a uv layer, colours and tangents. */
static int demoBuildCube(TorvoManager manager, TorvoMesh* outMesh)
{
    DemoCube cube;
    demoCubeGeometry(&cube);
    TRVLinearRGBA colors[24];
    for (int v = 0; v < 24; ++v)
        colors[v] = (TRVLinearRGBA){0.8f, 0.8f - 0.1f * (float)(v / 4), 0.2f, 1};
    TRVVec3* positions = cube.positions;
    TRVVec3* normals = cube.normals;
    int32_t* indices = cube.indices;

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
    failed |= TRVAddUVData(mesh, cube.faceCorners, 24) != TRV_SUCCESS;
    failed |= TRVEndUVLayer(mesh) != TRV_SUCCESS;
    failed |= TRVBeginColorLayer(mesh, "tint") != TRV_SUCCESS;
    failed |= TRVAddColorData(mesh, colors, 24) != TRV_SUCCESS;
    failed |= TRVEndColorLayer(mesh) != TRV_SUCCESS;
    failed |= TRVBeginTangents(mesh) != TRV_SUCCESS;
    failed |= TRVAddTangentData(mesh, cube.tangents, cube.bitangents, 24) != TRV_SUCCESS;
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
