#pragma once
// BenchFrame: one frame as the OpenGL renderer sent it (clears, and per glBegin/glEnd its state,
// matrices and vertices) with the 2D textures it sampled. The bench host records it from the
// engine; the bare baseline program draws it again with vertex arrays. Both read and write it
// through this header only, so the baseline links no engine code.

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

// Flags of a draw's enabled states.
const uint32_t BENCH_STATE_TEXTURE_2D = 1;
const uint32_t BENCH_STATE_BLEND = 2;
const uint32_t BENCH_STATE_DEPTH_TEST = 4;
const uint32_t BENCH_STATE_CULL_FACE = 8;
const uint32_t BENCH_STATE_DEPTH_WRITE = 16;

// Position, texture coordinates and colour of one vertex, as the arrays take them.
struct BenchVertex
{
    float afPosition[3];
    float afTexCoord[2];
    float afColor[4];
};

struct BenchDraw
{
    // 0: a clear (uMask, afClearColor, fClearDepth); 1: a primitive list.
    uint32_t uKind = 1;
    uint32_t uMask = 0;
    float afClearColor[4] = {0, 0, 0, 0};
    float fClearDepth = 1.0f;
    uint32_t uMode = 0;
    uint32_t uStates = 0;
    uint32_t uTexture = 0;
    uint32_t uBlendSrc = 1;
    uint32_t uBlendDst = 0;
    uint32_t uDepthFunc = 0x0201;
    uint32_t uCullFace = 0x0405;
    uint32_t uFrontFace = 0x0901;
    float afProjection[16] = {};
    float afModelView[16] = {};
    std::vector<BenchVertex> voVertices;
};

struct BenchTextureLevel
{
    uint32_t uWidth = 0;
    uint32_t uHeight = 0;
    // RGBA, 8 bits a channel.
    std::vector<uint8_t> vPixels;
};

struct BenchTexture
{
    uint32_t uName = 0;
    uint32_t uMinFilter = 0x2601;
    uint32_t uMagFilter = 0x2601;
    uint32_t uWrapS = 0x2901;
    uint32_t uWrapT = 0x2901;
    std::vector<BenchTextureLevel> voLevels;
};

class BenchFrame
{
public:
    uint32_t m_uWidth = 0;
    uint32_t m_uHeight = 0;
    std::vector<BenchDraw> m_voDraws;
    std::vector<BenchTexture> m_voTextures;

    // Primitive lists, clears left out.
    uint32_t CountDraws() const;
    uint64_t CountTriangles() const;
    // False (with the reason in rstrError) when the file cannot be written or read or is not a
    // frame of this format.
    bool Save(const std::string& strPath, std::string& rstrError) const;
    bool Load(const std::string& strPath, std::string& rstrError);
};
