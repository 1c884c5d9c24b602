#include "skinbench.h"

#include "benchhost.h"

#include "qirn_gl.h"
#include "qirn_graphics_gl.h"
#include "qirn_math.h"
#include "qirn_mesh_gl.h"
#include "polygongroup.h"

#include <algorithm>
#include <cmath>

namespace
{
// Floats the blends write per vertex: position, normal, texture coordinates, colour (as the
// OpenGL mesh's draw vertex has them, less its spare words).
const size_t OUT_FLOATS = 11;
// Floats of the OpenGL mesh's draw vertex, which the engine blend writes, and where its normal
// starts.
const size_t DRAW_FLOATS = QIRN_GL_SKINNEDDRAWVERTEXSIZE / sizeof(float);
const size_t DRAW_NORMAL = 7;

// Row-vector affine transform of a point by the rows of a matrix.
inline void AddTransformed(const float* pfIn, const float* m, float fWeight, float* pfOut)
{
    pfOut[0] += (pfIn[0] * m[0] + pfIn[1] * m[4] + pfIn[2] * m[8] + m[12]) * fWeight;
    pfOut[1] += (pfIn[0] * m[1] + pfIn[1] * m[5] + pfIn[2] * m[9] + m[13]) * fWeight;
    pfOut[2] += (pfIn[0] * m[2] + pfIn[1] * m[6] + pfIn[2] * m[10] + m[14]) * fWeight;
}
} // namespace

bool SkinBench::CollectMeshes(QIRN_Graphics* poGraphics)
{
    m_vpoMeshes.clear();
    m_vvoPalettes.clear();
    QIRN_Graphics_GL* poGL = dynamic_cast<QIRN_Graphics_GL*>(poGraphics);
    if (!poGL)
    {
        return false;
    }
    QIRN_BINARYTREENODE<QIRN_Mesh_GL>* poNode =
        poGL->m_oMeshTreeGL.m_pRoot ? poGL->m_oMeshTreeGL.m_pRoot->GetLeftmost() : nullptr;
    for (; poNode; poNode = poNode->GetNextNode())
    {
        if (poNode->m_pData && poNode->m_pData->IsSkinned() && poNode->m_pData->m_dwNumSkinnedVertices > 0)
        {
            m_vpoMeshes.push_back(poNode->m_pData);
            m_vvoPalettes.emplace_back(poNode->m_pData->m_paoPalette,
                                       poNode->m_pData->m_paoPalette + QIRN_GL_PALETTESIZE);
        }
    }
    return true;
}

namespace
{
double Spread(const std::vector<QIRN_Matrix4>& rvoPalette)
{
    double dSpread = 0.0;
    for (const QIRN_Matrix4& ro : rvoPalette)
    {
        for (int k = 0; k < 16; ++k)
        {
            const double dIdentity = k % 5 == 0 ? 1.0 : 0.0;
            dSpread = std::max(dSpread, std::fabs(ro.Data()[k] - dIdentity));
        }
    }
    return dSpread;
}

// A turn about a slanted axis and a shift that differ from slot to slot.
void Pose(std::vector<QIRN_Matrix4>& rvoPalette)
{
    for (size_t i = 0; i < rvoPalette.size(); ++i)
    {
        const float fAngle = 0.05f * static_cast<float>(i % 17) + 0.1f;
        const float c = std::cos(fAngle);
        const float s = std::sin(fAngle);
        QIRN_Matrix4& ro = rvoPalette[i];
        Matrix_Identity(&ro);
        ro._11 = c;
        ro._12 = s;
        ro._21 = -s;
        ro._22 = c;
        ro._41 = 0.5f * static_cast<float>(i % 5);
        ro._42 = -0.25f * static_cast<float>(i % 3);
        ro._43 = 0.125f * static_cast<float>(i % 7);
    }
}
} // namespace

uint32_t SkinBench::CountVertices() const
{
    uint32_t uVertices = 0;
    for (const QIRN_Mesh_GL* poMesh : m_vpoMeshes)
    {
        uVertices += poMesh->m_dwNumSkinnedVertices;
    }
    return uVertices;
}

void SkinBench::EngineBlend(std::vector<float>& rvOut) const
{
    // As the mesh draws: each bone's normal matrix once per palette update (here once per pass,
    // for every slot the mesh's groups list, as the mesh sets them; the others keep the identity's),
    // then every vertex into its draw vertex.
    std::vector<QIRN_Matrix4> voNormal(QIRN_GL_PALETTESIZE);
    for (QIRN_Matrix4& ro : voNormal)
    {
        Matrix_Identity(&ro);
    }
    uint8_t* pbyOut = reinterpret_cast<uint8_t*>(rvOut.data());
    for (size_t m = 0; m < m_vpoMeshes.size(); ++m)
    {
        const QIRN_Mesh_GL* poMesh = m_vpoMeshes[m];
        const QIRN_Matrix4* paoPalette = m_vvoPalettes[m].data();
        for (const QIRN_RenderGroup& roGroup : poMesh->m_oRenderGroups)
        {
            for (const PolygonGroupBone& roBone : roGroup.m_pPolygonGroup->m_voBones)
            {
                if (roBone.m_iMatrixSlot >= 0 && roBone.m_iMatrixSlot < QIRN_GL_PALETTESIZE)
                {
                    ComputeNormalMatrix(paoPalette[roBone.m_iMatrixSlot], voNormal[roBone.m_iMatrixSlot]);
                }
            }
        }
        BlendSkinnedVertices(poMesh->m_paoSkinnedVertices, 0, poMesh->m_dwNumSkinnedVertices, paoPalette,
                             voNormal.data(), pbyOut);
        pbyOut += static_cast<size_t>(poMesh->m_dwNumSkinnedVertices) * QIRN_GL_SKINNEDDRAWVERTEXSIZE;
    }
}

void SkinBench::PlainBlend(std::vector<float>& rvOut) const
{
    float* pfOut = rvOut.data();
    std::vector<QIRN_Matrix4> voNormal(QIRN_GL_PALETTESIZE);
    for (size_t m = 0; m < m_vpoMeshes.size(); ++m)
    {
        const QIRN_Mesh_GL* poMesh = m_vpoMeshes[m];
        const QIRN_Matrix4* paoPalette = m_vvoPalettes[m].data();
        // Each bone's normal matrix once per pass, not once per vertex and influence.
        for (int32_t i = 0; i < QIRN_GL_PALETTESIZE; ++i)
        {
            QIRN_Matrix4 oInverse;
            Matrix_Invert(&paoPalette[i], &oInverse);
            Matrix_Transpose(&oInverse, &voNormal[i]);
        }
        for (uint32_t v = 0; v < poMesh->m_dwNumSkinnedVertices; ++v, pfOut += OUT_FLOATS)
        {
            const QIRN_SkinnedVertexGL& o = poMesh->m_paoSkinnedVertices[v];
            const float afWeights[4] = {o.afWeights[0], o.afWeights[1], o.afWeights[2],
                                        1.0f - (o.afWeights[0] + o.afWeights[1] + o.afWeights[2])};
            pfOut[0] = pfOut[1] = pfOut[2] = pfOut[3] = pfOut[4] = pfOut[5] = 0.0f;
            for (int i = 0; i < 4; ++i)
            {
                const uint32_t uBone = (o.dwIndices >> (8 * i)) & 0xFF;
                AddTransformed(o.afPosition, paoPalette[uBone].Data(), afWeights[i], &pfOut[0]);
                AddTransformed(o.afNormal, voNormal[uBone].Data(), afWeights[i], &pfOut[3]);
            }
            pfOut[6] = o.afUV[0];
            pfOut[7] = o.afUV[1];
            pfOut[8] = static_cast<float>((o.dwDiffuse >> 16) & 0xFF) / 255.0f;
            pfOut[9] = static_cast<float>((o.dwDiffuse >> 8) & 0xFF) / 255.0f;
            pfOut[10] = static_cast<float>(o.dwDiffuse & 0xFF) / 255.0f;
        }
    }
}

SkinRates SkinBench::Measure(double dSeconds)
{
    SkinRates oRates;
    oRates.uMeshes = static_cast<uint32_t>(m_vpoMeshes.size());
    oRates.uVertices = CountVertices();
    if (oRates.uVertices == 0)
    {
        return oRates;
    }
    for (size_t m = 0; m < m_vpoMeshes.size(); ++m)
    {
        oRates.dPaletteSpread = std::max(oRates.dPaletteSpread, Spread(m_vvoPalettes[m]));
        for (const QIRN_RenderGroup& roGroup : m_vpoMeshes[m]->m_oRenderGroups)
        {
            oRates.uBoneEntries += static_cast<uint32_t>(roGroup.m_pPolygonGroup->m_voBones.size());
        }
        if (Spread(m_vvoPalettes[m]) == 0.0)
        {
            Pose(m_vvoPalettes[m]);
        }
    }
    std::vector<float> vEngine(static_cast<size_t>(oRates.uVertices) * DRAW_FLOATS);
    std::vector<float> vPlain(static_cast<size_t>(oRates.uVertices) * OUT_FLOATS);
    auto Rate = [&](void (SkinBench::*pfnBlend)(std::vector<float>&) const, std::vector<float>& rvOut)
    {
        uint64_t uPasses = 0;
        const int64_t iStart = BenchHost::Now();
        double dElapsed = 0.0;
        do
        {
            (this->*pfnBlend)(rvOut);
            ++uPasses;
            dElapsed = BenchHost::SecondsSince(iStart);
        } while (dElapsed < dSeconds);
        return static_cast<double>(uPasses) * oRates.uVertices / dElapsed;
    };
    oRates.dEngineRate = Rate(&SkinBench::EngineBlend, vEngine);
    oRates.dPlainRate = Rate(&SkinBench::PlainBlend, vPlain);
    for (size_t v = 0; v < oRates.uVertices; ++v)
    {
        // Position and normal only: the rest is copied.
        const float* pfEngine = &vEngine[v * DRAW_FLOATS];
        const float* pfPlain = &vPlain[v * OUT_FLOATS];
        for (int k = 0; k < 3; ++k)
        {
            oRates.dLargestDifference = std::max(
                {oRates.dLargestDifference, static_cast<double>(std::fabs(pfEngine[k] - pfPlain[k])),
                 static_cast<double>(std::fabs(pfEngine[DRAW_NORMAL + k] - pfPlain[3 + k]))});
        }
    }
    return oRates;
}
