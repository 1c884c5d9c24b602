#pragma once
// QIRN_CameraActor: a point of view. Its view matrix undoes the base actor's placement (same
// position, animation offset and orientation modes, in reverse order with negated angles); its
// projection is a left-handed perspective of the engine window's aspect; every Update rebuilds
// the six world-space frustum planes that IsSphereInFrustum tests against.

#include "qirn_baseactor.h"
#include "qirn_quaternion.h"

#include <cstdint>
#include <string>

// The camera's view matrix. Its own type: GetTransform with it answers the view, GetTransform
// through QIRN_BaseActor answers the camera's placement as an actor.
struct QIRN_ViewMatrix : public QIRN_Matrix4
{
};

// a x + b y + c z + d >= 0 inside.
struct QIRN_Plane
{
    float a = 0.0f;
    float b = 0.0f;
    float c = 0.0f;
    float d = 0.0f;
};

// Frustum plane order.
enum QIRN_FrustumPlane
{
    QIRN_FRUSTUM_NEAR,
    QIRN_FRUSTUM_FAR,
    QIRN_FRUSTUM_LEFT,
    QIRN_FRUSTUM_RIGHT,
    QIRN_FRUSTUM_TOP,
    QIRN_FRUSTUM_BOTTOM,
    QIRN_FRUSTUM_PLANES
};

const uint32_t QIRN_PROJECTION_PERSPECTIVE = 0;

class QIRN_CameraActor : public QIRN_BaseActor
{
public:
    explicit QIRN_CameraActor(std::string szClassName);
    ~QIRN_CameraActor() override;

    // The placement, then the frustum planes; answers 0.
    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;
    void TranslateLocal(float fX, float fY, float fZ) override;
    // The look-at view matrix of orientation mode 2, multiplied onto oDest.
    virtual QIRN_ErrorCode OrientViewToVector(QIRN_Vector4 vTarget, float fRoll, QIRN_Matrix4* oDest);

    QIRN_ErrorCode GetTransform(QIRN_ViewMatrix* oDest);
    // The identity for a non-perspective projection type. Answers 1 without world or engine
    // (oDest untouched), 3 with the identity for a field of view outside (0, 180) or a far plane
    // at the near plane; an empty client area (a minimised window) gives an aspect of 1.
    QIRN_ErrorCode GetProjectionMatrix(QIRN_Matrix4* oDest);
    // False as soon as one plane of the last Update has the sphere wholly outside.
    bool IsSphereInFrustum(const QIRN_BoundingSphere& sphere) const;
    const QIRN_Plane& GetFrustumPlane(QIRN_FrustumPlane ePlane) const { return m_aoFrustumPlanes[ePlane]; }

    // 3 (logged, nothing changed) for near <= 0 or near >= far.
    QIRN_ErrorCode SetRange(float fNear, float fFar);
    // 3 (logged, nothing changed) outside (0, 180) degrees.
    QIRN_ErrorCode SetFOV(float fFOV);
    float GetNear() const { return m_fNear; }
    float GetFar() const { return m_fFar; }
    float GetFOV() const { return m_fFOV; }
    uint32_t GetProjectionType() const { return m_ptProjectionType; }

    // V = V x the view matrix of the mode.
    QIRN_ErrorCode ComputeViewMatrixOrientation(uint32_t eOrientationMode, QIRN_Matrix4* oDest);
    QIRN_ErrorCode ComputeYawPitchRollViewMatrix(QIRN_Matrix4* oDest);
    QIRN_ErrorCode ComputeAzimuthElevationViewMatrix(QIRN_Matrix4* oDest);
    QIRN_ErrorCode ComputeRotationXYZViewMatrix(QIRN_Matrix4* oDest);

    float m_fNear;
    float m_fFar;
    float m_fFOV;
    uint32_t m_dwWidth;
    uint32_t m_ptProjectionType;
    QIRN_Plane m_aoFrustumPlanes[QIRN_FRUSTUM_PLANES];

private:
    // The camera's placement as an actor, reached through QIRN_BaseActor. Private here so that
    // code holding a camera asks for the view (QIRN_ViewMatrix) or the placement explicitly.
    QIRN_ErrorCode GetTransform(QIRN_Matrix4* oDest) override;

    void RebuildFrustum();
    // Logs a projection or frustum fault the first time it appears in a row, not every frame.
    void ReportFault(uint32_t dwFault, const char* szLine);
    void ClearFaults(uint32_t dwFaults) { m_dwReportedFaults &= ~dwFaults; }

    uint32_t m_dwReportedFaults;
};
