#pragma once
// Stripifier: turns an indexed triangle list into triangle strips. From each face not yet used it
// grows a strip in both directions from each of the face's three edges, keeps the longest, and
// optionally joins all strips into one with degenerate triangles.

#include <cstdint>
#include <memory>
#include <vector>

class ChunkedBuffer;
class MeshAdjacency;

struct StripifierCreateParams
{
    uint32_t m_dwNbFaces = 0;
    // Three per face; with both NULL the faces are (0, 1, 2) each.
    const uint32_t* m_pdwIndices = nullptr;
    const uint16_t* m_pwIndices = nullptr;
    // 16-bit strip indices instead of 32-bit ones.
    bool m_bAskForWords = true;
    // Keep the triangles' winding.
    bool m_bOneSided = true;
    // Start with the faces that have the fewest neighbours.
    bool m_bSortByNeighbours = false;
    bool m_bConnectAllStrips = false;
};

// The arrays belong to the stripifier and live until it runs again or is destroyed.
struct StripifierResult
{
    uint32_t m_dwNbStrips = 0;
    const uint32_t* m_pdwStripLengths = nullptr;
    // uint16_t or uint32_t values as asked, every strip back to back.
    const void* m_pvStripIndices = nullptr;
};

class Stripifier
{
public:
    Stripifier();
    ~Stripifier();

    Stripifier(const Stripifier&) = delete;
    Stripifier& operator=(const Stripifier&) = delete;

    bool Init(const StripifierCreateParams& roParams);
    bool Compute(StripifierResult& roResult);

private:
    void FreeRun();
    uint32_t ComputeBestStrip(uint32_t dwFace);
    uint32_t TrackStrip(uint32_t dwFace, uint32_t dwOldest, uint32_t dwMiddle, uint32_t* pdwStrip,
                        uint32_t* pdwFaces, uint8_t* pbyTags) const;
    bool ConnectAllStrips(StripifierResult& roResult);

    MeshAdjacency* m_poAdjacency;
    uint8_t* m_pbyTags;
    std::unique_ptr<ChunkedBuffer> m_poStripLengths;
    std::unique_ptr<ChunkedBuffer> m_poStripIndices;
    std::unique_ptr<ChunkedBuffer> m_poSingleStrip;
    uint32_t m_dwTotalLength;
    std::vector<uint32_t> m_avStrip[3];
    std::vector<uint32_t> m_avFaces[3];
    std::vector<uint8_t> m_vTagCopy;
    bool m_bAskForWords;
    bool m_bOneSided;
    bool m_bSortByNeighbours;
    bool m_bConnectAllStrips;
};
