#include "stripifier.h"

#include "chunkedbuffer.h"
#include "meshadjacency.h"
#include "radixsorter.h"

#include <algorithm>
#include <new>
#include <vector>

namespace
{
const uint32_t BUFFER_BYTES = 4096;
} // namespace

Stripifier::Stripifier()
    : m_poAdjacency(nullptr), m_pbyTags(nullptr), m_poStripLengths(), m_poStripIndices(), m_poSingleStrip(),
      m_dwTotalLength(0), m_bAskForWords(true), m_bOneSided(true), m_bSortByNeighbours(false),
      m_bConnectAllStrips(false)
{
}

Stripifier::~Stripifier()
{
    FreeRun();
}

void Stripifier::FreeRun()
{
    m_poSingleStrip.reset();
    m_poStripIndices.reset();
    m_poStripLengths.reset();
    delete[] m_pbyTags;
    m_pbyTags = nullptr;
    delete m_poAdjacency;
    m_poAdjacency = nullptr;
    m_dwTotalLength = 0;
}

bool Stripifier::Init(const StripifierCreateParams& roParams)
{
    FreeRun();
    m_poAdjacency = new (std::nothrow) MeshAdjacency();
    if (!m_poAdjacency ||
        !m_poAdjacency->Init(roParams.m_dwNbFaces, roParams.m_pdwIndices, roParams.m_pwIndices) ||
        !m_poAdjacency->LinkFaces())
    {
        delete m_poAdjacency;
        m_poAdjacency = nullptr;
        return false;
    }
    m_bAskForWords = roParams.m_bAskForWords;
    m_bOneSided = roParams.m_bOneSided;
    m_bSortByNeighbours = roParams.m_bSortByNeighbours;
    m_bConnectAllStrips = roParams.m_bConnectAllStrips;
    return true;
}

bool Stripifier::Compute(StripifierResult& roResult)
{
    roResult = StripifierResult();
    if (!m_poAdjacency)
    {
        return false;
    }
    m_poSingleStrip.reset();
    m_poStripLengths.reset(new (std::nothrow) ChunkedBuffer(BUFFER_BYTES));
    m_poStripIndices.reset(new (std::nothrow) ChunkedBuffer(BUFFER_BYTES));
    const uint32_t dwNbFaces = m_poAdjacency->m_dwNbFaces;
    delete[] m_pbyTags;
    m_pbyTags = new (std::nothrow) uint8_t[dwNbFaces ? dwNbFaces : 1]();
    std::vector<uint32_t> vOrder;
    try
    {
        vOrder.resize(dwNbFaces);
    }
    catch (...)
    {
        return false;
    }
    if (!m_poStripLengths || !m_poStripIndices || !m_pbyTags)
    {
        return false;
    }
    // Scratch space of the strip growing, reused for every strip.
    try
    {
        for (int j = 0; j < 3; ++j)
        {
            m_avStrip[j].assign(dwNbFaces + 5, 0);
            m_avFaces[j].assign(dwNbFaces + 2, 0);
        }
        m_vTagCopy.assign(dwNbFaces, 0);
    }
    catch (...)
    {
        return false;
    }

    for (uint32_t i = 0; i < dwNbFaces; ++i)
    {
        vOrder[i] = i;
    }
    if (m_bSortByNeighbours && dwNbFaces)
    {
        std::vector<uint32_t> vConnectivity(dwNbFaces, 0);
        for (uint32_t i = 0; i < dwNbFaces; ++i)
        {
            for (uint32_t dwLink : m_poAdjacency->m_poFaces[i].m_adwLink)
            {
                vConnectivity[i] += dwLink != ADJACENCY_OPEN_EDGE ? 1 : 0;
            }
        }
        RadixSorter oSorter;
        const uint32_t* pdwRanks = oSorter.Sort(vConnectivity.data(), dwNbFaces, true).GetRanks();
        if (pdwRanks)
        {
            std::copy(pdwRanks, pdwRanks + dwNbFaces, vOrder.begin());
        }
    }

    uint32_t dwNbStrips = 0;
    uint32_t dwFacesUsed = 0;
    uint32_t dwIndex = 0;
    while (dwFacesUsed < dwNbFaces)
    {
        while (dwIndex < dwNbFaces && m_pbyTags[vOrder[dwIndex]])
        {
            ++dwIndex;
        }
        if (dwIndex == dwNbFaces)
        {
            break;
        }
        uint32_t dwStripFaces = ComputeBestStrip(vOrder[dwIndex]);
        if (dwStripFaces == 0)
        {
            return false;
        }
        dwFacesUsed += dwStripFaces;
        ++dwNbStrips;
    }
    delete[] m_pbyTags;
    m_pbyTags = nullptr;
    if (!m_poStripLengths->IsValid() || !m_poStripIndices->IsValid())
    {
        return false;
    }

    roResult.m_dwNbStrips = dwNbStrips;
    roResult.m_pdwStripLengths = static_cast<const uint32_t*>(m_poStripLengths->Collapse());
    roResult.m_pvStripIndices = m_poStripIndices->Collapse();
    if (m_bConnectAllStrips && dwNbStrips)
    {
        return ConnectAllStrips(roResult);
    }
    return true;
}

uint32_t Stripifier::TrackStrip(uint32_t dwFace, uint32_t dwOldest, uint32_t dwMiddle, uint32_t* pdwStrip,
                                uint32_t* pdwFaces, uint8_t* pbyTags) const
{
    const AdjacencyFace* poFaces = m_poAdjacency->m_poFaces;
    uint32_t dwLength = 2;
    pdwStrip[0] = dwOldest;
    pdwStrip[1] = dwMiddle;
    for (;;)
    {
        uint32_t dwNewest = poFaces[dwFace].OppositeVertex(dwOldest, dwMiddle);
        pdwStrip[dwLength++] = dwNewest;
        *pdwFaces++ = dwFace;
        pbyTags[dwFace] = 1;
        // A degenerate face has no edge (middle, newest) to go on from.
        uint8_t byEdge = poFaces[dwFace].FindEdge(dwMiddle, dwNewest);
        if (byEdge == 255)
        {
            break;
        }
        uint32_t dwLink = poFaces[dwFace].m_adwLink[byEdge];
        if (dwLink == ADJACENCY_OPEN_EDGE)
        {
            break;
        }
        dwFace = AdjacencyLinkFace(dwLink);
        if (pbyTags[dwFace])
        {
            break;
        }
        dwOldest = dwMiddle;
        dwMiddle = dwNewest;
    }
    return dwLength;
}

uint32_t Stripifier::ComputeBestStrip(uint32_t dwFace)
{
    const uint32_t dwNbFaces = m_poAdjacency->m_dwNbFaces;
    const uint32_t* pdwRefs = m_poAdjacency->m_poFaces[dwFace].m_adwRef;
    const uint32_t aadwStart[3][2] = {
        {pdwRefs[0], pdwRefs[1]}, {pdwRefs[0], pdwRefs[2]}, {pdwRefs[1], pdwRefs[2]}};
    uint32_t adwLength[3] = {0, 0, 0};
    uint32_t adwFirstLength[3] = {0, 0, 0};
    std::vector<uint32_t>* avStrip = m_avStrip;
    std::vector<uint32_t>* avFaces = m_avFaces;
    std::vector<uint8_t>& vTags = m_vTagCopy;

    for (int j = 0; j < 3; ++j)
    {
        std::copy(m_pbyTags, m_pbyTags + dwNbFaces, vTags.begin());
        uint32_t* pdwStrip = avStrip[j].data();
        uint32_t* pdwFaces = avFaces[j].data();
        uint32_t dwLength =
            TrackStrip(dwFace, aadwStart[j][0], aadwStart[j][1], pdwStrip, pdwFaces, vTags.data());
        // The second start edge runs against the face's winding.
        adwFirstLength[j] = j == 1 ? dwLength + 1 : dwLength;
        std::reverse(pdwStrip, pdwStrip + dwLength);
        std::reverse(pdwFaces, pdwFaces + (dwLength - 2));
        uint32_t dwExtra = TrackStrip(dwFace, pdwStrip[dwLength - 3], pdwStrip[dwLength - 2],
                                      pdwStrip + dwLength - 3, pdwFaces + dwLength - 3, vTags.data());
        adwLength[j] = dwLength + dwExtra - 3;
    }

    int iBest = 0;
    for (int j = 1; j < 3; ++j)
    {
        if (adwLength[j] > adwLength[iBest])
        {
            iBest = j;
        }
    }
    uint32_t dwLength = adwLength[iBest];
    const uint32_t dwStripFaces = dwLength - 2;
    for (uint32_t j = 0; j < dwStripFaces; ++j)
    {
        m_pbyTags[avFaces[iBest][j]] = 1;
    }

    uint32_t* pdwStrip = avStrip[iBest].data();
    if (m_bOneSided && (adwFirstLength[iBest] & 1))
    {
        if (dwLength == 3 || dwLength == 4)
        {
            std::swap(pdwStrip[1], pdwStrip[2]);
        }
        else
        {
            std::reverse(pdwStrip, pdwStrip + dwLength);
            // The winding of the first triangle needs one more vertex in front.
            if ((dwLength - adwFirstLength[iBest]) & 1)
            {
                for (uint32_t j = dwLength; j > 0; --j)
                {
                    pdwStrip[j] = pdwStrip[j - 1];
                }
                ++dwLength;
            }
        }
    }

    for (uint32_t j = 0; j < dwLength; ++j)
    {
        if (m_bAskForWords)
        {
            m_poStripIndices->StoreU16(static_cast<uint16_t>(pdwStrip[j]));
        }
        else
        {
            m_poStripIndices->StoreU32(pdwStrip[j]);
        }
    }
    m_poStripLengths->StoreU32(dwLength);
    return dwStripFaces;
}

bool Stripifier::ConnectAllStrips(StripifierResult& roResult)
{
    m_poSingleStrip.reset(new (std::nothrow) ChunkedBuffer(BUFFER_BYTES));
    if (!m_poSingleStrip || !roResult.m_pdwStripLengths || !roResult.m_pvStripIndices)
    {
        return false;
    }
    const uint16_t* pwRefs = static_cast<const uint16_t*>(roResult.m_pvStripIndices);
    const uint32_t* pdwRefs = static_cast<const uint32_t*>(roResult.m_pvStripIndices);
    auto Ref = [&](uint32_t i) { return m_bAskForWords ? static_cast<uint32_t>(pwRefs[i]) : pdwRefs[i]; };
    auto Store = [&](uint32_t dwValue)
    {
        if (m_bAskForWords)
        {
            m_poSingleStrip->StoreU16(static_cast<uint16_t>(dwValue));
        }
        else
        {
            m_poSingleStrip->StoreU32(dwValue);
        }
    };

    m_dwTotalLength = 0;
    uint32_t dwPos = 0;
    for (uint32_t k = 0; k < roResult.m_dwNbStrips; ++k)
    {
        uint32_t dwLength = roResult.m_pdwStripLengths[k];
        if (k)
        {
            uint32_t dwFirst = Ref(dwPos);
            Store(Ref(dwPos - 1));
            Store(dwFirst);
            m_dwTotalLength += 2;
            if (m_bOneSided && (m_dwTotalLength & 1))
            {
                if (dwLength > 1 && Ref(dwPos + 1) == dwFirst)
                {
                    ++dwPos;
                    --dwLength;
                }
                else
                {
                    Store(dwFirst);
                    ++m_dwTotalLength;
                }
            }
        }
        for (uint32_t j = 0; j < dwLength; ++j)
        {
            Store(Ref(dwPos + j));
        }
        dwPos += dwLength;
        m_dwTotalLength += dwLength;
    }
    if (!m_poSingleStrip->IsValid())
    {
        return false;
    }
    roResult.m_dwNbStrips = 1;
    roResult.m_pvStripIndices = m_poSingleStrip->Collapse();
    roResult.m_pdwStripLengths = &m_dwTotalLength;
    return true;
}
