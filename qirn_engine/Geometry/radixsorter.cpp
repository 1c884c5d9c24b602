#include "radixsorter.h"

#include <cstring>
#include <new>

RadixSorter::RadixSorter()
    : m_pdwHistogram(new (std::nothrow) uint32_t[256 * 4]), m_pdwOffsets(new (std::nothrow) uint32_t[256]),
      m_dwCapacity(0), m_dwCount(0), m_pdwRanks(nullptr), m_pdwRanks2(nullptr), m_dwPasses(0)
{
}

RadixSorter::~RadixSorter()
{
    delete[] m_pdwHistogram;
    delete[] m_pdwOffsets;
    delete[] m_pdwRanks;
    delete[] m_pdwRanks2;
}

void RadixSorter::ResetRanks(uint32_t dwCount)
{
    for (uint32_t i = 0; i < dwCount; ++i)
    {
        m_pdwRanks[i] = i;
    }
}

RadixSorter& RadixSorter::Sort(const uint32_t* pdwValues, uint32_t dwCount, bool bSigned)
{
    m_dwPasses = 0;
    if (!pdwValues || dwCount == 0 || !m_pdwHistogram || !m_pdwOffsets)
    {
        return *this;
    }
    if (dwCount > m_dwCapacity)
    {
        uint32_t* pdwRanks = new (std::nothrow) uint32_t[dwCount];
        uint32_t* pdwRanks2 = new (std::nothrow) uint32_t[dwCount];
        if (!pdwRanks || !pdwRanks2)
        {
            delete[] pdwRanks;
            delete[] pdwRanks2;
            return *this;
        }
        delete[] m_pdwRanks;
        delete[] m_pdwRanks2;
        m_pdwRanks = pdwRanks;
        m_pdwRanks2 = pdwRanks2;
        m_dwCapacity = dwCount;
        ResetRanks(dwCount);
    }
    else if (dwCount != m_dwCount)
    {
        // Ranks of another number of keys could address keys that do not exist.
        ResetRanks(dwCount);
    }
    m_dwCount = dwCount;

    memset(m_pdwHistogram, 0, 256 * 4 * sizeof(uint32_t));
    bool bInOrder = true;
    uint32_t dwPrevious = pdwValues[m_pdwRanks[0]];
    for (uint32_t i = 0; i < dwCount; ++i)
    {
        uint32_t dwValue = pdwValues[m_pdwRanks[i]];
        if (bSigned ? static_cast<int32_t>(dwValue) < static_cast<int32_t>(dwPrevious) : dwValue < dwPrevious)
        {
            bInOrder = false;
        }
        dwPrevious = dwValue;
        const uint32_t dwByteValue = pdwValues[i];
        for (int j = 0; j < 4; ++j)
        {
            ++m_pdwHistogram[j * 256 + ((dwByteValue >> (8 * j)) & 0xFF)];
        }
    }
    if (bInOrder)
    {
        return *this;
    }

    uint32_t dwNegatives = 0;
    if (bSigned)
    {
        for (int i = 128; i < 256; ++i)
        {
            dwNegatives += m_pdwHistogram[3 * 256 + i];
        }
    }
    for (int j = 0; j < 4; ++j)
    {
        const uint32_t* pdwCounts = m_pdwHistogram + j * 256;
        // A byte every key shares orders nothing.
        uint32_t dwFirstByte = (pdwValues[0] >> (8 * j)) & 0xFF;
        if (pdwCounts[dwFirstByte] == dwCount)
        {
            continue;
        }
        if (bSigned && j == 3)
        {
            m_pdwOffsets[0] = dwNegatives;
            for (int i = 1; i < 128; ++i)
            {
                m_pdwOffsets[i] = m_pdwOffsets[i - 1] + pdwCounts[i - 1];
            }
            m_pdwOffsets[128] = 0;
            for (int i = 129; i < 256; ++i)
            {
                m_pdwOffsets[i] = m_pdwOffsets[i - 1] + pdwCounts[i - 1];
            }
        }
        else
        {
            m_pdwOffsets[0] = 0;
            for (int i = 1; i < 256; ++i)
            {
                m_pdwOffsets[i] = m_pdwOffsets[i - 1] + pdwCounts[i - 1];
            }
        }
        for (uint32_t i = 0; i < dwCount; ++i)
        {
            uint32_t dwRank = m_pdwRanks[i];
            uint32_t dwByte = (pdwValues[dwRank] >> (8 * j)) & 0xFF;
            m_pdwRanks2[m_pdwOffsets[dwByte]++] = dwRank;
        }
        uint32_t* pdwSwap = m_pdwRanks;
        m_pdwRanks = m_pdwRanks2;
        m_pdwRanks2 = pdwSwap;
        ++m_dwPasses;
    }
    return *this;
}
