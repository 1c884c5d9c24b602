// qirn_longrun: plays the shipped scene at a fixed step for a long stretch of world time and counts
// what the heaps hold once the scene has looped once, then every minute of world time: the engine's
// own C++ blocks (counted by this program's operator new and delete, which the engine's static
// libraries use), every block of the C runtime's heap (malloc and calloc of the engine, the C++
// runtime and the plug-in) and every block of the process heap (mostly the system's DLLs: the
// Direct3D and sound layers). A figure that climbs from sample to sample is a growth; whose it is
// follows from the heap it shows in.
//
//   qirn_longrun.exe dx8|gl --data DATA --scenes SCENES [--seconds 600] [--step 0.0333333]
//                    [--first 95] [--every 60]
//
// Lines "longrun <world time> engine <blocks> <bytes> crt <blocks> <bytes> process <blocks> <bytes>"
// on stdout; exit code 0 when every frame was drawn.

#include "benchhost.h"

#include "qirn_engineparams.h"

#include <malloc.h>
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <string>

namespace
{
std::atomic<long long> g_llBlocks(0);
std::atomic<long long> g_llBytes(0);
// A header in front of every block keeps its size, on the alignment operator new promises.
const size_t HEADER = 16;

struct HeapCount
{
    long long llBlocks = 0;
    long long llBytes = 0;
};

HeapCount WalkHeap(HANDLE hHeap)
{
    HeapCount oCount;
    if (!hHeap || !HeapLock(hHeap))
    {
        return oCount;
    }
    PROCESS_HEAP_ENTRY oEntry = {};
    while (HeapWalk(hHeap, &oEntry))
    {
        if (oEntry.wFlags & PROCESS_HEAP_ENTRY_BUSY)
        {
            ++oCount.llBlocks;
            oCount.llBytes += oEntry.cbData;
        }
    }
    HeapUnlock(hHeap);
    return oCount;
}

void Sample(float fWorldTime)
{
    const HeapCount oCrt = WalkHeap(reinterpret_cast<HANDLE>(_get_heap_handle()));
    const HeapCount oProcess = WalkHeap(GetProcessHeap());
    printf("longrun %.1f engine %lld %lld crt %lld %lld process %lld %lld\n", fWorldTime, g_llBlocks.load(),
           g_llBytes.load(), oCrt.llBlocks, oCrt.llBytes, oProcess.llBlocks, oProcess.llBytes);
    fflush(stdout);
}

std::string Option(int argc, char** argv, const char* szName, const char* szDefault)
{
    for (int i = 2; i + 1 < argc; i += 2)
    {
        if (std::string(argv[i]) == szName)
        {
            return argv[i + 1];
        }
    }
    return szDefault;
}
} // namespace

void* operator new(size_t nSize)
{
    void* p = malloc(nSize + HEADER);
    if (!p)
    {
        throw std::bad_alloc();
    }
    *static_cast<size_t*>(p) = nSize;
    ++g_llBlocks;
    g_llBytes += static_cast<long long>(nSize);
    return static_cast<char*>(p) + HEADER;
}

void operator delete(void* p) noexcept
{
    if (!p)
    {
        return;
    }
    char* pBlock = static_cast<char*>(p) - HEADER;
    --g_llBlocks;
    g_llBytes -= static_cast<long long>(*reinterpret_cast<size_t*>(pBlock));
    free(pBlock);
}

void operator delete(void* p, size_t) noexcept
{
    operator delete(p);
}

int main(int argc, char** argv)
{
    if (argc < 2 || (std::string(argv[1]) != "dx8" && std::string(argv[1]) != "gl"))
    {
        fprintf(stderr, "usage: qirn_longrun.exe dx8|gl --data DATA --scenes SCENES [--seconds S] [--step S] "
                        "[--first S] [--every S]\n");
        return 2;
    }
    BenchSettings oSettings;
    oSettings.iAPI = std::string(argv[1]) == "dx8" ? QIRN_GRAPHICS_DX8 : QIRN_GRAPHICS_OPENGL;
    oSettings.strDataFolder = Option(argc, argv, "--data", "");
    oSettings.strSceneFolder = Option(argc, argv, "--scenes", "");
    oSettings.fSeconds = static_cast<float>(atof(Option(argc, argv, "--seconds", "600").c_str()));
    oSettings.fStep = static_cast<float>(atof(Option(argc, argv, "--step", "0.0333333").c_str()));
    const double dFirst = atof(Option(argc, argv, "--first", "95").c_str());
    const double dEvery = atof(Option(argc, argv, "--every", "60").c_str());
    if (oSettings.strDataFolder.empty() || oSettings.strSceneFolder.empty() || !(oSettings.fStep > 0.0f) ||
        !(dEvery > 0.0))
    {
        fprintf(stderr, "longrun: --data and --scenes are needed, and a step and interval above 0\n");
        return 2;
    }
    BenchHost oHost;
    if (!oHost.Start(oSettings) || oHost.LoadScene() < 0.0 || oHost.FirstFrame() < 0.0)
    {
        return 1;
    }
    // Time is counted in frames, so that the samples fall on the same frames in every run.
    const long long llFrames = static_cast<long long>(oSettings.fSeconds / oSettings.fStep + 0.5);
    double dNext = dFirst;
    int iFailed = 0;
    for (long long i = 1; i <= llFrames; ++i)
    {
        iFailed += oHost.PlayFrame() ? 0 : 1;
        const double dTime = static_cast<double>(i) * oSettings.fStep;
        if (dTime + 1e-6 >= dNext)
        {
            Sample(static_cast<float>(dTime));
            dNext += dEvery;
        }
    }
    printf("longrun: %lld frames, %d failed\n", llFrames, iFailed);
    return iFailed == 0 ? 0 : 1;
}
