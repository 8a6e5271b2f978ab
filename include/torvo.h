/*
 * torvo.h - public interface of the torvo32 light-baking library.
 *
 * Every function returns a TRVStatus. Handles are opaque pointers owned by the
 * library; strings passed in are read in the encoding chosen with
 * TRVSetStringEncoding, strings handed out are TorvoString objects released
 * with TRVReleaseString.
 *
 * Threads. The library starts no threads for its work (one thread of its own only starts the
 * renderer processes); every function runs on the calling thread. Which calls may run at the same
 * time on different threads:
 *   - Calls on different managers and on the objects each of them handed out (meshes, textures,
 *     scenes and their objects, jobs, targets, passes, framebuffers): yes, also when the managers
 *     share a cache directory. TRVCreateManager: any time.
 *   - Calls on different objects of one manager, the manager included: no. The objects of a
 *     manager share its tables and files; make the calls that touch one manager from one thread
 *     at a time (from any thread, one after the other).
 *   - Calls on the same object: no.
 *   - TRVSetLogTarget, TRVErrorToString, TRVGetExtendErrorInformation and TRVDumpMemoryStats: any
 *     time. A new log target applies to the next line of every thread. Each thread has its own
 *     last error: TRVGetExtendErrorInformation reports the calling thread's.
 *   - String objects: different ones at the same time, each from one thread at a time.
 *   - TRVSetStringEncoding: the encoding is one for the whole process and cannot change once
 *     chosen; choose it before any thread passes or fetches text.
 * Managers on one cache directory, in one process or several, share its meshes and textures. A
 * manager created while another one lives leaves the live one's scenes, jobs and temporary files
 * alone; two live managers must not use the same scene or job names.
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
TRV_FUNC(TRVStatus) TRVGetLength(TorvoString string, int32_t* outLength);
TRV_FUNC(TRVStatus) TRVCopy(TorvoString string, void* target, int32_t capacity);
TRV_FUNC(TRVStatus) TRVReleaseString(TorvoString string);

/* ---------------------------------------------------------------- manager */
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
TRV_FUNC(TRVStatus) TRVAddPixelDataHDR(TorvoTexture texture, const float* pixelData, int32_t pixelCount);
TRV_FUNC(TRVStatus) TRVAddPixelDataLDR(TorvoTexture texture, const uint8_t* pixelData, int32_t pixelCount);
TRV_FUNC(TRVStatus) TRVSetInputGamma(TorvoTexture texture, int32_t gammaType, float gammaValue);
TRV_FUNC(TRVStatus) TRVEndTexture(TorvoTexture texture);

/* ----------------------------------------------------------------- scenes */
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
TRV_FUNC(TRVStatus) TRVGetChannelCount(TorvoFramebuffer framebuffer, int32_t* outCount);
TRV_FUNC(TRVStatus) TRVGetChannelName(TorvoFramebuffer framebuffer, int32_t index, TorvoString* outName);
TRV_FUNC(TRVStatus) TRVGetResolution(TorvoFramebuffer framebuffer, int32_t* outWidth, int32_t* outHeight);
TRV_FUNC(TRVStatus) TRVReadRegionHDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float* outBuffer);
TRV_FUNC(TRVStatus) TRVReadRegionLDR(TorvoFramebuffer framebuffer, int32_t minX, int32_t minY, int32_t maxX,
                                     int32_t maxY, int32_t selection, float gamma, uint8_t* outBuffer);
TRV_FUNC(TRVStatus) TRVDestroyFramebuffer(TorvoFramebuffer framebuffer);

#endif /* TORVO_H */
