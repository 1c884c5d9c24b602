#pragma once
// MeshAdjacency: which triangle lies across each edge of each triangle of an indexed list. Edges
// are found by sorting them, not by searching.

#include <cstdint>

// A link is the neighbour's face number in the low 30 bits and the neighbour's own edge number
// (0-2) in the top two bits; an open edge is -1.
const uint32_t ADJACENCY_OPEN_EDGE = 0xFFFFFFFF;
inline uint32_t AdjacencyLinkFace(uint32_t dwLink)
{
    return dwLink & 0x3FFFFFFF;
}
inline uint32_t AdjacencyLinkEdge(uint32_t dwLink)
{
    return dwLink >> 30;
}

// Edge 0 is (v0, v1), edge 1 (v0, v2), edge 2 (v1, v2).
struct AdjacencyFace
{
    uint32_t m_adwRef[3];
    uint32_t m_adwLink[3];

    // 0, 1 or 2 for the edge of the two vertices (either order), else 255.
    uint8_t FindEdge(uint32_t a, uint32_t b) const;
    // The vertex that is not on the edge (a, b), or -1 when (a, b) is no edge of the face.
    uint32_t OppositeVertex(uint32_t a, uint32_t b) const;
};

// Only while faces are linked: the two vertices in ascending order and the face.
struct AdjacencyEdge
{
    uint32_t m_dwRef0;
    uint32_t m_dwRef1;
    uint32_t m_dwFaceNb;
};

class MeshAdjacency
{
public:
    MeshAdjacency();
    ~MeshAdjacency();

    MeshAdjacency(const MeshAdjacency&) = delete;
    MeshAdjacency& operator=(const MeshAdjacency&) = delete;

    // Faces from the 32-bit indices, else the 16-bit ones, else (0, 1, 2) each; all edges open.
    bool Init(uint32_t dwNbFaces, const uint32_t* pdwIndices, const uint16_t* pwIndices);
    // False when an edge is shared by three or more faces.
    bool LinkFaces();

    uint32_t m_dwNbEdges;
    uint32_t m_dwNbFaces;
    AdjacencyFace* m_poFaces;
    AdjacencyEdge* m_poEdges;

private:
    bool LinkPair(uint32_t dwFace0, uint32_t dwFace1, uint32_t dwRef0, uint32_t dwRef1);
};
