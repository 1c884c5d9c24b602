#pragma once
// What the configuration program asks of the display: the refresh rates of a display mode through
// Direct3D 8, and whether the board has the video memory for the high-resolution textures.

#include <windows.h>

#include <d3d8types.h>

// Bits per pixel of a Direct3D 8 format; 0 for a format not listed.
int GetFormatBitDepth(D3DFORMAT format);

// Collects the refresh rates of adapter 0's 32-bit modes of nWidth x nHeight, ascending (a rate
// listed by several modes appears as often). *ppRates gets an array to free with delete[], *pnCount
// its length. Answers 0 when Direct3D 8 cannot be made or the array cannot be allocated.
int EnumRefreshRates(int nWidth, int nHeight, int nBitDepth, int** ppRates, int* pnCount);

// Ascending order by exchanging neighbours.
void SortRefreshRates(int* pRates, int nCount);

// 1 when the high-resolution textures are the better default for this computer, else 0.
int RecommendHighResTextures();

// Whether the adapter with these ids is one of the boards the driver's memory query was made for.
bool IsListedDisplayAdapter(DWORD dwDeviceId, DWORD dwSubSysId);

// The board's video memory in megabytes as the display driver's private query answers it, or 40
// when the driver does not answer it.
int QueryVideoMemoryMegabytes();

// The texture choice for an amount of video memory in megabytes: 0 for a 64 MB board, else 1.
int RecommendForVideoMemory(int nMegabytes);
