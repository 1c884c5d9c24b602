#pragma once
// The loading screen: a picture filling the window (or the left half, or the middle third, of a
// desktop spread over two or three screens) with an animated progress strip, redrawn by the
// world-load progress callback, which also keeps the window responsive and lets Esc stop the
// load. Also the file helpers of the installed scene files.

#include <windows.h>

#include <cstdint>
#include <string>

const char* const LOADING_BACKGROUND_FILE = ".\\Data\\_System_\\LoadScreen.bmp";
// The frame's digit follows this prefix.
const char* const LOADING_FRAME_PREFIX = ".\\Data\\_System_\\Loader0";
const int LOADING_FRAME_COUNT = 8;
const int LOADING_FRAME_WIDTH = 128;
const int LOADING_FRAME_HEIGHT = 16;
// What the progress callback answers when Esc stops the load (QIRNERR_QUITEARLY).
const int32_t LOADING_STOPPED = 48;

struct LoadingPictureLayout
{
    int iWidth;
    int iHeight;
    int iX;
};

// Where the picture goes on a screen of this size.
LoadingPictureLayout ComputeLoadingLayout(unsigned int uScreenWidth, unsigned int uScreenHeight);

// The window and screen size the loading screen draws into.
void SetLoadingScreenTarget(HWND hWnd, int iWidth, int iHeight);
int LoadBitmaps();
void DeleteLoadingBitmaps();
// Makes the window's drawing context and its memory twin for one world load, and drops them.
bool BeginLoadingScreen();
void EndLoadingScreen();
int DisplayLoadingBitmap(int iWidth, int iHeight);
int DisplayLoadingBitmap2(int iFrame, int iWidth, int iHeight);
int32_t UpdateLoadingScreen();
// The next progress frame to draw (it runs on over all loads of the run).
int GetLoadingFrameCounter();
void SetLoadingFrameCounter(int iFrame);
// The rows the progress strip covers at a screen height.
void ComputeStripRows(int iHeight, int* piTop, int* piBottom);

// 0 when the file cannot be opened.
uint32_t GetFileSize(const char* szName);
uint32_t GetFileSizeByName(std::string strName);
// The sum of the file's bytes as signed 8-bit values, read as text (a carriage return before a
// line feed drops out, the byte 26 ends the input) into a zero-filled buffer of the file's size
// whose last byte is then cleared. 0 for an empty or unreadable file.
int32_t GetFileByteSum(std::string strName);
// The same rule over bytes already in memory.
int32_t ComputeByteSum(const std::string& strBytes);
// Scrambling: each byte plus (or minus) the key byte at its position modulo the key's length.
std::string ScrambleBytes(const std::string& strPlain, const std::string& strKey);
std::string UnscrambleBytes(const std::string& strScrambled, const std::string& strKey);
