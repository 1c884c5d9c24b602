#pragma once
// The OpenGL 1.x headers with the extension enumerants the renderer uses; windows.h first, as the
// platform's gl.h expects.

#include <windows.h>

#include <GL/gl.h>
#include <GL/glext.h>
#include <GL/glu.h>

#include <cstdint>

// An engine colour (32-bit ARGB) as OpenGL floats, each channel times 1/255.
inline void ColorToFloats(uint32_t dwARGB, float* pfAlpha, float* pfRed, float* pfGreen, float* pfBlue)
{
    const float fScale = 0.003921569f;
    *pfAlpha = static_cast<float>((dwARGB >> 24) & 0xFF) * fScale;
    *pfRed = static_cast<float>((dwARGB >> 16) & 0xFF) * fScale;
    *pfGreen = static_cast<float>((dwARGB >> 8) & 0xFF) * fScale;
    *pfBlue = static_cast<float>(dwARGB & 0xFF) * fScale;
}
