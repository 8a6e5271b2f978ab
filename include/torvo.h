/*
 * torvo.h - public interface of the torvo32 light-baking library.
 *
 * A host describes meshes, textures and a scene through these functions; the library keeps them
 * as files in a cache directory, runs the renderer program once per bake stage and reads the baked
 * results back. This file is the whole contract: each family of functions below begins with what
 * it does, the statuses it returns and who releases what it hands out.
 *
 * A typical bake: a light map for one object (checking of the returned statuses left out).
 *
 *     TorvoManager manager = NULL;
 *     TRVSetStringEncoding(TRV_ENCODING_UTF8);             once per process, before anything else
 *     TRVCreateManager("bake-cache", TRV_CACHE_SHARED, &manager);
 *
 *     TorvoMesh mesh = NULL;                               a finished mesh is found again by name
 *     if (TRVFindMesh(manager, "crate", &mesh) != TRV_SUCCESS) {
 *         TRVBeginMesh(manager, "crate", &mesh);
 *         TRVAddVertexData(mesh, positions, normals, vertexCount);
 *         TRVBeginMaterialGroup(mesh, "wood");
 *         TRVAddTriangleData(mesh, indices, indexCount);
 *         TRVEndMaterialGroup(mesh);
 *         TRVBeginUVLayer(mesh, "lightmap");
 *         TRVAddUVData(mesh, uvs, vertexCount);
 *         TRVEndUVLayer(mesh);
 *         TRVEndMesh(mesh);                                writes the mesh file into the cache
 *     }
 *
 *     TorvoScene scene = NULL;
 *     TorvoInstance crate = NULL;
 *     TorvoLightSource lamp = NULL;
 *     TRVBeginScene(manager, "yard", &scene);
 *     TRVCreateInstance(scene, mesh, "crate 1", &cratePlacement, &crate);
 *     TRVCreatePointLight(scene, "lamp", &lampPlacement, &warmWhite, &lamp);
 *     TRVEndScene(scene);                                  writes the scene files; no changes after
 *
 *     TorvoJob job = NULL;
 *     TorvoTarget target = NULL;
 *     TorvoRenderPass pass = NULL;
 *     TRVCreateJob(manager, "yard bake", scene, "bake_config.xml", &job);
 *     TRVCreateTextureTarget(job, "crate lightmap", 512, 512, &target);
 *     TRVAddBakeInstance(target, crate, NULL);
 *     TRVCreateFullShadingPass(job, "light", &pass);
 *     TRVAddPassToTarget(target, pass);
 *
 *     TRVBool running = 1;
 *     int32_t jobResult = -1;
 *     TRVStartJob(job, 2, TRV_DISTRIBUTION_LOCAL);         starts the renderer on the first stage
 *     while (running) {
 *         TRVWaitJobDone(job, 100);                        handles at most one renderer message
 *         TRVIsJobRunning(job, &running);
 *     }
 *     TRVGetJobResult(job, &jobResult);                    TRV_JOB_SUCCESS when every run succeeded
 *
 *     TorvoFramebuffer lightmap = NULL;
 *     TRVGetFramebuffer(target, pass, 0, &lightmap);
 *     TRVReadRegionHDR(lightmap, 0, 0, 512, 512, TRV_CHANNEL_RGB, pixels);   512 x 512 x 3 floats
 *     TRVDestroyFramebuffer(lightmap);
 *
 *     TRVDestroyJob(job);
 *     TRVReleaseScene(scene);
 *     TRVDestroyManager(manager);                          the cache keeps the mesh file
 *
 * Statuses
 * --------
 * Every function returns a TRVStatus; TRV_SUCCESS (0) is the only success. A failure writes one
 * line to the error log, which TRVGetExtendErrorInformation hands back. Besides the statuses each
 * family lists, every function taking a handle returns TRV_INVALID_HANDLE for a null handle (and
 * then touches nothing, out arguments included), and every function returns
 * TRV_UNHANDLED_EXCEPTION for a failure caught at the library's boundary, among them caller text
 * that the chosen encoding cannot convert. No function lets an exception reach the host. When a
 * call that creates or finds an object fails otherwise, its out handle is NULL.
 *
 * Ownership
 * ---------
 * A handle is the library's own object; the host never frees it with anything but the function
 * named for it. The manager owns its meshes, textures, scenes and jobs; a scene owns its
 * instances, cameras, point clouds, lights and materials; a job owns its targets and passes (and
 * keeps its scene alive); a target owns its entities and the framebuffers it handed out. A handle
 * stays valid while its owner keeps the object. What the host releases itself:
 *   - string objects (TorvoString) from TRVErrorToString, TRVGetExtendErrorInformation,
 *     TRVGetJobProgress and TRVGetChannelName: TRVReleaseString, once each;
 *   - framebuffers from TRVGetFramebuffer and TRVGetVertexbuffer: TRVDestroyFramebuffer (or they
 *     go with their target's job);
 *   - jobs: TRVDestroyJob (or TRVExecuteTorvo, or the manager's destruction);
 *   - scenes: TRVReleaseScene (the scene lives on while a job holds it);
 *   - the manager: TRVDestroyManager, which releases everything above that is still alive.
 *     TRVCreateManager can hand out a manager together with a failure status (its cache could
 *     not be set up); that manager is destroyed the same way.
 * Text passed in is read in the chosen encoding (zero-terminated; NULL is the empty text) and
 * copied; value records and arrays passed by pointer are copied too.
 *
 * Threads
 * -------
 * Every function does its work on the calling thread and returns when it is done (the waiting
 * functions block up to their timeout). The calls that touch one manager, or anything it owns,
 * are made from one thread at a time. The logs keep their lines and the last error per thread, so
 * TRVGetExtendErrorInformation reports the calling thread's own last error. The string encoding
 * is process-wide: choose it once, before the first call that passes or returns text.
 *
 * Calls at the same time on different threads:
 *   - on different managers and on what each of them handed out (meshes, textures, scenes and
 *     their objects, jobs, targets, passes, framebuffers): yes, also when the managers share a
 *     cache directory. TRVCreateManager: at any time.
 *   - on different objects of one manager, the manager included: no. They share the manager's
 *     tables and files; make those calls one after the other (from any thread).
 *   - on the same object: no.
 *   - TRVSetLogTarget, TRVErrorToString, TRVGetExtendErrorInformation, TRVDumpMemoryStats: at any
 *     time. A new log target applies to the next line of every thread.
 *   - string objects: different ones at the same time, each from one thread at a time.
 *   - TRVSetStringEncoding: at any time, but text converted before the encoding is chosen is read
 *     in the default encoding.
 * Managers on one cache directory, in one process or several, share its meshes and textures. A
 * manager created while another one lives leaves the live one's scenes, jobs and temporary files
 * in place (and says so in the information log); two live managers must not use the same scene
 * or job names. The renderer processes the library starts inherit no open files of the host but
 * their output.
 */
#ifndef TORVO_H
#define TORVO_H

#include <stdint.h>

#if defined(_WIN32)
#  if defined(TORVO_BUILDING_LIBRARY)
#    define TRV_API __declspec(dllexport)
#  else
#    define TRV_API __declspec(dllimport)
#  endif
#elif defined(__GNUC__)
#  define TRV_API __attribute__((visibility("default")))
#else
#  define TRV_API
#endif

#ifdef __cplusplus
#  define TRV_EXTERN_C extern "C"
#else
#  define TRV_EXTERN_C
#endif

#define TRV_FUNC(ret) TRV_EXTERN_C TRV_API ret

/* Version of this interface; TRVCreateManager passes it to the library. */
#define TRV_INTERFACE_VERSION 4

/* ---------------------------------------------------------------- handles */
#define TRV_DECLARE_HANDLE(name) typedef struct name##_T* name
TRV_DECLARE_HANDLE(TorvoManager);
TRV_DECLARE_HANDLE(TorvoScene);
TRV_DECLARE_HANDLE(TorvoMesh);
TRV_DECLARE_HANDLE(TorvoTexture);
TRV_DECLARE_HANDLE(TorvoInstance);
TRV_DECLARE_HANDLE(TorvoCamera);
TRV_DECLARE_HANDLE(TorvoLightSource);
TRV_DECLARE_HANDLE(TorvoMaterial);
TRV_DECLARE_HANDLE(TorvoPointCloud);
TRV_DECLARE_HANDLE(TorvoJob);
TRV_DECLARE_HANDLE(TorvoTarget);
TRV_DECLARE_HANDLE(TorvoTargetEntity);
TRV_DECLARE_HANDLE(TorvoRenderPass);
TRV_DECLARE_HANDLE(TorvoLightPassEntry);
TRV_DECLARE_HANDLE(TorvoFramebuffer);
TRV_DECLARE_HANDLE(TorvoString);
#undef TRV_DECLARE_HANDLE

typedef TorvoLightSource TRVLightHandle;
typedef TorvoInstance TRVInstanceHandle;
typedef TorvoMaterial TRVMaterialHandle;

/* ---------------------------------------------------------- plain values */
typedef int32_t TRVStatus;
/* Every boolean argument and out-boolean: 0 is false, any other value true. */
typedef int32_t TRVBool;

#pragma pack(push, 1)
typedef struct TRVVec2 { float x, y; } TRVVec2;
typedef struct TRVVec3 { float x, y, z; } TRVVec3;
typedef struct TRVLinearRGB { float r, g, b; } TRVLinearRGB;
typedef struct TRVLinearRGBA { float r, g, b, a; } TRVLinearRGBA;
typedef struct TRVMatrix4x4 { float m[16]; } TRVMatrix4x4;
#pragma pack(pop)

/* Status codes (TRVErrorToString gives their text). */
enum {
    TRV_SUCCESS = 0,
    TRV_INVALID_PARAMETER = 1,
    TRV_MEMORY_ALLOCATION = 2,
    TRV_DUPLICATE_NAME = 3,
    TRV_NOT_IMPLEMENTED = 4,
    TRV_INVALID_OBJECT_STATE = 5,
    TRV_INVALID_HANDLE = 6,
    TRV_FILE_IO_ERROR = 7,
    TRV_UNKNOWN_OBJECT = 8,
    TRV_NOT_SUPPORTED = 9,
    TRV_UNHANDLED_EXCEPTION = 10,
    TRV_JOB_EXECUTION_FAILURE = 11,
    TRV_ATLASING_FAILURE = 12
};

/* String encodings (TRVSetStringEncoding). */
typedef int32_t TRVStringEncoding;
enum {
    TRV_ENCODING_ANSI = 0,
    TRV_ENCODING_UTF8 = 1,
    TRV_ENCODING_UTF16 = 2,
    TRV_ENCODING_UTF32 = 3
};

/* Log kinds and targets (TRVSetLogTarget). */
enum { TRV_LOG_ERROR = 0, TRV_LOG_INFO = 1 };
enum {
    TRV_LOG_TARGET_NONE = 0,
    TRV_LOG_TARGET_STDOUT = 1,
    TRV_LOG_TARGET_STDERR = 2,
    TRV_LOG_TARGET_FILE = 3,
    TRV_LOG_TARGET_DEBUGGER = 4
};

/* Cache scopes (TRVCreateManager). */
enum { TRV_CACHE_SHARED = 0, TRV_CACHE_PER_MANAGER = 1 };

/* Texture input formats. */
typedef int32_t TRVTextureFormat;
enum {
    TRV_TEXTURE_HDR_Y = 0,
    TRV_TEXTURE_HDR_RGB = 1,
    TRV_TEXTURE_HDR_RGBA = 2,
    TRV_TEXTURE_LDR_Y = 3,
    TRV_TEXTURE_LDR_RGB = 4,
    TRV_TEXTURE_LDR_RGBA = 5
};

/* Render stats of an instance. */
typedef int32_t TRVRenderStats;
enum {
    TRV_RS_PRIMARY_VISIBILITY = 1,
    TRV_RS_CAST_SHADOWS = 2,
    TRV_RS_RECEIVE_SHADOWS = 4,
    TRV_RS_VISIBLE_IN_REFLECTIONS = 32,
    TRV_RS_VISIBLE_IN_REFRACTIONS = 64,
    TRV_RS_VISIBLE_IN_FG = 128,
    TRV_RS_DOUBLE_SIDED = 256,
    TRV_RS_OPPOSITE = 512,
    TRV_RS_CAST_GI = 1024,
    TRV_RS_RECEIVE_GI = 2048,
    TRV_RS_CAST_OCCLUSION = 16384,
    TRV_RS_RECEIVE_OCCLUSION = 32768,
    TRV_RS_SELF_OCCLUSION = 262144,
    TRV_RS_SHADOW_BIAS = 524288
};
enum { TRV_RSOP_ENABLE = 0, TRV_RSOP_DISABLE = 1 };

/* Light links: mode 0 excludes the listed objects, any other value includes them. */
enum { TRV_LINK_EXCLUSIVE = 0, TRV_LINK_INCLUSIVE = 1 };

/* Environment camera types. */
enum { TRV_ENV_CUBEMAP = 0, TRV_ENV_BALL = 1, TRV_ENV_LATLONG = 2 };

/* Falloff types. */
enum { TRV_FALLOFF_STANDARD = 0, TRV_FALLOFF_UNREAL = 1 };

/* Material channels. */
enum {
    TRV_CHANNEL_DIFFUSE = 0,
    TRV_CHANNEL_SPECULAR = 1,
    TRV_CHANNEL_EMISSIVE = 2,
    TRV_CHANNEL_TRANSPARENCY = 3,
    TRV_CHANNEL_SHININESS = 4,
    TRV_CHANNEL_REFLECTION = 5
};

/* Job distribution and job results. */
enum { TRV_DISTRIBUTION_LOCAL = 0, TRV_DISTRIBUTION_PREFERRED = 1, TRV_DISTRIBUTION_ONLY = 2 };
enum {
    TRV_JOB_SUCCESS = 0,
    TRV_JOB_CANCELLED = 1,
    TRV_JOB_RENDERER_CRASHED = 5,
    TRV_JOB_UNKNOWN_FAILURE = 0x10000001
};

/* Light pass bake types. */
enum { TRV_LIGHTPASS_LIGHTMAP = 0, TRV_LIGHTPASS_SHADOWMAP = 1, TRV_LIGHTPASS_FULLSHADING = 2 };

/* Framebuffer channel selections. */
enum {
    TRV_CHANNEL_R = 0, TRV_CHANNEL_G = 1, TRV_CHANNEL_B = 2, TRV_CHANNEL_A = 3,
    TRV_CHANNEL_Z = 4, TRV_CHANNEL_RGB = 5, TRV_CHANNEL_RGBA = 6, TRV_CHANNEL_RGBAZ = 7,
    TRV_CHANNEL_ALL = 8
};

/* ---------------------------------------------------- frame and errors */
/*
 * The functions of no object: status texts, the last error, the string encoding, the logs, and
 * the creation and destruction of a manager.
 *
 * TRVErrorToString: the text of a status ("Success", "Invalid parameter", ...) as a new string
 *   object, which the caller releases. TRV_INVALID_PARAMETER and a NULL string for a code outside
 *   0 to 12.
 * TRVGetExtendErrorInformation: the calling thread's last error line, with its line feed (empty
 *   before the first error), as a new string object, which the caller releases.
 * TRVSetStringEncoding (TRVSetStringEncodingImp): the encoding of all text passed in and handed
 *   out, for the whole process; until it is chosen, TRV_ENCODING_ANSI (the 8-bit code page of the
 *   system: the locale's codeset on POSIX). TRV_ENCODING_UTF32 serves text handed out only: text
 *   passed in then fails with TRV_UNHANDLED_EXCEPTION. The first call decides; a later call
 *   returns TRV_SUCCESS when it names the same encoding, TRV_INVALID_OBJECT_STATE otherwise.
 * TRVCreateManager (TRVCreateManagerImp): a manager on a cache directory, which is created when
 *   missing; its "scenes", "temp", "jobs" and "scripts" directories are emptied (unless another
 *   live manager, of this process or another, uses the cache), and the meshes and textures cached
 *   in it are found. With TRV_CACHE_SHARED later managers find by name what
 *   this one writes; TRV_CACHE_PER_MANAGER keeps the names of this manager to itself.
 *   TRV_INVALID_PARAMETER for an interface version other than TRV_INTERFACE_VERSION (the out
 *   argument is left as it was) or an unknown cache scope; TRV_MEMORY_ALLOCATION;
 *   TRV_FILE_IO_ERROR when the cache cannot be set up or read. A manager that was made is handed
 *   out also with a failure status, and is then the caller's to destroy.
 * TRVDestroyManager: releases the manager and everything it still holds (its jobs, textures,
 *   scenes and meshes, in that order). The cache stays on disk.
 * TRVDumpMemoryStats: does nothing.
 * TRVSetLogTarget (TRVSetLogTargetImp): where the lines of one log (TRV_LOG_ERROR or TRV_LOG_INFO)
 *   go, for every thread: nowhere (the default), standard output, standard error, a file (lines
 *   appended) or the debugger (the system log on POSIX). TRV_INVALID_PARAMETER for an unknown log
 *   or target kind, a file target without a name, or a file that cannot be opened (the setting
 *   stays: threads that log for the first time later try the file again).
 */
TRV_FUNC(TRVStatus) TRVErrorToString(TRVStatus status, TorvoString* outString);
TRV_FUNC(TRVStatus) TRVGetExtendErrorInformation(TorvoString* outString);
TRV_FUNC(TRVStatus) TRVSetStringEncodingImp(TRVStringEncoding encoding);
TRV_FUNC(TRVStatus) TRVCreateManagerImp(int32_t interfaceVersion, const void* cacheDirectory,
                                        int32_t cacheScope, TorvoManager* outManager);
TRV_FUNC(TRVStatus) TRVDestroyManager(TorvoManager manager);
TRV_FUNC(TRVStatus) TRVDumpMemoryStats(void);
TRV_FUNC(TRVStatus) TRVSetLogTargetImp(int32_t logKind, int32_t targetKind, const void* fileName);

#define TRVCreateManager(cacheDirectory, cacheScope, outManager) \
    TRVCreateManagerImp(TRV_INTERFACE_VERSION, (cacheDirectory), (cacheScope), (outManager))
#define TRVSetStringEncoding(encoding) TRVSetStringEncodingImp(encoding)
#define TRVSetLogTarget(logKind, targetKind, fileName) \
    TRVSetLogTargetImp((logKind), (targetKind), (fileName))

/* ---------------------------------------------------------------- strings */
/*
 * String objects: text the library hands out, in the encoding chosen for the process.
 * TRVGetLength: the number of units, the terminating zero included (bytes for ANSI and UTF-8,
 *   16-bit units for UTF-16, 32-bit units for UTF-32).
 * TRVCopy: copies the text and its terminating zero into target when capacity (in units) is at
 *   least that length; otherwise, or for a NULL target, TRV_INVALID_PARAMETER and nothing written.
 * TRVReleaseString: destroys the object; its handle is invalid afterwards.
 */
TRV_FUNC(TRVStatus) TRVGetLength(TorvoString string, int32_t* outLength);
TRV_FUNC(TRVStatus) TRVCopy(TorvoString string, void* target, int32_t capacity);
TRV_FUNC(TRVStatus) TRVReleaseString(TorvoString string);

/* ---------------------------------------------------------------- manager */
/*
 * The manager: meshes and textures in the cache, found again by name, and the scenes and jobs.
 * Mesh and texture names are hashed into file names, so any text is a usable name.
 * TRVBeginMesh, TRVBeginTexture, TRVReferenceTexture: begin a mesh; begin a texture of width x
 *   height pixels of a TRVTextureFormat; or make a cached copy of an existing image file (".exr",
 *   ".png", ".dds", ".jpg", ".jpeg", ".tif", ".tiff", ".tga", ".bmp" or ".hdr", any case), which
 *   is ended from the start. TRV_DUPLICATE_NAME when the name is taken, also by a file found in
 *   the cache; TRV_INVALID_PARAMETER for a size not above 0, a missing image or an unsupported
 *   extension; TRV_FILE_IO_ERROR when the copy fails.
 * TRVFindMesh, TRVFindTexture: the object of a name, begun by this manager or found in the cache
 *   when it was created. TRV_UNKNOWN_OBJECT when there is none.
 * TRVEraseCachedMesh, TRVEraseCachedTexture: forget the object and remove its file; its handle is
 *   invalid afterwards. TRV_UNKNOWN_OBJECT for an unknown name; TRV_FILE_IO_ERROR when the file
 *   cannot be removed.
 * TRVClearCache: empties the "meshes", "scenes", "textures" and "temp" directories and forgets
 *   every mesh and texture (their handles become invalid). TRV_INVALID_OBJECT_STATE while a scene
 *   has not been released; TRV_FILE_IO_ERROR when the directories cannot be cleared.
 * TRVBeginScene: a new, open scene. Its name names its files: TRV_INVALID_PARAMETER for a name
 *   that is not usable as a file name (empty, control characters, any of < > : " / \ |, a
 *   trailing space or dot); TRV_DUPLICATE_NAME when a live scene of the manager has the name or
 *   files of the same names.
 * TRVCreateJob: a job over a scene, with the host's configuration document (copied into the job's
 *   own directory). TRV_DUPLICATE_NAME for a job name in use; TRV_INVALID_HANDLE for a scene that
 *   is not one of this library; TRV_FILE_IO_ERROR when the configuration file does not exist or
 *   the job directory cannot be made.
 * TRVSetTorvoPath: the directory of the renderer's executables, which are otherwise looked for
 *   in "bin" under the directory TORVO_ROOT names, then next to the library. TRV_FILE_IO_ERROR
 *   when it holds none.
 */
TRV_FUNC(TRVStatus) TRVBeginMesh(TorvoManager manager, const void* meshName, TorvoMesh* outMesh);
TRV_FUNC(TRVStatus) TRVBeginScene(TorvoManager manager, const void* sceneName, TorvoScene* outScene);
TRV_FUNC(TRVStatus) TRVReferenceTexture(TorvoManager manager, const void* textureName,
                                        const void* imagePath, TorvoTexture* outTexture);
TRV_FUNC(TRVStatus) TRVBeginTexture(TorvoManager manager, const void* textureName, int32_t width,
                                    int32_t height, TRVTextureFormat format, TorvoTexture* outTexture);
TRV_FUNC(TRVStatus) TRVFindMesh(TorvoManager manager, const void* meshName, TorvoMesh* outMesh);
TRV_FUNC(TRVStatus) TRVFindTexture(TorvoManager manager, const void* textureName, TorvoTexture* outTexture);
TRV_FUNC(TRVStatus) TRVEraseCachedMesh(TorvoManager manager, const void* meshName);
TRV_FUNC(TRVStatus) TRVEraseCachedTexture(TorvoManager manager, const void* textureName);
TRV_FUNC(TRVStatus) TRVClearCache(TorvoManager manager);
TRV_FUNC(TRVStatus) TRVCreateJob(TorvoManager manager, const void* jobName, TorvoScene scene,
                                 const void* configurationPath, TorvoJob* outJob);
TRV_FUNC(TRVStatus) TRVSetTorvoPath(TorvoManager manager, const void* binariesDirectory);

/* ----------------------------------------------------------------- meshes */
/*
 * Meshes are built in this order: the vertices (positions and normals, in one or more calls);
 * then sections, each begun, filled and ended: any number of material groups of triangles (three
 * vertex indices each), uv layers (one uv per vertex), at most one colour layer (one colour per
 * vertex) and at most one set of tangents with bitangents (one each per vertex); at least one
 * section. TRVEndMesh writes the mesh file into the cache. The handle stays valid after the end,
 * for instances, until the mesh is erased, the cache cleared or the manager destroyed.
 * Statuses: TRV_INVALID_PARAMETER for a NULL vertex or normal array, a count not above 0, an index
 *   count that is not a positive multiple of 3, or an index outside the vertices;
 *   TRV_INVALID_OBJECT_STATE for a call out of order, more uvs, colours or tangents than vertices,
 *   a section ended short, or any call after the end; TRV_DUPLICATE_NAME for a second uv layer of
 *   one name; TRV_NOT_SUPPORTED for a second colour layer or set of tangents;
 *   TRV_MEMORY_ALLOCATION; TRV_FILE_IO_ERROR from TRVEndMesh when the file cannot be written (the
 *   mesh stays open and the end can be repeated). A refused call changes nothing.
 */
TRV_FUNC(TRVStatus) TRVAddVertexData(TorvoMesh mesh, const TRVVec3* vertexData, const TRVVec3* normalData,
                                     int32_t vertexCount);
TRV_FUNC(TRVStatus) TRVEndMesh(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVBeginMaterialGroup(TorvoMesh mesh, const void* materialName);
TRV_FUNC(TRVStatus) TRVEndMaterialGroup(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVAddTriangleData(TorvoMesh mesh, const int32_t* indexData, int32_t indexCount);
TRV_FUNC(TRVStatus) TRVBeginUVLayer(TorvoMesh mesh, const void* layerName);
TRV_FUNC(TRVStatus) TRVEndUVLayer(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVAddUVData(TorvoMesh mesh, const TRVVec2* uvData, int32_t uvCount);
TRV_FUNC(TRVStatus) TRVBeginColorLayer(TorvoMesh mesh, const void* layerName);
TRV_FUNC(TRVStatus) TRVEndColorLayer(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVAddColorData(TorvoMesh mesh, const TRVLinearRGBA* colorData, int32_t colorCount);
TRV_FUNC(TRVStatus) TRVBeginTangents(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVEndTangents(TorvoMesh mesh);
TRV_FUNC(TRVStatus) TRVAddTangentData(TorvoMesh mesh, const TRVVec3* tangentData, const TRVVec3* bitangentData,
                                      int32_t tangentCount);

/* --------------------------------------------------------------- textures */
/*
 * Textures built pixel by pixel, in calls of any size, until width x height pixels are given:
 * floats (TRVAddPixelDataHDR) for the HDR formats, written as EXR; bytes (TRVAddPixelDataLDR) for
 * the LDR formats, written as PNG. TRVSetInputGamma, before the first pixel of an LDR texture,
 * names the gamma of the bytes given (they are stored at gamma 2.2). TRVEndTexture writes the
 * image into the cache; materials and lights use the texture from then on.
 * Statuses: TRV_INVALID_PARAMETER for a pixel count not above 0, more pixels than the texture
 *   holds, or a gamma value not above 0; TRV_INVALID_OBJECT_STATE for pixels of the other kind, a
 *   gamma after the first pixel or on an HDR texture, an end before every pixel is given, or any
 *   call after the end; TRV_FILE_IO_ERROR from TRVEndTexture when the image cannot be written (the
 *   end can be repeated).
 */
TRV_FUNC(TRVStatus) TRVAddPixelDataHDR(TorvoTexture texture, const float* pixelData, int32_t pixelCount);
TRV_FUNC(TRVStatus) TRVAddPixelDataLDR(TorvoTexture texture, const uint8_t* pixelData, int32_t pixelCount);
TRV_FUNC(TRVStatus) TRVSetInputGamma(TorvoTexture texture, int32_t gammaType, float gammaValue);
TRV_FUNC(TRVStatus) TRVEndTexture(TorvoTexture texture);

/* ----------------------------------------------------------------- scenes */
/*
 * A scene: instances of meshes, cameras, lights, materials and point clouds, each name unique
 * within its kind. TRVEndScene writes the scene's files into the cache and freezes the scene: jobs
 * bake ended scenes only, and nothing is added or changed afterwards. TRVReleaseScene takes the
 * scene from the manager; the scene and its objects live on while a job holds them, and their
 * handles stay valid as long.
 * Statuses: TRV_DUPLICATE_NAME for a name taken in its kind; TRV_INVALID_OBJECT_STATE for any
 *   change after TRVEndScene, and for a second end; TRV_INVALID_HANDLE for a mesh of another
 *   manager, and from TRVReleaseScene for a scene released before; TRV_UNKNOWN_OBJECT from
 *   TRVFindMaterial for an unknown name; TRV_MEMORY_ALLOCATION; TRV_FILE_IO_ERROR from
 *   TRVEndScene when a file cannot be written.
 */
TRV_FUNC(TRVStatus) TRVReleaseScene(TorvoScene scene);
TRV_FUNC(TRVStatus) TRVCreateInstance(TorvoScene scene, TorvoMesh mesh, const void* instanceName,
                                      const TRVMatrix4x4* transform, TorvoInstance* outInstance);
TRV_FUNC(TRVStatus) TRVCreatePerspectiveCamera(TorvoScene scene, const void* cameraName,
                                               const TRVMatrix4x4* transform, TorvoCamera* outCamera);
TRV_FUNC(TRVStatus) TRVCreateEnvironmentCamera(TorvoScene scene, const void* cameraName,
                                               const TRVMatrix4x4* transform, int32_t environmentType,
                                               TorvoCamera* outCamera);
TRV_FUNC(TRVStatus) TRVCreatePointLight(TorvoScene scene, const void* lightName, const TRVMatrix4x4* transform,
                                        const TRVLinearRGB* color, TorvoLightSource* outLight);
TRV_FUNC(TRVStatus) TRVCreateSpotLight(TorvoScene scene, const void* lightName, const TRVMatrix4x4* transform,
                                       const TRVLinearRGB* color, TorvoLightSource* outLight);
TRV_FUNC(TRVStatus) TRVCreateDirectionalLight(TorvoScene scene, const void* lightName,
                                              const TRVMatrix4x4* transform, const TRVLinearRGB* color,
                                              TorvoLightSource* outLight);
TRV_FUNC(TRVStatus) TRVCreateAreaLight(TorvoScene scene, const void* lightName, const TRVMatrix4x4* transform,
                                       const TRVLinearRGB* color, TorvoLightSource* outLight);
TRV_FUNC(TRVStatus) TRVCreateWindowLight(TorvoScene scene, const void* lightName, const TRVMatrix4x4* transform,
                                         const TRVLinearRGB* color, TorvoLightSource* outLight);
TRV_FUNC(TRVStatus) TRVCreateMaterial(TorvoScene scene, const void* materialName, TorvoMaterial* outMaterial);
TRV_FUNC(TRVStatus) TRVFindMaterial(TorvoScene scene, const void* materialName, TorvoMaterial* outMaterial);
TRV_FUNC(TRVStatus) TRVCreatePointCloud(TorvoScene scene, const void* pointCloudName,
                                        TorvoPointCloud* outPointCloud);
TRV_FUNC(TRVStatus) TRVEndScene(TorvoScene scene);

/* ------------------------------------- instances, cameras, point clouds */
/*
 * Instances: render stats (TRV_RS_* flags, switched on with TRV_RSOP_ENABLE or off with
 * TRV_RSOP_DISABLE), light links (TRV_LINK_EXCLUSIVE or TRV_LINK_INCLUSIVE, fixed by the first
 * call; later calls add lights), one material override, and level-of-detail partners from the same
 * scene. Cameras: the horizontal field of view (radians, 0 to pi) and the pixel aspect ratio of a
 * perspective camera. Point clouds: points with normals, in calls of any size; TRVEndPointCloud
 * writes them to the point cloud's file.
 * Statuses: TRV_INVALID_PARAMETER for an unknown render-stat operation, a field of view outside
 *   0 to pi, a negative aspect ratio, or a level-of-detail partner given twice;
 *   TRV_INVALID_OBJECT_STATE for light links of the other mode; TRV_NOT_IMPLEMENTED for more than
 *   one material override; TRV_INVALID_HANDLE for a field of view on an environment camera, or a
 *   partner that is not another instance of the same scene; TRV_MEMORY_ALLOCATION for points;
 *   TRV_UNHANDLED_EXCEPTION when the point cloud's file cannot be written.
 */
TRV_FUNC(TRVStatus) TRVSetRenderStats(TorvoInstance instance, TRVRenderStats flags, int32_t operation);
TRV_FUNC(TRVStatus) TRVAddInstanceLightLinks(TorvoInstance instance, int32_t mode, const TRVLightHandle* lights,
                                             int32_t count);
TRV_FUNC(TRVStatus) TRVSetMaterialOverrides(TorvoInstance instance, const TRVMaterialHandle* materials,
                                            int32_t count);
TRV_FUNC(TRVStatus) TRVAddLODInstance(TorvoInstance lowResInstance, TorvoInstance highResInstance);
TRV_FUNC(TRVStatus) TRVSetFov(TorvoCamera camera, float horizontalFov, float pixelAspectRatio);
TRV_FUNC(TRVStatus) TRVAddPointCloudData(TorvoPointCloud pointCloud, const TRVVec3* positions,
                                         const TRVVec3* normals, int32_t count);
TRV_FUNC(TRVStatus) TRVEndPointCloud(TorvoPointCloud pointCloud);

/* ----------------------------------------------------------------- lights */
/*
 * Light settings. Every kind takes shadow casting, shadow samples, intensity scales and light
 * links (as for instances). Beyond those: point lights a shadow radius, falloff and a colour ramp;
 * spot lights the same, a cone and a projected texture (which need not be ended); directional
 * lights a shadow angle; area lights falloff; window lights a shadow angle and falloff. A setting
 * the kind does not take is refused with TRV_INVALID_HANDLE. Ramp entries come in order of their
 * position, from 0 to 1.
 * Statuses: TRV_INVALID_PARAMETER for a value out of its range (a negative radius, exponent,
 *   cutoff or scale; an angle outside 0 to pi; a cone with its penumbra beyond a full turn; shadow
 *   samples not above 0; a ramp position out of order) or a texture handle that is not a texture;
 *   TRV_INVALID_OBJECT_STATE for light links of the other mode; TRV_INVALID_HANDLE as said.
 */
TRV_FUNC(TRVStatus) TRVSetShadowRadius(TorvoLightSource light, float radius);
TRV_FUNC(TRVStatus) TRVSetShadowAngle(TorvoLightSource light, float angle);
TRV_FUNC(TRVStatus) TRVSetCastShadows(TorvoLightSource light, TRVBool castShadows);
TRV_FUNC(TRVStatus) TRVSetShadowSamples(TorvoLightSource light, int32_t samples);
TRV_FUNC(TRVStatus) TRVAddLightLightLinks(TorvoLightSource light, int32_t mode, const TRVInstanceHandle* instances,
                                          int32_t count);
TRV_FUNC(TRVStatus) TRVSetFalloff(TorvoLightSource light, int32_t type, float exponent, float cutoff,
                                  TRVBool clampToOne);
TRV_FUNC(TRVStatus) TRVSetSpotlightCone(TorvoLightSource light, float coneAngle, float penumbraAngle,
                                        float penumbraExponent);
TRV_FUNC(TRVStatus) TRVSetIntensityScale(TorvoLightSource light, float directScale, float indirectScale);
TRV_FUNC(TRVStatus) TRVSetLightRampEntry(TorvoLightSource light, float position, const TRVLinearRGB* color);
TRV_FUNC(TRVStatus) TRVSetLightProjectedTexture(TorvoLightSource light, TorvoTexture texture);

/* -------------------------------------------------------------- materials */
/*
 * Materials: per channel (TRV_CHANNEL_DIFFUSE to TRV_CHANNEL_REFLECTION) a colour, a scale, an
 * ended texture, vertex colours, and the uv layer the channel reads; alpha as transparency; and
 * the global-illumination corrections and scales, none of them negative.
 * Statuses: TRV_INVALID_PARAMETER for a channel outside 0 to 5, a colour on the shininess channel,
 *   a NULL uv layer name or a negative global-illumination value; TRV_INVALID_OBJECT_STATE for a
 *   channel setting once the scene is ended, or a texture not yet ended; TRV_INVALID_HANDLE for a
 *   texture handle that is not a texture; TRV_NOT_SUPPORTED for a colour on the reflection channel
 *   and for textures on the shininess and reflection channels.
 */
TRV_FUNC(TRVStatus) TRVSetMaterialColor(TorvoMaterial material, int32_t channel, const TRVLinearRGBA* color);
TRV_FUNC(TRVStatus) TRVSetMaterialScale(TorvoMaterial material, int32_t channel, float scale);
TRV_FUNC(TRVStatus) TRVSetMaterialTexture(TorvoMaterial material, int32_t channel, TorvoTexture texture);
TRV_FUNC(TRVStatus) TRVSetMaterialUseVertexColors(TorvoMaterial material, int32_t channel);
TRV_FUNC(TRVStatus) TRVSetChannelUVLayer(TorvoMaterial material, int32_t channel, const void* uvLayerName);
TRV_FUNC(TRVStatus) TRVSetAlphaAsTransparency(TorvoMaterial material, TRVBool alphaAsTransparency);
TRV_FUNC(TRVStatus) TRVSetPrimaryGICorrection(TorvoMaterial material, float intensity, float saturation);
TRV_FUNC(TRVStatus) TRVSetSecondaryGICorrection(TorvoMaterial material, float intensity, float saturation);
TRV_FUNC(TRVStatus) TRVSetGIScale(TorvoMaterial material, float diffuseBoost, float emissiveScale,
                                  float specularScale);

/* ------------------------------------------------------------------- jobs */
/*
 * A job bakes one ended scene. The host gives it targets (where results go) and passes (what is
 * computed), below, then starts it: TRVStartJob writes one configuration document per stage into
 * the job's directory and starts the renderer on the first. Each TRVWaitJobDone waits up to its
 * timeout (-1: no limit) for one message of the renderer or for its end, and starts the next
 * stage when a run has ended well. The job runs until its last run ends, a run fails or it is
 * cancelled; then TRVGetJobResult tells how it went (TRV_JOB_SUCCESS, TRV_JOB_CANCELLED, 2 to 4
 * for failures the renderer reports, TRV_JOB_RENDERER_CRASHED, TRV_JOB_UNKNOWN_FAILURE), and the
 * targets of a successful job hand out results.
 * TRVStartJob: displayMode 0 or 1 passes the renderer its display switch (-d or -q), other values
 *   none; distribution TRV_DISTRIBUTION_LOCAL renders here, TRV_DISTRIBUTION_PREFERRED distributes
 *   when the distributed front end is there and takes the job, TRV_DISTRIBUTION_ONLY always
 *   distributes.
 * TRVSetJobOutputPath: the directory of the results, read when the job starts; by default
 *   "output" in the job's directory.
 * TRVGetJobProgress: the title of the current phase as a new string object, which the caller
 *   releases, and its progress from 0 to 100. TRVGetGlobalJobProgress: the progress of the whole
 *   job, 0 to 100. TRVJobHasNewProgress: whether a new phase began, and whether the progress
 *   changed, since TRVGetJobProgress last read them. TRVIsJobCompleted: whether the renderer
 *   reported that it was done.
 * TRVDestroyJob: cancels a running job and releases it with its targets, passes, entities and
 *   framebuffers; its files stay until the next manager on the cache is created.
 * TRVExecuteTorvo: starts the job, waits for its end and destroys it, in one blocking call (the
 *   manager argument is not used), handing out its job result. The job handle is invalid
 *   afterwards in every case.
 * Statuses: from TRVStartJob, TRV_INVALID_OBJECT_STATE when the scene is not ended or the job was
 *   started before; TRV_FILE_IO_ERROR when no renderer is found, a stage document cannot be
 *   written or the renderer cannot be started; TRV_JOB_EXECUTION_FAILURE when there is nothing to
 *   do or the atlas layout run fails; TRV_ATLASING_FAILURE when the atlases cannot be laid out.
 *   From TRVWaitJobDone and TRVCancelJob, TRV_INVALID_OBJECT_STATE when the job is not running;
 *   a failed renderer run is no failure of the wait (the job result tells it), but a next stage
 *   that cannot be started is (TRV_FILE_IO_ERROR, and the job is over). From TRVGetJobResult,
 *   TRV_INVALID_OBJECT_STATE before the job is over. From the queries, TRV_INVALID_PARAMETER for a
 *   NULL out pointer. From TRVExecuteTorvo, the statuses of TRVStartJob, or
 *   TRV_JOB_EXECUTION_FAILURE when the job result is not TRV_JOB_SUCCESS. From the functions that
 *   create targets and passes, TRV_INVALID_OBJECT_STATE once the job is started,
 *   TRV_DUPLICATE_NAME for a name used by another pass or target of the job,
 *   TRV_MEMORY_ALLOCATION, and the statuses of their settings (passes and targets below).
 */
TRV_FUNC(TRVStatus) TRVStartJob(TorvoJob job, int32_t displayMode, int32_t distribution);
TRV_FUNC(TRVStatus) TRVWaitJobDone(TorvoJob job, int32_t timeoutMilliseconds);
TRV_FUNC(TRVStatus) TRVIsJobRunning(TorvoJob job, TRVBool* outRunning);
TRV_FUNC(TRVStatus) TRVIsJobCompleted(TorvoJob job, TRVBool* outCompleted);
TRV_FUNC(TRVStatus) TRVSetJobOutputPath(TorvoJob job, const void* outputDirectory);
TRV_FUNC(TRVStatus) TRVGetJobProgress(TorvoJob job, TorvoString* outTitle, int32_t* outProgress);
TRV_FUNC(TRVStatus) TRVGetGlobalJobProgress(TorvoJob job, int32_t* outGlobalProgress);
TRV_FUNC(TRVStatus) TRVJobHasNewProgress(TorvoJob job, TRVBool* outNewActivity, TRVBool* outNewProgress);
TRV_FUNC(TRVStatus) TRVGetJobResult(TorvoJob job, int32_t* outJobResult);
TRV_FUNC(TRVStatus) TRVCancelJob(TorvoJob job);
TRV_FUNC(TRVStatus) TRVDestroyJob(TorvoJob job);
TRV_FUNC(TRVStatus) TRVExecuteTorvo(TorvoManager manager, TorvoJob job, int32_t displayMode,
                                    int32_t distribution, int32_t* outJobResult);

/* ----------------------------------------------------------------- passes */
/*
 * Render passes say what a job computes: full shading, normals, illumination (with the lights
 * given to TRVAddFullyBakedLight baked in fully), radiosity normal maps (components 0 to 2,
 * samples at least 0, a basis), ambient occlusion (a maximum distance at least 0, a cone angle of
 * 0 to 180 degrees), a Lua script (copied into the cache) and light passes (bake type
 * TRV_LIGHTPASS_*; each entry pairs lights with the target entities they are baked into). A setter
 * belongs to one kind of pass (the RNM setters to RNM passes, TRVSetAO* and TRVEnableAOBentNormals
 * to ambient occlusion passes, TRVCreateLightPassEntry and TRVEnableSignedDistanceField to light
 * passes); another kind refuses it with TRV_INVALID_HANDLE. TRVNormalizeTextures has the pass's
 * results normalized per surface (or per channel); TRVGetNormalizationData reads the ranges back.
 * Statuses: TRV_INVALID_PARAMETER for a setting out of its range, a light or entity handle of the
 *   wrong kind, or a Lua script that does not exist; TRV_INVALID_HANDLE for a light or entity of
 *   another scene; TRV_DUPLICATE_NAME for a light or entity given twice; TRV_INVALID_OBJECT_STATE
 *   for adaptive sampling together with bent normals, or a signed distance field on a light pass
 *   that is not a shadow map; TRV_NOT_SUPPORTED for an RNM basis the renderer lacks;
 *   TRV_FILE_IO_ERROR when the Lua script cannot be copied.
 */
TRV_FUNC(TRVStatus) TRVCreateFullShadingPass(TorvoJob job, const void* name, TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateNormalPass(TorvoJob job, const void* name, TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateIlluminationPass(TorvoJob job, const void* name, int32_t mode,
                                              TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateRNMPass(TorvoJob job, const void* name, int32_t components, int32_t samples,
                                     int32_t basis, TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateAmbientOcclusionPass(TorvoJob job, const void* name, float maxDistance,
                                                  float coneAngle, TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateLuaPass(TorvoJob job, const void* name, const void* scriptPath,
                                     TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVCreateLightPass(TorvoJob job, const void* name, int32_t bakeType, TorvoRenderPass* outPass);
TRV_FUNC(TRVStatus) TRVNormalizeTextures(TorvoRenderPass pass, TRVBool perChannel);
TRV_FUNC(TRVStatus) TRVAddFullyBakedLight(TorvoRenderPass pass, TorvoLightSource light);
TRV_FUNC(TRVStatus) TRVSetLambertianClamp(TorvoRenderPass pass, float value);
TRV_FUNC(TRVStatus) TRVSetAllowNegative(TorvoRenderPass pass, int32_t mode);
TRV_FUNC(TRVStatus) TRVIncludeNormalComponent(TorvoRenderPass pass);
TRV_FUNC(TRVStatus) TRVRNMMatchNormalIntensity(TorvoRenderPass pass);
TRV_FUNC(TRVStatus) TRVSetAOAdaptive(TorvoRenderPass pass, float accuracy, float smooth);
TRV_FUNC(TRVStatus) TRVSetAONumRays(TorvoRenderPass pass, int32_t minRays, int32_t maxRays);
TRV_FUNC(TRVStatus) TRVSetAOContrast(TorvoRenderPass pass, float contrast, float scale);
TRV_FUNC(TRVStatus) TRVSetAOUniformSampling(TorvoRenderPass pass);
TRV_FUNC(TRVStatus) TRVSetAOSelfOcclusion(TorvoRenderPass pass, int32_t mode);
TRV_FUNC(TRVStatus) TRVEnableAOBentNormals(TorvoRenderPass pass);
TRV_FUNC(TRVStatus) TRVCreateLightPassEntry(TorvoRenderPass pass, TorvoLightPassEntry* outEntry);
TRV_FUNC(TRVStatus) TRVAddLightToPass(TorvoLightPassEntry entry, TorvoLightSource light);
TRV_FUNC(TRVStatus) TRVAddTargetToPass(TorvoLightPassEntry entry, TorvoTargetEntity entity);
TRV_FUNC(TRVStatus) TRVEnableSignedDistanceField(TorvoRenderPass pass, int32_t pixelFilterSize,
                                                 float maxWorldDistance);

/* ---------------------------------------------------------------- targets */
/*
 * Targets say where a job's results go: textures over the surfaces of chosen instances (texture
 * target, width x height), the image of a camera (camera target), the vertices of chosen
 * instances (vertex target), the points of point clouds (point cloud target), or atlases that pack
 * many instances into at most maxTextures textures of at most maxWidth x maxHeight (atlased
 * texture target, tuned with TRVSetAtlasPadding, TRVSetAtlasPacking, TRVSetAtlasAlignment and
 * TRVEnableAtlasSpatial). Each instance or point cloud added makes a target entity (its out handle
 * may be NULL). The entity of a texture target can bake another uv set (TRVSetBakeUVSet) or into
 * a part of the texture (TRVSetUVTransform: offset and scale, two floats each); the entity of an
 * atlased target has a fixed resolution or a texel scale. A target bakes every pass added to it.
 * Once the job has ended successfully: TRVGetFramebufferCount (1, or the number of atlases),
 * TRVGetFramebuffer (the image of a pass: index 0, or the atlas), TRVGetVertexbuffer (the values
 * of one entity's vertices or points), TRVGetAtlasInformation (an entity's atlas, and its offset
 * and scale there, two floats each) and TRVGetNormalizationData (the range a normalizing pass
 * mapped an entity's results from: per channel, or for the whole surface). Every framebuffer
 * handed out is a new object, which the caller destroys with TRVDestroyFramebuffer (or which goes
 * with the job).
 * Statuses: TRV_NOT_SUPPORTED for a call the target's kind does not take (an instance on a point
 *   cloud target, a framebuffer of a vertex target, atlas settings on a target without atlases);
 *   TRV_INVALID_HANDLE for an entity call the entity's kind does not take, an instance, camera or
 *   pass of another scene or job, or a pass the target does not have; TRV_INVALID_PARAMETER for a
 *   value out of its range, an index out of range, or a pass the target cannot bake (camera
 *   targets take full shading passes only, vertex targets no normal passes, point cloud targets
 *   Lua passes only); TRV_INVALID_OBJECT_STATE for a pass added twice, results asked for before
 *   the job has ended successfully, atlas information of an entity the layout left out, or
 *   normalization data of a pass without TRVNormalizeTextures; TRV_FILE_IO_ERROR when a result file
 *   cannot be read; TRV_MEMORY_ALLOCATION.
 */
TRV_FUNC(TRVStatus) TRVCreateTextureTarget(TorvoJob job, const void* name, int32_t width, int32_t height,
                                           TorvoTarget* outTarget);
TRV_FUNC(TRVStatus) TRVCreateCameraTarget(TorvoJob job, const void* name, TorvoCamera camera, int32_t width,
                                          int32_t height, TorvoTarget* outTarget);
TRV_FUNC(TRVStatus) TRVCreateVertexTarget(TorvoJob job, const void* name, TorvoTarget* outTarget);
TRV_FUNC(TRVStatus) TRVCreatePointCloudTarget(TorvoJob job, const void* name, TorvoTarget* outTarget);
TRV_FUNC(TRVStatus) TRVCreateAtlasedTextureTarget(TorvoJob job, const void* name, int32_t maxWidth,
                                                  int32_t maxHeight, int32_t maxTextures, TorvoTarget* outTarget);
TRV_FUNC(TRVStatus) TRVAddBakeInstance(TorvoTarget target, TorvoInstance instance, TorvoTargetEntity* outEntity);
TRV_FUNC(TRVStatus) TRVAddBakePointCloud(TorvoTarget target, TorvoPointCloud pointCloud,
                                         TorvoTargetEntity* outEntity);
TRV_FUNC(TRVStatus) TRVAddPassToTarget(TorvoTarget target, TorvoRenderPass pass);
TRV_FUNC(TRVStatus) TRVGetFramebufferCount(TorvoTarget target, int32_t* outCount);
TRV_FUNC(TRVStatus) TRVGetFramebuffer(TorvoTarget target, TorvoRenderPass pass, int32_t index,
                                      TorvoFramebuffer* outFramebuffer);
TRV_FUNC(TRVStatus) TRVGetVertexbuffer(TorvoTarget target, TorvoRenderPass pass, TorvoTargetEntity entity,
                                       TorvoFramebuffer* outFramebuffer);
TRV_FUNC(TRVStatus) TRVSetBakeUVSet(TorvoTargetEntity entity, const void* uvSetName);
TRV_FUNC(TRVStatus) TRVSetUVTransform(TorvoTargetEntity entity, const float* offset, const float* scale);
TRV_FUNC(TRVStatus) TRVSetBakeResolution(TorvoTargetEntity entity, int32_t width, int32_t height);
TRV_FUNC(TRVStatus) TRVSetTexelScale(TorvoTargetEntity entity, float scale);
TRV_FUNC(TRVStatus) TRVSetAtlasPadding(TorvoTarget target, int32_t padding);
TRV_FUNC(TRVStatus) TRVSetAtlasPacking(TorvoTarget target, int32_t packing);
TRV_FUNC(TRVStatus) TRVSetAtlasAlignment(TorvoTarget target, int32_t alignment);
TRV_FUNC(TRVStatus) TRVEnableAtlasSpatial(TorvoTarget target);
TRV_FUNC(TRVStatus) TRVGetAtlasInformation(TorvoTargetEntity entity, int32_t* outAtlasIndex, float* outOffset,
                                           float* outScale);
TRV_FUNC(TRVStatus) TRVGetNormalizationData(TorvoTargetEntity entity, TorvoRenderPass pass, int32_t channel,
                                            float* outMin, float* outMax);

/* ----------------------------------------------------------- framebuffers */
/*
 * A framebuffer is one result, read whole when it is handed out: an image of width x height
 * pixels whose channels the pass names, or the values of a vertex or point cloud target (height 1,
 * one point per pixel). TRVReadRegionHDR copies, for the region minX <= x < maxX, minY <= y < maxY,
 * the selected channels (TRV_CHANNEL_R to TRV_CHANNEL_RGBAZ by name, TRV_CHANNEL_ALL every channel
 * in order) as floats, row after row, pixel after pixel: (maxX - minX) x (maxY - minY) x channels
 * values. TRVReadRegionLDR copies the same as bytes, each value clamped to 0..1 and raised to
 * 1/gamma (images only). TRVGetChannelName hands out a new string object, which the caller
 * releases. TRVDestroyFramebuffer releases the framebuffer; its handle is invalid afterwards.
 * Statuses: TRV_INVALID_PARAMETER for a region outside the result, a channel the result does not
 *   have, or a channel index out of range; TRV_NOT_SUPPORTED for byte reads, or selections other
 *   than TRV_CHANNEL_ALL, of vertex and point values. A refused read writes nothing.
 */
TRV_FUNC(TRVStatus) TRVGetChannelCount(TorvoFramebuffer framebuffer, int32_t* outCount);
TRV_FUNC(TRVStatus) TRVGetChannelName(TorvoFramebuffer framebuffer, int32_t index, TorvoString* outName);
TRV_FUNC(TRVStatus) TRVGetResolution(TorvoFramebuffer framebuffer, int32_t* outWidth, int32_t* outHeight);
TRV_FUNC(TRVStatus) TRVReadRegionHDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float* outBuffer);
TRV_FUNC(TRVStatus) TRVReadRegionLDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float gamma, uint8_t* outBuffer);
TRV_FUNC(TRVStatus) TRVDestroyFramebuffer(TorvoFramebuffer framebuffer);

#endif /* TORVO_H */
