#include "qirn_mesh_gl.h"

#include "qirn_debug.h"
#include "qirn_dynamicvertex.h"
#include "qirn_extensions_gl.h"
#include "qirn_graphics_gl.h"
#include "qirn_meshdata.h"
#include "qirn_render_buffer_gl.h"
#include "qirn_render_states_gl.h"
#include "qirn_shader_gl.h"

#include <algorithm>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <cstring>
#include <new>
#include <vector>

namespace
{
// Position, normal, diffuse colour and one texture set.
const uint32_t QIRN_GL_DEFAULTFVF = 338;

// The batch list of the render group that holds a batch set's batches.
int ListOfSet(int iSet)
{
    return iSet + 1;
}

void BlendOne(const float* pfIn, const QIRN_Matrix4& m, float fWeight, float* pfOut)
{
    const QIRN_Vector4 v(pfIn[0], pfIn[1], pfIn[2], 1.0f);
    QIRN_Vector4 r;
    Vector_TransformCoord(&m, &v, &r);
    pfOut[0] += r.x * fWeight;
    pfOut[1] += r.y * fWeight;
    pfOut[2] += r.z * fWeight;
}

void Blend(const float* pfIn, const QIRN_Matrix4* paoPalette, uint32_t dwIndices, int iInfluences,
           const float* pfWeights, int iWeights, bool bNormal, float* pfOut)
{
    pfOut[0] = pfOut[1] = pfOut[2] = 0.0f;
    float fSum = 0.0f;
    for (int i = 0; i < iInfluences && i < 4; ++i)
    {
        QIRN_Matrix4 m = paoPalette[(dwIndices >> (8 * i)) & 0xFF];
        if (bNormal)
        {
            QIRN_Matrix4 oNormal;
            ComputeNormalMatrix(m, oNormal);
            m = oNormal;
        }
        float fWeight = 0.0f;
        if (i < iWeights)
        {
            fWeight = pfWeights[i];
            fSum += fWeight;
        }
        else if (i == iWeights)
        {
            fWeight = 1.0f - fSum;
        }
        BlendOne(pfIn, m, fWeight, pfOut);
    }
}

// The four weights of a stored vertex: three kept, the fourth 1 minus their sum (summed in order,
// as the per-vertex blend sums them).
inline void FourWeights(const float* pfStored, float* pfWeights)
{
    float fSum = 0.0f;
    for (int i = 0; i < 3; ++i)
    {
        pfWeights[i] = pfStored[i];
        fSum += pfStored[i];
    }
    pfWeights[3] = 1.0f - fSum;
}

#if defined(__SSE2__)
// Row-vector transform of (x, y, z, 1) by the rows of a matrix, each lane summed in the order of
// Vector_TransformCoord, so that every lane rounds as the scalar form does.
inline __m128 TransformRows(__m128 x, __m128 y, __m128 z, const float* m)
{
    return _mm_add_ps(_mm_add_ps(_mm_add_ps(_mm_mul_ps(x, _mm_loadu_ps(m)), _mm_mul_ps(y, _mm_loadu_ps(m + 4))),
                                 _mm_mul_ps(z, _mm_loadu_ps(m + 8))),
                      _mm_loadu_ps(m + 12));
}
#endif

// One draw vertex from one stored vertex. An influence of weight 0 adds nothing to a finite
// result (the sums start at +0 and can never be -0), so it is skipped.
inline void BlendDrawVertex(const QIRN_SkinnedVertexGL& o, const QIRN_Matrix4* paoPalette,
                            const QIRN_Matrix4* paoNormals, float* pfDraw)
{
    float afWeights[4];
    FourWeights(o.afWeights, afWeights);
#if defined(__SSE2__)
    const __m128 px = _mm_set1_ps(o.afPosition[0]), py = _mm_set1_ps(o.afPosition[1]),
                 pz = _mm_set1_ps(o.afPosition[2]);
    const __m128 nx = _mm_set1_ps(o.afNormal[0]), ny = _mm_set1_ps(o.afNormal[1]), nz = _mm_set1_ps(o.afNormal[2]);
    __m128 vPosition = _mm_setzero_ps();
    __m128 vNormal = _mm_setzero_ps();
    for (int i = 0; i < 4; ++i)
    {
        if (afWeights[i] == 0.0f)
        {
            continue;
        }
        const uint32_t uSlot = (o.dwIndices >> (8 * i)) & 0xFF;
        const __m128 w = _mm_set1_ps(afWeights[i]);
        vPosition = _mm_add_ps(vPosition, _mm_mul_ps(TransformRows(px, py, pz, paoPalette[uSlot].Data()), w));
        vNormal = _mm_add_ps(vNormal, _mm_mul_ps(TransformRows(nx, ny, nz, paoNormals[uSlot].Data()), w));
    }
    alignas(16) float afPosition[4], afNormal[4];
    _mm_store_ps(afPosition, vPosition);
    _mm_store_ps(afNormal, vNormal);
    pfDraw[0] = afPosition[0];
    pfDraw[1] = afPosition[1];
    pfDraw[2] = afPosition[2];
    pfDraw[7] = afNormal[0];
    pfDraw[8] = afNormal[1];
    pfDraw[9] = afNormal[2];
#else
    float* pfPosition = &pfDraw[0];
    float* pfNormal = &pfDraw[7];
    pfPosition[0] = pfPosition[1] = pfPosition[2] = 0.0f;
    pfNormal[0] = pfNormal[1] = pfNormal[2] = 0.0f;
    for (int i = 0; i < 4; ++i)
    {
        if (afWeights[i] == 0.0f)
        {
            continue;
        }
        const uint32_t uSlot = (o.dwIndices >> (8 * i)) & 0xFF;
        BlendOne(o.afPosition, paoPalette[uSlot], afWeights[i], pfPosition);
        BlendOne(o.afNormal, paoNormals[uSlot], afWeights[i], pfNormal);
    }
#endif
    pfDraw[3] = pfDraw[4] = pfDraw[5] = pfDraw[6] = 0.0f;
    pfDraw[10] = 0.0f;
    pfDraw[11] = o.afUV[0];
    pfDraw[12] = o.afUV[1];
    // The packed colour as floats, for passes drawn without lighting.
    float fAlpha = 0.0f;
    ColorToFloats(o.dwDiffuse, &fAlpha, &pfDraw[13], &pfDraw[14], &pfDraw[15]);
}
} // namespace

void ComputeNormalMatrix(const QIRN_Matrix4& roMatrix, QIRN_Matrix4& roNormal)
{
    QIRN_Matrix4 oInverse;
    if (Matrix_Invert(&roMatrix, &oInverse) != 0)
    {
        // A matrix without an inverse turns directions as it turns points.
        oInverse = roMatrix;
    }
    Matrix_Transpose(&oInverse, &roNormal);
}

void BlendSkinnedVertices(const QIRN_SkinnedVertexGL* paoVertices, uint32_t dwFirst, uint32_t dwEnd,
                          const QIRN_Matrix4* paoPalette, const QIRN_Matrix4* paoNormals, uint8_t* pbyDraw)
{
    for (uint32_t v = dwFirst; v < dwEnd; ++v)
    {
        float* pfDraw = reinterpret_cast<float*>(pbyDraw + static_cast<size_t>(v) * QIRN_GL_SKINNEDDRAWVERTEXSIZE);
        BlendDrawVertex(paoVertices[v], paoPalette, paoNormals, pfDraw);
    }
}

void BlendPosition(const float* pfIn, const QIRN_Matrix4* paoPalette, uint32_t dwIndices, int iInfluences,
                   const float* pfWeights, int iWeights, float* pfOut)
{
    Blend(pfIn, paoPalette, dwIndices, iInfluences, pfWeights, iWeights, false, pfOut);
}

void BlendNormal(const float* pfIn, const QIRN_Matrix4* paoPalette, uint32_t dwIndices, int iInfluences,
                 const float* pfWeights, int iWeights, float* pfOut)
{
    Blend(pfIn, paoPalette, dwIndices, iInfluences, pfWeights, iWeights, true, pfOut);
}

QIRN_Mesh_GL::QIRN_Mesh_GL(QIRN_Graphics_GL* poGraphics, QIRN_MeshData* poMeshData, int32_t iShaderIndex)
    : m_paoSkinnedVertices(nullptr), m_dwNumSkinnedVertices(0), m_paoPalette(nullptr),
      m_paoNormalPalette(nullptr), m_poRenderBuffer(nullptr), m_poGraphics(poGraphics), m_poMeshData(poMeshData),
      m_iShaderIndex(iShaderIndex), m_poCurrentGroup(nullptr)
{
    LoadVertexData();
    LoadShaders(iShaderIndex);
}

QIRN_Mesh_GL::~QIRN_Mesh_GL()
{
    delete[] m_paoPalette;
    delete[] m_paoNormalPalette;
    delete[] m_paoSkinnedVertices;
    delete m_poRenderBuffer;
}

QIRN_ErrorCode QIRN_Mesh_GL::LoadVertexData()
{
    const QIRN_ErrorCode eResult =
        m_poMeshData && m_poMeshData->m_dwNumPaletteEntries != 0 ? LoadSkinData() : LoadMeshData();
    if (eResult != OK)
    {
        dprintf("\nQIRN_Mesh_GL::LoadVertexData() - Error while loading the mesh data.");
        return GENERICERROR;
    }
    return OK;
}

bool QIRN_Mesh_GL::BuildGroups(int iSet, std::vector<int32_t>& rviIndices)
{
    for (PolygonGroup& roGroup : m_poMeshData->m_oPolygonGroups)
    {
        const std::vector<PolygonGroupBatch>& rvBatches = roGroup.m_aoBatchSets[iSet].m_voBatches;
        if (rvBatches.empty())
        {
            continue;
        }
        m_oRenderGroups.emplace_back(&roGroup, this);
        QIRN_RenderGroup& roRender = m_oRenderGroups.back();
        for (size_t j = 0; j < rvBatches.size(); ++j)
        {
            const PolygonGroupBatch& roBatch = rvBatches[j];
            const int32_t* piIndices = roGroup.GetBatchIndices(iSet, static_cast<int>(j));
            QIRN_RenderBatch oBatch = {};
            oBatch.m_ePrimitiveType =
                m_poMeshData->m_byBuildStrips && !m_poMeshData->m_byStripsAsLists ? 5 : 4;
            oBatch.m_dwMinVertex = static_cast<uint32_t>(roBatch.m_aiRange[0]);
            oBatch.m_dwNumVertices = static_cast<uint32_t>(roBatch.m_aiRange[1]);
            oBatch.m_dwStartIndex = static_cast<uint32_t>(rviIndices.size());
            oBatch.m_dwPrimitiveCount =
                QIRN_PrimitiveCount(oBatch.m_ePrimitiveType, static_cast<uint32_t>(roBatch.m_iNumIndices));
            for (int32_t i = 0; piIndices && i < roBatch.m_iNumIndices; ++i)
            {
                rviIndices.push_back(piIndices[i] + static_cast<int32_t>(roGroup.m_dwBaseVertex));
            }
            roRender.AddBatch(ListOfSet(iSet), oBatch);
        }
    }
    return !rviIndices.empty();
}

QIRN_ErrorCode QIRN_Mesh_GL::LoadMeshData()
{
    if (!m_poMeshData)
    {
        return GENERICERROR;
    }
    int iSet0 = 0;
    m_poMeshData->PreparePolygonGroups(&iSet0, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);

    uint32_t dwFVF = QIRN_GL_DEFAULTFVF;
    if (!m_poMeshData->m_oPolygonGroups.empty())
    {
        QIRN_Shader* poShader = m_poMeshData->m_oPolygonGroups.front().GetShader(0);
        if (poShader && poShader->m_poPasses && poShader->m_dwNumPasses > 0)
        {
            if (poShader->m_poPasses[0].m_dwFVF == 0)
            {
                poShader->m_poPasses[0].m_dwFVF = QIRN_GL_DEFAULTFVF;
            }
            dwFVF = poShader->m_poPasses[0].m_dwFVF;
        }
    }
    QIRN_DynamicVertex oVertex;
    oVertex.SetVertexFormat(dwFVF, false, false, false, false, false);
    const uint32_t dwNumVertices = m_poMeshData->GetNumVertices();
    delete m_poRenderBuffer;
    m_poRenderBuffer = new (std::nothrow) QIRN_Render_Buffer_GL(m_poGraphics->GetExtensions());
    if (!m_poRenderBuffer || dwNumVertices == 0 || oVertex.Size() <= 0 ||
        m_poRenderBuffer->CreateVertexBuffer(dwNumVertices, static_cast<uint32_t>(oVertex.Size()), nullptr,
                                             &oVertex) != OK)
    {
        return GENERICERROR;
    }
    uint8_t* pData = nullptr;
    m_poRenderBuffer->GetVertexData(&pData);
    FillVertices(pData, dwFVF, dwNumVertices);
    if (iSet0 == 0)
    {
        dprintf("*** QIRN_Mesh_GL::LoadMeshData() - nb_tri_01 is ZERO\n");
        return GENERICERROR;
    }
    std::vector<int32_t> viIndices;
    if (!BuildGroups(0, viIndices))
    {
        return GENERICERROR;
    }
    return m_poRenderBuffer->CreateIndexBuffer(static_cast<uint32_t>(viIndices.size()), viIndices.data());
}

void QIRN_Mesh_GL::FillVertices(uint8_t* pData, uint32_t dwFVF, uint32_t dwNumVertices)
{
    QIRN_DynamicVertex oVertex;
    oVertex.SetVertexFormat(dwFVF, false, false, false, false, false);
    oVertex.SetBasePointer(pData);
    const int iSets = static_cast<int>(oVertex.GetNumTexCoords());
    for (uint32_t v = 0; v < dwNumVertices; ++v)
    {
        const QIRN_MeshVertex* p = m_poMeshData->GetVertex(static_cast<int>(v));
        oVertex.SetVertex(v);
        oVertex.SetPosition(p->m_vPosition.x, p->m_vPosition.y, p->m_vPosition.z);
        oVertex.SetNormal(p->m_vNormal.x, p->m_vNormal.y, p->m_vNormal.z);
        oVertex.SetDiffuse(p->m_dwDiffuse);
        oVertex.SetSpecular(0xFFFFFFFF);
        for (int i = 0; i < iSets && i < QIRN_MAX_TEXSETS; ++i)
        {
            switch (oVertex.GetTexCoordSize(i))
            {
            case 1:
                oVertex.SetTexCoord1(i, p->m_afU[i]);
                break;
            case 2:
                oVertex.SetTexCoord2(i, p->m_afU[i], p->m_afV[i]);
                break;
            case 3:
                oVertex.SetTexCoord3(i, p->m_afU[i], p->m_afV[i], p->m_afW[i]);
                break;
            case 4:
                oVertex.SetTexCoord4(i, p->m_afU[i], p->m_afV[i], p->m_afW[i], 1.0f);
                break;
            default:
                dprintf("\n*** ");
                break;
            }
        }
    }
}

QIRN_ErrorCode QIRN_Mesh_GL::LoadSkinData()
{
    // The partitioner reads the values stored in the mesh, not its arguments. Unless another
    // device partitioned the mesh already, ask for the whole palette and four weights: without a
    // partition the groups list no bones and the skin would never leave its rest pose.
    if (m_poMeshData->m_iPartitionedPaletteSize == 0)
    {
        m_poMeshData->m_iRequestedPaletteSize = 256;
        m_poMeshData->m_iRequestedWeights = 4;
        m_poMeshData->m_iRequestedThird = 12;
    }
    m_poMeshData->PartitionSkin(256, 4, 12);
    int aiSets[5] = {0, 0, 0, 0, 0};
    m_poMeshData->PreparePolygonGroups(&aiSets[0], &aiSets[1], &aiSets[2], &aiSets[3], &aiSets[4], nullptr,
                                       nullptr);
    QIRN_Extensions_GL* poExtensions = m_poGraphics->GetExtensions();
    if (!poExtensions)
    {
        dprintf("\nQIRN_Mesh_GL::LoadSkinData() - Error : Pointer to extensions is NULL.");
        return GENERICERROR;
    }
    delete m_poRenderBuffer;
    m_poRenderBuffer = new (std::nothrow) QIRN_Render_Buffer_GL(poExtensions);
    m_dwNumSkinnedVertices = m_poMeshData->GetNumVertices();
    if (!m_poRenderBuffer || m_dwNumSkinnedVertices == 0)
    {
        return GENERICERROR;
    }
    m_paoSkinnedVertices = new (std::nothrow) QIRN_SkinnedVertexGL[m_dwNumSkinnedVertices]();
    m_paoPalette = new (std::nothrow) QIRN_Matrix4[QIRN_GL_PALETTESIZE];
    m_paoNormalPalette = new (std::nothrow) QIRN_Matrix4[QIRN_GL_PALETTESIZE];
    if (!m_paoSkinnedVertices || !m_paoPalette || !m_paoNormalPalette)
    {
        return GENERICERROR;
    }
    for (int i = 0; i < QIRN_GL_PALETTESIZE; ++i)
    {
        Matrix_Identity(&m_paoPalette[i]);
        Matrix_Identity(&m_paoNormalPalette[i]);
    }
    FillSkinnedVertices();
    const QIRN_VertexFormatOffsets_GL oOffsets = {0, 28, 44, -1, 52};
    if (m_poRenderBuffer->CreateVertexBuffer(m_dwNumSkinnedVertices, QIRN_GL_SKINNEDDRAWVERTEXSIZE, nullptr,
                                             &oOffsets) != OK)
    {
        return GENERICERROR;
    }
    std::vector<int32_t> viIndices;
    if (!BuildGroups(4, viIndices))
    {
        dprintf("*** QIRN_Mesh_GL::LoadSkinData() - No four-weight batches to draw\n");
        return GENERICERROR;
    }
    return m_poRenderBuffer->CreateIndexBuffer(static_cast<uint32_t>(viIndices.size()), viIndices.data());
}

void QIRN_Mesh_GL::FillSkinnedVertices()
{
    for (uint32_t v = 0; v < m_dwNumSkinnedVertices; ++v)
    {
        const QIRN_MeshVertex* p = m_poMeshData->GetVertex(static_cast<int>(v));
        QIRN_SkinnedVertexGL& o = m_paoSkinnedVertices[v];
        o.afPosition[0] = p->m_vPosition.x;
        o.afPosition[1] = p->m_vPosition.y;
        o.afPosition[2] = p->m_vPosition.z;
        for (int i = 0; i < 3; ++i)
        {
            o.afWeights[i] = i < p->m_iNumWeights ? p->m_afWeights[i] : 0.0f;
        }
        o.dwIndices = 0;
        for (int i = 0; i < 4; ++i)
        {
            o.dwIndices |= static_cast<uint32_t>(p->m_abyBoneIndices[i]) << (8 * i);
        }
        o.afNormal[0] = p->m_vNormal.x;
        o.afNormal[1] = p->m_vNormal.y;
        o.afNormal[2] = p->m_vNormal.z;
        o.dwDiffuse = p->m_dwDiffuse;
        o.afUV[0] = p->m_afU[0];
        o.afUV[1] = p->m_afV[0];
    }
}

QIRN_ErrorCode QIRN_Mesh_GL::LoadShaders(int32_t iShaderIndex)
{
    for (QIRN_RenderGroup& roGroup : m_oRenderGroups)
    {
        if (iShaderIndex < 0 || iShaderIndex >= roGroup.m_iNumShaderSlots)
        {
            dprintf("*** QIRN_Mesh_GL::LoadShaders() - Shader index %d is past the group's %d slots\n",
                    iShaderIndex, roGroup.m_iNumShaderSlots);
            return GENERICERROR;
        }
        QIRN_Shader* poShader = roGroup.m_pPolygonGroup->GetShader(iShaderIndex);
        const QIRN_ErrorCode eResult = m_poGraphics->LoadShader(poShader);
        if (eResult != OK)
        {
            dprintf("QIRN_Mesh_GL::LoadShaders() - Error loading shader!\n");
            return eResult;
        }
        QIRN_Shader_GL* poShaderGL = m_poGraphics->GetShader(poShader->GetName());
        if (!poShaderGL)
        {
            dprintf("*** QIRN_Mesh_GL::LoadShaders() - m_poGraphics->GetShader() returned NULL\n");
            return GENERICERROR;
        }
        roGroup.m_ppShaderSlots[iShaderIndex] = poShaderGL;
    }
    return OK;
}

void QIRN_Mesh_GL::SetModelView()
{
    const QIRN_Matrix4 oWorld = m_poMeshData->GetWorldMatrix();
    const QIRN_Matrix4 oLocal = m_poMeshData->GetLocalMatrix();
    QIRN_Matrix4 oWorldLocal, oAll, oModelView;
    Matrix_Multiply(&oWorld, &oLocal, &oWorldLocal);
    Matrix_Multiply(&oWorldLocal, &m_poGraphics->GetViewMatrixGL(), &oAll);
    QIRN_Graphics_GL::SetModelViewFromView(&oAll, &oModelView);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(oModelView.Data());
}

// A skin matrix takes a vertex to model space through its bone alone: the frame that carries the
// mesh does not move it again, as in the Direct3D 8 device's palette.
void QIRN_Mesh_GL::UpdatePalette(const QIRN_RenderGroup& roGroup)
{
    const QIRN_Matrix4 oLocal = m_poMeshData->GetLocalMatrix();
    for (const PolygonGroupBone& roBone : roGroup.m_pPolygonGroup->m_voBones)
    {
        if (roBone.m_iMatrixSlot < 0 || roBone.m_iMatrixSlot >= QIRN_GL_PALETTESIZE)
        {
            continue;
        }
        const QIRN_Matrix4 oSkin = m_poMeshData->GetSkinMatrix(roBone.m_iPaletteSlot);
        Matrix_Multiply(&oSkin, &oLocal, &m_paoPalette[roBone.m_iMatrixSlot]);
        // Directions follow the inverse transpose: once per bone here, not per vertex.
        ComputeNormalMatrix(m_paoPalette[roBone.m_iMatrixSlot], m_paoNormalPalette[roBone.m_iMatrixSlot]);
    }
}

void QIRN_Mesh_GL::BlendVertices(const PolygonGroup& roGroup)
{
    uint8_t* pData = nullptr;
    m_poRenderBuffer->GetVertexData(&pData);
    if (!pData)
    {
        return;
    }
    const uint32_t dwEnd = std::min(m_dwNumSkinnedVertices, roGroup.m_dwBaseVertex + roGroup.m_num_vertices);
    BlendSkinnedVertices(m_paoSkinnedVertices, roGroup.m_dwBaseVertex, dwEnd, m_paoPalette, m_paoNormalPalette,
                         pData);
}

QIRN_ErrorCode QIRN_Mesh_GL::Render(int32_t iShaderIndex, int32_t)
{
    m_iShaderIndex = iShaderIndex;
    if (!m_poRenderBuffer)
    {
        return OK;
    }
    for (QIRN_RenderGroup& roGroup : m_oRenderGroups)
    {
        const QIRN_ErrorCode eResult = RenderGroup(roGroup);
        if (eResult != OK)
        {
            return eResult;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_Mesh_GL::RenderGroup(QIRN_RenderGroup& roGroup)
{
    m_poCurrentGroup = &roGroup;
    if (m_iShaderIndex < 0 || m_iShaderIndex >= roGroup.m_iNumShaderSlots)
    {
        return OK;
    }
    auto* poShader = static_cast<QIRN_Shader_GL*>(roGroup.m_ppShaderSlots[m_iShaderIndex]);
    if (!poShader)
    {
        return OK;
    }
    const bool bSkinned = IsSkinned();
    const int iList = ListOfSet(bSkinned ? 4 : 0);
    const int32_t iBatches = roGroup.GetNumBatches(iList);
    const QIRN_RenderBatch* paoBatches = roGroup.GetBatches(iList);
    const std::vector<PolygonGroupBatch>& rvSource =
        roGroup.m_pPolygonGroup->m_aoBatchSets[bSkinned ? 4 : 0].m_voBatches;
    // A skinned group is blended once per draw of the mesh, before its first batch, whatever its
    // batches and passes.
    bool bBlended = false;
    if (bSkinned)
    {
        UpdatePalette(roGroup);
    }
    for (uint32_t k = 0; k < poShader->m_dwNumPasses; ++k)
    {
        if (poShader->m_paoPasses[k].m_iSkipPass == 1)
        {
            continue;
        }
        if (!bSkinned)
        {
            SetModelView();
        }
        const QIRN_ErrorCode eResult = m_poGraphics->SetShaderGL(poShader, static_cast<int>(k));
        if (eResult != OK)
        {
            return eResult;
        }
        for (int32_t j = 0; j < iBatches && static_cast<size_t>(j) < rvSource.size(); ++j)
        {
            m_poRenderBuffer->SetPrimitiveType(5);
            m_poRenderBuffer->SetStartIndex(paoBatches[j].m_dwStartIndex);
            m_poRenderBuffer->SetIndexCountToDraw(static_cast<uint32_t>(rvSource[j].m_iNumIndices));
            if (!bSkinned)
            {
                m_poRenderBuffer->RenderIndexedImmediateMode2();
                continue;
            }
            if (!bBlended)
            {
                BlendVertices(*roGroup.m_pPolygonGroup);
                bBlended = true;
            }
            QIRN_Matrix4 oModelView;
            QIRN_Graphics_GL::SetModelViewFromView(&m_poGraphics->GetViewMatrixGL(), &oModelView);
            glMatrixMode(GL_MODELVIEW);
            glLoadMatrixf(oModelView.Data());
            // Skinned meshes are always normalised and back-face culled; through the cache, so
            // that its copy stays what OpenGL holds.
            QIRN_Render_States_GL* poStates = m_poGraphics->GetRenderStates();
            if (poStates)
            {
                poStates->SetNormalize(1);
                poStates->SetFrontFace(GL_CCW);
                poStates->SetCulling(1);
            }
            m_poRenderBuffer->RenderIndexedImmediateMode();
        }
    }
    return OK;
}
