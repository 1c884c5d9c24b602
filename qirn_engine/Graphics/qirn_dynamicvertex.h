#pragma once
// QIRN_DynamicVertex: reads and writes the components of vertices whose layout is known only at
// run time, from a Direct3D 8 flexible vertex format (FVF) plus the engine's own components
// (tangent, binormal, displacement-map neighbour data, float bone indices, float colours).
// A component that the layout lacks is skipped by its setter and read as 0 by its getter.

#include <cstdint>

// Direct3D 8 flexible-vertex-format bits that the layout reads.
const uint32_t QIRN_FVF_POSITION_MASK = 0x00E;
const uint32_t QIRN_FVF_XYZ = 0x002;
const uint32_t QIRN_FVF_XYZRHW = 0x004;
const uint32_t QIRN_FVF_XYZB1 = 0x006;
const uint32_t QIRN_FVF_XYZB2 = 0x008;
const uint32_t QIRN_FVF_XYZB3 = 0x00A;
const uint32_t QIRN_FVF_XYZB4 = 0x00C;
const uint32_t QIRN_FVF_XYZB5 = 0x00E;
const uint32_t QIRN_FVF_NORMAL = 0x010;
const uint32_t QIRN_FVF_PSIZE = 0x020;
const uint32_t QIRN_FVF_DIFFUSE = 0x040;
const uint32_t QIRN_FVF_SPECULAR = 0x080;
const uint32_t QIRN_FVF_TEXCOUNT_MASK = 0xF00;
const uint32_t QIRN_FVF_TEXCOUNT_SHIFT = 8;
const uint32_t QIRN_FVF_LASTBETA_UBYTE4 = 0x1000;
// Size codes of a texture set, two bits per set at bit 16 + 2i.
const uint32_t QIRN_FVF_TEXTUREFORMAT1 = 3;
const uint32_t QIRN_FVF_TEXTUREFORMAT2 = 0;
const uint32_t QIRN_FVF_TEXTUREFORMAT3 = 1;
const uint32_t QIRN_FVF_TEXTUREFORMAT4 = 2;

inline uint32_t QIRN_FVF_TEXCOORDSIZE(uint32_t dwSizeCode, uint32_t dwSet)
{
    return dwSizeCode << (16 + 2 * dwSet);
}

const int QIRN_MAXTEXCOORDSETS = 8;
const int QIRN_MAXBLENDWEIGHTS = 4;
const int QIRN_MAXBONEINDICES = 5;

class QIRN_DynamicVertex
{
public:
    QIRN_DynamicVertex();
    ~QIRN_DynamicVertex();

    // Forgets the layout (every offset -1, stride 0) and puts the cursor back on the base.
    void Reset();
    void SetVertexFormat(uint32_t dwFVF, bool bTangent, bool bBinormal, bool bNeighbors, bool bFloatIndices,
                         bool bFloatColors);

    void SetBasePointer(void* pMemory);
    void SetVertex(uint32_t dwIndex);
    // Steps to the next vertex; answers the vertex the cursor was on (NULL without a cursor).
    uint8_t* NextVertex();
    int Size() const { return m_iStride; }

    uint32_t GetFVF() const { return m_dwFVF; }
    uint32_t GetNumTexCoords() const { return (m_dwFVF & QIRN_FVF_TEXCOUNT_MASK) >> QIRN_FVF_TEXCOUNT_SHIFT; }
    // Floats of texture set i (1 to 4); 0 for a set number beyond the FVF's eight.
    int GetTexCoordSize(int i) const;
    // Tests the single bit 0x002, so XYZB2, XYZB4 and XYZRHW answer false.
    bool HasXYZ() const { return (m_dwFVF & 0x002) != 0; }
    bool HasNormal() const { return (m_dwFVF & QIRN_FVF_NORMAL) != 0; }
    bool HasDiffuse() const { return (m_dwFVF & QIRN_FVF_DIFFUSE) != 0; }
    bool HasSpecular() const { return (m_dwFVF & QIRN_FVF_SPECULAR) != 0; }
    bool HasTangent() const { return m_iTangentOffset >= 0; }
    bool HasBinormal() const { return m_iBinormalOffset >= 0; }

    void SetPosition(float x, float y, float z);
    void SetRHW(float fRHW);
    void SetWeight(int i, float fWeight);
    // One byte with packed indices, else the value as a float.
    void SetIndex(int i, int iIndex);
    void SetNormal(float x, float y, float z);
    void SetPointSize(float fSize);
    // Packed layouts only.
    void SetDiffuse(uint32_t dwARGB);
    // Float-colour layouts only.
    void SetDiffuseFloats(float r, float g, float b, float a);
    // Written as a packed colour whatever the colour size.
    void SetSpecular(uint32_t dwARGB);
    void SetTexCoord1(int i, float u);
    void SetTexCoord2(int i, float u, float v);
    void SetTexCoord3(int i, float u, float v, float w);
    void SetTexCoord4(int i, float u, float v, float w, float q);
    void SetTangent(float x, float y, float z, float w);
    void SetBinormal(float x, float y, float z);
    void SetNeighbor1Position(float x, float y, float z);
    void SetNeighbor1Weight(int i, float fWeight);
    void SetNeighbor1Index(int i, int iIndex);
    void SetNeighbor2Position(float x, float y, float z);
    void SetNeighbor2Weight(int i, float fWeight);
    void SetNeighbor2Index(int i, int iIndex);
    void SetFaceNormal(float x, float y, float z);

    float GetPositionX() const { return GetFloat(m_iPositionOffset, 0); }
    float GetPositionY() const { return GetFloat(m_iPositionOffset, 4); }
    float GetPositionZ() const { return GetFloat(m_iPositionOffset, 8); }
    float GetRHW() const { return GetFloat(m_iRHWOffset, 0); }
    float GetNormalX() const { return GetFloat(m_iNormalOffset, 0); }
    float GetNormalY() const { return GetFloat(m_iNormalOffset, 4); }
    float GetNormalZ() const { return GetFloat(m_iNormalOffset, 8); }
    uint32_t GetDiffuse() const;
    float GetTexCoordU(int i) const { return IsTexSet(i) ? GetFloat(m_aiTexCoordUOffset[i], 0) : 0.0f; }
    float GetTexCoordV(int i) const { return IsTexSet(i) ? GetFloat(m_aiTexCoordVOffset[i], 0) : 0.0f; }
    float GetTexCoordW(int i) const { return IsTexSet(i) ? GetFloat(m_aiTexCoordWOffset[i], 0) : 0.0f; }
    float GetTexCoordQ(int i) const { return IsTexSet(i) ? GetFloat(m_aiTexCoordQOffset[i], 0) : 0.0f; }

    uint8_t* m_pBase;
    uint8_t* m_pCursor;
    uint32_t m_dwFVF;

    // Byte offsets within a vertex, -1 for a component the layout lacks.
    int32_t m_iPositionOffset;
    int32_t m_iRHWOffset;
    int32_t m_aiWeightOffset[QIRN_MAXBLENDWEIGHTS];
    int32_t m_aiIndexOffset[QIRN_MAXBONEINDICES];
    int32_t m_iNormalOffset;
    int32_t m_iDiffuseOffset;
    int32_t m_iSpecularOffset;
    int32_t m_iPointSizeOffset;
    int32_t m_aiTexCoordUOffset[QIRN_MAXTEXCOORDSETS];
    int32_t m_aiTexCoordVOffset[QIRN_MAXTEXCOORDSETS];
    int32_t m_aiTexCoordWOffset[QIRN_MAXTEXCOORDSETS];
    int32_t m_aiTexCoordQOffset[QIRN_MAXTEXCOORDSETS];
    int32_t m_iNeighbor1PositionOffset;
    int32_t m_aiNeighbor1WeightOffset[QIRN_MAXBLENDWEIGHTS];
    int32_t m_aiNeighbor1IndexOffset[QIRN_MAXBONEINDICES];
    int32_t m_iNeighbor2PositionOffset;
    int32_t m_aiNeighbor2WeightOffset[QIRN_MAXBLENDWEIGHTS];
    int32_t m_aiNeighbor2IndexOffset[QIRN_MAXBONEINDICES];
    int32_t m_iFaceNormalOffset;
    int32_t m_iTangentOffset;
    int32_t m_iBinormalOffset;

    // Bytes per bone index: 1 (four packed in one word) or 4 (floats); -1 without indices.
    int32_t m_iIndexSize;
    // 32-bit words per colour: 1 (packed ARGB) or 4 (float red, green, blue, alpha).
    int32_t m_iColorSize;
    int32_t m_iStride;

private:
    static bool IsTexSet(int i) { return i >= 0 && i < QIRN_MAXTEXCOORDSETS; }
    float GetFloat(int32_t iOffset, int32_t iDelta) const;
    void PutFloat(int32_t iOffset, float f);
    void PutDword(int32_t iOffset, uint32_t dw);
    void PutByte(int32_t iOffset, uint8_t b);
    void SetTexCoords(int i, const float* pfValues, int iCount);
    // Neighbour blocks of XYZB3 and XYZB4 layouts; answers the offset after both.
    int32_t LayOutNeighbors(uint32_t dwPositionType, int32_t iOffset);
};
