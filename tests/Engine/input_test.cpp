#include "fake_input_device.h"
#include "qirn_input_dx8.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <set>
#include <vector>

using engine_test::FakeInputDevice;

namespace
{
DIDEVICEOBJECTDATA Datum(DWORD dwOffset, DWORD dwData)
{
    DIDEVICEOBJECTDATA oData = {};
    oData.dwOfs = dwOffset;
    oData.dwData = dwData;
    return oData;
}

const DWORD DOWN = 0x80;
const DWORD UP = 0x00;
} // namespace

TEST(InputTest, KeyTableCoversThePcKeyboard)
{
    QIRN_Input_DX8 input;
    struct Case
    {
        uint32_t dwScanCode;
        int32_t iCode;
    };
    const Case cases[] = {
        {DIK_ESCAPE, 1},    {DIK_F1, 2},           {DIK_F12, 13},      {DIK_SYSRQ, 14},  {DIK_GRAVE, 17},
        {DIK_1, 18},        {DIK_0, 27},           {DIK_BACK, 30},     {DIK_DIVIDE, 35}, {DIK_Q, 39},
        {DIK_A, 60},        {DIK_RETURN, 71},      {DIK_LSHIFT, 75},   {DIK_Z, 76},      {DIK_RSHIFT, 86},
        {DIK_UP, 87},       {DIK_NUMPADENTER, 91}, {DIK_LCONTROL, 92}, {DIK_SPACE, 94},  {DIK_RCONTROL, 96},
        {DIK_DECIMAL, 101}, {DIK_LWIN, 0},         {DIK_APPS, 0},      {0, 0},           {236, 0},
        {237, 0},           {0xFFFF, 0},
    };
    for (const Case& c : cases)
    {
        EXPECT_EQ(input.GetKeyCode(c.dwScanCode), c.iCode) << c.dwScanCode;
    }
    // Every code from 1 to 101 belongs to exactly one key.
    std::multiset<int32_t> codes;
    for (uint32_t i = 0; i < QIRN_KEYTABLE_SIZE; ++i)
    {
        if (input.m_aiKeyTable[i] != 0)
        {
            codes.insert(input.m_aiKeyTable[i]);
        }
    }
    ASSERT_EQ(codes.size(), 101u);
    for (int32_t iCode = 1; iCode <= 101; ++iCode)
    {
        EXPECT_EQ(codes.count(iCode), 1u) << iCode;
    }
}

TEST(InputTest, KeyEventsKeepTheModifiers)
{
    QIRN_Input_DX8 input;
    input.m_aoKeyboardData[0] = Datum(DIK_LSHIFT, DOWN);
    input.m_aoKeyboardData[1] = Datum(DIK_RCONTROL, DOWN);
    input.m_aoKeyboardData[2] = Datum(DIK_RMENU, DOWN);
    input.m_aoKeyboardData[3] = Datum(DIK_LSHIFT, UP);
    input.m_aoKeyboardData[4] = Datum(DIK_LWIN, DOWN);
    input.m_aoKeyboardData[31] = Datum(DIK_A, DOWN);

    EXPECT_EQ(input.TranslateKey(0), 75);
    EXPECT_TRUE(input.IsKeyPressed(0));
    EXPECT_TRUE(input.IsShiftDown());
    EXPECT_EQ(input.TranslateKey(1), 96);
    EXPECT_TRUE(input.IsCtrlDown());
    EXPECT_EQ(input.TranslateKey(2), 95);
    EXPECT_TRUE(input.IsAltDown());
    EXPECT_EQ(input.TranslateKey(3), 75);
    EXPECT_FALSE(input.IsKeyPressed(3));
    EXPECT_FALSE(input.IsShiftDown());
    EXPECT_EQ(input.TranslateKey(4), 0);
    EXPECT_EQ(input.TranslateKey(31), 60);
    EXPECT_EQ(input.TranslateKey(32), 0);
    EXPECT_FALSE(input.IsKeyPressed(32));
}

TEST(InputTest, MouseEventsKeepMovementAndButtons)
{
    QIRN_Input_DX8 input;
    input.m_aoMouseData[0] = Datum(DIMOFS_X, 3);
    input.m_aoMouseData[1] = Datum(DIMOFS_X, 5);
    input.m_aoMouseData[2] = Datum(DIMOFS_Y, static_cast<DWORD>(-7));
    input.m_aoMouseData[3] = Datum(DIMOFS_Z, 120);
    input.m_aoMouseData[4] = Datum(DIMOFS_BUTTON0, DOWN);
    input.m_aoMouseData[5] = Datum(DIMOFS_BUTTON3, DOWN);
    input.m_aoMouseData[6] = Datum(DIMOFS_BUTTON0, UP);
    input.m_aoMouseData[7] = Datum(DIMOFS_BUTTON3 + 1, DOWN);

    const int32_t kinds[] = {1, 1, 2, 3, 4, 7, 4, 0};
    for (uint32_t i = 0; i < 8; ++i)
    {
        EXPECT_EQ(input.TranslateMouse(i), kinds[i]) << i;
    }
    EXPECT_EQ(input.GetMouseDeltaX(), 5);
    EXPECT_EQ(input.GetMouseDeltaY(), -7);
    EXPECT_EQ(input.GetMouseDeltaZ(), 120);
    EXPECT_FALSE(input.IsMouseButtonDown0());
    EXPECT_TRUE(input.IsMouseButtonDown3());
    EXPECT_EQ(input.TranslateMouse(128), 0);
}

TEST(InputTest, UpdateReadsBufferedDeviceData)
{
    FakeInputDevice keyboard({Datum(DIK_W, DOWN), Datum(DIK_W, UP)});
    FakeInputDevice mouse({Datum(DIMOFS_X, 4)});
    QIRN_Input_DX8 input;
    input.m_pKeyboard = &keyboard;
    input.m_pMouse = &mouse;
    input.m_iMouseDeltaX = 9;

    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.GetNumKeyboardEvents(), 2u);
    EXPECT_EQ(input.GetNumMouseEvents(), 1u);
    EXPECT_EQ(input.GetMouseDeltaX(), 0);
    EXPECT_EQ(input.TranslateKey(0), 40);
    EXPECT_EQ(keyboard.m_dwAskedCount, QIRN_KEYBOARD_BUFFER);
    EXPECT_EQ(mouse.m_dwAskedCount, QIRN_MOUSE_BUFFER);
    EXPECT_EQ(keyboard.m_dwAskedSize, sizeof(DIDEVICEOBJECTDATA));

    // An overflowed buffer still delivers what it read.
    keyboard.Queue({Datum(DIK_S, DOWN)}, DI_BUFFEROVERFLOW);
    mouse.Queue({Datum(DIMOFS_Y, 2), Datum(DIMOFS_X, 1)}, DI_BUFFEROVERFLOW);
    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.GetNumKeyboardEvents(), 1u);
    EXPECT_EQ(input.GetNumMouseEvents(), 2u);
    EXPECT_EQ(input.TranslateKey(0), 61);

    // Without a mouse the keyboard alone answers.
    input.m_pMouse = nullptr;
    keyboard.Queue({Datum(DIK_D, DOWN)}, DI_OK);
    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.GetNumKeyboardEvents(), 1u);
    EXPECT_EQ(input.GetNumMouseEvents(), 0u);
    input.m_pKeyboard = nullptr;
}

TEST(InputTest, FailedReadsDropInputAndAcquireAgain)
{
    FakeInputDevice keyboard({Datum(DIK_W, DOWN)});
    FakeInputDevice mouse({Datum(DIMOFS_X, 4)});
    QIRN_Input_DX8 input;
    input.m_pKeyboard = &keyboard;
    input.m_pMouse = &mouse;

    // A lost keyboard that acquires again goes on with the mouse.
    keyboard.m_hrRead = DIERR_INPUTLOST;
    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.GetNumKeyboardEvents(), 0u);
    EXPECT_EQ(input.GetNumMouseEvents(), 1u);
    EXPECT_EQ(keyboard.m_iAcquires, 1);

    // A lost mouse fails the frame, whether or not it acquires again.
    keyboard.m_hrRead = DI_OK;
    mouse.m_hrRead = DIERR_NOTACQUIRED;
    EXPECT_EQ(input.Update(), INPUT_GENERICERROR);
    EXPECT_EQ(input.GetNumMouseEvents(), 0u);
    EXPECT_EQ(mouse.m_iAcquires, 1);
    input.m_pKeyboard = nullptr;
    input.m_pMouse = nullptr;
}

TEST(InputTest, DeviceThatCannotBeAcquiredIsCreatedAgain)
{
    qirn_test::LogCapture log;
    FakeInputDevice keyboard({});
    keyboard.m_hrRead = DIERR_INPUTLOST;
    keyboard.m_hrAcquire = DIERR_OTHERAPPHASPRIO;
    QIRN_Input_DX8 input;
    input.m_oParams.m_iAPI = QIRN_INPUT_DX8;
    input.m_oParams.m_bKeyboard = true;
    input.m_pKeyboard = &keyboard;
    // A window that no longer exists: the new devices cannot be set up either.
    input.m_hWnd = reinterpret_cast<HWND>(static_cast<uintptr_t>(0xDEAD0));

    EXPECT_EQ(input.Update(), INPUT_GENERICERROR);
    EXPECT_EQ(keyboard.m_iUnacquires, 1);
    EXPECT_EQ(keyboard.m_iReleases, 1);
    EXPECT_NE(input.m_pKeyboard, &keyboard);
    EXPECT_TRUE(log.Contains("*** QIRN_Input_DX8::Init() - m_pKeyboard->SetCooperativeLevel() FAILED\n"));
}

TEST(InputTest, InitChecksItsArguments)
{
    qirn_test::LogCapture log;
    QIRN_Input_DX8 input;
    EXPECT_EQ(input.Init(nullptr, nullptr, nullptr), INVALIDPARAMS);
    EXPECT_TRUE(log.Contains("*** QIRN_Input_DX8::Init() - pParams is NULL\n"));
    QIRN_InputParams oParams;
    oParams.m_iAPI = QIRN_INPUT_DX8;
    EXPECT_EQ(input.Init(nullptr, &oParams, nullptr), OK);
    EXPECT_NE(input.m_pDi, nullptr);
    EXPECT_EQ(input.m_pKeyboard, nullptr);
    EXPECT_EQ(input.Init(nullptr, &oParams, nullptr), INPUT_ALREADYINITIALIZED);
    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.Shutdown(), OK);
    EXPECT_EQ(input.m_pDi, nullptr);
}
