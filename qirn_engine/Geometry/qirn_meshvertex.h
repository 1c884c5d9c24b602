#pragma once
// QIRN_MeshVertex: the one vertex record of imported meshes, holding every component any renderer
// layout may ask for. A plain record, copied by value.

#include "qirn_math.h"

#include <cstdint>

// Bone influences a vertex can carry.
const int MAXWEIGHTPERVTX = 10;
// Texture-coordinate sets a vertex can carry.
const int QIRN_MAX_TEXSETS = 8;

struct QIRN_MeshVertex
{
    QIRN_Vector4 m_vPosition;
    float m_afWeights[MAXWEIGHTPERVTX];
    // Palette slot of each influence; the Direct3D 8 vertex takes the first five.
    uint8_t m_abyBoneIndices[12];
    int32_t m_iNumWeights;
    QIRN_Vector4 m_vNormal;
    // One per texture set; w is the binormal sign. Only set 0 is computed.
    QIRN_Vector4 m_avTangents[QIRN_MAX_TEXSETS];
    QIRN_Vector4 m_avBinormals[QIRN_MAX_TEXSETS];
    // Index in the mesh's unpartitioned vertex array.
    int32_t m_iSourceIndex;
    uint32_t m_dwDiffuse;
    int32_t m_iTangentCount;
    uint32_t m_dwNumTexSets;
    uint8_t m_abyTexSetSizes[QIRN_MAX_TEXSETS];
    // Components of each set; set 3 also holds the float colour (red, green, blue, alpha).
    float m_afU[QIRN_MAX_TEXSETS];
    float m_afV[QIRN_MAX_TEXSETS];
    float m_afW[QIRN_MAX_TEXSETS];
    float m_afQ[QIRN_MAX_TEXSETS];

    // Every field zero (w of the vectors too).
    void Clear();
};
