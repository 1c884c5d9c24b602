// The guards themselves: a reader that crashes or hangs ends the run with the guard's line, one that
// damages the heap fails the run at that input; either way the input is kept. Disabled in the runs
// of the readers; their CTest entries run them one by one and expect those lines.
#include "mutation_harness.h"

#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

using robustness::Reader;
using robustness::Verdict;

namespace
{
void RunBrokenReader(const char* szName, Verdict (*fnRead)(const std::string&))
{
    qirn_test::ScopedTempDir oDir;
    Reader oReader{szName, "guard", false, fnRead};
    robustness::FeedMutations(oReader, {"Shader { Name { Reef } }"}, 7, 3);
}
} // namespace

TEST(GuardTest, DISABLED_CrashEndsTheRun)
{
    RunBrokenReader("guardcrash",
                    [](const std::string&) -> Verdict
                    {
                        volatile int* piNowhere = nullptr;
                        *piNowhere = 1;
                        return "";
                    });
}

TEST(GuardTest, DISABLED_HangEndsTheRun)
{
    RunBrokenReader("guardhang",
                    [](const std::string&) -> Verdict
                    {
                        for (;;)
                        {
                            Sleep(10);
                        }
                    });
}

TEST(GuardTest, DISABLED_HeapDamageEndsTheRun)
{
    RunBrokenReader("guardheap",
                    [](const std::string&) -> Verdict
                    {
                        // Two neighbours: the first one's overrun runs into the second one's header.
                        char* pBlock = static_cast<char*>(HeapAlloc(GetProcessHeap(), 0, 24));
                        HeapAlloc(GetProcessHeap(), 0, 24);
                        std::memset(pBlock, 0x5A, 64);
                        return "";
                    });
}
