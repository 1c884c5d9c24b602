#include "loadingscreen.h"

#include "qirn_debug.h"

#include <cstdio>
#include <fstream>
#include <iterator>
#include <vector>

namespace
{
HWND g_hWnd = nullptr;
int g_iScreenWidth = 0;
int g_iScreenHeight = 0;
LoadingPictureLayout g_oLayout = {0, 0, 0};
HBITMAP g_hBackgroundBitmap = nullptr;
HBITMAP g_ahFrames[LOADING_FRAME_COUNT] = {};
HDC g_hWindowDC = nullptr;
HDC g_hBitmapDC = nullptr;
int g_iFrameCounter = 0;

// The part of a progress frame that is stretched onto the strip.
const int FRAME_SOURCE_WIDTH = 127;
const int FRAME_SOURCE_HEIGHT = 15;
const float STRIP_TOP = 0.8385f;
const float STRIP_BOTTOM = 0.89f;

HBITMAP LoadPicture(const std::string& strFile, int iWidth, int iHeight)
{
    return static_cast<HBITMAP>(LoadImageA(nullptr, strFile.c_str(), IMAGE_BITMAP, iWidth, iHeight,
                                           LR_LOADFROMFILE | LR_CREATEDIBSECTION));
}
} // namespace

LoadingPictureLayout ComputeLoadingLayout(unsigned int uScreenWidth, unsigned int uScreenHeight)
{
    LoadingPictureLayout oLayout = {static_cast<int>(uScreenWidth), static_cast<int>(uScreenHeight), 0};
    // A screen of no height counts as one screen wide.
    unsigned int uRatio = uScreenHeight ? uScreenWidth / uScreenHeight : 0;
    if (uRatio >= 3)
    {
        oLayout.iWidth = static_cast<int>(uScreenWidth / 3);
        oLayout.iX = static_cast<int>(uScreenWidth / 3);
    }
    else if (uRatio == 2)
    {
        oLayout.iWidth = static_cast<int>(uScreenWidth / 2);
    }
    return oLayout;
}

void ComputeStripRows(int iHeight, int* piTop, int* piBottom)
{
    *piTop = static_cast<int>(static_cast<float>(iHeight) * STRIP_TOP);
    *piBottom = static_cast<int>(static_cast<float>(iHeight) * STRIP_BOTTOM);
}

void SetLoadingScreenTarget(HWND hWnd, int iWidth, int iHeight)
{
    g_hWnd = hWnd;
    g_iScreenWidth = iWidth;
    g_iScreenHeight = iHeight;
}

int LoadBitmaps()
{
    g_oLayout = ComputeLoadingLayout(static_cast<unsigned int>(g_iScreenWidth),
                                     static_cast<unsigned int>(g_iScreenHeight));
    // Loaded again (a second start-up in one process), the old pictures are not leaked.
    DeleteLoadingBitmaps();
    g_hBackgroundBitmap = LoadPicture(LOADING_BACKGROUND_FILE, g_oLayout.iWidth, g_oLayout.iHeight);
    if (!g_hBackgroundBitmap)
    {
        dprintf("*** LoadBitmaps() - g_hBackgroundBitmap is NULL\n");
        return 1;
    }
    for (int i = 0; i < LOADING_FRAME_COUNT; ++i)
    {
        g_ahFrames[i] = LoadPicture(std::string(LOADING_FRAME_PREFIX) + static_cast<char>('0' + i) + ".bmp",
                                    LOADING_FRAME_WIDTH, LOADING_FRAME_HEIGHT);
    }
    return 0;
}

void DeleteLoadingBitmaps()
{
    if (g_hBackgroundBitmap)
    {
        DeleteObject(g_hBackgroundBitmap);
        g_hBackgroundBitmap = nullptr;
    }
    for (HBITMAP& hFrame : g_ahFrames)
    {
        if (hFrame)
        {
            DeleteObject(hFrame);
            hFrame = nullptr;
        }
    }
}

bool BeginLoadingScreen()
{
    EndLoadingScreen();
    g_hWindowDC = GetDC(g_hWnd);
    g_hBitmapDC = g_hWindowDC ? CreateCompatibleDC(g_hWindowDC) : nullptr;
    return g_hBitmapDC != nullptr;
}

void EndLoadingScreen()
{
    if (g_hWindowDC)
    {
        ReleaseDC(g_hWnd, g_hWindowDC);
        g_hWindowDC = nullptr;
    }
    if (g_hBitmapDC)
    {
        DeleteDC(g_hBitmapDC);
        g_hBitmapDC = nullptr;
    }
}

int DisplayLoadingBitmap(int iWidth, int iHeight)
{
    if (!g_hBitmapDC)
    {
        dprintf("*** DisplayLoadingBitmap() - g_hBitmap is NULL\n");
        return 1;
    }
    RECT rcAll = {0, 0, iWidth, iHeight};
    FillRect(g_hWindowDC, &rcAll, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    SelectObject(g_hBitmapDC, g_hBackgroundBitmap);
    SetStretchBltMode(g_hWindowDC, COLORONCOLOR);
    SetStretchBltMode(g_hBitmapDC, COLORONCOLOR);
    if (!StretchBlt(g_hWindowDC, g_oLayout.iX, 0, g_oLayout.iWidth, g_oLayout.iHeight, g_hBitmapDC, 0, 0,
                    g_oLayout.iWidth, g_oLayout.iHeight, SRCCOPY))
    {
        dprintf("*** DisplayLoadingBitmap() - StretchBlt() FAILED\n");
        return 1;
    }
    return 0;
}

int DisplayLoadingBitmap2(int iFrame, int, int iHeight)
{
    if (!g_hBitmapDC)
    {
        dprintf("*** DisplayLoadingBitmap2() - g_hBitmapDC is NULL\n");
        return 1;
    }
    // A frame that did not load is not drawn (its slot would show whatever the context held).
    if (iFrame < 0 || iFrame >= LOADING_FRAME_COUNT || !g_ahFrames[iFrame])
    {
        return 0;
    }
    int iTop = 0;
    int iBottom = 0;
    ComputeStripRows(iHeight, &iTop, &iBottom);
    SelectObject(g_hBitmapDC, g_ahFrames[iFrame]);
    if (!StretchBlt(g_hWindowDC, g_oLayout.iX, iTop, g_oLayout.iWidth, iBottom - iTop, g_hBitmapDC, 0, 0,
                    FRAME_SOURCE_WIDTH, FRAME_SOURCE_HEIGHT, SRCCOPY))
    {
        dprintf("*** DisplayLoadingBitmap2() - StretchBlt() FAILED\n");
        return 1;
    }
    return 0;
}

int32_t UpdateLoadingScreen()
{
    DisplayLoadingBitmap2(g_iFrameCounter, g_iScreenWidth, g_iScreenHeight);
    g_iFrameCounter = (g_iFrameCounter + 1) % LOADING_FRAME_COUNT;
    MSG oMsg;
    while (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
    {
        // Esc stops the load; it is not dispatched, so it does not also close the window.
        if (oMsg.message == WM_CHAR && oMsg.wParam == 27)
        {
            return LOADING_STOPPED;
        }
        TranslateMessage(&oMsg);
        DispatchMessageA(&oMsg);
    }
    return 0;
}

int GetLoadingFrameCounter()
{
    return g_iFrameCounter;
}

void SetLoadingFrameCounter(int iFrame)
{
    g_iFrameCounter = iFrame;
}

uint32_t GetFileSize(const char* szName)
{
    FILE* pFile = szName ? fopen(szName, "rb") : nullptr;
    if (!pFile)
    {
        return 0;
    }
    long lSize = fseek(pFile, 0, SEEK_END) == 0 ? ftell(pFile) : 0;
    fclose(pFile);
    return lSize > 0 ? static_cast<uint32_t>(lSize) : 0;
}

uint32_t GetFileSizeByName(std::string strName)
{
    return GetFileSize(strName.c_str());
}

int32_t ComputeByteSum(const std::string& strBytes)
{
    if (strBytes.empty())
    {
        return 0;
    }
    // What a text-mode read puts into a buffer of the file's size; the rest stays zero.
    std::vector<char> vBuffer(strBytes.size(), 0);
    size_t n = 0;
    for (size_t i = 0; i < strBytes.size(); ++i)
    {
        char c = strBytes[i];
        if (c == 26)
        {
            break;
        }
        if (c == '\r' && i + 1 < strBytes.size() && strBytes[i + 1] == '\n')
        {
            continue;
        }
        vBuffer[n++] = c;
    }
    vBuffer.back() = 0;
    int32_t iSum = 0;
    for (char c : vBuffer)
    {
        iSum += static_cast<int8_t>(c);
    }
    return iSum;
}

int32_t GetFileByteSum(std::string strName)
{
    std::ifstream oFile(strName, std::ios::binary);
    if (!oFile)
    {
        return 0;
    }
    std::string strBytes((std::istreambuf_iterator<char>(oFile)), std::istreambuf_iterator<char>());
    return ComputeByteSum(strBytes);
}

std::string ScrambleBytes(const std::string& strPlain, const std::string& strKey)
{
    std::string strOut(strPlain);
    for (size_t i = 0; i < strOut.size() && !strKey.empty(); ++i)
    {
        strOut[i] = static_cast<char>(static_cast<uint8_t>(strOut[i]) +
                                      static_cast<uint8_t>(strKey[i % strKey.size()]));
    }
    return strOut;
}

std::string UnscrambleBytes(const std::string& strScrambled, const std::string& strKey)
{
    std::string strOut(strScrambled);
    for (size_t i = 0; i < strOut.size() && !strKey.empty(); ++i)
    {
        strOut[i] = static_cast<char>(static_cast<uint8_t>(strOut[i]) -
                                      static_cast<uint8_t>(strKey[i % strKey.size()]));
    }
    return strOut;
}
