#pragma once
// QIRN_Graphics_DX8: the Direct3D 8 renderer. Brings the device up from the engine's graphics
// parameters, converts the world's shaders and textures when they are first drawn, applies a
// converted pass to the device through caches of the render and texture-stage states, and runs
// the frame: clear, world, console, statistics overlay and screen dump.

#include "qirn_binarytree.h"
#include "qirn_graphics.h"
#include "qirn_linkedlist.h"
#include "qirn_linkedlisttemplate.h"
#include "qirn_mesh_dx8.h"
#include "qirn_shader_dx8.h"
#include "qirn_sortedpolygongroup_dx8.h"
#include "qirn_texture_dx8.h"

#include "d3dx8core.h"

#include <d3d8.h>

#include <cstdint>
#include <string>
#include <vector>

class QIRN_BaseActor;
class QIRN_CustomActor;
class QIRN_LogoActor;
class QIRN_MeshActor;
class QIRN_LipSyncActor;
class QIRN_DigiMaskActor;
class QIRN_SkyBoxActor;
struct QIRN_BoundingSphere;
class QIRN_Fog;
class QIRN_Shader;
class QIRN_ShaderLayer;
class QIRN_ShaderPass;
class QIRN_ShaderConstants;

// The colour a frame without a world is cleared to.
const D3DCOLOR QIRN_DX8_CLEARCOLOR = 0xFF3F99B4;
// Flexible vertex format of a pass that names none: position, normal, diffuse, specular, one set.
const uint32_t QIRN_DX8_DEFAULTFVF = 466;
// The same with four blend weights and byte indices, for shaders of skinned polygon groups.
const uint32_t QIRN_DX8_DEFAULTSKINFVF = 4572;
// Tokens of the vertex shader declaration buffer.
const uint32_t QIRN_DX8_MAXDECLARATION = 100;

const uint32_t QIRN_DX8_NUMRENDERSTATES = 171;
const uint32_t QIRN_DX8_NUMTEXTURESTAGESTATES = 28;

// A render-target update function as the name tree keeps it.
struct QIRN_RTUpdateEntry
{
    QIRN_RTUpdateFunction m_pfnUpdate;
};

// A cached vertex or pixel shader handle.
struct QIRN_ShaderHandle
{
    DWORD m_dwHandle;
};

class QIRN_Graphics_DX8 : public QIRN_Graphics
{
public:
    explicit QIRN_Graphics_DX8(QIRN_Engine* pEngine);
    ~QIRN_Graphics_DX8() override;

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
    QIRN_ErrorCode ClientDrawText(std::string szText, float x, float y, uint32_t dwColor,
                                  uint32_t dwFlags) override;
    QIRN_ErrorCode ReleaseResources() override;
    QIRN_ErrorCode RenameShader(std::string szOldName, std::string szNewName) override;
    // The slot after the interface's own: one engine layer into a converted layer; 0 or 1.
    virtual QIRN_ErrorCode QIRN_To_DX8_ShaderLayer(QIRN_ShaderLayer* poLayer,
                                                   QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                                   QIRN_ShaderLayer_DX8* poConverted);

    // Shader conversion.
    QIRN_Shader_DX8* ConvertShader(QIRN_Shader* poShader, QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                   QIRN_Shader_DX8* poExisting, QIRN_LINKEDLIST<QIRN_Fog>* poFogs);
    QIRN_ErrorCode ConvertShaderPass(QIRN_ShaderPass* poPass, QIRN_BINARYTREE<QIRN_Bitmap>* poBitmaps,
                                     QIRN_ShaderPass_DX8* poConverted, QIRN_LINKEDLIST<QIRN_Fog>* poFogs);

    // Shader creation, cache and application.
    QIRN_ErrorCode SetDX8Shader(QIRN_Shader_DX8* poShader, uint32_t dwPass, QIRN_BaseActor* poActor,
                                bool bSetConstants);
    DWORD CreateVertexShader(QIRN_ShaderPass* poPass, DWORD* pdwSWShader, DWORD* pdwPrepassShader);
    DWORD CreatePixelShader(std::string strName);
    std::string GetShaderFeatureKey(const QIRN_ShaderPass* poPass) const;
    // The declaration tokens in the shared buffer, or NULL (logged) without pass or when the
    // declaration does not fit.
    const DWORD* GenerateVSDFromFVF(const QIRN_ShaderPass* poPass, ID3DXBuffer* poConstants, bool bPrepass);
    void SetFogStates(QIRN_Fog* poFog);

    // Render targets.
    QIRN_ErrorCode InsertUpdateFunctionInTree(std::string strName, QIRN_RTUpdateFunction pfnUpdate);

    // Meshes.
    QIRN_ErrorCode RenderDX8Mesh(QIRN_Mesh_DX8* pMesh, int32_t iShaderIndex, uint32_t dwPass, bool bCull,
                                 int32_t iBoundsMode);
    QIRN_Mesh_DX8* GetMesh(std::string strName) const;

    // World drawing.
    // Actor kinds in the order the world pass draws them.
    QIRN_ErrorCode RenderMeshActors(QIRN_LINKEDLIST<QIRN_MeshActor>* pMeshActorList,
                                    QIRN_CameraActor* pCamera, int iPass);
    // The talking heads are mesh actors kept in lists of their own kinds.
    QIRN_ErrorCode RenderMeshActors(QIRN_LINKEDLIST<QIRN_LipSyncActor>* pMeshActorList,
                                    QIRN_CameraActor* pCamera, int iPass);
    QIRN_ErrorCode RenderMeshActors(QIRN_LINKEDLIST<QIRN_DigiMaskActor>* pMeshActorList,
                                    QIRN_CameraActor* pCamera, int iPass);
    QIRN_ErrorCode RenderSkyBoxActors(QIRN_LINKEDLIST<QIRN_SkyBoxActor>* pSkyBoxActorList,
                                      QIRN_CameraActor* pCamera, int iPass);
    QIRN_ErrorCode RenderLogoActors(QIRN_LINKEDLIST<QIRN_LogoActor>* pLogoActorList,
                                    QIRN_CameraActor* pCamera, int iPass);
    // Gives the other shaders of pShader's mesh its pass 0 vertex layout; those it changed join
    // the list to convert again.
    void SpreadVertexLayout(QIRN_Shader* pShader, std::vector<QIRN_Shader*>& rapoReload);
    template <class Actor>
    QIRN_ErrorCode RenderMeshActorList(QIRN_LINKEDLIST<Actor>* pMeshActorList, QIRN_CameraActor* pCamera,
                                       int iPass);

    // Plug-in actors: made ready on first use, then updated once a frame and drawn once a pass.
    QIRN_ErrorCode UpdateCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList);
    QIRN_ErrorCode RenderCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList, int iPass);
    QIRN_ErrorCode DestroyCustomActors(QIRN_LINKEDLIST<QIRN_CustomActor>* pCustomActorList);

    // Transparent polygon groups drawn after the opaque world, in depth order. The group is owned
    // by this call: kept in a sorted list or deleted.
    QIRN_ErrorCode AddSortedPolygonGroup(SortedPolygonGroup* pGroup, float fKey);
    QIRN_ErrorCode RenderSortedPolygonGroups();
    QIRN_ErrorCode CreateSortedPolygonStructures();
    void SetSortedGroupTransforms(const SortedPolygonGroup& roGroup);
    // Empties both sorted lists and the world pass's sorted counters.
    void ClearSortedPolygonGroups();

    // Debug drawing.
    QIRN_ErrorCode DrawBoundingSphere(const QIRN_BoundingSphere& roSphere);
    QIRN_ErrorCode DrawCameraFrustum(QIRN_CameraActor* pCamera);

    // Lookups by name; NULL when absent.
    QIRN_Texture_DX8* GetTexture(std::string strName) const;
    QIRN_Shader_DX8* GetDX8Shader(std::string strName) const;
    DWORD GetVertexShader(std::string strKey) const;

    // Device states through the caches.
    QIRN_ErrorCode SetRS(D3DRENDERSTATETYPE eState, DWORD dwValue);
    DWORD GetRS(D3DRENDERSTATETYPE eState);
    QIRN_ErrorCode SetTSS(DWORD dwStage, D3DTEXTURESTAGESTATETYPE eType, DWORD dwValue);
    DWORD GetTSS(DWORD dwStage, D3DTEXTURESTAGESTATETYPE eType) const;
    QIRN_ErrorCode SetTransform(D3DTRANSFORMSTATETYPE eType, const D3DMATRIX* pMatrix);
    QIRN_ErrorCode SetVB(UINT uStream, IDirect3DVertexBuffer8* pBuffer, UINT uStride);
    QIRN_ErrorCode SetIB(IDirect3DIndexBuffer8* pBuffer, UINT uBaseIndex);
    IDirect3DVertexBuffer8* CreateVertexBuffer(UINT uLength, DWORD dwUsage, DWORD dwFVF, D3DPOOL ePool);
    IDirect3DIndexBuffer8* CreateIndexBuffer(UINT uLength, DWORD dwUsage, D3DFORMAT eFormat, D3DPOOL ePool);

    // The device call; a failure is logged with the call's text and answers 1. Adds the primitives
    // to the frame's triangle count.
    QIRN_ErrorCode DrawIndexedPrimitive(D3DPRIMITIVETYPE eType, UINT uMinIndex, UINT uNumVertices,
                                        UINT uStartIndex, UINT uPrimitiveCount);
    // The engine matrix as a Direct3D matrix (both hold row vectors); 0, or INVALIDPARAMS for NULL.
    static QIRN_ErrorCode ConvertQIRNMatrixToD3D(const QIRN_Matrix4* pMatrix, D3DMATRIX* pD3DMatrix);

    IDirect3DDevice8* GetDevice() const { return m_pD3DDevice8; }
    static D3DDEVTYPE GetD3DDeviceFromQIRN(int32_t iDeviceType);
    static uint32_t DisplayDriverEscape(HDC hDC);

    IDirect3D8* m_pD3D8;
    IDirect3DDevice8* m_pD3DDevice8;
    D3DPRESENT_PARAMETERS m_d3dpp;
    uint32_t m_dwNumAdapters;
    WORD m_oSavedGammaRamp[3][256];
    bool m_bGammaRampSaved;
    HWND m_hWnd;
    DWORD m_adwRenderStateCache[QIRN_DX8_NUMRENDERSTATES];
    DWORD m_adwTextureStageStateCache[QIRN_DX8_MAXSTAGES][QIRN_DX8_NUMTEXTURESTAGESTATES];
    bool m_bAntiAliasing;
    bool m_bEdgeAntiAliasing;
    // DrawPixel logs its first failure only.
    bool m_bDrawPixelFailureLogged;
    QIRN_LINKEDLIST<QIRN_ShaderHandle> VertexShaderList;
    QIRN_LINKEDLIST<QIRN_ShaderHandle> PixelShaderList;
    QIRN_BINARYTREE<QIRN_Texture_DX8> TextureTree;
    QIRN_BINARYTREE<QIRN_RenderTarget_DX8> RenderTargetTree;
    QIRN_BINARYTREE<QIRN_RTUpdateEntry> RTUpdateTree;
    QIRN_BINARYTREE<QIRN_Shader_DX8> QIRNDX8ShaderTree;
    QIRN_BINARYTREE<QIRN_Mesh_DX8> MeshTree;
    // The current camera's view and projection. The interface's own view stays the identity:
    // actors that ask it (logos) place themselves relative to the camera.
    QIRN_Matrix4 m_oViewMatrix;
    QIRN_Matrix4 m_oProjectionMatrix;
    // Sorted transparency of the current world pass.
    IDirect3DVertexBuffer8* m_poSorted_VB;
    IDirect3DIndexBuffer8* m_poSorted_IB;
    uint8_t* m_pbySortBuffer;
    uint32_t m_dwSortedTriangles;
    uint32_t m_dwSortedVertices;
    uint32_t m_dwSortedIndexCount;
    QIRN_LINKEDLISTTEMPLATE<SortedPolygonGroup, float> m_oBackToFrontList;
    QIRN_LINKEDLISTTEMPLATE<SortedPolygonGroup, float> m_oFrontToBackList;
    // Per-frame statistics: skinned draws, four skinned-vertex counts, static draws and vertices,
    // back-to-front, front-to-back and unsorted draws and vertices, triangles.
    uint32_t m_adwStatistics[14];

private:
    QIRN_ErrorCode FillDeviceInfo(uint32_t dwAdapter);
    void FillDisplayModes(uint32_t dwAdapter);
    // The depth format the device takes for this display format: the asked one, or the first
    // listed candidate of the same stencil-ness, or the first listed at all.
    D3DFORMAT ChooseDepthFormat(uint32_t dwAdapter, D3DDEVTYPE eType, D3DFORMAT eDisplay, uint32_t eAsked);
    void ApplyFillMode();
    // Writes one pixel of the back buffer without locking it, when it is the render target.
    QIRN_ErrorCode ClearPixel(IDirect3DSurface8* pBack, const D3DSURFACE_DESC& roDesc, int x, int y,
                              uint32_t dwColor);
    void DrawStatistics(QIRN_World* pWorld);
    void SetLayerStates(const QIRN_ShaderPass_DX8& roPass, const QIRN_ShaderLayer_DX8& roLayer);
    QIRN_ErrorCode ValidateDevice();
    // Creates one vertex shader variant from assembled code and the pass's declaration.
    DWORD MakeVertexShader(const QIRN_ShaderPass* poPass, ID3DXBuffer* poConstants, ID3DXBuffer* poCode,
                           bool bPrepass, DWORD dwUsage);
    void ReplaceShaderHandle(DWORD dwOld, DWORD dwNew, int iSlot);
    void DeleteShaderHandles();
    void ReleaseSortedPolygonStructures();
    // Sorts the group's triangles by their processed depth into the sorted index buffer.
    QIRN_ErrorCode SortTriangles(SortedPolygonGroup* pGroup);
    void DrawSortedGroup(SortedPolygonGroup& roGroup);
    // The vertex constant table of the engine pass a sorted group is drawn with; NULL when none.
    static QIRN_ShaderConstants* GroupConstants(const SortedPolygonGroup& roGroup);
    // Sets the group's shader pass with the matrices the group was queued with.
    void SetSortedGroupShader(const SortedPolygonGroup& roGroup);
};
