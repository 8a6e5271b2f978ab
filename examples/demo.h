/* Parts of the demo host, one per subsystem. Each prints what it did and returns 0 on success. */
#ifndef TORVO_DEMO_H
#define TORVO_DEMO_H

#include "torvo.h"

/* Prints a status code with its text. */
void demoPrintStatus(const char* what, TRVStatus status);
/* Prints a string object's text and releases it. */
void demoPrintText(const char* label, TorvoString string);

/* A unit cube around the origin with four vertices per face, so that every face has its own
   normal and tangent frame. Vertex v lies on face v / 4. */
typedef struct DemoCube {
    TRVVec3 positions[24], normals[24], tangents[24], bitangents[24];
    TRVVec2 faceCorners[24]; /* where each vertex lies on its face: 0 to 1 on both axes */
    int32_t indices[36];     /* two triangles per face, the faces in turn */
} DemoCube;
void demoCubeGeometry(DemoCube* cube);

/* How the bake is rendered (TRVStartJob's distribution): 0 here, 1 or 2 on a cluster. Set by
   "demo_host --distribution N". */
extern int32_t demoDistribution;
/* A small, fast bake of the same room (smaller images, fewer rays), for tests. "demo_host --quick". */
extern int demoQuick;

int demoCache(TorvoManager manager);                      /* what the cache holds, where the renderer is */
int demoGeometry(TorvoManager manager);                   /* meshes and textures */
/* The room the demo bakes: its scene and the placed pieces that get light maps. */
#define DEMO_ROOM_PIECES 7
typedef struct DemoRoom {
    TorvoScene scene;
    TorvoInstance pieces[DEMO_ROOM_PIECES];
    TorvoCamera eye; /* where a visitor stands, looking into the room */
} DemoRoom;

int demoScene(TorvoManager manager, DemoRoom* outRoom); /* the room scene */
int demoJob(TorvoManager manager, const DemoRoom* room);  /* a bake over the room */
/* Writes 8-bit RGB rows (top row first) as a PNG file; 0 on success. */
int demoWritePng(const char* path, const uint8_t* rgb, int32_t width, int32_t height);

#endif
