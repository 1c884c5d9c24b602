#pragma once
// The fixture the reader tests share: a working folder of their own with no settings file (so every
// data folder is that folder), the engine log captured, and a run of one reader's mutated inputs.

#include "mutation_harness.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace robustness
{
class ReaderTest : public ::testing::Test
{
protected:
    void SetUp() override { QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini"); }

    // Replays the reader's kept fixtures (in the first slice), then feeds it its slice of iCount
    // mutated inputs of the seeds.
    void Run(const Reader& roReader, const std::vector<std::string>& vSeeds, uint32_t dwSeed,
             int iCount = INPUTS_PER_READER)
    {
        const Slice oSlice = CurrentSlice();
        if (oSlice.iPart == 0)
        {
            ReplayFixtures(roReader);
        }
        RunCounts oCounts = FeedMutations(roReader, vSeeds, dwSeed, iCount);
        m_oLog.Clear();
        EXPECT_EQ(oCounts.iInputs, oSlice.Count(iCount));
        // Enough inputs stay whole to load: the reader is exercised beyond its first refusal.
        EXPECT_GT(oCounts.iLoaded, 0);
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};
} // namespace robustness
