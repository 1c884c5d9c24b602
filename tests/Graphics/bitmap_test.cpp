#include "qirn_bitmap.h"
#include "qirn_settings.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

namespace
{
struct Rgba
{
    uint8_t r, g, b, a;
};

// Texel (x, y) of a generated image: distinct in every texel and every image seed.
Rgba TexelAt(int x, int y, int iSeed)
{
    return {static_cast<uint8_t>(10 * x + iSeed), static_cast<uint8_t>(20 * y + 1),
            static_cast<uint8_t>(iSeed * 3), static_cast<uint8_t>(200 + x + y)};
}

void PutLE16(std::string& s, uint32_t v)
{
    s += static_cast<char>(v & 0xFF);
    s += static_cast<char>((v >> 8) & 0xFF);
}

void PutLE32(std::string& s, uint32_t v)
{
    PutLE16(s, v & 0xFFFF);
    PutLE16(s, v >> 16);
}

// Rows bottom first, texels blue, green, red (alpha), each row padded to iAlign bytes.
std::string BottomUpRows(int iWidth, int iHeight, int iBits, int iSeed, int iAlign)
{
    std::string s;
    for (int y = iHeight - 1; y >= 0; --y)
    {
        size_t nStart = s.size();
        for (int x = 0; x < iWidth; ++x)
        {
            Rgba t = TexelAt(x, y, iSeed);
            s += static_cast<char>(t.b);
            s += static_cast<char>(t.g);
            s += static_cast<char>(t.r);
            if (iBits == 32)
            {
                s += static_cast<char>(t.a);
            }
        }
        while ((s.size() - nStart) % iAlign != 0)
        {
            s += '\0';
        }
    }
    return s;
}

struct TgaOptions
{
    int iIdLength = 0;
    int iColorMapType = 0;
    int iImageType = 2;
    int iDescriptor = 0;
};

std::string MakeTGA(int iWidth, int iHeight, int iBits, int iSeed, TgaOptions o = TgaOptions())
{
    std::string s;
    s += static_cast<char>(o.iIdLength);
    s += static_cast<char>(o.iColorMapType);
    s += static_cast<char>(o.iImageType);
    s += std::string(9, '\0');
    PutLE16(s, static_cast<uint32_t>(iWidth));
    PutLE16(s, static_cast<uint32_t>(iHeight));
    s += static_cast<char>(iBits);
    s += static_cast<char>(o.iDescriptor);
    s += std::string(static_cast<size_t>(o.iIdLength), 'i');
    return s + BottomUpRows(iWidth, iHeight, iBits == 32 ? 32 : 24, iSeed, 1);
}

std::string MakeBMP(int iWidth, int iHeight, int iBits, int iSeed)
{
    std::string rows =
        BottomUpRows(iWidth, iHeight < 0 ? -iHeight : iHeight, iBits == 32 ? 32 : 24, iSeed, 4);
    std::string s = "BM";
    PutLE32(s, static_cast<uint32_t>(54 + rows.size()));
    PutLE32(s, 0);
    PutLE32(s, 54);
    PutLE32(s, 40);
    PutLE32(s, static_cast<uint32_t>(iWidth));
    PutLE32(s, static_cast<uint32_t>(iHeight));
    PutLE16(s, 1);
    PutLE16(s, static_cast<uint32_t>(iBits));
    s += std::string(24, '\0');
    return s + rows;
}

// The expected texels of a generated image, top row first, red, green, blue (alpha).
std::vector<uint8_t> ExpectedTexels(int iWidth, int iHeight, int iBits, int iSeed)
{
    std::vector<uint8_t> v;
    for (int y = 0; y < iHeight; ++y)
    {
        for (int x = 0; x < iWidth; ++x)
        {
            Rgba t = TexelAt(x, y, iSeed);
            v.insert(v.end(), {t.r, t.g, t.b});
            if (iBits == 32)
            {
                v.push_back(t.a);
            }
        }
    }
    return v;
}

std::vector<uint8_t> Texels(const uint8_t* p, size_t nBytes)
{
    return std::vector<uint8_t>(p, p + nBytes);
}

class BitmapTest : public testing::Test
{
protected:
    void SetUp() override
    {
        // The engine root is the test's folder, so the search finds images there.
        qirn_test::WriteFile("test.ini", "");
        QIRN_InitEnginePath(m_oDir.Path() + "\\test.ini");
    }

    qirn_test::ScopedTempDir m_oDir;
};
} // namespace

TEST_F(BitmapTest, ReadsTgaAndBmpFiles)
{
    TgaOptions withIdAndTopDownFlag;
    withIdAndTopDownFlag.iIdLength = 5;
    withIdAndTopDownFlag.iDescriptor = 0x28;
    const struct
    {
        const char* szFile;
        std::string content;
        int iWidth, iHeight, iBits, iSeed;
        QIRN_ImageFileType eType;
    } cases[] = {
        {"a.tga", MakeTGA(3, 2, 24, 1), 3, 2, 24, 1, QIRN_IMAGEFILE_TGA},
        {"b.TGA", MakeTGA(2, 3, 32, 2), 2, 3, 32, 2, QIRN_IMAGEFILE_TGA},
        // The descriptor is not read: rows are bottom-up whatever its origin bit says.
        {"c.tga", MakeTGA(2, 2, 32, 3, withIdAndTopDownFlag), 2, 2, 32, 3, QIRN_IMAGEFILE_TGA},
        // Width 3 at 24 bits: each row carries 3 padding bytes.
        {"d.bmp", MakeBMP(3, 2, 24, 4), 3, 2, 24, 4, QIRN_IMAGEFILE_BMP},
        {"e.bmp", MakeBMP(1, 3, 24, 5), 1, 3, 24, 5, QIRN_IMAGEFILE_BMP},
        {"f.bmp", MakeBMP(2, 2, 32, 6), 2, 2, 32, 6, QIRN_IMAGEFILE_BMP},
    };
    for (const auto& c : cases)
    {
        qirn_test::WriteFile(c.szFile, c.content);
        QIRN_Bitmap bitmap;
        uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
        std::unique_ptr<uint8_t[]> texels(
            bitmap.GetImageDataFromFile(c.szFile, &dwHeight, &dwWidth, &dwBits));
        ASSERT_TRUE(texels) << c.szFile;
        EXPECT_EQ(dwWidth, static_cast<uint32_t>(c.iWidth)) << c.szFile;
        EXPECT_EQ(dwHeight, static_cast<uint32_t>(c.iHeight)) << c.szFile;
        EXPECT_EQ(dwBits, static_cast<uint32_t>(c.iBits)) << c.szFile;
        EXPECT_EQ(bitmap.m_eFileType, c.eType) << c.szFile;
        EXPECT_EQ(Texels(texels.get(), c.iWidth * c.iHeight * c.iBits / 8),
                  ExpectedTexels(c.iWidth, c.iHeight, c.iBits, c.iSeed))
            << c.szFile;
    }
}

TEST_F(BitmapTest, RefusesBadImageFilesWithoutTexels)
{
    TgaOptions palette;
    palette.iColorMapType = 1;
    TgaOptions compressed;
    compressed.iImageType = 10;
    const std::string tga = MakeTGA(4, 4, 32, 1);
    const std::string bmp = MakeBMP(4, 4, 24, 1);
    std::string hugeBmp = MakeBMP(1, 1, 24, 1);
    hugeBmp.replace(18, 4, std::string("\xA0\x86\x01\x00", 4)); // width 100000
    std::string zeroWidthTga = tga;
    zeroWidthTga[12] = zeroWidthTga[13] = 0;
    std::string badOffsetBmp = bmp;
    badOffsetBmp[10] = 20;
    // Headers that claim far more texels than their 70 and 30 bytes hold.
    std::string claimsBmp = MakeBMP(2, 2, 32, 1);
    claimsBmp.replace(18, 8, std::string("\x00\x20\x00\x00\x00\x20\x00\x00", 8)); // 8192 x 8192
    std::string claimsTga = MakeTGA(2, 2, 24, 1);
    claimsTga.replace(12, 4, std::string("\x00\x40\x00\x10", 4)); // 16384 x 4096
    ASSERT_EQ(claimsBmp.size(), 70u);
    ASSERT_EQ(claimsTga.size(), 30u);
    // Headers that are not the uncompressed 40-byte form the reader knows.
    std::string unsignedBmp = MakeBMP(2, 2, 24, 1);
    unsignedBmp.replace(0, 2, "MB");
    std::string compressedBmp = MakeBMP(2, 2, 24, 1);
    compressedBmp[30] = 1;
    std::string coreBmp = MakeBMP(2, 2, 24, 1);
    coreBmp[14] = 12;
    const struct
    {
        const char* szFile;
        std::string content;
        const char* szLog;
    } cases[] = {
        {"palette.tga", MakeTGA(2, 2, 24, 1, palette), "is not an uncompressed true-colour TGA image"},
        {"rle.tga", MakeTGA(2, 2, 24, 1, compressed), "is not an uncompressed true-colour TGA image"},
        {"sixteen.tga", MakeTGA(2, 2, 16, 1), "has 16 bits per texel"},
        {"empty.tga", zeroWidthTga, "has an unsupported size (0 x 4)"},
        {"short.tga", tga.substr(0, tga.size() - 10), "is truncated"},
        {"header.tga", tga.substr(0, 10), "is truncated"},
        {"short.bmp", bmp.substr(0, bmp.size() - 1), "is truncated"},
        {"topdown.bmp", MakeBMP(2, -2, 24, 1), "has an unsupported size (2 x -2)"},
        {"eight.bmp", MakeBMP(2, 2, 8, 1), "has 8 bits per texel"},
        {"huge.bmp", hugeBmp, "has an unsupported size (100000 x 1)"},
        {"offset.bmp", badOffsetBmp, "has an invalid texel offset (20)"},
        {"claims.bmp", claimsBmp,
         "is truncated: its header claims 8192 x 8192 texels of 32 bits, the file holds 70 bytes.\n"},
        {"claims.tga", claimsTga,
         "is truncated: its header claims 16384 x 4096 texels of 24 bits, the file holds 30 bytes.\n"},
        {"unsigned.bmp", unsignedBmp, "is not a BMP image (no \"BM\" signature).\n"},
        {"compressed.bmp", compressedBmp,
         "is compressed (compression 1), only uncompressed BMP images are read.\n"},
        {"core.bmp", coreBmp, "has a 12-byte information header, at least 40 are read.\n"},
    };
    for (const auto& c : cases)
    {
        qirn_test::WriteFile(c.szFile, c.content);
        qirn_test::LogCapture log;
        QIRN_Bitmap bitmap;
        uint32_t dwHeight = 77, dwWidth = 77, dwBits = 77;
        EXPECT_EQ(bitmap.GetImageDataFromFile(c.szFile, &dwHeight, &dwWidth, &dwBits), nullptr) << c.szFile;
        EXPECT_EQ(dwHeight + dwWidth + dwBits, 3u * 77) << c.szFile;
        EXPECT_TRUE(log.Contains(std::string("*** GetImageDataFromFile(): File '") + m_oDir.Path() + "\\" +
                                 c.szFile + "' " + c.szLog))
            << c.szFile << ": " << log.All();
    }
}

TEST_F(BitmapTest, FileKindsByExtension)
{
    qirn_test::LogCapture log;
    QIRN_Bitmap bitmap;
    uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
    EXPECT_EQ(bitmap.GetImageDataFromFile("photo.jpg", &dwHeight, &dwWidth, &dwBits), nullptr);
    EXPECT_EQ(bitmap.m_eFileType, QIRN_IMAGEFILE_OTHER);
    EXPECT_EQ(log.All(), "*** GetImageDataFromFile(): File 'photo.jpg' unsupported format.\n");

    log.Clear();
    qirn_test::WriteFile("icon.png", "not read");
    EXPECT_EQ(bitmap.GetImageDataFromFile("icon.png", &dwHeight, &dwWidth, &dwBits), nullptr);
    EXPECT_EQ(bitmap.m_eFileType, QIRN_IMAGEFILE_PNG);
    EXPECT_EQ(bitmap.GetImageDataFromFile("missing.bmp", &dwHeight, &dwWidth, &dwBits), nullptr);
    EXPECT_EQ(bitmap.m_eFileType, QIRN_IMAGEFILE_BMP);
    EXPECT_TRUE(log.All().empty()) << log.All();
}

TEST_F(BitmapTest, ImageNameCandidates)
{
    struct Case
    {
        const char* szName;
        uint32_t dwLayers, dwLevels;
        std::vector<const char*> files; // file i is written with seed i + 1
        QIRN_ErrorCode eResult;
        std::vector<int> imageSeeds; // per image: the seed of the file it came from, 0 for none
        const char* szLog;
    };
    const std::vector<Case> cases = {
        {"Data\\Rock.tga", 1, 1, {"Rock.tga"}, OK, {1}, nullptr},
        {"Rock.tga", 1, 1, {"Rock.tga", "Rock_L00.tga", "Rock_M00.tga"}, OK, {3}, nullptr},
        {"Rock.tga", 1, 1, {"Rock.tga", "Rock_L00_M00.tga"}, OK, {2}, nullptr},
        {"rock.tga",
         2,
         2,
         {"rock_L00_M00.tga", "rock_M01.tga", "rock_L01.tga", "rock_L01_M01.tga"},
         OK,
         {1, 2, 3, 4},
         nullptr},
        {"rock.tga",
         2,
         2,
         {"rock.tga", "rock_L00_M01.tga", "rock_L01_M00.tga", "rock_L01_M01.tga"},
         OK,
         {1, 2, 3, 4},
         nullptr},
        // Layer 1, level 1 has one name only.
        {"rock.tga",
         2,
         2,
         {"rock.tga", "rock_M01.tga", "rock_L01.tga", "rock_M01_L01.tga"},
         OK,
         {1, 2, 3, 0},
         nullptr},
        {"cube.bmp",
         6,
         1,
         {"cube_L00.bmp", "cube_L01.bmp", "cube_L02.bmp", "cube_L03.bmp", "cube_L05.bmp"},
         BITMAPLOAD_FAILED,
         {1, 2, 3, 4, 0, 0},
         "\nQIRN_Bitmap::LoadImageFiles() - WARNING: Texture (cube_L04_M00.bmp) could not be loaded\n"},
        {"flat.tga", 1, 1, {}, BITMAPLOAD_FAILED, {0}, "WARNING: Texture (flat.tga) could not be loaded"},
        // A volume texture may miss slices.
        {"vol.tga", 3, 1, {"vol.tga", "vol_L02.tga"}, OK, {1, 0, 2}, nullptr},
    };
    for (const Case& c : cases)
    {
        qirn_test::ScopedTempDir dir;
        qirn_test::WriteFile("test.ini", "");
        QIRN_InitEnginePath(dir.Path() + "\\test.ini");
        for (size_t i = 0; i < c.files.size(); ++i)
        {
            std::string szFile = c.files[i];
            const int iSeed = static_cast<int>(i) + 1;
            qirn_test::WriteFile(szFile, szFile.find(".bmp") != std::string::npos ? MakeBMP(2, 2, 24, iSeed)
                                                                                  : MakeTGA(2, 2, 24, iSeed));
        }
        qirn_test::LogCapture log;
        QIRN_Bitmap bitmap;
        bitmap.m_dwNumLayers = c.dwLayers;
        bitmap.m_dwNumMipLevels = c.dwLevels;
        EXPECT_EQ(bitmap.LoadImageFiles(c.szName), c.eResult) << c.szName << " " << c.files.size();
        EXPECT_EQ(bitmap.GetName(), c.szName);
        for (size_t i = 0; i < c.imageSeeds.size(); ++i)
        {
            if (c.imageSeeds[i] == 0)
            {
                EXPECT_EQ(bitmap.m_ppTexels[i], nullptr) << c.szName << " image " << i;
                continue;
            }
            ASSERT_NE(bitmap.m_ppTexels[i], nullptr) << c.szName << " image " << i;
            EXPECT_EQ(Texels(bitmap.m_ppTexels[i], 12), ExpectedTexels(2, 2, 24, c.imageSeeds[i]))
                << c.szName << " image " << i;
        }
        if (c.szLog)
        {
            EXPECT_TRUE(log.Contains(c.szLog)) << log.All();
        }
        else
        {
            EXPECT_TRUE(log.All().empty()) << log.All();
        }
    }
}

TEST_F(BitmapTest, MipChainChecks)
{
    struct Level
    {
        int iWidth, iHeight, iBits;
    };
    struct Case
    {
        const char* szWhat;
        std::vector<Level> levels;
        QIRN_ErrorCode eResult;
        const char* szLog;
    };
    const std::vector<Case> cases = {
        {"halving chain", {{16, 16, 32}, {8, 8, 32}, {4, 4, 32}, {2, 2, 32}, {1, 1, 32}}, OK, nullptr},
        {"width matches at level 2", {{128, 128, 24}, {64, 64, 24}, {32, 16, 24}}, OK, nullptr},
        {"short side stops at 1", {{8, 2, 24}, {4, 1, 24}, {2, 1, 24}, {1, 1, 24}}, OK, nullptr},
        {"level 1 is not compared", {{128, 128, 24}, {100, 100, 24}}, OK, nullptr},
        {"both sides wrong",
         {{128, 128, 24}, {64, 64, 24}, {16, 16, 24}},
         BITMAPLOAD_FAILED,
         "\nQIRN_Bitmap::LoadImageFiles() - ERROR : Invalid mip level - (chain_M02.tga)\n"},
        {"texel size differs",
         {{4, 4, 32}, {2, 2, 24}},
         BITMAPLOAD_FAILED,
         "\nQIRN_Bitmap::LoadImageFiles() - ERROR : Texture (chain_M01.tga) could not be loaded. Bad texel "
         "size!\n"},
        {"missing level",
         {{4, 4, 32}},
         BITMAPLOAD_FAILED,
         "WARNING: Texture (chain_L00_M01.tga) could not be loaded"},
    };
    for (const Case& c : cases)
    {
        qirn_test::ScopedTempDir dir;
        qirn_test::WriteFile("test.ini", "");
        QIRN_InitEnginePath(dir.Path() + "\\test.ini");
        for (size_t m = 0; m < c.levels.size(); ++m)
        {
            const Level& l = c.levels[m];
            std::string szFile = m == 0 ? "chain.tga" : "chain_M0" + std::to_string(m) + ".tga";
            qirn_test::WriteFile(szFile, MakeTGA(l.iWidth, l.iHeight, l.iBits, static_cast<int>(m)));
        }
        qirn_test::LogCapture log;
        QIRN_Bitmap bitmap;
        bitmap.m_dwNumMipLevels = c.eResult == OK
                                      ? static_cast<uint32_t>(c.levels.size())
                                      : static_cast<uint32_t>(c.levels.size() < 2 ? 2 : c.levels.size());
        EXPECT_EQ(bitmap.LoadImageFiles("chain.tga"), c.eResult) << c.szWhat;
        if (c.eResult == OK)
        {
            EXPECT_EQ(bitmap.m_dwBitsPerTexel, static_cast<uint32_t>(c.levels[0].iBits)) << c.szWhat;
            for (size_t m = 0; m < c.levels.size(); ++m)
            {
                EXPECT_EQ(bitmap.m_pdwWidths[m], static_cast<uint32_t>(c.levels[m].iWidth)) << c.szWhat;
                EXPECT_EQ(bitmap.m_pdwHeights[m], static_cast<uint32_t>(c.levels[m].iHeight)) << c.szWhat;
            }
            EXPECT_TRUE(log.All().empty()) << c.szWhat << ": " << log.All();
        }
        else
        {
            EXPECT_TRUE(log.Contains(c.szLog)) << c.szWhat << ": " << log.All();
        }
    }
}

TEST_F(BitmapTest, RefusesImageCountsThatAreNoTexture)
{
    qirn_test::LogCapture log;
    QIRN_Bitmap bitmap;
    bitmap.m_dwNumLayers = 0;
    EXPECT_EQ(bitmap.LoadImageFiles("rock.tga"), BITMAPLOAD_FAILED);
    bitmap.m_dwNumLayers = 0x10000;
    bitmap.m_dwNumMipLevels = 0x10000;
    EXPECT_EQ(bitmap.LoadImageFiles("rock.tga"), BITMAPLOAD_FAILED);
    EXPECT_EQ(bitmap.m_ppTexels, nullptr);
    EXPECT_EQ(log.Count("could not be loaded. Invalid layer or mip level count"), 2u);
}

TEST_F(BitmapTest, NormalCubeMapTexels)
{
    QIRN_Bitmap bitmap;
    bitmap.m_dwNumLayers = 6;
    ASSERT_EQ(bitmap.CreateNormalCubeMap(), OK);
    EXPECT_EQ(bitmap.GetName(), "NormalCubemap");
    EXPECT_EQ(bitmap.m_dwBitsPerTexel, 32u);

    const struct
    {
        int iFace, x, y;
        Rgba expected;
    } cases[] = {
        {0, 0, 0, {201, 201, 201, 255}},   {0, 128, 128, {255, 127, 127, 255}},
        {0, 0, 128, {217, 127, 217, 255}}, {1, 128, 128, {0, 127, 127, 255}},
        {1, 0, 128, {37, 127, 37, 255}},   {2, 128, 128, {127, 255, 127, 255}},
        {2, 0, 0, {53, 201, 53, 255}},     {3, 128, 128, {127, 0, 127, 255}},
        {3, 0, 0, {53, 53, 201, 255}},     {4, 128, 128, {127, 127, 255, 255}},
        {4, 0, 128, {37, 127, 217, 255}},  {5, 128, 128, {127, 127, 0, 255}},
        {5, 0, 128, {217, 127, 37, 255}},
    };
    for (const auto& c : cases)
    {
        ASSERT_EQ(bitmap.m_pdwWidths[c.iFace], 256u);
        ASSERT_EQ(bitmap.m_pdwHeights[c.iFace], 256u);
        const uint8_t* p = bitmap.m_ppTexels[c.iFace] + (c.y * 256 + c.x) * 4;
        EXPECT_EQ(Texels(p, 4),
                  std::vector<uint8_t>({c.expected.r, c.expected.g, c.expected.b, c.expected.a}))
            << "face " << c.iFace << " texel " << c.x << "," << c.y;
    }

    // Every face is also written to the working folder, and reads back unchanged.
    for (const char* szFace : {"PositiveX", "NegativeX", "PositiveY", "NegativeY", "PositiveZ", "NegativeZ"})
    {
        EXPECT_EQ(qirn_test::ReadFile(std::string("NormalCubemap") + szFace + ".tga").size(), 18u + 262144u)
            << szFace;
    }
    uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
    std::unique_ptr<uint8_t[]> face(
        bitmap.GetImageDataFromFile("NormalCubemapNegativeY.tga", &dwHeight, &dwWidth, &dwBits));
    ASSERT_TRUE(face);
    EXPECT_EQ(Texels(face.get(), 256 * 256 * 4), Texels(bitmap.m_ppTexels[3], 256 * 256 * 4));
}

TEST_F(BitmapTest, NormalCubeMapAlwaysHasSixFaces)
{
    qirn_test::LogCapture log;
    QIRN_Bitmap bitmap;
    ASSERT_EQ(bitmap.CreateNormalCubeMap(), OK);
    EXPECT_EQ(bitmap.m_dwNumLayers, 6u);
    EXPECT_EQ(bitmap.m_dwNumMipLevels, 1u);
    EXPECT_NE(bitmap.m_ppTexels[5], nullptr);
    EXPECT_TRUE(
        log.Contains("QIRN_Bitmap::CreateNormalCubeMap() - Using 6 layers of 1 mip level instead of 1 x 1"));
}

TEST_F(BitmapTest, SaveRGBAToTGARoundTrip)
{
    const std::vector<uint8_t> texels = ExpectedTexels(3, 2, 32, 9);
    ASSERT_EQ(SaveRGBAToTGA(texels.data(), "out.tga", 3, 2, 32), OK);

    const std::string file = qirn_test::ReadFile("out.tga");
    ASSERT_EQ(file.size(), 18u + 24u);
    const std::string header("\0\0\x02\0\0\0\0\0\0\0\0\0\x03\0\x02\0\x20\0", 18);
    EXPECT_EQ(file.substr(0, 18), header);
    // Bottom row first, blue before red.
    EXPECT_EQ(file.substr(18), BottomUpRows(3, 2, 32, 9, 1));

    QIRN_Bitmap bitmap;
    uint32_t dwHeight = 0, dwWidth = 0, dwBits = 0;
    std::unique_ptr<uint8_t[]> read(bitmap.GetImageDataFromFile("out.tga", &dwHeight, &dwWidth, &dwBits));
    ASSERT_TRUE(read);
    EXPECT_EQ(dwWidth, 3u);
    EXPECT_EQ(dwHeight, 2u);
    EXPECT_EQ(dwBits, 32u);
    EXPECT_EQ(Texels(read.get(), texels.size()), texels);
}

TEST_F(BitmapTest, SaveRGBAToTGARefusals)
{
    const std::vector<uint8_t> texels(64, 0x55);
    const struct
    {
        const uint8_t* pTexels;
        const char* szFile;
        int iWidth, iHeight, iBits;
        QIRN_ErrorCode eResult;
        const char* szLog;
    } cases[] = {
        {nullptr, "a.tga", 2, 2, 32, GENERICERROR, "SaveRGBAToTGA() - Invalid RGBA data pointer!\n"},
        {texels.data(), "b.tga", 2, 2, 24, GENERICERROR,
         "SaveRGBAToTGA() - Unsupported bit depth (24), only 32 bits per texel are written!\n"},
        {texels.data(), "c.tga", 0, 2, 32, GENERICERROR, "SaveRGBAToTGA() - Invalid image size (0 x 2)!\n"},
        {texels.data(), "d.tga", 70000, 1, 32, GENERICERROR,
         "SaveRGBAToTGA() - Invalid image size (70000 x 1)!\n"},
        // Too large to buffer: refused before anything is read or written.
        {texels.data(), "e.tga", 65535, 65535, 32, GENERICERROR,
         "SaveRGBAToTGA() - Couldn't allocate temp buffer!\n"},
        {texels.data(), "nowhere\\f.tga", 2, 2, 32, FILEERROR,
         "SaveRGBAToTGA() - Unable to open nowhere\\f.tga for writing!\n"},
    };
    for (const auto& c : cases)
    {
        qirn_test::LogCapture log;
        EXPECT_EQ(SaveRGBAToTGA(c.pTexels, c.szFile, c.iWidth, c.iHeight, c.iBits), c.eResult) << c.szFile;
        EXPECT_EQ(log.All(), c.szLog) << c.szFile;
        EXPECT_FALSE(qirn_test::FileExists(c.szFile)) << c.szFile;
    }
}
