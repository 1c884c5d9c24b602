#pragma once
// SortedPolygonGroup: one transparent polygon group of one mesh draw, held back until the opaque
// world is drawn and then drawn in depth order. The mesh makes it for a pass that asks for
// sorting; the renderer's sorted lists own it.

#include "qirn_dynamicvertex.h"
#include "qirn_math.h"

#include <cstdint>

class QIRN_Mesh_DX8;
class QIRN_RenderGroup;
class QIRN_Shader_DX8;

struct SortedPolygonGroup
{
    SortedPolygonGroup() = default;
    ~SortedPolygonGroup() { delete[] m_poMatrices; }
    SortedPolygonGroup(const SortedPolygonGroup&) = delete;
    SortedPolygonGroup& operator=(const SortedPolygonGroup&) = delete;

    // The group's triangles: start in the mesh's index buffer, base vertex, first transparent
    // vertex, vertex count and the triangle list relative to the first transparent vertex.
    uint32_t m_dwStartIndex = 0;
    uint32_t m_dwBaseVertex = 0;
    uint32_t m_start_alpha_vertex_index = 0;
    uint32_t m_num_vertices = 0;
    const int32_t* m_piIndices = nullptr; // the polygon group's; not owned
    uint32_t m_dwNumIndices = 0;
    QIRN_Mesh_DX8* m_poMesh = nullptr;           // not owned
    QIRN_RenderGroup* m_poRenderGroup = nullptr; // not owned
    QIRN_DynamicVertex m_oLayout;
    // World matrix of an unskinned mesh, or the bone palette by matrix slot; owned.
    QIRN_Matrix4* m_poMatrices = nullptr;
    uint32_t m_dwNumMatrices = 0;
    QIRN_Shader_DX8* m_poShader = nullptr; // not owned
    uint32_t m_dwPass = 0;
    // The draw call's values, written when the group is added.
    uint32_t m_dwMinIndex = 0;
    uint32_t m_dwNumVertices = 0;
    uint32_t m_dwDrawStartIndex = 0;
    uint32_t m_dwNumTriangles = 0;
    // Drawn with the sorted index buffer rather than the mesh's own.
    bool m_bTriangleSorted = false;
};
