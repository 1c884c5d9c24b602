#include "qirn_input_dx8.h"

#include "qirn_debug.h"

#include <cstring>

namespace
{
struct KeyCode
{
    int32_t iCode;
    uint32_t dwScanCode;
};

// Engine key codes run row by row over a PC keyboard; the Windows and application keys have none.
const KeyCode KEY_CODES[] = {
    {1, DIK_ESCAPE},       {2, DIK_F1},        {3, DIK_F2},       {4, DIK_F3},         {5, DIK_F4},
    {6, DIK_F5},           {7, DIK_F6},        {8, DIK_F7},       {9, DIK_F8},         {10, DIK_F9},
    {11, DIK_F10},         {12, DIK_F11},      {13, DIK_F12},     {14, DIK_SYSRQ},     {15, DIK_SCROLL},
    {16, DIK_PAUSE},       {17, DIK_GRAVE},    {18, DIK_1},       {19, DIK_2},         {20, DIK_3},
    {21, DIK_4},           {22, DIK_5},        {23, DIK_6},       {24, DIK_7},         {25, DIK_8},
    {26, DIK_9},           {27, DIK_0},        {28, DIK_MINUS},   {29, DIK_EQUALS},    {30, DIK_BACK},
    {31, DIK_INSERT},      {32, DIK_HOME},     {33, DIK_PRIOR},   {34, DIK_NUMLOCK},   {35, DIK_DIVIDE},
    {36, DIK_MULTIPLY},    {37, DIK_SUBTRACT}, {38, DIK_TAB},     {39, DIK_Q},         {40, DIK_W},
    {41, DIK_E},           {42, DIK_R},        {43, DIK_T},       {44, DIK_Y},         {45, DIK_U},
    {46, DIK_I},           {47, DIK_O},        {48, DIK_P},       {49, DIK_LBRACKET},  {50, DIK_RBRACKET},
    {51, DIK_BACKSLASH},   {52, DIK_DELETE},   {53, DIK_END},     {54, DIK_NEXT},      {55, DIK_NUMPAD7},
    {56, DIK_NUMPAD8},     {57, DIK_NUMPAD9},  {58, DIK_ADD},     {59, DIK_CAPITAL},   {60, DIK_A},
    {61, DIK_S},           {62, DIK_D},        {63, DIK_F},       {64, DIK_G},         {65, DIK_H},
    {66, DIK_J},           {67, DIK_K},        {68, DIK_L},       {69, DIK_SEMICOLON}, {70, DIK_APOSTROPHE},
    {71, DIK_RETURN},      {72, DIK_NUMPAD4},  {73, DIK_NUMPAD5}, {74, DIK_NUMPAD6},   {75, DIK_LSHIFT},
    {76, DIK_Z},           {77, DIK_X},        {78, DIK_C},       {79, DIK_V},         {80, DIK_B},
    {81, DIK_N},           {82, DIK_M},        {83, DIK_COMMA},   {84, DIK_PERIOD},    {85, DIK_SLASH},
    {86, DIK_RSHIFT},      {87, DIK_UP},       {88, DIK_NUMPAD1}, {89, DIK_NUMPAD2},   {90, DIK_NUMPAD3},
    {91, DIK_NUMPADENTER}, {92, DIK_LCONTROL}, {93, DIK_LMENU},   {94, DIK_SPACE},     {95, DIK_RMENU},
    {96, DIK_RCONTROL},    {97, DIK_LEFT},     {98, DIK_DOWN},    {99, DIK_RIGHT},     {100, DIK_NUMPAD0},
    {101, DIK_DECIMAL},
};

// Background and non-exclusive: the devices keep reporting while another window has the focus.
const DWORD COOPERATIVE_LEVEL = DISCL_BACKGROUND | DISCL_NONEXCLUSIVE;

bool IsDown(DWORD dwData)
{
    return (dwData & 0x80) != 0;
}

HRESULT SetBufferSize(IDirectInputDevice8A* pDevice, DWORD dwSize)
{
    DIPROPDWORD oProperty;
    memset(&oProperty, 0, sizeof(oProperty));
    oProperty.diph.dwSize = sizeof(DIPROPDWORD);
    oProperty.diph.dwHeaderSize = sizeof(DIPROPHEADER);
    oProperty.diph.dwObj = 0;
    oProperty.diph.dwHow = DIPH_DEVICE;
    oProperty.dwData = dwSize;
    return pDevice->SetProperty(DIPROP_BUFFERSIZE, &oProperty.diph);
}
} // namespace

QIRN_Input_DX8::QIRN_Input_DX8()
    : m_pOwner(nullptr), m_iMouseDeltaX(0), m_iMouseDeltaY(0), m_iMouseDeltaZ(0), m_abMouseButtons(),
      m_bShift(false), m_bCtrl(false), m_bAlt(false), m_dwNumKeyboardEvents(0), m_dwNumMouseEvents(0),
      m_hWnd(nullptr), m_pDi(nullptr), m_pKeyboard(nullptr), m_pMouse(nullptr)
{
    memset(m_aoKeyboardData, 0, sizeof(m_aoKeyboardData));
    memset(m_aoMouseData, 0, sizeof(m_aoMouseData));
    memset(m_aiKeyTable, 0, sizeof(m_aiKeyTable));
    for (const KeyCode& key : KEY_CODES)
    {
        m_aiKeyTable[key.dwScanCode] = key.iCode;
    }
}

QIRN_Input_DX8::~QIRN_Input_DX8()
{
    Shutdown();
}

QIRN_ErrorCode QIRN_Input_DX8::Init(QIRN_Engine* pOwner, QIRN_InputParams* pParams, HWND hWnd)
{
    m_pOwner = pOwner;
    m_hWnd = hWnd;
    if (m_pDi)
    {
        return INPUT_ALREADYINITIALIZED;
    }
    if (!pParams)
    {
        dprintf("*** QIRN_Input_DX8::Init() - pParams is NULL\n");
        return INVALIDPARAMS;
    }
    m_oParams = *pParams;
    if (FAILED(DirectInput8Create(GetModuleHandleA(nullptr), DIRECTINPUT_VERSION, IID_IDirectInput8A,
                                  reinterpret_cast<void**>(&m_pDi), nullptr)))
    {
        m_pDi = nullptr;
        dprintf("*** QIRN_Input_DX8::Init() - DirectInputCreate() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (m_oParams.m_bKeyboard && InitKeyboard() != OK)
    {
        return INPUT_INITFAILED;
    }
    if (m_oParams.m_bMouse && InitMouse() != OK)
    {
        return INPUT_INITFAILED;
    }
    if (m_pKeyboard && FAILED(m_pKeyboard->Acquire()))
    {
        dprintf("*** QIRN_Input_DX8:Init() - m_Keybord->Acquire() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (m_pMouse && FAILED(m_pMouse->Acquire()))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pMouse->Acquire() FAILED\n");
        return INPUT_INITFAILED;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Input_DX8::InitKeyboard()
{
    if (FAILED(m_pDi->CreateDevice(GUID_SysKeyboard, &m_pKeyboard, nullptr)))
    {
        m_pKeyboard = nullptr;
        return INPUT_INITFAILED;
    }
    if (FAILED(m_pKeyboard->SetDataFormat(&c_dfDIKeyboard)))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pKeyboard->SetDataFormat() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (FAILED(m_pKeyboard->SetCooperativeLevel(m_hWnd, COOPERATIVE_LEVEL)))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pKeyboard->SetCooperativeLevel() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (FAILED(SetBufferSize(m_pKeyboard, QIRN_KEYBOARD_BUFFER)))
    {
        return INPUT_INITFAILED;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Input_DX8::InitMouse()
{
    if (FAILED(m_pDi->CreateDevice(GUID_SysMouse, &m_pMouse, nullptr)))
    {
        m_pMouse = nullptr;
        return INPUT_INITFAILED;
    }
    if (FAILED(m_pMouse->SetDataFormat(&c_dfDIMouse)))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pMouse->SetDataFormat() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (FAILED(m_pMouse->SetCooperativeLevel(m_hWnd, COOPERATIVE_LEVEL)))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pMouse->SetCooperativeLevel() FAILED\n");
        return INPUT_INITFAILED;
    }
    if (FAILED(SetBufferSize(m_pMouse, QIRN_MOUSE_BUFFER)))
    {
        dprintf("*** QIRN_Input_DX8::Init() - m_pMouse->SetProperty() FAILED\n");
        return INPUT_INITFAILED;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Input_DX8::Shutdown()
{
    if (m_pKeyboard)
    {
        m_pKeyboard->Unacquire();
        m_pKeyboard->Release();
        m_pKeyboard = nullptr;
    }
    if (m_pMouse)
    {
        m_pMouse->Unacquire();
        m_pMouse->Release();
        m_pMouse = nullptr;
    }
    if (m_pDi)
    {
        m_pDi->Release();
        m_pDi = nullptr;
    }
    return OK;
}

HRESULT QIRN_Input_DX8::ReadDevice(IDirectInputDevice8A* pDevice, DIDEVICEOBJECTDATA* pData, uint32_t dwMax,
                                   uint32_t* pdwCount)
{
    DWORD dwCount = dwMax;
    HRESULT hr = pDevice->GetDeviceData(sizeof(DIDEVICEOBJECTDATA), pData, &dwCount, 0);
    // DI_BUFFEROVERFLOW is a success: the events read are good, only older ones were lost.
    *pdwCount = SUCCEEDED(hr) && dwCount <= dwMax ? static_cast<uint32_t>(dwCount) : 0;
    return hr;
}

QIRN_ErrorCode QIRN_Input_DX8::Recover(IDirectInputDevice8A* pDevice)
{
    if (SUCCEEDED(pDevice->Acquire()))
    {
        return OK;
    }
    // The device is gone for good: create everything again from the kept parameters.
    QIRN_InputParams oParams = m_oParams;
    Shutdown();
    return Init(m_pOwner, &oParams, m_hWnd) == OK ? OK : INPUT_GENERICERROR;
}

QIRN_ErrorCode QIRN_Input_DX8::Update()
{
    m_iMouseDeltaX = 0;
    m_iMouseDeltaY = 0;
    m_iMouseDeltaZ = 0;
    m_dwNumKeyboardEvents = 0;
    m_dwNumMouseEvents = 0;
    if (m_pKeyboard)
    {
        HRESULT hr = ReadDevice(m_pKeyboard, m_aoKeyboardData, QIRN_KEYBOARD_BUFFER, &m_dwNumKeyboardEvents);
        if (FAILED(hr) && Recover(m_pKeyboard) != OK)
        {
            return INPUT_GENERICERROR;
        }
    }
    if (!m_pMouse)
    {
        return OK;
    }
    HRESULT hr = ReadDevice(m_pMouse, m_aoMouseData, QIRN_MOUSE_BUFFER, &m_dwNumMouseEvents);
    if (SUCCEEDED(hr))
    {
        return OK;
    }
    Recover(m_pMouse);
    return INPUT_GENERICERROR;
}

int32_t QIRN_Input_DX8::GetKeyCode(uint32_t dwScanCode) const
{
    return dwScanCode < QIRN_KEYTABLE_SIZE ? m_aiKeyTable[dwScanCode] : 0;
}

int32_t QIRN_Input_DX8::TranslateKey(uint32_t dwIndex)
{
    if (dwIndex >= QIRN_KEYBOARD_BUFFER)
    {
        return 0;
    }
    const DIDEVICEOBJECTDATA& oData = m_aoKeyboardData[dwIndex];
    bool bDown = IsDown(oData.dwData);
    switch (oData.dwOfs)
    {
    case DIK_LCONTROL:
    case DIK_RCONTROL:
        m_bCtrl = bDown;
        break;
    case DIK_LSHIFT:
    case DIK_RSHIFT:
        m_bShift = bDown;
        break;
    case DIK_LMENU:
    case DIK_RMENU:
        m_bAlt = bDown;
        break;
    default:
        break;
    }
    return GetKeyCode(oData.dwOfs);
}

bool QIRN_Input_DX8::IsKeyPressed(uint32_t dwIndex)
{
    return dwIndex < QIRN_KEYBOARD_BUFFER && IsDown(m_aoKeyboardData[dwIndex].dwData);
}

int32_t QIRN_Input_DX8::TranslateMouse(uint32_t dwIndex)
{
    if (dwIndex >= QIRN_MOUSE_BUFFER)
    {
        return QIRN_MOUSE_NONE;
    }
    const DIDEVICEOBJECTDATA& oData = m_aoMouseData[dwIndex];
    // An axis event holds the movement since the previous one; the last of a fetch wins.
    switch (oData.dwOfs)
    {
    case DIMOFS_X:
        m_iMouseDeltaX = static_cast<int32_t>(oData.dwData);
        return QIRN_MOUSE_X;
    case DIMOFS_Y:
        m_iMouseDeltaY = static_cast<int32_t>(oData.dwData);
        return QIRN_MOUSE_Y;
    case DIMOFS_Z:
        m_iMouseDeltaZ = static_cast<int32_t>(oData.dwData);
        return QIRN_MOUSE_WHEEL;
    case DIMOFS_BUTTON0:
    case DIMOFS_BUTTON1:
    case DIMOFS_BUTTON2:
    case DIMOFS_BUTTON3:
    {
        uint32_t dwButton = oData.dwOfs - DIMOFS_BUTTON0;
        m_abMouseButtons[dwButton] = IsDown(oData.dwData);
        return QIRN_MOUSE_BUTTON0 + static_cast<int32_t>(dwButton);
    }
    default:
        return QIRN_MOUSE_NONE;
    }
}
