// DirectInput 8 itself: the devices are made on a real window of the test display and read a key
// that xdotool types into it.

#include "qirn_input_dx8.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <windows.h>

#include <string>

namespace
{
const char* const WINDOW_TITLE = "QIRN input device test";

LRESULT CALLBACK WindowProc(HWND hWnd, UINT uMessage, WPARAM wParam, LPARAM lParam)
{
    return DefWindowProcA(hWnd, uMessage, wParam, lParam);
}

void PumpMessages()
{
    MSG oMessage;
    while (PeekMessageA(&oMessage, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&oMessage);
        DispatchMessageA(&oMessage);
    }
}

class TestWindow
{
public:
    TestWindow()
    {
        WNDCLASSA oClass = {};
        oClass.lpfnWndProc = WindowProc;
        oClass.hInstance = GetModuleHandleA(nullptr);
        oClass.lpszClassName = "QIRNInputTest";
        RegisterClassA(&oClass);
        m_hWnd = CreateWindowA("QIRNInputTest", WINDOW_TITLE, WS_OVERLAPPEDWINDOW | WS_VISIBLE, 100, 100, 320,
                               240, nullptr, nullptr, oClass.hInstance, nullptr);
        if (m_hWnd)
        {
            ShowWindow(m_hWnd, SW_SHOW);
            SetForegroundWindow(m_hWnd);
            PumpMessages();
        }
    }
    ~TestWindow()
    {
        if (m_hWnd)
        {
            DestroyWindow(m_hWnd);
        }
    }

    HWND m_hWnd = nullptr;
};

// Starts a program of the host (wine runs Unix programs given by their path) and waits for it.
bool RunHostProgram(const std::string& strCommand)
{
    STARTUPINFOA oStartup = {};
    oStartup.cb = sizeof(oStartup);
    PROCESS_INFORMATION oProcess = {};
    std::string strLine = strCommand;
    if (!CreateProcessA(nullptr, &strLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &oStartup,
                        &oProcess))
    {
        return false;
    }
    WaitForSingleObject(oProcess.hProcess, 10000);
    CloseHandle(oProcess.hThread);
    CloseHandle(oProcess.hProcess);
    return true;
}

// Polls the devices for up to two seconds until a W press arrives.
bool WaitForKeyW(QIRN_Input_DX8& input)
{
    for (int i = 0; i < 100; ++i)
    {
        PumpMessages();
        if (input.Update() == OK)
        {
            for (uint32_t j = 0; j < input.GetNumKeyboardEvents(); ++j)
            {
                if (input.TranslateKey(j) == 40 && input.IsKeyPressed(j))
                {
                    return true;
                }
            }
        }
        Sleep(20);
    }
    return false;
}
} // namespace

TEST(InputDeviceTest, ReadsAKeyTypedOnTheDisplay)
{
    qirn_test::LogCapture log;
    TestWindow window;
    ASSERT_NE(window.m_hWnd, nullptr);
    QIRN_InputParams oParams;
    oParams.m_iAPI = QIRN_INPUT_DX8;
    oParams.m_bKeyboard = true;
    oParams.m_bMouse = true;
    QIRN_Input_DX8 input;
    ASSERT_EQ(input.Init(nullptr, &oParams, window.m_hWnd), OK) << log.All();
    ASSERT_NE(input.m_pKeyboard, nullptr);
    ASSERT_NE(input.m_pMouse, nullptr);
    EXPECT_EQ(input.Update(), OK);

    // Other test programs may open windows on the same display: focus and type again if needed.
    bool bSeen = false;
    for (int iTry = 0; iTry < 3 && !bSeen; ++iTry)
    {
        ASSERT_TRUE(RunHostProgram(std::string("/usr/bin/xdotool search --sync --name \"") + WINDOW_TITLE +
                                   "\" windowfocus --sync mousemove --window %1 40 40 key w"));
        bSeen = WaitForKeyW(input);
    }
    EXPECT_TRUE(bSeen);

    // A device that lost its acquisition fails one frame and is acquired again for the next.
    input.m_pMouse->Unacquire();
    EXPECT_EQ(input.Update(), INPUT_GENERICERROR);
    EXPECT_EQ(input.Update(), OK);
    EXPECT_EQ(input.Shutdown(), OK);
    EXPECT_EQ(input.m_pDi, nullptr);
}
