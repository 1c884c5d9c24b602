#pragma once
// QIRN_RenderGroup: a renderer mesh's record of one polygon group: the converted shader of each of
// the group's shader slots and the indexed draw calls ("batches") that draw the group. Both
// renderers fill and draw it; this layer only owns its storage.

#include <cstdint>

class PolygonGroup;

// One indexed draw call, in the order of the call's arguments.
struct QIRN_RenderBatch
{
    uint32_t m_dwReserved;
    // 4 triangle list, 5 triangle strip.
    uint32_t m_ePrimitiveType;
    uint32_t m_dwMinVertex;
    uint32_t m_dwNumVertices;
    uint32_t m_dwStartIndex;
    uint32_t m_dwPrimitiveCount;
};

class QIRN_RenderGroup
{
public:
    // The slot table is sized by the group's shader slots. Templated on the group so that this
    // layer needs no geometry header: the renderer that constructs it has the group's type.
    template <class Group>
    QIRN_RenderGroup(Group* pPolygonGroup, void* pMesh)
        : QIRN_RenderGroup(pPolygonGroup, pMesh, pPolygonGroup ? pPolygonGroup->GetShaderCount() : 0)
    {
    }
    QIRN_RenderGroup(PolygonGroup* pPolygonGroup, void* pMesh, int32_t iNumShaderSlots);
    ~QIRN_RenderGroup();

    QIRN_RenderGroup(const QIRN_RenderGroup&) = delete;
    // Deep copy into a freshly constructed record.
    QIRN_RenderGroup& operator=(const QIRN_RenderGroup& other);

    // Appends a batch to list 1 .. 5; false for another list or without memory.
    bool AddBatch(int iList, const QIRN_RenderBatch& roBatch);
    // Count and array of list 1 .. 5 (0 and NULL for another list).
    int32_t GetNumBatches(int iList) const;
    QIRN_RenderBatch* GetBatches(int iList) const;

    PolygonGroup* m_pPolygonGroup;
    int32_t m_iReserved;
    int32_t m_iNumShaderSlots;
    int32_t m_iNumBatches1;
    QIRN_RenderBatch* m_pBatches1;
    int32_t m_iNumBatches2;
    QIRN_RenderBatch* m_pBatches2;
    int32_t m_iNumBatches3;
    QIRN_RenderBatch* m_pBatches3;
    int32_t m_iNumBatches4;
    QIRN_RenderBatch* m_pBatches4;
    int32_t m_iNumBatches5;
    QIRN_RenderBatch* m_pBatches5;
    QIRN_RenderBatch* m_pNeighbourBatch;
    // Converted shaders of the renderer, one per shader slot; not owned.
    void** m_ppShaderSlots;
    // The renderer's mesh; not owned.
    void* m_pMesh;

private:
    int32_t* CountOf(int iList);
    QIRN_RenderBatch** ArrayOf(int iList);
};

// Primitives a batch of that many indices draws: a list takes three per triangle, a strip one per
// index after the first two.
uint32_t QIRN_PrimitiveCount(uint32_t ePrimitiveType, uint32_t dwNumIndices);
