#pragma once
// ChunkedBuffer: collects 16- and 32-bit values in a chain of cells, each twice the size of the
// one before, so growing never copies; Collapse gives them back as one array.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

class ChunkedBuffer
{
public:
    explicit ChunkedBuffer(uint32_t dwInitialCapacity = 4096, const void* pInitialBytes = nullptr,
                           uint32_t dwInitialBytes = 0);

    ChunkedBuffer(const ChunkedBuffer&) = delete;
    ChunkedBuffer& operator=(const ChunkedBuffer&) = delete;

    ChunkedBuffer& StoreU16(uint16_t wValue);
    ChunkedBuffer& StoreU32(uint32_t dwValue);
    // Bytes used in all cells.
    uint32_t GetSize() const;
    // Copies every byte into pDest, or (pDest NULL) into a copy the buffer keeps until the next
    // Collapse; NULL when the buffer is empty or no copy could be made.
    void* Collapse(void* pDest = nullptr);
    // Whether every store so far found room.
    bool IsValid() const { return m_bValid; }

private:
    struct Cell
    {
        uint32_t dwCapacity;
        uint32_t dwUsed;
        std::unique_ptr<uint8_t[]> pbyData;
    };
    void Store(const void* pValue, uint32_t dwSize);

    std::vector<Cell> m_vCells;
    void* m_pLastAddress;
    std::unique_ptr<uint8_t[]> m_pbyCollapsed;
    bool m_bValid;
};
