#include "dxt_codec.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace d3dx8
{
namespace
{
struct Rgb
{
    float r, g, b;
};

float Clamp(float f, float fLow, float fHigh)
{
    return f < fLow ? fLow : (f > fHigh ? fHigh : f);
}

int ToInt255(float f)
{
    return static_cast<int>(std::lround(Clamp(f, 0.0f, 1.0f) * 255.0f));
}

Rgb Expand565(WORD w)
{
    const int r = (w >> 11) & 31;
    const int g = (w >> 5) & 63;
    const int b = w & 31;
    return {static_cast<float>((r << 3) | (r >> 2)), static_cast<float>((g << 2) | (g >> 4)),
            static_cast<float>((b << 3) | (b >> 2))};
}

WORD Quantize565(const Rgb& c)
{
    const int r = static_cast<int>(std::lround(Clamp(c.r, 0.0f, 255.0f) * 31.0f / 255.0f));
    const int g = static_cast<int>(std::lround(Clamp(c.g, 0.0f, 255.0f) * 63.0f / 255.0f));
    const int b = static_cast<int>(std::lround(Clamp(c.b, 0.0f, 255.0f) * 31.0f / 255.0f));
    return static_cast<WORD>((r << 11) | (g << 5) | b);
}

float Distance(const Rgb& a, const Rgb& b)
{
    const float dr = a.r - b.r;
    const float dg = a.g - b.g;
    const float db = a.b - b.b;
    return dr * dr + dg * dg + db * db;
}

// The colours a decoder makes of two endpoints: four, or three and transparent black.
int Palette(WORD w0, WORD w1, bool bThreeColours, Rgb aPalette[4])
{
    const Rgb c0 = Expand565(w0);
    const Rgb c1 = Expand565(w1);
    aPalette[0] = c0;
    aPalette[1] = c1;
    if (!bThreeColours)
    {
        aPalette[2] = {std::floor((2 * c0.r + c1.r + 1) / 3), std::floor((2 * c0.g + c1.g + 1) / 3),
                       std::floor((2 * c0.b + c1.b + 1) / 3)};
        aPalette[3] = {std::floor((c0.r + 2 * c1.r + 1) / 3), std::floor((c0.g + 2 * c1.g + 1) / 3),
                       std::floor((c0.b + 2 * c1.b + 1) / 3)};
        return 4;
    }
    aPalette[2] = {std::floor((c0.r + c1.r + 1) / 2), std::floor((c0.g + c1.g + 1) / 2),
                   std::floor((c0.b + c1.b + 1) / 2)};
    aPalette[3] = {0, 0, 0};
    return 3;
}

// Nearest palette colour for each texel; answers the summed squared error.
float AssignIndices(const Rgb* pColors, const bool* pUsed, WORD w0, WORD w1, bool bThreeColours,
                    int aiIndex[16])
{
    Rgb aPalette[4];
    const int iCount = Palette(w0, w1, bThreeColours, aPalette);
    float fError = 0.0f;
    for (int i = 0; i < 16; ++i)
    {
        if (!pUsed[i])
        {
            aiIndex[i] = 3;
            continue;
        }
        int iBest = 0;
        float fBest = Distance(pColors[i], aPalette[0]);
        for (int k = 1; k < iCount; ++k)
        {
            const float f = Distance(pColors[i], aPalette[k]);
            if (f < fBest)
            {
                fBest = f;
                iBest = k;
            }
        }
        aiIndex[i] = iBest;
        fError += fBest;
    }
    return fError;
}

// The principal axis of the colours, by power iteration on their covariance.
void PrincipalAxis(const Rgb* pColors, const bool* pUsed, Rgb* pMean, Rgb* pAxis)
{
    Rgb mean = {0, 0, 0};
    int n = 0;
    for (int i = 0; i < 16; ++i)
        if (pUsed[i])
        {
            mean.r += pColors[i].r;
            mean.g += pColors[i].g;
            mean.b += pColors[i].b;
            ++n;
        }
    mean = {mean.r / n, mean.g / n, mean.b / n};
    float c[6] = {0, 0, 0, 0, 0, 0}; // rr rg rb gg gb bb
    for (int i = 0; i < 16; ++i)
    {
        if (!pUsed[i])
            continue;
        const float r = pColors[i].r - mean.r;
        const float g = pColors[i].g - mean.g;
        const float b = pColors[i].b - mean.b;
        c[0] += r * r;
        c[1] += r * g;
        c[2] += r * b;
        c[3] += g * g;
        c[4] += g * b;
        c[5] += b * b;
    }
    // Start from the covariance column of largest norm: it lies in the principal plane, where a
    // fixed start such as (1, 1, 1) may be orthogonal to the axis sought.
    const Rgb aColumns[3] = {{c[0], c[1], c[2]}, {c[1], c[3], c[4]}, {c[2], c[4], c[5]}};
    Rgb axis = {1.0f, 1.0f, 1.0f};
    float fLargest = 0.0f;
    for (const Rgb& column : aColumns)
    {
        const float fNorm = column.r * column.r + column.g * column.g + column.b * column.b;
        if (fNorm > fLargest)
        {
            fLargest = fNorm;
            axis = column;
        }
    }
    for (int k = 0; k < 8; ++k)
    {
        const Rgb next = {c[0] * axis.r + c[1] * axis.g + c[2] * axis.b,
                          c[1] * axis.r + c[3] * axis.g + c[4] * axis.b,
                          c[2] * axis.r + c[4] * axis.g + c[5] * axis.b};
        const float fLength = std::sqrt(next.r * next.r + next.g * next.g + next.b * next.b);
        if (fLength < 1e-6f)
            break;
        axis = {next.r / fLength, next.g / fLength, next.b / fLength};
    }
    *pMean = mean;
    *pAxis = axis;
}

// Endpoints by least squares for the given indices; false when the system is singular.
bool RefineEndpoints(const Rgb* pColors, const bool* pUsed, const int* piIndex, bool bThreeColours, Rgb* pE0,
                     Rgb* pE1)
{
    static const float s_afFour[4] = {1.0f, 0.0f, 2.0f / 3.0f, 1.0f / 3.0f};
    static const float s_afThree[3] = {1.0f, 0.0f, 0.5f};
    float aa = 0, ab = 0, bb = 0;
    Rgb ax = {0, 0, 0};
    Rgb bx = {0, 0, 0};
    for (int i = 0; i < 16; ++i)
    {
        if (!pUsed[i])
            continue;
        const float a = bThreeColours ? s_afThree[piIndex[i]] : s_afFour[piIndex[i]];
        const float b = 1.0f - a;
        aa += a * a;
        ab += a * b;
        bb += b * b;
        ax = {ax.r + a * pColors[i].r, ax.g + a * pColors[i].g, ax.b + a * pColors[i].b};
        bx = {bx.r + b * pColors[i].r, bx.g + b * pColors[i].g, bx.b + b * pColors[i].b};
    }
    const float fDet = aa * bb - ab * ab;
    if (std::fabs(fDet) < 1e-6f)
        return false;
    const float f = 1.0f / fDet;
    *pE0 = {(ax.r * bb - bx.r * ab) * f, (ax.g * bb - bx.g * ab) * f, (ax.b * bb - bx.b * ab) * f};
    *pE1 = {(bx.r * aa - ax.r * ab) * f, (bx.g * aa - ax.g * ab) * f, (bx.b * aa - ax.b * ab) * f};
    return true;
}

void WriteColorBlock(WORD w0, WORD w1, const int aiIndex[16], BYTE* pOut)
{
    pOut[0] = static_cast<BYTE>(w0);
    pOut[1] = static_cast<BYTE>(w0 >> 8);
    pOut[2] = static_cast<BYTE>(w1);
    pOut[3] = static_cast<BYTE>(w1 >> 8);
    for (int row = 0; row < 4; ++row)
    {
        BYTE b = 0;
        for (int col = 0; col < 4; ++col)
            b |= static_cast<BYTE>(aiIndex[row * 4 + col] << (2 * col));
        pOut[4 + row] = b;
    }
}

// Colour block: endpoints along the principal axis, refined by least squares, then put in the
// order that selects the mode (c0 > c1: four colours; c0 <= c1: three and transparent).
void EncodeColorBlock(const Rgb aColors[16], const bool abOpaque[16], bool bThreeColours, BYTE* pOut)
{
    int aiIndex[16];
    bool bAny = false;
    for (int i = 0; i < 16; ++i)
        bAny = bAny || abOpaque[i];
    if (!bAny)
    {
        std::fill(aiIndex, aiIndex + 16, 3);
        WriteColorBlock(0, 0, aiIndex, pOut);
        return;
    }
    Rgb mean;
    Rgb axis;
    PrincipalAxis(aColors, abOpaque, &mean, &axis);
    float fMin = 1e30f;
    float fMax = -1e30f;
    for (int i = 0; i < 16; ++i)
    {
        if (!abOpaque[i])
            continue;
        const float t = (aColors[i].r - mean.r) * axis.r + (aColors[i].g - mean.g) * axis.g +
                        (aColors[i].b - mean.b) * axis.b;
        fMin = std::min(fMin, t);
        fMax = std::max(fMax, t);
    }
    Rgb e0 = {mean.r + axis.r * fMax, mean.g + axis.g * fMax, mean.b + axis.b * fMax};
    Rgb e1 = {mean.r + axis.r * fMin, mean.g + axis.g * fMin, mean.b + axis.b * fMin};
    WORD w0 = Quantize565(e0);
    WORD w1 = Quantize565(e1);
    float fBest = AssignIndices(aColors, abOpaque, w0, w1, bThreeColours, aiIndex);
    for (int iPass = 0; iPass < 2 && fBest > 0.0f; ++iPass)
    {
        if (!RefineEndpoints(aColors, abOpaque, aiIndex, bThreeColours, &e0, &e1))
            break;
        const WORD r0 = Quantize565(e0);
        const WORD r1 = Quantize565(e1);
        int aiTry[16];
        const float fError = AssignIndices(aColors, abOpaque, r0, r1, bThreeColours, aiTry);
        if (fError >= fBest)
            break;
        fBest = fError;
        w0 = r0;
        w1 = r1;
        std::memcpy(aiIndex, aiTry, sizeof(aiIndex));
    }
    if (w0 == w1)
    {
        // One colour: index 0 reads c0 in either mode.
        for (int i = 0; i < 16; ++i)
            aiIndex[i] = abOpaque[i] ? 0 : 3;
    }
    else if ((!bThreeColours && w0 < w1) || (bThreeColours && w0 > w1))
    {
        std::swap(w0, w1);
        static const int s_aiSwapFour[4] = {1, 0, 3, 2};
        static const int s_aiSwapThree[4] = {1, 0, 2, 3};
        for (int& index : aiIndex)
            index = bThreeColours ? s_aiSwapThree[index] : s_aiSwapFour[index];
    }
    WriteColorBlock(w0, w1, aiIndex, pOut);
}

void DecodeColorBlock(const BYTE* p, bool bDxt1, Texel aOut[16])
{
    const WORD w0 = static_cast<WORD>(p[0] | (p[1] << 8));
    const WORD w1 = static_cast<WORD>(p[2] | (p[3] << 8));
    // DXT2 to DXT5 always read four colours.
    const bool bThree = bDxt1 && w0 <= w1;
    Rgb aPalette[4];
    Palette(w0, w1, bThree, aPalette);
    for (int i = 0; i < 16; ++i)
    {
        const int k = (p[4 + i / 4] >> (2 * (i % 4))) & 3;
        const Rgb& c = aPalette[k];
        aOut[i] = {c.r / 255.0f, c.g / 255.0f, c.b / 255.0f, (bThree && k == 3) ? 0.0f : 1.0f};
    }
}

// Interpolated alpha: eight values when a0 > a1, else six plus 0 and 255.
void AlphaPalette(int a0, int a1, int aiPalette[8])
{
    aiPalette[0] = a0;
    aiPalette[1] = a1;
    if (a0 > a1)
        for (int k = 1; k < 7; ++k)
            aiPalette[1 + k] = ((7 - k) * a0 + k * a1 + 3) / 7;
    else
    {
        for (int k = 1; k < 5; ++k)
            aiPalette[1 + k] = ((5 - k) * a0 + k * a1 + 2) / 5;
        aiPalette[6] = 0;
        aiPalette[7] = 255;
    }
}

int AssignAlpha(const int aiAlpha[16], int a0, int a1, int aiIndex[16])
{
    int aiPalette[8];
    AlphaPalette(a0, a1, aiPalette);
    int iError = 0;
    for (int i = 0; i < 16; ++i)
    {
        int iBest = 0;
        for (int k = 1; k < 8; ++k)
            if (std::abs(aiAlpha[i] - aiPalette[k]) < std::abs(aiAlpha[i] - aiPalette[iBest]))
                iBest = k;
        aiIndex[i] = iBest;
        const int d = aiAlpha[i] - aiPalette[iBest];
        iError += d * d;
    }
    return iError;
}

void EncodeInterpolatedAlpha(const int aiAlpha[16], BYTE* pOut)
{
    int iMin = 255, iMax = 0, iInnerMin = 255, iInnerMax = 0;
    for (int i = 0; i < 16; ++i)
    {
        iMin = std::min(iMin, aiAlpha[i]);
        iMax = std::max(iMax, aiAlpha[i]);
        if (aiAlpha[i] != 0 && aiAlpha[i] != 255)
        {
            iInnerMin = std::min(iInnerMin, aiAlpha[i]);
            iInnerMax = std::max(iInnerMax, aiAlpha[i]);
        }
    }
    if (iInnerMin > iInnerMax)
        iInnerMin = iInnerMax = iMin;
    // Six values between the inner extremes, with 0 and 255 exact; or eight between min and max.
    int a0 = iInnerMin;
    int a1 = iInnerMax;
    int aiIndex[16];
    int iBest = AssignAlpha(aiAlpha, a0, a1, aiIndex);
    if (iMax > iMin)
    {
        int aiEight[16];
        const int iEight = AssignAlpha(aiAlpha, iMax, iMin, aiEight);
        if (iEight < iBest)
        {
            a0 = iMax;
            a1 = iMin;
            std::memcpy(aiIndex, aiEight, sizeof(aiIndex));
        }
    }
    pOut[0] = static_cast<BYTE>(a0);
    pOut[1] = static_cast<BYTE>(a1);
    unsigned long long ullBits = 0;
    for (int i = 0; i < 16; ++i)
        ullBits |= static_cast<unsigned long long>(aiIndex[i]) << (3 * i);
    for (int k = 0; k < 6; ++k)
        pOut[2 + k] = static_cast<BYTE>(ullBits >> (8 * k));
}

void DecodeInterpolatedAlpha(const BYTE* p, Texel aOut[16])
{
    int aiPalette[8];
    AlphaPalette(p[0], p[1], aiPalette);
    unsigned long long ullBits = 0;
    for (int k = 0; k < 6; ++k)
        ullBits |= static_cast<unsigned long long>(p[2 + k]) << (8 * k);
    for (int i = 0; i < 16; ++i)
        aOut[i].a = aiPalette[(ullBits >> (3 * i)) & 7] / 255.0f;
}

bool IsPremultiplied(D3DFORMAT eFormat)
{
    return eFormat == D3DFMT_DXT2 || eFormat == D3DFMT_DXT4;
}
} // namespace

void DecodeDxtBlock(D3DFORMAT eFormat, const BYTE* pBlock, Texel aOut[16])
{
    if (eFormat == D3DFMT_DXT1)
    {
        DecodeColorBlock(pBlock, true, aOut);
        return;
    }
    DecodeColorBlock(pBlock + 8, false, aOut);
    if (eFormat == D3DFMT_DXT2 || eFormat == D3DFMT_DXT3)
        for (int i = 0; i < 16; ++i)
            aOut[i].a = ((pBlock[i / 2] >> (4 * (i % 2))) & 0xF) / 15.0f;
    else
        DecodeInterpolatedAlpha(pBlock, aOut);
    if (IsPremultiplied(eFormat))
        for (int i = 0; i < 16; ++i)
        {
            const float a = aOut[i].a;
            aOut[i].r = a > 0.0f ? Clamp(aOut[i].r / a, 0.0f, 1.0f) : 0.0f;
            aOut[i].g = a > 0.0f ? Clamp(aOut[i].g / a, 0.0f, 1.0f) : 0.0f;
            aOut[i].b = a > 0.0f ? Clamp(aOut[i].b / a, 0.0f, 1.0f) : 0.0f;
        }
}

void EncodeDxtBlock(D3DFORMAT eFormat, const Texel aIn[16], BYTE* pBlock)
{
    const bool bDxt1 = eFormat == D3DFMT_DXT1;
    const bool bPremultiply = IsPremultiplied(eFormat);
    Rgb aColors[16];
    bool abOpaque[16];
    bool bTransparent = false;
    for (int i = 0; i < 16; ++i)
    {
        const float a = Clamp(aIn[i].a, 0.0f, 1.0f);
        const float fScale = bPremultiply ? a * 255.0f : 255.0f;
        aColors[i] = {Clamp(aIn[i].r, 0.0f, 1.0f) * fScale, Clamp(aIn[i].g, 0.0f, 1.0f) * fScale,
                      Clamp(aIn[i].b, 0.0f, 1.0f) * fScale};
        abOpaque[i] = !bDxt1 || a >= 0.5f;
        bTransparent = bTransparent || !abOpaque[i];
    }
    if (bDxt1)
    {
        EncodeColorBlock(aColors, abOpaque, bTransparent, pBlock);
        return;
    }
    EncodeColorBlock(aColors, abOpaque, false, pBlock + 8);
    int aiAlpha[16];
    for (int i = 0; i < 16; ++i)
        aiAlpha[i] = ToInt255(aIn[i].a);
    if (eFormat == D3DFMT_DXT2 || eFormat == D3DFMT_DXT3)
    {
        std::memset(pBlock, 0, 8);
        for (int i = 0; i < 16; ++i)
        {
            const int a4 = (aiAlpha[i] * 15 + 127) / 255;
            pBlock[i / 2] |= static_cast<BYTE>(a4 << (4 * (i % 2)));
        }
    }
    else
        EncodeInterpolatedAlpha(aiAlpha, pBlock);
}
} // namespace d3dx8
