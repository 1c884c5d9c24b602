// The image readers and the shader block reader fed mutated copies of valid files.
#include "mutation_harness.h"
#include "reader_test.h"

#include "qirn_bitmap.h"
#include "qirn_file.h"
#include "qirn_settings.h"
#include "qirn_shader.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

using robustness::CountLoaded;
using robustness::FeedMutations;
using robustness::Reader;
using robustness::Verdict;

namespace
{
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

std::vector<uint8_t> Texels(uint32_t dwWidth, uint32_t dwHeight)
{
    std::vector<uint8_t> vTexels(dwWidth * dwHeight * 4);
    for (size_t i = 0; i < vTexels.size(); ++i)
    {
        vTexels[i] = static_cast<uint8_t>(i * 7);
    }
    return vTexels;
}

// A BMP at 24 or 32 bits: the 14-byte file header, the 40-byte information header, padded rows;
// a negative height stores the rows top down.
std::string Bmp(int32_t iWidth, int32_t iHeight, uint16_t wBits)
{
    const uint32_t dwRow = (static_cast<uint32_t>(iWidth) * wBits / 8 + 3) & ~3u;
    const uint32_t dwRows = static_cast<uint32_t>(iHeight < 0 ? -iHeight : iHeight);
    std::string s = "BM";
    robustness::PutU32(s, 54 + dwRow * dwRows);
    robustness::PutU32(s, 0);
    robustness::PutU32(s, 54);
    robustness::PutU32(s, 40);
    robustness::PutU32(s, static_cast<uint32_t>(iWidth));
    robustness::PutU32(s, static_cast<uint32_t>(iHeight));
    robustness::PutU16(s, 1);
    robustness::PutU16(s, wBits);
    for (int i = 0; i < 6; ++i)
    {
        robustness::PutU32(s, i == 1 ? dwRow * dwRows : 0);
    }
    for (uint32_t i = 0; i < dwRow * dwRows; ++i)
    {
        s.push_back(static_cast<char>(i * 13));
    }
    return s;
}

// An uncompressed true-colour TGA with an identification field of its own.
std::string Tga(uint16_t wWidth, uint16_t wHeight, uint8_t byBits, const std::string& szId)
{
    std::string s;
    s.push_back(static_cast<char>(szId.size()));
    s.push_back(0);
    s.push_back(2);
    s.append(9, '\0');
    robustness::PutU16(s, wWidth);
    robustness::PutU16(s, wHeight);
    s.push_back(static_cast<char>(byBits));
    s.push_back(byBits == 32 ? 8 : 0);
    s += szId;
    for (uint32_t i = 0; i < static_cast<uint32_t>(wWidth) * wHeight * (byBits / 8u); ++i)
    {
        s.push_back(static_cast<char>(i * 29));
    }
    return s;
}

class MutationTest : public robustness::ReaderTest
{
protected:
    // What is answered is what the header claims: every texel of it is there to touch.
    Reader ImageReader(const char* szName, const char* szExtension)
    {
        return Reader{szName, szExtension, true,
                      [this](const std::string& szFile) -> Verdict
                      {
                          uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
                          std::unique_ptr<uint8_t[]> pTexels(
                              m_oBitmap.GetImageDataFromFile(szFile, &dwHeight, &dwWidth, &dwBits));
                          m_oLog.Clear();
                          if (!pTexels)
                          {
                              return "";
                          }
                          CountLoaded();
                          const size_t uSize = static_cast<size_t>(dwWidth) * dwHeight * (dwBits / 8);
                          if (uSize == 0)
                          {
                              return "texels answered for an image of no texels";
                          }
                          uint32_t dwSum = 0;
                          for (size_t i = 0; i < uSize; i += 61)
                          {
                              dwSum += pTexels[i];
                          }
                          volatile uint32_t dwKeep = dwSum + pTexels[uSize - 1];
                          (void)dwKeep;
                          return "";
                      }};
    }

    QIRN_Bitmap m_oBitmap;
};
} // namespace

TEST_F(MutationTest, TgaImagesNeverCrashOrHang)
{
    std::vector<uint8_t> vTexels = Texels(8, 4);
    ASSERT_EQ(SaveRGBAToTGA(vTexels.data(), "seed.tga", 8, 4, 32), OK);
    Run(ImageReader("tga", "tga"), {qirn_test::ReadFile("seed.tga"), Tga(3, 5, 24, "reef"), Tga(2, 2, 32, "")}, 1);
}

TEST_F(MutationTest, BmpImagesNeverCrashOrHang)
{
    Run(ImageReader("bmp", "bmp"), {Bmp(4, 2, 24), Bmp(3, -3, 24), Bmp(2, 2, 32)}, 2);
}

TEST_F(MutationTest, ShaderBlocksNeverCrashOrHang)
{
    Reader oReader{"shaderblock", "shd", false,
                   [this](const std::string& szFile) -> Verdict
                   {
                       QIRN_File oFile;
                       // Opening may refuse a damaged file; that is an answer too.
                       if (oFile.Open(szFile, QIRN_FILE_READ) == OK && oFile.ReadNextWord() == "Shader")
                       {
                           QIRN_Shader oShader;
                           if (oShader.Load(oFile, nullptr) == OK)
                           {
                               CountLoaded();
                           }
                       }
                       m_oLog.Clear();
                       return "";
                   }};
    Run(oReader, {SEED_SHADER}, 3);
}
