#pragma once
// What the bare baseline programs share: the performance counter, a popup window of a frame's
// size whose messages they pump between frames, their --frames option and their timed loop.

#include <windows.h>

#include <cstdint>
#include <functional>

namespace bench
{
int64_t Now();
// Seconds in a count of performance-counter ticks.
double Seconds(int64_t iTicks);
void PumpMessages();
// A visible popup window whose client area is the whole size; null when it cannot be made.
HWND MakePopup(const char* szClass, const char* szTitle, uint32_t uWidth, uint32_t uHeight);
// "--frames N" after the frame file (300 when not given); false with a line on stderr when N is
// not positive.
bool FramesOption(int argc, char** argv, int& riFrames);
// Draws and presents one frame untimed (as the engine's first frame makes its resources before the
// timed ones), then iFrames frames timed as the bench host times the engine's: submission apart
// from presentation. Prints the figures as "bench.<name> <value>" lines; false when a frame failed.
bool TimeFrames(const char* szMode, int iFrames, const std::function<bool()>& rfnDraw,
                const std::function<bool()>& rfnPresent);
} // namespace bench
