#include "polygongroup.h"

#include "qirn_debug.h"
#include "qirn_frame.h"
#include "qirn_meshdata.h"
#include "stripifier.h"

#include <algorithm>
#include <cstring>
#include <new>

namespace
{
// Corners in ascending order per component, so a transformed box stays a box.
void SortCorners(QIRN_BoundingBox& roBox)
{
    QIRN_Vector4& a = roBox.m_vMin;
    QIRN_Vector4& b = roBox.m_vMax;
    if (a.x > b.x)
    {
        std::swap(a.x, b.x);
    }
    if (a.y > b.y)
    {
        std::swap(a.y, b.y);
    }
    if (a.z > b.z)
    {
        std::swap(a.z, b.z);
    }
    a.w = 1.0f;
    b.w = 1.0f;
}

QIRN_BoundingBox ZeroBox()
{
    QIRN_BoundingBox oBox;
    oBox.m_vMin = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    oBox.m_vMax = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    return oBox;
}

QIRN_BoundingSphere ZeroSphere()
{
    QIRN_BoundingSphere oSphere;
    oSphere.m_fRadius = 0.0f;
    oSphere.m_vCenter = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    return oSphere;
}

// ASCII lower case only, as pass names are compared.
std::string LowerAscii(std::string sz)
{
    for (char& c : sz)
    {
        if (c >= 'A' && c <= 'Z')
        {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return sz;
}
} // namespace

void PolygonGroup::Init(uint32_t dwNumIndices, const std::string& szName, QIRN_Shader* poShader)
{
    m_dwStartIndex = 0;
    m_dwBaseVertex = 0;
    m_start_alpha_vertex_index = 0;
    m_num_vertices = 0;
    m_piIndices = dwNumIndices ? new (std::nothrow) int32_t[dwNumIndices]() : nullptr;
    m_dwNumIndices = m_piIndices ? dwNumIndices : 0;
    if (dwNumIndices && !m_piIndices)
    {
        dprintf("*** PolygonGroup::PolygonGroup() - Memory allocation for %u indices failed\n", dwNumIndices);
    }
    m_szName = szName;
    if (poShader)
    {
        m_oShader = *poShader;
    }
    m_oShader.m_poOwner = this;
    m_iNumShaderSlots = 0;
    m_iShaderSlotCapacity = 0;
    m_ppoShaderSlots = nullptr;
    m_pOwnerMesh = nullptr;
    m_iMaxWeightCount = 0;
    m_oBox = ZeroBox();
    m_byBoxValid = 0;
    m_oRawBox = ZeroBox();
    m_byRawBoxValid = 0;
    m_oSphere = ZeroSphere();
    m_bySphereValid = 0;
    m_oRawSphere = ZeroSphere();
    m_byRawSphereValid = 0;
    m_iBoundsMode = BOUNDS_BONES;
}

PolygonGroup::PolygonGroup(uint32_t dwNumIndices, std::string szName, QIRN_Shader* poShader)
{
    Init(dwNumIndices, szName, poShader);
}

PolygonGroup::PolygonGroup(uint32_t dwNumIndices, std::string szName, QIRN_Shader* poShader,
                           int32_t iNumSlots, QIRN_Shader** ppoSlots)
{
    Init(dwNumIndices, szName, poShader);
    if (ppoSlots && iNumSlots > 0)
    {
        AddShaders(ppoSlots, iNumSlots);
    }
}

PolygonGroup::PolygonGroup(const PolygonGroup& other)
{
    Init(0, std::string(), nullptr);
    CopyFrom(other);
}

PolygonGroup& PolygonGroup::operator=(const PolygonGroup& other)
{
    if (this != &other)
    {
        CopyFrom(other);
    }
    return *this;
}

void PolygonGroup::CopyFrom(const PolygonGroup& other)
{
    m_dwStartIndex = other.m_dwStartIndex;
    m_dwBaseVertex = other.m_dwBaseVertex;
    m_start_alpha_vertex_index = other.m_start_alpha_vertex_index;
    m_num_vertices = other.m_num_vertices;
    delete[] m_piIndices;
    m_piIndices = other.m_dwNumIndices ? new (std::nothrow) int32_t[other.m_dwNumIndices] : nullptr;
    m_dwNumIndices = m_piIndices ? other.m_dwNumIndices : 0;
    if (m_piIndices)
    {
        memcpy(m_piIndices, other.m_piIndices, other.m_dwNumIndices * sizeof(int32_t));
    }
    m_szName = other.m_szName;
    m_oShader = other.m_oShader;
    m_oShader.m_poOwner = this;
    FreeShaderSlots();
    AddShaders(other.m_ppoShaderSlots, other.m_iNumShaderSlots);
    m_oBoneSlotMap = other.m_oBoneSlotMap;
    m_voBones = other.m_voBones;
    m_pOwnerMesh = other.m_pOwnerMesh;
    m_iMaxWeightCount = other.m_iMaxWeightCount;
    m_oBox = other.m_oBox;
    m_byBoxValid = other.m_byBoxValid;
    m_oRawBox = other.m_oRawBox;
    m_byRawBoxValid = other.m_byRawBoxValid;
    m_oSphere = other.m_oSphere;
    m_bySphereValid = other.m_bySphereValid;
    m_oRawSphere = other.m_oRawSphere;
    m_byRawSphereValid = other.m_byRawSphereValid;
    m_iBoundsMode = other.m_iBoundsMode;
    FreeBatches();
    m_aoBatchSets[0] = other.m_aoBatchSets[0];
}

PolygonGroup::~PolygonGroup()
{
    delete[] m_piIndices;
    m_piIndices = nullptr;
    FreeShaderSlots();
    m_voBones.clear();
    FreeBatches();
    m_oBoneSlotMap.clear();
}

void PolygonGroup::FreeShaderSlots()
{
    delete[] m_ppoShaderSlots;
    m_ppoShaderSlots = nullptr;
    m_iNumShaderSlots = 0;
    m_iShaderSlotCapacity = 0;
}

int32_t PolygonGroup::Rebase()
{
    if (!m_piIndices || m_dwNumIndices == 0)
    {
        m_dwBaseVertex = 0;
        m_num_vertices = 0;
        return static_cast<int32_t>(m_dwNumIndices);
    }
    uint32_t dwMin = static_cast<uint32_t>(m_piIndices[0]);
    uint32_t dwMax = dwMin;
    for (uint32_t i = 0; i < m_dwNumIndices; ++i)
    {
        uint32_t dwIndex = static_cast<uint32_t>(m_piIndices[i]);
        dwMin = std::min(dwMin, dwIndex);
        dwMax = std::max(dwMax, dwIndex);
    }
    m_dwBaseVertex = dwMin;
    m_num_vertices = dwMax - dwMin + 1;
    for (uint32_t i = 0; i < m_dwNumIndices; ++i)
    {
        m_piIndices[i] = static_cast<int32_t>(static_cast<uint32_t>(m_piIndices[i]) - dwMin);
    }
    return static_cast<int32_t>(m_dwNumIndices);
}

int32_t PolygonGroup::AddShader(QIRN_Shader* poShader)
{
    if (m_iNumShaderSlots >= m_iShaderSlotCapacity && !GrowShaders(m_iNumShaderSlots + 2))
    {
        return -1;
    }
    m_ppoShaderSlots[m_iNumShaderSlots] = poShader;
    if (poShader)
    {
        poShader->m_poOwner = this;
    }
    return m_iNumShaderSlots++;
}

bool PolygonGroup::AddShaders(QIRN_Shader** ppoShaders, int32_t iCount)
{
    if (!ppoShaders || iCount <= 0)
    {
        return true;
    }
    if (m_iShaderSlotCapacity < iCount && !GrowShaders(iCount + 1))
    {
        return false;
    }
    for (int32_t i = 0; i < iCount; ++i)
    {
        if (AddShader(ppoShaders[i]) < 0)
        {
            return false;
        }
    }
    return true;
}

bool PolygonGroup::SetShader(QIRN_Shader* poShader, int32_t iIndex)
{
    if (!poShader || iIndex < 0 || iIndex >= m_iNumShaderSlots)
    {
        return false;
    }
    m_ppoShaderSlots[iIndex] = poShader;
    poShader->m_poOwner = this;
    return true;
}

QIRN_Shader* PolygonGroup::GetShader(int32_t iIndex) const
{
    if (iIndex < 0 || iIndex >= m_iNumShaderSlots)
    {
        return nullptr;
    }
    return m_ppoShaderSlots[iIndex];
}

bool PolygonGroup::GrowShaders(int32_t iCapacity)
{
    if (iCapacity < m_iNumShaderSlots)
    {
        return false;
    }
    if (iCapacity == m_iShaderSlotCapacity)
    {
        return true;
    }
    QIRN_Shader** ppoSlots = new (std::nothrow) QIRN_Shader*[iCapacity > 0 ? iCapacity : 1];
    if (!ppoSlots)
    {
        return false;
    }
    for (int32_t i = 0; i < iCapacity; ++i)
    {
        ppoSlots[i] = i < m_iNumShaderSlots ? m_ppoShaderSlots[i] : nullptr;
    }
    delete[] m_ppoShaderSlots;
    m_ppoShaderSlots = ppoSlots;
    m_iShaderSlotCapacity = iCapacity;
    return true;
}

bool PolygonGroup::ClearShaders()
{
    for (int32_t i = 0; i < m_iShaderSlotCapacity; ++i)
    {
        m_ppoShaderSlots[i] = nullptr;
    }
    m_iNumShaderSlots = 0;
    return true;
}

bool PolygonGroup::HasPrepass() const
{
    for (int32_t i = 0; i < m_iNumShaderSlots; ++i)
    {
        const QIRN_Shader* poShader = m_ppoShaderSlots[i];
        if (!poShader)
        {
            continue;
        }
        // Only the first bound shader decides.
        for (uint32_t p = 0; p < poShader->m_dwNumPasses; ++p)
        {
            const QIRN_ShaderPass& roPass = poShader->m_poPasses[p];
            if (roPass.m_eSortMode != 0 || LowerAscii(roPass.GetName()) == "prepass")
            {
                return true;
            }
        }
        return false;
    }
    return false;
}

bool PolygonGroup::HasShadowPass() const
{
    for (int32_t i = 0; i < m_iNumShaderSlots; ++i)
    {
        const QIRN_Shader* poShader = m_ppoShaderSlots[i];
        for (uint32_t p = 0; poShader && p < poShader->m_dwNumPasses; ++p)
        {
            if (poShader->m_poPasses[p].m_bIsShadowPass)
            {
                return true;
            }
        }
    }
    return false;
}

void PolygonGroup::FreeBatches()
{
    for (PolygonGroupBatchSet& roSet : m_aoBatchSets)
    {
        roSet.m_voBatches.clear();
    }
}

void PolygonGroup::PrepareBatches(int32_t k)
{
    FreeBatches();
    if (k <= 0)
    {
        k = m_iMaxWeightCount;
    }
    if (k < 0 || k > 4)
    {
        return;
    }
    PolygonGroupBatch oBatch;
    oBatch.m_iNumIndices = static_cast<int32_t>(m_dwNumIndices);
    if (k >= 1 && k <= 3)
    {
        oBatch.m_bHasIndexList = true;
        oBatch.m_viIndices.assign(m_piIndices, m_piIndices + m_dwNumIndices);
    }
    m_aoBatchSets[k].m_voBatches.push_back(oBatch);
}

void PolygonGroup::CalculateTriangleBatches(const std::vector<QIRN_MeshVertex>& roVertices)
{
    std::vector<int32_t> avTriangles[POLYGONGROUP_NUM_BATCH_SETS];
    for (uint32_t t = 0; t + 2 < m_dwNumIndices; t += 3)
    {
        int32_t iMax = 0;
        for (uint32_t c = 0; c < 3; ++c)
        {
            size_t nVertex = static_cast<size_t>(m_dwBaseVertex) + static_cast<uint32_t>(m_piIndices[t + c]);
            if (nVertex < roVertices.size())
            {
                iMax = std::max(iMax, roVertices[nVertex].m_iNumWeights);
            }
        }
        if (iMax <= 0 || iMax > 4)
        {
            dprintf("***** PolygonGroup :: CalculateTriangleBatches() - ");
            dprintf("Detected triangle with vertex having more than 4 weights or no weights\n");
            continue;
        }
        int iSet = iMax <= 2 ? 2 : iMax;
        avTriangles[iSet].insert(avTriangles[iSet].end(), m_piIndices + t, m_piIndices + t + 3);
    }
    for (int iSet = 2; iSet < POLYGONGROUP_NUM_BATCH_SETS; ++iSet)
    {
        if (avTriangles[iSet].empty())
        {
            continue;
        }
        PolygonGroupBatch oBatch;
        oBatch.m_iNumIndices = static_cast<int32_t>(avTriangles[iSet].size());
        oBatch.m_bHasIndexList = true;
        oBatch.m_viIndices = avTriangles[iSet];
        m_aoBatchSets[iSet].m_voBatches.assign(1, oBatch);
    }
}

void PolygonGroup::BuildStrips(uint8_t byConnect, uint8_t byAsList)
{
    for (int iSet = 0; iSet < POLYGONGROUP_NUM_BATCH_SETS; ++iSet)
    {
        if (!m_aoBatchSets[iSet].m_voBatches.empty())
        {
            BuildIndexStrip(iSet, byConnect, byAsList);
        }
    }
}

void PolygonGroup::BuildIndexStrip(int iSet, uint8_t byConnect, uint8_t byAsList)
{
    if (iSet < 0 || iSet >= POLYGONGROUP_NUM_BATCH_SETS || m_aoBatchSets[iSet].m_voBatches.size() != 1)
    {
        return;
    }
    const PolygonGroupBatch& roBatch = m_aoBatchSets[iSet].m_voBatches[0];
    const int32_t* piIndices = GetBatchIndices(iSet, 0);
    std::vector<uint32_t> vIndices(piIndices, piIndices + roBatch.m_iNumIndices);
    StripifierCreateParams oParams;
    oParams.m_dwNbFaces = static_cast<uint32_t>(roBatch.m_iNumIndices / 3);
    oParams.m_pdwIndices = vIndices.data();
    oParams.m_bAskForWords = true;
    oParams.m_bOneSided = true;
    oParams.m_bSortByNeighbours = false;
    oParams.m_bConnectAllStrips = byConnect != 0;
    Stripifier oStripifier;
    StripifierResult oResult;
    if (!oStripifier.Init(oParams) || !oStripifier.Compute(oResult))
    {
        dprintf("*** PolygonGroup :: BuildIndexStrip() - Can't initialize stripifier\n");
        return;
    }
    const uint16_t* pwStrips = static_cast<const uint16_t*>(oResult.m_pvStripIndices);
    std::vector<PolygonGroupBatch> voBatches;
    if (byAsList)
    {
        PolygonGroupBatch oList;
        oList.m_bHasIndexList = true;
        uint32_t dwPos = 0;
        for (uint32_t s = 0; s < oResult.m_dwNbStrips; ++s)
        {
            uint32_t dwLength = oResult.m_pdwStripLengths[s];
            for (uint32_t t = 0; t + 2 < dwLength; ++t)
            {
                const uint16_t* w = pwStrips + dwPos + t;
                if (t & 1)
                {
                    oList.m_viIndices.insert(oList.m_viIndices.end(), {w[1], w[0], w[2]});
                }
                else
                {
                    oList.m_viIndices.insert(oList.m_viIndices.end(), {w[0], w[1], w[2]});
                }
            }
            dwPos += dwLength;
        }
        oList.m_iNumIndices = static_cast<int32_t>(oList.m_viIndices.size());
        voBatches.push_back(oList);
    }
    else
    {
        uint32_t dwPos = 0;
        for (uint32_t s = 0; s < oResult.m_dwNbStrips; ++s)
        {
            PolygonGroupBatch oStrip;
            uint32_t dwLength = oResult.m_pdwStripLengths[s];
            oStrip.m_bHasIndexList = true;
            oStrip.m_viIndices.assign(pwStrips + dwPos, pwStrips + dwPos + dwLength);
            oStrip.m_iNumIndices = static_cast<int32_t>(dwLength);
            voBatches.push_back(oStrip);
            dwPos += dwLength;
        }
    }
    m_aoBatchSets[iSet].m_voBatches = voBatches;
}

int32_t PolygonGroup::GetSetIndexCount(int iSet) const
{
    if (iSet < 0 || iSet >= POLYGONGROUP_NUM_BATCH_SETS)
    {
        return 0;
    }
    int32_t iTotal = 0;
    for (const PolygonGroupBatch& roBatch : m_aoBatchSets[iSet].m_voBatches)
    {
        iTotal += roBatch.m_iNumIndices;
    }
    return iTotal;
}

const int32_t* PolygonGroup::GetBatchIndices(int iSet, int iBatch) const
{
    if (iSet < 0 || iSet >= POLYGONGROUP_NUM_BATCH_SETS || iBatch < 0 ||
        iBatch >= static_cast<int>(m_aoBatchSets[iSet].m_voBatches.size()))
    {
        return nullptr;
    }
    const PolygonGroupBatch& roBatch = m_aoBatchSets[iSet].m_voBatches[iBatch];
    return roBatch.m_bHasIndexList ? roBatch.m_viIndices.data() : m_piIndices;
}

uint32_t PolygonGroup::ComputeMaxWeights(const std::vector<QIRN_MeshVertex>& roVertices)
{
    int32_t iMax = 0;
    for (uint32_t i = 0; i < m_num_vertices; ++i)
    {
        size_t nVertex = static_cast<size_t>(m_dwBaseVertex) + i;
        if (nVertex < roVertices.size())
        {
            iMax = std::max(iMax, roVertices[nVertex].m_iNumWeights);
        }
    }
    m_iMaxWeightCount = iMax;
    return static_cast<uint32_t>(iMax);
}

void PolygonGroup::AddPoint(QIRN_BoundingBox& roBox, bool& rbFirst, const QIRN_Vector4& v)
{
    if (rbFirst)
    {
        roBox.m_vMin = QIRN_Vector4(v.x, v.y, v.z, 1.0f);
        roBox.m_vMax = roBox.m_vMin;
        rbFirst = false;
        return;
    }
    roBox.m_vMin.x = std::min(roBox.m_vMin.x, v.x);
    roBox.m_vMin.y = std::min(roBox.m_vMin.y, v.y);
    roBox.m_vMin.z = std::min(roBox.m_vMin.z, v.z);
    roBox.m_vMax.x = std::max(roBox.m_vMax.x, v.x);
    roBox.m_vMax.y = std::max(roBox.m_vMax.y, v.y);
    roBox.m_vMax.z = std::max(roBox.m_vMax.z, v.z);
}

void PolygonGroup::CalculateRawBounds()
{
    if (!m_pOwnerMesh)
    {
        return;
    }
    CalculateRawBounds(m_pOwnerMesh->m_vVertices);
}

void PolygonGroup::CalculateRawBounds(const std::vector<QIRN_MeshVertex>& roVertices)
{
    QIRN_BoundingBox oBox = ZeroBox();
    bool bFirst = true;
    for (uint32_t i = 0; i < m_dwNumIndices; ++i)
    {
        size_t nVertex = static_cast<size_t>(m_dwBaseVertex) + static_cast<uint32_t>(m_piIndices[i]);
        if (nVertex < roVertices.size())
        {
            AddPoint(oBox, bFirst, roVertices[nVertex].m_vPosition);
        }
    }
    m_oRawBox = oBox;
    m_byRawBoxValid = 1;
    m_oRawSphere.FromBox(m_oRawBox);
    m_byRawSphereValid = 1;
}

void PolygonGroup::CalculateBounds(int32_t iMode)
{
    if (m_byBoxValid)
    {
        m_iBoundsMode = iMode;
        return;
    }
    QIRN_BoundingBox oBox = ZeroBox();
    bool bFirst = true;
    const QIRN_MeshData* poMesh = m_pOwnerMesh;
    if (poMesh && iMode == BOUNDS_BONES && !m_voBones.empty())
    {
        for (const PolygonGroupBone& roBone : m_voBones)
        {
            // A slot whose bone was never found has no position to offer.
            if (roBone.m_iPaletteSlot < 0 ||
                static_cast<uint32_t>(roBone.m_iPaletteSlot) >= poMesh->m_dwNumPaletteEntries ||
                !poMesh->m_ppoBonePalette || !poMesh->m_ppoBonePalette[roBone.m_iPaletteSlot])
            {
                continue;
            }
            QIRN_Matrix4 m = poMesh->m_ppoBonePalette[roBone.m_iPaletteSlot]->GetCombinedMatrix();
            AddPoint(oBox, bFirst, QIRN_Vector4(m._41, m._42, m._43, 1.0f));
        }
    }
    else if (poMesh && iMode == BOUNDS_SKINNED && !m_voBones.empty())
    {
        for (uint32_t i = 0; i < m_dwNumIndices; ++i)
        {
            size_t nVertex = static_cast<size_t>(m_dwBaseVertex) + static_cast<uint32_t>(m_piIndices[i]);
            if (nVertex >= poMesh->m_vVertices.size())
            {
                continue;
            }
            int32_t iSource = poMesh->m_vVertices[nVertex].m_iSourceIndex;
            if (iSource < 0 || static_cast<size_t>(iSource) >= poMesh->m_vUnpartitionedVertices.size())
            {
                continue;
            }
            QIRN_MeshVertex oSkinned;
            poMesh->SkinVertex(&oSkinned, iSource, false, false, false);
            AddPoint(oBox, bFirst, oSkinned.m_vPosition);
        }
    }
    if (poMesh && bFirst)
    {
        for (uint32_t i = 0; i < m_dwNumIndices; ++i)
        {
            size_t nVertex = static_cast<size_t>(m_dwBaseVertex) + static_cast<uint32_t>(m_piIndices[i]);
            if (nVertex < poMesh->m_vVertices.size())
            {
                AddPoint(oBox, bFirst, poMesh->m_vVertices[nVertex].m_vPosition);
            }
        }
    }
    m_oBox = oBox;
    m_byBoxValid = 1;
    m_oSphere.FromBox(m_oBox);
    m_bySphereValid = 1;
    m_iBoundsMode = iMode;
}

QIRN_BoundingBox PolygonGroup::GetBoundingBox() const
{
    QIRN_BoundingBox oBox = m_oBox;
    if (!m_pOwnerMesh)
    {
        return oBox;
    }
    const bool bSkinned = m_pOwnerMesh->IsSkinned();
    if (bSkinned && m_iBoundsMode == BOUNDS_RAW)
    {
        oBox = m_oRawBox;
    }
    else if (bSkinned && m_iBoundsMode == BOUNDS_BONES)
    {
        oBox = m_oRawBox;
        oBox.SetCenter(m_oBox.GetCenter());
    }
    if (m_iBoundsMode != BOUNDS_SKINNED)
    {
        QIRN_Matrix4 m = m_pOwnerMesh->GetLocalMatrix();
        if (!bSkinned && m_iBoundsMode == BOUNDS_BONES)
        {
            QIRN_Matrix4 oWorld = m_pOwnerMesh->GetWorldMatrix();
            Matrix_Multiply(&oWorld, &m, &m);
        }
        oBox.Transform(m);
        SortCorners(oBox);
    }
    return oBox;
}

QIRN_BoundingSphere PolygonGroup::GetBoundingSphere() const
{
    QIRN_BoundingSphere oSphere;
    oSphere.FromBox(GetBoundingBox());
    return oSphere;
}

void PolygonGroup::InvalidateBounds()
{
    m_byBoxValid = 0;
    m_bySphereValid = 0;
}
