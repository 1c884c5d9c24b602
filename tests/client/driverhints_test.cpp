#include "client_test_support.h"

#include "driverhints.h"
#include "tolvamir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using client_test::ClientTest;

namespace
{
// A display driver of the make the escapes are for, on the second of two display devices.
struct FakeDriver
{
    struct Escape
    {
        std::string strDevice;
        int iEscape;
        uint32_t dwCommand;
        std::vector<uint8_t> vIn;
    };

    std::vector<std::string> vDevices = {"\\\\.\\DISPLAY1", "\\\\.\\DISPLAY2"};
    std::string strBoardDevice = "\\\\.\\DISPLAY2";
    // The escape codes the board's driver answers the support query for.
    std::vector<int> vSupported = {DRIVER_ESCAPE_PRIMARY};
    uint32_t adwValues[3] = {0x00010120, 0x00020190, 0x000301F4};
    bool bWritesSucceed = true;
    std::string strPackageVersion = "2.10.3";
    uint32_t dwHintQueryWord = 0;
    int iHintAnswer = 1;
    std::vector<Escape> vEscapes;

    static FakeDriver* s_poCurrent;

    std::vector<uint32_t> Commands() const
    {
        std::vector<uint32_t> vCommands;
        for (const Escape& oEscape : vEscapes)
        {
            vCommands.push_back(oEscape.dwCommand);
        }
        return vCommands;
    }
    std::vector<const Escape*> Writes() const
    {
        std::vector<const Escape*> vWrites;
        for (const Escape& oEscape : vEscapes)
        {
            if (oEscape.dwCommand == DRIVER_VALUES_COMMAND && Word(oEscape.vIn, 12) == 1)
            {
                vWrites.push_back(&oEscape);
            }
        }
        return vWrites;
    }
    static uint32_t Word(const std::vector<uint8_t>& vData, size_t uOffset)
    {
        uint32_t dwWord = 0;
        memcpy(&dwWord, vData.data() + uOffset, 4);
        return dwWord;
    }
};
FakeDriver* FakeDriver::s_poCurrent = nullptr;

FakeDriver& Driver()
{
    return *FakeDriver::s_poCurrent;
}

bool EnumDevice(DWORD dwIndex, char* szName, size_t uSize)
{
    if (dwIndex >= Driver().vDevices.size())
    {
        return false;
    }
    snprintf(szName, uSize, "%s", Driver().vDevices[dwIndex].c_str());
    return true;
}

// Contexts are numbered: 1 the desktop, 2 + i display device i.
HDC OpenDC(const char* szDevice)
{
    if (!szDevice)
    {
        return reinterpret_cast<HDC>(1);
    }
    for (size_t i = 0; i < Driver().vDevices.size(); ++i)
    {
        if (Driver().vDevices[i] == szDevice)
        {
            return reinterpret_cast<HDC>(2 + i);
        }
    }
    return nullptr;
}

void CloseDC(const char*, HDC) {}

void PutWord(void* pOut, size_t uOffset, uint32_t dwWord)
{
    memcpy(static_cast<uint8_t*>(pOut) + uOffset, &dwWord, 4);
}

int Escape(HDC hDC, int iEscape, int iInSize, const void* pIn, int, void* pOut)
{
    FakeDriver& oDriver = Driver();
    uintptr_t uContext = reinterpret_cast<uintptr_t>(hDC);
    std::string strDevice = uContext == 1 ? "desktop" : oDriver.vDevices[uContext - 2];
    bool bBoard = strDevice == oDriver.strBoardDevice || strDevice == "desktop";
    const uint8_t* pbyIn = static_cast<const uint8_t*>(pIn);
    if (iEscape == QUERYESCSUPPORT)
    {
        uint32_t dwCode = 0;
        memcpy(&dwCode, pIn, 4);
        bool bKnown = bBoard && std::find(oDriver.vSupported.begin(), oDriver.vSupported.end(),
                                          static_cast<int>(dwCode)) != oDriver.vSupported.end();
        return bKnown ? static_cast<int>(0x30000 | dwCode) : 0;
    }
    std::vector<uint8_t> vIn(pbyIn, pbyIn + iInSize);
    uint32_t dwCommand = FakeDriver::Word(vIn, 0);
    oDriver.vEscapes.push_back({strDevice, iEscape, dwCommand, vIn});
    if (!bBoard)
    {
        return 0;
    }
    switch (dwCommand)
    {
    case 1:
        PutWord(pOut, 0, DRIVER_BOARD_VENDOR);
        PutWord(pOut, 4, DRIVER_BOARD_DEVICE);
        return 1;
    case DRIVER_VALUES_COMMAND:
        if (FakeDriver::Word(vIn, 12) == 1)
        {
            for (int i = 0; i < 3; ++i)
            {
                oDriver.adwValues[i] = FakeDriver::Word(vIn, 16 + 4 * i);
            }
            PutWord(pOut, 4, oDriver.bWritesSucceed ? 0 : 1);
            return 1;
        }
        for (int i = 0; i < 3; ++i)
        {
            PutWord(pOut, 4 + 4 * i, oDriver.adwValues[i]);
        }
        return 1;
    case APPHINT_PACKAGE_VERSION:
        for (size_t i = 0; i < oDriver.strPackageVersion.size(); ++i)
        {
            static_cast<uint8_t*>(pOut)[8 + 2 * i] = static_cast<uint8_t>(oDriver.strPackageVersion[i]);
        }
        return oDriver.strPackageVersion.empty() ? 0 : 1;
    case APPHINT_QUERY:
        PutWord(pOut, 0, oDriver.dwHintQueryWord);
        return oDriver.iHintAnswer;
    default:
        return oDriver.iHintAnswer;
    }
}

const DisplayDriverPort FAKE_PORT = {EnumDevice, OpenDC, CloseDC, Escape};

class DriverHintsTest : public ClientTest
{
protected:
    void SetUp() override
    {
        ClientTest::SetUp();
        FakeDriver::s_poCurrent = &m_oDriver;
        SetDisplayDriverPort(&FAKE_PORT);
    }
    void TearDown() override
    {
        ClientTest::TearDown();
        FakeDriver::s_poCurrent = nullptr;
    }

    FakeDriver m_oDriver;
};

TEST_F(DriverHintsTest, WithoutTheBoardOnlyBoardQueriesAreSent)
{
    m_oDriver.strBoardDevice = "none";
    EXPECT_EQ(ApplyDriverTuning(true), 0);
    EXPECT_EQ(ApplyDriverTuning(false), 0);
    for (const FakeDriver::Escape& oEscape : m_oDriver.vEscapes)
    {
        EXPECT_EQ(oEscape.dwCommand, 1u);
    }
}

TEST_F(DriverHintsTest, FindsTheBoardAndReadsItsRecord)
{
    char szName[32] = "stale";
    ASSERT_TRUE(FindBoard(szName));
    EXPECT_STREQ(szName, "\\\\.\\DISPLAY2");
    DriverBoardRecord oRecord;
    ASSERT_TRUE(QueryBoardInfo(szName, &oRecord));
    EXPECT_EQ(oRecord.Word(0), DRIVER_BOARD_VENDOR);
    EXPECT_EQ(oRecord.Word(4), DRIVER_BOARD_DEVICE);
    // The board-information record asks for 80 bytes.
    EXPECT_EQ(FakeDriver::Word(m_oDriver.vEscapes.back().vIn, 8), 80u);
    // Only the secondary escape: the driver-value escape goes through it.
    m_oDriver.vSupported = {DRIVER_ESCAPE_SECONDARY};
    int aiValues[3] = {};
    ASSERT_TRUE(ReadDriverValues(szName, &aiValues[0], &aiValues[1], &aiValues[2]));
    EXPECT_EQ(m_oDriver.vEscapes.back().iEscape, DRIVER_ESCAPE_SECONDARY);
    EXPECT_EQ(m_oDriver.vEscapes.back().vIn.size(), 2064u);
    EXPECT_EQ(aiValues[0], 0x00010120);
    m_oDriver.vSupported = {};
    EXPECT_FALSE(QueryBoardInfo(szName, &oRecord));
}

TEST_F(DriverHintsTest, ValuesAreLoweredAtStartAndPutBackAtTheEnd)
{
    // First value: high half 1, low half 288.
    EXPECT_EQ(ApplyDriverTuning(true), 1);
    EXPECT_EQ(m_oDriver.adwValues[0], 0x000100FAu);
    EXPECT_EQ(m_oDriver.adwValues[1], 0x000200C8u);
    EXPECT_EQ(m_oDriver.adwValues[2], 0x000300C8u);
    EXPECT_EQ(ApplyDriverTuning(false), 1);
    EXPECT_EQ(m_oDriver.adwValues[0], 0x00010120u);
    EXPECT_EQ(m_oDriver.adwValues[1], 0x00020190u);
    EXPECT_EQ(m_oDriver.adwValues[2], 0x000301F4u);
    EXPECT_EQ(m_oDriver.Writes().size(), 2u);
}

TEST_F(DriverHintsTest, LowFirstValueIsLeftAlone)
{
    m_oDriver.adwValues[0] = 0x00010101;
    EXPECT_EQ(ApplyDriverTuning(true), 1);
    EXPECT_EQ(ApplyDriverTuning(false), 1);
    EXPECT_TRUE(m_oDriver.Writes().empty());
    EXPECT_EQ(m_oDriver.adwValues[0], 0x00010101u);
}

TEST_F(DriverHintsTest, FailedStartUpPutsTheValuesBack)
{
    // The installation check fails after the values were lowered.
    WriteSettings();
    EXPECT_EQ(StartTolvamir(Client()), 1);
    ASSERT_EQ(client_test::MessageBoxes().size(), 1u);
    EXPECT_EQ(client_test::MessageBoxes()[0].strText, "Invalid Or Corrupt Installation. Please Reinstall");
    EXPECT_EQ(m_oDriver.Writes().size(), 2u);
    EXPECT_EQ(m_oDriver.adwValues[0], 0x00010120u);
    EXPECT_EQ(m_oDriver.adwValues[2], 0x000301F4u);
    EXPECT_EQ(Client().GetEngine(), nullptr);
}

TEST_F(DriverHintsTest, SettingsThatCannotBeReadSendTheUserToTheDialog)
{
    // Random bytes where the settings should be: the dialog writes a new file, no reinstall needed.
    std::string strBytes;
    for (int i = 0; i < 300; ++i)
    {
        strBytes += static_cast<char>((i * 7919 + 13) % 251);
    }
    qirn_test::WriteFile("qirn_v2.ini", strBytes);
    EXPECT_EQ(StartTolvamir(Client()), 1);
    ASSERT_EQ(client_test::MessageBoxes().size(), 1u);
    EXPECT_EQ(client_test::MessageBoxes()[0].strText,
              "The settings file qirn_v2.ini cannot be read. Please run AmbrevoConfig.exe, which writes a new one");
    EXPECT_TRUE(m_oLog.Contains("*** cTolvamir::Initialize() - qirn_v2.ini holds no [PATHS] ScenePath: it cannot be "
                                "read\n"));
}

TEST_F(DriverHintsTest, HintIsRegisteredAndReleased)
{
    EXPECT_EQ(Client().InitAppHint(), 1);
    EXPECT_EQ(Client().m_bAppHintRegistered, 1);
    std::string strPath = GetAppHintPath();
    EXPECT_EQ(strPath.substr(strPath.size() - 13), "\\Tolvamir.exe");
    EXPECT_EQ(m_oDriver.Commands(), (std::vector<uint32_t>{APPHINT_PACKAGE_VERSION, APPHINT_QUERY,
                                                           APPHINT_REGISTER, APPHINT_NOTIFY}));
    const std::vector<uint8_t>& vNotify = m_oDriver.vEscapes.back().vIn;
    EXPECT_EQ(vNotify.size(), 1044u);
    EXPECT_EQ(FakeDriver::Word(vNotify, 12), 1u);
    EXPECT_EQ(FakeDriver::Word(vNotify, 16), GetCurrentProcessId());
    EXPECT_STREQ(reinterpret_cast<const char*>(vNotify.data() + 20), strPath.c_str());
    for (const FakeDriver::Escape& oEscape : m_oDriver.vEscapes)
    {
        EXPECT_EQ(oEscape.strDevice, "desktop");
        EXPECT_EQ(oEscape.iEscape, DRIVER_ESCAPE_PRIMARY);
    }

    m_oDriver.vEscapes.clear();
    Client().ShutDownAppHint();
    EXPECT_EQ(m_oDriver.Commands(), (std::vector<uint32_t>{APPHINT_NOTIFY, APPHINT_RELEASE, APPHINT_NOTIFY}));
    EXPECT_EQ(FakeDriver::Word(m_oDriver.vEscapes[0].vIn, 12), 0u);
    EXPECT_EQ(FakeDriver::Word(m_oDriver.vEscapes[2].vIn, 12), 1u);
    EXPECT_EQ(Client().m_bAppHintRegistered, 0);
}

TEST_F(DriverHintsTest, HintAlreadyKnownOrOldDriverRegistersNothing)
{
    m_oDriver.dwHintQueryWord = 7;
    EXPECT_EQ(Client().InitAppHint(), 1);
    EXPECT_EQ(Client().m_bAppHintRegistered, 0);
    m_oDriver.vEscapes.clear();
    Client().ShutDownAppHint();
    EXPECT_EQ(m_oDriver.Commands(), (std::vector<uint32_t>{APPHINT_NOTIFY}));

    for (const char* szVersion : {"1.1", "1.9.0", ""})
    {
        SCOPED_TRACE(szVersion);
        m_oDriver.strPackageVersion = szVersion;
        m_oDriver.vEscapes.clear();
        EXPECT_EQ(Client().InitAppHint(), 1);
        EXPECT_EQ(m_oDriver.Commands(), (std::vector<uint32_t>{APPHINT_PACKAGE_VERSION}));
    }
    m_oDriver.strPackageVersion = "2.10.3";
    EXPECT_FLOAT_EQ(Client().QueryDriverVersion(), 2.0f);
}

TEST_F(DriverHintsTest, RefusedRegistrationLeavesTheFlagClear)
{
    m_oDriver.iHintAnswer = 0;
    EXPECT_EQ(Client().InitAppHint(), 0);
    EXPECT_EQ(Client().m_bAppHintRegistered, 0);
}
} // namespace
