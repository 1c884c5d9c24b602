#pragma once
// RadixSorter: sorts 32-bit keys (signed or unsigned) by their bytes, least significant first, and
// answers the order as ranks. The ranks survive between sorts of the same number of keys, so
// successive sorts refine one another (a stable multi-key sort); data already in rank order is not
// touched.

#include <cstdint>
#include <vector>

class RadixSorter
{
public:
    RadixSorter();
    ~RadixSorter();

    RadixSorter(const RadixSorter&) = delete;
    RadixSorter& operator=(const RadixSorter&) = delete;

    RadixSorter& Sort(const uint32_t* pdwValues, uint32_t dwCount, bool bSigned);
    // Indices of the last sorted values in ascending order.
    const uint32_t* GetRanks() const { return m_pdwRanks; }
    // Byte passes the last sort ran (0 when the data was in order already).
    uint32_t GetPassCount() const { return m_dwPasses; }

private:
    void ResetRanks(uint32_t dwCount);

    uint32_t* m_pdwHistogram; // 4 x 256
    uint32_t* m_pdwOffsets;   // 256
    uint32_t m_dwCapacity;
    uint32_t m_dwCount;
    uint32_t* m_pdwRanks;
    uint32_t* m_pdwRanks2;
    uint32_t m_dwPasses;
};
