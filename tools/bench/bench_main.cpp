// qirn_bench: measures the engine on the shipped scene. One renderer (or the skinning rate) per
// run; tools/bench/run runs them side by side with the bare baseline and prints the ratios.
// Results are "bench.<name> <value>" lines on stdout; failures a "bench: ..." line on stderr and
// exit code 1.
//
//   qirn_bench.exe dx8|gl|skin --data DATA --scenes SCENES [--world FILE] [--seconds S]
//                  [--step S] [--width W] [--height H] [--dump FILE] [--skin-scene FOLDER]

#include "benchhost.h"
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

int RunRenderer(BenchHost& roHost, const Options& roOptions)
{
    const double dLoad = roHost.LoadScene();
    if (dLoad < 0.0)
    {
        return 1;
    }
    Report("load_seconds", dLoad);
    const double dFirstFrame = roHost.FirstFrame();
    if (dFirstFrame < 0.0)
    {
        return 1;
    }
    Report("first_frame_seconds", dFirstFrame);
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
    Report("wall_seconds", oTimes.dWall);
    Report("fps", dFrames / oTimes.dWall);
    Report("frame_ms", 1000.0 * oTimes.dWall / dFrames);
    Report("update_ms", 1000.0 * oTimes.dUpdate / dFrames);
    Report("submit_ms", 1000.0 * oTimes.dSubmit / dFrames);
    Report("present_ms", 1000.0 * oTimes.dPresent / dFrames);
    Report("main_thread_cpu_ms", 1000.0 * oTimes.dMainThreadCpu / dFrames);
    fflush(stdout);
    if (roOptions.strDump.empty())
    {
        return 0;
    }
    // The frame in the middle of the stretch, recorded after the timed frames.
    std::string strError;
    if (!GLFrameRecorder::Install(strError))
    {
        fprintf(stderr, "bench: cannot record the frame: the program does not import %s\n", strError.c_str());
        return 1;
    }
    const BenchSettings& ro = roHost.GetSettings();
    GLFrameRecorder::Begin(static_cast<uint32_t>(ro.iWidth), static_cast<uint32_t>(ro.iHeight));
    const bool bDrawn = roHost.RenderAt(0.5f * ro.fSeconds);
    BenchFrame& roFrame = GLFrameRecorder::End();
    if (!bDrawn || !roFrame.Save(roOptions.strDump, strError))
    {
        fprintf(stderr, "bench: the frame was not dumped: %s\n",
                bDrawn ? strError.c_str() : "it was not drawn");
        return 1;
    }
    Report("dump_draws", static_cast<double>(roFrame.m_voDraws.size()));
    Report("dump_triangles", static_cast<double>(roFrame.CountTriangles()));
    Report("dump_textures", static_cast<double>(roFrame.m_voTextures.size()));
    return 0;
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
    if (!oOptions.strDump.empty() && oOptions.strMode != "gl")
    {
        fprintf(stderr, "bench: --dump records an OpenGL frame; use it with the gl mode\n");
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
