#pragma once
// Small meshes built by hand for the geometry tests.

#include "qirn_frame.h"
#include "qirn_meshdata.h"
#include "qirn_shader.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

namespace geometry_test
{
inline QIRN_Vector4 V(float x, float y, float z)
{
    return QIRN_Vector4(x, y, z, 1.0f);
}

inline void ExpectNear(const QIRN_Vector4& a, const QIRN_Vector4& b, const std::string& szWhat = "",
                       float fTolerance = 1e-4f)
{
    EXPECT_NEAR(a.x, b.x, fTolerance) << szWhat;
    EXPECT_NEAR(a.y, b.y, fTolerance) << szWhat;
    EXPECT_NEAR(a.z, b.z, fTolerance) << szWhat;
}

// A mesh of the given positions.
inline void SetPositions(QIRN_MeshData& roMesh, std::initializer_list<QIRN_Vector4> vPositions)
{
    std::vector<float> vXYZ;
    for (const QIRN_Vector4& v : vPositions)
    {
        vXYZ.insert(vXYZ.end(), {v.x, v.y, v.z});
    }
    roMesh.SetPositions(vXYZ.data(), static_cast<unsigned>(vPositions.size()));
}

// A group over absolute vertex numbers, rebased and owned by the mesh, appended to it.
inline PolygonGroup& AddGroup(QIRN_MeshData& roMesh, const std::vector<int32_t>& vIndices,
                              const std::string& szName = "group", QIRN_Shader* poShader = nullptr)
{
    PolygonGroup oGroup(static_cast<uint32_t>(vIndices.size()), szName, poShader);
    for (size_t i = 0; i < vIndices.size(); ++i)
    {
        oGroup.m_piIndices[i] = vIndices[i];
    }
    oGroup.Rebase();
    oGroup.m_pOwnerMesh = &roMesh;
    roMesh.AppendPolygonGroup(oGroup);
    return roMesh.m_oPolygonGroups.back();
}

// Gives a vertex its influences as (palette slot, weight) pairs.
inline void SetInfluences(QIRN_MeshVertex& v, std::initializer_list<std::pair<int, float>> vInfluences)
{
    v.m_iNumWeights = 0;
    for (const auto& oInfluence : vInfluences)
    {
        v.m_abyBoneIndices[v.m_iNumWeights] = static_cast<uint8_t>(oInfluence.first);
        v.m_afWeights[v.m_iNumWeights] = oInfluence.second;
        ++v.m_iNumWeights;
    }
}

// A shader of one pass with the given name, sort mode and shadow flag.
inline void MakeOnePassShader(QIRN_Shader& roShader, const std::string& szPass, uint32_t dwSortMode = 0,
                              bool bShadow = false)
{
    delete[] roShader.m_poPasses;
    roShader.m_poPasses = new QIRN_ShaderPass[1];
    roShader.m_dwNumPasses = 1;
    roShader.m_poPasses[0].SetName(szPass);
    roShader.m_poPasses[0].m_eSortMode = dwSortMode;
    roShader.m_poPasses[0].m_bIsShadowPass = bShadow;
}
} // namespace geometry_test
