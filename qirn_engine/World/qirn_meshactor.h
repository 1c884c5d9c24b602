#pragma once
// QIRN_MeshActor: an actor that shows a geometry (a .x or face-model file shared per file through
// the world). Every frame it hands the geometry its time and placement; it binds the world's
// shaders to the geometry's polygon groups by group name through its own shader slot, and tells
// the renderers whether to draw it and whether they may cull it by its bounding sphere.

#include "qirn_baseactor.h"

#include <cstdint>
#include <string>

class QIRN_AnimInterface;
class QIRN_Geometry;

class QIRN_MeshActor : public QIRN_BaseActor
{
public:
    explicit QIRN_MeshActor(std::string szClassName);
    ~QIRN_MeshActor() override;

    // The animation step (dispatched virtually), then the base actor's update, whose result counts.
    QIRN_ErrorCode Update(float fDeltaTime) override;
    // Frees the geometry and the animation interface; safe to call again.
    QIRN_ErrorCode Destroy() override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    // The slot name is a polygon-group name: the shader is bound into every group of that name.
    QIRN_ErrorCode SetShaderAssignment(std::string szSlotName, QIRN_Shader* poShader) override;
    // Hands the geometry the actor's time plus the animation offset and its transform.
    virtual QIRN_ErrorCode UpdateAnimation(float fDeltaTime);

    // NULL before a successful "MeshFilename".
    QIRN_Geometry* GetMesh() const { return m_pMesh; }
    // Binds a shader to every polygon group of the geometry for this actor (after each load).
    QIRN_ErrorCode HandleShaderAssgiments();

    std::string GetMeshFilename() const { return m_szMeshFilename; }
    // 0: the renderers skip this actor.
    int32_t GetRender() const { return m_bRender; }
    void SetRender(int32_t bRender) { m_bRender = bRender; }
    int32_t GetFrustumCullingMode() const { return m_iFrustumCullingMode; }
    uint32_t GetInterpolationType() const { return m_dwInterpolationType; }
    float GetAnimationOffsetTime() const { return m_fAnimationOffset; }
    void SetAnimationOffsetTime(float fOffset) { m_fAnimationOffset = fOffset; }

    std::string m_szMeshFilename;
    int32_t m_bRender;
    QIRN_Geometry* m_pMesh;
    int32_t m_iFrustumCullingMode;
    uint32_t m_dwInterpolationType;
    float m_fAnimationOffset;
    // Optional driver of the geometry's time; without one the actor's own clock drives it.
    QIRN_AnimInterface* m_poAnimInterface;

protected:
    // Clears this actor's slot in the shared polygon groups, so no group keeps a shader the
    // actor's going may free.
    void ReleaseShaderSlot();

private:
    QIRN_ErrorCode LoadMesh(QIRN_File& roFile);
};
