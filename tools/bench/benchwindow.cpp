#include "benchwindow.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace bench
{
int64_t Now()
{
    LARGE_INTEGER o;
    QueryPerformanceCounter(&o);
    return o.QuadPart;
}

double Seconds(int64_t iTicks)
{
    LARGE_INTEGER o;
    QueryPerformanceFrequency(&o);
    return static_cast<double>(iTicks) / static_cast<double>(o.QuadPart);
}

void PumpMessages()
{
    MSG oMsg;
    while (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&oMsg);
        DispatchMessageA(&oMsg);
    }
}

HWND MakePopup(const char* szClass, const char* szTitle, uint32_t uWidth, uint32_t uHeight)
{
    WNDCLASSA oClass = {};
    oClass.style = CS_OWNDC;
    oClass.lpfnWndProc = DefWindowProcA;
    oClass.hInstance = GetModuleHandleA(nullptr);
    oClass.lpszClassName = szClass;
    RegisterClassA(&oClass);
    HWND hWnd = CreateWindowExA(0, szClass, szTitle, WS_POPUP | WS_VISIBLE, 0, 0, static_cast<int>(uWidth),
                                static_cast<int>(uHeight), nullptr, nullptr, oClass.hInstance, nullptr);
    PumpMessages();
    return hWnd;
}

bool FramesOption(int argc, char** argv, int& riFrames)
{
    riFrames = 300;
    for (int i = 2; i + 1 < argc; i += 2)
    {
        if (strcmp(argv[i], "--frames") == 0)
        {
            riFrames = atoi(argv[i + 1]);
        }
    }
    if (riFrames <= 0)
    {
        fprintf(stderr, "baseline: --frames must be positive\n");
        return false;
    }
    return true;
}

bool TimeFrames(const char* szMode, int iFrames, const std::function<bool()>& rfnDraw,
                const std::function<bool()>& rfnPresent)
{
    bool bOk = rfnDraw() && rfnPresent();
    int64_t iSubmit = 0;
    int64_t iPresent = 0;
    const int64_t iStart = Now();
    for (int i = 0; i < iFrames; ++i)
    {
        const int64_t iFrame = Now();
        bOk = rfnDraw() && bOk;
        const int64_t iDrawn = Now();
        bOk = rfnPresent() && bOk;
        iPresent += Now() - iDrawn;
        iSubmit += iDrawn - iFrame;
        PumpMessages();
    }
    const double dWall = Seconds(Now() - iStart);
    printf("bench.mode %s\n", szMode);
    printf("bench.frames %d\n", iFrames);
    printf("bench.wall_seconds %.6f\n", dWall);
    printf("bench.fps %.6f\n", iFrames / dWall);
    printf("bench.frame_ms %.6f\n", 1000.0 * dWall / iFrames);
    printf("bench.submit_ms %.6f\n", 1000.0 * Seconds(iSubmit) / iFrames);
    printf("bench.present_ms %.6f\n", 1000.0 * Seconds(iPresent) / iFrames);
    return bOk;
}
} // namespace bench
