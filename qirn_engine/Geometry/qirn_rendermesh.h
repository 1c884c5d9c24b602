#pragma once
// QIRN_RenderMesh: the base of the meshes a renderer builds from mesh data. Geometries list the
// renderer meshes made from their meshes without owning them: the renderer's own mesh tree does.

class QIRN_RenderMesh
{
public:
    virtual ~QIRN_RenderMesh() = default;
};
