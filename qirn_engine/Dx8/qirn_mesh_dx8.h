#pragma once
// QIRN_Mesh_DX8: the Direct3D 8 form of one mesh: its vertices packed in the layout its shaders
// ask for, the indices of all its polygon groups in one 16-bit buffer, one render group per
// polygon group with its draw batches and converted shaders, and the extra buffers of the prepass
// and shadow-volume passes. Skinned meshes are drawn with vertex shaders, with the device's
// indexed vertex blending, or skinned on the CPU, as the pass's vertex format allows.

#include "qirn_dynamicvertex.h"
#include "qirn_errors.h"
#include "qirn_math.h"
#include "qirn_rendergroup.h"
#include "qirn_rendermesh.h"

#include <d3d8.h>

#include <cstdint>
#include <list>

class PolygonGroup;
class QIRN_Graphics_DX8;
class QIRN_MeshData;
class QIRN_Shader_DX8;
class QIRN_ShaderPass_DX8;
struct QIRN_MeshVertex;

// 16-bit indices reach this many vertices.
const uint32_t QIRN_DX8_MAXMESHVERTICES = 65535;

class QIRN_Mesh_DX8 : public QIRN_RenderMesh
{
public:
    QIRN_Mesh_DX8(QIRN_Graphics_DX8* poGraphics, QIRN_MeshData* poMeshData, int32_t iShaderIndex);
    ~QIRN_Mesh_DX8() override;

    QIRN_Mesh_DX8(const QIRN_Mesh_DX8&) = delete;
    QIRN_Mesh_DX8& operator=(const QIRN_Mesh_DX8&) = delete;

    QIRN_ErrorCode Load();
    QIRN_ErrorCode LoadMeshData();
    QIRN_ErrorCode LoadSkinData();
    QIRN_ErrorCode LoadShaders(int32_t iShaderIndex);
    QIRN_ErrorCode Render(int32_t iShaderIndex, uint32_t dwPassIndex, bool bCull, int32_t iBoundsMode);

    QIRN_MeshData* GetQIRNMesh() const { return m_poMeshData; }
    bool IsSkinned() const;
    IDirect3DVertexBuffer8* GetVertexBuffer() const { return IsSkinned() ? m_pSkinnedVB : m_pStaticVB; }
    IDirect3DVertexBuffer8* GetSoftwareVertexBuffer() const { return m_pSoftwareVB; }
    IDirect3DIndexBuffer8* GetIndexBuffer() const { return m_pIB; }
    const QIRN_DynamicVertex& GetLayout() const { return m_oLayout; }
    std::list<QIRN_RenderGroup>& GetRenderGroups() { return m_oRenderGroups; }

    // Program-wide seconds spent loading meshes.
    static double s_dTotalLoadTime;

    QIRN_DynamicVertex m_oLayout;
    IDirect3DVertexBuffer8* m_pStaticVB;
    IDirect3DVertexBuffer8* m_pSkinnedVB;
    IDirect3DIndexBuffer8* m_pIB;
    uint32_t m_dwShadowSize;
    IDirect3DVertexBuffer8* m_pShadowVB;
    int32_t m_iShadowIndexCapacity;
    IDirect3DIndexBuffer8* m_pShadowIB;
    int32_t m_iPrepassVertexTotal;
    IDirect3DVertexBuffer8* m_pSoftwareVB;
    int32_t m_iPrepassOutputSize;
    IDirect3DVertexBuffer8* m_pvb_prepass;
    QIRN_Graphics_DX8* m_poGraphics;
    QIRN_MeshData* m_poMeshData;
    int32_t m_iShaderIndex;
    uint32_t m_dwPassIndex;
    QIRN_Shader_DX8* m_poCurrentShader;
    QIRN_ShaderPass_DX8* m_poCurrentPass;
    QIRN_RenderGroup* m_poCurrentRenderGroup;
    std::list<QIRN_RenderGroup> m_oRenderGroups;

private:
    // What the shaders of the groups ask of the vertex layout.
    struct Format
    {
        uint32_t dwFVF = 0;
        bool bTangent = false;
        bool bBinormal = false;
        bool bFloatColors = false;
        bool bFloatIndices = false;
        DWORD dwUsage = D3DUSAGE_WRITEONLY;
    };
    Format ChooseFormat(bool bSkinned);
    uint32_t DefaultSlotFVF(bool bSkinned) const;
    QIRN_ErrorCode LoadGroups(const Format& roFormat, int iBatchList, int iBatchSet, uint32_t dwIndexTotal);

    QIRN_ErrorCode RenderPolygonGroups();
    QIRN_ErrorCode DrawGroup(bool bPrepassDone);
    QIRN_ErrorCode DrawShadow();
    QIRN_ErrorCode SortGroup(uint32_t dwPass);
    QIRN_ErrorCode DrawRectPatches();
    QIRN_ErrorCode DrawTriPatches();
    QIRN_ErrorCode ProcessPrepassVertices();
    void UpdateSoftwareSkinning();
    void SetSkinningMatrices(bool bIndexed);
    void SetBlendOff();
    void SetWorld(const QIRN_Matrix4& roMatrix);
    void SetIndexedBlending(uint32_t dwFVF);
    void FillVertexBuffer(QIRN_DynamicVertex& roLayout, void* pMemory);
    void FillSkinnedVertexBuffer(QIRN_DynamicVertex& roLayout, void* pMemory);
    void WriteVertex(QIRN_DynamicVertex& roLayout, const QIRN_MeshVertex& v, bool bSkinned) const;
    void WriteShadowVertex(QIRN_DynamicVertex& roLayout, const QIRN_MeshVertex& v, const QIRN_MeshVertex& n1,
                           const QIRN_MeshVertex& n2) const;
    void CopyIndices(const PolygonGroup& roGroup, uint16_t* pwIndices, uint32_t dwPosition);
    QIRN_ErrorCode CreatePrepassVertices(PolygonGroup& roGroup, int32_t& riPosition, const Format& roFormat);
    QIRN_ErrorCode CreateShadowVolume(QIRN_RenderGroup& roGroup, uint32_t& rdwVertexPos,
                                      uint32_t& rdwIndexPos, const Format& roFormat);

    int32_t m_iShadowStride;
    uint32_t m_dwIndexCapacity;
};
