#include "qirn_debug.h"
#include "qirn_math.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <cmath>
#include <string>

namespace
{
const char* const WARNING =
    "\ndprintf() - Warning : The debug message was truncated because it exceeded the maximum string size\n";
}

TEST(DebugLog, BufferSizeCountsPercentsAfterTheFirstCharacter)
{
    std::string szLong(2000, 'x');
    {
        qirn_test::LogCapture log;
        dprintf("%s", szLong.c_str());
        ASSERT_EQ(log.Messages().size(), 2u);
        EXPECT_EQ(log.Messages()[0].size(), 1026u);
        EXPECT_EQ(log.Messages()[1], WARNING);
    }
    {
        qirn_test::LogCapture log;
        dprintf("a%s", szLong.c_str());
        ASSERT_EQ(log.Messages().size(), 2u);
        EXPECT_EQ(log.Messages()[0].size(), 1037u);
    }
    {
        qirn_test::LogCapture log;
        dprintf("line one\nline %d\n", 2);
        ASSERT_EQ(log.Messages().size(), 1u);
        EXPECT_EQ(log.Messages()[0], "line one\nline 2\n");
    }
}

TEST(DebugLog, FileLogStartsAtTheFirstMessageAndStaysInItsFolder)
{
    qirn_test::ScopedTempDir dir;
    CreateDirectoryA("elsewhere", nullptr);
    // The log module keeps its first-message state for the process: this is the only test that
    // switches file logging on, so the first message below is the first one of the run.
    qirn_test::WriteFile("debug.txt", "from an earlier run\n");
    dprintf("not written\n");
    EXPECT_EQ(qirn_test::ReadFile("debug.txt"), "from an earlier run\n");

    SetDebugLogToFile(true);
    std::string szLong(2000, 'y');
    dprintf("first %d\n", 1);
    SetCurrentDirectoryA("elsewhere");
    dprintf("%s", szLong.c_str());
    SetCurrentDirectoryA("..");
    SetDebugLogToFile(false);
    dprintf("after\n");

    std::string szContent = qirn_test::ReadFile("debug.txt");
    EXPECT_EQ(szContent, "first 1\r\n" + szLong.substr(0, 1026));
    EXPECT_FALSE(qirn_test::FileExists("elsewhere\\debug.txt"));
}

TEST(DebugLog, FloatBitsAndColorClamp)
{
    EXPECT_EQ(FloatBitsToDword(1.0f), 0x3f800000u);
    EXPECT_EQ(FloatBitsToDword(-2.0f), 0xc0000000u);

    QIRN_Vector4 v(-3.0f, 300.0f, 128.5f, std::nanf(""));
    ClampColor(&v);
    EXPECT_EQ(v.x, 0.0f);
    EXPECT_EQ(v.y, 255.0f);
    EXPECT_EQ(v.z, 128.5f);
    EXPECT_EQ(v.w, 0.0f);
}
