#include "qirn_rendergroup.h"

#include "qirn_debug.h"

#include <cstring>
#include <new>

namespace
{
const uint32_t PRIMITIVE_TRIANGLESTRIP = 5;

QIRN_RenderBatch* CopyBatches(const QIRN_RenderBatch* pSource, int32_t iCount)
{
    if (!pSource || iCount <= 0)
    {
        return nullptr;
    }
    QIRN_RenderBatch* pCopy = new (std::nothrow) QIRN_RenderBatch[iCount];
    if (pCopy)
    {
        memcpy(pCopy, pSource, sizeof(QIRN_RenderBatch) * static_cast<size_t>(iCount));
    }
    return pCopy;
}
} // namespace

QIRN_RenderGroup::QIRN_RenderGroup(PolygonGroup* pPolygonGroup, void* pMesh, int32_t iNumShaderSlots)
    : m_pPolygonGroup(pPolygonGroup), m_iReserved(0),
      m_iNumShaderSlots(iNumShaderSlots > 0 ? iNumShaderSlots : 0), m_iNumBatches1(0), m_pBatches1(nullptr),
      m_iNumBatches2(0), m_pBatches2(nullptr), m_iNumBatches3(0), m_pBatches3(nullptr), m_iNumBatches4(0),
      m_pBatches4(nullptr), m_iNumBatches5(0), m_pBatches5(nullptr), m_pNeighbourBatch(nullptr),
      m_ppShaderSlots(nullptr), m_pMesh(pMesh)
{
    if (m_iNumShaderSlots > 0)
    {
        m_ppShaderSlots = new (std::nothrow) void*[m_iNumShaderSlots]();
        if (!m_ppShaderSlots)
        {
            dprintf(
                "*** QIRN_RenderGroup::QIRN_RenderGroup() - Memory allocation for %d shader slots failed\n",
                m_iNumShaderSlots);
            m_iNumShaderSlots = 0;
        }
    }
}

QIRN_RenderGroup::~QIRN_RenderGroup()
{
    delete[] m_ppShaderSlots;
    m_ppShaderSlots = nullptr;
    m_pPolygonGroup = nullptr;
    m_pMesh = nullptr;
    for (int iList = 1; iList <= 5; ++iList)
    {
        delete[] * ArrayOf(iList);
        *ArrayOf(iList) = nullptr;
        *CountOf(iList) = 0;
    }
    delete m_pNeighbourBatch;
    m_pNeighbourBatch = nullptr;
}

int32_t* QIRN_RenderGroup::CountOf(int iList)
{
    int32_t* apiCounts[] = {&m_iNumBatches1, &m_iNumBatches2, &m_iNumBatches3, &m_iNumBatches4,
                            &m_iNumBatches5};
    return apiCounts[iList - 1];
}

QIRN_RenderBatch** QIRN_RenderGroup::ArrayOf(int iList)
{
    QIRN_RenderBatch** appArrays[] = {&m_pBatches1, &m_pBatches2, &m_pBatches3, &m_pBatches4, &m_pBatches5};
    return appArrays[iList - 1];
}

QIRN_RenderGroup& QIRN_RenderGroup::operator=(const QIRN_RenderGroup& other)
{
    if (this == &other)
    {
        return *this;
    }
    m_pPolygonGroup = other.m_pPolygonGroup;
    m_pMesh = other.m_pMesh;
    m_iReserved = other.m_iReserved;
    delete[] m_ppShaderSlots;
    m_ppShaderSlots = nullptr;
    m_iNumShaderSlots = 0;
    if (other.m_iNumShaderSlots > 0 && other.m_ppShaderSlots)
    {
        m_ppShaderSlots = new (std::nothrow) void*[other.m_iNumShaderSlots];
        if (m_ppShaderSlots)
        {
            memcpy(m_ppShaderSlots, other.m_ppShaderSlots,
                   sizeof(void*) * static_cast<size_t>(other.m_iNumShaderSlots));
            m_iNumShaderSlots = other.m_iNumShaderSlots;
        }
    }
    QIRN_RenderGroup& roOther = const_cast<QIRN_RenderGroup&>(other);
    for (int iList = 1; iList <= 5; ++iList)
    {
        delete[] * ArrayOf(iList);
        *ArrayOf(iList) = CopyBatches(*roOther.ArrayOf(iList), *roOther.CountOf(iList));
        *CountOf(iList) = *ArrayOf(iList) ? *roOther.CountOf(iList) : 0;
    }
    delete m_pNeighbourBatch;
    m_pNeighbourBatch = nullptr;
    if (other.m_pNeighbourBatch)
    {
        m_pNeighbourBatch = new (std::nothrow) QIRN_RenderBatch(*other.m_pNeighbourBatch);
    }
    return *this;
}

bool QIRN_RenderGroup::AddBatch(int iList, const QIRN_RenderBatch& roBatch)
{
    if (iList < 1 || iList > 5)
    {
        return false;
    }
    int32_t* piCount = CountOf(iList);
    QIRN_RenderBatch** ppArray = ArrayOf(iList);
    QIRN_RenderBatch* pGrown = new (std::nothrow) QIRN_RenderBatch[*piCount + 1];
    if (!pGrown)
    {
        return false;
    }
    if (*piCount > 0)
    {
        memcpy(pGrown, *ppArray, sizeof(QIRN_RenderBatch) * static_cast<size_t>(*piCount));
    }
    pGrown[*piCount] = roBatch;
    delete[] * ppArray;
    *ppArray = pGrown;
    ++*piCount;
    return true;
}

int32_t QIRN_RenderGroup::GetNumBatches(int iList) const
{
    if (iList < 1 || iList > 5)
    {
        return 0;
    }
    return *const_cast<QIRN_RenderGroup*>(this)->CountOf(iList);
}

QIRN_RenderBatch* QIRN_RenderGroup::GetBatches(int iList) const
{
    if (iList < 1 || iList > 5)
    {
        return nullptr;
    }
    return *const_cast<QIRN_RenderGroup*>(this)->ArrayOf(iList);
}

uint32_t QIRN_PrimitiveCount(uint32_t ePrimitiveType, uint32_t dwNumIndices)
{
    if (ePrimitiveType == PRIMITIVE_TRIANGLESTRIP)
    {
        return dwNumIndices > 2 ? dwNumIndices - 2 : 0;
    }
    return dwNumIndices / 3;
}
