#pragma once
// QIRN_MeshData: the renderer-neutral form of one imported mesh: its vertices, its bone palette,
// the frame that carries it, its polygon groups (one per material) and its bounds. The importers
// fill it, the geometry owns it, and the renderers read it after PartitionSkin and
// PreparePolygonGroups.

#include "polygongroup.h"
#include "qirn_math.h"
#include "qirn_meshvertex.h"
#include "qirn_quaternion.h"

#include <cstdint>
#include <list>
#include <string>
#include <vector>

class QIRN_Frame;
class QIRN_Shader;

const int QIRN_NUM_VERTEX_TABLES = 5;

class QIRN_MeshData
{
public:
    QIRN_MeshData();
    ~QIRN_MeshData();

    QIRN_MeshData(const QIRN_MeshData&) = delete;
    QIRN_MeshData& operator=(const QIRN_MeshData&) = delete;

    // How many mesh data objects exist, for leak checks.
    static int GetLiveCount();

    // Filling (the importers).
    void SetPositions(const float* pfXYZ, unsigned uCount);
    // 52-byte records of the face-model library: position, three weights, four bone indices,
    // normal, 4 bytes not read, u, v.
    void SetSkinnedVertices(const void* pRecords, unsigned uCount, int iWeightCount);
    void SetNormals(const float* pfXYZ);
    void AddTexCoords(const float* pfData, uint8_t byComponents);
    // 20-byte records {index, red, green, blue, alpha}, applied to the first uCount vertices (all
    // when more records than vertices are given); components are clamped to 0..1.
    void SetColors(const void* pRecords, unsigned uCount = 0xFFFFFFFF);
    int AddPolygonGroup(const uint16_t* pwIndices, unsigned uNumIndices, QIRN_Shader* poShader);
    void AppendPolygonGroup(const PolygonGroup& roGroup);
    void ComputeTangentSpace();
    // Makes a palette of uCount empty slots with identity offsets; false when one exists or no
    // memory.
    bool CreatePalette(uint32_t uCount);

    // Access. The indices are not checked.
    QIRN_MeshVertex* GetVertex(int i) { return &m_vVertices[i]; }
    QIRN_MeshVertex* GetSourceVertex(int i) { return &m_vUnpartitionedVertices[i]; }
    uint32_t GetNumVertices() const { return static_cast<uint32_t>(m_vVertices.size()); }
    QIRN_Matrix4 GetLocalMatrix() const { return m_oLocalMatrix; }
    void SetLocalMatrix(const QIRN_Matrix4& m) { m_oLocalMatrix = m; }
    QIRN_Matrix4 GetWorldMatrix() const;
    QIRN_Matrix4* GetWorldMatrix(QIRN_Matrix4* poOut) const;
    QIRN_Vector4 GetWorldPosition() const;
    QIRN_Vector4* GetWorldPosition(QIRN_Vector4* poOut) const;
    // The skin matrix of a palette slot: offset x the bone's combined matrix; the identity for an
    // empty or unknown slot.
    QIRN_Matrix4 GetSkinMatrix(int iSlot) const;
    QIRN_Matrix4* GetSkinMatrix(int iSlot, QIRN_Matrix4* poOut) const;
    QIRN_BoundingSphere GetBoundingSphere(uint8_t* pbyValid = nullptr) const;
    QIRN_BoundingBox GetBoundingBox(uint8_t* pbyValid = nullptr) const;
    uint32_t GetTotalIndexCount() const;
    bool IsSkinned() const { return m_dwNumPaletteEntries != 0; }

    void UpdateBounds(int iMode);

    // Renderer preparation, in this order. The partition arguments are not read: the requested
    // values stored in the mesh decide.
    void PartitionSkin(int iPaletteSize, int iWeights, int iThird);
    void PreparePolygonGroups(int* piSet0Indices, int* piSet1Indices, int* piSet2Indices, int* piSet3Indices,
                              int* piSet4Indices, int* piPrepassVertices, unsigned* puShadowIndices);
    void ReduceWeights(uint32_t n);
    uint32_t ComputeMaxWeights();

    // Splits one group for a palette of P bones, W weights per vertex and T bones per triangle,
    // appending the new groups and their vertices.
    void PartitionPolygonGroup(const PolygonGroup& roSource,
                               const std::vector<QIRN_MeshVertex>& roUnpartitioned, uint32_t P, uint32_t W,
                               uint32_t T, std::list<PolygonGroup>& roGroups,
                               std::vector<QIRN_MeshVertex>& roVertices);

    // CPU skinning of an unpartitioned vertex into world space.
    QIRN_MeshVertex* SkinVertex(QIRN_MeshVertex* poOut, int iSourceIndex, bool bNormal, bool bTangent,
                                bool bBinormal) const;

    std::string m_szName;
    std::vector<QIRN_MeshVertex> m_vVertices;
    std::vector<QIRN_MeshVertex> m_vUnpartitionedVertices;
    QIRN_Frame** m_ppoBonePalette;
    QIRN_Matrix4* m_poOffsetMatrices;
    uint32_t m_dwNumPaletteEntries;
    // Slots the palette array holds (the skin header's bone count).
    uint32_t m_dwPaletteCapacity;
    int32_t m_iPartitionedWeights;
    int32_t m_iPartitionedThird;
    int32_t m_iPartitionedPaletteSize;
    int32_t m_iRequestedPaletteSize;
    int32_t m_iRequestedWeights;
    int32_t m_iRequestedThird;
    QIRN_Frame* m_pOwnerFrame;
    QIRN_BoundingSphere m_oBoundingSphere;
    uint8_t m_byBoundingSphereValid;
    QIRN_BoundingBox m_oBoundingBox;
    uint8_t m_byBoundingBoxValid;
    std::list<PolygonGroup> m_oPolygonGroups;
    std::list<PolygonGroup> m_oUnpartitionedPolygonGroups;
    QIRN_Matrix4 m_oLocalMatrix;
    int32_t m_aiVertexTableCount[QIRN_NUM_VERTEX_TABLES];
    int32_t* m_apiVertexTable[QIRN_NUM_VERTEX_TABLES];
    // Preparation options: connect-strips value, build strips, triangle batches, unskinned batches
    // only, reduce weights.
    uint8_t m_byConnectStrips;
    uint8_t m_byBuildStrips;
    uint8_t m_byCalculateTriangleBatches;
    uint8_t m_byUnskinnedBatchesOnly;
    uint8_t m_byReduceWeights;
    uint8_t m_byStripsAsLists;
    uint32_t m_dwMaxWeights;

private:
    void FreeVertexTables();
    void FillVertexTables(PolygonGroup& roGroup);
};
