#pragma once
// Display-driver hints: private escapes of one make of display driver. While the client runs it
// lowers three driver values and puts the old ones back at the end, and it registers the program
// with the driver as an application hint. Every answer is optional: where the driver does not
// know the escapes (any other driver, or none), nothing is changed.

#include <windows.h>

#include <cstdint>

// Escapes that carry the driver values and the board information, preferred first.
const int DRIVER_ESCAPE_PRIMARY = 0x800A;
const int DRIVER_ESCAPE_SECONDARY = 0x8009;

// The identity words of the adapter these escapes exist for (vendor and device).
const uint32_t DRIVER_BOARD_VENDOR = 0x514B;
const uint32_t DRIVER_BOARD_DEVICE = 0x0A8E;

const uint32_t DRIVER_VALUES_COMMAND = 0x80000001;
const int DRIVER_VALUES_IN_SIZE = 2064;
const int DRIVER_VALUES_OUT_SIZE = 2052;
const int DRIVER_BOARD_IN_SIZE = 12;
const int DRIVER_BOARD_OUT_SIZE = 80;
const int DRIVER_PATH_SIZE = 1024;

const uint32_t APPHINT_NOTIFY = 0x70000;
const uint32_t APPHINT_QUERY = 0x70002;
const uint32_t APPHINT_REGISTER = 0x70003;
const uint32_t APPHINT_RELEASE = 0x70004;
const uint32_t APPHINT_PACKAGE_VERSION = 0x40000006;

// The client's copy of the board information.
struct DriverBoardRecord
{
    uint8_t abyData[64];
    uint32_t Word(int iOffset) const;
};

// How the hints reach the display driver; tests put a fake driver in its place.
struct DisplayDriverPort
{
    // The name of display device i; false past the last one.
    bool (*pfnEnumDevice)(DWORD dwIndex, char* szName, size_t uSize);
    // A drawing context of a display device; NULL names the desktop.
    HDC (*pfnOpenDC)(const char* szDevice);
    void (*pfnCloseDC)(const char* szDevice, HDC hDC);
    int (*pfnEscape)(HDC hDC, int iEscape, int iInSize, const void* pIn, int iOutSize, void* pOut);
};
// NULL restores the real display drivers.
void SetDisplayDriverPort(const DisplayDriverPort* poPort);

bool FindBoard(char* szNameOut);
bool QueryBoardInfo(const char* szDeviceName, DriverBoardRecord* poRecord);
bool ReadDriverValues(const char* szDeviceName, int* piFirst, int* piSecond, int* piThird);
bool WriteDriverValues(const char* szDeviceName, int iFirst, int iSecond, int iThird);
// Start: saves and lowers the driver values; end: puts the saved ones back. 0 without the board.
int ApplyDriverTuning(bool bStart);
// Forgets the saved driver values (a new run).
void ResetDriverTuning();

// The program path the application-hint escapes carry.
const char* GetAppHintPath();
void SetAppHintPath(const char* szPath);
// Sends one application-hint escape to the desktop's context; the escape's answer.
int SendAppHintEscape(const void* pIn, int iInSize, void* pOut, int iOutSize);
