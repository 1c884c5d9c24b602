#include "skinpartitioner.h"

#include <algorithm>

SkinPartitioner::SkinPartitioner(uint32_t P, uint32_t W, uint32_t T)
    : m_dwP(P), m_dwW(W), m_dwT(T), m_voTriangles(), m_voGroups(), m_voVertices(), m_oUsedVertices(),
      m_oDuplicates()
{
    // A triangle limit beyond the palette could never be bound; 0 (or a palette of 0) means none.
    if (m_dwT > m_dwP)
    {
        m_dwT = m_dwP;
    }
}

void SkinPartitioner::AddVertexBone(uint32_t dwVertex, uint32_t dwBone, float fWeight)
{
    if (dwVertex >= m_voVertices.size())
    {
        m_voVertices.resize(static_cast<size_t>(dwVertex) + 1);
    }
    m_voVertices[dwVertex].insert(BoneWeights::value_type(dwBone, fWeight));
}

void SkinPartitioner::AddTriangle(uint32_t a, uint32_t b, uint32_t c)
{
    TriangleRecord oTriangle;
    oTriangle.m_aVertices = {a, b, c};
    oTriangle.m_bUsed = false;
    m_voTriangles.push_back(oTriangle);
    uint32_t dwHighest = std::max(a, std::max(b, c));
    if (dwHighest >= m_voVertices.size())
    {
        m_voVertices.resize(static_cast<size_t>(dwHighest) + 1);
    }
}

int32_t SkinPartitioner::GetPaletteSlot(uint32_t g, uint32_t dwBone) const
{
    const BoneSlots& roSlots = m_voGroups[g].m_oBoneSlots;
    BoneSlots::const_iterator it = roSlots.find(dwBone);
    return it == roSlots.end() ? -1 : static_cast<int32_t>(it->second);
}

uint32_t SkinPartitioner::GetSourceVertex(uint32_t g, uint32_t dwLocal) const
{
    uint32_t dwVertex = m_voGroups[g].m_vVertices[dwLocal];
    std::map<uint32_t, uint32_t>::const_iterator it = m_oDuplicates.find(dwVertex);
    return it == m_oDuplicates.end() ? dwVertex : it->second;
}

const SkinPartitioner::BoneWeights& SkinPartitioner::GetVertexBones(uint32_t g, uint32_t dwLocal) const
{
    return m_voVertices[m_voGroups[g].m_vVertices[dwLocal]];
}

uint32_t SkinPartitioner::PickBone(const BoneWeights& roBones, bool bLargest)
{
    BoneWeights::const_iterator itBest = roBones.begin();
    for (BoneWeights::const_iterator it = roBones.begin(); it != roBones.end(); ++it)
    {
        if (bLargest ? it->second > itBest->second : it->second < itBest->second)
        {
            itBest = it;
        }
    }
    return itBest->first;
}

void SkinPartitioner::ReduceVertexInfluences()
{
    for (BoneWeights& roBones : m_voVertices)
    {
        if (roBones.size() <= m_dwW)
        {
            continue;
        }
        float fRemoved = 0.0f;
        while (roBones.size() > m_dwW)
        {
            uint32_t dwBone = PickBone(roBones, false);
            fRemoved += roBones[dwBone];
            roBones.erase(dwBone);
        }
        if (fRemoved > 0.0f && !roBones.empty())
        {
            for (BoneWeights::value_type& roEntry : roBones)
            {
                roEntry.second += fRemoved / static_cast<float>(m_dwW);
            }
        }
    }
}

void SkinPartitioner::ReduceTriangleBones(TriangleRecord& roTriangle)
{
    for (uint32_t dwVertex : roTriangle.m_aVertices)
    {
        for (const BoneWeights::value_type& roEntry : m_voVertices[dwVertex])
        {
            roTriangle.m_oBones[roEntry.first] += roEntry.second;
        }
    }
    if (m_dwT == 0)
    {
        return;
    }
    while (roTriangle.m_oBones.size() > m_dwT)
    {
        uint32_t dwBone = PickBone(roTriangle.m_oBones, false);
        roTriangle.m_oBones.erase(dwBone);
        for (uint32_t& rdwVertex : roTriangle.m_aVertices)
        {
            BoneWeights& roVertexBones = m_voVertices[rdwVertex];
            BoneWeights::iterator it = roVertexBones.find(dwBone);
            if (it == roVertexBones.end())
            {
                continue;
            }
            if (roVertexBones.size() == 1)
            {
                // Triangles done before still need the vertex as it is: this one gets a copy.
                if (m_oUsedVertices.count(rdwVertex))
                {
                    uint32_t dwNew = static_cast<uint32_t>(m_voVertices.size());
                    m_voVertices.emplace_back();
                    m_oDuplicates[dwNew] = rdwVertex;
                    rdwVertex = dwNew;
                }
                BoneWeights& roTarget = m_voVertices[rdwVertex];
                roTarget.clear();
                uint32_t dwKeep = PickBone(roTriangle.m_oBones, true);
                roTarget[dwKeep] = 1.0f;
                roTriangle.m_oBones[dwKeep] += 1.0f;
                continue;
            }
            float fWeight = it->second;
            roVertexBones.erase(it);
            for (BoneWeights::value_type& roEntry : roVertexBones)
            {
                roEntry.second += fWeight / static_cast<float>(roVertexBones.size());
            }
        }
    }
}

uint32_t SkinPartitioner::CountNewBones(const TriangleRecord& roTriangle, const Group& roGroup) const
{
    uint32_t dwNew = 0;
    for (const BoneWeights::value_type& roEntry : roTriangle.m_oBones)
    {
        dwNew += roGroup.m_oBones.count(roEntry.first) ? 0 : 1;
    }
    return dwNew;
}

void SkinPartitioner::AddToGroup(TriangleRecord& roTriangle, Group& roGroup)
{
    for (const BoneWeights::value_type& roEntry : roTriangle.m_oBones)
    {
        if (roGroup.m_oBones.insert(roEntry.first).second)
        {
            uint32_t dwSlot = static_cast<uint32_t>(roGroup.m_oBoneSlots.size());
            roGroup.m_oBoneSlots[roEntry.first] = dwSlot;
        }
    }
    Triangle aLocal;
    for (int i = 0; i < 3; ++i)
    {
        uint32_t dwVertex = roTriangle.m_aVertices[i];
        std::map<uint32_t, uint32_t>::iterator it = roGroup.m_oLocalVertices.find(dwVertex);
        if (it == roGroup.m_oLocalVertices.end())
        {
            uint32_t dwLocal = static_cast<uint32_t>(roGroup.m_vVertices.size());
            it = roGroup.m_oLocalVertices.insert(std::make_pair(dwVertex, dwLocal)).first;
            roGroup.m_vVertices.push_back(dwVertex);
        }
        aLocal[i] = it->second;
    }
    roGroup.m_vTriangles.push_back(aLocal);
    roTriangle.m_bUsed = true;
}

void SkinPartitioner::GroupTriangles()
{
    m_voGroups.clear();
    for (TriangleRecord& roTriangle : m_voTriangles)
    {
        roTriangle.m_bUsed = false;
    }
    if (m_voTriangles.empty())
    {
        return;
    }
    m_voGroups.emplace_back();
    AddToGroup(m_voTriangles[0], m_voGroups.back());
    for (;;)
    {
        Group* poGroup = &m_voGroups.back();
        for (TriangleRecord& roTriangle : m_voTriangles)
        {
            if (!roTriangle.m_bUsed && CountNewBones(roTriangle, *poGroup) == 0)
            {
                AddToGroup(roTriangle, *poGroup);
            }
        }
        TriangleRecord* poChosen = nullptr;
        uint32_t dwFewest = 0;
        for (TriangleRecord& roTriangle : m_voTriangles)
        {
            if (roTriangle.m_bUsed)
            {
                continue;
            }
            uint32_t dwNew = CountNewBones(roTriangle, *poGroup);
            if (!poChosen || dwNew < dwFewest)
            {
                poChosen = &roTriangle;
                dwFewest = dwNew;
                if (dwNew == 1)
                {
                    break;
                }
            }
        }
        if (!poChosen)
        {
            return;
        }
        if (dwFewest + poGroup->m_oBones.size() >= m_dwP)
        {
            m_voGroups.emplace_back();
            poGroup = &m_voGroups.back();
        }
        AddToGroup(*poChosen, *poGroup);
    }
}

void SkinPartitioner::Partition()
{
    ReduceVertexInfluences();
    m_oUsedVertices.clear();
    for (TriangleRecord& roTriangle : m_voTriangles)
    {
        roTriangle.m_oBones.clear();
        ReduceTriangleBones(roTriangle);
        for (uint32_t dwVertex : roTriangle.m_aVertices)
        {
            m_oUsedVertices.insert(dwVertex);
        }
    }
    GroupTriangles();
}
