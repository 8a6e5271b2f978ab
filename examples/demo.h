/* Parts of the demo host, one per subsystem. Each prints what it did and returns 0 on success. */
#ifndef TORVO_DEMO_H
#define TORVO_DEMO_H

#include "torvo.h"

/* Prints a status code with its text. */
void demoPrintStatus(const char* what, TRVStatus status);
/* Prints a string object's text and releases it. */
void demoPrintText(const char* label, TorvoString string);

int demoCache(TorvoManager manager);                      /* what the cache holds, where the renderer is */
int demoGeometry(TorvoManager manager);                   /* meshes and textures */
int demoScene(TorvoManager manager, TorvoScene* outScene); /* the room scene */
int demoJob(TorvoManager manager, TorvoScene scene);      /* a bake over the room */

#endif
