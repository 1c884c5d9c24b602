#include "qirn_baseactor.h"

#include "qirn_animationsequence.h"
#include "qirn_debug.h"
#include "qirn_objectkeywords.h"
#include "qirn_quaternion.h"
#include "qirn_shader.h"
#include "qirn_world.h"

#include <cmath>
#include <new>
#include <vector>

namespace
{
const float RAD_TO_DEG = 57.295776f;

typedef QIRN_BaseActor A;

// The value keywords; the writer's order is the last column.
const std::vector<QIRN_KeywordField<A>>& ActorFields()
{
    const QIRN_ValueKind E = QIRN_VALUE_ENUM;
    static const std::vector<QIRN_KeywordField<A>> fields = {
        QIRN_TableField<A>("Position", &A::m_vPosition,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_vPosition\n", 5),
        QIRN_TableField<A>("Rotation", &A::m_vRotation,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_vRotation\n", 6),
        QIRN_TableField<A>("LookAt", &A::m_vLookAt,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_vLookAt\n", 7),
        QIRN_TableField<A>("Azimuth", &A::m_fAzimuth,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_fAzimuth\n", 8),
        QIRN_TableField<A>("Elevation", &A::m_fElevation,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_fElevation\n", 9),
        QIRN_TableField<A>("PrimaryOrientationMode", &A::m_ePrimaryOrientationMode, E,
                           "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_ePrimaryOrientationMode\n",
                           1),
        QIRN_TableField<A>(
            "SecondaryOrientationMode", &A::m_eSecondaryOrientationMode, E,
            "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_eSecondaryOrientationMode\n", 2),
        QIRN_TableField<A>(
            "TertiaryOrientationMode", &A::m_eTertiaryOrientationMode, E,
            "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_eTertiaryOrientationMode\n", 3),
        QIRN_TableField<A>(
            "QuaternaryOrientationMode", &A::m_eQuaternaryOrientationMode, E,
            "*** QIRN_BaseActor::InterpretKeyWord():Error reading m_eQuaternaryOrientationMode\n", 4),
    };
    return fields;
}

bool IsValidOrientationMode(uint32_t eMode)
{
    return eMode >= QIRN_ORIENT_NONE && eMode <= QIRN_ORIENT_ROTATIONXYZ;
}

QIRN_ErrorCode SetMode(uint32_t& reField, uint32_t eMode, const char* szRefused)
{
    if (!IsValidOrientationMode(eMode))
    {
        dprintf("%s", szRefused);
        return INVALIDPARAMS;
    }
    reField = eMode;
    return OK;
}

// oDest = oDest x m.
void MultiplyOnto(QIRN_Matrix4* oDest, const QIRN_Matrix4& m)
{
    Matrix_Multiply(oDest, &m, oDest);
}

} // namespace

void QIRN_BaseActor::MultiplyRotations(QIRN_Matrix4* oDest, const char* szAxes, const QIRN_Vector4& vAngles)
{
    for (const char* p = szAxes; *p; ++p)
    {
        QIRN_Matrix4 rotation;
        switch (*p)
        {
        case 'x':
            Matrix_RotationX(vAngles.x, &rotation);
            break;
        case 'y':
            Matrix_RotationY(vAngles.y, &rotation);
            break;
        default:
            Matrix_RotationZ(vAngles.z, &rotation);
            break;
        }
        MultiplyOnto(oDest, rotation);
    }
}

QIRN_BaseActor::QIRN_BaseActor(std::string szClassName)
    : QIRN_BaseObject(szClassName), m_ePrimaryOrientationMode(QIRN_ORIENT_YAWPITCHROLL),
      m_eSecondaryOrientationMode(QIRN_ORIENT_NONE), m_eTertiaryOrientationMode(QIRN_ORIENT_NONE),
      m_eQuaternaryOrientationMode(QIRN_ORIENT_NONE), m_vAnimationOffset(0.0f, 0.0f, 0.0f, 1.0f),
      m_vAnimationRotation(0.0f, 0.0f, 0.0f, 1.0f), m_vPosition(0.0f, 0.0f, 0.0f, 1.0f),
      m_vRotation(0.0f, 0.0f, 0.0f, 1.0f), m_vLookAt(0.0f, 0.0f, 1.0f, 1.0f),
      m_vScale(1.0f, 1.0f, 1.0f, 1.0f), m_fRoll(0.0f), m_fAzimuth(0.0f), m_fElevation(0.0f)
{
}

QIRN_BaseActor::~QIRN_BaseActor()
{
    // The last slot to let go of a shader removes it from the world.
    if (m_poWorld)
    {
        for (QIRN_BINARYTREENODE<QIRN_Shader>* poSlot = m_oShaderAssignments.GetFirstNode(); poSlot;
             poSlot = poSlot->GetNextNode())
        {
            QIRN_BINARYTREENODE<QIRN_Shader>* poNode = FindWorldShaderNode(poSlot->m_pData);
            if (poNode && --poNode->m_iRefCount == 0)
            {
                m_poWorld->GetShaderTree()->DeleteNodeByName(poNode->m_szName);
            }
        }
    }
    ClearAnimation();
    QIRN_BaseObject::Destroy();
    m_oShaderAssignments.ReleaseAllNodes();
}

QIRN_BINARYTREENODE<QIRN_Shader>* QIRN_BaseActor::FindWorldShaderNode(const QIRN_Shader* poShader) const
{
    if (!poShader || !m_poWorld)
    {
        return nullptr;
    }
    return m_poWorld->GetShaderTree()->FindNode(poShader->GetName());
}

QIRN_ErrorCode QIRN_BaseActor::Update(float fDeltaTime)
{
    EvaluateAnimation();
    // Kinds that act on their placement (the particle emitter) do it in this call.
    QIRN_Matrix4 transform;
    GetTransform(&transform);
    return QIRN_BaseObject::Update(fDeltaTime);
}

void QIRN_BaseActor::EvaluateAnimation()
{
    if (m_oAnimationSequences.empty())
    {
        return;
    }
    QIRN_Matrix4 animation;
    Matrix_Identity(&animation);
    for (QIRN_AnimationSequence* poSequence : m_oAnimationSequences)
    {
        poSequence->Evaluate(&animation, m_fTime, 0);
    }
    QIRN_Vector4 vScale, vTranslation;
    float fX = 0.0f, fY = 0.0f, fZ = 0.0f;
    Matrix_Decompose(&animation, &vScale, &fX, &fY, &fZ, &vTranslation);
    m_vAnimationRotation = QIRN_Vector4(fX * RAD_TO_DEG, fY * RAD_TO_DEG, fZ * RAD_TO_DEG, 1.0f);
    // The .x files' axes: x mirrored, y and z exchanged.
    m_vAnimationOffset = QIRN_Vector4(-vTranslation.x, vTranslation.z, vTranslation.y, 1.0f);
}

QIRN_ErrorCode QIRN_BaseActor::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_BaseActor:InterpretKeyWord(): szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_BaseActor::InterpretKeyWord():oFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, ActorFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    if (szKeyWord == "AnimationFilename")
    {
        std::string szFileName;
        if (roFile.ReadStringBlock(szFileName) != OK)
        {
            dprintf("*** QIRN_BaseActor::InterpretKeyWord() - Error reading m_strAnimationFile\n");
            return FILEREAD_ERROR;
        }
        if (!szFileName.empty() && LoadAnimationFromFile(szFileName) != OK)
        {
            return FILEREAD_ERROR;
        }
        return OK;
    }
    if (szKeyWord == "ShaderAssignment")
    {
        if (ReadShaderAssignments(roFile) != OK)
        {
            dprintf("*** QIRN_BaseActor::InterpretKeyWord() - Error loading shader assignments!\n");
            return FILEREAD_ERROR;
        }
        return OK;
    }
    return QIRN_BaseObject::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_BaseActor::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_BaseActor::SaveContents(): roFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, ActorFields());
    roFile.WriteBlock("AnimationFilename", m_strAnimationFile);
    QIRN_ErrorCode result = QIRN_BaseObject::SaveContents(roFile);
    if (result != OK)
    {
        return result;
    }
    bool bAnyShader = false;
    for (auto* poSlot = m_oShaderAssignments.GetFirstNode(); poSlot; poSlot = poSlot->GetNextNode())
    {
        bAnyShader = bAnyShader || poSlot->m_pData;
    }
    if (!bAnyShader)
    {
        return OK;
    }
    roFile.StartWriteBlock("ShaderAssignment");
    for (auto* poSlot = m_oShaderAssignments.GetFirstNode(); poSlot; poSlot = poSlot->GetNextNode())
    {
        if (poSlot->m_pData)
        {
            roFile.WriteBlock(poSlot->m_szName, poSlot->m_pData->GetName());
        }
    }
    roFile.EndWriteBlock();
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ReadShaderAssignments(QIRN_File& roFile)
{
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("*** QIRN_BaseActor::ReadShaderAssignments() - ERROR: '{' expected!\n");
        return FILEREAD_ERROR;
    }
    std::string szSlotName;
    while (roFile.NextWord(szSlotName))
    {
        if (szSlotName == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        // A malformed value has logged its reader's line; the slot takes what was read.
        std::string szShaderName;
        roFile.ReadBlock(szShaderName);
        QIRN_Shader* poShader = nullptr;
        if (m_poWorld)
        {
            QIRN_BINARYTREENODE<QIRN_Shader>* poNode = m_poWorld->GetShaderTree()->FindNode(szShaderName);
            poShader = poNode ? poNode->m_pData : nullptr;
        }
        SetShaderAssignment(szSlotName, poShader);
    }
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::SetShaderAssignment(std::string szSlotName, QIRN_Shader* poShader)
{
    QIRN_BINARYTREENODE<QIRN_Shader>* poSlot = m_oShaderAssignments.FindNode(szSlotName);
    if (poSlot)
    {
        QIRN_BINARYTREENODE<QIRN_Shader>* poOld = FindWorldShaderNode(poSlot->m_pData);
        if (poOld)
        {
            --poOld->m_iRefCount;
        }
        poSlot->m_pData = poShader;
    }
    else if (!m_oShaderAssignments.InsertNode(szSlotName, poShader))
    {
        // No slot holds the shader, so it gains no use.
        return GENERICERROR;
    }
    QIRN_BINARYTREENODE<QIRN_Shader>* poNew = FindWorldShaderNode(poShader);
    if (poNew)
    {
        ++poNew->m_iRefCount;
    }
    return OK;
}

QIRN_Shader* QIRN_BaseActor::GetShaderFromSlot(std::string szSlotName)
{
    QIRN_BINARYTREENODE<QIRN_Shader>* poSlot = m_oShaderAssignments.FindNode(szSlotName);
    if (!poSlot)
    {
        dprintf("QIRN_BaseActor::GetShaderFromSlot() - Shader '%s' not found\n", szSlotName.c_str());
        return nullptr;
    }
    return poSlot->m_pData;
}

QIRN_ErrorCode QIRN_BaseActor::LoadAnimationFromFile(std::string szFileName)
{
    if (szFileName.empty())
    {
        dprintf("*** QIRN_BaseActor::LoadAnimationFromFile() - Error loading animation file\n");
        return FILEREAD_ERROR;
    }
    ClearAnimation();
    // Through the engine's one importer: a DirectX File object of its own would cost every
    // animated actor the engine's templates again.
    QIRN_ErrorCode eResult =
        QIRN_SharedXFileImporter().LoadAnimationSequences(szFileName, std::string(), m_oAnimationSequences);
    if (eResult != OK)
    {
        // Half a file's tracks would animate the actor wrongly.
        ClearAnimation();
        dprintf("*** QIRN_BaseActor::InterpretKeyWord() - Error loading animation sequences\n");
        return FILEREAD_ERROR;
    }
    m_strAnimationFile = szFileName;
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ClearAnimation()
{
    for (QIRN_AnimationSequence* poSequence : m_oAnimationSequences)
    {
        delete poSequence;
    }
    m_oAnimationSequences.clear();
    m_strAnimationFile.clear();
    return OK;
}

void QIRN_BaseActor::TranslateLocal(float fX, float fY, float fZ)
{
    QIRN_Matrix4 transform;
    GetTransform(&transform);
    QIRN_Vector4 vLocal(fX, fY, fZ, 1.0f);
    QIRN_Vector4 vMove;
    Vector_TransformNormal(&transform, &vLocal, &vMove);
    m_vPosition.x += vMove.x;
    m_vPosition.y += vMove.y;
    m_vPosition.z += vMove.z;
}

QIRN_ErrorCode QIRN_BaseActor::GetTransform(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Matrix4 transform;
    Matrix_Identity(&transform);
    Matrix_SetScale(&transform, m_vScale.x, m_vScale.y, m_vScale.z);
    ComputeOrientation(m_ePrimaryOrientationMode, &transform);
    ComputeOrientation(m_eSecondaryOrientationMode, &transform);
    ComputeOrientation(m_eTertiaryOrientationMode, &transform);
    ComputeOrientation(m_eQuaternaryOrientationMode, &transform);
    // A primary look-at matrix already carries the position.
    if (m_ePrimaryOrientationMode != QIRN_ORIENT_LOOKAT)
    {
        QIRN_Matrix4 translation;
        Matrix_Translation(m_vPosition.x + m_vAnimationOffset.x, m_vPosition.y + m_vAnimationOffset.y,
                           m_vPosition.z + m_vAnimationOffset.z, &translation);
        MultiplyOnto(&transform, translation);
    }
    *oDest = transform;
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ComputeOrientation(uint32_t eOrientationMode, QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    QIRN_Matrix4 orientation;
    Matrix_Identity(&orientation);
    switch (eOrientationMode)
    {
    case QIRN_ORIENT_NONE:
        return OK;
    case QIRN_ORIENT_LOOKAT:
        ComputeLookAtMatrix(&orientation);
        break;
    case QIRN_ORIENT_YAWPITCHROLL:
        ComputeYawPitchRollMatrix(&orientation);
        break;
    case QIRN_ORIENT_AZIMUTHELEVATION:
        ComputeAzimuthElevationMatrix(&orientation);
        break;
    case QIRN_ORIENT_ROTATIONXYZ:
        ComputeRotationXYZMatrix(&orientation);
        break;
    default:
        dprintf("*** QIRN_BaseActor::ComputeOrientation() - Invalid or Unknown Orientation Mode\n");
        return INVALIDPARAMS;
    }
    MultiplyOnto(oDest, orientation);
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ComputeLookAtMatrix(QIRN_Matrix4* oDest)
{
    return OrientToVector(m_vLookAt, m_fRoll, oDest);
}

QIRN_ErrorCode QIRN_BaseActor::OrientToVector(QIRN_Vector4 vTarget, float fRoll, QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::OrientToVector() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    const QIRN_Vector4 vUp(0.0f, 1.0f, 0.0f, 1.0f);
    QIRN_Vector4 vZ, vX, vY;
    Vector_Subtract(&vTarget, &m_vPosition, &vZ);
    Vector_Normalize(&vZ, &vZ);
    Vector_Cross(&vUp, &vZ, &vX);
    Vector_Normalize(&vX, &vX);
    Vector_Cross(&vZ, &vX, &vY);
    // Rows X, Y, Z and the position.
    QIRN_Matrix4 lookAt;
    Matrix_Identity(&lookAt);
    const QIRN_Vector4* apRows[3] = {&vX, &vY, &vZ};
    float* pfRow = lookAt.Data();
    for (const QIRN_Vector4* pRow : apRows)
    {
        pfRow[0] = pRow->x;
        pfRow[1] = pRow->y;
        pfRow[2] = pRow->z;
        pfRow += 4;
    }
    lookAt._41 = m_vPosition.x;
    lookAt._42 = m_vPosition.y;
    lookAt._43 = m_vPosition.z;
    QIRN_Matrix4 roll;
    Matrix_RotationZ(fRoll, &roll);
    MultiplyOnto(&lookAt, roll);
    MultiplyOnto(oDest, lookAt);
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ComputeYawPitchRollMatrix(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::ComputeYawPitchRollMatrix() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    MultiplyRotations(oDest, "xzy", m_vRotation);
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ComputeAzimuthElevationMatrix(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    MultiplyRotations(oDest, "xy", QIRN_Vector4(m_fElevation, m_fAzimuth, 0.0f, 1.0f));
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::ComputeRotationXYZMatrix(QIRN_Matrix4* oDest)
{
    if (!oDest)
    {
        dprintf("*** QIRN_BaseActor::GetTransform() - oDest is NULL\n");
        return INVALIDPARAMS;
    }
    MultiplyRotations(oDest, "xyz", m_vRotation);
    return OK;
}

QIRN_ErrorCode QIRN_BaseActor::SetLookAtVector(QIRN_Vector4 vTarget)
{
    QIRN_Vector4 vDirection;
    Vector_Subtract(&vTarget, &m_vPosition, &vDirection);
    float fLength = Vector_Length(&vDirection);
    if (fLength < 0.001f)
    {
        return INVALIDPARAMS;
    }
    // The up direction is (0, 1, 0): looking along it leaves the sideways axis undefined.
    Vector_Scale(&vDirection, &vDirection, 1.0f / fLength);
    const QIRN_Vector4 vUp(0.0f, 1.0f, 0.0f, 1.0f);
    float fDot = Vector_Dot(&vDirection, &vUp);
    if (fabsf(fDot) > 0.999999f)
    {
        dprintf("*** QIRN_BaseActor::SetLookAtVector() - fabs(fDot) > 0.999999f\n");
        return INVALIDPARAMS;
    }
    m_vLookAt = vTarget;
    return OK;
}

void QIRN_BaseActor::SetElevation(float fElevation)
{
    if (fElevation >= -90.0f && fElevation <= 90.0f)
    {
        m_fElevation = -fElevation;
    }
}

QIRN_ErrorCode QIRN_BaseActor::SetPrimaryOrientationMode(uint32_t eOrientationMode)
{
    return SetMode(m_ePrimaryOrientationMode, eOrientationMode,
                   "*** QIRN_BaseActor::SetPrimaryOrientationMode() - eOrientationMode is INVALID");
}

QIRN_ErrorCode QIRN_BaseActor::SetSecondaryOrientationMode(uint32_t eOrientationMode)
{
    return SetMode(m_eSecondaryOrientationMode, eOrientationMode,
                   "*** QIRN_BaseActor::SetSecondaryOrientationMode() - eOrientationMode is INVALID");
}

QIRN_ErrorCode QIRN_BaseActor::SetTertiaryOrientationMode(uint32_t eOrientationMode)
{
    return SetMode(m_eTertiaryOrientationMode, eOrientationMode,
                   "*** QIRN_BaseActor::SetTertiaryOrientationMode() - eOrientationMode is INVALID");
}

QIRN_ErrorCode QIRN_BaseActor::SetQuaternaryOrientationMode(uint32_t eOrientationMode)
{
    return SetMode(m_eQuaternaryOrientationMode, eOrientationMode,
                   "*** QIRN_BaseActor::SetQuaternaryOrientationMode() - eOrientationMode is INVALID");
}
