#pragma once
// PolygonGroup: the share of one mesh that one imported material covers. It holds a triangle list
// rebased to its smallest vertex, its own copy of the material shader, the shader slots through
// which actors bind their shaders (one slot per geometry shader index), its bones once the skin is
// partitioned, its bounds and the draw batches the renderers issue.

#include "qirn_math.h"
#include "qirn_quaternion.h"
#include "qirn_shader.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

class QIRN_MeshData;
struct QIRN_MeshVertex;

// One bone a partitioned group binds: the mesh palette index and the matrix register it uses.
struct PolygonGroupBone
{
    int32_t m_iPaletteSlot;
    int32_t m_iMatrixSlot;
};

// One draw of a batch set. Without a list of its own it draws the group's index list.
struct PolygonGroupBatch
{
    int32_t m_iNumIndices = 0;
    bool m_bHasIndexList = false;
    std::vector<int32_t> m_viIndices;
    // Compacted vertex numbering of the batch: first vertex and the offset to add.
    int32_t m_aiRange[2] = {0, 0};
};

// The batches of one kind of vertex blending: set 0 unskinned, 1 to 3 triangles of at most that
// many weights (set 1 the whole group), 4 up to four weights.
struct PolygonGroupBatchSet
{
    std::vector<PolygonGroupBatch> m_voBatches;
};

const int POLYGONGROUP_NUM_BATCH_SETS = 5;

// Bounds modes: the untransformed positions, the bone positions, the skinned positions.
const int32_t BOUNDS_RAW = 1;
const int32_t BOUNDS_BONES = 2;
const int32_t BOUNDS_SKINNED = 3;

class PolygonGroup
{
public:
    // The importers' constructor: room for the indices (not filled), a copy of the shader (a
    // default one when NULL).
    PolygonGroup(uint32_t dwNumIndices, std::string szName, QIRN_Shader* poShader);
    // The skin partitioner's: as above, then the given shader slots.
    PolygonGroup(uint32_t dwNumIndices, std::string szName, QIRN_Shader* poShader, int32_t iNumSlots,
                 QIRN_Shader** ppoSlots);
    // Batch set 0 is copied, sets 1 to 4 of the copy are empty.
    PolygonGroup(const PolygonGroup& other);
    PolygonGroup& operator=(const PolygonGroup& other);
    ~PolygonGroup();

    // Makes the indices relative to the smallest; answers the index count.
    int32_t Rebase();

    // Shader slots; the slot shaders are not owned.
    int32_t AddShader(QIRN_Shader* poShader);
    bool AddShaders(QIRN_Shader** ppoShaders, int32_t iCount);
    bool SetShader(QIRN_Shader* poShader, int32_t iIndex);
    QIRN_Shader* GetShader(int32_t iIndex) const;
    bool GrowShaders(int32_t iCapacity);
    bool ClearShaders();
    int32_t GetShaderCount() const { return m_iNumShaderSlots; }
    int32_t GetShaderCapacity() const { return m_iShaderSlotCapacity; }
    bool HasPrepass() const;
    bool HasShadowPass() const;

    // Batches.
    void PrepareBatches(int32_t k);
    void CalculateTriangleBatches(const std::vector<QIRN_MeshVertex>& roVertices);
    void BuildStrips(uint8_t byConnect, uint8_t byAsList);
    void BuildIndexStrip(int iSet, uint8_t byConnect, uint8_t byAsList);
    void FreeBatches();
    int32_t GetSet0IndexCount() const { return GetSetIndexCount(0); }
    int32_t GetSet1IndexCount() const { return GetSetIndexCount(1); }
    int32_t GetSet2IndexCount() const { return GetSetIndexCount(2); }
    int32_t GetSet3IndexCount() const { return GetSetIndexCount(3); }
    int32_t GetSet4IndexCount() const { return GetSetIndexCount(4); }
    int32_t GetSetIndexCount(int iSet) const;
    // The indices a batch draws: its own list, or the group's.
    const int32_t* GetBatchIndices(int iSet, int iBatch) const;
    uint32_t ComputeMaxWeights(const std::vector<QIRN_MeshVertex>& roVertices);

    // Bounds.
    void CalculateBounds(int32_t iMode);
    // Over the owner mesh's current vertices, or over the given array (the skin partitioner builds
    // its groups before the mesh takes their vertices).
    void CalculateRawBounds();
    void CalculateRawBounds(const std::vector<QIRN_MeshVertex>& roVertices);
    QIRN_BoundingBox GetBoundingBox() const;
    QIRN_BoundingSphere GetBoundingSphere() const;
    void InvalidateBounds();

    int32_t GetNumBones() const { return static_cast<int32_t>(m_voBones.size()); }

    uint32_t m_dwStartIndex;
    uint32_t m_dwBaseVertex;
    uint32_t m_start_alpha_vertex_index;
    uint32_t m_num_vertices;
    int32_t* m_piIndices;
    uint32_t m_dwNumIndices;
    std::string m_szName;
    QIRN_Shader m_oShader;
    int32_t m_iNumShaderSlots;
    int32_t m_iShaderSlotCapacity;
    QIRN_Shader** m_ppoShaderSlots;
    // Mesh palette index -> this group's own slot, for blending without indices.
    std::map<int32_t, int32_t> m_oBoneSlotMap;
    std::vector<PolygonGroupBone> m_voBones;
    QIRN_MeshData* m_pOwnerMesh;
    int32_t m_iMaxWeightCount;
    QIRN_BoundingBox m_oBox;
    uint8_t m_byBoxValid;
    QIRN_BoundingBox m_oRawBox;
    uint8_t m_byRawBoxValid;
    QIRN_BoundingSphere m_oSphere;
    uint8_t m_bySphereValid;
    QIRN_BoundingSphere m_oRawSphere;
    uint8_t m_byRawSphereValid;
    int32_t m_iBoundsMode;
    PolygonGroupBatchSet m_aoBatchSets[POLYGONGROUP_NUM_BATCH_SETS];

private:
    void Init(uint32_t dwNumIndices, const std::string& szName, QIRN_Shader* poShader);
    void CopyFrom(const PolygonGroup& other);
    void FreeShaderSlots();
    // Grows the box over the point; the first point sets it.
    static void AddPoint(QIRN_BoundingBox& roBox, bool& rbFirst, const QIRN_Vector4& v);
};
