#include "qirn_dynamicvertex.h"

#include "qirn_debug.h"

#include <cstring>

namespace
{
void FillOffsets(int32_t* piOffsets, int iCount)
{
    for (int i = 0; i < iCount; ++i)
    {
        piOffsets[i] = -1;
    }
}

bool InRange(int i, int iCount)
{
    return i >= 0 && i < iCount;
}

// Blend values (betas) of an XYZBn position type; 0 for the other types.
int BetaCount(uint32_t dwPositionType)
{
    switch (dwPositionType)
    {
    case QIRN_FVF_XYZB1:
        return 1;
    case QIRN_FVF_XYZB2:
        return 2;
    case QIRN_FVF_XYZB3:
        return 3;
    case QIRN_FVF_XYZB4:
        return 4;
    case QIRN_FVF_XYZB5:
        return 5;
    default:
        return 0;
    }
}
} // namespace

QIRN_DynamicVertex::QIRN_DynamicVertex() : m_pBase(nullptr), m_pCursor(nullptr), m_dwFVF(0)
{
    Reset();
}

QIRN_DynamicVertex::~QIRN_DynamicVertex()
{
    m_pBase = nullptr;
    m_pCursor = nullptr;
}

void QIRN_DynamicVertex::Reset()
{
    m_iPositionOffset = -1;
    m_iRHWOffset = -1;
    FillOffsets(m_aiWeightOffset, QIRN_MAXBLENDWEIGHTS);
    FillOffsets(m_aiIndexOffset, QIRN_MAXBONEINDICES);
    m_iNormalOffset = -1;
    m_iDiffuseOffset = -1;
    m_iSpecularOffset = -1;
    m_iPointSizeOffset = -1;
    FillOffsets(m_aiTexCoordUOffset, QIRN_MAXTEXCOORDSETS);
    FillOffsets(m_aiTexCoordVOffset, QIRN_MAXTEXCOORDSETS);
    FillOffsets(m_aiTexCoordWOffset, QIRN_MAXTEXCOORDSETS);
    FillOffsets(m_aiTexCoordQOffset, QIRN_MAXTEXCOORDSETS);
    m_iNeighbor1PositionOffset = -1;
    FillOffsets(m_aiNeighbor1WeightOffset, QIRN_MAXBLENDWEIGHTS);
    FillOffsets(m_aiNeighbor1IndexOffset, QIRN_MAXBONEINDICES);
    m_iNeighbor2PositionOffset = -1;
    FillOffsets(m_aiNeighbor2WeightOffset, QIRN_MAXBLENDWEIGHTS);
    FillOffsets(m_aiNeighbor2IndexOffset, QIRN_MAXBONEINDICES);
    m_iFaceNormalOffset = -1;
    m_iTangentOffset = -1;
    m_iBinormalOffset = -1;
    m_iIndexSize = -1;
    m_iColorSize = -1;
    m_iStride = 0;
    m_pCursor = m_pBase;
}

void QIRN_DynamicVertex::SetVertexFormat(uint32_t dwFVF, bool bTangent, bool bBinormal, bool bNeighbors,
                                         bool bFloatIndices, bool bFloatColors)
{
    m_dwFVF = dwFVF;
    Reset();

    const bool bIndices = (dwFVF & QIRN_FVF_LASTBETA_UBYTE4) != 0;
    if (bIndices)
    {
        m_iIndexSize = bFloatIndices ? 4 : 1;
    }
    const int32_t s = m_iIndexSize;
    const uint32_t dwPositionType = dwFVF & QIRN_FVF_POSITION_MASK;

    // Position block. An XYZBn type carries n - 1 weights; its last beta holds the bone indices
    // with LASTBETA_UBYTE4 and is left out of the layout without it.
    int32_t o = 0;
    if (dwPositionType != 0)
    {
        m_iPositionOffset = 0;
        o = 12;
    }
    if (dwPositionType == QIRN_FVF_XYZRHW)
    {
        m_iRHWOffset = 12;
        o = 16;
    }
    const int iBetas = BetaCount(dwPositionType);
    for (int k = 0; k < iBetas - 1; ++k)
    {
        m_aiWeightOffset[k] = o;
        o += 4;
    }
    if (iBetas > 0 && bIndices)
    {
        const int iIndices = iBetas < 4 ? iBetas : 4;
        for (int k = 0; k < iIndices; ++k)
        {
            m_aiIndexOffset[k] = o + k * s;
        }
        // Packed indices share one 32-bit word.
        o += s == 1 ? 4 : iIndices * s;
    }

    if (dwPositionType != 0 && dwPositionType != QIRN_FVF_XYZRHW && (dwFVF & QIRN_FVF_NORMAL))
    {
        m_iNormalOffset = o;
        o += 12;
    }

    m_iColorSize = bFloatColors ? 4 : 1;
    const int32_t c = m_iColorSize;
    if (dwFVF & QIRN_FVF_DIFFUSE)
    {
        m_iDiffuseOffset = o;
        o += 4 * c;
    }
    if (dwFVF & QIRN_FVF_SPECULAR)
    {
        m_iSpecularOffset = o;
        o += 4 * c;
    }
    // After the specular colour, where Direct3D puts it before the diffuse one; the renderers build
    // their vertex declarations from this layout.
    if (dwFVF & QIRN_FVF_PSIZE)
    {
        m_iPointSizeOffset = o;
        o += 4;
    }

    uint32_t dwSets = GetNumTexCoords();
    if (dwSets > QIRN_MAXTEXCOORDSETS)
    {
        dwSets = QIRN_MAXTEXCOORDSETS;
    }
    for (uint32_t i = 0; i < dwSets; ++i)
    {
        const int iSize = GetTexCoordSize(static_cast<int>(i));
        m_aiTexCoordUOffset[i] = o;
        if (iSize >= 2)
        {
            m_aiTexCoordVOffset[i] = o + 4;
        }
        if (iSize >= 3)
        {
            m_aiTexCoordWOffset[i] = o + 8;
        }
        if (iSize >= 4)
        {
            m_aiTexCoordQOffset[i] = o + 12;
        }
        o += 4 * iSize;
    }

    if (bNeighbors)
    {
        if (dwPositionType == QIRN_FVF_XYZB3 || dwPositionType == QIRN_FVF_XYZB4)
        {
            // Neighbour indices are spaced by the index size, which needs LASTBETA_UBYTE4.
            if (bIndices)
            {
                o = LayOutNeighbors(dwPositionType, o);
            }
            else
            {
                dprintf("*** QIRN_DynamicVertex::SetVertexFormat() - Neighbour data needs bone indices "
                        "(FVF 0x%X), left out\n",
                        dwFVF);
            }
        }
        else
        {
            m_iFaceNormalOffset = o;
            o += 12;
        }
    }
    if (bTangent)
    {
        m_iTangentOffset = o;
        o += 16;
    }
    if (bBinormal)
    {
        m_iBinormalOffset = o;
        o += 12;
    }
    m_iStride = o;
}

int32_t QIRN_DynamicVertex::LayOutNeighbors(uint32_t dwPositionType, int32_t o)
{
    const int32_t s = m_iIndexSize;
    int32_t* apiPosition[2] = {&m_iNeighbor1PositionOffset, &m_iNeighbor2PositionOffset};
    int32_t* apiWeights[2] = {m_aiNeighbor1WeightOffset, m_aiNeighbor2WeightOffset};
    int32_t* apiIndices[2] = {m_aiNeighbor1IndexOffset, m_aiNeighbor2IndexOffset};
    for (int n = 0; n < 2; ++n)
    {
        *apiPosition[n] = o;
        if (dwPositionType == QIRN_FVF_XYZB4)
        {
            for (int k = 0; k < 4; ++k)
            {
                apiIndices[n][k] = o + 12 + k * s;
            }
            for (int k = 0; k < 3; ++k)
            {
                apiWeights[n][k] = o + 12 + 4 * s + 4 * k;
            }
            o += 24 + 4 * s;
        }
        else
        {
            for (int k = 0; k < 3; ++k)
            {
                apiIndices[n][k] = o + 12 + k * s;
            }
            // Three packed indices still take a whole word.
            int32_t p = o + 12 + 3 * s + (s == 1 ? 1 : 0);
            apiWeights[n][0] = p;
            apiWeights[n][1] = p + 4;
            o = p + 8;
        }
    }
    return o;
}

void QIRN_DynamicVertex::SetBasePointer(void* pMemory)
{
    m_pBase = static_cast<uint8_t*>(pMemory);
    m_pCursor = m_pBase;
}

void QIRN_DynamicVertex::SetVertex(uint32_t dwIndex)
{
    if (!m_pBase)
    {
        dprintf("*** QIRN_DynamicVertex::SetVertex() - Base pointer is NULL\n");
        return;
    }
    m_pCursor = m_pBase + static_cast<size_t>(dwIndex) * static_cast<size_t>(m_iStride);
}

uint8_t* QIRN_DynamicVertex::NextVertex()
{
    uint8_t* pVertex = m_pCursor;
    if (m_pCursor)
    {
        m_pCursor += m_iStride;
    }
    return pVertex;
}

int QIRN_DynamicVertex::GetTexCoordSize(int i) const
{
    if (!IsTexSet(i))
    {
        return 0;
    }
    switch ((m_dwFVF >> (16 + 2 * i)) & 3)
    {
    case QIRN_FVF_TEXTUREFORMAT1:
        return 1;
    case QIRN_FVF_TEXTUREFORMAT3:
        return 3;
    case QIRN_FVF_TEXTUREFORMAT4:
        return 4;
    default:
        return 2;
    }
}

float QIRN_DynamicVertex::GetFloat(int32_t iOffset, int32_t iDelta) const
{
    float f = 0.0f;
    if (m_pCursor && iOffset >= 0)
    {
        memcpy(&f, m_pCursor + iOffset + iDelta, sizeof(f));
    }
    return f;
}

void QIRN_DynamicVertex::PutFloat(int32_t iOffset, float f)
{
    if (m_pCursor && iOffset >= 0)
    {
        memcpy(m_pCursor + iOffset, &f, sizeof(f));
    }
}

void QIRN_DynamicVertex::PutDword(int32_t iOffset, uint32_t dw)
{
    if (m_pCursor && iOffset >= 0)
    {
        memcpy(m_pCursor + iOffset, &dw, sizeof(dw));
    }
}

void QIRN_DynamicVertex::PutByte(int32_t iOffset, uint8_t b)
{
    if (m_pCursor && iOffset >= 0)
    {
        m_pCursor[iOffset] = b;
    }
}

void QIRN_DynamicVertex::SetPosition(float x, float y, float z)
{
    if (m_iPositionOffset >= 0)
    {
        PutFloat(m_iPositionOffset, x);
        PutFloat(m_iPositionOffset + 4, y);
        PutFloat(m_iPositionOffset + 8, z);
    }
}

void QIRN_DynamicVertex::SetRHW(float fRHW)
{
    PutFloat(m_iRHWOffset, fRHW);
}

void QIRN_DynamicVertex::SetWeight(int i, float fWeight)
{
    if (InRange(i, QIRN_MAXBLENDWEIGHTS))
    {
        PutFloat(m_aiWeightOffset[i], fWeight);
    }
}

void QIRN_DynamicVertex::SetIndex(int i, int iIndex)
{
    if (!InRange(i, QIRN_MAXBONEINDICES))
    {
        return;
    }
    if (m_iIndexSize == 1)
    {
        PutByte(m_aiIndexOffset[i], static_cast<uint8_t>(iIndex));
    }
    else
    {
        PutFloat(m_aiIndexOffset[i], static_cast<float>(iIndex));
    }
}

void QIRN_DynamicVertex::SetNormal(float x, float y, float z)
{
    if (m_iNormalOffset >= 0)
    {
        PutFloat(m_iNormalOffset, x);
        PutFloat(m_iNormalOffset + 4, y);
        PutFloat(m_iNormalOffset + 8, z);
    }
}

void QIRN_DynamicVertex::SetPointSize(float fSize)
{
    PutFloat(m_iPointSizeOffset, fSize);
}

void QIRN_DynamicVertex::SetDiffuse(uint32_t dwARGB)
{
    if (m_iColorSize < 2)
    {
        PutDword(m_iDiffuseOffset, dwARGB);
    }
}

void QIRN_DynamicVertex::SetDiffuseFloats(float r, float g, float b, float a)
{
    if (m_iColorSize == 4 && m_iDiffuseOffset >= 0)
    {
        PutFloat(m_iDiffuseOffset, r);
        PutFloat(m_iDiffuseOffset + 4, g);
        PutFloat(m_iDiffuseOffset + 8, b);
        PutFloat(m_iDiffuseOffset + 12, a);
    }
}

void QIRN_DynamicVertex::SetSpecular(uint32_t dwARGB)
{
    PutDword(m_iSpecularOffset, dwARGB);
}

void QIRN_DynamicVertex::SetTexCoords(int i, const float* pfValues, int iCount)
{
    if (!IsTexSet(i))
    {
        return;
    }
    const int32_t aiOffsets[4] = {m_aiTexCoordUOffset[i], m_aiTexCoordVOffset[i], m_aiTexCoordWOffset[i],
                                  m_aiTexCoordQOffset[i]};
    // Stops at the first component the set lacks.
    for (int k = 0; k < iCount && aiOffsets[k] >= 0; ++k)
    {
        PutFloat(aiOffsets[k], pfValues[k]);
    }
}

void QIRN_DynamicVertex::SetTexCoord1(int i, float u)
{
    const float af[1] = {u};
    SetTexCoords(i, af, 1);
}

void QIRN_DynamicVertex::SetTexCoord2(int i, float u, float v)
{
    const float af[2] = {u, v};
    SetTexCoords(i, af, 2);
}

void QIRN_DynamicVertex::SetTexCoord3(int i, float u, float v, float w)
{
    const float af[3] = {u, v, w};
    SetTexCoords(i, af, 3);
}

void QIRN_DynamicVertex::SetTexCoord4(int i, float u, float v, float w, float q)
{
    const float af[4] = {u, v, w, q};
    SetTexCoords(i, af, 4);
}

void QIRN_DynamicVertex::SetTangent(float x, float y, float z, float w)
{
    if (m_iTangentOffset >= 0)
    {
        PutFloat(m_iTangentOffset, x);
        PutFloat(m_iTangentOffset + 4, y);
        PutFloat(m_iTangentOffset + 8, z);
        PutFloat(m_iTangentOffset + 12, w);
    }
}

void QIRN_DynamicVertex::SetBinormal(float x, float y, float z)
{
    if (m_iBinormalOffset >= 0)
    {
        PutFloat(m_iBinormalOffset, x);
        PutFloat(m_iBinormalOffset + 4, y);
        PutFloat(m_iBinormalOffset + 8, z);
    }
}

void QIRN_DynamicVertex::SetNeighbor1Position(float x, float y, float z)
{
    if (m_iNeighbor1PositionOffset >= 0)
    {
        PutFloat(m_iNeighbor1PositionOffset, x);
        PutFloat(m_iNeighbor1PositionOffset + 4, y);
        PutFloat(m_iNeighbor1PositionOffset + 8, z);
    }
}

void QIRN_DynamicVertex::SetNeighbor1Weight(int i, float fWeight)
{
    if (InRange(i, QIRN_MAXBLENDWEIGHTS))
    {
        PutFloat(m_aiNeighbor1WeightOffset[i], fWeight);
    }
}

void QIRN_DynamicVertex::SetNeighbor1Index(int i, int iIndex)
{
    if (InRange(i, QIRN_MAXBONEINDICES))
    {
        PutByte(m_aiNeighbor1IndexOffset[i], static_cast<uint8_t>(iIndex));
    }
}

void QIRN_DynamicVertex::SetNeighbor2Position(float x, float y, float z)
{
    if (m_iNeighbor2PositionOffset >= 0)
    {
        PutFloat(m_iNeighbor2PositionOffset, x);
        PutFloat(m_iNeighbor2PositionOffset + 4, y);
        PutFloat(m_iNeighbor2PositionOffset + 8, z);
    }
}

void QIRN_DynamicVertex::SetNeighbor2Weight(int i, float fWeight)
{
    if (InRange(i, QIRN_MAXBLENDWEIGHTS))
    {
        PutFloat(m_aiNeighbor2WeightOffset[i], fWeight);
    }
}

void QIRN_DynamicVertex::SetNeighbor2Index(int i, int iIndex)
{
    if (InRange(i, QIRN_MAXBONEINDICES))
    {
        PutByte(m_aiNeighbor2IndexOffset[i], static_cast<uint8_t>(iIndex));
    }
}

void QIRN_DynamicVertex::SetFaceNormal(float x, float y, float z)
{
    if (m_iFaceNormalOffset >= 0)
    {
        PutFloat(m_iFaceNormalOffset, x);
        PutFloat(m_iFaceNormalOffset + 4, y);
        PutFloat(m_iFaceNormalOffset + 8, z);
    }
}

uint32_t QIRN_DynamicVertex::GetDiffuse() const
{
    uint32_t dw = 0;
    if (m_pCursor && m_iDiffuseOffset >= 0)
    {
        memcpy(&dw, m_pCursor + m_iDiffuseOffset, sizeof(dw));
    }
    return dw;
}
