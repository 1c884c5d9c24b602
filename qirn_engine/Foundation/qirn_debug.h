#pragma once
// The engine's one log: every line goes to the debugger output and, while file logging is on,
// to "debug.txt" in the folder that was current at the first logged line.

#include <cstdint>

struct QIRN_Vector4;

#if defined(__GNUC__)
#define QIRN_PRINTF_FORMAT(fmt, args) __attribute__((format(gnu_printf, fmt, args)))
#else
#define QIRN_PRINTF_FORMAT(fmt, args)
#endif

void dprintf(const char* szFormat, ...) QIRN_PRINTF_FORMAT(1, 2);

void SetDebugLogToFile(bool bOn);

// Receives every text that goes to the debugger output (messages and the truncation warning).
// Tests install one to read the log; NULL removes it.
typedef void (*QIRN_DebugSink)(const char* szText, void* pContext);
void SetDebugLogSink(QIRN_DebugSink pfnSink, void* pContext);

uint32_t FloatBitsToDword(float f);

// Clamps each component of a 0..255 colour in place; NaN and negatives become 0.
void ClampColor(QIRN_Vector4* pColor);
