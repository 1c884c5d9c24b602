#include "chunkedbuffer.h"

#include <cstring>
#include <new>

ChunkedBuffer::ChunkedBuffer(uint32_t dwInitialCapacity, const void* pInitialBytes, uint32_t dwInitialBytes)
    : m_vCells(), m_pLastAddress(nullptr), m_pbyCollapsed(), m_bValid(true)
{
    Cell oCell;
    oCell.dwCapacity = dwInitialCapacity ? dwInitialCapacity : 4;
    oCell.dwUsed = 0;
    oCell.pbyData.reset(new (std::nothrow) uint8_t[oCell.dwCapacity]);
    if (!oCell.pbyData)
    {
        m_bValid = false;
        oCell.dwCapacity = 0;
    }
    m_vCells.push_back(std::move(oCell));
    if (pInitialBytes && dwInitialBytes)
    {
        Store(pInitialBytes, dwInitialBytes);
    }
}

void ChunkedBuffer::Store(const void* pValue, uint32_t dwSize)
{
    Cell* poCell = &m_vCells.back();
    if (poCell->dwUsed + dwSize > poCell->dwCapacity)
    {
        Cell oCell;
        oCell.dwCapacity = poCell->dwCapacity * 2;
        while (oCell.dwCapacity < dwSize)
        {
            oCell.dwCapacity = oCell.dwCapacity ? oCell.dwCapacity * 2 : 4;
        }
        oCell.dwUsed = 0;
        oCell.pbyData.reset(new (std::nothrow) uint8_t[oCell.dwCapacity]);
        if (!oCell.pbyData)
        {
            m_bValid = false;
            return;
        }
        m_vCells.push_back(std::move(oCell));
        poCell = &m_vCells.back();
    }
    uint8_t* pbyTarget = poCell->pbyData.get() + poCell->dwUsed;
    memcpy(pbyTarget, pValue, dwSize);
    poCell->dwUsed += dwSize;
    m_pLastAddress = pbyTarget;
}

ChunkedBuffer& ChunkedBuffer::StoreU16(uint16_t wValue)
{
    Store(&wValue, sizeof(wValue));
    return *this;
}

ChunkedBuffer& ChunkedBuffer::StoreU32(uint32_t dwValue)
{
    Store(&dwValue, sizeof(dwValue));
    return *this;
}

uint32_t ChunkedBuffer::GetSize() const
{
    uint32_t dwSize = 0;
    for (const Cell& oCell : m_vCells)
    {
        dwSize += oCell.dwUsed;
    }
    return dwSize;
}

void* ChunkedBuffer::Collapse(void* pDest)
{
    uint32_t dwSize = GetSize();
    if (dwSize == 0)
    {
        return nullptr;
    }
    uint8_t* pbyTarget = static_cast<uint8_t*>(pDest);
    if (!pbyTarget)
    {
        m_pbyCollapsed.reset(new (std::nothrow) uint8_t[dwSize]);
        pbyTarget = m_pbyCollapsed.get();
        if (!pbyTarget)
        {
            return nullptr;
        }
    }
    uint8_t* pbyCursor = pbyTarget;
    for (const Cell& oCell : m_vCells)
    {
        if (oCell.dwUsed)
        {
            memcpy(pbyCursor, oCell.pbyData.get(), oCell.dwUsed);
            pbyCursor += oCell.dwUsed;
        }
    }
    return pbyTarget;
}
