#include "qirn_meshvertex.h"

void QIRN_MeshVertex::Clear()
{
    const QIRN_Vector4 vZero(0.0f, 0.0f, 0.0f, 0.0f);
    m_vPosition = vZero;
    m_vNormal = vZero;
    for (int i = 0; i < MAXWEIGHTPERVTX; ++i)
    {
        m_afWeights[i] = 0.0f;
    }
    for (uint8_t& by : m_abyBoneIndices)
    {
        by = 0;
    }
    m_iNumWeights = 0;
    for (int i = 0; i < QIRN_MAX_TEXSETS; ++i)
    {
        m_avTangents[i] = vZero;
        m_avBinormals[i] = vZero;
        m_abyTexSetSizes[i] = 0;
        m_afU[i] = 0.0f;
        m_afV[i] = 0.0f;
        m_afW[i] = 0.0f;
        m_afQ[i] = 0.0f;
    }
    m_iSourceIndex = 0;
    m_dwDiffuse = 0;
    m_iTangentCount = 0;
    m_dwNumTexSets = 0;
}
