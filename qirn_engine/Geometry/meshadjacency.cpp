#include "meshadjacency.h"

#include "radixsorter.h"

#include <new>
#include <vector>

uint8_t AdjacencyFace::FindEdge(uint32_t a, uint32_t b) const
{
    const uint32_t* r = m_adwRef;
    if ((r[0] == a && r[1] == b) || (r[0] == b && r[1] == a))
    {
        return 0;
    }
    if ((r[0] == a && r[2] == b) || (r[0] == b && r[2] == a))
    {
        return 1;
    }
    if ((r[1] == a && r[2] == b) || (r[1] == b && r[2] == a))
    {
        return 2;
    }
    return 255;
}

uint32_t AdjacencyFace::OppositeVertex(uint32_t a, uint32_t b) const
{
    const uint32_t* r = m_adwRef;
    if ((r[0] == a && r[1] == b) || (r[0] == b && r[1] == a))
    {
        return r[2];
    }
    if ((r[0] == a && r[2] == b) || (r[0] == b && r[2] == a))
    {
        return r[1];
    }
    if ((r[1] == a && r[2] == b) || (r[1] == b && r[2] == a))
    {
        return r[0];
    }
    return ADJACENCY_OPEN_EDGE;
}

MeshAdjacency::MeshAdjacency() : m_dwNbEdges(0), m_dwNbFaces(0), m_poFaces(nullptr), m_poEdges(nullptr) {}

MeshAdjacency::~MeshAdjacency()
{
    delete[] m_poFaces;
    delete[] m_poEdges;
}

bool MeshAdjacency::Init(uint32_t dwNbFaces, const uint32_t* pdwIndices, const uint16_t* pwIndices)
{
    delete[] m_poFaces;
    delete[] m_poEdges;
    m_poFaces = new (std::nothrow) AdjacencyFace[dwNbFaces ? dwNbFaces : 1];
    m_poEdges = new (std::nothrow) AdjacencyEdge[dwNbFaces ? dwNbFaces * 3 : 1];
    if (!m_poFaces || !m_poEdges)
    {
        delete[] m_poFaces;
        delete[] m_poEdges;
        m_poFaces = nullptr;
        m_poEdges = nullptr;
        return false;
    }
    m_dwNbFaces = dwNbFaces;
    m_dwNbEdges = 0;
    for (uint32_t i = 0; i < dwNbFaces; ++i)
    {
        AdjacencyFace& oFace = m_poFaces[i];
        for (int k = 0; k < 3; ++k)
        {
            oFace.m_adwRef[k] = pdwIndices  ? pdwIndices[i * 3 + k]
                                : pwIndices ? pwIndices[i * 3 + k]
                                            : static_cast<uint32_t>(k);
            oFace.m_adwLink[k] = ADJACENCY_OPEN_EDGE;
        }
        const int aaEdge[3][2] = {{0, 1}, {0, 2}, {1, 2}};
        for (const auto& aEdge : aaEdge)
        {
            uint32_t a = oFace.m_adwRef[aEdge[0]];
            uint32_t b = oFace.m_adwRef[aEdge[1]];
            AdjacencyEdge& oEdge = m_poEdges[m_dwNbEdges++];
            oEdge.m_dwRef0 = a < b ? a : b;
            oEdge.m_dwRef1 = a < b ? b : a;
            oEdge.m_dwFaceNb = i;
        }
    }
    return true;
}

bool MeshAdjacency::LinkPair(uint32_t dwFace0, uint32_t dwFace1, uint32_t dwRef0, uint32_t dwRef1)
{
    uint8_t byEdge0 = m_poFaces[dwFace0].FindEdge(dwRef0, dwRef1);
    uint8_t byEdge1 = m_poFaces[dwFace1].FindEdge(dwRef0, dwRef1);
    if (byEdge0 == 255 || byEdge1 == 255)
    {
        return false;
    }
    m_poFaces[dwFace0].m_adwLink[byEdge0] = dwFace1 | (static_cast<uint32_t>(byEdge1) << 30);
    m_poFaces[dwFace1].m_adwLink[byEdge1] = dwFace0 | (static_cast<uint32_t>(byEdge0) << 30);
    return true;
}

bool MeshAdjacency::LinkFaces()
{
    if (!m_poFaces || !m_poEdges)
    {
        return false;
    }
    if (m_dwNbEdges == 0)
    {
        return true;
    }
    std::vector<uint32_t> vFaceNb(m_dwNbEdges), vRef0(m_dwNbEdges), vRef1(m_dwNbEdges);
    for (uint32_t i = 0; i < m_dwNbEdges; ++i)
    {
        vFaceNb[i] = m_poEdges[i].m_dwFaceNb;
        vRef0[i] = m_poEdges[i].m_dwRef0;
        vRef1[i] = m_poEdges[i].m_dwRef1;
    }
    // Each sort keeps the order of the one before among equal keys: equal edges end up together,
    // in face order.
    RadixSorter oSorter;
    const uint32_t* pdwSorted = oSorter.Sort(vFaceNb.data(), m_dwNbEdges, true)
                                    .Sort(vRef0.data(), m_dwNbEdges, true)
                                    .Sort(vRef1.data(), m_dwNbEdges, true)
                                    .GetRanks();
    if (!pdwSorted)
    {
        return false;
    }
    uint32_t adwFaces[3] = {0, 0, 0};
    uint32_t dwCount = 0;
    uint32_t dwLastRef0 = vRef0[pdwSorted[0]];
    uint32_t dwLastRef1 = vRef1[pdwSorted[0]];
    for (uint32_t i = 0; i < m_dwNbEdges; ++i)
    {
        uint32_t dwEdge = pdwSorted[i];
        if (vRef0[dwEdge] == dwLastRef0 && vRef1[dwEdge] == dwLastRef1)
        {
            if (dwCount == 2)
            {
                // A third face on one edge: the mesh is not a manifold and cannot be stripped.
                return false;
            }
            adwFaces[dwCount++] = vFaceNb[dwEdge];
            continue;
        }
        if (dwCount == 2 && !LinkPair(adwFaces[0], adwFaces[1], dwLastRef0, dwLastRef1))
        {
            return false;
        }
        dwCount = 0;
        adwFaces[dwCount++] = vFaceNb[dwEdge];
        dwLastRef0 = vRef0[dwEdge];
        dwLastRef1 = vRef1[dwEdge];
    }
    if (dwCount == 2 && !LinkPair(adwFaces[0], adwFaces[1], dwLastRef0, dwLastRef1))
    {
        return false;
    }
    delete[] m_poEdges;
    m_poEdges = nullptr;
    return true;
}
