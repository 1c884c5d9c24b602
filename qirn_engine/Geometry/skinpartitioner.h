#pragma once
// SkinPartitioner: splits the triangles of a skinned polygon group into sub-groups that each bind
// a bounded bone palette, after limiting the influences per vertex and the bones per triangle.
// Vertices that lose their only bone in a triangle whose neighbours still need it are split.

#include <array>
#include <cstdint>
#include <map>
#include <set>
#include <vector>

class SkinPartitioner
{
public:
    typedef std::map<uint32_t, float> BoneWeights;
    typedef std::map<uint32_t, uint32_t> BoneSlots;
    typedef std::array<uint32_t, 3> Triangle;

    // P bones per sub-group, W weights per vertex, T bones per triangle (0: no limit; above P:
    // P).
    SkinPartitioner(uint32_t P, uint32_t W, uint32_t T);

    // A bone given twice for one vertex keeps its first weight.
    void AddVertexBone(uint32_t dwVertex, uint32_t dwBone, float fWeight);
    void AddTriangle(uint32_t a, uint32_t b, uint32_t c);
    void Partition();

    uint32_t GetGroupCount() const { return static_cast<uint32_t>(m_voGroups.size()); }
    const BoneSlots& GetGroupBones(uint32_t g) const { return m_voGroups[g].m_oBoneSlots; }
    // The bone's slot in the sub-group, or -1 when it binds no such bone.
    int32_t GetPaletteSlot(uint32_t g, uint32_t dwBone) const;
    uint32_t GetGroupVertexCount(uint32_t g) const
    {
        return static_cast<uint32_t>(m_voGroups[g].m_vVertices.size());
    }
    // The vertex whose data a local vertex copies: itself, or the one it was split from.
    uint32_t GetSourceVertex(uint32_t g, uint32_t dwLocal) const;
    // The reduced influences of a local vertex.
    const BoneWeights& GetVertexBones(uint32_t g, uint32_t dwLocal) const;
    // The sub-group's triangles in local vertex numbers, in the order they were added.
    const std::vector<Triangle>& GetGroupTriangles(uint32_t g) const { return m_voGroups[g].m_vTriangles; }

private:
    struct TriangleRecord
    {
        Triangle m_aVertices;
        BoneWeights m_oBones;
        bool m_bUsed;
    };
    struct Group
    {
        std::vector<Triangle> m_vTriangles;
        BoneSlots m_oBoneSlots;
        std::set<uint32_t> m_oBones;
        std::map<uint32_t, uint32_t> m_oLocalVertices;
        std::vector<uint32_t> m_vVertices;
    };

    void ReduceVertexInfluences();
    void ReduceTriangleBones(TriangleRecord& roTriangle);
    void GroupTriangles();
    uint32_t CountNewBones(const TriangleRecord& roTriangle, const Group& roGroup) const;
    void AddToGroup(TriangleRecord& roTriangle, Group& roGroup);
    // The bone of the smallest (with bLargest the largest) weight, lowest bone number on ties.
    static uint32_t PickBone(const BoneWeights& roBones, bool bLargest);

    uint32_t m_dwP;
    uint32_t m_dwW;
    uint32_t m_dwT;
    std::vector<TriangleRecord> m_voTriangles;
    std::vector<Group> m_voGroups;
    std::vector<BoneWeights> m_voVertices;
    std::set<uint32_t> m_oUsedVertices;
    std::map<uint32_t, uint32_t> m_oDuplicates;
};
