#pragma once
// QIRN_Graphics_GL: the OpenGL 1.x renderer. Sets a pixel format on the engine window, keeps one
// WGL context, converts the world's shaders into fixed-function records and its images into
// texture objects on first use, draws each frame in immediate mode and swaps the buffers itself.

#include "qirn_binarytree.h"
#include "qirn_gl.h"
#include "qirn_graphics.h"
#include "qirn_mesh_gl.h"
#include "qirn_shader_gl.h"
#include "qirn_texture_gl.h"

#include <cstdint>
#include <string>

class QIRN_Extensions_GL;
class QIRN_LogoActor;
class QIRN_Render_States_GL;

// OpenGL offers eight fixed-function lights.
const int32_t QIRN_GL_MAXLIGHTS = 8;

class QIRN_Graphics_GL : public QIRN_Graphics
{
public:
    QIRN_Graphics_GL();
    ~QIRN_Graphics_GL() override;

    QIRN_ErrorCode SetLights(QIRN_LINKEDLIST<QIRN_LightActor>* pLightList, uint32_t dwAmbient) override;
    QIRN_Font* CreateFont() override;
    QIRN_ErrorCode ConvertTexture(QIRN_Bitmap* pBitmap, int iTextureType) override;
    QIRN_ErrorCode CreateRenderTarget(QIRN_RenderTarget* pRenderTarget) override;
    QIRN_ErrorCode LoadMesh(QIRN_MeshData* pMeshData, int iShaderIndex) override;
    QIRN_ErrorCode RenderMesh(QIRN_MeshData* pMeshData, int iShaderIndex, int iPass) override;
    QIRN_ErrorCode SetShader(QIRN_Shader* pShader, int iPass, uint32_t dwUnused) override;
    QIRN_ErrorCode LoadShader(QIRN_Shader* pShader) override;
    QIRN_ErrorCode ReloadShader(QIRN_Shader* pShader) override;
    QIRN_ErrorCode RemoveShader(std::string szName) override;
    QIRN_ErrorCode SetVertexShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                            uint32_t dwRegisterCount) override;
    QIRN_ErrorCode SetPixelShaderConstants(uint32_t dwStartRegister, const float* pfData,
                                           uint32_t dwRegisterCount) override;
    QIRN_ErrorCode ValidateVertexShader(QIRN_ShaderPass* pPass, std::string szFileName) override;
    QIRN_ErrorCode ValidatePixelShader(std::string szFileName) override;
    QIRN_ErrorCode ReloadVertexShader(QIRN_ShaderPass* pPass, std::string szFileName) override;
    QIRN_ErrorCode ReloadPixelShader(QIRN_ShaderPass* pPass, std::string szFileName) override;
    QIRN_ErrorCode LoadGeometry(QIRN_Geometry* pGeometry) override;
    QIRN_ErrorCode RenderGeometry(QIRN_Geometry* pGeometry, QIRN_CameraActor* pCamera, int iPass) override;
    QIRN_ErrorCode GetNumAdapters(int* piCount) override;
    QIRN_ErrorCode GetGraphicsDeviceInfo(uint32_t dwAdapter, QIRN_DeviceInfo** ppInfo) override;
    QIRN_ErrorCode SetRenderingParams(QIRN_GraphicsParams* pParams, HWND hWnd) override;
    bool IsValidDisplayMode(uint32_t dwAdapter, uint32_t dwWidth, uint32_t dwHeight, QIRN_PixelFormat eFormat,
                            uint32_t dwRefreshRate) override;
    QIRN_ErrorCode RenderFrame(QIRN_World* pWorld, QIRN_CameraActor* pCamera, bool bRenderTarget) override;
    QIRN_ErrorCode PresentFrame() override;
    QIRN_ErrorCode RenderWorld(QIRN_World* pWorld, QIRN_CameraActor* pCamera, int iPass,
                               bool bRenderTarget) override;
    QIRN_ErrorCode UpdateRenderTargets(QIRN_World* pWorld, QIRN_CameraActor* pCamera) override;
    QIRN_ErrorCode ScreenDump(const char* szFileName) override;
    QIRN_ErrorCode DrawPixel(int x, int y, uint32_t dwColor) override;
    QIRN_ErrorCode UpdateShaders(float fTimeStep) override;
    QIRN_ErrorCode ReleaseResources() override;
    QIRN_ErrorCode RenameShader(std::string szOldName, std::string szNewName) override;

    // Lookups; GetShader logs a miss.
    QIRN_Shader_GL* GetShader(std::string strName);
    QIRN_Texture_GL* GetTexture(std::string strKey);
    QIRN_Mesh_GL* GetMesh(std::string strName);

    // Applying a converted pass and one of its layers.
    QIRN_ErrorCode SetShaderGL(QIRN_Shader_GL* poShader, int iPass);
    QIRN_ErrorCode SetShaderLayer(QIRN_ShaderLayer_GL* poLayer, int iUnit);
    void ApplyPassStates(QIRN_ShaderPass_GL* poPass);
    QIRN_ErrorCode SetTexCoordGenFunc(GLenum eTarget, GLint iMode);

    QIRN_Extensions_GL* GetExtensions() const { return m_poExtensions; }
    QIRN_Render_States_GL* GetRenderStates() const { return m_poRenderStates; }
    const QIRN_Matrix4& GetViewMatrixGL() const { return m_oViewMatrixGL; }
    HGLRC GetRenderingContext() const { return m_hRC; }

    // out = in x diag(1, 1, -1, 1): the engine's left-handed view space as OpenGL's eye space.
    static void SetModelViewFromView(const QIRN_Matrix4* pIn, QIRN_Matrix4* pOut);
    static void SetViewport(int iWidth, int iHeight);
    static void ApplyMaterial(const GLfloat* pfAmbient, const GLfloat* pfDiffuse, const GLfloat* pfSpecular,
                              const GLfloat* pfEmission, const GLfloat* pfShininess);

    static QIRN_ErrorCode CreatePixelFormatDescriptor(const QIRN_GraphicsParams* pParams,
                                                      PIXELFORMATDESCRIPTOR* pDescriptor);
    static QIRN_ErrorCode SelectAndSetPixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pDescriptor);
    static QIRN_ErrorCode SelectAndSetDisplayMode(int iWidth, int iHeight, int iBitsPerPixel,
                                                  int iRefreshRate);
    static bool FindDisplayMode(int iWidth, int iHeight, int iBitsPerPixel, int iRefreshRate,
                                DEVMODEA* pMode);
    static int GetNumColorBitsFromPixelFormatQIRN(int32_t eFormat);
    static int GetNumDepthBitsFromPixelFormatQIRN(int32_t eFormat);
    static int GetNumStencilBitsFromPixelFormatQIRN(int32_t eFormat);

    QIRN_Render_States_GL* m_poRenderStates;
    QIRN_Extensions_GL* m_poExtensions;
    QIRN_BINARYTREE<QIRN_Texture_GL> m_oTextureTreeGL;
    QIRN_BINARYTREE<QIRN_Shader_GL> m_oShaderTreeGL;
    QIRN_BINARYTREE<QIRN_Mesh_GL> m_oMeshTreeGL;
    int32_t m_iMaxAnisotropy;
    QIRN_Matrix4 m_oViewMatrixGL;
    HGLRC m_hRC;

private:
    QIRN_ErrorCode ConvertInto(QIRN_Shader* pShader, QIRN_Shader_GL* poShaderGL);
    void SetOneLight(int32_t iLight, QIRN_LightActor* poLight);
    template <class Actor>
    void DrawMeshActors(QIRN_LINKEDLIST<Actor>* poList, QIRN_CameraActor* pCamera, int iPass);
    void DrawLogoActors(QIRN_LINKEDLIST<QIRN_LogoActor>* poList, QIRN_CameraActor* pCamera, int iPass);
};
