// Text drawn with the renderer's font, and the console drawn over a frame.
#include "dx8_test_support.h"
#include "qirn_console_dx8.h"
#include "qirn_font_dx8.h"

#include <gtest/gtest.h>

using dx8_test::Image;
using dx8_test::Near;

namespace
{
const uint32_t CLEAR_RGB = QIRN_DX8_CLEARCOLOR & 0xFFFFFF;

// Pixels of the rows [iTop, iBottom) that are neither the clear colour nor dark.
int BrightPixels(const Image& roImage, int iTop, int iBottom)
{
    int iCount = 0;
    for (int y = iTop; y < iBottom && y < roImage.iHeight; ++y)
        for (int x = 0; x < roImage.iWidth; ++x)
        {
            const uint32_t c = roImage.At(x, y);
            if (((c >> 16) & 0xFF) > 0xC0 && ((c >> 8) & 0xFF) > 0xC0 && (c & 0xFF) > 0xC0)
                ++iCount;
        }
    return iCount;
}
} // namespace

class Dx8FontTest : public dx8_test::RendererTest
{
protected:
    QIRN_Font_DX8* CurrentFont() { return static_cast<QIRN_Font_DX8*>(m_poGraphics->m_poFont); }
};

TEST_F(Dx8FontTest, DrawsNeedInitAndADevice)
{
    QIRN_Font_DX8 oFont;
    EXPECT_EQ(oFont.DrawText("x", 0, 0, 0xFFFFFFFF, 0), NULL_POINTER);
    EXPECT_TRUE(
        m_oLog.Contains("QIRN_Font_DX8::DrawText() - Cannot draw text without a valid graphics pointer!\n"));
    EXPECT_EQ(oFont.Init(nullptr), NULL_POINTER);
    EXPECT_TRUE(m_oLog.Contains(
        "QIRN_Font_DX8::QIRN_Font_DX8() - Cannot init font without a valid graphics pointer!\n"));
    // No device yet: no buffer either, and every draw says why.
    EXPECT_EQ(oFont.Init(m_poGraphics.get()), OK);
    EXPECT_EQ(oFont.m_pVertexBuffer, nullptr);
    EXPECT_EQ(oFont.DrawTextScaled("x", 0, 0, 1, 0xFFFFFFFF, 0), NULL_POINTER);
    EXPECT_TRUE(
        m_oLog.Contains("QIRN_Font_DX8::DrawTextScaled() - Cannot draw text without a valid D3D device!\n"));
    EXPECT_EQ(oFont.Convert(), NULL_POINTER);
    EXPECT_TRUE(
        m_oLog.Contains("QIRN_Font_DX8::Convert() - Unable to create font! Invalid device pointer!\n"));
}

TEST_F(Dx8FontTest, AFontWithoutVertexBufferAnswersInsteadOfLockingNothing)
{
    BringUp();
    ASSERT_EQ(m_poGraphics->SetFont("Arial", 12, 0), OK);
    QIRN_Font_DX8* poFont = CurrentFont();
    ASSERT_NE(poFont, nullptr);
    ASSERT_NE(poFont->m_pVertexBuffer, nullptr);
    poFont->m_pVertexBuffer->Release();
    poFont->m_pVertexBuffer = nullptr;
    EXPECT_EQ(poFont->DrawText("abc", 0, 0, 0xFFFFFFFF, 0), NULL_POINTER);
    EXPECT_EQ(poFont->DrawText3D("abc", 0xFFFFFFFF, 0), NULL_POINTER);
}

TEST_F(Dx8FontTest, TextIsVisibleInADumpedFrame)
{
    BringUp();
    ASSERT_EQ(m_poGraphics->RenderFrame(nullptr, nullptr, false), OK);
    // Characters past 127 are glyphs of their own, not negative indices.
    ASSERT_EQ(m_poGraphics->ClientDrawText("MW\xC9\xFF\nMW", 2.0f, 2.0f, 0xFFFFFFFF, 0), OK) << m_oLog.All();
    ASSERT_EQ(m_poGraphics->ScreenDump("text.bmp"), OK);
    const Image oImage = dx8_test::ReadBmp("text.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_GT(BrightPixels(oImage, 0, 40), 20);
    // Below the two lines and to the right of them the frame is untouched.
    EXPECT_TRUE(Near(oImage.At(WIDTH - 2, HEIGHT - 2), CLEAR_RGB));
    EXPECT_TRUE(Near(oImage.At(WIDTH / 2, HEIGHT - 10), CLEAR_RGB));
    QIRN_Font_DX8* poFont = CurrentFont();
    ASSERT_NE(poFont, nullptr);
    EXPECT_EQ(m_poGraphics->TextureTree.FindNode(poFont->m_strName)->m_pData, poFont->m_poTexture);
    // Converting again keeps the tree as it is.
    EXPECT_EQ(poFont->Convert(), OK);
    EXPECT_EQ(m_poGraphics->TextureTree.FindNode(poFont->m_strName)->m_pData, poFont->m_poTexture);
    // Scaled and 3D text draw too.
    EXPECT_EQ(poFont->DrawTextScaled("Hi\n", 0.1f, 0.1f, 0.5f, 0xFFFFFFFF, QIRN_FONT_FILTERED), OK);
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTEXF_LINEAR));
    EXPECT_EQ(poFont->DrawText3D("Hi", 0xFFFFFFFF, QIRN_FONT_TWOSIDED | QIRN_FONT_CENTERED), OK);
    EXPECT_EQ(m_poGraphics->GetTSS(0, D3DTSS_MINFILTER), static_cast<DWORD>(D3DTEXF_POINT));
}

TEST_F(Dx8FontTest, LongTextsFillTheBufferAndStartAgain)
{
    BringUp();
    ASSERT_EQ(m_poGraphics->SetFont("Arial", 8, 0), OK);
    const std::string strText(QIRN_FONT_DX8_MAXQUADS * 2 + 7, 'x');
    m_poGraphics->GetDevice()->BeginScene();
    EXPECT_EQ(CurrentFont()->DrawText(strText, 0, 0, 0xFFFFFFFF, 0), OK);
    EXPECT_EQ(CurrentFont()->DrawText3D(strText, 0xFFFFFFFF, 0), OK);
    m_poGraphics->GetDevice()->EndScene();
}

class Dx8ConsoleTest : public dx8_test::RendererTest
{
protected:
    void SetUp() override
    {
        RendererTest::SetUp();
        BringUp();
        m_poConsole = new QIRN_Console_DX8(&m_oEngine, m_poGraphics.get(), "");
        m_oEngine.m_poConsole = m_poConsole;
        m_poConsole->m_strFontName = "Arial";
        m_poConsole->m_dwFontSize = 8;
    }

    // Frames until the console has slid fully open.
    Image OpenAndDump()
    {
        m_poConsole->m_bOpen = true;
        for (int i = 0; i < 40; ++i)
        {
            EXPECT_EQ(m_poGraphics->RenderFrame(nullptr, nullptr, false), OK);
        }
        return DumpFrame("console.bmp");
    }

    QIRN_Console_DX8* m_poConsole = nullptr;
};

TEST_F(Dx8ConsoleTest, TheOpenConsoleDarkensTheTopAndShowsItsText)
{
    for (int i = 0; i < 30; ++i)
    {
        m_poConsole->Print("MMMMMMMM %d", i);
    }
    const Image oImage = OpenAndDump();
    ASSERT_TRUE(oImage.bRead) << m_oLog.All();
    const uint32_t h = m_poGraphics->GetCharHeight(' ');
    ASSERT_GT(h, 0u);
    EXPECT_EQ(m_poConsole->m_dwVisibleLines, HEIGHT / h - 1);
    // The background (black at alpha 192) over the clear colour, away from the text.
    const uint32_t c = oImage.At(WIDTH - 1, 1);
    EXPECT_LT((c >> 8) & 0xFF, 0x40u) << std::hex << c;
    EXPECT_GT(BrightPixels(oImage, 0, HEIGHT), 20);
}

TEST_F(Dx8ConsoleTest, WithoutAShaderThereIsNoBackground)
{
    delete m_poConsole->m_poShader;
    m_poConsole->m_poShader = nullptr;
    m_poConsole->ReleaseResources();
    const Image oImage = OpenAndDump();
    ASSERT_TRUE(oImage.bRead);
    EXPECT_EQ(m_poConsole->m_poConsoleShader, nullptr);
    EXPECT_TRUE(Near(oImage.At(WIDTH - 1, 1), CLEAR_RGB)) << std::hex << oImage.At(WIDTH - 1, 1);
}

TEST_F(Dx8ConsoleTest, ClosedConsolesDrawNothingAndAFontWithoutHeightIsRefused)
{
    EXPECT_EQ(m_poConsole->Render(), OK);
    EXPECT_EQ(m_poGraphics->m_poFont, nullptr);
    m_poConsole->m_bOpen = true;
    ASSERT_EQ(m_poGraphics->SetFont("Arial", 8, 0), OK);
    m_poGraphics->m_poFont->m_adwHeight[' '] = 0;
    EXPECT_EQ(m_poConsole->Render(), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Console_DX8::Render() - The console font has no line height!\n"));
}

TEST_F(Dx8ConsoleTest, DebugQuadsOfUnknownNamesPrintOnce)
{
    m_poConsole->m_strShowShader = "Nothing";
    m_poConsole->m_strShowTexture = "Nowhere";
    OpenAndDump();
    EXPECT_EQ(m_poConsole->m_strShowShader, "");
    EXPECT_EQ(m_poConsole->m_strShowTexture, "");
    int iShader = 0, iTexture = 0;
    for (uint32_t i = 0; i < QIRN_CONSOLE_MAXLINES; ++i)
    {
        iShader += std::string(m_poConsole->m_aszLines[i]) == "Unable to find shader!";
        iTexture += std::string(m_poConsole->m_aszLines[i]) == "Unable to find texture!";
    }
    EXPECT_GE(iShader, 1);
    EXPECT_GE(iTexture, 1);
    // A texture that exists is shown without complaint.
    auto poBitmap = dx8_test::MakeBitmap(1, 1, 4, 4, 4, {0xFFFFFFFF});
    poBitmap->m_eFormat = QIRN_FMT_A8R8G8B8;
    ASSERT_EQ(m_poGraphics->ConvertTexture(poBitmap.get(), 2), OK);
    m_poConsole->m_strShowTexture = "2_21_1_test bitmap";
    EXPECT_EQ(m_poConsole->RenderTextureQuad(), OK);
    EXPECT_EQ(m_poConsole->m_strShowTexture, "2_21_1_test bitmap");
}

TEST_F(Dx8ConsoleTest, TheEngineRendersAndPresentsWithTheConsoleOpen)
{
    // An engine of its own, made through the default factory for graphics kind 2.
    m_oEngine.m_poConsole = nullptr;
    delete m_poConsole;
    m_poConsole = nullptr;
    QIRN_GraphicsParams oParams = WindowedParams();
    ASSERT_EQ(m_oEngine.InitGraphics(&oParams), OK) << m_oLog.All();
    ASSERT_NE(dynamic_cast<QIRN_Graphics_DX8*>(m_oEngine.GetGraphicsInterface(0)), nullptr);
    ASSERT_EQ(m_oEngine.InitConsole(&oParams), OK);
    QIRN_Console_DX8* poConsole = dynamic_cast<QIRN_Console_DX8*>(m_oEngine.GetConsole());
    ASSERT_NE(poConsole, nullptr);
    EXPECT_EQ(poConsole->m_poGraphics, m_oEngine.GetGraphicsInterface(0));
    poConsole->m_strFontName = "Arial";
    poConsole->m_dwFontSize = 8;
    poConsole->m_bOpen = true;
    poConsole->Print("Hello from the console");
    for (int i = 0; i < 30; ++i)
    {
        ASSERT_EQ(m_oEngine.Render(0, nullptr), OK);
        ASSERT_EQ(m_oEngine.Present(0), OK);
    }
    m_oEngine.SetScreenDumpFilename("engine.bmp");
    ASSERT_EQ(m_oEngine.Render(0, nullptr), OK);
    ASSERT_EQ(m_oEngine.Present(0), OK);
    const Image oImage = dx8_test::ReadBmp("engine.bmp");
    ASSERT_TRUE(oImage.bRead);
    EXPECT_GT(BrightPixels(oImage, 0, HEIGHT), 10);
    EXPECT_TRUE(Near(oImage.At(WIDTH - 1, HEIGHT - 1), CLEAR_RGB) ||
                (oImage.At(WIDTH - 1, HEIGHT - 1) >> 8 & 0xFF) < 0x40);
    m_oEngine.Shutdown();
}

TEST_F(Dx8ConsoleTest, TheConsoleShaderGoesWithTheRenderersTextures)
{
    // A skin whose background names an image of the working folder.
    std::vector<uint8_t> vTexels(4 * 4 * 4, 0x40);
    ASSERT_EQ(SaveRGBAToTGA(vTexels.data(), "Back.tga", 4, 4, 32), OK);
    qirn_test::WriteFile("test.skin",
                         "qirn_console_config_file_version2.0 {\n"
                         "Shader { Name { Back } NumPasses { 1 } Pass { NumLayers { 1 } Layer {\n"
                         "TextureFileName { Back.tga } TextureFormat { 21 } TextureType { 2 } } } }\n"
                         "}\n");
    ASSERT_EQ(m_poConsole->Load("test.skin"), OK) << m_oLog.All();
    ASSERT_NE(m_poConsole->m_poConsoleShader, nullptr);
    ASSERT_NE(m_poConsole->m_poConsoleShader->m_poPasses[0].m_poLayers[0].m_poTexture, nullptr);
    EXPECT_EQ(m_poGraphics->ReleaseResources(), OK);
    EXPECT_EQ(m_poConsole->m_poConsoleShader, nullptr);
    // Drawn again, the console converts its shader anew.
    OpenAndDump();
    ASSERT_NE(m_poConsole->m_poConsoleShader, nullptr);
    EXPECT_NE(m_poConsole->m_poConsoleShader->m_poPasses[0].m_poLayers[0].m_poTexture, nullptr);
}

TEST_F(Dx8ConsoleTest, TheConsoleOpensALineAFrameAndClosesTwiceAsFast)
{
    m_poConsole->m_bOpen = true;
    for (int i = 1; i <= 3; ++i)
    {
        ASSERT_EQ(m_poConsole->Render(), OK);
        EXPECT_EQ(m_poConsole->m_dwShownLines, i);
    }
    m_poConsole->m_bOpen = false;
    ASSERT_EQ(m_poConsole->Render(), OK);
    EXPECT_EQ(m_poConsole->m_dwShownLines, 1);
    ASSERT_EQ(m_poConsole->Render(), OK);
    EXPECT_EQ(m_poConsole->m_dwShownLines, 0);
    // Fully closed: nothing is drawn, not even the font is needed.
    m_oLog.Clear();
    EXPECT_EQ(m_poConsole->Render(), OK);
    EXPECT_EQ(m_poConsole->m_dwShownLines, 0);
}
