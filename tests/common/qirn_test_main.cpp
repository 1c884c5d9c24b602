#include "qirn_debug.h"

#include <gtest/gtest.h>

// The tests read the log through a sink; debug.txt stays off unless a test switches it on.
int main(int argc, char** argv)
{
    SetDebugLogToFile(false);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
