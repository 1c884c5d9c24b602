#include "qirn_xfile.h"

#include "qirn_animationsequence.h"
#include "qirn_debug.h"
#include "qirn_frame.h"
#include "qirn_geometrydata.h"
#include "qirn_meshdata.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_skeleton.h"
#include "qirn_string.h"
#include "qirn_xfile_templates.h"

#include <cstring>
#include <new>

namespace
{
// Texture names are kept to this many characters, bone names too.
const size_t MAX_NAME_CHARS = 128;
// Indices are handed to the renderers as 16-bit values.
const uint32_t MAX_MESH_VERTICES = 65535;
// Palette indices are stored in a byte of each vertex.
const uint32_t MAX_PALETTE_SLOTS = 256;

// Reads the whole-object data of a .x object front to back; every read checks the size first.
class DataReader
{
public:
    DataReader(const void* pData, DWORD dwSize)
        : m_pby(static_cast<const uint8_t*>(pData)), m_nSize(pData ? dwSize : 0), m_nPos(0)
    {
    }
    bool Read(void* pOut, size_t nBytes)
    {
        if (m_nSize - m_nPos < nBytes)
        {
            return false;
        }
        memcpy(pOut, m_pby + m_nPos, nBytes);
        m_nPos += nBytes;
        return true;
    }
    bool Dword(uint32_t& rdw) { return Read(&rdw, sizeof(rdw)); }
    // The next n values of four bytes, or NULL when the data is shorter.
    const uint8_t* Take(size_t nValues)
    {
        if (nValues > (m_nSize - m_nPos) / 4)
        {
            return nullptr;
        }
        const uint8_t* pby = m_pby + m_nPos;
        m_nPos += nValues * 4;
        return pby;
    }
    size_t Remaining() const { return m_nSize - m_nPos; }

private:
    const uint8_t* m_pby;
    size_t m_nSize;
    size_t m_nPos;
};

// The positions and faces of a Mesh object; false (logged) for data that is short or that a
// renderer could not index safely.
bool ReadMeshData(IDirectXFileData* poData, const std::string& szName, std::vector<float>& rvPositions,
                  XFileFaces& rvFaces)
{
    DWORD dwSize = 0;
    void* pData = nullptr;
    if (FAILED(poData->GetData(nullptr, &dwSize, &pData)) || !pData)
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - Can't read the data of mesh '%s'\n", szName.c_str());
        return false;
    }
    DataReader oReader(pData, dwSize);
    uint32_t nVertices = 0;
    uint32_t nFaces = 0;
    const uint8_t* pbyPositions = nullptr;
    if (!oReader.Dword(nVertices) || !(pbyPositions = oReader.Take(static_cast<size_t>(nVertices) * 3)) ||
        !oReader.Dword(nFaces))
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - The data of mesh '%s' is shorter than it says\n",
                szName.c_str());
        return false;
    }
    if (nVertices > MAX_MESH_VERTICES)
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - Mesh '%s' has %u vertices, more than %u: mesh dropped\n",
                szName.c_str(), nVertices, MAX_MESH_VERTICES);
        return false;
    }
    for (uint32_t f = 0; f < nFaces; ++f)
    {
        uint32_t nIndices = 0;
        const uint8_t* pbyIndices = nullptr;
        if (!oReader.Dword(nIndices) || !(pbyIndices = oReader.Take(nIndices)))
        {
            dprintf("*** QIRN_XFILE::ParseTriMesh() - The data of mesh '%s' is shorter than it says\n",
                    szName.c_str());
            return false;
        }
        std::vector<uint32_t> vFace(nIndices);
        memcpy(vFace.data(), pbyIndices, static_cast<size_t>(nIndices) * 4);
        for (uint32_t dwIndex : vFace)
        {
            if (dwIndex >= nVertices)
            {
                dprintf("*** QIRN_XFILE::ParseTriMesh() - Face %u of mesh '%s' uses vertex %u of %u: mesh "
                        "dropped\n",
                        f, szName.c_str(), dwIndex, nVertices);
                return false;
            }
        }
        rvFaces.push_back(vFace);
    }
    rvPositions.resize(static_cast<size_t>(nVertices) * 3);
    memcpy(rvPositions.data(), pbyPositions, rvPositions.size() * sizeof(float));
    return true;
}

// A count, then that many entries of n floats; only when the count is the vertex count.
bool ReadVertexFloats(DataReader& roData, uint32_t nVertices, uint32_t n, std::vector<float>& rvOut)
{
    uint32_t nCount = 0;
    const uint8_t* pby = nullptr;
    if (!roData.Dword(nCount) || nCount != nVertices || !(pby = roData.Take(static_cast<size_t>(nCount) * n)))
    {
        return false;
    }
    rvOut.resize(static_cast<size_t>(nCount) * n);
    memcpy(rvOut.data(), pby, rvOut.size() * sizeof(float));
    return true;
}

// What a DeclData object carries that a mesh may lack: its vertices' first normal and first
// texture-coordinate set, when they are plain floats.
struct DeclVertexData
{
    std::vector<float> vNormals;
    std::vector<float> vTexCoords;
    uint8_t byTexComponents = 0;
};

// Bytes of a vertex element of each declaration type (FLOAT1 .. FLOAT16_4); 0 for unknown types.
uint32_t DeclTypeBytes(uint32_t dwType)
{
    static const uint32_t SIZES[] = {4, 8, 12, 16, 4, 4, 4, 8, 4, 4, 8, 4, 8, 4, 4, 4, 8};
    return dwType < sizeof(SIZES) / sizeof(SIZES[0]) ? SIZES[dwType] : 0;
}

// Reads a DeclData object's normals and texture coordinates; false (logged) for data that does not
// hold a whole vertex for every vertex of the mesh.
bool ReadDeclData(DataReader& roData, uint32_t nVertices, const std::string& szMesh, DeclVertexData& rOut)
{
    const uint32_t DECLTYPE_FLOAT2 = 1, DECLTYPE_FLOAT3 = 2;
    const uint32_t DECLUSAGE_NORMAL = 3, DECLUSAGE_TEXCOORD = 5;
    uint32_t nElements = 0;
    const uint8_t* pbyElements = nullptr;
    if (!roData.Dword(nElements) || !(pbyElements = roData.Take(static_cast<size_t>(nElements) * 4)))
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - The DeclData of mesh '%s' is shorter than it says\n",
                szMesh.c_str());
        return false;
    }
    uint32_t dwStride = 0;
    int iNormalAt = -1;
    int iTexAt = -1;
    uint8_t byTexComponents = 0;
    for (uint32_t e = 0; e < nElements; ++e)
    {
        uint32_t adw[4];
        memcpy(adw, pbyElements + static_cast<size_t>(e) * 16, sizeof(adw));
        const uint32_t dwBytes = DeclTypeBytes(adw[0]);
        if (dwBytes == 0)
        {
            dprintf("*** QIRN_XFILE::ParseTriMesh() - The DeclData of mesh '%s' has an element of unknown type "
                    "%u\n",
                    szMesh.c_str(), adw[0]);
            return false;
        }
        if (adw[2] == DECLUSAGE_NORMAL && adw[3] == 0 && adw[0] == DECLTYPE_FLOAT3 && iNormalAt < 0)
        {
            iNormalAt = static_cast<int>(dwStride / 4);
        }
        else if (adw[2] == DECLUSAGE_TEXCOORD && adw[3] == 0 &&
                 (adw[0] == DECLTYPE_FLOAT2 || adw[0] == DECLTYPE_FLOAT3) && iTexAt < 0)
        {
            iTexAt = static_cast<int>(dwStride / 4);
            byTexComponents = adw[0] == DECLTYPE_FLOAT2 ? 2 : 3;
        }
        dwStride += dwBytes;
    }
    dwStride /= 4;
    uint32_t nDWords = 0;
    const uint8_t* pbyData = nullptr;
    if (!roData.Dword(nDWords) || !(pbyData = roData.Take(nDWords)) ||
        static_cast<uint64_t>(dwStride) * nVertices > nDWords)
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - The DeclData of mesh '%s' does not hold its %u vertices\n",
                szMesh.c_str(), nVertices);
        return false;
    }
    auto Gather = [&](int iAt, uint32_t n, std::vector<float>& rv)
    {
        rv.resize(static_cast<size_t>(nVertices) * n);
        for (uint32_t v = 0; v < nVertices; ++v)
        {
            memcpy(&rv[static_cast<size_t>(v) * n], pbyData + (static_cast<size_t>(v) * dwStride + iAt) * 4,
                   n * sizeof(float));
        }
    };
    if (iNormalAt >= 0)
    {
        Gather(iNormalAt, 3, rOut.vNormals);
    }
    if (iTexAt >= 0)
    {
        Gather(iTexAt, byTexComponents, rOut.vTexCoords);
        rOut.byTexComponents = byTexComponents;
    }
    return true;
}

// The object's name, sized first; false when it cannot be read.
bool ObjectName(IDirectXFileData* poData, std::string& rszName)
{
    DWORD dwSize = 0;
    if (FAILED(poData->GetName(nullptr, &dwSize)))
    {
        return false;
    }
    if (dwSize == 0)
    {
        rszName.clear();
        return true;
    }
    std::vector<char> vBuffer(static_cast<size_t>(dwSize) + 1, '\0');
    if (FAILED(poData->GetName(vBuffer.data(), &dwSize)))
    {
        return false;
    }
    rszName = vBuffer.data();
    return true;
}

// A child as a data object: itself, or (bResolve) the object a reference names.
bool ChildData(IDirectXFileObject* poChild, QIRN_ComRef<IDirectXFileData>& roData, bool bResolve,
               bool* pbReference)
{
    if (pbReference)
    {
        *pbReference = false;
    }
    if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(roData.Out()))) &&
        roData.Get())
    {
        return true;
    }
    QIRN_ComRef<IDirectXFileDataReference> poReference;
    if (SUCCEEDED(poChild->QueryInterface(IID_IDirectXFileDataReference,
                                          reinterpret_cast<void**>(poReference.Out()))) &&
        poReference.Get())
    {
        if (pbReference)
        {
            *pbReference = true;
        }
        return bResolve && SUCCEEDED(poReference->Resolve(roData.Out())) && roData.Get();
    }
    return false;
}

// Hands every child object of a data object to visit, in file order.
template <class Visit> void ForEachChild(IDirectXFileData* poData, Visit visit)
{
    for (;;)
    {
        QIRN_ComRef<IDirectXFileObject> poChild;
        if (FAILED(poData->GetNextObject(poChild.Out())) || !poChild.Get())
        {
            return;
        }
        if (!visit(poChild.Get()))
        {
            return;
        }
    }
}

// A STRING member of whole-object data is a pointer to the text.
bool ReadString(DataReader& roReader, std::string& rszOut)
{
    const char* psz = nullptr;
    if (!roReader.Read(&psz, sizeof(psz)))
    {
        return false;
    }
    rszOut = psz ? std::string(psz, strnlen(psz, MAX_NAME_CHARS)) : std::string();
    return true;
}

// Before the first track of a greater kind: a frame's tracks compose in ascending kind order.
void InsertByKind(QIRN_AnimationSequenceList& roSequences, QIRN_AnimationSequence* poSequence)
{
    QIRN_AnimationSequenceList::iterator it = roSequences.begin();
    while (it != roSequences.end() && (*it)->GetKeyKind() <= poSequence->GetKeyKind())
    {
        ++it;
    }
    roSequences.insert(it, poSequence);
}

// One Animation: a track for each key kind it holds (the last key of a kind when it repeats one),
// and the frame it names (by reference or inline). Exporters write rotation, scale and position
// keys side by side in one Animation.
std::vector<QIRN_AnimationSequence*> ReadAnimation(IDirectXFileData* poAnimation, std::string& rszFrameName,
                                                   float fSecondsPerTick)
{
    std::vector<QIRN_AnimationSequence*> vSequences;
    ForEachChild(poAnimation,
                 [&](IDirectXFileObject* poChild)
                 {
                     QIRN_ComRef<IDirectXFileData> poData;
                     bool bReference = false;
                     if (!ChildData(poChild, poData, true, &bReference))
                     {
                         return true;
                     }
                     if (!bReference && QIRN_IsXFileType(poData.Get(), QIRN_TID_ANIMATIONKEY))
                     {
                         QIRN_AnimationSequence* poSequence = QIRN_ParseAnimationKey(poData.Get(), fSecondsPerTick);
                         if (!poSequence)
                         {
                             return true;
                         }
                         for (QIRN_AnimationSequence*& rpoKept : vSequences)
                         {
                             if (rpoKept->GetKeyKind() == poSequence->GetKeyKind())
                             {
                                 delete rpoKept;
                                 rpoKept = poSequence;
                                 return true;
                             }
                         }
                         vSequences.push_back(poSequence);
                     }
                     else if (QIRN_IsXFileType(poData.Get(), QIRN_TID_FRAME))
                     {
                         std::string szName;
                         if (ObjectName(poData.Get(), szName))
                         {
                             rszFrameName = szName;
                         }
                     }
                     return true;
                 });
    return vSequences;
}

// The key time unit an AnimTicksPerSecond object gives, in seconds; a rate of 0 keeps milliseconds.
float ReadTickRate(IDirectXFileData* poData, const std::string& szFile, float fCurrent)
{
    DWORD dwSize = 0;
    void* pData = nullptr;
    uint32_t dwRate = 0;
    if (FAILED(poData->GetData(nullptr, &dwSize, &pData)) || !DataReader(pData, dwSize).Dword(dwRate))
    {
        dprintf("*** QIRN_XFILE - Can't read the AnimTicksPerSecond of \"%s\"\n", szFile.c_str());
        return fCurrent;
    }
    if (dwRate == 0)
    {
        dprintf("*** QIRN_XFILE - \"%s\" gives 0 AnimTicksPerSecond: key times are read as milliseconds\n",
                szFile.c_str());
        return QIRN_XFILE_SECONDS_PER_TICK;
    }
    return static_cast<float>(1.0 / static_cast<double>(dwRate));
}

void DeleteSequences(std::vector<QIRN_AnimationSequence*>& rvSequences)
{
    for (QIRN_AnimationSequence* poSequence : rvSequences)
    {
        delete poSequence;
    }
    rvSequences.clear();
}

QIRN_Shader* NewMaterialShader(const std::string& szName)
{
    QIRN_Shader* poShader = new (std::nothrow) QIRN_Shader();
    if (!poShader)
    {
        return nullptr;
    }
    poShader->SetName(szName);
    poShader->m_poPasses = new (std::nothrow) QIRN_ShaderPass[1];
    if (!poShader->m_poPasses)
    {
        delete poShader;
        return nullptr;
    }
    poShader->m_dwNumPasses = 1;
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    roPass.SetName("Pass 1");
    roPass.m_poLayers = new (std::nothrow) QIRN_ShaderLayer[1];
    roPass.m_dwNumLayers = roPass.m_poLayers ? 1 : 0;
    return poShader;
}
} // namespace

XFilePendingCPReference::XFilePendingCPReference(std::string szBoneName, const QIRN_Matrix4& roOffset,
                                                 QIRN_MeshData* pMesh, uint32_t dwSlot)
    : m_szBoneName(szBoneName), m_oOffsetMatrix(roOffset), m_pMesh(pMesh), m_dwSlot(dwSlot)
{
}

QIRN_XFILE::QIRN_XFILE()
    : m_poGeometry(nullptr), m_poDXFile(nullptr), m_bFileTemplates(false), m_oFrameList(false), m_oPendingReferences(true),
      m_iMaterialCounter(0), m_iMeshCounter(0), m_iFrameCounter(0), m_wBoneCount(0),
      m_fSecondsPerTick(QIRN_XFILE_SECONDS_PER_TICK), m_byDeclTexComponents(0), m_bMeshTexCoords(false)
{
}

QIRN_XFILE::~QIRN_XFILE()
{
    ReleaseDXFile();
    m_oPendingReferences.DeleteAllNodes();
    m_oFrameList.ReleaseAllNodes();
}

QIRN_XFILE& QIRN_SharedXFileImporter()
{
    static QIRN_XFILE s_oImporter;
    return s_oImporter;
}

void QIRN_XFILE::EndDXFileUse()
{
    if (m_bFileTemplates)
    {
        ReleaseDXFile();
    }
    m_bFileTemplates = false;
}

void QIRN_XFILE::ReleaseDXFile()
{
    if (m_poDXFile)
    {
        m_poDXFile->Release();
        m_poDXFile = nullptr;
    }
}

bool QIRN_XFILE::PrepareDXFile(const char* szCaller)
{
    if (m_poDXFile)
    {
        return true;
    }
    if (FAILED(DirectXFileCreate(&m_poDXFile)) || !m_poDXFile)
    {
        m_poDXFile = nullptr;
        dprintf("*** QIRN_XFILE::%s() - DirectXFileCreate() FAILED\n", szCaller);
        return false;
    }
    if (FAILED(QIRN_RegisterXFileTemplates(m_poDXFile)))
    {
        m_poDXFile->Release();
        m_poDXFile = nullptr;
        dprintf("*** QIRN_XFILE::%s() - m_poDXFile->RegisterTemplates() FAILED\n", szCaller);
        return false;
    }
    return true;
}

bool QIRN_XFILE::OpenDXFileEnum(const char* szCaller, const std::string& szPath,
                                QIRN_ComRef<IDirectXFileEnumObject>& roEnum)
{
    const std::string szQualified = std::string("QIRN_XFILE::") + szCaller;
    size_t nTemplates = 0;
    if (!QIRN_IsXFileReadable(szPath, szQualified.c_str(), &nTemplates))
    {
        return false;
    }
    if (!PrepareDXFile(szCaller))
    {
        return false;
    }
    m_bFileTemplates = nTemplates > 0;
    const HRESULT hr =
        m_poDXFile->CreateEnumObject(const_cast<char*>(szPath.c_str()), DXFILELOAD_FROMFILE, roEnum.Out());
    if (FAILED(hr) || !roEnum.Get())
    {
        roEnum.Reset();
        ReleaseDXFile();
        dprintf("*** QIRN_XFILE::%s() - m_poDXFile->CreateEnumObject() FAILED\n", szCaller);
        QIRN_LogXFileRefused(szQualified.c_str(), szPath, hr);
        return false;
    }
    return true;
}

void QIRN_XFILE::ResetLoad(const std::string& szPath)
{
    m_iMaterialCounter = 0;
    m_iMeshCounter = 0;
    m_iFrameCounter = 0;
    m_wBoneCount = 0;
    m_szCurrentFrameName = "NoFrame";
    m_szCurrentMeshName = "NoMesh";
    m_szCurrentMaterialName = "NoMaterial";
    m_szFileTitle = QIRN_GetFileTitle(szPath);
    m_fSecondsPerTick = QIRN_XFILE_SECONDS_PER_TICK;
    m_oPendingReferences.DeleteAllNodes();
    m_oFrameList.ReleaseAllNodes();
}

QIRN_ErrorCode QIRN_XFILE::Load(std::string szPath)
{
    if (!m_poGeometry)
    {
        dprintf("*** QIRN_XFILE::Load() - m_poGeometry is NULL\n");
        return GENERICERROR;
    }
    ResetLoad(szPath);
    QIRN_ComRef<IDirectXFileEnumObject> poEnum;
    if (!OpenDXFileEnum("Load", szPath, poEnum))
    {
        return GENERICERROR;
    }
    HRESULT hr =
        QIRN_ForEachXFileObject(poEnum.Get(),
                                [&](IDirectXFileData* poData)
                                {
                                    if (QIRN_IsXFileType(poData, QIRN_TID_FRAME))
                                    {
                                        QIRN_Frame* poRoot = ParseFrame(poData);
                                        if (!poRoot)
                                        {
                                            return;
                                        }
                                        QIRN_Skeleton* poSkeleton = new (std::nothrow) QIRN_Skeleton();
                                        if (!poSkeleton)
                                        {
                                            // The frames stay listed for this load only.
                                            dprintf("*** QIRN_XFILE::Load() - Memory allocation for the "
                                                    "skeleton failed\n");
                                            m_oFrameList.ReleaseAllNodes();
                                            delete poRoot;
                                            return;
                                        }
                                        poSkeleton->SetRoot(poRoot);
                                        m_poGeometry->SetSkeleton(poSkeleton);
                                    }
                                    else if (QIRN_IsXFileType(poData, QIRN_TID_MESH))
                                    {
                                        AddParsedMesh(ParseTriMesh(poData), nullptr);
                                    }
                                    else if (QIRN_IsXFileType(poData, QIRN_TID_ANIMATIONSET))
                                    {
                                        ParseAnimationSet(poData);
                                    }
                                    else if (QIRN_IsXFileType(poData, QIRN_TID_ANIMTICKSPERSECOND))
                                    {
                                        m_fSecondsPerTick = ReadTickRate(poData, szPath, m_fSecondsPerTick);
                                    }
                                });
    poEnum.Reset();
    EndDXFileUse();
    ResolvePendingCPReferenceList();
    m_oPendingReferences.DeleteAllNodes();
    if (hr != DXFILEERR_NOMOREOBJECTS)
    {
        QIRN_LogXFileRefused("QIRN_XFILE::Load", szPath, hr);
        return GENERICERROR;
    }
    return OK;
}

void QIRN_XFILE::AddParsedMesh(QIRN_MeshData* poMesh, QIRN_Frame* poOwner)
{
    if (!poMesh)
    {
        return;
    }
    poMesh->m_pOwnerFrame = poOwner;
    poMesh->ComputeTangentSpace();
    // A mesh refused for its name is freed: its bone references go with it.
    if (!m_poGeometry->AddMesh(poMesh))
    {
        ForgetPendingReferences(poMesh);
    }
}

QIRN_Frame* QIRN_XFILE::ParseFrame(IDirectXFileData* poData)
{
    std::string szName;
    if (!ObjectName(poData, szName))
    {
        return nullptr;
    }
    QIRN_Frame* poFrame = new (std::nothrow) QIRN_Frame();
    if (!poFrame)
    {
        dprintf("*** QIRN_XFILE::ParseFrame() - Memory allocation for the frame failed\n");
        return nullptr;
    }
    if (szName.empty())
    {
        szName = QIRN_String().Format("Frame_%d", m_iFrameCounter++);
    }
    poFrame->m_szName = szName;
    m_szCurrentFrameName = szName;
    m_oFrameList.InsertNode(szName, poFrame);
    ForEachChild(poData,
                 [&](IDirectXFileObject* poChild)
                 {
                     QIRN_ComRef<IDirectXFileData> poChildData;
                     if (!ChildData(poChild, poChildData, false, nullptr))
                     {
                         return true;
                     }
                     if (QIRN_IsXFileType(poChildData.Get(), QIRN_TID_FRAME))
                     {
                         // A child that could not be read is left out.
                         QIRN_Frame* poChildFrame = ParseFrame(poChildData.Get());
                         if (poChildFrame)
                         {
                             poFrame->AddChild(poChildFrame);
                         }
                     }
                     else if (QIRN_IsXFileType(poChildData.Get(), QIRN_TID_MESH))
                     {
                         AddParsedMesh(ParseTriMesh(poChildData.Get()), poFrame);
                     }
                     else if (QIRN_IsXFileType(poChildData.Get(), QIRN_TID_FRAMETRANSFORMMATRIX))
                     {
                         DWORD dwSize = 0;
                         void* pData = nullptr;
                         if (SUCCEEDED(poChildData->GetData(nullptr, &dwSize, &pData)) && pData &&
                             dwSize == 16 * sizeof(float))
                         {
                             memcpy(poFrame->m_oLocalMatrix.Data(), pData, 16 * sizeof(float));
                         }
                     }
                     return true;
                 });
    return poFrame;
}

QIRN_MeshData* QIRN_XFILE::ParseTriMesh(IDirectXFileData* poData)
{
    std::string szName;
    if (!ObjectName(poData, szName))
    {
        return nullptr;
    }
    if (szName.empty())
    {
        szName = QIRN_String().Format("Mesh_%d", m_iMeshCounter++);
    }
    m_szCurrentMeshName = szName;
    std::vector<float> vPositions;
    XFileFaces vFaces;
    if (!ReadMeshData(poData, szName, vPositions, vFaces))
    {
        return nullptr;
    }
    QIRN_MeshData* poMesh = new (std::nothrow) QIRN_MeshData();
    if (!poMesh)
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh() - Memory allocation for the mesh failed\n");
        return nullptr;
    }
    poMesh->m_szName = m_szFileTitle + "." + szName;
    poMesh->SetPositions(vPositions.data(), static_cast<unsigned>(vPositions.size() / 3));

    bool bMaterialList = false;
    bool bNormals = false;
    bool bDropped = false;
    m_vDeclNormals.clear();
    m_vDeclTexCoords.clear();
    m_byDeclTexComponents = 0;
    m_bMeshTexCoords = false;
    ForEachChild(poData,
                 [&](IDirectXFileObject* poChild)
                 {
                     QIRN_ComRef<IDirectXFileData> poChildData;
                     if (ChildData(poChild, poChildData, false, nullptr) &&
                         !ParseMeshChild(poMesh, poChildData.Get(), vFaces, bMaterialList, bNormals))
                     {
                         bDropped = true;
                     }
                     return !bDropped;
                 });
    if (bDropped)
    {
        ForgetPendingReferences(poMesh);
        delete poMesh;
        return nullptr;
    }
    if (!bNormals && !m_vDeclNormals.empty())
    {
        poMesh->SetNormals(m_vDeclNormals.data());
        bNormals = true;
    }
    if (!m_bMeshTexCoords && !m_vDeclTexCoords.empty())
    {
        poMesh->AddTexCoords(m_vDeclTexCoords.data(), m_byDeclTexComponents);
    }
    m_vDeclNormals.clear();
    m_vDeclTexCoords.clear();
    if (!bMaterialList)
    {
        QIRN_Shader oDefault;
        AddPolygonGroup(poMesh, &oDefault, 0, vFaces, std::vector<uint32_t>(), true);
    }
    if (!bNormals)
    {
        dprintf("*** QIRN_XFile_Loader::ParseTriMesh(): Xfile has no normals!\n");
    }
    return poMesh;
}

bool QIRN_XFILE::ParseMeshChild(QIRN_MeshData* poMesh, IDirectXFileData* poChild, const XFileFaces& roFaces,
                                bool& rbMaterialList, bool& rbNormals)
{
    DWORD dwSize = 0;
    void* pData = nullptr;
    if (FAILED(poChild->GetData(nullptr, &dwSize, &pData)))
    {
        return false;
    }
    const uint32_t nVertices = poMesh->GetNumVertices();
    DataReader oData(pData, dwSize);
    if (QIRN_IsXFileType(poChild, QIRN_TID_XSKINMESHHEADER))
    {
        ParseSkinHeader(poMesh, poChild, pData, dwSize);
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_SKINWEIGHTS))
    {
        return ParseMeshSkinWeights(poMesh, poChild, pData, dwSize) == 0;
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_MESHMATERIALLIST))
    {
        ParseMaterialList(poMesh, poChild, pData, dwSize, roFaces);
        rbMaterialList = true;
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_MESHNORMALS))
    {
        // Normals per vertex only; the face normals are not used.
        std::vector<float> vNormals;
        if (ReadVertexFloats(oData, nVertices, 3, vNormals))
        {
            poMesh->SetNormals(vNormals.data());
            rbNormals = true;
        }
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_MESHTEXTURECOORDS) ||
             QIRN_IsXFileType(poChild, QIRN_TID_MESHTEXTURECOORDS3D))
    {
        uint8_t byComponents = QIRN_IsXFileType(poChild, QIRN_TID_MESHTEXTURECOORDS) ? 2 : 3;
        std::vector<float> vCoords;
        if (ReadVertexFloats(oData, nVertices, byComponents, vCoords))
        {
            poMesh->AddTexCoords(vCoords.data(), byComponents);
            m_bMeshTexCoords = true;
        }
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_DECLDATA))
    {
        // Used once the whole mesh is read, for what the mesh has none of its own.
        DeclVertexData oDecl;
        if (ReadDeclData(oData, nVertices, m_szCurrentMeshName, oDecl))
        {
            m_vDeclNormals.swap(oDecl.vNormals);
            m_vDeclTexCoords.swap(oDecl.vTexCoords);
            m_byDeclTexComponents = oDecl.byTexComponents;
        }
    }
    else if (QIRN_IsXFileType(poChild, QIRN_TID_MESHVERTEXCOLORS))
    {
        uint32_t nColors = 0;
        if (oData.Dword(nColors))
        {
            // As many records as the data holds, for as many vertices as there are.
            uint32_t nPresent = static_cast<uint32_t>(oData.Remaining() / 20);
            poMesh->SetColors(oData.Take(0), nColors < nPresent ? nColors : nPresent);
        }
    }
    return true;
}

void QIRN_XFILE::ParseSkinHeader(QIRN_MeshData* poMesh, IDirectXFileData* poData, const void* pData,
                                 DWORD dwSize)
{
    // Three WORDs; a reader that widens them gives three DWORDs.
    uint32_t adwValues[3] = {0, 0, 0};
    bool bRead = false;
    if (dwSize >= 12)
    {
        memcpy(adwValues, pData, 12);
        bRead = true;
    }
    else if (dwSize >= 6)
    {
        uint16_t awValues[3] = {0, 0, 0};
        memcpy(awValues, pData, 6);
        for (int i = 0; i < 3; ++i)
        {
            adwValues[i] = awValues[i];
        }
        bRead = true;
    }
    if (bRead)
    {
        poMesh->m_iPartitionedWeights = static_cast<int32_t>(static_cast<uint16_t>(adwValues[0]));
        poMesh->m_iPartitionedThird = static_cast<int32_t>(static_cast<uint16_t>(adwValues[1]));
    }
    DWORD dwMemberSize = 0;
    void* pMember = nullptr;
    if (SUCCEEDED(poData->GetData("nBones", &dwMemberSize, &pMember)) && pMember && dwMemberSize >= 2)
    {
        uint16_t wBones = 0;
        memcpy(&wBones, pMember, 2);
        m_wBoneCount = wBones;
    }
    else if (bRead)
    {
        m_wBoneCount = static_cast<uint16_t>(adwValues[2]);
    }
    else
    {
        dprintf("*** QIRN_XFILE::ParseTriMesh(): Old version of skinned xfile\n");
        m_wBoneCount = 100;
    }
    if (!poMesh->m_ppoBonePalette && m_wBoneCount != 0)
    {
        poMesh->CreatePalette(m_wBoneCount);
    }
}

void QIRN_XFILE::ParseMaterialList(QIRN_MeshData* poMesh, IDirectXFileData* poList, const void* pData,
                                   DWORD dwSize, const XFileFaces& roFaces)
{
    DataReader oReader(pData, dwSize);
    uint32_t nMaterials = 0;
    uint32_t nFaceIndexes = 0;
    oReader.Dword(nMaterials);
    oReader.Dword(nFaceIndexes);
    // A face-index array shorter than announced (or than the mesh) is read as far as it goes.
    uint32_t nPresent = static_cast<uint32_t>(oReader.Remaining() / 4);
    if (nFaceIndexes > nPresent)
    {
        nFaceIndexes = nPresent;
    }
    std::vector<uint32_t> vFaceIndices(nFaceIndexes);
    if (nFaceIndexes)
    {
        memcpy(vFaceIndices.data(), oReader.Take(nFaceIndexes), static_cast<size_t>(nFaceIndexes) * 4);
    }
    m_iMaterialCounter = 0;
    uint32_t dwMaterial = 0;
    ForEachChild(poList,
                 [&](IDirectXFileObject* poChild)
                 {
                     QIRN_ComRef<IDirectXFileData> poMaterial;
                     QIRN_Shader* poShader = nullptr;
                     if (ChildData(poChild, poMaterial, true, nullptr) &&
                         QIRN_IsXFileType(poMaterial.Get(), QIRN_TID_MATERIAL))
                     {
                         poShader = ParseMaterial(poMaterial.Get());
                     }
                     // A material that cannot be read leaves its faces with the default shader.
                     QIRN_Shader oDefault;
                     AddPolygonGroup(poMesh, poShader ? poShader : &oDefault, dwMaterial, roFaces,
                                     vFaceIndices, nMaterials == 1);
                     delete poShader;
                     ++dwMaterial;
                     return true;
                 });
}

QIRN_Shader* QIRN_XFILE::ParseMaterial(IDirectXFileData* poData)
{
    if (!poData)
    {
        return new (std::nothrow) QIRN_Shader();
    }
    std::string szName;
    if (!ObjectName(poData, szName))
    {
        return nullptr;
    }
    if (szName.empty())
    {
        szName = QIRN_String().Format("Shader_%d", m_iMaterialCounter++);
    }
    m_szCurrentMaterialName = szName;
    QIRN_Shader* poShader = NewMaterialShader(
        QIRN_String().Format("%s.%s.%s.%s", m_szFileTitle.c_str(), m_szCurrentFrameName.c_str(),
                             m_szCurrentMeshName.c_str(), m_szCurrentMaterialName.c_str()));
    if (!poShader)
    {
        dprintf("*** QIRN_XFILE::ParseMaterial() - Memory allocation for the shader failed\n");
        return nullptr;
    }
    QIRN_ShaderPass& roPass = poShader->m_poPasses[0];
    DWORD dwSize = 0;
    void* pData = nullptr;
    if (FAILED(poData->GetData(nullptr, &dwSize, &pData)) || !pData || dwSize < 11 * sizeof(float))
    {
        return poShader;
    }
    float af[11];
    memcpy(af, pData, sizeof(af));
    QIRN_Material& roMaterial = roPass.m_oMaterial;
    roMaterial.m_vDiffuse = QIRN_Vector4(af[0], af[1], af[2], af[3]);
    roMaterial.m_vAmbient = roMaterial.m_vDiffuse;
    roMaterial.m_fPower = af[4];
    roMaterial.m_vSpecular = QIRN_Vector4(af[5], af[6], af[7], roMaterial.m_vSpecular.w);
    roMaterial.m_vEmissive = QIRN_Vector4(af[8], af[9], af[10], roMaterial.m_vEmissive.w);

    QIRN_ShaderLayer* poLayer = roPass.m_dwNumLayers ? &roPass.m_poLayers[0] : nullptr;
    QIRN_ComRef<IDirectXFileObject> poFirst;
    QIRN_ComRef<IDirectXFileData> poTexture;
    if (poLayer && SUCCEEDED(poData->GetNextObject(poFirst.Out())) && poFirst.Get() &&
        ChildData(poFirst.Get(), poTexture, true, nullptr) &&
        QIRN_IsXFileType(poTexture.Get(), QIRN_TID_TEXTUREFILENAME))
    {
        DWORD dwTextureSize = 0;
        void* pTexture = nullptr;
        std::string szTexture;
        if (SUCCEEDED(poTexture->GetData(nullptr, &dwTextureSize, &pTexture)))
        {
            DataReader oTexture(pTexture, dwTextureSize);
            ReadString(oTexture, szTexture);
        }
        if (!szTexture.empty())
        {
            poLayer->m_strTextureFileName = szTexture;
            poLayer->m_eTextureFormat = 21;
            poLayer->m_dwNumMipmapLevels = 1;
            poLayer->m_eCOLOROP = 1;
            poLayer->m_eCOLORARG1 = 5;
            poLayer->m_eCOLORARG2 = 1;
        }
    }
    roPass.m_strPixelShader = "";
    if (roMaterial.m_vDiffuse.w < 1.0f)
    {
        roPass.m_eSrcBlend = 4;
        roPass.m_eDestBlend = 5;
        if (poLayer)
        {
            poLayer->m_eALPHAOP = 2;
            poLayer->m_eALPHAARG1 = 5;
            poLayer->m_eALPHAARG2 = 1;
        }
    }
    return poShader;
}

bool QIRN_XFILE::AddPolygonGroup(QIRN_MeshData* poMesh, QIRN_Shader* poShader, uint32_t dwMaterial,
                                 const XFileFaces& roFaces, const std::vector<uint32_t>& roFaceIndices,
                                 bool bAllFaces)
{
    auto Taken = [&](size_t f)
    { return bAllFaces || (f < roFaceIndices.size() && roFaceIndices[f] == dwMaterial); };
    uint32_t dwNumIndices = 0;
    for (size_t f = 0; f < roFaces.size(); ++f)
    {
        if (Taken(f) && roFaces[f].size() >= 3)
        {
            dwNumIndices += 3 * static_cast<uint32_t>(roFaces[f].size() - 2);
        }
    }
    if (dwNumIndices < 3)
    {
        return false;
    }
    std::string szName =
        QIRN_String().Format("%s.%s.%s.%s", m_szFileTitle.c_str(), m_szCurrentFrameName.c_str(),
                             m_szCurrentMeshName.c_str(), m_szCurrentMaterialName.c_str());
    PolygonGroup oGroup(dwNumIndices, szName, poShader);
    if (oGroup.m_dwNumIndices != dwNumIndices)
    {
        return false;
    }
    uint32_t dwPos = 0;
    for (size_t f = 0; f < roFaces.size(); ++f)
    {
        const std::vector<uint32_t>& roFace = roFaces[f];
        if (!Taken(f) || roFace.size() < 3)
        {
            continue;
        }
        // A fan around the first index, wound as the renderers expect.
        for (size_t k = 0; k + 2 < roFace.size(); ++k)
        {
            oGroup.m_piIndices[dwPos++] = static_cast<int32_t>(roFace[0] & 0xFFFF);
            oGroup.m_piIndices[dwPos++] = static_cast<int32_t>(roFace[k + 2] & 0xFFFF);
            oGroup.m_piIndices[dwPos++] = static_cast<int32_t>(roFace[k + 1] & 0xFFFF);
        }
    }
    oGroup.Rebase();
    oGroup.m_pOwnerMesh = poMesh;
    oGroup.CalculateRawBounds();
    oGroup.CalculateBounds(BOUNDS_BONES);
    poMesh->AppendPolygonGroup(oGroup);
    return true;
}

int QIRN_XFILE::ParseMeshSkinWeights(QIRN_MeshData* poMesh, IDirectXFileData* poData, const void* pData,
                                     DWORD dwSize)
{
    DataReader oWhole(pData, dwSize);
    std::string szBoneName;
    DWORD dwMemberSize = 0;
    void* pMember = nullptr;
    bool bName = false;
    if (SUCCEEDED(poData->GetData("transformNodeName", &dwMemberSize, &pMember)) && pMember)
    {
        DataReader oMember(pMember, dwMemberSize);
        bName = ReadString(oMember, szBoneName);
    }
    // Readers that answer only the whole object: the name comes first.
    if (!ReadString(oWhole, szBoneName) && !bName)
    {
        dprintf("*** QIRN_XFILE::ParseMeshSkinWeights(): Can't Get Name of CP\n");
        return 1;
    }
    uint32_t nWeights = 0;
    const uint8_t* pbyIndices = nullptr;
    const uint8_t* pbyWeights = nullptr;
    const uint8_t* pbyOffset = nullptr;
    if (!oWhole.Dword(nWeights) || !(pbyIndices = oWhole.Take(nWeights)) ||
        !(pbyWeights = oWhole.Take(nWeights)) || !(pbyOffset = oWhole.Take(16)))
    {
        dprintf("*** QIRN_XFILE::ParseMeshSkinWeights() - pChildData->GetData() FAILED\n");
        return 1;
    }
    if (nWeights == 0)
    {
        dprintf("*** QIRN_XFILE::ParseMeshSkinWeights() - Found a skinned mesh with SkinWeights section that "
                "has 0 "
                "weights!\n");
        return 0;
    }
    std::vector<uint32_t> vIndices(nWeights);
    std::vector<float> vWeights(nWeights);
    memcpy(vIndices.data(), pbyIndices, static_cast<size_t>(nWeights) * 4);
    memcpy(vWeights.data(), pbyWeights, static_cast<size_t>(nWeights) * 4);
    QIRN_Matrix4 oOffset;
    memcpy(oOffset.Data(), pbyOffset, 16 * sizeof(float));
    SetWeights(poMesh, szBoneName, nWeights, vIndices.data(), vWeights.data(), oOffset);
    return 0;
}

void QIRN_XFILE::SetWeights(QIRN_MeshData* poMesh, const std::string& szBoneName, uint32_t n,
                            const uint32_t* pdwIndices, const float* pfWeights, const QIRN_Matrix4& roOffset)
{
    const uint32_t p = poMesh->m_dwNumPaletteEntries;
    // The palette has the skin header's bone count of slots, and a vertex keeps the slot in a byte.
    if (!poMesh->m_ppoBonePalette || p >= poMesh->m_dwPaletteCapacity || p >= MAX_PALETTE_SLOTS)
    {
        dprintf("*** QIRN_XFILE::SetWeights(): SkinWeights of bone '%s' needs palette slot %u, but the skin "
                "header "
                "gives %u bones - Ignoring it\n",
                szBoneName.c_str(), p, poMesh->m_ppoBonePalette ? poMesh->m_dwPaletteCapacity : 0);
        return;
    }
    XFilePendingCPReference* poReference =
        new (std::nothrow) XFilePendingCPReference(szBoneName, roOffset, poMesh, p);
    if (!poReference || !m_oPendingReferences.AppendNode(szBoneName.empty() ? "?" : szBoneName, poReference))
    {
        dprintf("*** QIRN_XFILE::SetWeights(): Can't keep the bone reference of '%s'\n", szBoneName.c_str());
        delete poReference;
        return;
    }
    poMesh->m_poOffsetMatrices[p] = roOffset;
    bool bBadIndexLogged = false;
    for (uint32_t i = 0; i < n; ++i)
    {
        if (pdwIndices[i] >= poMesh->m_vVertices.size())
        {
            if (!bBadIndexLogged)
            {
                dprintf("*** QIRN_XFILE::SetWeights(): Bone '%s' names vertex %u of %u - Ignoring it\n",
                        szBoneName.c_str(), pdwIndices[i], static_cast<unsigned>(poMesh->m_vVertices.size()));
                bBadIndexLogged = true;
            }
            continue;
        }
        QIRN_MeshVertex& roVertex = poMesh->m_vVertices[pdwIndices[i]];
        int32_t c = roVertex.m_iNumWeights;
        if (c >= MAXWEIGHTPERVTX)
        {
            dprintf("*** QIRN_XFILE::SetWeights(): More than MAXWEIGHTPERVTX bones per vertex detected - "
                    "Ignoring the "
                    "remainder\n");
            continue;
        }
        roVertex.m_afWeights[c] = pfWeights[i];
        roVertex.m_abyBoneIndices[c] = static_cast<uint8_t>(p);
        roVertex.m_iNumWeights = c + 1;
    }
    poMesh->m_dwNumPaletteEntries = p + 1;
}

void QIRN_XFILE::ForgetPendingReferences(const QIRN_MeshData* poMesh)
{
    QIRN_LINKEDLIST<XFilePendingCPReference>::Node* pNode = m_oPendingReferences.m_pHead;
    while (pNode)
    {
        QIRN_LINKEDLIST<XFilePendingCPReference>::Node* pNext = pNode->m_pNext;
        if (pNode->m_pData && pNode->m_pData->m_pMesh == poMesh)
        {
            m_oPendingReferences.DeleteNode(pNode);
        }
        pNode = pNext;
    }
}

int QIRN_XFILE::ResolvePendingCPReferenceList()
{
    int iResult = 0;
    for (QIRN_LINKEDLIST<XFilePendingCPReference>::Node* pNode = m_oPendingReferences.m_pHead; pNode;
         pNode = pNode->m_pNext)
    {
        XFilePendingCPReference* poReference = pNode->m_pData;
        if (!poReference || !poReference->m_pMesh)
        {
            continue;
        }
        QIRN_LINKEDLIST<QIRN_Frame>::Node* pFrame = m_oFrameList.FindNode(poReference->m_szBoneName);
        if (!pFrame || !pFrame->m_pData)
        {
            dprintf("QIRN_XFILE::ResolvePendingCPReferenceList() - Could not resolve bone reference.\n");
            iResult = 1;
            continue;
        }
        poReference->m_pMesh->m_ppoBonePalette[poReference->m_dwSlot] = pFrame->m_pData;
        pFrame->m_pData->m_oOffsetMatrix = poReference->m_oOffsetMatrix;
    }
    m_oPendingReferences.DeleteAllNodes();
    m_oFrameList.ReleaseAllNodes();
    return iResult;
}

void QIRN_XFILE::ParseAnimationSet(IDirectXFileData* poData)
{
    ForEachChild(poData,
                 [&](IDirectXFileObject* poChild)
                 {
                     QIRN_ComRef<IDirectXFileData> poAnimation;
                     if (!ChildData(poChild, poAnimation, false, nullptr) ||
                         !QIRN_IsXFileType(poAnimation.Get(), QIRN_TID_ANIMATION))
                     {
                         return true;
                     }
                     std::string szFrameName;
                     std::vector<QIRN_AnimationSequence*> vSequences =
                         ReadAnimation(poAnimation.Get(), szFrameName, m_fSecondsPerTick);
                     if (vSequences.empty())
                     {
                         dprintf("'.X' file loader: Couldn't load animation keyframes.\n");
                         return true;
                     }
                     QIRN_LINKEDLIST<QIRN_Frame>::Node* pFrame = m_oFrameList.FindNode(szFrameName);
                     if (!pFrame || !pFrame->m_pData)
                     {
                         dprintf("'.X' file loader; Can't resolve frame reference.\n");
                         DeleteSequences(vSequences);
                         return true;
                     }
                     for (QIRN_AnimationSequence* poSequence : vSequences)
                     {
                         InsertByKind(pFrame->m_pData->m_oAnimationSequences, poSequence);
                     }
                     return true;
                 });
}

void QIRN_XFILE::ParseAnimationSetEx(IDirectXFileData* poData, QIRN_AnimationSequenceList& roSequences,
                                     std::string szFrameName)
{
    ForEachChild(
        poData,
        [&](IDirectXFileObject* poChild)
        {
            QIRN_ComRef<IDirectXFileData> poAnimation;
            if (!ChildData(poChild, poAnimation, false, nullptr) ||
                !QIRN_IsXFileType(poAnimation.Get(), QIRN_TID_ANIMATION))
            {
                return true;
            }
            std::string szAnimatedFrame;
            std::vector<QIRN_AnimationSequence*> vSequences = ReadAnimation(poAnimation.Get(), szAnimatedFrame, m_fSecondsPerTick);
            if (szFrameName.empty())
            {
                szFrameName = szAnimatedFrame;
            }
            if (vSequences.empty())
            {
                dprintf("QIRN_XFILE::ParseAnimationSetEx()- ERROR - Couldn't load animation keyframes.\n");
                return true;
            }
            if (szAnimatedFrame != szFrameName)
            {
                DeleteSequences(vSequences);
                return true;
            }
            for (QIRN_AnimationSequence* poSequence : vSequences)
            {
                InsertByKind(roSequences, poSequence);
            }
            return true;
        });
}

QIRN_ErrorCode QIRN_XFILE::LoadAnimationSequences(std::string szFileName, std::string szFrameName,
                                                  QIRN_AnimationSequenceList& roSequences)
{
    dprintf("*** QIRN_XFILE::LoadAnimationSequences(): Loading %s.\n", szFileName.c_str());
    std::string szPath = QIRN_FindFile(szFileName, "");
    if (szPath.empty())
    {
        dprintf("*** QIRN_XFILE::LoadAnimationSequences() - QIRN_FindFile() FAILED\n");
        return GENERICERROR;
    }
    m_fSecondsPerTick = QIRN_XFILE_SECONDS_PER_TICK;
    QIRN_ComRef<IDirectXFileEnumObject> poEnum;
    if (!OpenDXFileEnum("LoadAnimationSequence", szPath, poEnum))
    {
        return GENERICERROR;
    }
    HRESULT hr = QIRN_ForEachXFileObject(poEnum.Get(),
                                         [&](IDirectXFileData* poData)
                                         {
                                             if (QIRN_IsXFileType(poData, QIRN_TID_ANIMATIONSET))
                                             {
                                                 ParseAnimationSetEx(poData, roSequences, szFrameName);
                                             }
                                             else if (QIRN_IsXFileType(poData, QIRN_TID_ANIMTICKSPERSECOND))
                                             {
                                                 m_fSecondsPerTick =
                                                     ReadTickRate(poData, szPath, m_fSecondsPerTick);
                                             }
                                         });
    poEnum.Reset();
    EndDXFileUse();
    if (hr != DXFILEERR_NOMOREOBJECTS)
    {
        QIRN_LogXFileRefused("QIRN_XFILE::LoadAnimationSequences", szPath, hr);
        return GENERICERROR;
    }
    dprintf("*** QIRN_XFILE::LoadAnimationSequences(): Load successful.\n");
    return OK;
}
