#pragma once
// The face-model library's interface: plain C functions over opaque 32-bit handles. A scene is
// made from a copy of a face-model file's image at DMSDK_Open and answers queries about its
// frames, meshes, materials, textures and poses until DMSDK_Close.

#include <windows.h>

#include <stdint.h>

#ifdef DMSDK_BUILDING
#define DMSDK_API __declspec(dllexport)
#else
#define DMSDK_API
#endif

typedef uint32_t DMSDK_HANDLE;

// DMSDK_Open's statuses: 0 and 3 give a usable scene.
enum
{
    DMSDK_STATUS_OK = 0,
    DMSDK_STATUS_NOT_A_MODEL = 1,
    DMSDK_STATUS_BAD_CONTENT = 2,
    DMSDK_STATUS_OK_SKIPPED_LINES = 3,
};

// The only vertex format vertices are fetched in: 52-byte records.
#define DMSDK_FVF_SKINNED52 0x39D
// DMSDK_Texture_GetFormat: 1 opaque, 2 with alpha. DMSDK_Texture_GetPixels: 2 is 32-bit ARGB.
#define DMSDK_TEXTURE_ALPHA 2
#define DMSDK_PIXELS_ARGB32 2
// The identification DMSDK_Open expects.
#define DMSDK_IDENTIFICATION "QIRN face-model import"

#ifdef __cplusplus
extern "C"
{
#endif

    DMSDK_API int __cdecl DMSDK_Init(void);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Open(const char* szIdentification, const void* pImage,
                                              uint32_t dwSize, int* piStatus);
    DMSDK_API int __cdecl DMSDK_GetError(DMSDK_HANDLE hScene);
    DMSDK_API void __cdecl DMSDK_Close(DMSDK_HANDLE hScene);
    DMSDK_API void __cdecl DMSDK_Release(void);
    DMSDK_API uint32_t __cdecl DMSDK_Scene_GetNumberOfTriangles(DMSDK_HANDLE hScene);

    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Frame_GetRoot(DMSDK_HANDLE hScene);
    DMSDK_API uint32_t __cdecl DMSDK_Frame_GetNumberOfChildren(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Frame_GetChild(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame,
                                                        uint32_t dwIndex);
    DMSDK_API uint32_t __cdecl DMSDK_Frame_GetNumberOfMeshes(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Frame_GetMesh(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame,
                                                       uint32_t dwIndex);
    DMSDK_API uint32_t __cdecl DMSDK_Frame_GetName(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame);
    DMSDK_API int __cdecl DMSDK_Frame_GetTransformationMatrix(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame,
                                                              float* pfMatrix);
    DMSDK_API int __cdecl DMSDK_Frame_SetUserData(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame, void* pUserData);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Frame_FindByName(DMSDK_HANDLE hScene, uint32_t dwCode);

    DMSDK_API uint32_t __cdecl DMSDK_GetState_FVF(DMSDK_HANDLE hScene);
    DMSDK_API int __cdecl DMSDK_SetState_FVF(DMSDK_HANDLE hScene, uint32_t dwFVF);

    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetNumberOfFramesInPalette(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);
    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetFrameInPalette(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh,
                                                            uint32_t dwIndex);
    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetNumberOfTriangles(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);
    DMSDK_API int __cdecl DMSDK_Mesh_SetNumberOfTriangles(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh,
                                                          int32_t iCount);
    DMSDK_API int __cdecl DMSDK_Think(DMSDK_HANDLE hScene);
    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetNumberOfIndices(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);
    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetIndexBuffer(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh,
                                                         void* pVertices, uint16_t* pwIndices);
    DMSDK_API uint32_t __cdecl DMSDK_Mesh_GetName(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Mesh_GetMaterial(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);
    DMSDK_API int __cdecl DMSDK_Material_GetData(DMSDK_HANDLE hScene, DMSDK_HANDLE hMaterial, float* pfData);
    DMSDK_API DMSDK_HANDLE __cdecl DMSDK_Mesh_GetTexture(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh);

    DMSDK_API uint32_t __cdecl DMSDK_Texture_GetNumberOfLayers(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture);
    DMSDK_API int __cdecl DMSDK_Texture_GetTextureSize(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture,
                                                       uint32_t dwLayer, RECT* pRect);
    DMSDK_API int __cdecl DMSDK_Texture_GetFormat(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture,
                                                  uint32_t dwLayer);
    // 0 when the buffer was filled.
    DMSDK_API int __cdecl DMSDK_Texture_GetPixels(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture,
                                                  uint32_t dwLayer, RECT oSource, RECT oDestination,
                                                  void* pBuffer, uint32_t dwPitch, int iPixelFormat);

    DMSDK_API uint32_t __cdecl DMSDK_Pose_GetNumberOfPoses(DMSDK_HANDLE hScene);
    DMSDK_API uint32_t __cdecl DMSDK_Pose_GetNumberOfFramesPerPose(DMSDK_HANDLE hScene);
    DMSDK_API uint32_t __cdecl DMSDK_Pose_GetPoseName(DMSDK_HANDLE hScene, uint32_t dwPose);
    DMSDK_API uint32_t __cdecl DMSDK_Pose_GetFrameName(DMSDK_HANDLE hScene, uint32_t dwFrame);
    DMSDK_API int __cdecl DMSDK_Pose_GetFrameTranslation(DMSDK_HANDLE hScene, uint32_t dwPose,
                                                         uint32_t dwFrame, float* pfXYZ);
    DMSDK_API int __cdecl DMSDK_Pose_GetFrameRotation(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                                      float* pfXYZW);
    DMSDK_API int __cdecl DMSDK_Pose_GetFrameScale(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                                   float* pfXYZ);
    DMSDK_API int __cdecl DMSDK_Pose_GetFrameMatrix(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                                    float* pfMatrix);

#ifdef __cplusplus
}
#endif
