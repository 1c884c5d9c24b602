// Readers fed mutated copies of valid files: each must answer for every input, never crash, hang
// or write out of bounds. Seeds are fixed so a failure reproduces; a failing input is left in the
// test's folder as "failing.<ext>".
#include "qirn_bitmap.h"
#include "qirn_file.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace
{
// Inputs per reader: enough to reach every region of the small seeds many times over, and few
// enough that the whole program stays within seconds under wine.
const int INPUTS_PER_READER = 3000;
// One input may take this long before it counts as a hang.
const double MAX_SECONDS_PER_INPUT = 2.0;

const char* const SEED_SHADER = R"(Shader
{
    Name { Reef }
    NumPasses { 2 }
    Pass
    {
        Name { Base }
        FVF { 274 } CullMode { 2 } AlphaBlendEnabled { 1 } SrcBlend { 5 } DestBlend { 6 }
        TFactor { 10 20 30 40 }
        NumLayers { 2 }
        Layer { Stage { 0 } TextureFileName { Sand.tga } COLOROP { 4 } ADDRESSU { 1 } }
        Layer { Stage { 1 } TextureFileName { Caustic.tga } COLOROP { 7 } }
        Material { Diffuse { 1.0 0.5 0.25 1.0 } Power { 8.0 } }
        VertexShaderConstants { NumRows { 2 } Row { Type { 0 } Register { 0 } Variable { 0 } } }
    }
    Pass { Name { Glow } NumLayers { 1 } Layer { Stage { 0 } TextureFileName { Glow.tga } } }
}
)";

// One mutation of the kinds damaged and hand-edited files show.
std::string Mutate(const std::string& szSeed, std::mt19937& rng)
{
    std::string s = szSeed;
    auto Pick = [&](size_t n) { return n ? std::uniform_int_distribution<size_t>(0, n - 1)(rng) : 0; };
    const std::string aszWords[] = {
        "4294967295", "-1", "65536", "1e39", "}", "{", "NumPasses", "Pass", std::string(300, 'x')};
    const int iKinds = 7;
    for (int iRound = 1 + static_cast<int>(Pick(3)); iRound > 0 && !s.empty(); --iRound)
    {
        const size_t at = Pick(s.size());
        switch (Pick(iKinds))
        {
        case 0:
            s[at] = static_cast<char>(s[at] ^ (1 << Pick(8)));
            break;
        case 1:
            s.insert(at, 1, static_cast<char>(Pick(256)));
            break;
        case 2:
            s.erase(at, 1 + Pick(8));
            break;
        case 3:
            s.resize(at);
            break;
        case 4:
            s.insert(at, s.substr(Pick(s.size()), 1 + Pick(64)));
            break;
        case 5:
            s.insert(at, std::string(" ") + aszWords[Pick(9)] + " ");
            break;
        default:
            s.insert(at, std::string(1000, '9'));
            break;
        }
    }
    return s;
}

// Feeds the reader every mutated input; fails on a hang and keeps the input that showed it.
void FeedMutations(const std::string& szSeed, const std::string& szFile, uint32_t dwSeed,
                   const std::function<void(const std::string&)>& fnRead)
{
    std::mt19937 rng(dwSeed);
    for (int i = 0; i < INPUTS_PER_READER; ++i)
    {
        const std::string szInput = Mutate(szSeed, rng);
        qirn_test::WriteFile(szFile, szInput);
        qirn_test::WriteFile("failing." + szFile.substr(szFile.find('.') + 1), szInput);
        const auto start = std::chrono::steady_clock::now();
        fnRead(szFile);
        const double fSeconds =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        ASSERT_LT(fSeconds, MAX_SECONDS_PER_INPUT) << "input " << i << " of seed " << dwSeed;
    }
}

} // namespace

class MutationTest : public ::testing::Test
{
protected:
    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
};

TEST_F(MutationTest, ImagesNeverCrashOrHang)
{
    std::vector<uint8_t> vTexels(8 * 8 * 4);
    for (size_t i = 0; i < vTexels.size(); ++i)
    {
        vTexels[i] = static_cast<uint8_t>(i * 7);
    }
    ASSERT_EQ(SaveRGBAToTGA(vTexels.data(), "seed.tga", 8, 8, 32), OK);
    const std::string szTga = qirn_test::ReadFile("seed.tga");
    // A 4 x 2 BMP at 24 bits: the 14-byte file header, the 40-byte information header, two padded rows.
    std::string szBmp = "BM";
    auto Put = [&](uint32_t v, int n)
    {
        for (int b = 0; b < n; ++b)
        {
            szBmp.push_back(static_cast<char>((v >> (8 * b)) & 0xFF));
        }
    };
    Put(54 + 24, 4), Put(0, 4), Put(54, 4), Put(40, 4), Put(4, 4), Put(2, 4), Put(1, 2), Put(24, 2);
    Put(0, 4), Put(24, 4), Put(0, 4), Put(0, 4), Put(0, 4), Put(0, 4);
    szBmp += std::string(24, '\x55');
    QIRN_Bitmap oBitmap;
    auto Read = [&](const std::string& szFile)
    {
        uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
        std::unique_ptr<uint8_t[]> pTexels(
            oBitmap.GetImageDataFromFile(szFile, &dwHeight, &dwWidth, &dwBits));
        if (pTexels)
        {
            // What is answered is what the header claims: touch its last texel.
            const size_t uSize = static_cast<size_t>(dwWidth) * dwHeight * (dwBits / 8);
            ASSERT_GT(uSize, 0u);
            volatile uint8_t byLast = pTexels[uSize - 1];
            (void)byLast;
        }
        m_oLog.Clear();
    };
    FeedMutations(szTga, "m.tga", 1, Read);
    FeedMutations(szBmp, "m.bmp", 2, Read);
}

TEST_F(MutationTest, ShaderBlocksNeverCrashOrHang)
{
    int iLoaded = 0;
    FeedMutations(SEED_SHADER, "m.txt", 3,
                  [&](const std::string& szFile)
                  {
                      QIRN_File oFile;
                      // Opening may refuse a damaged file; that is an answer too.
                      if (oFile.Open(szFile, QIRN_FILE_READ) == OK && oFile.ReadNextWord() == "Shader")
                      {
                          QIRN_Shader oShader;
                          iLoaded += oShader.Load(oFile, nullptr) == OK ? 1 : 0;
                      }
                      m_oLog.Clear();
                  });
    // The mutations leave many inputs whole enough to load: the reader is exercised, not just refused.
    EXPECT_GT(iLoaded, 0);
}
