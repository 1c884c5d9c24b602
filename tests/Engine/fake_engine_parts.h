#pragma once
// Fakes of the parts an engine gets from its factory (graphics, console, audio, input).
// Each writes what it is asked into one journal, so a test can check the order of calls.

#include "qirn_audio.h"
#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_graphics.h"
#include "qirn_input.h"

#include <deque>
#include <string>
#include <vector>

namespace engine_test
{
// How the next parts answer, and the journal of what they were asked. One set per test.
struct FakeParts
{
    FakeParts();
    ~FakeParts();

    QIRN_EngineFactory Factory() const;
    void Note(const std::string& strCall) { vJournal.push_back(strCall); }
    // The journal entries that start with a prefix, in order.
    std::vector<std::string> Calls(const std::string& strPrefix) const;

    std::vector<std::string> vJournal;
    int iGraphicsMade = 0;

    // Graphics made from now on.
    bool bMakeGraphics = true;
    QIRN_ErrorCode eDeviceInfo = OK;
    bool bValidMode = true;
    QIRN_ErrorCode eRenderingParams = OK;
    // RenderFrame answers, front first; OK once used up.
    std::deque<QIRN_ErrorCode> dFrameResults;

    bool bMakeAudio = true;
    QIRN_ErrorCode eAudioInit = OK;

    bool bMakeInput = true;
    QIRN_ErrorCode eInputUpdate = OK;
    // What the input delivers on each Update: scan codes with their down state, mouse kinds with values.
    std::vector<std::pair<int32_t, bool>> vKeys;
    std::vector<std::pair<int32_t, int32_t>> vMouse;

    static FakeParts* s_pCurrent;
};

class FakeGraphics : public QIRN_Graphics
{
public:
    FakeGraphics(QIRN_Engine* pEngine, int iNumber);
    ~FakeGraphics() override;

    QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>*, uint32_t) override { return OK; }
    QIRN_Font* CreateFont() override { return nullptr; }
    QIRN_ErrorCode ConvertTexture(QIRN_Bitmap*, int) override { return OK; }
    QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget*) override { return OK; }
    QIRN_ErrorCode LoadMesh(QIRN_MeshData*, int) override { return OK; }
    QIRN_ErrorCode RenderMesh(QIRN_MeshData*, int, int) override { return OK; }
    QIRN_ErrorCode SetShader(QIRN_Shader*, int, uint32_t) override { return OK; }
    QIRN_ErrorCode LoadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode ReloadShader(QIRN_Shader*) override { return OK; }
    QIRN_ErrorCode RemoveShader(std::string) override { return OK; }
    QIRN_ErrorCode SetVertexShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode SetPixelShaderConstants(uint32_t, const float*, uint32_t) override { return OK; }
    QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ValidatePixelShader(std::string) override { return OK; }
    QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass*, std::string) override { return OK; }
    QIRN_ErrorCode LoadGeometry(QIRN_Geometry*) override { return OK; }
    QIRN_ErrorCode RenderGeometry(QIRN_Geometry*, QIRN_CameraActor*, int) override { return OK; }
    QIRN_ErrorCode GetNumAdapters(int* piCount) override;
    QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t dwAdapter, QIRN_DeviceInfo** ppInfo) override;
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd) override;
    bool IsValidDisplayMode(uint32_t dwAdapter, uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                            uint32_t dwRefreshRate) override;
    QIRN_ErrorCode RenderFrame(QIRN_World* pWorld, QIRN_CameraActor* pCamera, bool bRenderTarget) override;
    QIRN_ErrorCode PresentFrame() override;
    QIRN_ErrorCode RenderWorld(QIRN_World*, QIRN_CameraActor*, int, bool) override { return OK; }
    QIRN_ErrorCode UpdateRenderTargets(QIRN_World* pWorld, QIRN_CameraActor* pCamera) override;
    QIRN_ErrorCode ScreenDump(const char*) override { return OK; }
    QIRN_ErrorCode UpdateShaders(float fTimeStep) override;
    QIRN_ErrorCode ReleaseResources() override;
    QIRN_ErrorCode RenameShader(std::string, std::string) override { return OK; }

    std::string Name() const;

    int m_iNumber;
    QIRN_GraphicsParams m_oParams;
    QIRN_World* m_pFrameWorld = nullptr;
};

class FakeConsole : public QIRN_Console
{
public:
    explicit FakeConsole(QIRN_Engine* pEngine, QIRN_Graphics* pGraphics);
    ~FakeConsole() override;
    void SetGraphics(QIRN_Graphics* pGraphics) override;
    void ReleaseResources() override;

    QIRN_Graphics* m_pGraphics;
};

class FakeAudio : public QIRN_Audio
{
public:
    ~FakeAudio() override;
    QIRN_ErrorCode Init() override;
    QIRN_ErrorCode Shutdown() override { return OK; }
    QIRN_ErrorCode PlaySound(std::string) override { return OK; }
    QIRN_ErrorCode SetPlayCursor(std::string, float) override { return OK; }
    QIRN_ErrorCode StopSound(std::string) override { return OK; }
    QIRN_ErrorCode LoadSound(std::string, bool, bool) override { return OK; }
    QIRN_ErrorCode RemoveSound(std::string) override { return OK; }
    QIRN_ErrorCode GetSoundStatus(std::string, bool*, float*) override { return OK; }
    QIRN_ErrorCode AdjustSound(std::string, int32_t, uint32_t, int32_t) override { return OK; }
    void StopResetAllStreams() override {}
    void Update(bool bPlay) override;
    QIRN_SndObj* GetSoundProps(std::string) override { return nullptr; }
    QIRN_WmaSndObj* GetSoundPropsWma(std::string) override { return nullptr; }
};

// Delivers the keys and mouse events of its FakeParts on every Update.
class FakeInput : public QIRN_Input
{
public:
    ~FakeInput() override;
    QIRN_ErrorCode Init(QIRN_Engine* pOwner, QIRN_InputParams* pParams, HWND hWnd) override;
    QIRN_ErrorCode Shutdown() override { return OK; }
    QIRN_ErrorCode Update() override;
    int32_t TranslateKey(uint32_t dwIndex) override;
    bool IsKeyPressed(uint32_t dwIndex) override;
    int32_t TranslateMouse(uint32_t dwIndex) override;
    int32_t GetMouseDeltaX() override { return m_iDelta[0]; }
    int32_t GetMouseDeltaY() override { return m_iDelta[1]; }
    int32_t GetMouseDeltaZ() override { return m_iDelta[2]; }
    bool IsMouseButtonDown0() override { return m_bButton[0]; }
    bool IsMouseButtonDown1() override { return m_bButton[1]; }
    bool IsMouseButtonDown2() override { return m_bButton[2]; }
    bool IsMouseButtonDown3() override { return m_bButton[3]; }
    bool IsShiftDown() override { return false; }
    bool IsCtrlDown() override { return false; }
    bool IsAltDown() override { return false; }
    uint32_t GetNumKeyboardEvents() const override { return static_cast<uint32_t>(m_vKeys.size()); }
    uint32_t GetNumMouseEvents() const override { return static_cast<uint32_t>(m_vMouse.size()); }

    std::vector<std::pair<int32_t, bool>> m_vKeys;
    std::vector<std::pair<int32_t, int32_t>> m_vMouse;
    int32_t m_iDelta[3] = {0, 0, 0};
    bool m_bButton[4] = {false, false, false, false};
};
} // namespace engine_test
