// The exported functions: scenes live in a table addressed by their handles; frames, meshes,
// materials and textures are addressed by handles carrying a kind byte and an index.
#include "dmsdk.h"

#include "dmsdk_scene.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace
{
enum Kind : uint32_t
{
    KIND_FRAME = 0x46,
    KIND_MESH = 0x4D,
    KIND_MATERIAL = 0x41,
    KIND_TEXTURE = 0x54,
};

const uint32_t DEFAULT_FVF = 0x112;

std::mutex g_oLock;
std::vector<std::unique_ptr<dmsdk::Scene>> g_vScenes;

DMSDK_HANDLE MakeHandle(Kind eKind, size_t nIndex)
{
    return (static_cast<uint32_t>(eKind) << 24) | static_cast<uint32_t>(nIndex + 1);
}

dmsdk::Scene* SceneOf(DMSDK_HANDLE hScene)
{
    if (hScene == 0 || hScene > g_vScenes.size())
    {
        return nullptr;
    }
    return g_vScenes[hScene - 1].get();
}

// The item a handle names, or NULL (and the scene marked in error) for a foreign or stale one.
template <class T> T* ItemOf(dmsdk::Scene* poScene, std::vector<T>& rvItems, Kind eKind, DMSDK_HANDLE h)
{
    uint32_t dwIndex = (h & 0xFFFFFF);
    if ((h >> 24) != eKind || dwIndex == 0 || dwIndex > rvItems.size())
    {
        poScene->bError = true;
        return nullptr;
    }
    return &rvItems[dwIndex - 1];
}

#define SCENE_OR(result)                                                                                     \
    std::lock_guard<std::mutex> oGuard(g_oLock);                                                             \
    dmsdk::Scene* poScene = SceneOf(hScene);                                                                 \
    if (!poScene)                                                                                            \
    {                                                                                                        \
        return result;                                                                                       \
    }

dmsdk::Frame* FrameOf(dmsdk::Scene* poScene, DMSDK_HANDLE h)
{
    return ItemOf(poScene, poScene->vFrames, KIND_FRAME, h);
}

dmsdk::Mesh* MeshOf(dmsdk::Scene* poScene, DMSDK_HANDLE h)
{
    return ItemOf(poScene, poScene->vMeshes, KIND_MESH, h);
}

dmsdk::Texture* TextureOf(dmsdk::Scene* poScene, DMSDK_HANDLE h, uint32_t dwLayer)
{
    dmsdk::Texture* poTexture = ItemOf(poScene, poScene->vTextures, KIND_TEXTURE, h);
    if (poTexture && dwLayer != 0)
    {
        poScene->bError = true;
        return nullptr;
    }
    return poTexture;
}

const dmsdk::PoseKey* KeyOf(dmsdk::Scene* poScene, uint32_t dwPose, uint32_t dwFrame)
{
    if (dwPose >= poScene->vPoses.size() || dwFrame >= poScene->vPoseFrames.size())
    {
        poScene->bError = true;
        return nullptr;
    }
    return &poScene->vPoses[dwPose].vKeys[dwFrame];
}

void CopyMatrix(const float* pfFrom, float* pfTo)
{
    memcpy(pfTo, pfFrom, 16 * sizeof(float));
}
} // namespace

extern "C"
{

    int __cdecl DMSDK_Init(void)
    {
        return 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Open(const char* szIdentification, const void* pImage, uint32_t dwSize,
                                    int* piStatus)
    {
        int iStatus = DMSDK_STATUS_NOT_A_MODEL;
        DMSDK_HANDLE hScene = 0;
        if (szIdentification && strcmp(szIdentification, DMSDK_IDENTIFICATION) == 0 && pImage && dwSize > 0)
        {
            // The caller may free its image as soon as this returns.
            std::string szText(static_cast<const char*>(pImage), dwSize);
            std::unique_ptr<dmsdk::Scene> poScene(new dmsdk::Scene());
            poScene->dwFVF = DEFAULT_FVF;
            std::string szWhy;
            iStatus = dmsdk::ReadScene(szText, *poScene, szWhy);
            if (iStatus == DMSDK_STATUS_OK || iStatus == DMSDK_STATUS_OK_SKIPPED_LINES)
            {
                std::lock_guard<std::mutex> oGuard(g_oLock);
                g_vScenes.push_back(std::move(poScene));
                hScene = static_cast<DMSDK_HANDLE>(g_vScenes.size());
            }
            else
            {
                OutputDebugStringA(("DMSDK: " + szWhy + "\n").c_str());
            }
        }
        if (piStatus)
        {
            *piStatus = iStatus;
        }
        return hScene;
    }

    int __cdecl DMSDK_GetError(DMSDK_HANDLE hScene)
    {
        SCENE_OR(1);
        return poScene->bError ? 1 : 0;
    }

    void __cdecl DMSDK_Close(DMSDK_HANDLE hScene)
    {
        std::lock_guard<std::mutex> oGuard(g_oLock);
        if (SceneOf(hScene))
        {
            g_vScenes[hScene - 1].reset();
        }
    }

    void __cdecl DMSDK_Release(void)
    {
        std::lock_guard<std::mutex> oGuard(g_oLock);
        g_vScenes.clear();
    }

    uint32_t __cdecl DMSDK_Scene_GetNumberOfTriangles(DMSDK_HANDLE hScene)
    {
        SCENE_OR(0);
        size_t nTriangles = 0;
        for (const dmsdk::Mesh& roMesh : poScene->vMeshes)
        {
            nTriangles += roMesh.vIndices.size() / 3;
        }
        return static_cast<uint32_t>(nTriangles);
    }

    DMSDK_HANDLE __cdecl DMSDK_Frame_GetRoot(DMSDK_HANDLE hScene)
    {
        SCENE_OR(0);
        return poScene->vFrames.empty() ? 0 : MakeHandle(KIND_FRAME, 0);
    }

    uint32_t __cdecl DMSDK_Frame_GetNumberOfChildren(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame)
    {
        SCENE_OR(0);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        return poFrame ? static_cast<uint32_t>(poFrame->vChildren.size()) : 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Frame_GetChild(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame, uint32_t dwIndex)
    {
        SCENE_OR(0);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        if (!poFrame || dwIndex >= poFrame->vChildren.size())
        {
            poScene->bError = true;
            return 0;
        }
        return MakeHandle(KIND_FRAME, poFrame->vChildren[dwIndex]);
    }

    uint32_t __cdecl DMSDK_Frame_GetNumberOfMeshes(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame)
    {
        SCENE_OR(0);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        return poFrame ? static_cast<uint32_t>(poFrame->vMeshes.size()) : 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Frame_GetMesh(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame, uint32_t dwIndex)
    {
        SCENE_OR(0);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        if (!poFrame || dwIndex >= poFrame->vMeshes.size())
        {
            poScene->bError = true;
            return 0;
        }
        return MakeHandle(KIND_MESH, poFrame->vMeshes[dwIndex]);
    }

    uint32_t __cdecl DMSDK_Frame_GetName(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame)
    {
        SCENE_OR(0);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        return poFrame ? poFrame->dwCode : 0;
    }

    int __cdecl DMSDK_Frame_GetTransformationMatrix(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame, float* pfMatrix)
    {
        SCENE_OR(1);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        if (!poFrame || !pfMatrix)
        {
            return 1;
        }
        CopyMatrix(poFrame->afMatrix, pfMatrix);
        return 0;
    }

    int __cdecl DMSDK_Frame_SetUserData(DMSDK_HANDLE hScene, DMSDK_HANDLE hFrame, void* pUserData)
    {
        SCENE_OR(1);
        dmsdk::Frame* poFrame = FrameOf(poScene, hFrame);
        if (!poFrame)
        {
            return 1;
        }
        poFrame->pUserData = pUserData;
        return 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Frame_FindByName(DMSDK_HANDLE hScene, uint32_t dwCode)
    {
        SCENE_OR(0);
        for (size_t i = 0; i < poScene->vFrames.size(); ++i)
        {
            if (poScene->vFrames[i].dwCode == dwCode)
            {
                return MakeHandle(KIND_FRAME, i);
            }
        }
        return 0;
    }

    uint32_t __cdecl DMSDK_GetState_FVF(DMSDK_HANDLE hScene)
    {
        SCENE_OR(0);
        return poScene->dwFVF;
    }

    int __cdecl DMSDK_SetState_FVF(DMSDK_HANDLE hScene, uint32_t dwFVF)
    {
        SCENE_OR(1);
        poScene->dwFVF = dwFVF;
        return 0;
    }

    uint32_t __cdecl DMSDK_Mesh_GetNumberOfFramesInPalette(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh ? static_cast<uint32_t>(poMesh->vPalette.size()) : 0;
    }

    uint32_t __cdecl DMSDK_Mesh_GetFrameInPalette(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh, uint32_t dwIndex)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        if (!poMesh || dwIndex >= poMesh->vPalette.size())
        {
            poScene->bError = true;
            return 0;
        }
        return poMesh->vPalette[dwIndex];
    }

    uint32_t __cdecl DMSDK_Mesh_GetNumberOfTriangles(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh ? static_cast<uint32_t>(poMesh->vIndices.size() / 3) : 0;
    }

    int __cdecl DMSDK_Mesh_SetNumberOfTriangles(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh, int32_t iCount)
    {
        SCENE_OR(1);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        if (!poMesh)
        {
            return 1;
        }
        // Clamped to what the mesh can give: at least one triangle, at most the file's.
        int32_t iMost = static_cast<int32_t>(poMesh->vFileIndices.size() / 3);
        int32_t iLeast = iMost > 0 ? 1 : 0;
        poMesh->iRequestedTriangles = iCount < iLeast ? iLeast : (iCount > iMost ? iMost : iCount);
        return 0;
    }

    int __cdecl DMSDK_Think(DMSDK_HANDLE hScene)
    {
        SCENE_OR(1);
        for (dmsdk::Mesh& roMesh : poScene->vMeshes)
        {
            if (roMesh.iRequestedTriangles < 0)
            {
                continue;
            }
            roMesh.vIndices.assign(roMesh.vFileIndices.begin(),
                                   roMesh.vFileIndices.begin() +
                                       3 * static_cast<size_t>(roMesh.iRequestedTriangles));
            roMesh.iRequestedTriangles = -1;
        }
        return 0;
    }

    uint32_t __cdecl DMSDK_Mesh_GetNumberOfIndices(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh ? static_cast<uint32_t>(poMesh->vIndices.size()) : 0;
    }

    uint32_t __cdecl DMSDK_Mesh_GetIndexBuffer(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh, void* pVertices,
                                               uint16_t* pwIndices)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        if (!poMesh)
        {
            return 0;
        }
        if (!pVertices && !pwIndices)
        {
            return static_cast<uint32_t>(poMesh->vVertices.size());
        }
        if (!pVertices || !pwIndices || poScene->dwFVF != DMSDK_FVF_SKINNED52)
        {
            poScene->bError = true;
            return 0;
        }
        memcpy(pVertices, poMesh->vVertices.data(), poMesh->vVertices.size() * sizeof(dmsdk::Vertex));
        memcpy(pwIndices, poMesh->vIndices.data(), poMesh->vIndices.size() * sizeof(uint16_t));
        return static_cast<uint32_t>(poMesh->vVertices.size());
    }

    uint32_t __cdecl DMSDK_Mesh_GetName(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh ? poMesh->dwName : 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Mesh_GetMaterial(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh ? MakeHandle(KIND_MATERIAL, poMesh->iMaterial) : 0;
    }

    int __cdecl DMSDK_Material_GetData(DMSDK_HANDLE hScene, DMSDK_HANDLE hMaterial, float* pfData)
    {
        SCENE_OR(1);
        dmsdk::Material* poMaterial = ItemOf(poScene, poScene->vMaterials, KIND_MATERIAL, hMaterial);
        if (!poMaterial || !pfData)
        {
            return 1;
        }
        memcpy(pfData, poMaterial->afData, sizeof(poMaterial->afData));
        return 0;
    }

    DMSDK_HANDLE __cdecl DMSDK_Mesh_GetTexture(DMSDK_HANDLE hScene, DMSDK_HANDLE hMesh)
    {
        SCENE_OR(0);
        dmsdk::Mesh* poMesh = MeshOf(poScene, hMesh);
        return poMesh && poMesh->iTexture >= 0 ? MakeHandle(KIND_TEXTURE, poMesh->iTexture) : 0;
    }

    uint32_t __cdecl DMSDK_Texture_GetNumberOfLayers(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture)
    {
        SCENE_OR(0);
        return TextureOf(poScene, hTexture, 0) ? 1 : 0;
    }

    int __cdecl DMSDK_Texture_GetTextureSize(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture, uint32_t dwLayer,
                                             RECT* pRect)
    {
        SCENE_OR(1);
        dmsdk::Texture* poTexture = TextureOf(poScene, hTexture, dwLayer);
        if (!poTexture || !pRect)
        {
            return 1;
        }
        pRect->left = 0;
        pRect->top = 0;
        pRect->right = poTexture->iWidth - 1;
        pRect->bottom = poTexture->iHeight - 1;
        return 0;
    }

    int __cdecl DMSDK_Texture_GetFormat(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture, uint32_t dwLayer)
    {
        SCENE_OR(0);
        dmsdk::Texture* poTexture = TextureOf(poScene, hTexture, dwLayer);
        return poTexture ? poTexture->iFormat : 0;
    }

    int __cdecl DMSDK_Texture_GetPixels(DMSDK_HANDLE hScene, DMSDK_HANDLE hTexture, uint32_t dwLayer,
                                        RECT oSource, RECT oDestination, void* pBuffer, uint32_t dwPitch,
                                        int iPixelFormat)
    {
        SCENE_OR(1);
        dmsdk::Texture* poTexture = TextureOf(poScene, hTexture, dwLayer);
        if (!poTexture || !pBuffer || iPixelFormat != DMSDK_PIXELS_ARGB32 || poTexture->vPixels.empty())
        {
            return 1;
        }
        long w = oSource.right - oSource.left + 1;
        long h = oSource.bottom - oSource.top + 1;
        bool bInside = oSource.left >= 0 && oSource.top >= 0 && w > 0 && h > 0 &&
                       oSource.right < poTexture->iWidth && oSource.bottom < poTexture->iHeight;
        bool bSameSize = oDestination.right - oDestination.left + 1 == w &&
                         oDestination.bottom - oDestination.top + 1 == h;
        bool bFits = oDestination.left >= 0 && oDestination.top >= 0 &&
                     static_cast<uint64_t>(oDestination.right + 1) * 4 <= dwPitch;
        if (!bInside || !bSameSize || !bFits)
        {
            poScene->bError = true;
            return 1;
        }
        uint8_t* pbyBuffer = static_cast<uint8_t*>(pBuffer);
        for (long y = 0; y < h; ++y)
        {
            const uint32_t* pdwFrom =
                &poTexture->vPixels[static_cast<size_t>(oSource.top + y) * poTexture->iWidth + oSource.left];
            memcpy(pbyBuffer + static_cast<size_t>(oDestination.top + y) * dwPitch + oDestination.left * 4,
                   pdwFrom, static_cast<size_t>(w) * 4);
        }
        return 0;
    }

    uint32_t __cdecl DMSDK_Pose_GetNumberOfPoses(DMSDK_HANDLE hScene)
    {
        SCENE_OR(0);
        return static_cast<uint32_t>(poScene->vPoses.size());
    }

    uint32_t __cdecl DMSDK_Pose_GetNumberOfFramesPerPose(DMSDK_HANDLE hScene)
    {
        SCENE_OR(0);
        return static_cast<uint32_t>(poScene->vPoseFrames.size());
    }

    uint32_t __cdecl DMSDK_Pose_GetPoseName(DMSDK_HANDLE hScene, uint32_t dwPose)
    {
        SCENE_OR(0);
        if (dwPose >= poScene->vPoses.size())
        {
            poScene->bError = true;
            return 0;
        }
        return poScene->vPoses[dwPose].dwCode;
    }

    uint32_t __cdecl DMSDK_Pose_GetFrameName(DMSDK_HANDLE hScene, uint32_t dwFrame)
    {
        SCENE_OR(0);
        if (dwFrame >= poScene->vPoseFrames.size())
        {
            poScene->bError = true;
            return 0;
        }
        return poScene->vPoseFrames[dwFrame];
    }

    int __cdecl DMSDK_Pose_GetFrameTranslation(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                               float* pfXYZ)
    {
        SCENE_OR(1);
        const dmsdk::PoseKey* poKey = KeyOf(poScene, dwPose, dwFrame);
        if (!poKey || !pfXYZ)
        {
            return 1;
        }
        memcpy(pfXYZ, poKey->afTranslation, sizeof(poKey->afTranslation));
        return 0;
    }

    int __cdecl DMSDK_Pose_GetFrameRotation(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                            float* pfXYZW)
    {
        SCENE_OR(1);
        const dmsdk::PoseKey* poKey = KeyOf(poScene, dwPose, dwFrame);
        if (!poKey || !pfXYZW)
        {
            return 1;
        }
        memcpy(pfXYZW, poKey->afRotation, sizeof(poKey->afRotation));
        return 0;
    }

    int __cdecl DMSDK_Pose_GetFrameScale(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame, float* pfXYZ)
    {
        SCENE_OR(1);
        const dmsdk::PoseKey* poKey = KeyOf(poScene, dwPose, dwFrame);
        if (!poKey || !pfXYZ)
        {
            return 1;
        }
        memcpy(pfXYZ, poKey->afScale, sizeof(poKey->afScale));
        return 0;
    }

    int __cdecl DMSDK_Pose_GetFrameMatrix(DMSDK_HANDLE hScene, uint32_t dwPose, uint32_t dwFrame,
                                          float* pfMatrix)
    {
        SCENE_OR(1);
        const dmsdk::PoseKey* poKey = KeyOf(poScene, dwPose, dwFrame);
        if (!poKey || !pfMatrix)
        {
            return 1;
        }
        // Scale, then rotation, then translation, laid out with the translation in the last column.
        const float* q = poKey->afRotation;
        const float* s = poKey->afScale;
        const float* t = poKey->afTranslation;
        float r[3][3] = {
            {1 - 2 * (q[1] * q[1] + q[2] * q[2]), 2 * (q[0] * q[1] + q[2] * q[3]),
             2 * (q[0] * q[2] - q[1] * q[3])},
            {2 * (q[0] * q[1] - q[2] * q[3]), 1 - 2 * (q[0] * q[0] + q[2] * q[2]),
             2 * (q[1] * q[2] + q[0] * q[3])},
            {2 * (q[0] * q[2] + q[1] * q[3]), 2 * (q[1] * q[2] - q[0] * q[3]),
             1 - 2 * (q[0] * q[0] + q[1] * q[1])},
        };
        float m[16] = {0};
        for (int row = 0; row < 3; ++row)
        {
            for (int col = 0; col < 3; ++col)
            {
                m[col * 4 + row] = s[row] * r[row][col];
            }
            m[row * 4 + 3] = t[row];
        }
        m[15] = 1.0f;
        CopyMatrix(m, pfMatrix);
        return 0;
    }
}
