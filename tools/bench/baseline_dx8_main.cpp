// qirn_baseline_dx8: the bare Direct3D 8 yardstick. It draws a frame dumped from the engine's
// Direct3D 8 renderer again and again with a device of its own and nothing else: the frame's
// textures, buffers and shaders made once, then its calls, leaving out after the first frame those
// that set a state to the value the device already holds. Frames are timed as the bench host times
// the engine's: submission apart from presentation. Results are "bench.<name> <value>" lines on
// stdout.
//
//   qirn_baseline_dx8.exe FRAME_FILE [--frames N]

#include "benchwindow.h"
#include "dx8frame.h"
#include "dx8framereplay.h"

#include <cstdio>
#include <string>

int main(int argc, char** argv)
{
    if (argc < 2)
    {
        fprintf(stderr, "usage: qirn_baseline_dx8.exe FRAME_FILE [--frames N]\n");
        return 1;
    }
    int iFrames = 0;
    if (!bench::FramesOption(argc, argv, iFrames))
    {
        return 1;
    }
    Dx8Frame oFrame;
    std::string strError;
    if (!oFrame.Load(argv[1], strError))
    {
        fprintf(stderr, "baseline: %s\n", strError.c_str());
        return 1;
    }
    HWND hWnd = bench::MakePopup("QIRN_BASELINE_DX8", "Tolvamir Direct3D 8 baseline", oFrame.m_uWidth,
                                 oFrame.m_uHeight);
    Dx8FrameReplay oReplay;
    if (!hWnd || !oReplay.Start(oFrame, hWnd, strError))
    {
        fprintf(stderr, "baseline: %s\n", hWnd ? strError.c_str() : "no window of the frame's size");
        return 1;
    }
    const bool bDrawn = bench::TimeFrames(
        "baseline_dx8", iFrames, [&] { return oReplay.DrawFrame(); },
        [&] { return SUCCEEDED(oReplay.Present()); });
    printf("bench.triangles %llu\n", static_cast<unsigned long long>(oFrame.CountTriangles()));
    printf("bench.draws %u\n", oFrame.CountDraws());
    printf("bench.calls_first_frame %zu\n", oReplay.AllCalls());
    printf("bench.calls_per_frame %zu\n", oReplay.SteadyCalls());
    if (!bDrawn)
    {
        fprintf(stderr, "baseline: a call of the frame failed\n");
        return 1;
    }
    return 0;
}
