#include "driverhints.h"

#include "tolvamir.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace
{
bool RealEnumDevice(DWORD dwIndex, char* szName, size_t uSize)
{
    DISPLAY_DEVICEA oDevice;
    memset(&oDevice, 0, sizeof(oDevice));
    oDevice.cb = sizeof(oDevice);
    if (!EnumDisplayDevicesA(nullptr, dwIndex, &oDevice, 0))
    {
        return false;
    }
    snprintf(szName, uSize, "%s", oDevice.DeviceName);
    return true;
}

HDC RealOpenDC(const char* szDevice)
{
    return szDevice ? CreateDCA(nullptr, szDevice, nullptr, nullptr) : GetDC(nullptr);
}

void RealCloseDC(const char* szDevice, HDC hDC)
{
    if (szDevice)
    {
        DeleteDC(hDC);
    }
    else
    {
        ReleaseDC(nullptr, hDC);
    }
}

int RealEscape(HDC hDC, int iEscape, int iInSize, const void* pIn, int iOutSize, void* pOut)
{
    return ExtEscape(hDC, iEscape, iInSize, static_cast<LPCSTR>(pIn), iOutSize, static_cast<LPSTR>(pOut));
}

const DisplayDriverPort REAL_PORT = {RealEnumDevice, RealOpenDC, RealCloseDC, RealEscape};
const DisplayDriverPort* g_poPort = &REAL_PORT;

// The low halves of the driver values read at start; valid when the first is above 257.
uint16_t g_awSavedValues[3] = {0, 0, 0};
const uint16_t DRIVER_VALUE_FLOOR = 257;

std::string g_strAppHintPath;

uint32_t ReadWord(const void* pData, int iOffset)
{
    uint32_t dwWord = 0;
    memcpy(&dwWord, static_cast<const uint8_t*>(pData) + iOffset, sizeof(dwWord));
    return dwWord;
}

void WriteWord(void* pData, int iOffset, uint32_t dwWord)
{
    memcpy(static_cast<uint8_t*>(pData) + iOffset, &dwWord, sizeof(dwWord));
}

bool EscapeSupported(HDC hDC, int iEscape)
{
    uint32_t dwCode = static_cast<uint32_t>(iEscape);
    int iAnswer = g_poPort->pfnEscape(hDC, QUERYESCSUPPORT, sizeof(dwCode), &dwCode, 0, nullptr);
    return (static_cast<uint32_t>(iAnswer) & 0xFFFF) == dwCode;
}

// The escape the board and driver-value functions use; 0 when the driver knows neither.
int SupportedEscape(HDC hDC)
{
    if (EscapeSupported(hDC, DRIVER_ESCAPE_PRIMARY))
    {
        return DRIVER_ESCAPE_PRIMARY;
    }
    return EscapeSupported(hDC, DRIVER_ESCAPE_SECONDARY) ? DRIVER_ESCAPE_SECONDARY : 0;
}

// One escape to a display device through whichever code it supports; the escape's answer, 0 when
// the device or the escape is missing.
int DeviceEscape(const char* szDeviceName, const void* pIn, int iInSize, void* pOut, int iOutSize)
{
    HDC hDC = g_poPort->pfnOpenDC(szDeviceName);
    if (!hDC)
    {
        return 0;
    }
    int iAnswer = 0;
    int iEscape = SupportedEscape(hDC);
    if (iEscape)
    {
        iAnswer = g_poPort->pfnEscape(hDC, iEscape, iInSize, pIn, iOutSize, pOut);
    }
    g_poPort->pfnCloseDC(szDeviceName, hDC);
    return iAnswer;
}

// Sends the driver-value record: direction 1 writes the three values, 0 reads them into pOut.
int DriverValuesEscape(const char* szDeviceName, uint32_t dwDirection, const int* piValues, void* pOut)
{
    std::vector<uint8_t> vIn(DRIVER_VALUES_IN_SIZE, 0);
    WriteWord(vIn.data(), 0, DRIVER_VALUES_COMMAND);
    WriteWord(vIn.data(), 4, DRIVER_VALUES_IN_SIZE);
    WriteWord(vIn.data(), 8, DRIVER_VALUES_OUT_SIZE);
    WriteWord(vIn.data(), 12, dwDirection);
    for (int i = 0; piValues && i < 3; ++i)
    {
        WriteWord(vIn.data(), 16 + 4 * i, static_cast<uint32_t>(piValues[i]));
    }
    return DeviceEscape(szDeviceName, vIn.data(), DRIVER_VALUES_IN_SIZE, pOut, DRIVER_VALUES_OUT_SIZE);
}

int WithLowHalf(int iValue, uint16_t wLow)
{
    return static_cast<int>((static_cast<uint32_t>(iValue) & 0xFFFF0000u) | wLow);
}
} // namespace

uint32_t DriverBoardRecord::Word(int iOffset) const
{
    return ReadWord(abyData, iOffset);
}

void SetDisplayDriverPort(const DisplayDriverPort* poPort)
{
    g_poPort = poPort ? poPort : &REAL_PORT;
}

bool QueryBoardInfo(const char* szDeviceName, DriverBoardRecord* poRecord)
{
    uint8_t abyIn[DRIVER_BOARD_IN_SIZE] = {};
    uint8_t abyOut[DRIVER_BOARD_OUT_SIZE] = {};
    WriteWord(abyIn, 0, 1);
    WriteWord(abyIn, 4, DRIVER_BOARD_IN_SIZE);
    WriteWord(abyIn, 8, DRIVER_BOARD_OUT_SIZE);
    if (!poRecord || !DeviceEscape(szDeviceName, abyIn, sizeof(abyIn), abyOut, sizeof(abyOut)))
    {
        return false;
    }
    memset(poRecord->abyData, 0, sizeof(poRecord->abyData));
    WriteWord(poRecord->abyData, 0, ReadWord(abyOut, 0));
    WriteWord(poRecord->abyData, 4, ReadWord(abyOut, 4));
    WriteWord(poRecord->abyData, 8, ReadWord(abyOut, 12));
    WriteWord(poRecord->abyData, 12, ReadWord(abyOut, 8));
    memcpy(poRecord->abyData + 16, abyOut + 16, 32);
    WriteWord(poRecord->abyData, 48, ReadWord(abyOut, 48));
    WriteWord(poRecord->abyData, 52, ReadWord(abyOut, 68));
    WriteWord(poRecord->abyData, 56, ReadWord(abyOut, 72));
    WriteWord(poRecord->abyData, 60, ReadWord(abyOut, 76));
    return true;
}

bool FindBoard(char* szNameOut)
{
    szNameOut[0] = '\0';
    char szName[64] = {};
    for (DWORD dwIndex = 0; g_poPort->pfnEnumDevice(dwIndex, szName, sizeof(szName)); ++dwIndex)
    {
        printf("Driver name:[%s]\n", szName);
        snprintf(szNameOut, 32, "%s", szName);
        DriverBoardRecord oRecord;
        if (QueryBoardInfo(szNameOut, &oRecord) && oRecord.Word(0) == DRIVER_BOARD_VENDOR &&
            oRecord.Word(4) == DRIVER_BOARD_DEVICE)
        {
            return true;
        }
        szNameOut[0] = '\0';
    }
    return false;
}

bool ReadDriverValues(const char* szDeviceName, int* piFirst, int* piSecond, int* piThird)
{
    std::vector<uint8_t> vOut(DRIVER_VALUES_OUT_SIZE, 0);
    if (!DriverValuesEscape(szDeviceName, 0, nullptr, vOut.data()))
    {
        return false;
    }
    *piFirst = static_cast<int>(ReadWord(vOut.data(), 4));
    *piSecond = static_cast<int>(ReadWord(vOut.data(), 8));
    *piThird = static_cast<int>(ReadWord(vOut.data(), 12));
    return true;
}

bool WriteDriverValues(const char* szDeviceName, int iFirst, int iSecond, int iThird)
{
    std::vector<uint8_t> vOut(DRIVER_VALUES_OUT_SIZE, 0);
    const int aiValues[3] = {iFirst, iSecond, iThird};
    return DriverValuesEscape(szDeviceName, 1, aiValues, vOut.data()) != 0 && ReadWord(vOut.data(), 4) == 0;
}

int ApplyDriverTuning(bool bStart)
{
    char szBoard[32] = {};
    if (!FindBoard(szBoard))
    {
        return 0;
    }
    int aiValues[3] = {0, 0, 0};
    // Values that cannot be read are not changed, and not put back over someone else's.
    if (!ReadDriverValues(szBoard, &aiValues[0], &aiValues[1], &aiValues[2]))
    {
        return 1;
    }
    if (bStart)
    {
        if ((static_cast<uint32_t>(aiValues[0]) & 0xFFFF) <= DRIVER_VALUE_FLOOR)
        {
            return 1;
        }
        const uint16_t awTuned[3] = {250, 200, 200};
        for (int i = 0; i < 3; ++i)
        {
            g_awSavedValues[i] = static_cast<uint16_t>(aiValues[i] & 0xFFFF);
            aiValues[i] = WithLowHalf(aiValues[i], awTuned[i]);
        }
        WriteDriverValues(szBoard, aiValues[0], aiValues[1], aiValues[2]);
        return 1;
    }
    if (g_awSavedValues[0] > DRIVER_VALUE_FLOOR)
    {
        for (int i = 0; i < 3; ++i)
        {
            aiValues[i] = WithLowHalf(aiValues[i], g_awSavedValues[i]);
        }
        WriteDriverValues(szBoard, aiValues[0], aiValues[1], aiValues[2]);
    }
    return 1;
}

void ResetDriverTuning()
{
    memset(g_awSavedValues, 0, sizeof(g_awSavedValues));
}

const char* GetAppHintPath()
{
    return g_strAppHintPath.c_str();
}

void SetAppHintPath(const char* szPath)
{
    g_strAppHintPath = szPath ? szPath : "";
}

int SendAppHintEscape(const void* pIn, int iInSize, void* pOut, int iOutSize)
{
    HDC hDC = g_poPort->pfnOpenDC(nullptr);
    if (!hDC)
    {
        return 0;
    }
    int iAnswer = g_poPort->pfnEscape(hDC, DRIVER_ESCAPE_PRIMARY, iInSize, pIn, iOutSize, pOut);
    g_poPort->pfnCloseDC(nullptr, hDC);
    return iAnswer;
}

namespace
{
// An application-hint record: the three header words, then the path in its field.
std::vector<uint8_t> AppHintRecord(uint32_t dwCommand, int iInSize, int iOutSize, int iPathOffset)
{
    std::vector<uint8_t> vIn(static_cast<size_t>(iInSize), 0);
    WriteWord(vIn.data(), 0, dwCommand);
    WriteWord(vIn.data(), 4, static_cast<uint32_t>(iInSize));
    WriteWord(vIn.data(), 8, static_cast<uint32_t>(iOutSize));
    snprintf(reinterpret_cast<char*>(vIn.data()) + iPathOffset, DRIVER_PATH_SIZE, "%s",
             g_strAppHintPath.c_str());
    return vIn;
}

// The package-version answer: a zero-terminated text of 16-bit characters from byte 8.
const int PACKAGE_TEXT_OFFSET = 8;
} // namespace

float cTolvamir::QueryDriverVersion()
{
    const int iInSize = 204;
    const int iOutSize = 1032;
    std::vector<uint8_t> vIn(iInSize, 0);
    WriteWord(vIn.data(), 0, APPHINT_PACKAGE_VERSION);
    WriteWord(vIn.data(), 4, iInSize);
    WriteWord(vIn.data(), 8, iOutSize);
    // A 128-byte empty text, then the 64-byte key.
    memcpy(vIn.data() + 12 + 128, "PackageVer", 10);
    std::vector<uint8_t> vOut(iOutSize, 0);
    if (!SendAppHintEscape(vIn.data(), iInSize, vOut.data(), iOutSize))
    {
        OutputDebugStringA("*** cTolvamir::QueryDriverVersion() - PackageVer query FAILED\n");
        return 0.0f;
    }
    std::string strVersion;
    for (int i = PACKAGE_TEXT_OFFSET; i + 1 < iOutSize; i += 2)
    {
        char c = static_cast<char>(vOut[static_cast<size_t>(i)]);
        if (c == '\0' && vOut[static_cast<size_t>(i + 1)] == 0)
        {
            break;
        }
        strVersion += c == '.' ? ' ' : c;
    }
    return static_cast<float>(atof(strVersion.c_str()));
}

int cTolvamir::NotifyAppHint(int iValue)
{
    const int iInSize = 1044;
    std::vector<uint8_t> vIn = AppHintRecord(APPHINT_NOTIFY, iInSize, 4, 20);
    WriteWord(vIn.data(), 12, static_cast<uint32_t>(iValue));
    WriteWord(vIn.data(), 16, GetCurrentProcessId());
    uint32_t dwOut = 0;
    return SendAppHintEscape(vIn.data(), iInSize, &dwOut, sizeof(dwOut));
}

bool cTolvamir::RegisterAppHint()
{
    const int iInSize = 1056;
    std::vector<uint8_t> vIn = AppHintRecord(APPHINT_REGISTER, iInSize, 4, 12);
    WriteWord(vIn.data(), 12 + DRIVER_PATH_SIZE + 4, 2);
    uint32_t dwOut = 0;
    if (!SendAppHintEscape(vIn.data(), iInSize, &dwOut, sizeof(dwOut)))
    {
        return false;
    }
    if (!NotifyAppHint(1))
    {
        return false;
    }
    m_bAppHintRegistered = 1;
    return true;
}

bool cTolvamir::QueryAppHint()
{
    const int iInSize = 1036;
    std::vector<uint8_t> vIn = AppHintRecord(APPHINT_QUERY, iInSize, 24, 12);
    uint8_t abyOut[24] = {};
    return SendAppHintEscape(vIn.data(), iInSize, abyOut, sizeof(abyOut)) != 0 && ReadWord(abyOut, 0) != 0;
}

int cTolvamir::InitAppHint()
{
    char szFolder[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof(szFolder), szFolder);
    SetAppHintPath((std::string(szFolder) + "\\" + "Tolvamir.exe").c_str());
    float fVersion = QueryDriverVersion();
    // Package versions are whole numbers by now, so drivers before two get no hint.
    if (fVersion < 1.2f)
    {
        return 1;
    }
    if (QueryAppHint())
    {
        return 1;
    }
    return RegisterAppHint() ? 1 : 0;
}

void cTolvamir::ShutDownAppHint()
{
    NotifyAppHint(0);
    if (!m_bAppHintRegistered)
    {
        return;
    }
    const int iInSize = 1036;
    std::vector<uint8_t> vIn = AppHintRecord(APPHINT_RELEASE, iInSize, 4, 12);
    uint32_t dwOut = 0;
    if (!SendAppHintEscape(vIn.data(), iInSize, &dwOut, sizeof(dwOut)))
    {
        OutputDebugStringA("*** cTolvamir::ShutDownAppHint() - AppHint release FAILED\n");
    }
    if (!NotifyAppHint(1))
    {
        OutputDebugStringA("*** cTolvamir::ShutDownAppHint() - Notify FAILED\n");
    }
    m_bAppHintRegistered = 0;
}
