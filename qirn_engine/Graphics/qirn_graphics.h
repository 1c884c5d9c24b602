#pragma once
// QIRN_Graphics: the interface through which the engine, the actors, the console, the fonts and
// the shader constants reach a renderer. The base holds what every renderer shares: the frame
// limiter and frame statistics, the font cache with the default text path, the view matrix
// handed to actors and the device-information record. The slot order of the virtual operations
// is fixed; renderers add their own slots after the destructor.

#include "qirn_binarytree.h"
#include "qirn_deviceinfo.h"
#include "qirn_errors.h"
#include "qirn_font.h"
#include "qirn_linkedlist.h"
#include "qirn_math.h"
#include "qirn_pixelformat.h"

#include <windows.h>

#include <cstdint>
#include <string>

class QIRN_Bitmap;
class QIRN_CameraActor;
class QIRN_Engine;
class QIRN_Geometry;
class QIRN_GraphicsParams;
class QIRN_LightActor;
class QIRN_MeshData;
class QIRN_RenderTarget;
class QIRN_Shader;
class QIRN_ShaderPass;
class QIRN_World;
class QIRN_Graphics;

// Hooks the engine calls around RenderFrame with (graphics, world, camera, 0); non-zero aborts
// the render step.
typedef QIRN_ErrorCode (*QIRN_RenderFrameHook)(QIRN_Graphics* pGraphics, QIRN_World* pWorld,
                                               QIRN_CameraActor* pCamera, uint32_t dwReserved);

// Reads the frame-rate lock (frames per second, 0 or less for none) of the console of an engine;
// false when the engine has no console.
typedef bool (*QIRN_FrameRateLockSource)(QIRN_Engine* pEngine, int32_t* piFrameRateLock);

// The default face of DrawText.
extern const char* const QIRN_DEFAULT_FONT_FACE;
const int QIRN_DEFAULT_FONT_POINTS = 10;

class QIRN_Graphics
{
public:
    explicit QIRN_Graphics(QIRN_Engine* pEngine = nullptr);

    QIRN_Graphics(const QIRN_Graphics&) = delete;
    QIRN_Graphics& operator=(const QIRN_Graphics&) = delete;

    // 0
    virtual QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>* pLightList, uint32_t dwAmbient) = 0;
    // 1: a new font of the implementation, or NULL when it has none.
    virtual QIRN_Font* CreateFont() = 0;
    // 2
    virtual QIRN_ErrorCode ConvertTexture(QIRN_Bitmap* pBitmap, int iTextureType) = 0;
    // 3
    virtual QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget* pRenderTarget) = 0;
    // 4
    virtual QIRN_ErrorCode LoadMesh(QIRN_MeshData* pMeshData, int iShaderIndex) = 0;
    // 5
    virtual QIRN_ErrorCode RenderMesh(QIRN_MeshData* pMeshData, int iShaderIndex, int iPass) = 0;
    // 6: the third argument is not used.
    virtual QIRN_ErrorCode SetShader(QIRN_Shader* pShader, int iPass, uint32_t dwUnused) = 0;
    // 7
    virtual QIRN_ErrorCode LoadShader(QIRN_Shader* pShader) = 0;
    // 8
    virtual QIRN_ErrorCode ReloadShader(QIRN_Shader* pShader) = 0;
    // 9
    virtual QIRN_ErrorCode RemoveShader(std::string szName) = 0;
    // 10
    virtual QIRN_ErrorCode SetVertexShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                                    uint32_t dwRegisterCount) = 0;
    // 11
    virtual QIRN_ErrorCode SetPixelShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                                   uint32_t dwRegisterCount) = 0;
    // 12
    virtual QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass* pPass, std::string szFileName) = 0;
    // 13
    virtual QIRN_ErrorCode ValidatePixelShader(std::string szFileName) = 0;
    // 14
    virtual QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass* pPass, std::string szFileName) = 0;
    // 15
    virtual QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass* pPass, std::string szFileName) = 0;
    // 16
    virtual QIRN_ErrorCode LoadGeometry(QIRN_Geometry* pGeometry) = 0;
    // 17
    virtual QIRN_ErrorCode RenderGeometry(QIRN_Geometry* pGeometry, QIRN_CameraActor* pCamera, int iPass) = 0;
    // 18
    virtual QIRN_ErrorCode GetNumAdapters(int* piCount) = 0;
    // 19: creates and fills m_poDeviceInfo on the first call, then hands out the same record.
    virtual QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t dwAdapter, QIRN_DeviceInfo** ppInfo) = 0;
    // 20
    virtual QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd) = 0;
    // 21: QIRN_DeviceInfo::HasDisplayMode is the shared search.
    virtual bool IsValidDisplayMode(uint32_t dwAdapter, uint32_t dwWidth, uint32_t dwHeight,
                                    QIRN_PixelFormat eFormat, uint32_t dwRefreshRate) = 0;
    // 22: GRAPHICS_NOTINITIALIZED when the device is lost.
    virtual QIRN_ErrorCode RenderFrame(QIRN_World* pWorld, QIRN_CameraActor* pCamera, bool bRenderTarget) = 0;
    // 23
    virtual QIRN_ErrorCode PresentFrame() = 0;
    // 24: sets m_pCamera.
    virtual QIRN_ErrorCode RenderWorld(QIRN_World* pWorld, QIRN_CameraActor* pCamera, int iPass,
                                       bool bRenderTarget) = 0;
    // 25
    virtual QIRN_ErrorCode UpdateRenderTargets(QIRN_World* pWorld, QIRN_CameraActor* pCamera) = 0;
    // 26
    virtual QIRN_ErrorCode GetViewMatrix(QIRN_Matrix4* pDest);
    // 27
    virtual QIRN_ErrorCode ScreenDump(const char* szFileName) = 0;
    // 28
    virtual QIRN_ErrorCode DrawPixel(int x, int y, uint32_t dwColor);
    // 29
    virtual QIRN_ErrorCode UpdateShaders(float fTimeStep) = 0;
    // 30: finds or makes the font of that face, size and style (bit 0 bold, bit 1 italic); 0 or 1.
    virtual QIRN_ErrorCode SetFont(std::string szFace, int iPoints, int iStyle);
    // 31
    virtual QIRN_ErrorCode ClientDrawText(std::string szText, float x, float y, uint32_t dwColor,
                                          uint32_t dwFlags);
    // 32
    virtual QIRN_ErrorCode ReleaseResources() = 0;
    // 33
    virtual QIRN_ErrorCode RenameShader(std::string szOldName, std::string szNewName) = 0;
    // 34: deletes the fonts. The implementation's destructor frees m_poDeviceInfo.
    virtual ~QIRN_Graphics();

    // The frame limiter: false when this frame comes too early for the console's frame-rate lock.
    // RenderFrame stores the current time in m_dCurrentTime before it asks.
    bool TimeToRender();
    // Frame statistics over windows of m_dwWindowSize frames; run after TimeToRender said yes.
    void UpdateFrameStats();
    // Draws with the current font, choosing the default one when there is none.
    QIRN_ErrorCode DrawText(std::string szText, float x, float y, uint32_t dwColor, uint32_t dwFlags);
    // Pixel height of a glyph of the current font; 0 without a font.
    uint32_t GetCharHeight(unsigned char c) const;
    uint32_t GetBackBufferWidth() const;
    uint32_t GetBackBufferHeight() const;

    // Where TimeToRender reads the console's frame-rate lock; NULL (the start) leaves the lock as
    // it stands, as for an engine without a console. The engine installs its reader.
    static void SetFrameRateLockSource(QIRN_FrameRateLockSource pfnSource);

    QIRN_Engine* m_pEngine;
    QIRN_DeviceInfo* m_poDeviceInfo;
    QIRN_CameraActor* m_pCamera;
    QIRN_CameraActor* m_pFrustumCamera;
    QIRN_Matrix4 m_oViewMatrix;
    QIRN_Matrix4 m_oProjectionMatrix;
    QIRN_BINARYTREE<QIRN_Font> m_oFontTree;
    QIRN_Font* m_poFont;
    int32_t m_iNumWorldPasses;
    double m_dFrameRate;
    double m_dAverageFrameRate;
    double m_dMaxFrameRate;
    double m_dMinFrameRate;
    double m_dTotalTime;
    uint32_t m_dwTotalFrames;
    uint32_t m_dwResyncCount;
    uint32_t m_dwFrameRateLock;
    double m_dFramePeriod;
    double m_dNextFrameTime;
    double m_dCurrentTime;
    double m_dLastFrameTime;
    double m_dWindowTime;
    uint32_t m_dwWindowFrames;
    uint32_t m_dwWindowSize;
    uint8_t m_bLowResTextures;
    QIRN_RenderFrameHook m_pfnPreRenderFrame;
    QIRN_RenderFrameHook m_pfnPostRenderFrame;

private:
    // Makes, binds and fills a new font under szKey; m_poFont is the font, or NULL on failure.
    QIRN_ErrorCode MakeFont(const std::string& szKey, const std::string& szFace, int iPoints, int iStyle);
    void DropFailedFont(const std::string& szFace);
};
