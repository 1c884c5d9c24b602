#include "qirn_cameraactor.h"

#include "qirn_debug.h"
#include "qirn_objectkeywords.h"
#include "qirn_world.h"

#include "d3dx8.h"

#include <windows.h>

#include <cmath>
#include <cstring>
#include <vector>

namespace
{
const uint32_t FAULT_EMPTY_CLIENT_AREA = 1;
const uint32_t FAULT_FIELD_OF_VIEW = 2;
const uint32_t FAULT_RANGE = 4;
const uint32_t FAULT_NOT_FINITE = 8;
const uint32_t FAULT_NO_INVERSE = 16;
const uint32_t PROJECTION_FAULTS =
    FAULT_EMPTY_CLIENT_AREA | FAULT_FIELD_OF_VIEW | FAULT_RANGE | FAULT_NOT_FINITE;

typedef QIRN_CameraActor C;

const std::vector<QIRN_KeywordField<C>>& CameraFields()
{
    const QIRN_ValueKind U = QIRN_VALUE_UNSIGNED;
    static const std::vector<QIRN_KeywordField<C>> fields = {
        QIRN_TableField<C>("Near", &C::m_fNear,
                           "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fNear\n", 1),
        QIRN_TableField<C>("Far", &C::m_fFar,
                           "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fFar\n", 2),
        QIRN_TableField<C>("FOV", &C::m_fFOV,
                           "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_fFOV\n", 3),
        QIRN_TableField<C>("Width", &C::m_dwWidth, U,
                           "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_dwWidth\n", 4),
        QIRN_TableField<C>("ProjectionType", &C::m_ptProjectionType, U,
                           "*** QIRN_CameraActor::InterpretKeyWord():Error reading m_ptProjectionType\n", 5),
    };
    return fields;
}

void MultiplyOnto(QIRN_Matrix4* oDest, const QIRN_Matrix4& m)
{
    Matrix_Multiply(oDest, &m, oDest);
}

bool IsFinite(const QIRN_Matrix4& m)
{
    for (int i = 0; i < 16; ++i)
    {
        if (!std::isfinite(m.Data()[i]))
        {
            return false;
        }
    }
    return true;
}
} // namespace

QIRN_CameraActor::QIRN_CameraActor(std::string szClassName)
    : QIRN_BaseActor(szClassName), m_fNear(1.0f), m_fFar(1000.0f), m_fFOV(90.0f), m_dwWidth(100),
      m_ptProjectionType(QIRN_PROJECTION_PERSPECTIVE), m_dwReportedFaults(0)
{
    SetRange(1.0f, 1000.0f);
    SetFOV(90.0f);
    m_ePrimaryOrientationMode = QIRN_ORIENT_AZIMUTHELEVATION;
}

QIRN_CameraActor::~QIRN_CameraActor()
{
    QIRN_BaseObject::Destroy();
}

QIRN_ErrorCode QIRN_CameraActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_CameraActor::InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_CameraActor::InterpretKeyWord(): oFile is invalid\n");
        return GENERICERROR;
    }
    // File values are taken as they stand; GetProjectionMatrix copes with unusable ones.
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, CameraFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    return QIRN_BaseActor::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_CameraActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_CameraActor::SaveContents():roFile is invalid. Can't Save contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, CameraFields());
    return QIRN_BaseActor::SaveContents(roFile);
}

QIRN_ErrorCode QIRN_CameraActor::SetRange(float fNear, float fFar)
{
    if (fNear <= 0.0f)
    {
        dprintf("*** QIRN_CameraActor::SetRange(): fNear is less than or equal to 0.0f\n");
        return INVALIDPARAMS;
    }
    if (fNear >= fFar)
    {
        dprintf("*** QIRN_CameraActor::SetRange(): fFar is closer than fNear\n");
        return INVALIDPARAMS;
    }
    m_fNear = fNear;
    m_fFar = fFar;
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::SetFOV(float fFOV)
{
    if (!(fFOV > 0.0f) || fFOV >= 180.0f)
    {
        dprintf("*** QIRN_CameraActor::SetFOV(): fFOV not in valid range\n");
        return INVALIDPARAMS;
    }
    m_fFOV = fFOV;
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::GetTransform(QIRN_Matrix4* oDest)
{
    return QIRN_BaseActor::GetTransform(oDest);
}

void QIRN_CameraActor::TranslateLocal(float fX, float fY, float fZ)
{
    QIRN_BaseActor::TranslateLocal(fX, fY, fZ);
}

QIRN_ErrorCode QIRN_CameraActor::GetTransform(QIRN_ViewMatrix* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_CameraActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Matrix4 view;
    Matrix_Identity(&view);
    // A look-at view carries the position itself.
    if (m_ePrimaryOrientationMode != QIRN_ORIENT_LOOKAT)
    {
        QIRN_Matrix4 translation;
        Matrix_Translation(-(m_vPosition.x + m_vAnimationOffset.x), -(m_vPosition.y + m_vAnimationOffset.y),
                           -(m_vPosition.z + m_vAnimationOffset.z), &translation);
        MultiplyOnto(&view, translation);
    }
    ComputeViewMatrixOrientation(m_eQuaternaryOrientationMode, &view);
    ComputeViewMatrixOrientation(m_eTertiaryOrientationMode, &view);
    ComputeViewMatrixOrientation(m_eSecondaryOrientationMode, &view);
    ComputeViewMatrixOrientation(m_ePrimaryOrientationMode, &view);
    static_cast<QIRN_Matrix4&>(*oDest) = view;
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::ComputeViewMatrixOrientation(uint32_t eOrientationMode, QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_CameraActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Matrix4 orientation;
    Matrix_Identity(&orientation);
    switch (eOrientationMode)
    {
    case QIRN_ORIENT_NONE:
        return OK;
    case QIRN_ORIENT_LOOKAT:
        OrientViewToVector(m_vLookAt, m_fRoll, &orientation);
        break;
    case QIRN_ORIENT_YAWPITCHROLL:
        ComputeYawPitchRollViewMatrix(&orientation);
        break;
    case QIRN_ORIENT_AZIMUTHELEVATION:
        ComputeAzimuthElevationViewMatrix(&orientation);
        break;
    case QIRN_ORIENT_ROTATIONXYZ:
        ComputeRotationXYZViewMatrix(&orientation);
        break;
    default:
        dprintf(
            "*** QIRN_CameraActor::ComputeViewMatrixOrientation() - Invalid or Unknown Orientation Mode\n");
        return INVALIDPARAMS;
    }
    MultiplyOnto(oDest, orientation);
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::OrientViewToVector(QIRN_Vector4 vTarget, float fRoll, QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_CameraActor::OrientViewToVector() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    const QIRN_Vector4 vUp(0.0f, 1.0f, 0.0f, 1.0f);
    QIRN_Vector4 vZ, vX, vY;
    Vector_Subtract(&vTarget, &m_vPosition, &vZ);
    Vector_Normalize(&vZ, &vZ);
    Vector_Cross(&vUp, &vZ, &vX);
    Vector_Normalize(&vX, &vX);
    Vector_Cross(&vZ, &vX, &vY);
    // The axes as columns, and the position moved to the origin.
    QIRN_Matrix4 view;
    Matrix_Identity(&view);
    view._11 = vX.x;
    view._12 = vY.x;
    view._13 = vZ.x;
    view._21 = vX.y;
    view._22 = vY.y;
    view._23 = vZ.y;
    view._31 = vX.z;
    view._32 = vY.z;
    view._33 = vZ.z;
    view._41 = -Vector_Dot(&vX, &m_vPosition);
    view._42 = -Vector_Dot(&vY, &m_vPosition);
    view._43 = -Vector_Dot(&vZ, &m_vPosition);
    QIRN_Matrix4 roll;
    Matrix_RotationZ(-fRoll, &roll);
    MultiplyOnto(&view, roll);
    MultiplyOnto(oDest, view);
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::ComputeYawPitchRollViewMatrix(QIRN_Matrix4* oDest)
{
    MultiplyRotations(oDest, "zyx", QIRN_Vector4(-m_vRotation.x, -m_vRotation.y, -m_vRotation.z, 1.0f));
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::ComputeAzimuthElevationViewMatrix(QIRN_Matrix4* oDest)
{
    MultiplyRotations(oDest, "yx", QIRN_Vector4(-m_fElevation, -m_fAzimuth, 0.0f, 1.0f));
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::ComputeRotationXYZViewMatrix(QIRN_Matrix4* oDest)
{
    // The animation's rotation, not the "Rotation" keyword.
    MultiplyRotations(
        oDest, "zyx",
        QIRN_Vector4(-m_vAnimationRotation.x, -m_vAnimationRotation.y, -m_vAnimationRotation.z, 1.0f));
    return OK;
}

void QIRN_CameraActor::ReportFault(uint32_t dwFault, const char* szLine)
{
    if (!(m_dwReportedFaults & dwFault))
    {
        dprintf("%s", szLine);
        m_dwReportedFaults |= dwFault;
    }
}

QIRN_ErrorCode QIRN_CameraActor::GetProjectionMatrix(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_CameraActor::GetProjectionMatrix - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    if (m_ptProjectionType != QIRN_PROJECTION_PERSPECTIVE)
    {
        Matrix_Identity(oDest);
        return OK;
    }
    if (!m_poWorld)
    {
        dprintf("*** QIRN_CameraActor::GetProjectionMatrix - m_pWorld is NULL\n");
        return GENERICERROR;
    }
    if (!m_poWorld->GetEngine())
    {
        dprintf("*** QIRN_CameraActor::GetProjectionMatrix - poEngine is NULL\n");
        return GENERICERROR;
    }
    // A minimised window has no client area and so no aspect of its own.
    RECT rect = {0, 0, 0, 0};
    HWND hWnd = m_poWorld->GetEngineWindow();
    if (!hWnd || !GetClientRect(hWnd, &rect))
    {
        rect = RECT{0, 0, 0, 0};
    }
    float fAspect = 1.0f;
    if (rect.right - rect.left > 0 && rect.bottom - rect.top > 0)
    {
        fAspect = static_cast<float>(rect.right - rect.left) / static_cast<float>(rect.bottom - rect.top);
        ClearFaults(FAULT_EMPTY_CLIENT_AREA);
    }
    else
    {
        ReportFault(FAULT_EMPTY_CLIENT_AREA,
                    "*** QIRN_CameraActor::GetProjectionMatrix - The window's client area is empty. Using an "
                    "aspect of 1\n");
    }
    // A file may bring values the perspective cannot be built from: the identity stands in.
    if (!(m_fFOV > 0.0f) || m_fFOV >= 180.0f)
    {
        ReportFault(
            FAULT_FIELD_OF_VIEW,
            "*** QIRN_CameraActor::GetProjectionMatrix - m_fFOV not in valid range. Using the identity\n");
        Matrix_Identity(oDest);
        return INVALIDPARAMS;
    }
    if (m_fFar - m_fNear == 0.0f)
    {
        ReportFault(
            FAULT_RANGE,
            "*** QIRN_CameraActor::GetProjectionMatrix - m_fFar equals m_fNear. Using the identity\n");
        Matrix_Identity(oDest);
        return INVALIDPARAMS;
    }
    D3DXMATRIX projection;
    D3DXMatrixPerspectiveFovLH(&projection, m_fFOV * QIRN_DEG_TO_RAD, fAspect, m_fNear, m_fFar);
    QIRN_Matrix4 result;
    memcpy(result.Data(), &projection._11, sizeof(float) * 16);
    if (!IsFinite(result))
    {
        ReportFault(
            FAULT_NOT_FINITE,
            "*** QIRN_CameraActor::GetProjectionMatrix - m_fNear or m_fFar is not a usable number. Using "
            "the identity\n");
        Matrix_Identity(oDest);
        return INVALIDPARAMS;
    }
    ClearFaults(PROJECTION_FAULTS & ~FAULT_EMPTY_CLIENT_AREA);
    *oDest = result;
    return OK;
}

QIRN_ErrorCode QIRN_CameraActor::Update(float fDeltaTime)
{
    QIRN_BaseActor::Update(fDeltaTime);
    RebuildFrustum();
    return OK;
}

void QIRN_CameraActor::RebuildFrustum()
{
    // Each camera builds from its own matrices: a projection it cannot make is the identity here,
    // never another camera's.
    QIRN_ViewMatrix view;
    GetTransform(&view);
    QIRN_Matrix4 projection;
    Matrix_Identity(&projection);
    GetProjectionMatrix(&projection);
    QIRN_Matrix4 viewProjection;
    Matrix_Multiply(&view, &projection, &viewProjection);

    D3DXMATRIX product(viewProjection.Data());
    D3DXMATRIX inverse;
    if (!D3DXMatrixInverse(&inverse, nullptr, &product))
    {
        ReportFault(FAULT_NO_INVERSE, "*** QIRN_CameraActor::Update() - The view and projection have no "
                                      "inverse. The frustum is kept\n");
        return;
    }
    ClearFaults(FAULT_NO_INVERSE);
    static const float CLIP_CORNERS[8][3] = {{-1, -1, 0}, {1, -1, 0}, {-1, 1, 0}, {1, 1, 0},
                                             {-1, -1, 1}, {1, -1, 1}, {-1, 1, 1}, {1, 1, 1}};
    D3DXVECTOR3 corners[8];
    for (int i = 0; i < 8; ++i)
    {
        D3DXVECTOR3 clip(CLIP_CORNERS[i][0], CLIP_CORNERS[i][1], CLIP_CORNERS[i][2]);
        D3DXVec3TransformCoord(&corners[i], &clip, &inverse);
    }
    // Corner triples wound so that every normal points into the frustum.
    static const int PLANE_CORNERS[QIRN_FRUSTUM_PLANES][3] = {{0, 1, 2}, {6, 7, 5}, {2, 6, 4},
                                                              {7, 3, 5}, {2, 3, 6}, {1, 0, 4}};
    for (int i = 0; i < QIRN_FRUSTUM_PLANES; ++i)
    {
        D3DXPLANE plane;
        D3DXPlaneFromPoints(&plane, &corners[PLANE_CORNERS[i][0]], &corners[PLANE_CORNERS[i][1]],
                            &corners[PLANE_CORNERS[i][2]]);
        m_aoFrustumPlanes[i].a = plane.a;
        m_aoFrustumPlanes[i].b = plane.b;
        m_aoFrustumPlanes[i].c = plane.c;
        m_aoFrustumPlanes[i].d = plane.d;
    }
}

bool QIRN_CameraActor::IsSphereInFrustum(const QIRN_BoundingSphere& sphere) const
{
    const QIRN_Vector4& c = sphere.m_vCenter;
    for (const QIRN_Plane& plane : m_aoFrustumPlanes)
    {
        if (plane.a * c.x + plane.b * c.y + plane.c * c.z + plane.d < -sphere.m_fRadius)
        {
            return false;
        }
    }
    return true;
}
