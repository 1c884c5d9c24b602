#include "qirn_meshdata.h"

#include "qirn_debug.h"
#include "qirn_frame.h"
#include "skinpartitioner.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

namespace
{
int g_iLiveMeshes = 0;

float ReadFloat(const uint8_t* pby)
{
    float f = 0.0f;
    memcpy(&f, pby, sizeof(f));
    return f;
}

float Clamp01(float f)
{
    // NaN fails both tests and ends at 0.
    if (!(f >= 0.0f))
    {
        return 0.0f;
    }
    return f > 1.0f ? 1.0f : f;
}

QIRN_Vector4 Normalized(const QIRN_Vector4& v)
{
    QIRN_Vector4 out;
    Vector_Normalize(&v, &out);
    return out;
}

QIRN_Vector4 Scaled(const QIRN_Vector4& v, float s)
{
    return QIRN_Vector4(v.x * s, v.y * s, v.z * s, 1.0f);
}
} // namespace

QIRN_MeshData::QIRN_MeshData()
    : m_szName(), m_vVertices(), m_vUnpartitionedVertices(), m_ppoBonePalette(nullptr),
      m_poOffsetMatrices(nullptr), m_dwNumPaletteEntries(0), m_dwPaletteCapacity(0),
      m_iPartitionedWeights(MAXWEIGHTPERVTX), m_iPartitionedThird(0), m_iPartitionedPaletteSize(0),
      m_iRequestedPaletteSize(0), m_iRequestedWeights(0), m_iRequestedThird(0), m_pOwnerFrame(nullptr),
      m_byBoundingSphereValid(0), m_byBoundingBoxValid(0), m_byConnectStrips(0), m_byBuildStrips(0),
      m_byCalculateTriangleBatches(0), m_byUnskinnedBatchesOnly(0), m_byReduceWeights(0),
      m_byStripsAsLists(1), m_dwMaxWeights(0)
{
    m_oBoundingSphere.m_fRadius = 0.0f;
    m_oBoundingSphere.m_vCenter = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_oBoundingBox.m_vMin = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    m_oBoundingBox.m_vMax = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    Matrix_Identity(&m_oLocalMatrix);
    for (int i = 0; i < QIRN_NUM_VERTEX_TABLES; ++i)
    {
        m_aiVertexTableCount[i] = 0;
        m_apiVertexTable[i] = nullptr;
    }
    ++g_iLiveMeshes;
}

int QIRN_MeshData::GetLiveCount()
{
    return g_iLiveMeshes;
}

QIRN_MeshData::~QIRN_MeshData()
{
    --g_iLiveMeshes;
    delete[] m_ppoBonePalette;
    m_ppoBonePalette = nullptr;
    delete[] m_poOffsetMatrices;
    m_poOffsetMatrices = nullptr;
    m_oPolygonGroups.clear();
    m_oUnpartitionedPolygonGroups.clear();
    m_vVertices.clear();
    m_vUnpartitionedVertices.clear();
    FreeVertexTables();
    m_szName.clear();
}

void QIRN_MeshData::SetPositions(const float* pfXYZ, unsigned uCount)
{
    m_vVertices.resize(uCount);
    for (unsigned i = 0; i < uCount; ++i)
    {
        QIRN_MeshVertex& v = m_vVertices[i];
        v.Clear();
        if (pfXYZ)
        {
            v.m_vPosition = QIRN_Vector4(pfXYZ[i * 3], pfXYZ[i * 3 + 1], pfXYZ[i * 3 + 2], 0.0f);
        }
        v.m_dwDiffuse = 0xFFFFFFFF;
        v.m_iTangentCount = 0;
        v.m_iSourceIndex = static_cast<int32_t>(i);
    }
}

void QIRN_MeshData::SetSkinnedVertices(const void* pRecords, unsigned uCount, int iWeightCount)
{
    const uint8_t* pby = static_cast<const uint8_t*>(pRecords);
    // The records carry four influences.
    iWeightCount = std::max(0, std::min(iWeightCount, 4));
    m_vVertices.resize(pby ? uCount : 0);
    for (unsigned i = 0; pby && i < uCount; ++i, pby += 52)
    {
        QIRN_MeshVertex& v = m_vVertices[i];
        v.Clear();
        v.m_vPosition = QIRN_Vector4(ReadFloat(pby), ReadFloat(pby + 4), ReadFloat(pby + 8), 0.0f);
        for (int k = 0; k < 3; ++k)
        {
            v.m_afWeights[k] = ReadFloat(pby + 12 + 4 * k);
        }
        v.m_afWeights[3] = 1.0f - (v.m_afWeights[0] + v.m_afWeights[1] + v.m_afWeights[2]);
        for (int k = 0; k < 4; ++k)
        {
            v.m_abyBoneIndices[k] = pby[24 + k];
        }
        v.m_iNumWeights = iWeightCount;
        v.m_vNormal = QIRN_Vector4(ReadFloat(pby + 28), ReadFloat(pby + 32), ReadFloat(pby + 36), 0.0f);
        v.m_dwDiffuse = 0xFFFFFFFF;
        v.m_dwNumTexSets = 1;
        v.m_afU[0] = ReadFloat(pby + 44);
        v.m_afV[0] = ReadFloat(pby + 48);
        v.m_iSourceIndex = static_cast<int32_t>(i);
    }
    UpdateBounds(BOUNDS_BONES);
}

void QIRN_MeshData::SetNormals(const float* pfXYZ)
{
    for (size_t i = 0; pfXYZ && i < m_vVertices.size(); ++i)
    {
        m_vVertices[i].m_vNormal = QIRN_Vector4(pfXYZ[i * 3], pfXYZ[i * 3 + 1], pfXYZ[i * 3 + 2], 0.0f);
    }
}

void QIRN_MeshData::AddTexCoords(const float* pfData, uint8_t byComponents)
{
    if (!pfData)
    {
        return;
    }
    for (QIRN_MeshVertex& v : m_vVertices)
    {
        uint32_t s = v.m_dwNumTexSets;
        if (s >= QIRN_MAX_TEXSETS)
        {
            continue;
        }
        v.m_afU[s] = *pfData++;
        v.m_abyTexSetSizes[s] = 1;
        if (byComponents > 1)
        {
            // Stored as v - 1, the orientation the renderers' texture loaders expect.
            v.m_afV[s] = *pfData++ - 1.0f;
            v.m_abyTexSetSizes[s] = 2;
        }
        if (byComponents > 2)
        {
            v.m_afW[s] = *pfData++;
            v.m_abyTexSetSizes[s] = 3;
        }
        v.m_dwNumTexSets = s + 1;
    }
}

void QIRN_MeshData::SetColors(const void* pRecords, unsigned uCount)
{
    const uint8_t* pby = static_cast<const uint8_t*>(pRecords);
    size_t nCount = std::min(static_cast<size_t>(uCount), m_vVertices.size());
    for (size_t i = 0; pby && i < nCount; ++i, pby += 20)
    {
        QIRN_MeshVertex& v = m_vVertices[i];
        float r = Clamp01(ReadFloat(pby + 4));
        float g = Clamp01(ReadFloat(pby + 8));
        float b = Clamp01(ReadFloat(pby + 12));
        float a = Clamp01(ReadFloat(pby + 16));
        v.m_dwDiffuse = (static_cast<uint32_t>(a * 255.0f) << 24) |
                        (static_cast<uint32_t>(r * 255.0f) << 16) | (static_cast<uint32_t>(g * 255.0f) << 8) |
                        static_cast<uint32_t>(b * 255.0f);
        v.m_afU[3] = r;
        v.m_afV[3] = g;
        v.m_afW[3] = b;
        v.m_afQ[3] = a;
    }
}

int QIRN_MeshData::AddPolygonGroup(const uint16_t* pwIndices, unsigned uNumIndices, QIRN_Shader* poShader)
{
    // Whole triangles only.
    uNumIndices -= uNumIndices % 3;
    PolygonGroup oGroup(uNumIndices, poShader ? poShader->GetName() : std::string(), poShader);
    for (unsigned i = 0; pwIndices && i < oGroup.m_dwNumIndices; ++i)
    {
        oGroup.m_piIndices[i] = pwIndices[i];
    }
    oGroup.Rebase();
    oGroup.m_pOwnerMesh = this;
    m_oPolygonGroups.push_back(oGroup);
    return 0;
}

void QIRN_MeshData::AppendPolygonGroup(const PolygonGroup& roGroup)
{
    m_oPolygonGroups.push_back(roGroup);
}

bool QIRN_MeshData::CreatePalette(uint32_t uCount)
{
    if (m_ppoBonePalette || uCount == 0)
    {
        return false;
    }
    m_ppoBonePalette = new (std::nothrow) QIRN_Frame*[uCount]();
    m_poOffsetMatrices = new (std::nothrow) QIRN_Matrix4[uCount];
    if (!m_ppoBonePalette || !m_poOffsetMatrices)
    {
        dprintf("*** QIRN_MeshData::CreatePalette() - Memory allocation for %u bones failed\n", uCount);
        delete[] m_ppoBonePalette;
        delete[] m_poOffsetMatrices;
        m_ppoBonePalette = nullptr;
        m_poOffsetMatrices = nullptr;
        return false;
    }
    for (uint32_t i = 0; i < uCount; ++i)
    {
        Matrix_Identity(&m_poOffsetMatrices[i]);
    }
    m_dwPaletteCapacity = uCount;
    return true;
}

void QIRN_MeshData::ComputeTangentSpace()
{
    std::vector<uint32_t> vIndices;
    for (const PolygonGroup& roGroup : m_oPolygonGroups)
    {
        for (uint32_t i = 0; i < roGroup.m_dwNumIndices; ++i)
        {
            vIndices.push_back(roGroup.m_dwBaseVertex + static_cast<uint32_t>(roGroup.m_piIndices[i]));
        }
    }
    const size_t nVertices = m_vVertices.size();
    for (size_t t = 0; t + 2 < vIndices.size(); t += 3)
    {
        if (vIndices[t] >= nVertices || vIndices[t + 1] >= nVertices || vIndices[t + 2] >= nVertices)
        {
            continue;
        }
        QIRN_MeshVertex& a = m_vVertices[vIndices[t]];
        QIRN_MeshVertex& b = m_vVertices[vIndices[t + 1]];
        QIRN_MeshVertex& c = m_vVertices[vIndices[t + 2]];
        QIRN_Vector4 e1, e2;
        Vector_Subtract(&b.m_vPosition, &a.m_vPosition, &e1);
        Vector_Subtract(&c.m_vPosition, &a.m_vPosition, &e2);
        float du1 = b.m_afU[0] - a.m_afU[0];
        float du2 = c.m_afU[0] - a.m_afU[0];
        float dv1 = b.m_afV[0] - a.m_afV[0];
        float dv2 = c.m_afV[0] - a.m_afV[0];
        float d = dv2 * du1 - dv1 * du2;
        if (d == 0.0f)
        {
            d = 1.0f;
        }
        QIRN_Vector4 vTangent = Normalized(Scaled(Scaled(e1, dv2) - Scaled(e2, dv1), 1.0f / d));
        QIRN_Vector4 vBinormal = Normalized(Scaled(Scaled(e1, du2) - Scaled(e2, du1), 1.0f / d));
        for (QIRN_MeshVertex* v : {&a, &b, &c})
        {
            v->m_avTangents[0].x += vTangent.x;
            v->m_avTangents[0].y += vTangent.y;
            v->m_avTangents[0].z += vTangent.z;
            v->m_avBinormals[0].x += vBinormal.x;
            v->m_avBinormals[0].y += vBinormal.y;
            v->m_avBinormals[0].z += vBinormal.z;
            ++v->m_iTangentCount;
        }
    }
    for (QIRN_MeshVertex& v : m_vVertices)
    {
        QIRN_Vector4 T = v.m_avTangents[0];
        QIRN_Vector4 B = v.m_avBinormals[0];
        if (v.m_iTangentCount != 0)
        {
            T = Scaled(T, 1.0f / static_cast<float>(v.m_iTangentCount));
            B = Scaled(B, 1.0f / static_cast<float>(v.m_iTangentCount));
        }
        const QIRN_Vector4& N = v.m_vNormal;
        T = Normalized(T - Scaled(N, Vector_Dot(&T, &N)));
        QIRN_Vector4 vMinusB = B - Scaled(N, Vector_Dot(&B, &N));
        QIRN_Vector4 vB2 = Normalized(Scaled(vMinusB, -1.0f));
        QIRN_Vector4 vCross;
        Vector_Cross(&N, &T, &vCross);
        QIRN_Vector4 C = Normalized(vCross);
        v.m_avTangents[0] = QIRN_Vector4(T.x, T.y, T.z, Vector_Dot(&vB2, &C) > 0.0f ? 1.0f : -1.0f);
        v.m_avBinormals[0] = C;
    }
}

QIRN_Matrix4 QIRN_MeshData::GetWorldMatrix() const
{
    QIRN_Matrix4 m;
    if (m_pOwnerFrame)
    {
        return m_pOwnerFrame->GetCombinedMatrix();
    }
    Matrix_Identity(&m);
    return m;
}

QIRN_Matrix4* QIRN_MeshData::GetWorldMatrix(QIRN_Matrix4* poOut) const
{
    if (poOut)
    {
        *poOut = GetWorldMatrix();
    }
    return poOut;
}

QIRN_Vector4 QIRN_MeshData::GetWorldPosition() const
{
    QIRN_Matrix4 m = GetWorldMatrix();
    return QIRN_Vector4(m._41, m._42, m._43, 1.0f);
}

QIRN_Vector4* QIRN_MeshData::GetWorldPosition(QIRN_Vector4* poOut) const
{
    if (poOut)
    {
        *poOut = GetWorldPosition();
    }
    return poOut;
}

QIRN_Matrix4 QIRN_MeshData::GetSkinMatrix(int iSlot) const
{
    QIRN_Matrix4 m;
    Matrix_Identity(&m);
    if (iSlot < 0 || static_cast<uint32_t>(iSlot) >= m_dwNumPaletteEntries || !m_ppoBonePalette ||
        !m_ppoBonePalette[iSlot])
    {
        return m;
    }
    const QIRN_Frame* poBone = m_ppoBonePalette[iSlot];
    const QIRN_Matrix4& roOffset = m_poOffsetMatrices ? m_poOffsetMatrices[iSlot] : poBone->m_oOffsetMatrix;
    Matrix_Multiply(&roOffset, &poBone->m_oCombinedMatrix, &m);
    return m;
}

QIRN_Matrix4* QIRN_MeshData::GetSkinMatrix(int iSlot, QIRN_Matrix4* poOut) const
{
    if (poOut)
    {
        *poOut = GetSkinMatrix(iSlot);
    }
    return poOut;
}

QIRN_BoundingSphere QIRN_MeshData::GetBoundingSphere(uint8_t* pbyValid) const
{
    if (pbyValid)
    {
        *pbyValid = m_byBoundingSphereValid;
    }
    return m_oBoundingSphere;
}

QIRN_BoundingBox QIRN_MeshData::GetBoundingBox(uint8_t* pbyValid) const
{
    if (pbyValid)
    {
        *pbyValid = m_byBoundingBoxValid;
    }
    return m_oBoundingBox;
}

uint32_t QIRN_MeshData::GetTotalIndexCount() const
{
    uint32_t dwTotal = 0;
    for (const PolygonGroup& roGroup : m_oPolygonGroups)
    {
        dwTotal += roGroup.m_dwNumIndices;
    }
    return dwTotal;
}

void QIRN_MeshData::UpdateBounds(int iMode)
{
    m_byBoundingBoxValid = 0;
    m_byBoundingSphereValid = 0;
    for (PolygonGroup& roGroup : m_oPolygonGroups)
    {
        if (IsSkinned() && iMode != BOUNDS_RAW)
        {
            roGroup.InvalidateBounds();
        }
        roGroup.CalculateBounds(iMode);
        QIRN_BoundingBox oBox = roGroup.GetBoundingBox();
        if (!m_byBoundingBoxValid)
        {
            m_oBoundingBox.Copy(oBox);
            m_byBoundingBoxValid = 1;
        }
        else
        {
            m_oBoundingBox.Union(oBox);
        }
    }
    m_oBoundingSphere.FromBox(m_oBoundingBox);
    m_byBoundingSphereValid = 1;
}

QIRN_MeshVertex* QIRN_MeshData::SkinVertex(QIRN_MeshVertex* poOut, int iSourceIndex, bool bNormal,
                                           bool bTangent, bool bBinormal) const
{
    if (!poOut)
    {
        return nullptr;
    }
    poOut->Clear();
    for (int i = 0; i < QIRN_MAX_TEXSETS; ++i)
    {
        poOut->m_avTangents[i] = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
        poOut->m_avBinormals[i] = QIRN_Vector4(0.0f, 0.0f, 0.0f, 1.0f);
    }
    if (iSourceIndex < 0 || static_cast<size_t>(iSourceIndex) >= m_vUnpartitionedVertices.size())
    {
        return poOut;
    }
    const QIRN_MeshVertex& s = m_vUnpartitionedVertices[iSourceIndex];
    QIRN_Vector4 vPosition(0, 0, 0, 1), vNormal(0, 0, 0, 1), vTangent(0, 0, 0, 1), vBinormal(0, 0, 0, 1);
    const int iCount = std::min(s.m_iNumWeights, static_cast<int32_t>(MAXWEIGHTPERVTX));
    for (int i = 0; i < iCount; ++i)
    {
        const float w = s.m_afWeights[i];
        QIRN_Matrix4 oSkin = GetSkinMatrix(s.m_abyBoneIndices[i]);
        QIRN_Matrix4 M;
        Matrix_Multiply(&oSkin, &m_oLocalMatrix, &M);
        QIRN_Vector4 v;
        Vector_TransformCoord(&M, &s.m_vPosition, &v);
        vPosition = vPosition + Scaled(v, w);
        if (!bNormal && !bTangent && !bBinormal)
        {
            continue;
        }
        // Directions follow the inverse transpose, so scaled bones keep them perpendicular.
        QIRN_Matrix4 oInverse;
        if (Matrix_Invert(&M, &oInverse) != 0)
        {
            oInverse = M;
        }
        QIRN_Matrix4 oNormalMatrix;
        Matrix_Transpose(&oInverse, &oNormalMatrix);
        QIRN_Vector4 d;
        if (bNormal)
        {
            Vector_TransformNormal(&oNormalMatrix, &s.m_vNormal, &d);
            vNormal = vNormal + Scaled(d, w);
        }
        if (bTangent)
        {
            Vector_TransformNormal(&oNormalMatrix, &s.m_avTangents[0], &d);
            vTangent = vTangent + Scaled(d, w);
        }
        if (bBinormal)
        {
            Vector_TransformNormal(&oNormalMatrix, &s.m_avBinormals[0], &d);
            vBinormal = vBinormal + Scaled(d, w);
        }
    }
    poOut->m_vPosition = vPosition;
    if (bNormal)
    {
        poOut->m_vNormal = Normalized(vNormal);
    }
    if (bTangent)
    {
        QIRN_Vector4 t = Normalized(vTangent);
        poOut->m_avTangents[0] = QIRN_Vector4(t.x, t.y, t.z, 1.0f);
    }
    if (bBinormal)
    {
        QIRN_Vector4 b = Normalized(vBinormal);
        poOut->m_avBinormals[0] = QIRN_Vector4(b.x, b.y, b.z, 1.0f);
    }
    return poOut;
}

void QIRN_MeshData::PartitionPolygonGroup(const PolygonGroup& roSource,
                                          const std::vector<QIRN_MeshVertex>& roUnpartitioned, uint32_t P,
                                          uint32_t W, uint32_t T, std::list<PolygonGroup>& roGroups,
                                          std::vector<QIRN_MeshVertex>& roVertices)
{
    SkinPartitioner oPartitioner(P, W, T);
    for (uint32_t i = roSource.m_dwBaseVertex;
         i < roSource.m_dwBaseVertex + roSource.m_num_vertices && i < roUnpartitioned.size(); ++i)
    {
        const QIRN_MeshVertex& u = roUnpartitioned[i];
        for (int k = 0; k < u.m_iNumWeights && k < MAXWEIGHTPERVTX; ++k)
        {
            oPartitioner.AddVertexBone(i, u.m_abyBoneIndices[k], u.m_afWeights[k]);
        }
    }
    // Whole triangles only; a trailing index or two is left out.
    for (uint32_t t = 0; 3 * t + 2 < roSource.m_dwNumIndices; ++t)
    {
        const int32_t* pi = roSource.m_piIndices + 3 * t;
        uint32_t dwBase = roSource.m_dwBaseVertex;
        oPartitioner.AddTriangle(dwBase + static_cast<uint32_t>(pi[0]), dwBase + static_cast<uint32_t>(pi[1]),
                                 dwBase + static_cast<uint32_t>(pi[2]));
    }
    oPartitioner.Partition();

    for (uint32_t g = 0; g < oPartitioner.GetGroupCount(); ++g)
    {
        const std::vector<SkinPartitioner::Triangle>& vTriangles = oPartitioner.GetGroupTriangles(g);
        PolygonGroup oGroup(static_cast<uint32_t>(3 * vTriangles.size()), roSource.m_szName,
                            const_cast<QIRN_Shader*>(&roSource.m_oShader), roSource.m_iNumShaderSlots,
                            roSource.m_ppoShaderSlots);
        oGroup.m_pOwnerMesh = roSource.m_pOwnerMesh;
        const SkinPartitioner::BoneSlots& roSlots = oPartitioner.GetGroupBones(g);
        for (const SkinPartitioner::BoneSlots::value_type& roSlot : roSlots)
        {
            oGroup.m_oBoneSlotMap[static_cast<int32_t>(roSlot.first)] = static_cast<int32_t>(roSlot.second);
            PolygonGroupBone oBone = {static_cast<int32_t>(roSlot.first),
                                      static_cast<int32_t>(roSlot.second)};
            oGroup.m_voBones.push_back(oBone);
        }
        oGroup.m_dwBaseVertex = static_cast<uint32_t>(roVertices.size());
        oGroup.m_num_vertices = oPartitioner.GetGroupVertexCount(g);
        for (uint32_t l = 0; l < oGroup.m_num_vertices; ++l)
        {
            uint32_t dwSource = oPartitioner.GetSourceVertex(g, l);
            QIRN_MeshVertex v;
            if (dwSource < roUnpartitioned.size())
            {
                v = roUnpartitioned[dwSource];
            }
            else
            {
                v.Clear();
            }
            const SkinPartitioner::BoneWeights& roBones = oPartitioner.GetVertexBones(g, l);
            int j = 0;
            for (const SkinPartitioner::BoneWeights::value_type& roBone : roBones)
            {
                if (j >= MAXWEIGHTPERVTX)
                {
                    break;
                }
                v.m_abyBoneIndices[j] = static_cast<uint8_t>(oPartitioner.GetPaletteSlot(g, roBone.first));
                v.m_afWeights[j] = roBone.second;
                ++j;
            }
            v.m_iNumWeights = j;
            roVertices.push_back(v);
        }
        for (size_t t = 0; t < vTriangles.size(); ++t)
        {
            for (int c = 0; c < 3; ++c)
            {
                oGroup.m_piIndices[3 * t + c] = static_cast<int32_t>(vTriangles[t][c]);
            }
        }
        // Over the vertices just made, which the mesh takes only after every group is built.
        oGroup.CalculateRawBounds(roVertices);
        roGroups.push_back(oGroup);
    }
}

void QIRN_MeshData::PartitionSkin(int, int, int)
{
    if (m_vUnpartitionedVertices.empty() && m_oUnpartitionedPolygonGroups.empty())
    {
        m_oUnpartitionedPolygonGroups = m_oPolygonGroups;
        m_vUnpartitionedVertices = m_vVertices;
    }
    if (m_iRequestedWeights == m_iPartitionedWeights &&
        m_iRequestedPaletteSize == m_iPartitionedPaletteSize && m_iRequestedThird == m_iPartitionedThird)
    {
        return;
    }
    std::list<PolygonGroup> oNewGroups;
    std::vector<QIRN_MeshVertex> vNewVertices;
    const uint32_t P = static_cast<uint32_t>(std::max(0, m_iRequestedPaletteSize));
    const uint32_t W = static_cast<uint32_t>(std::max(0, m_iRequestedWeights));
    const uint32_t T = static_cast<uint32_t>(std::max(0, m_iRequestedThird));
    for (const PolygonGroup& roGroup : m_oUnpartitionedPolygonGroups)
    {
        PartitionPolygonGroup(roGroup, m_vUnpartitionedVertices, P, W, T, oNewGroups, vNewVertices);
    }
    m_vVertices.swap(vNewVertices);

    // Renderers bound their shaders to the old groups: the split groups of each name take them over.
    std::string szHandled;
    for (const PolygonGroup& roOld : m_oPolygonGroups)
    {
        if (roOld.m_szName == szHandled)
        {
            continue;
        }
        szHandled = roOld.m_szName;
        for (PolygonGroup& roNew : oNewGroups)
        {
            if (roNew.m_szName == szHandled)
            {
                roNew.ClearShaders();
                roNew.AddShaders(roOld.m_ppoShaderSlots, roOld.m_iNumShaderSlots);
            }
        }
    }
    m_oPolygonGroups.swap(oNewGroups);
    m_iPartitionedWeights = m_iRequestedWeights;
    m_iPartitionedPaletteSize = m_iRequestedPaletteSize;
}

void QIRN_MeshData::ReduceWeights(uint32_t n)
{
    if (n == 0 || n > 3)
    {
        m_dwMaxWeights = 4;
        return;
    }
    for (QIRN_MeshVertex& v : m_vVertices)
    {
        if (v.m_iNumWeights <= static_cast<int32_t>(n))
        {
            continue;
        }
        std::pair<float, uint8_t> aPairs[4];
        for (int k = 0; k < 4; ++k)
        {
            aPairs[k] = std::make_pair(v.m_afWeights[k], v.m_abyBoneIndices[k]);
        }
        std::sort(aPairs, aPairs + 4,
                  [](const std::pair<float, uint8_t>& a, const std::pair<float, uint8_t>& b)
                  { return a.first > b.first; });
        float fSum = 0.0f;
        for (uint32_t k = 0; k < 4; ++k)
        {
            v.m_afWeights[k] = k < n ? aPairs[k].first : 0.0f;
            v.m_abyBoneIndices[k] = k < n ? aPairs[k].second : 0;
            fSum += k < n ? aPairs[k].first : 0.0f;
        }
        for (uint32_t k = 0; k < n && fSum != 0.0f; ++k)
        {
            v.m_afWeights[k] /= fSum;
        }
        v.m_iNumWeights = static_cast<int32_t>(n);
    }
}

uint32_t QIRN_MeshData::ComputeMaxWeights()
{
    uint32_t dwMax = 0;
    for (PolygonGroup& roGroup : m_oPolygonGroups)
    {
        dwMax = std::max(dwMax, roGroup.ComputeMaxWeights(m_vVertices));
    }
    m_dwMaxWeights = dwMax;
    return dwMax;
}

void QIRN_MeshData::FreeVertexTables()
{
    for (int i = 0; i < QIRN_NUM_VERTEX_TABLES; ++i)
    {
        delete[] m_apiVertexTable[i];
        m_apiVertexTable[i] = nullptr;
        m_aiVertexTableCount[i] = 0;
    }
}

void QIRN_MeshData::FillVertexTables(PolygonGroup& roGroup)
{
    const int32_t iCount = static_cast<int32_t>(m_vVertices.size());
    for (int iSet = 0; iSet < POLYGONGROUP_NUM_BATCH_SETS; ++iSet)
    {
        std::vector<PolygonGroupBatch>& voBatches = roGroup.m_aoBatchSets[iSet].m_voBatches;
        for (PolygonGroupBatch& roBatch : voBatches)
        {
            roBatch.m_aiRange[0] = iCount;
            roBatch.m_aiRange[1] = 1 - iCount;
        }
        // The renderers keep every current vertex: the numbering of a used set is the identity.
        if (voBatches.empty() || m_apiVertexTable[iSet])
        {
            continue;
        }
        m_apiVertexTable[iSet] = new (std::nothrow) int32_t[iCount ? iCount : 1];
        if (!m_apiVertexTable[iSet])
        {
            continue;
        }
        for (int32_t i = 0; i < iCount; ++i)
        {
            m_apiVertexTable[iSet][i] = i;
        }
        m_aiVertexTableCount[iSet] = iCount;
    }
}

void QIRN_MeshData::PreparePolygonGroups(int* piSet0Indices, int* piSet1Indices, int* piSet2Indices,
                                         int* piSet3Indices, int* piSet4Indices, int* piPrepassVertices,
                                         unsigned* puShadowIndices)
{
    int iDummy[6] = {0, 0, 0, 0, 0, 0};
    unsigned uDummy = 0;
    int* apiTotals[5] = {
        piSet0Indices ? piSet0Indices : &iDummy[0], piSet1Indices ? piSet1Indices : &iDummy[1],
        piSet2Indices ? piSet2Indices : &iDummy[2], piSet3Indices ? piSet3Indices : &iDummy[3],
        piSet4Indices ? piSet4Indices : &iDummy[4]};
    int* piPrepass = piPrepassVertices ? piPrepassVertices : &iDummy[5];
    unsigned* puShadow = puShadowIndices ? puShadowIndices : &uDummy;
    for (int* pi : apiTotals)
    {
        *pi = 0;
    }
    *piPrepass = 0;
    *puShadow = 0;
    FreeVertexTables();

    const bool bSkinned = IsSkinned();
    uint32_t dwRemembered = 0;
    if (bSkinned)
    {
        if (m_byReduceWeights)
        {
            ReduceWeights(m_dwMaxWeights);
        }
        dwRemembered = ComputeMaxWeights();
        m_dwMaxWeights = 4;
    }
    else
    {
        m_dwMaxWeights = 0;
    }
    for (PolygonGroup& roGroup : m_oPolygonGroups)
    {
        if (m_byCalculateTriangleBatches && bSkinned)
        {
            roGroup.CalculateTriangleBatches(m_vVertices);
        }
        else
        {
            roGroup.PrepareBatches(m_byUnskinnedBatchesOnly ? 0 : static_cast<int32_t>(m_dwMaxWeights));
        }
        if (m_byBuildStrips)
        {
            roGroup.BuildStrips(m_byConnectStrips, m_byStripsAsLists);
        }
        FillVertexTables(roGroup);
    }
    m_dwMaxWeights = bSkinned ? dwRemembered : 0;

    for (const PolygonGroup& roGroup : m_oPolygonGroups)
    {
        *apiTotals[0] += roGroup.GetSet0IndexCount();
        if (bSkinned)
        {
            for (int iSet = 1; iSet < POLYGONGROUP_NUM_BATCH_SETS; ++iSet)
            {
                *apiTotals[iSet] += roGroup.GetSetIndexCount(iSet);
            }
        }
        if (roGroup.HasPrepass())
        {
            *piPrepass += static_cast<int>(roGroup.m_num_vertices);
        }
        if (roGroup.HasShadowPass())
        {
            *puShadow += roGroup.m_dwNumIndices;
        }
    }
}
