#include "qirn_graphics_gl.h"

#include "qirn_cameraactor.h"
#include "qirn_debug.h"
#include "qirn_engine.h"
#include "qirn_engineparams.h"
#include "qirn_extensions_gl.h"
#include "qirn_geometry.h"
#include "qirn_lightactor.h"
#include "qirn_lipsyncactor.h"
#include "qirn_logoactor.h"
#include "qirn_meshactor.h"
#include "qirn_meshdata.h"
#include "qirn_render_states_gl.h"
#include "qirn_timer.h"
#include "qirn_world.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>

namespace
{
// The spot cut-off OpenGL takes: half the cone's full angle, in degrees, at most 90.
float SpotCutoffDegrees(float fPhi)
{
    const float fHalf = fPhi * 0.5f * 57.29577792f;
    return std::min(std::max(fHalf, 0.0f), 90.0f);
}

void ColourOfLight(const QIRN_Vector4& v, GLfloat* pafOut)
{
    const float fScale = 0.003921569f;
    pafOut[0] = v.x * fScale;
    pafOut[1] = v.y * fScale;
    pafOut[2] = v.z * fScale;
    pafOut[3] = 1.0f;
}
} // namespace

QIRN_Graphics_GL::QIRN_Graphics_GL()
    : QIRN_Graphics(nullptr), m_poRenderStates(nullptr), m_poExtensions(nullptr), m_iMaxAnisotropy(1),
      m_hRC(nullptr)
{
    Matrix_Identity(&m_oViewMatrixGL);
    m_poDeviceInfo = nullptr;
}

QIRN_Graphics_GL::~QIRN_Graphics_GL()
{
    delete m_poDeviceInfo;
    m_poDeviceInfo = nullptr;
    ReleaseResources();
    delete m_poExtensions;
    m_poExtensions = nullptr;
    if (m_pEngine && m_pEngine->m_hDC)
    {
        wglMakeCurrent(m_pEngine->m_hDC, nullptr);
        if (m_hRC)
        {
            wglDeleteContext(m_hRC);
        }
    }
    else if (m_hRC)
    {
        wglMakeCurrent(nullptr, nullptr);
        wglDeleteContext(m_hRC);
    }
    m_hRC = nullptr;
    ChangeDisplaySettingsA(nullptr, 0);
    delete m_poRenderStates;
    m_poRenderStates = nullptr;
}

QIRN_Font* QIRN_Graphics_GL::CreateFont()
{
    return nullptr;
}

QIRN_ErrorCode QIRN_Graphics_GL::CreateRenderTarget(QIRN_RenderTarget*)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::RemoveShader(std::string)
{
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetVertexShaderConstants(uint32_t, const float*, uint32_t)
{
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetPixelShaderConstants(uint32_t, const float*, uint32_t)
{
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_Graphics_GL::ValidateVertexShader(QIRN_ShaderPass*, std::string)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ValidatePixelShader(std::string)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ReloadVertexShader(QIRN_ShaderPass*, std::string)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ReloadPixelShader(QIRN_ShaderPass*, std::string)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::GetNumAdapters(int* piCount)
{
    if (piCount)
    {
        *piCount = 1;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::GetGraphicsDeviceInfo(uint32_t, QIRN_DeviceInfo** ppInfo)
{
    if (!m_poDeviceInfo)
    {
        // Without a window GetDC would answer the whole screen's context, which no pixel format
        // may be set on: the context stays NULL and the bring-up refuses it.
        if (m_pEngine && m_pEngine->GetWindow())
        {
            m_pEngine->m_hDC = GetDC(m_pEngine->GetWindow());
        }
        m_poDeviceInfo = new (std::nothrow) QIRN_DeviceInfo();
    }
    // The first call hands out the record as well: callers read it right away.
    if (ppInfo)
    {
        *ppInfo = m_poDeviceInfo;
    }
    return OK;
}

bool QIRN_Graphics_GL::IsValidDisplayMode(uint32_t, uint32_t dwWidth, uint32_t dwHeight,
                                          QIRN_PixelFormat eFormat, uint32_t dwRefreshRate)
{
    return m_poDeviceInfo && m_poDeviceInfo->HasDisplayMode(dwWidth, dwHeight, eFormat, dwRefreshRate);
}

int QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN(int32_t eFormat)
{
    switch (eFormat)
    {
    case 20:
        return 24;
    case 21:
    case 22:
        return 32;
    case 27:
    case 28:
        return 8;
    default:
        if (eFormat >= 20 && eFormat <= 30)
        {
            return 16;
        }
        dprintf(
            "\n*** QIRN_Graphics_GL::GetNumColorBitsFromPixelFormatQIRN() - Pixel format is unknown. Setting "
            "number of color bits to 16");
        return 16;
    }
}

int QIRN_Graphics_GL::GetNumDepthBitsFromPixelFormatQIRN(int32_t eFormat)
{
    switch (eFormat)
    {
    case 71:
        return 32;
    case 72:
        return 15;
    case 73:
    case 75:
    case 76:
        return 24;
    case 70:
    case 74:
        return 16;
    default:
        dprintf(
            "\n*** QIRN_Graphics_GL::GetNumDepthBitsFromPixelFormatQIRN() - Pixel format is unknown. Setting "
            "number of depth bits to 16");
        return 16;
    }
}

int QIRN_Graphics_GL::GetNumStencilBitsFromPixelFormatQIRN(int32_t eFormat)
{
    switch (eFormat)
    {
    case 72:
        return 1;
    case 73:
        return 8;
    case 76:
        return 4;
    case 70:
    case 71:
    case 74:
    case 75:
        return 0;
    default:
        dprintf("\n*** QIRN_Graphics_GL::GetNumStencilBitsFromPixelFormatQIRN() - Pixel format is unknown. "
                "Setting "
                "number of stencil bits to 0");
        return 0;
    }
}

QIRN_ErrorCode QIRN_Graphics_GL::CreatePixelFormatDescriptor(const QIRN_GraphicsParams* pParams,
                                                             PIXELFORMATDESCRIPTOR* pfd)
{
    if (!pfd)
    {
        dprintf("\n*** QIRN_Graphics_GL::CreatePixelFormatDescriptor() - Error : The pixel format descriptor "
                "is NULL");
        return GENERICERROR;
    }
    memset(pfd, 0, sizeof(*pfd));
    pfd->nSize = sizeof(*pfd);
    pfd->nVersion = 1;
    pfd->dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_GENERIC_ACCELERATED;
    if (pParams->m_iBackBufferCount != 0)
    {
        pfd->dwFlags |= PFD_DOUBLEBUFFER;
    }
    pfd->iPixelType = PFD_TYPE_RGBA;
    pfd->cColorBits = static_cast<BYTE>(GetNumColorBitsFromPixelFormatQIRN(pParams->m_iBackBufferFormat));
    pfd->cDepthBits =
        pParams->m_bZBuffer
            ? static_cast<BYTE>(GetNumDepthBitsFromPixelFormatQIRN(pParams->m_iDepthStencilFormat))
            : 0;
    pfd->cStencilBits =
        pParams->m_bStencil
            ? static_cast<BYTE>(GetNumStencilBitsFromPixelFormatQIRN(pParams->m_iDepthStencilFormat))
            : 0;
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SelectAndSetPixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pfd)
{
    if (!hDC)
    {
        dprintf("\n*** QIRN_Graphics_GL::SelectAndSetPixelFormat() - Error : Could not create OpenGL "
                "rendering context "
                "because handle to device context is NULL");
        return GENERICERROR;
    }
    if (!pfd)
    {
        dprintf(
            "\n*** QIRN_Graphics_GL::SelectAndSetPixelFormat() - Error : Pixel format descriptor is NULL");
        return GENERICERROR;
    }
    const int iFormat = ChoosePixelFormat(hDC, pfd);
    if (iFormat == 0)
    {
        dprintf("\n*** QIRN_Graphics_GL::SelectAndSetPixelFormat() - Error : No pixel format matching the "
                "requested "
                "parameters was found");
        return GENERICERROR;
    }
    if (!SetPixelFormat(hDC, iFormat, pfd))
    {
        dprintf(
            "\n*** QIRN_Graphics_GL::SelectAndSetPixelFormat() - Error : The pixel format could not be set.");
        return GENERICERROR;
    }
    return OK;
}

bool QIRN_Graphics_GL::FindDisplayMode(int iWidth, int iHeight, int iBitsPerPixel, int iRefreshRate,
                                       DEVMODEA* pMode)
{
    for (DWORD i = 0;; ++i)
    {
        memset(pMode, 0, sizeof(*pMode));
        pMode->dmSize = sizeof(*pMode);
        if (!EnumDisplaySettingsA(nullptr, i, pMode))
        {
            return false;
        }
        if (static_cast<int>(pMode->dmPelsWidth) == iWidth &&
            static_cast<int>(pMode->dmPelsHeight) == iHeight &&
            static_cast<int>(pMode->dmBitsPerPel) == iBitsPerPixel &&
            (iRefreshRate == 0 || static_cast<int>(pMode->dmDisplayFrequency) == iRefreshRate))
        {
            return true;
        }
    }
}

QIRN_ErrorCode QIRN_Graphics_GL::SelectAndSetDisplayMode(int iWidth, int iHeight, int iBitsPerPixel,
                                                         int iRefreshRate)
{
    DEVMODEA oMode;
    if (FindDisplayMode(iWidth, iHeight, iBitsPerPixel, iRefreshRate, &oMode))
    {
        if (ChangeDisplaySettingsA(&oMode, 0) != DISP_CHANGE_SUCCESSFUL)
        {
            dprintf("\n*** QIRN_Graphics_GL::SelectAndSetDisplayMode() - An error occured while trying to "
                    "change the "
                    "display mode");
        }
        return OK;
    }
    dprintf("\n*** QIRN_Graphics_GL::SelectAndSetDisplayMode() - Error : Could not set display mode to : %d "
            "* %d * %d "
            "bpp * %d Hz. Keeping current display mode.\n",
            iWidth, iHeight, iBitsPerPixel, iRefreshRate);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd)
{
    if (!pParams)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Function excited because graphics parameters "
                "struct "
                "pointer is NULL");
        return GENERICERROR;
    }
    if (!hWnd)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Function excited because handle to window is "
                "NULL\n");
        return GENERICERROR;
    }
    const int iColorBits = GetNumColorBitsFromPixelFormatQIRN(pParams->m_iBackBufferFormat);
    if (!pParams->m_bWindowed)
    {
        SelectAndSetDisplayMode(pParams->m_iWidth, pParams->m_iHeight, iColorBits, pParams->m_iRefreshRate);
    }
    PIXELFORMATDESCRIPTOR oDescriptor;
    if (CreatePixelFormatDescriptor(pParams, &oDescriptor) != OK)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Exiting function because : "
                "CreatePixelFormatDescriptor() returned an error.\n");
        return GENERICERROR;
    }
    HDC hDC = m_pEngine ? m_pEngine->m_hDC : nullptr;
    if (!hDC)
    {
        dprintf(
            "\nQIRN_Graphics_GL::SetRenderingParams() - Function excited because handle to device context is "
            "NULL");
        return GENERICERROR;
    }
    if (SelectAndSetPixelFormat(hDC, &oDescriptor) != OK)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Exiting function because : "
                "SelectAndSetPixelFormat() "
                "returned an error.\n");
        return GENERICERROR;
    }
    if (!m_poDeviceInfo)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Error : Function exiting because "
                "m_poDeviceInfo is "
                "NULL\n");
        return GENERICERROR;
    }
    m_poDeviceInfo->m_bDepthBuffer = oDescriptor.cDepthBits != 0;
    m_poDeviceInfo->m_bStencil = oDescriptor.cStencilBits != 0;

    HGLRC hRC = wglCreateContext(hDC);
    if (!hRC)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Unable to create GL rendering context "
                "because hDC is "
                "NULL.");
        dprintf("\nOpenGL returned : %s", reinterpret_cast<const char*>(gluErrorString(glGetError())));
        return GENERICERROR;
    }
    if (!wglMakeCurrent(hDC, hRC))
    {
        dprintf(
            "\n*** QIRN_Graphics_GL::SetRenderingParams() - Error while trying to make the OpenGL rendering "
            "context current");
        wglDeleteContext(hRC);
        return GENERICERROR;
    }
    // A second bring-up lets go of the first context and what was made in it.
    if (m_hRC)
    {
        wglDeleteContext(m_hRC);
    }
    m_hRC = hRC;

    RECT rc = {0, 0, 0, 0};
    GetClientRect(hWnd, &rc);
    SetViewport(rc.right, rc.bottom);

    delete m_poExtensions;
    m_poExtensions = new (std::nothrow) QIRN_Extensions_GL();
    if (!m_poExtensions)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Error while creating an instance of "
                "QIRN_Extensions_GL.");
        return GENERICERROR;
    }
    auto Text = [](GLenum e)
    {
        const char* sz = reinterpret_cast<const char*>(glGetString(e));
        return sz ? sz : "";
    };
    const char* szGLU = reinterpret_cast<const char*>(gluGetString(GLU_VERSION));
    dprintf("\n************* OPENGL INFO ********************");
    dprintf("\nVendor      : %s", Text(GL_VENDOR));
    dprintf("\nRenderer    : %s", Text(GL_RENDERER));
    dprintf("\nGL version  : %s", Text(GL_VERSION));
    dprintf("\nExtensions  : %s", Text(GL_EXTENSIONS));
    dprintf("\nGLU version : %s", szGLU ? szGLU : "");
    dprintf("\n**********************************************\n");
    if (m_poExtensions->Initialize() != OK)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Error while initializing one or more of the "
                "supported "
                "OpenGL extensions.");
        return GENERICERROR;
    }
    delete m_poRenderStates;
    m_poRenderStates = new (std::nothrow) QIRN_Render_States_GL(1);
    if (!m_poRenderStates)
    {
        dprintf("\n*** QIRN_Graphics_GL::SetRenderingParams() - Error : Pointer to render states manager is "
                "NULL.");
        return GENERICERROR;
    }
    m_iMaxAnisotropy = 1;
    if (m_poExtensions->IsAnisotropicFilterSupported())
    {
        GLint iMax = 1;
        glGetIntegerv(GL_MAX_TEXTURE_MAX_ANISOTROPY_EXT, &iMax);
        m_iMaxAnisotropy = iMax;
    }
    return OK;
}

void QIRN_Graphics_GL::SetViewport(int iWidth, int iHeight)
{
    glViewport(0, 0, iWidth, iHeight == 0 ? 1 : iHeight);
}

void QIRN_Graphics_GL::SetModelViewFromView(const QIRN_Matrix4* pIn, QIRN_Matrix4* pOut)
{
    QIRN_Matrix4 oScale;
    Matrix_Identity(&oScale);
    oScale._33 = -1.0f;
    Matrix_Multiply(pIn, &oScale, pOut);
}

void QIRN_Graphics_GL::ApplyMaterial(const GLfloat* pfAmbient, const GLfloat* pfDiffuse,
                                     const GLfloat* pfSpecular, const GLfloat* pfEmission,
                                     const GLfloat* pfShininess)
{
    glMaterialfv(GL_FRONT, GL_AMBIENT, pfAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, pfDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, pfSpecular);
    glMaterialfv(GL_FRONT, GL_EMISSION, pfEmission);
    glMaterialfv(GL_FRONT, GL_SHININESS, pfShininess);
}

QIRN_ErrorCode QIRN_Graphics_GL::RenderFrame(QIRN_World* pWorld, QIRN_CameraActor* pCamera,
                                             bool bRenderTarget)
{
    if (!m_hRC)
    {
        dprintf("\n*** QIRN_Graphics_GL::RenderFrame() - Error : Can't render because OpenGL rendering "
                "context is "
                "NULL.");
        return GRAPHICS_NOTINITIALIZED;
    }
    if (!pWorld)
    {
        dprintf("*** QIRN_Graphics_GL::RenderFrame() - poWorld is NULL\n");
        return INVALIDPARAMS;
    }
    if (!pCamera)
    {
        dprintf("*** QIRN_Graphics_GL::RenderFrame() - poCamera is NULL\n");
        return INVALIDPARAMS;
    }
    for (int iPass = 0; iPass < m_iNumWorldPasses; ++iPass)
    {
        RenderWorld(pWorld, pCamera, iPass, bRenderTarget);
    }
    if (!bRenderTarget)
    {
        QIRN_Timer* poTimer = m_pEngine ? m_pEngine->GetTimer() : nullptr;
        if (!poTimer)
        {
            dprintf("\n*** QIRN_Graphics_GL::RenderFrame() - Error : Pointer to timer is NULL.");
            return GENERICERROR;
        }
        m_dCurrentTime = poTimer->GetElapsedTime();
        if (!TimeToRender())
        {
            return OK;
        }
        UpdateFrameStats();
        ++m_dwTotalFrames;
    }
    SwapBuffers(m_pEngine ? m_pEngine->m_hDC : nullptr);
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::PresentFrame()
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::RenderWorld(QIRN_World* pWorld, QIRN_CameraActor* pCamera, int iPass,
                                             bool bRenderTarget)
{
    QIRN_ViewMatrix oView;
    pCamera->GetTransform(&oView);
    m_oViewMatrixGL = oView;
    RECT rc = {0, 0, 0, 0};
    if (m_pEngine)
    {
        GetClientRect(m_pEngine->GetWindow(), &rc);
    }
    // A window without height (minimised) keeps a square aspect instead of dividing by zero.
    const int iHeight = rc.bottom - rc.top;
    const double dAspect = iHeight == 0 ? 1.0 : static_cast<double>(rc.right - rc.left) / iHeight;
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(pCamera->GetFOV(), dAspect, pCamera->GetNear(), pCamera->GetFar());
    m_pCamera = pCamera;

    QIRN_Matrix4 oModelView;
    SetModelViewFromView(&m_oViewMatrixGL, &oModelView);
    glMatrixMode(GL_MODELVIEW);
    glLoadMatrixf(oModelView.Data());

    SetLights(pWorld->GetLightActorList(), 0);

    QIRN_Shader_GL* poWorldShader = nullptr;
    if (m_oShaderTreeGL.FindNode("WorldShader"))
    {
        poWorldShader = GetShader("WorldShader");
    }
    else
    {
        auto* poNode = pWorld->GetShaderTree()->FindNode("WorldShader");
        if (poNode && poNode->m_pData)
        {
            LoadShader(poNode->m_pData);
            poWorldShader = GetShader("WorldShader");
        }
    }
    if (poWorldShader)
    {
        SetShaderGL(poWorldShader, iPass);
    }
    DrawMeshActors(pWorld->GetMeshActorList(), pCamera, iPass);
    DrawMeshActors(pWorld->GetLipSyncActorList(), pCamera, iPass);
    if (!bRenderTarget)
    {
        DrawLogoActors(pWorld->GetLogoActorList(), pCamera, iPass);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::SetLights(QIRN_LINKEDLIST<QIRN_LightActor>* pLightList, uint32_t dwAmbient)
{
    if (!pLightList)
    {
        dprintf("*** QIRN_Graphics_GL::SetLights - No lights to set!\n");
        return OK;
    }
    GLfloat afAmbient[4];
    ColorToFloats(dwAmbient, &afAmbient[3], &afAmbient[0], &afAmbient[1], &afAmbient[2]);
    glLightModelfv(GL_LIGHT_MODEL_AMBIENT, afAmbient);
    for (int i = 0; i < QIRN_GL_MAXLIGHTS; ++i)
    {
        glDisable(GL_LIGHT0 + i);
    }
    int32_t iLight = 0;
    for (auto* poNode = pLightList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        // A light switched off lights nothing, as in the other renderer, and takes no number.
        if (!poNode->m_pData || !poNode->m_pData->IsActive())
        {
            continue;
        }
        // OpenGL has no light past GL_LIGHT7: the rest of the list is left dark.
        if (iLight == QIRN_GL_MAXLIGHTS)
        {
            dprintf("*** QIRN_Graphics_GL::SetLights - Only the first %d lights are used\n",
                    QIRN_GL_MAXLIGHTS);
            break;
        }
        SetOneLight(iLight, poNode->m_pData);
        ++iLight;
    }
    return OK;
}

void QIRN_Graphics_GL::SetOneLight(int32_t iLight, QIRN_LightActor* poLight)
{
    const GLenum eLight = GL_LIGHT0 + static_cast<GLenum>(iLight);
    GLfloat af[4];
    ColourOfLight(poLight->GetDiffuse(), af);
    glLightfv(eLight, GL_DIFFUSE, af);
    ColourOfLight(poLight->GetSpecular(), af);
    glLightfv(eLight, GL_SPECULAR, af);
    ColourOfLight(poLight->GetAmbient(), af);
    glLightfv(eLight, GL_AMBIENT, af);
    const int32_t iType = poLight->GetType();
    if (iType == 1 || iType == 2)
    {
        const QIRN_Vector4 vPos = poLight->GetPosition();
        const GLfloat afPos[4] = {vPos.x, vPos.y, vPos.z, 1.0f};
        glLightfv(eLight, GL_POSITION, afPos);
        glLightf(eLight, GL_SPOT_CUTOFF, 180.0f);
        if (iType == 2)
        {
            const QIRN_Vector4 vDir = poLight->GetDirection();
            const GLfloat afDir[3] = {vDir.x, vDir.y, vDir.z};
            glLightfv(eLight, GL_SPOT_DIRECTION, afDir);
            glLightf(eLight, GL_SPOT_CUTOFF, SpotCutoffDegrees(poLight->GetPhi()));
            glLightf(eLight, GL_CONSTANT_ATTENUATION, poLight->GetAttenuation0());
            glLightf(eLight, GL_LINEAR_ATTENUATION, poLight->GetAttenuation1());
            glLightf(eLight, GL_QUADRATIC_ATTENUATION, poLight->GetAttenuation2());
            glLightf(eLight, GL_SPOT_EXPONENT, poLight->GetFalloff());
        }
    }
    else if (iType == 3)
    {
        const QIRN_Vector4 vDir = poLight->GetDirection();
        const GLfloat afPos[4] = {-vDir.x, -vDir.y, -vDir.z, 0.0f};
        glLightfv(eLight, GL_POSITION, afPos);
    }
    if (m_poRenderStates)
    {
        m_poRenderStates->SetLighting(1);
    }
    glEnable(eLight);
}

QIRN_ErrorCode QIRN_Graphics_GL::UpdateRenderTargets(QIRN_World*, QIRN_CameraActor*)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ScreenDump(const char*)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::DrawPixel(int, int, uint32_t)
{
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::ReleaseResources()
{
    m_oMeshTreeGL.DeleteAllNodes();
    m_oTextureTreeGL.DeleteAllNodes();
    m_oShaderTreeGL.DeleteAllNodes();
    return OK;
}

QIRN_Mesh_GL* QIRN_Graphics_GL::GetMesh(std::string strName)
{
    auto* poNode = m_oMeshTreeGL.FindNode(strName);
    return poNode ? poNode->m_pData : nullptr;
}

QIRN_ErrorCode QIRN_Graphics_GL::LoadMesh(QIRN_MeshData* pMeshData, int iShaderIndex)
{
    if (!pMeshData)
    {
        dprintf("*** QIRN_Graphics_GL::LoadMesh() - pMeshData is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Mesh_GL* poMesh = GetMesh(pMeshData->m_szName);
    if (poMesh)
    {
        poMesh->LoadShaders(iShaderIndex);
        return OK;
    }
    poMesh = new (std::nothrow) QIRN_Mesh_GL(this, pMeshData, iShaderIndex);
    if (!poMesh)
    {
        dprintf("*** QIRN_Graphics_GL::LoadMesh() - poMeshGL is NULL.\n");
        return GENERICERROR;
    }
    if (m_oMeshTreeGL.InsertNode(pMeshData->m_szName, poMesh) == nullptr)
    {
        delete poMesh;
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::RenderMesh(QIRN_MeshData* pMeshData, int iShaderIndex, int iPass)
{
    QIRN_Mesh_GL* poMesh = pMeshData ? GetMesh(pMeshData->m_szName) : nullptr;
    if (!poMesh)
    {
        dprintf("*** QIRN_Graphics_GL::RenderMesh() - GetMesh() returned NULL\n");
        return GENERICERROR;
    }
    return poMesh->Render(iShaderIndex, iPass);
}

QIRN_ErrorCode QIRN_Graphics_GL::LoadGeometry(QIRN_Geometry* pGeometry)
{
    if (!pGeometry)
    {
        return INVALIDPARAMS;
    }
    pGeometry->ReleaseRenderMeshes();
    for (auto* poNode = pGeometry->GetFirstMeshNode(); poNode; poNode = poNode->m_pNext)
    {
        QIRN_MeshData* poMeshData = poNode->m_pData;
        if (!poMeshData)
        {
            continue;
        }
        if (LoadMesh(poMeshData, pGeometry->GetShaderIndex()) != OK)
        {
            dprintf("*** QIRN_Graphics_GL::LoadGeometry() - LoadMesh() FAILED\n");
            return GENERICERROR;
        }
        QIRN_Mesh_GL* poMesh = GetMesh(poMeshData->m_szName);
        if (!poMesh)
        {
            dprintf("*** QIRN_Graphics_GL::LoadGeometry() - GetMesh() FAILED\n");
            return GENERICERROR;
        }
        pGeometry->AddRenderMesh(poMeshData->m_szName, poMesh);
    }
    return OK;
}

QIRN_ErrorCode QIRN_Graphics_GL::RenderGeometry(QIRN_Geometry* pGeometry, QIRN_CameraActor*, int iPass)
{
    if (!pGeometry)
    {
        dprintf("*** QIRN_Graphics_GL::RenderGeometry() - poGeometry is NULL\n");
        return INVALIDPARAMS;
    }
    pGeometry->Update();
    if (!pGeometry->GetFirstRenderMeshNode())
    {
        if (LoadGeometry(pGeometry) != OK)
        {
            dprintf("*** QIRN_Graphics_GL::RenderGeometry() - LoadGeometry() FAILED\n");
            return GENERICERROR;
        }
        if (!pGeometry->GetFirstRenderMeshNode())
        {
            return OK;
        }
    }
    for (auto* poNode = pGeometry->GetFirstRenderMeshNode(); poNode; poNode = poNode->m_pNext)
    {
        auto* poMesh = dynamic_cast<QIRN_Mesh_GL*>(poNode->m_pData);
        if (!poMesh)
        {
            dprintf("*** QIRN_Graphics_GL::RenderGeometry() - poMeshGL is NULL. There is no mesh data is the "
                    "LinkedList Node\n");
            return GENERICERROR;
        }
        if (!poMesh->GetMeshQIRN())
        {
            dprintf("*** QIRN_Graphics_GL::RenderGeometry() - poMeshGL->GetMeshQIRN() returned NULL\n");
            return GENERICERROR;
        }
        if (poMesh->Render(pGeometry->GetShaderIndex(), iPass) != OK)
        {
            dprintf("*** QIRN_Graphics_GL::RenderGeometry() - RenderMeshGL() FAILED\n");
            return GENERICERROR;
        }
    }
    return OK;
}

template <class Actor>
void QIRN_Graphics_GL::DrawMeshActors(QIRN_LINKEDLIST<Actor>* poList, QIRN_CameraActor* pCamera, int iPass)
{
    if (!poList)
    {
        return;
    }
    for (auto* poNode = poList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        Actor* poActor = poNode->m_pData;
        if (!poActor)
        {
            continue;
        }
        if (!poActor->GetMesh())
        {
            dprintf("*** QIRN_Graphics_GL::RenderWorld(): Actor '%s' does not have an Mesh\n",
                    poNode->m_szName.c_str());
            continue;
        }
        if (poActor->GetRender() == 0)
        {
            continue;
        }
        RenderGeometry(poActor->GetMesh(), pCamera, iPass);
    }
}

void QIRN_Graphics_GL::DrawLogoActors(QIRN_LINKEDLIST<QIRN_LogoActor>* poList, QIRN_CameraActor* pCamera,
                                      int iPass)
{
    if (!poList)
    {
        return;
    }
    for (auto* poNode = poList->m_pHead; poNode; poNode = poNode->m_pNext)
    {
        QIRN_LogoActor* poLogo = poNode->m_pData;
        if (!poLogo)
        {
            continue;
        }
        if (!poLogo->GetMesh())
        {
            dprintf("*** QIRN_Graphics_GL::RenderWorld(): Actor '%s' does not have an Mesh\n",
                    poNode->m_szName.c_str());
            continue;
        }
        if (poLogo->GetRender() == 0)
        {
            continue;
        }
        // Fixed to the camera: the logo's placement undoes the view the modelview applies.
        QIRN_Matrix4 oTransform, oInverseView, oPlaced;
        poLogo->GetTransform(&oTransform);
        Matrix_Invert(&m_oViewMatrixGL, &oInverseView);
        Matrix_Multiply(&oTransform, &oInverseView, &oPlaced);
        poLogo->GetMesh()->SetTransform(oPlaced);
        QIRN_Matrix4 oShift;
        Matrix_Identity(&oShift);
        oShift._41 = oTransform._41;
        oShift._42 = oTransform._42;
        // A right-handed perspective of 0.7 radians, aspect 1.333, from 5 to 500.
        const float fNear = 5.0f, fFar = 500.0f, fAspect = 1.333f;
        const float fYScale = 1.0f / std::tan(0.7f / 2.0f);
        QIRN_Matrix4 oProjection = {};
        oProjection._11 = fYScale / fAspect;
        oProjection._22 = fYScale;
        oProjection._33 = fFar / (fNear - fFar);
        oProjection._34 = -1.0f;
        oProjection._43 = fNear * fFar / (fNear - fFar);
        QIRN_Matrix4 oLoaded;
        Matrix_Multiply(&oProjection, &oShift, &oLoaded);
        glMatrixMode(GL_PROJECTION);
        glLoadMatrixf(oLoaded.Data());
        RenderGeometry(poLogo->GetMesh(), pCamera, iPass);
    }
}
