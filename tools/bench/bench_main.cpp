// qirn_bench: measures the engine on the shipped scene. One renderer (or the skinning rate) per
// run; tools/bench/run runs them side by side with the bare baselines and prints the ratios.
// --dump writes the frame in the middle of the stretch for a baseline to draw. The Direct3D 8
// frame is recorded through hooks in place from the device's making on, so a Direct3D 8 run with
// --dump reports the frame and no times; the times come from a run without it.
// Results are "bench.<name> <value>" lines on stdout; failures a "bench: ..." line on stderr and
// exit code 1.
//
//   qirn_bench.exe dx8|gl|skin --data DATA --scenes SCENES [--world FILE] [--seconds S]
//                  [--step S] [--width W] [--height H] [--dump FILE] [--skin-scene FOLDER]

#include "benchhost.h"
#include "dx8framerecorder.h"
#include "glframerecorder.h"
#include "skinbench.h"

#include "qirn_engine.h"
#include "qirn_engineparams.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace
{
struct Options
{
    std::string strMode;
    BenchSettings oSettings;
    std::string strDump;
    std::string strSkinScene;
};

void Usage()
{
    fprintf(stderr,
            "usage: qirn_bench.exe dx8|gl|skin --data DATA --scenes SCENES [--world FILE] [--seconds S]\n"
            "       [--step S] [--width W] [--height H] [--dump FILE] [--skin-scene FOLDER]\n");
}

bool ParseOptions(int argc, char** argv, Options& roOptions)
{
    if (argc < 2)
    {
        return false;
    }
    roOptions.strMode = argv[1];
    for (int i = 2; i < argc; i += 2)
    {
        if (i + 1 >= argc)
        {
            fprintf(stderr, "bench: %s needs a value\n", argv[i]);
            return false;
        }
        const std::string strName = argv[i];
        const char* szValue = argv[i + 1];
        BenchSettings& ro = roOptions.oSettings;
        if (strName == "--data")
            ro.strDataFolder = szValue;
        else if (strName == "--scenes")
            ro.strSceneFolder = szValue;
        else if (strName == "--world")
            ro.strWorldFile = szValue;
        else if (strName == "--seconds")
            ro.fSeconds = static_cast<float>(atof(szValue));
        else if (strName == "--step")
            ro.fStep = static_cast<float>(atof(szValue));
        else if (strName == "--width")
            ro.iWidth = atoi(szValue);
        else if (strName == "--height")
            ro.iHeight = atoi(szValue);
        else if (strName == "--dump")
            roOptions.strDump = szValue;
        else if (strName == "--skin-scene")
            roOptions.strSkinScene = szValue;
        else
        {
            fprintf(stderr, "bench: unknown option %s\n", argv[i]);
            return false;
        }
    }
    const BenchSettings& ro = roOptions.oSettings;
    if (roOptions.strMode != "dx8" && roOptions.strMode != "gl" && roOptions.strMode != "skin")
    {
        fprintf(stderr, "bench: unknown mode \"%s\"\n", roOptions.strMode.c_str());
        return false;
    }
    if (ro.strDataFolder.empty() || ro.strSceneFolder.empty() || !(ro.fSeconds > 0.0f) ||
        !(ro.fStep > 0.0f) || ro.fSeconds / ro.fStep > 1.0e6f || ro.iWidth <= 0 || ro.iHeight <= 0)
    {
        fprintf(stderr, "bench: --data and --scenes are needed; seconds, step and size must be positive\n");
        return false;
    }
    return true;
}

void Report(const char* szName, double dValue)
{
    printf("bench.%s %.9g\n", szName, dValue);
}

// Records the frame in the middle of the stretch, once the stretch has been played, and writes it.
int DumpFrame(BenchHost& roHost, const Options& roOptions)
{
    const BenchSettings& ro = roHost.GetSettings();
    const float fMiddle = 0.5f * ro.fSeconds;
    std::string strError;
    bool bDrawn = false;
    bool bSaved = false;
    double dDraws = 0.0;
    double dTriangles = 0.0;
    double dTextures = 0.0;
    if (roOptions.strMode == "gl")
    {
        if (!GLFrameRecorder::Install(strError))
        {
            fprintf(stderr, "bench: cannot record the frame: the program does not import %s\n",
                    strError.c_str());
            return 1;
        }
        GLFrameRecorder::Begin(static_cast<uint32_t>(ro.iWidth), static_cast<uint32_t>(ro.iHeight));
        bDrawn = roHost.RenderAt(fMiddle);
        BenchFrame& roFrame = GLFrameRecorder::End();
        bSaved = bDrawn && roFrame.Save(roOptions.strDump, strError);
        dDraws = static_cast<double>(roFrame.CountDraws());
        dTriangles = static_cast<double>(roFrame.CountTriangles());
        dTextures = static_cast<double>(roFrame.m_voTextures.size());
    }
    else
    {
        if (!Dx8FrameRecorder::Begin())
        {
            fprintf(stderr, "bench: cannot record the frame: no device was made through the recorder\n");
            return 1;
        }
        bDrawn = roHost.RenderAt(fMiddle);
        Dx8Frame& roFrame = Dx8FrameRecorder::End();
        if (!Dx8FrameRecorder::Problems().empty())
        {
            fprintf(stderr, "bench: the frame was not recorded whole: %s\n",
                    Dx8FrameRecorder::Problems().c_str());
            return 1;
        }
        bSaved = bDrawn && roFrame.Save(roOptions.strDump, strError);
        dDraws = roFrame.CountDraws();
        dTriangles = static_cast<double>(roFrame.CountTriangles());
        dTextures = 0.0;
        for (const Dx8Resource& roResource : roFrame.m_voResources)
        {
            dTextures +=
                roResource.uKind >= DX8_TEXTURE && roResource.uKind <= DX8_VOLUME_TEXTURE ? 1.0 : 0.0;
        }
        Report("dump_calls", static_cast<double>(roFrame.m_voCommands.size()));
    }
    if (!bSaved)
    {
        fprintf(stderr, "bench: the frame was not dumped: %s\n",
                bDrawn ? strError.c_str() : "it was not drawn");
        return 1;
    }
    Report("dump_draws", dDraws);
    Report("dump_triangles", dTriangles);
    Report("dump_textures", dTextures);
    return 0;
}

int RunRenderer(BenchHost& roHost, const Options& roOptions)
{
    // With the Direct3D 8 recorder's hooks in place the times would not be the engine's alone.
    const bool bTimed = roOptions.strMode == "gl" || roOptions.strDump.empty();
    const double dLoad = roHost.LoadScene();
    if (dLoad < 0.0)
    {
        return 1;
    }
    const double dFirstFrame = roHost.FirstFrame();
    if (dFirstFrame < 0.0)
    {
        return 1;
    }
    const BenchTimes oTimes = roHost.Play();
    if (oTimes.uFailedFrames > 0)
    {
        // Figures of frames that were not drawn would flatter the renderer.
        fprintf(stderr, "bench: %u of the %u frames failed to render or present\n", oTimes.uFailedFrames,
                oTimes.uFrames);
        return 1;
    }
    const double dFrames = oTimes.uFrames;
    Report("frames", dFrames);
    if (bTimed)
    {
        Report("load_seconds", dLoad);
        Report("first_frame_seconds", dFirstFrame);
        Report("wall_seconds", oTimes.dWall);
        Report("fps", dFrames / oTimes.dWall);
        Report("frame_ms", 1000.0 * oTimes.dWall / dFrames);
        Report("update_ms", 1000.0 * oTimes.dUpdate / dFrames);
        Report("submit_ms", 1000.0 * oTimes.dSubmit / dFrames);
        Report("present_ms", 1000.0 * oTimes.dPresent / dFrames);
        Report("main_thread_cpu_ms", 1000.0 * oTimes.dMainThreadCpu / dFrames);
        // The frame the baseline draws, held: the engine's figure to set against the baseline's.
        const BenchTimes oHeld = roHost.Hold(0.5f * roHost.GetSettings().fSeconds, oTimes.uFrames);
        if (oHeld.uFailedFrames > 0)
        {
            fprintf(stderr, "bench: %u of the %u held frames failed to render or present\n",
                    oHeld.uFailedFrames, oHeld.uFrames);
            return 1;
        }
        Report("held_fps", dFrames / oHeld.dWall);
        Report("held_frame_ms", 1000.0 * oHeld.dWall / dFrames);
        Report("held_submit_ms", 1000.0 * oHeld.dSubmit / dFrames);
        Report("held_present_ms", 1000.0 * oHeld.dPresent / dFrames);
    }
    fflush(stdout);
    return roOptions.strDump.empty() ? 0 : DumpFrame(roHost, roOptions);
}

int RunSkinning(BenchHost& roHost, const Options& roOptions)
{
    if (roHost.LoadScene() < 0.0)
    {
        return 1;
    }
    if (roHost.FirstFrame() < 0.0)
    {
        return 1;
    }
    SkinBench oBench;
    oBench.CollectMeshes(roHost.GetEngine()->GetGraphicsInterface(0));
    bool bStandIn = false;
    if (oBench.CountVertices() == 0 && !roOptions.strSkinScene.empty())
    {
        // The scene has no skinned mesh yet: the bench's own skinned tube stands in.
        bStandIn = true;
        if (!roHost.ChangeScene(roOptions.strSkinScene, "BenchSkin.w") || roHost.LoadScene() < 0.0 ||
            roHost.FirstFrame() < 0.0)
        {
            return 1;
        }
        oBench.CollectMeshes(roHost.GetEngine()->GetGraphicsInterface(0));
    }
    if (oBench.CountVertices() == 0)
    {
        fprintf(stderr, "bench: no skinned mesh to blend\n");
        return 1;
    }
    printf("bench.skin_source %s\n", bStandIn ? "stand-in" : "scene");
    const SkinRates oRates = oBench.Measure(1.0);
    Report("skin_meshes", oRates.uMeshes);
    Report("skin_vertices", oRates.uVertices);
    Report("skin_engine_rate", oRates.dEngineRate);
    Report("skin_plain_rate", oRates.dPlainRate);
    Report("skin_largest_difference", oRates.dLargestDifference);
    Report("skin_palette_spread", oRates.dPaletteSpread);
    Report("skin_bone_entries", oRates.uBoneEntries);
    return 0;
}
} // namespace

int main(int argc, char** argv)
{
    Options oOptions;
    if (!ParseOptions(argc, argv, oOptions))
    {
        Usage();
        return 1;
    }
    oOptions.oSettings.iAPI = oOptions.strMode == "dx8" ? QIRN_GRAPHICS_DX8 : QIRN_GRAPHICS_OPENGL;
    if (!oOptions.strDump.empty() && oOptions.strMode == "skin")
    {
        fprintf(stderr, "bench: --dump records a frame of a renderer; use it with the gl or dx8 mode\n");
        return 1;
    }
    std::string strError;
    if (!oOptions.strDump.empty() && oOptions.strMode == "dx8" && !Dx8FrameRecorder::Install(strError))
    {
        fprintf(stderr, "bench: cannot record the frame: the program does not import %s\n", strError.c_str());
        return 1;
    }
    BenchHost oHost;
    if (!oHost.Start(oOptions.oSettings))
    {
        return 1;
    }
    printf("bench.mode %s\n", oOptions.strMode.c_str());
    return oOptions.strMode == "skin" ? RunSkinning(oHost, oOptions) : RunRenderer(oHost, oOptions);
}
