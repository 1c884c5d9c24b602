#include "qirn_dmk.h"

#include "dmsdk.h"
#include "qirn_bitmap.h"
#include "qirn_debug.h"
#include "qirn_geometry.h"
#include "qirn_meshdata.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_skeleton.h"
#include "qirn_string.h"

#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <new>

// The library's entry points, fetched once from DMSDK.dll.
struct DMSDK_Functions
{
#define DMSDK_ENTRY(name) decltype(&::name) name;
#include "qirn_dmk_entries.h"
#undef DMSDK_ENTRY
};

namespace
{
const uint32_t CODE_PRUNE = 0x32726768; // "hgr2"
const char* const NEUTRAL = "Neutral";
const uint32_t VERTEX_BYTES = 52;

QIRN_ShaderTreeSource g_pfnShaderTree = nullptr;
QIRN_BitmapTree* g_poBitmapTree = nullptr;

// NULL (logged once per attempt) when the library or one of its functions is missing.
const DMSDK_Functions* LoadLibraryFunctions()
{
    static DMSDK_Functions s_oFunctions;
    static bool s_bLoaded = false;
    if (s_bLoaded)
    {
        return &s_oFunctions;
    }
    HMODULE hLibrary = LoadLibraryA("DMSDK.dll");
    if (!hLibrary)
    {
        dprintf("*** QIRN_DMK::Load() - Can't load DMSDK.dll\n");
        return nullptr;
    }
    bool bAll = true;
#define DMSDK_ENTRY(name)                                                                                    \
    s_oFunctions.name =                                                                                      \
        reinterpret_cast<decltype(&::name)>(reinterpret_cast<void*>(GetProcAddress(hLibrary, #name)));       \
    if (!s_oFunctions.name)                                                                                  \
    {                                                                                                        \
        dprintf("*** QIRN_DMK::Load() - DMSDK.dll lacks %s\n", #name);                                       \
        bAll = false;                                                                                        \
    }
#include "qirn_dmk_entries.h"
#undef DMSDK_ENTRY
    if (!bAll)
    {
        FreeLibrary(hLibrary);
        return nullptr;
    }
    s_bLoaded = true;
    return &s_oFunctions;
}

struct PoseName
{
    const char* szCode;
    const char* szName;
};

const PoseName POSE_NAMES[] = {
    {"BUMP", "BUMP"},
    {"CHUR", "CHURCH"},
    {"ERTH", "EARTH"},
    {"EAT", "EAT"},
    {"FAVE", "FAVE"},
    {"IF", "IF"},
    {"NEW", "NEW"},
    {"OAT", "OAT"},
    {"OX", "OX"},
    {"ROAR", "ROAR"},
    {"SIZE", "SIZE"},
    {"THOU", "THOUGH"},
    {"TOLD", "TOLD"},
    {"WET", "WET"},
    {"EBRL", "EYEBROW_RAISE_LEFT"},
    {"DEFT", "Neutral"},
    {"EBRR", "EYEBROW_RAISE_RIGHT"},
    {"WIKL", "BLINK_LEFT"},
    {"WIKR", "BLINK_RIGHT"},
    {"HEDB", "HEAD_BEND"},
    {"HEDS", "HEAD_SIDE_SIDE"},
    {"HEDT", "HEAD_TWIST"},
    {"EYSL", "EYE_SIDE_SIDE_LEFT"},
    {"EYSR", "EYE_SIDE_SIDE_RIGHT"},
    {"EYDL", "EYE_UP_DOWN_LEFT"},
    {"EYDR", "EYE_UP_DOWN_RIGHT"},
};

// The library lays matrices out transposed to the engine's.
QIRN_Matrix4 FromLibrary(const float* pf)
{
    QIRN_Matrix4 m;
    memcpy(m.Data(), pf, 16 * sizeof(float));
    Matrix_Transpose(&m, &m);
    return m;
}
} // namespace

QIRN_DMK::QIRN_DMK() : m_geometry(nullptr), m_oFrameList(false), m_iMeshCounter(0), m_pSDK(nullptr) {}

QIRN_DMK::~QIRN_DMK()
{
    m_oPendingReferences.DeleteAllNodes();
    m_oFrameList.ReleaseAllNodes();
}

void QIRN_DMK::SetShaderTreeSource(QIRN_ShaderTreeSource pfnSource)
{
    g_pfnShaderTree = pfnSource;
}

void QIRN_DMK::SetBitmapTree(QIRN_BitmapTree* poTree)
{
    g_poBitmapTree = poTree;
}

std::string QIRN_DMK::CodeToText(uint32_t dwCode)
{
    std::string szText;
    for (int i = 0; i < 4; ++i)
    {
        char c = static_cast<char>((dwCode >> (8 * i)) & 0xFF);
        if (!c)
        {
            break;
        }
        szText += c;
    }
    return szText;
}

bool QIRN_DMK::PoseCodeToName(uint32_t dwCode, std::string& rszName)
{
    std::string szText = CodeToText(dwCode);
    size_t nEnd = szText.find_last_not_of(' ');
    szText = nEnd == std::string::npos ? std::string() : szText.substr(0, nEnd + 1);
    rszName = szText;
    for (const PoseName& roRow : POSE_NAMES)
    {
        if (szText == roRow.szCode)
        {
            rszName = roRow.szName;
            break;
        }
    }
    return true;
}

QIRN_ErrorCode QIRN_DMK::Load(std::string szPath)
{
    if (!m_geometry)
    {
        dprintf("*** QIRN_DMK::Load() - m_geometry is NULL\n");
        return INVALIDPARAMS;
    }
    m_szFileTitle = QIRN_GetFileTitle(szPath);
    std::vector<char> vImage;
    {
        std::unique_ptr<FILE, int (*)(FILE*)> oFile(fopen(szPath.c_str(), "rb"), fclose);
        long lSize = -1;
        if (oFile && fseek(oFile.get(), 0, SEEK_END) == 0)
        {
            lSize = ftell(oFile.get());
            fseek(oFile.get(), 0, SEEK_SET);
        }
        if (lSize >= 0)
        {
            vImage.resize(static_cast<size_t>(lSize));
        }
        if (!oFile || lSize < 0 || fread(vImage.data(), 1, vImage.size(), oFile.get()) != vImage.size())
        {
            dprintf("*** QIRN_DMK::LoadDMKFile(): Error: could not open \"%s\" for reading.\n",
                    szPath.c_str());
            return GENERICERROR;
        }
    }
    m_pSDK = LoadLibraryFunctions();
    if (!m_pSDK)
    {
        return GENERICERROR;
    }
    dprintf("*** QIRN_DMK::LoadDMKFile(): Initialising Digimask SDK...\n");
    m_pSDK->DMSDK_Init();
    int iStatus = -1;
    DMSDK_HANDLE hScene = m_pSDK->DMSDK_Open(DMSDK_IDENTIFICATION, vImage.data(),
                                             static_cast<uint32_t>(vImage.size()), &iStatus);
    vImage.clear();
    QIRN_ErrorCode eResult = OK;
    if (iStatus != DMSDK_STATUS_OK && iStatus != DMSDK_STATUS_OK_SKIPPED_LINES)
    {
        if (hScene)
        {
            m_pSDK->DMSDK_Close(hScene);
        }
        m_pSDK->DMSDK_Release();
        dprintf("*** QIRN_DMK::LoadDMKFile(): Error: could not read \"%s\", invalid format or version "
                "conflict.\n",
                szPath.c_str());
        eResult = GENERICERROR;
    }
    else
    {
        SceneGraph_InitFromDigimask(hScene);
        if (m_pSDK->DMSDK_GetError(hScene))
        {
            dprintf("*** QIRN_DMK::LoadDMKFile(): Digmask SDK indicated error(s) while initialising scene "
                    "graph\n");
        }
        GetPoses(hScene);
        if (m_pSDK->DMSDK_GetError(hScene))
        {
            dprintf("*** QIRN_DMK::LoadDMKFile(): Digmask SDK indicated error(s) while loading poses\n");
        }
        m_pSDK->DMSDK_Close(hScene);
        m_pSDK->DMSDK_Release();
    }
    ResolvePendingCPReferenceList();
    m_oFrameList.ReleaseAllNodes();
    return eResult;
}

void QIRN_DMK::SceneGraph_InitFromDigimask(uint32_t hScene)
{
    unsigned long ulTriangles = m_pSDK->DMSDK_Scene_GetNumberOfTriangles(hScene);
    dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Scene Triangle Count: %lu\n", ulTriangles);
    dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Scene Triangle Count  : %lu\n\n",
            ulTriangles);
    QIRN_Frame* poRoot = ParseFrame(hScene, m_pSDK->DMSDK_Frame_GetRoot(hScene), nullptr);
    if (!poRoot)
    {
        return;
    }
    QIRN_Skeleton* poSkeleton = new (std::nothrow) QIRN_Skeleton();
    if (!poSkeleton)
    {
        delete poRoot;
        return;
    }
    poSkeleton->SetRoot(poRoot);
    m_geometry->SetSkeleton(poSkeleton);
}

QIRN_Frame* QIRN_DMK::ParseFrame(uint32_t hScene, uint32_t hFrame, QIRN_Frame* poParent)
{
    uint32_t dwChildren = m_pSDK->DMSDK_Frame_GetNumberOfChildren(hScene, hFrame);
    uint32_t dwMeshes = m_pSDK->DMSDK_Frame_GetNumberOfMeshes(hScene, hFrame);
    uint32_t dwCode = m_pSDK->DMSDK_Frame_GetName(hScene, hFrame);
    // The library's helper frames: left out with everything below them.
    if (dwCode == CODE_PRUNE)
    {
        return nullptr;
    }
    QIRN_Frame* poFrame = new (std::nothrow) QIRN_Frame();
    if (!poFrame)
    {
        return nullptr;
    }
    poFrame->m_szName = CodeToText(dwCode);
    poFrame->m_pParent = poParent;
    m_oFrameList.InsertNode(poFrame->m_szName, poFrame);

    float afMatrix[16];
    Matrix_Identity(reinterpret_cast<QIRN_Matrix4*>(afMatrix));
    m_pSDK->DMSDK_Frame_GetTransformationMatrix(hScene, hFrame, afMatrix);
    poFrame->m_oLocalMatrix = FromLibrary(afMatrix);
    poFrame->m_oCombinedMatrix = poFrame->m_oLocalMatrix;
    if (poParent)
    {
        Matrix_Multiply(&poFrame->m_oLocalMatrix, &poParent->m_oCombinedMatrix, &poFrame->m_oCombinedMatrix);
    }
    Matrix_Invert(&poFrame->m_oCombinedMatrix, &poFrame->m_oOffsetMatrix);

    for (uint32_t i = 0; i < dwChildren; ++i)
    {
        QIRN_Frame* poChild = ParseFrame(hScene, m_pSDK->DMSDK_Frame_GetChild(hScene, hFrame, i), poFrame);
        if (poChild)
        {
            poFrame->AddChild(poChild);
        }
    }
    for (uint32_t i = 0; i < dwMeshes; ++i)
    {
        QIRN_MeshData* poMesh =
            Mesh_CreateFromSDKMesh(hScene, m_pSDK->DMSDK_Frame_GetMesh(hScene, hFrame, i), hFrame);
        if (!poMesh)
        {
            continue;
        }
        poMesh->m_pOwnerFrame = poFrame;
        // A mesh refused for its name is freed: its palette references go with it.
        QIRN_MeshData* poAdded = poMesh;
        if (!m_geometry->AddMesh(poMesh))
        {
            ForgetPendingReferences(poAdded);
        }
    }
    m_pSDK->DMSDK_Frame_SetUserData(hScene, hFrame, poFrame);
    return poFrame;
}

QIRN_MeshData* QIRN_DMK::Mesh_CreateFromSDKMesh(uint32_t hScene, uint32_t hMesh, uint32_t /*hFrame*/)
{
    QIRN_MeshData* poMesh = new (std::nothrow) QIRN_MeshData();
    if (!poMesh)
    {
        return nullptr;
    }
    uint32_t dwSavedFVF = m_pSDK->DMSDK_GetState_FVF(hScene);
    uint32_t dwPalette = m_pSDK->DMSDK_Mesh_GetNumberOfFramesInPalette(hScene, hMesh);
    m_pSDK->DMSDK_SetState_FVF(hScene, DMSDK_FVF_SKINNED52);
    unsigned long ulTriangles = m_pSDK->DMSDK_Mesh_GetNumberOfTriangles(hScene, hMesh);
    if (dwPalette > 0)
    {
        dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Skin Mesh Triangle Count: %lu\n",
                ulTriangles);
        dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Requesting scene tesselation\n");
        double dRequest = static_cast<double>(m_geometry->GetTesselationFactor()) * ulTriangles;
        // The library clamps the request; out-of-range factors must not overflow on the way.
        dRequest = std::isfinite(dRequest) ? std::max(0.0, std::min(dRequest, 2147483647.0)) : 0.0;
        m_pSDK->DMSDK_Mesh_SetNumberOfTriangles(hScene, hMesh, static_cast<int32_t>(dRequest));
        m_pSDK->DMSDK_Think(hScene);
        dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Skin Mesh Triangle Count  : %lu\n\n",
                static_cast<unsigned long>(m_pSDK->DMSDK_Mesh_GetNumberOfTriangles(hScene, hMesh)));
    }
    else
    {
        dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Default Static Mesh Triangle Count: %lu\n",
                ulTriangles);
        dprintf("*** QIRN_DMK::SceneGraph_InitFromDigimask(): Final Static Mesh Triangle Count  : %lu\n\n",
                ulTriangles);
    }
    uint32_t dwIndices = m_pSDK->DMSDK_Mesh_GetNumberOfIndices(hScene, hMesh);
    uint32_t dwVertices = m_pSDK->DMSDK_Mesh_GetIndexBuffer(hScene, hMesh, nullptr, nullptr);

    std::string szName = CodeToText(m_pSDK->DMSDK_Mesh_GetName(hScene, hMesh));
    if (szName.empty())
    {
        szName = QIRN_String().Format("DMKMesh_%d", m_iMeshCounter);
    }
    szName += "_" + m_szFileTitle;
    poMesh->m_szName = szName;

    std::vector<uint16_t> vIndices;
    std::vector<uint8_t> vVertices;
    // No vertices or not one whole triangle: the mesh stays empty.
    if (dwVertices > 0 && dwIndices >= 3)
    {
        vIndices.resize(dwIndices);
        vVertices.resize(static_cast<size_t>(dwVertices) * VERTEX_BYTES);
        uint32_t dwFetched =
            m_pSDK->DMSDK_Mesh_GetIndexBuffer(hScene, hMesh, vVertices.data(), vIndices.data());
        // The buffer holds the first answer's vertices; a larger second answer must not reach past it.
        dwVertices = std::min(dwVertices, dwFetched);
        for (uint16_t& rwIndex : vIndices)
        {
            if (rwIndex >= dwVertices)
            {
                dprintf("*** QIRN_DMK::Mesh_CreateFromSDKMesh(): Index %u of mesh \"%s\" is past its %u "
                        "vertices\n",
                        rwIndex, szName.c_str(), dwVertices);
                vIndices.clear();
                break;
            }
        }
    }
    else
    {
        dwVertices = 0;
        dwIndices = 0;
    }

    if (dwPalette > 0)
    {
        AddPaletteReferences(hScene, hMesh, poMesh, dwPalette);
    }
    if (dwVertices > 0 && !vIndices.empty())
    {
        poMesh->SetSkinnedVertices(vVertices.data(), dwVertices, dwPalette > 0 ? 4 : 0);
        for (uint32_t i = 0; dwPalette > 0 && i < dwVertices; ++i)
        {
            const uint8_t* pbySlots = poMesh->GetVertex(static_cast<int>(i))->m_abyBoneIndices;
            if (pbySlots[0] >= dwPalette || pbySlots[1] >= dwPalette || pbySlots[2] >= dwPalette ||
                pbySlots[3] >= dwPalette)
            {
                dprintf(
                    "*** QIRN_DMK::Mesh_CreateFromSDKMesh(): Vertex %u of mesh \"%s\" uses a slot past its "
                    "palette of %u\n",
                    i, szName.c_str(), dwPalette);
            }
        }
        bool bOwned = false;
        QIRN_Shader* poShader = TakeSharedShader(hScene, hMesh, szName, bOwned);
        poMesh->AddPolygonGroup(vIndices.data(), static_cast<unsigned>(vIndices.size()), poShader);
        // The group holds a copy; a shader no tree took is ours to free.
        if (bOwned)
        {
            delete poShader;
        }
    }
    m_pSDK->DMSDK_SetState_FVF(hScene, dwSavedFVF);
    ++m_iMeshCounter;
    return poMesh;
}

void QIRN_DMK::AddPaletteReferences(uint32_t hScene, uint32_t hMesh, QIRN_MeshData* poMesh,
                                    uint32_t dwPalette)
{
    if (!poMesh->CreatePalette(dwPalette))
    {
        return;
    }
    poMesh->m_dwNumPaletteEntries = dwPalette;
    for (uint32_t i = 0; i < dwPalette; ++i)
    {
        uint32_t dwCode = m_pSDK->DMSDK_Mesh_GetFrameInPalette(hScene, hMesh, i);
        m_pSDK->DMSDK_Frame_FindByName(hScene, dwCode);
        std::string szFrame = CodeToText(dwCode);
        QIRN_LINKEDLIST<PendingCPReference>::Node* pNode = nullptr;
        for (pNode = m_oPendingReferences.m_pHead; pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_pData->szFrameName == szFrame)
            {
                break;
            }
        }
        if (!pNode)
        {
            PendingCPReference* poReference = new (std::nothrow) PendingCPReference();
            if (!poReference)
            {
                continue;
            }
            poReference->szFrameName = szFrame;
            // Node names must not be empty; the frame name is kept in the record.
            pNode = m_oPendingReferences.AppendNode("cp:" + szFrame, poReference);
            if (!pNode)
            {
                delete poReference;
                continue;
            }
        }
        pNode->m_pData->vSlots.push_back(std::make_pair(poMesh, i));
    }
}

QIRN_Shader* QIRN_DMK::TakeSharedShader(uint32_t hScene, uint32_t hMesh, const std::string& szName,
                                        bool& rbOwned)
{
    rbOwned = false;
    QIRN_World* poWorld = m_geometry->GetWorld();
    QIRN_ShaderTree* poTree = poWorld && g_pfnShaderTree ? g_pfnShaderTree(poWorld) : nullptr;
    QIRN_Shader* poShader = nullptr;
    QIRN_ShaderTree::Node* pNode = poTree ? poTree->FindNode(szName) : nullptr;
    if (pNode)
    {
        poShader = pNode->m_pData;
        ++pNode->m_iRefCount;
    }
    else
    {
        poShader = CreateShader(hScene, hMesh);
        if (!poShader)
        {
            return nullptr;
        }
        poShader->SetName(szName);
        if (!poTree)
        {
            rbOwned = true;
            return poShader;
        }
        pNode = poTree->InsertNode(szName, poShader);
        if (!pNode)
        {
            dprintf("QIRN_DMK :: Mesh_CreateFromSDKMesh() - Can't insert shader in global tree\n");
            delete poShader;
            return nullptr;
        }
        pNode->m_iRefCount = 1;
    }
    // The polygon group's hold on the shader.
    pNode = poTree->FindNode(szName);
    if (pNode)
    {
        ++pNode->m_iRefCount;
    }
    else
    {
        dprintf("QIRN_DMK :: Mesh_CreateFromSDKMesh() - Error: Can't find shader to increment ist reference "
                "count\n");
    }
    return poShader;
}

QIRN_Shader* QIRN_DMK::CreateShader(uint32_t hScene, uint32_t hMesh)
{
    QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader();
    if (!poShader)
    {
        return nullptr;
    }
    poShader->m_poPasses = new (std::nothrow) QIRN_ShaderPass[1];
    QIRN_ShaderLayer* poLayers = poShader->m_poPasses ? new (std::nothrow) QIRN_ShaderLayer[1] : nullptr;
    if (!poLayers)
    {
        delete poShader;
        return nullptr;
    }
    poShader->m_dwNumPasses = 1;
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.SetName("Pass 1");
    roPass.m_poLayers = poLayers;
    roPass.m_dwNumLayers = 1;

    float af[17] = {};
    m_pSDK->DMSDK_Material_GetData(hScene, m_pSDK->DMSDK_Mesh_GetMaterial(hScene, hMesh), af);
    QIRN_Material& roMaterial = roPass.m_oMaterial;
    roMaterial.m_vDiffuse = QIRN_Vector4(af[1], af[2], af[3], af[0]);
    roMaterial.m_vAmbient = QIRN_Vector4(af[5], af[6], af[7], af[4]);
    roMaterial.m_vSpecular = QIRN_Vector4(af[9], af[10], af[11], af[8]);
    roMaterial.m_vEmissive = QIRN_Vector4(af[13], af[14], af[15], af[12]);
    roMaterial.m_fPower = af[16];

    roPass.m_eCullMode = 1;
    roPass.m_bLightingEnabled = true;
    roPass.m_bSpecularEnabled = true;
    roPass.m_bLocalViewer = false;
    roPass.m_bNormalizeNormals = false;
    QIRN_ShaderLayer& roLayer = poLayers[0];
    roLayer.m_eCOLOROP = 3;
    roLayer.m_eCOLORARG1 = 1;
    roLayer.m_eCOLORARG2 = 5;

    if (m_pSDK->DMSDK_Mesh_GetTexture(hScene, hMesh))
    {
        SetUpTexture(hScene, hMesh, poShader);
    }
    else if (roMaterial.m_vDiffuse.w < 1.0f)
    {
        roPass.m_ePGSortMode = 1;
        roPass.m_eSortMode = 1;
        roPass.m_eCullMode = 0;
        roPass.m_bAlphaBlendEnabled = true;
        roPass.m_bLightingEnabled = false;
        roPass.m_bSpecularEnabled = false;
        roPass.m_bFogEnabled = false;
        roPass.m_eSrcBlend = 4;
        roPass.m_eDestBlend = 5;
        roPass.m_dwTFactor = 0x33B2B2FF;
        roLayer.m_eCOLOROP = 2;
        roLayer.m_eCOLORARG1 = 0;
        roLayer.m_eCOLORARG2 = 6;
        roLayer.m_eALPHAOP = 2;
        roLayer.m_eALPHAARG1 = 5;
        roLayer.m_eALPHAARG2 = 6;
    }
    return poShader;
}

bool QIRN_DMK::SetUpTexture(uint32_t hScene, uint32_t hMesh, QIRN_Shader* poShader)
{
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    QIRN_ShaderLayer& roLayer = roPass.m_poLayers[0];
    uint32_t dwTexture = m_pSDK->DMSDK_Mesh_GetTexture(hScene, hMesh);
    std::string szCode = CodeToText(m_pSDK->DMSDK_Mesh_GetName(hScene, hMesh));
    std::string szName = szCode.empty() ? QIRN_String().Format("_%d_Texture_%d", m_iMeshCounter, 0)
                                        : QIRN_String().Format("%s_%d", szCode.c_str(), 0);
    szName += "_" + m_szFileTitle;
    roLayer.m_strTextureFileName = szName;

    if (!g_poBitmapTree || !g_poBitmapTree->FindNode(szName))
    {
        RECT oRect = {0, 0, -1, -1};
        m_pSDK->DMSDK_Texture_GetTextureSize(hScene, dwTexture, 0, &oRect);
        uint8_t* pbyPixels = ExtractTexture(hScene, hMesh, 0);
        std::unique_ptr<QIRN_Bitmap> poBitmap(pbyPixels ? new (std::nothrow) QIRN_Bitmap() : nullptr);
        if (poBitmap)
        {
            poBitmap->SetName(szName);
            poBitmap->m_dwNumLayers = 1;
            poBitmap->m_dwNumMipLevels = 1;
            poBitmap->m_dwBitsPerTexel = 32;
            poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
        }
        if (!poBitmap || poBitmap->AllocateImageArrays() != OK || !g_poBitmapTree)
        {
            // No pixels, no bitmap: the layer must not name a texture nobody can find.
            dprintf("*** QIRN_DMK::CreateShader(): No bitmap for texture \"%s\"\n", szName.c_str());
            delete[] pbyPixels;
            roLayer.m_strTextureFileName.clear();
            return false;
        }
        poBitmap->m_pdwWidths[0] = static_cast<uint32_t>(oRect.right - oRect.left + 1);
        poBitmap->m_pdwHeights[0] = static_cast<uint32_t>(oRect.bottom - oRect.top + 1);
        poBitmap->m_ppTexels[0] = pbyPixels;
        if (!g_poBitmapTree->InsertNode(szName, poBitmap.get()))
        {
            roLayer.m_strTextureFileName.clear();
            return false;
        }
        poBitmap.release();
        roLayer.m_eTextureFormat = 21;
    }
    if (m_pSDK->DMSDK_Texture_GetFormat(hScene, dwTexture, 0) == DMSDK_TEXTURE_ALPHA)
    {
        roPass.m_ePGSortMode = 1;
        roPass.m_eSortMode = 1;
        roPass.m_eCullMode = 0;
        roPass.m_bAlphaBlendEnabled = true;
        roPass.m_eSrcBlend = 4;
        roPass.m_eDestBlend = 5;
        roLayer.m_eCOLOROP = 3;
        roLayer.m_eCOLORARG1 = 1;
        roLayer.m_eCOLORARG2 = 5;
        roLayer.m_eALPHAOP = 1;
        roLayer.m_eALPHAARG1 = 5;
        roLayer.m_eALPHAARG2 = 1;
    }
    return true;
}

uint8_t* QIRN_DMK::ExtractTexture(uint32_t hScene, uint32_t hMesh, uint32_t dwLayer)
{
    uint32_t dwTexture = m_pSDK->DMSDK_Mesh_GetTexture(hScene, hMesh);
    RECT oRect = {0, 0, -1, -1};
    if (m_pSDK->DMSDK_Texture_GetTextureSize(hScene, dwTexture, dwLayer, &oRect) != 0)
    {
        return nullptr;
    }
    long w = oRect.right - oRect.left + 1;
    long h = oRect.bottom - oRect.top + 1;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384)
    {
        return nullptr;
    }
    uint8_t* pbyPixels = new (std::nothrow) uint8_t[static_cast<size_t>(w) * h * 4];
    if (!pbyPixels)
    {
        dprintf("QIRN_DMK::ExtractTexture() - Failed to allocate memory for texture!\n");
        return nullptr;
    }
    RECT oDestination = {0, 0, w - 1, h - 1};
    if (m_pSDK->DMSDK_Texture_GetPixels(hScene, dwTexture, dwLayer, oRect, oDestination, pbyPixels,
                                        static_cast<uint32_t>(w * 4), DMSDK_PIXELS_ARGB32) != 0)
    {
        delete[] pbyPixels;
        return nullptr;
    }
    // The library answers 32-bit ARGB values; a bitmap keeps its texels as the bytes red, green, blue,
    // alpha, as the renderers read every bitmap, so each value is laid out afresh.
    for (size_t i = 0; i < static_cast<size_t>(w) * h; ++i)
    {
        uint8_t* pbyTexel = pbyPixels + i * 4;
        uint32_t dwARGB = 0;
        memcpy(&dwARGB, pbyTexel, 4);
        pbyTexel[0] = static_cast<uint8_t>(dwARGB >> 16);
        pbyTexel[1] = static_cast<uint8_t>(dwARGB >> 8);
        pbyTexel[2] = static_cast<uint8_t>(dwARGB);
        pbyTexel[3] = static_cast<uint8_t>(dwARGB >> 24);
    }
    return pbyPixels;
}

void QIRN_DMK::GetPoses(uint32_t hScene)
{
    QIRN_Skeleton* poSkeleton = m_geometry->GetSkeleton();
    // Without frames (a pruned root) there is nothing to pose.
    if (!poSkeleton || !poSkeleton->GetRoot())
    {
        return;
    }
    uint32_t dwPoses = m_pSDK->DMSDK_Pose_GetNumberOfPoses(hScene);
    uint32_t dwFrames = m_pSDK->DMSDK_Pose_GetNumberOfFramesPerPose(hScene);
    for (uint32_t p = 0; p < dwPoses; ++p)
    {
        std::string szPose;
        PoseCodeToName(m_pSDK->DMSDK_Pose_GetPoseName(hScene, p), szPose);
        for (uint32_t f = 0; f < dwFrames; ++f)
        {
            float afT[3] = {0, 0, 0}, afR[4] = {0, 0, 0, 1}, afS[3] = {1, 1, 1};
            float afM[16];
            Matrix_Identity(reinterpret_cast<QIRN_Matrix4*>(afM));
            m_pSDK->DMSDK_Pose_GetFrameTranslation(hScene, p, f, afT);
            m_pSDK->DMSDK_Pose_GetFrameRotation(hScene, p, f, afR);
            m_pSDK->DMSDK_Pose_GetFrameScale(hScene, p, f, afS);
            m_pSDK->DMSDK_Pose_GetFrameMatrix(hScene, p, f, afM);
            QIRN_Frame* poFrame =
                poSkeleton->FindFrame(CodeToText(m_pSDK->DMSDK_Pose_GetFrameName(hScene, f)));
            if (!poFrame)
            {
                dprintf("*** QIRN_DMK :: GetPoses(): Can't find CP frame for viseme!\n");
                return;
            }
            QIRN_Quaternion oRotation = {afR[0], afR[1], afR[2], afR[3]};
            QIRN_FramePose* poPose =
                new QIRN_FramePose(szPose, FromLibrary(afM), QIRN_Vector4(afS[0], afS[1], afS[2], 1.0f),
                                   QIRN_Vector4(afT[0], afT[1], afT[2], 1.0f), oRotation);
            QIRN_FramePose* poNeutral = poFrame->GetPose(NEUTRAL);
            if (poNeutral)
            {
                poPose->MakeRelativeTo(*poNeutral);
            }
            else if (szPose != NEUTRAL)
            {
                delete poPose;
                dprintf("*** QIRN_DMK :: GetPoses(): Can't find the neutral viseme!\n");
                return;
            }
            poFrame->AddPose(poPose);
        }
    }
}

int QIRN_DMK::ResolvePendingCPReferenceList()
{
    int iResult = 0;
    while (m_oPendingReferences.m_pHead)
    {
        PendingCPReference* poReference = m_oPendingReferences.m_pHead->m_pData;
        QIRN_LINKEDLIST<QIRN_Frame>::Node* pFrame = m_oFrameList.FindNode(poReference->szFrameName);
        if (!pFrame)
        {
            dprintf("*** QIRN_DMK::ResolvePendingCPReferenceList(): Could not resolve bone reference.\n");
            iResult = 1;
        }
        for (const std::pair<QIRN_MeshData*, uint32_t>& roSlot : poReference->vSlots)
        {
            QIRN_MeshData* poMesh = roSlot.first;
            if (pFrame && roSlot.second < poMesh->m_dwNumPaletteEntries)
            {
                poMesh->m_ppoBonePalette[roSlot.second] = pFrame->m_pData;
                if (poMesh->m_poOffsetMatrices)
                {
                    poMesh->m_poOffsetMatrices[roSlot.second] = pFrame->m_pData->m_oOffsetMatrix;
                }
            }
        }
        m_oPendingReferences.DeleteNode(m_oPendingReferences.m_pHead);
    }
    return iResult;
}

void QIRN_DMK::ForgetPendingReferences(const QIRN_MeshData* poMesh)
{
    for (QIRN_LINKEDLIST<PendingCPReference>::Node* pNode = m_oPendingReferences.m_pHead; pNode;
         pNode = pNode->m_pNext)
    {
        std::vector<std::pair<QIRN_MeshData*, uint32_t>>& rvSlots = pNode->m_pData->vSlots;
        for (size_t i = rvSlots.size(); i-- > 0;)
        {
            if (rvSlots[i].first == poMesh)
            {
                rvSlots.erase(rvSlots.begin() + static_cast<long>(i));
            }
        }
    }
}
