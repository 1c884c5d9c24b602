#pragma once
// QIRN_DMK: imports a face-model file through the face-model library (DMSDK.dll, loaded at first
// use): the frame tree with rest-pose offsets, skinned and static meshes with one shader each,
// textures as engine bitmaps, and the model's named poses relative to its "Neutral" pose.

#include "qirn_binarytree.h"
#include "qirn_errors.h"
#include "qirn_linkedlist.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

class QIRN_Bitmap;
class QIRN_Frame;
class QIRN_Geometry;
class QIRN_MeshData;
class QIRN_Shader;
class QIRN_World;
struct DMSDK_Functions;

typedef QIRN_BINARYTREE<QIRN_Shader> QIRN_ShaderTree;
typedef QIRN_BINARYTREE<QIRN_Bitmap> QIRN_BitmapTree;
// How the importer reaches a world's shader tree; the world installs it.
typedef QIRN_ShaderTree* (*QIRN_ShaderTreeSource)(QIRN_World* poWorld);

// A frame name waiting for the palette slots that are to receive it; any number of slots of any
// number of meshes may share one.
struct PendingCPReference
{
    std::string szFrameName;
    std::vector<std::pair<QIRN_MeshData*, uint32_t>> vSlots;
};

class QIRN_DMK
{
public:
    QIRN_DMK();
    ~QIRN_DMK();
    QIRN_DMK(const QIRN_DMK&) = delete;
    QIRN_DMK& operator=(const QIRN_DMK&) = delete;

    // 0 when the library read the file; 1 when it cannot be opened or the library refuses it.
    QIRN_ErrorCode Load(std::string szPath);

    // "IF  " -> "IF", "DEFT" -> "Neutral", ... ; other codes keep their characters.
    static bool PoseCodeToName(uint32_t dwCode, std::string& rszName);
    static std::string CodeToText(uint32_t dwCode);

    static void SetShaderTreeSource(QIRN_ShaderTreeSource pfnSource);
    // The engine's bitmap tree, which receives the extracted textures.
    static void SetBitmapTree(QIRN_BitmapTree* poTree);

    QIRN_Geometry* m_geometry;
    std::string m_szFileTitle;
    QIRN_LINKEDLIST<PendingCPReference> m_oPendingReferences;
    QIRN_LINKEDLIST<QIRN_Frame> m_oFrameList;
    int32_t m_iMeshCounter;

private:
    void SceneGraph_InitFromDigimask(uint32_t hScene);
    QIRN_Frame* ParseFrame(uint32_t hScene, uint32_t hFrame, QIRN_Frame* poParent);
    QIRN_MeshData* Mesh_CreateFromSDKMesh(uint32_t hScene, uint32_t hMesh, uint32_t hFrame);
    void AddPaletteReferences(uint32_t hScene, uint32_t hMesh, QIRN_MeshData* poMesh, uint32_t dwPalette);
    QIRN_Shader* CreateShader(uint32_t hScene, uint32_t hMesh);
    bool SetUpTexture(uint32_t hScene, uint32_t hMesh, QIRN_Shader* poShader);
    uint8_t* ExtractTexture(uint32_t hScene, uint32_t hMesh, uint32_t dwLayer);
    QIRN_Shader* TakeSharedShader(uint32_t hScene, uint32_t hMesh, const std::string& szName, bool& rbOwned);
    void GetPoses(uint32_t hScene);
    int ResolvePendingCPReferenceList();
    void ForgetPendingReferences(const QIRN_MeshData* poMesh);

    const DMSDK_Functions* m_pSDK;
};
