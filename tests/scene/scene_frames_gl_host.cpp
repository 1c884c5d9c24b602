// scene_frames_gl_host: draws the shipped scene through the OpenGL renderer at fixed world times
// and writes each frame as a BMP file, for the scene frame test to compare with its references.
// The client runs Direct3D 8 only; this host starts the engine as the client does, but with
// graphics kind 3 in a window of its own, no audio and no input.
//
//   scene_frames_gl_host.exe DATA SCENES OUT WIDTH HEIGHT NAME TIME CAMERA [NAME TIME CAMERA ...]
//
// DATA is the client's Data tree, SCENES a folder with the plain scene files, OUT where NAME.bmp
// goes. CAMERA "-" is the camera the client starts with (the first by name). The renderer swaps
// its buffers inside its frame, so the frame is read from the back buffer in the program's own
// import of SwapBuffers, just before the swap. Exit code 0 when every frame was written.

#include "importpatch.h"

#include "qirn_cameraactor.h"
#include "qirn_console.h"
#include "qirn_engine.h"
#include "qirn_engineparams.h"
#include "qirn_world.h"

#include <windows.h>
#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

namespace
{
const char* const WINDOW_CLASS = "QIRN_SCENEFRAMES";
const char* const SETTINGS_FILE = "scene_frames.ini";

int g_iWidth = 0;
int g_iHeight = 0;
std::vector<unsigned char> g_vFrame;

typedef BOOL(WINAPI* SwapBuffersFunction)(HDC);
SwapBuffersFunction g_pfnSwapBuffers = nullptr;

BOOL WINAPI ReadingSwapBuffers(HDC hDC)
{
    g_vFrame.assign(static_cast<size_t>(g_iWidth) * g_iHeight * 3, 0);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, g_iWidth, g_iHeight, GL_RGB, GL_UNSIGNED_BYTE, g_vFrame.data());
    return g_pfnSwapBuffers(hDC);
}

std::string FullPath(const std::string& strPath)
{
    char szFull[MAX_PATH * 2] = {};
    const DWORD dwLength = GetFullPathNameA(strPath.c_str(), sizeof(szFull), szFull, nullptr);
    return dwLength > 0 && dwLength < sizeof(szFull) ? std::string(szFull) : strPath;
}

// The client's settings, with every data folder in the Data tree and the scene folder given.
bool WriteSettings(const std::string& strData, const std::string& strScenes)
{
    FILE* pFile = fopen(SETTINGS_FILE, "w");
    if (!pFile)
    {
        return false;
    }
    const std::string d = FullPath(strData);
    fprintf(pFile, "[GFX MODE]\nWidth=%d\nHeight=%d\nFrequency=0\nAntiAliasing=0\n", g_iWidth, g_iHeight);
    fprintf(pFile, "[PATHS]\nEnginePath=.\nSystemPath=%s\\_System_\nFontPath=%s\\Fonts\n", d.c_str(), d.c_str());
    fprintf(pFile, "MeshPath=%s\\Models\nAnimationPath=%s\\Models\nScenePath=%s\n", d.c_str(), d.c_str(),
            FullPath(strScenes).c_str());
    fprintf(pFile, "SoundPath=%s\\Sounds\nLipSyncPath=%s\\Sounds\nTexturePath=%s\\Textures\n", d.c_str(), d.c_str(),
            d.c_str());
    fprintf(pFile, "ShaderPath=%s\\Shaders\nDigiMaskPath=%s\\Models\n", d.c_str(), d.c_str());
    fclose(pFile);
    return true;
}

bool WriteBmp(const std::string& strPath)
{
    // 24-bit rows, bottom row first as glReadPixels gives them, blue-green-red, padded to 4 bytes.
    const int iRow = (g_iWidth * 3 + 3) & ~3;
    const uint32_t dwImage = static_cast<uint32_t>(iRow * g_iHeight);
    BITMAPFILEHEADER oFile = {};
    oFile.bfType = 0x4D42;
    oFile.bfOffBits = sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER);
    oFile.bfSize = oFile.bfOffBits + dwImage;
    BITMAPINFOHEADER oInfo = {};
    oInfo.biSize = sizeof(oInfo);
    oInfo.biWidth = g_iWidth;
    oInfo.biHeight = g_iHeight;
    oInfo.biPlanes = 1;
    oInfo.biBitCount = 24;
    oInfo.biSizeImage = dwImage;
    std::vector<unsigned char> vRows(dwImage, 0);
    for (int y = 0; y < g_iHeight; ++y)
    {
        for (int x = 0; x < g_iWidth; ++x)
        {
            const unsigned char* p = &g_vFrame[(static_cast<size_t>(y) * g_iWidth + x) * 3];
            unsigned char* q = &vRows[static_cast<size_t>(y) * iRow + x * 3];
            q[0] = p[2];
            q[1] = p[1];
            q[2] = p[0];
        }
    }
    FILE* pFile = fopen(strPath.c_str(), "wb");
    if (!pFile)
    {
        return false;
    }
    const bool bOk = fwrite(&oFile, sizeof(oFile), 1, pFile) == 1 && fwrite(&oInfo, sizeof(oInfo), 1, pFile) == 1 &&
                     fwrite(vRows.data(), 1, vRows.size(), pFile) == vRows.size();
    return fclose(pFile) == 0 && bOk;
}

void PumpMessages()
{
    MSG oMsg;
    while (PeekMessageA(&oMsg, nullptr, 0, 0, PM_REMOVE))
    {
        TranslateMessage(&oMsg);
        DispatchMessageA(&oMsg);
    }
}

QIRN_CameraActor* FindCamera(QIRN_World* poWorld, const std::string& strName)
{
    QIRN_LINKEDLIST<QIRN_CameraActor>* poCameras = poWorld->GetCameraActorList();
    for (auto* poNode = poCameras ? poCameras->m_pHead : nullptr; poNode; poNode = poNode->m_pNext)
    {
        if (poNode->m_pData && (strName == "-" || poNode->m_pData->GetName() == strName))
        {
            return poNode->m_pData;
        }
    }
    return nullptr;
}

int Run(int argc, char** argv)
{
    if (argc < 9 || (argc - 6) % 3 != 0)
    {
        fprintf(stderr, "usage: scene_frames_gl_host.exe DATA SCENES OUT WIDTH HEIGHT NAME TIME CAMERA ...\n");
        return 2;
    }
    const std::string strData = argv[1], strScenes = argv[2], strOut = argv[3];
    g_iWidth = atoi(argv[4]);
    g_iHeight = atoi(argv[5]);
    if (g_iWidth <= 0 || g_iHeight <= 0 || !WriteSettings(strData, strScenes))
    {
        fprintf(stderr, "scene frames: bad size or settings file not written\n");
        return 2;
    }

    WNDCLASSA oClass = {};
    oClass.style = CS_OWNDC;
    oClass.lpfnWndProc = DefWindowProcA;
    oClass.hInstance = GetModuleHandleA(nullptr);
    oClass.lpszClassName = WINDOW_CLASS;
    RegisterClassA(&oClass);
    // A popup: its client area is the whole size.
    HWND hWnd = CreateWindowExA(0, WINDOW_CLASS, "scene frames", WS_POPUP | WS_VISIBLE, 0, 0, g_iWidth, g_iHeight,
                                nullptr, nullptr, oClass.hInstance, nullptr);
    if (!hWnd)
    {
        fprintf(stderr, "scene frames: no window\n");
        return 1;
    }
    PumpMessages();

    auto poEngine = std::make_unique<QIRN_Engine>();
    QIRN_Engine& oEngine = *poEngine;
    QIRN_EngineParams oEngineParams;
    oEngineParams.m_strIniFile = std::string(".\\") + SETTINGS_FILE;
    oEngineParams.m_hWnd = hWnd;
    QIRN_GraphicsParams oParams;
    oParams.m_iAPI = QIRN_GRAPHICS_OPENGL;
    oParams.m_iWidth = g_iWidth;
    oParams.m_iHeight = g_iHeight;
    oParams.m_iBackBufferFormat = 22;
    oParams.m_iBackBufferCount = 1;
    oParams.m_iDepthStencilFormat = 75;
    oParams.m_iDeviceType = 1;
    oParams.m_dwVertexProcessing = 128;
    oParams.m_bWindowed = true;
    oParams.m_bZBuffer = true;
    if (oEngine.Initialize(oEngineParams) != OK || oEngine.InitGraphics(&oParams) != OK ||
        oEngine.InitConsole(&oParams) != OK || !oEngine.GetConsole())
    {
        fprintf(stderr, "scene frames: the engine, the OpenGL renderer or the console did not start\n");
        return 1;
    }
    // Every frame drawn: no frame limiter.
    oEngine.GetConsole()->m_iFpsLock = 0;
    if (!PatchImport("gdi32.dll", "SwapBuffers", reinterpret_cast<void*>(&ReadingSwapBuffers),
                     reinterpret_cast<void**>(&g_pfnSwapBuffers)))
    {
        fprintf(stderr, "scene frames: the program does not import SwapBuffers\n");
        return 1;
    }
    const std::string strWorld = FullPath(strScenes) + "\\AmbrevoFull.w";
    if (oEngine.LoadWorld(nullptr, strWorld) != OK || !oEngine.GetWorld())
    {
        fprintf(stderr, "scene frames: the world %s did not load\n", strWorld.c_str());
        return 1;
    }
    QIRN_World* poWorld = oEngine.GetWorld();
    int iResult = 0;
    for (int i = 6; i + 2 < argc; i += 3)
    {
        const std::string strName = argv[i], strCamera = argv[i + 2];
        const float fTime = static_cast<float>(atof(argv[i + 1]));
        QIRN_CameraActor* poCamera = FindCamera(poWorld, strCamera);
        if (!poCamera)
        {
            fprintf(stderr, "scene frames: %s: no camera %s\n", strName.c_str(), strCamera.c_str());
            iResult = 1;
            continue;
        }
        // As the client starts a world at a set time: the time set and updated with no step, three
        // times, so that followers and relationships settle on where their leaders are, then the
        // engine's update of its first frame, also with no step.
        for (int k = 0; k < 3; ++k)
        {
            poWorld->SetWorldTime(fTime);
            poWorld->UpdateWorld(0.0f);
        }
        oEngine.Update(0.0f, false);
        g_vFrame.clear();
        const bool bDrawn = oEngine.Render(0, poCamera) == OK && oEngine.Present(0) == OK && !g_vFrame.empty();
        PumpMessages();
        const std::string strFile = strOut + "\\" + strName + ".bmp";
        if (!bDrawn || !WriteBmp(strFile))
        {
            fprintf(stderr, "scene frames: %s: the frame was not drawn or not written to %s\n", strName.c_str(),
                    strFile.c_str());
            iResult = 1;
            continue;
        }
        printf("scene frames: %s at %.2f s through %s: %s\n", strName.c_str(), fTime, poCamera->GetName().c_str(),
               strFile.c_str());
    }
    // The renderer lets go of its context before its window goes.
    poEngine.reset();
    DestroyWindow(hWnd);
    return iResult;
}
} // namespace

int main(int argc, char** argv)
{
    const int iResult = Run(argc, argv);
    fflush(stdout);
    return iResult;
}
