#include "qirn_relationshipobject.h"

#include "qirn_baseactor.h"
#include "qirn_debug.h"
#include "qirn_geometry.h"
#include "qirn_meshactor.h"
#include "qirn_objectkeywords.h"
#include "qirn_quaternion.h"
#include "qirn_skeleton.h"
#include "qirn_world.h"

#include <vector>

namespace
{
const float RAD_TO_DEG = 57.295776f;

// The mesh actor whose geometry was posed last in this frame: consecutive bone parts on it share
// one skeleton update.
QIRN_MeshActor* g_poLastUpdatedMeshActor = nullptr;

typedef QIRN_RelationshipObject R;

// Reader's and writer's order.
const std::vector<QIRN_KeywordField<R>>& RelationshipFields()
{
    const QIRN_ValueKind T = QIRN_VALUE_TEXT;
    static const std::vector<QIRN_KeywordField<R>> fields = {
        QIRN_TableField<R>(
            "LookAtTargetBoneName", &R::m_strLookAtTargetBoneName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading LookAtTargetBoneName\n", 1),
        QIRN_TableField<R>(
            "PositionTargetBoneName", &R::m_strPositionTargetBoneName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading PositionTargetBoneName\n", 2),
        QIRN_TableField<R>(
            "ScaleTargetBoneName", &R::m_strScaleTargetBoneName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading ScaleTargetBoneName\n", 3),
        QIRN_TableField<R>(
            "RotationTargetBoneName", &R::m_strRotationTargetBoneName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading RotationTargetBoneName\n", 4),
        QIRN_TableField<R>(
            "DependantActorName", &R::m_strDependantActorName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading DependantActorName\n", 5),
        QIRN_TableField<R>(
            "LookAtTargetActorName", &R::m_strLookAtTargetActorName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading LookAtTargetActorName\n", 6),
        QIRN_TableField<R>(
            "PositionTargetActorName", &R::m_strPositionTargetActorName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading PositionTargetActorName\n", 7),
        QIRN_TableField<R>(
            "ScaleTargetActorName", &R::m_strScaleTargetActorName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading ScaleTargetActorName\n", 8),
        QIRN_TableField<R>(
            "RotationTargetActorName", &R::m_strRotationTargetActorName, T,
            "*** QIRN_RelationshipObject::InterpretKeyWord() - Error reading RotationTargetActorName\n", 9),
    };
    return fields;
}
} // namespace

// Texts of one part: the actor-target setter's missing world; the bone-target setter's five
// (empty actor name, no world, no target, not a mesh actor, no bone); PostLoad's two; the
// update's three.
struct QIRN_RelationshipObject::PartTexts
{
    const char* szActorNoWorld;
    const char* szActorCaller;
    const char* szBoneEmptyName;
    const char* szBoneNoWorld;
    const char* szBoneNoTarget;
    const char* szBoneNotMesh;
    const char* szBoneNoMatrix;
    const char* szPostLoadBone;
    const char* szPostLoadActor;
    const char* szUpdateNotMesh;
    const char* szUpdateHierarchy;
    const char* szUpdateNoGeometry;
};

const QIRN_RelationshipObject::Part& QIRN_RelationshipObject::PositionPart()
{
    static const PartTexts texts = {
        "*** QIRN_RelationshipObject::SetPositionActorTarget() - m_poWorld is NULL\n",
        "SetPositionActorTarget",
        "*** QIRN_RelationshipObject::SetPositionTarget() - strActorName is EMPTY\n",
        "*** QIRN_RelationshipObject::SetPositionTarget() - m_poWorld is NULL\n",
        "*** QIRN_RelationshipObject::SetPositionTarget() - m_poPositionTargetActor is NULL\n",
        "*** QIRN_RelationshipObject::SetPositionTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::SetPositionTarget() - m_pmatPositiionTargetBoneMatrix is NULL\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetPositionTargetBone() FAILED\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetPositionActorTarget() FAILED\n",
        "*** QIRN_RelationshipObject::UpdatePositionTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::UpdatePositionTarget() - UpdateMeshHierarchy() FAILED\n",
        "*** QIRN_RelationshipObject::UpdatePositionTarget() - poMeshActor->GetMesh() returned NULL\n"};
    static const Part part = {&R::m_poPositionTargetActor, &R::m_strPositionTargetActorName,
                              &R::m_strPositionTargetBoneName, &R::m_pmatPositiionTargetBoneMatrix, &texts};
    return part;
}

const QIRN_RelationshipObject::Part& QIRN_RelationshipObject::LookAtPart()
{
    static const PartTexts texts = {
        "*** QIRN_RelationshipObject::SetLookAtActorTarget() - m_poWorld is NULL\n",
        "SetLookAtActorTarget",
        "*** QIRN_RelationshipObject::SetLookAtTarget() - strActorName is EMPTY\n",
        "*** QIRN_RelationshipObject::SetLookAtTarget() - m_poWorld is NULL\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - m_poLookAtTargetActor is NULL\n",
        "*** QIRN_RelationshipObject::SetLookAtTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::SetLookAtTarget() - m_pmatPositiionTargetBoneMatrix is NULL\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetLookAtTargetBone() FAILED\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetLookAtActorTarget() FAILED\n",
        "*** QIRN_RelationshipObject::UpdateLookAtTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::UpdateLookAtTarget() - UpdateMeshHierarchy() FAILED\n",
        "*** QIRN_RelationshipObject::UpdateLookAtTarget() - poMeshActor->GetMesh() returned NULL\n"};
    static const Part part = {&R::m_poLookAtTargetActor, &R::m_strLookAtTargetActorName,
                              &R::m_strLookAtTargetBoneName, &R::m_pmatLookAtTargetBoneMatrix, &texts};
    return part;
}

const QIRN_RelationshipObject::Part& QIRN_RelationshipObject::ScalePart()
{
    static const PartTexts texts = {
        "*** QIRN_RelationshipObject::SetScaleActorTarget() - m_poWorld is NULL\n",
        "SetScaleActorTarget",
        "*** QIRN_RelationshipObject::SetScaleTarget() - strActorName is EMPTY\n",
        "*** QIRN_RelationshipObject::SetScaleTarget() - m_poWorld is NULL\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - m_poScaleTargetActor is NULL\n",
        "*** QIRN_RelationshipObject::SetScaleTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::SetScaleTarget() - m_pmatPositiionTargetBoneMatrix is NULL\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetScaleTargetBone() FAILED\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetScaleActorTarget() FAILED\n",
        "*** QIRN_RelationshipObject::UpdateScaleTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::UpdateScaleTarget() - UpdateMeshHierarchy() FAILED\n",
        nullptr};
    static const Part part = {&R::m_poScaleTargetActor, &R::m_strScaleTargetActorName,
                              &R::m_strScaleTargetBoneName, &R::m_pmatScaleTargetBoneMatrix, &texts};
    return part;
}

const QIRN_RelationshipObject::Part& QIRN_RelationshipObject::RotationPart()
{
    static const PartTexts texts = {
        "*** QIRN_RelationshipObject::SetRotationActorTarget() - m_poWorld is NULL\n",
        "SetRotationActorTarget",
        "*** QIRN_RelationshipObject::SetRotationTarget() - strActorName is EMPTY\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - m_poWorld is NULL\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - m_poRotationTargetActor is NULL\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::SetRotationTarget() - m_pmatPositiionTargetBoneMatrix is NULL\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetRotationTargetBone() FAILED\n",
        "*** QIRN_RelationshipObject::PostLoad() - SetRotationActorTarget() FAILED\n",
        "*** QIRN_RelationshipObject::UpdateRotationTarget() - poMeshActor is NULL\n",
        "*** QIRN_RelationshipObject::UpdateRotationTarget() - UpdateMeshHierarchy() FAILED\n",
        nullptr};
    static const Part part = {&R::m_poRotationTargetActor, &R::m_strRotationTargetActorName,
                              &R::m_strRotationTargetBoneName, &R::m_pmatRotationTargetBoneMatrix, &texts};
    return part;
}

QIRN_RelationshipObject::QIRN_RelationshipObject(std::string szClassName)
    : QIRN_BaseObject(szClassName), m_poDependantActor(nullptr), m_poLookAtTargetActor(nullptr),
      m_poPositionTargetActor(nullptr), m_poScaleTargetActor(nullptr), m_poRotationTargetActor(nullptr),
      m_pmatLookAtTargetBoneMatrix(nullptr), m_pmatPositiionTargetBoneMatrix(nullptr),
      m_pmatScaleTargetBoneMatrix(nullptr), m_pmatRotationTargetBoneMatrix(nullptr)
{
    ResetFrameState();
}

QIRN_RelationshipObject::~QIRN_RelationshipObject()
{
    QIRN_BaseObject::Destroy();
}

void QIRN_RelationshipObject::ResetFrameState()
{
    g_poLastUpdatedMeshActor = nullptr;
}

QIRN_ErrorCode QIRN_RelationshipObject::InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile)
{
    if (szKeyWord.empty())
    {
        dprintf("*** QIRN_RelationshipObject::InterpretKeyWord() - szKeyWord is invalid\n");
        return GENERICERROR;
    }
    if (!roFile)
    {
        dprintf("*** QIRN_RelationshipObject::InterpretKeyWord() - oFile is invalid\n");
        return GENERICERROR;
    }
    QIRN_ErrorCode result = QIRN_InterpretTableKeyword(roFile, *this, RelationshipFields(), szKeyWord);
    if (result != QIRN_KEYWORD_NOT_HANDLED)
    {
        return result;
    }
    return QIRN_BaseObject::InterpretKeyWord(szKeyWord, roFile);
}

QIRN_ErrorCode QIRN_RelationshipObject::SaveContents(QIRN_File& roFile)
{
    if (!roFile)
    {
        dprintf("*** QIRN_RelationshipObject::SaveContents(): foFile is invalid. Can't save contents\n");
        return GENERICERROR;
    }
    QIRN_WriteTableFields(roFile, *this, RelationshipFields());
    return QIRN_BaseObject::SaveContents(roFile);
}

QIRN_BaseActor* QIRN_RelationshipObject::FindActor(const std::string& strName, const char* szCaller) const
{
    QIRN_BaseObject* poObject = m_poWorld->FindObject(strName);
    QIRN_BaseActor* poActor = dynamic_cast<QIRN_BaseActor*>(poObject);
    // Fog and other objects without a place are no targets.
    if (poObject && !poActor)
    {
        dprintf("*** QIRN_RelationshipObject::%s() - Actor '%s' not found\n", szCaller, strName.c_str());
    }
    return poActor;
}

QIRN_ErrorCode QIRN_RelationshipObject::SetDependantActor(std::string strName)
{
    if (!m_poWorld)
    {
        dprintf("*** QIRN_RelationshipObject::SetDependantActor() - m_poWorld is NULL\n");
        return GENERICERROR;
    }
    m_poDependantActor = FindActor(strName, "SetDependantActor");
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::SetActorTarget(const Part& part, const std::string& strActorName)
{
    if (!m_poWorld)
    {
        dprintf("%s", part.pTexts->szActorNoWorld);
        return GENERICERROR;
    }
    this->*part.pTarget = FindActor(strActorName, part.pTexts->szActorCaller);
    (this->*part.pBoneName).clear();
    this->*part.pBoneMatrix = nullptr;
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::SetPositionActorTarget(std::string strActorName)
{
    return SetActorTarget(PositionPart(), strActorName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetLookAtActorTarget(std::string strActorName)
{
    return SetActorTarget(LookAtPart(), strActorName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetScaleActorTarget(std::string strActorName)
{
    return SetActorTarget(ScalePart(), strActorName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetRotationActorTarget(std::string strActorName)
{
    return SetActorTarget(RotationPart(), strActorName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetBoneTarget(const Part& part, const std::string& strActorName,
                                                      const std::string& strBoneName)
{
    const PartTexts& texts = *part.pTexts;
    if (strActorName.empty())
    {
        dprintf("%s", texts.szBoneEmptyName);
        return GENERICERROR;
    }
    if (!m_poWorld)
    {
        dprintf("%s", texts.szBoneNoWorld);
        return GENERICERROR;
    }
    QIRN_BaseActor* poTarget = FindActor(strActorName, texts.szActorCaller);
    this->*part.pTarget = poTarget;
    if (!poTarget)
    {
        dprintf("%s", texts.szBoneNoTarget);
        return GENERICERROR;
    }
    this->*part.pBoneName = strBoneName;
    if (strBoneName.empty())
    {
        this->*part.pBoneMatrix = nullptr;
        return OK;
    }
    QIRN_MeshActor* poMeshActor = dynamic_cast<QIRN_MeshActor*>(poTarget);
    if (!poMeshActor)
    {
        dprintf("%s", texts.szBoneNotMesh);
        return GENERICERROR;
    }
    this->*part.pBoneMatrix = GetBoneMatrix(poMeshActor, strBoneName);
    if (!(this->*part.pBoneMatrix))
    {
        dprintf("%s", texts.szBoneNoMatrix);
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::SetPositionTarget(std::string strActorName, std::string strBoneName)
{
    return SetBoneTarget(PositionPart(), strActorName, strBoneName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetLookAtTarget(std::string strActorName, std::string strBoneName)
{
    return SetBoneTarget(LookAtPart(), strActorName, strBoneName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetScaleTarget(std::string strActorName, std::string strBoneName)
{
    return SetBoneTarget(ScalePart(), strActorName, strBoneName);
}

QIRN_ErrorCode QIRN_RelationshipObject::SetRotationTarget(std::string strActorName, std::string strBoneName)
{
    return SetBoneTarget(RotationPart(), strActorName, strBoneName);
}

QIRN_Matrix4* QIRN_RelationshipObject::GetBoneMatrix(QIRN_MeshActor* poMeshActor, std::string strBoneName)
{
    if (!poMeshActor)
    {
        dprintf("*** GetBoneMatrix() - poMeshActor is NULL\n");
        return nullptr;
    }
    if (strBoneName.empty())
    {
        dprintf("*** GetBoneMatrix() - strBoneName is EMPTY\n");
        return nullptr;
    }
    QIRN_Geometry* poGeometry = poMeshActor->GetMesh();
    if (!poGeometry)
    {
        dprintf("*** GetBoneMatrix() - poGeometry is NULL\n");
        return nullptr;
    }
    QIRN_Skeleton* poSkeleton = poGeometry->GetSkeleton();
    if (!poSkeleton)
    {
        dprintf("*** GetBoneMatrix() - poSkeleton is NULL\n");
        return nullptr;
    }
    QIRN_Frame* poRoot = poSkeleton->GetRoot();
    if (!poRoot)
    {
        dprintf("*** GetBoneMatrix() - poRoot is NULL\n");
        return nullptr;
    }
    QIRN_Frame* poNode = poRoot->FindByName(strBoneName);
    if (!poNode)
    {
        dprintf("*** GetBoneMatrix() - poNode is NULL. Node %s Not Found\n", strBoneName.c_str());
        return nullptr;
    }
    return &poNode->m_oCombinedMatrix;
}

QIRN_ErrorCode QIRN_RelationshipObject::UpdateMeshHierarchy(QIRN_MeshActor* poMeshActor)
{
    if (!poMeshActor)
    {
        dprintf("*** UpdateMeshHierarchy() - poMeshActor is NULL\n");
        return GENERICERROR;
    }
    QIRN_Geometry* poGeometry = poMeshActor->GetMesh();
    if (!poGeometry)
    {
        dprintf("*** UpdateMeshHierarchy() - poGeometry is NULL\n");
        return GENERICERROR;
    }
    // The actor's animation step has already put its offset into the geometry's time.
    QIRN_Matrix4 transform;
    Matrix_Identity(&transform);
    poMeshActor->GetTransform(&transform);
    poGeometry->SetTransform(transform);
    poGeometry->Update();
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::ResolvePart(const Part& part)
{
    const std::string& strActorName = this->*part.pActorName;
    if (strActorName.empty())
    {
        return OK;
    }
    const std::string strBoneName = this->*part.pBoneName;
    if (!strBoneName.empty())
    {
        if (SetBoneTarget(part, strActorName, strBoneName) != OK)
        {
            dprintf("%s", part.pTexts->szPostLoadBone);
            return GENERICERROR;
        }
        return OK;
    }
    if (SetActorTarget(part, strActorName) != OK)
    {
        dprintf("%s", part.pTexts->szPostLoadActor);
        return GENERICERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::PostLoad()
{
    if (m_strDependantActorName.empty())
    {
        dprintf("*** QIRN_RelationshipObject::PostLoad() - m_strDependantActorName is EMPTY\n");
        return GENERICERROR;
    }
    if (SetDependantActor(m_strDependantActorName) != OK)
    {
        dprintf("*** QIRN_RelationshipObject::PostLoad() - SetDependantActor() FAILED\n");
        return GENERICERROR;
    }
    for (const Part* pPart : {&LookAtPart(), &PositionPart(), &ScalePart(), &RotationPart()})
    {
        if (ResolvePart(*pPart) != OK)
        {
            return GENERICERROR;
        }
    }
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::Update(float fDeltaTime)
{
    if (m_bActive && m_poDependantActor)
    {
        if (m_poPositionTargetActor)
        {
            UpdatePositionTarget();
        }
        if (m_poLookAtTargetActor)
        {
            UpdateLookAtTarget();
        }
        if (m_poScaleTargetActor)
        {
            UpdateScaleTarget();
        }
        if (m_poRotationTargetActor)
        {
            UpdateRotationTarget();
        }
    }
    return QIRN_BaseObject::Update(fDeltaTime);
}

bool QIRN_RelationshipObject::RefreshBone(const Part& part, QIRN_Vector4* pvScale, QIRN_Vector4* pvAngles,
                                          QIRN_Vector4* pvTranslation)
{
    QIRN_MeshActor* poMeshActor = dynamic_cast<QIRN_MeshActor*>(this->*part.pTarget);
    if (!poMeshActor)
    {
        dprintf("%s", part.pTexts->szUpdateNotMesh);
        return false;
    }
    if (poMeshActor != g_poLastUpdatedMeshActor)
    {
        if (UpdateMeshHierarchy(poMeshActor) != OK)
        {
            dprintf("%s", part.pTexts->szUpdateHierarchy);
            return false;
        }
        g_poLastUpdatedMeshActor = poMeshActor;
    }
    float fX = 0.0f, fY = 0.0f, fZ = 0.0f;
    Matrix_Decompose(this->*part.pBoneMatrix, pvScale, &fX, &fY, &fZ, pvTranslation);
    *pvAngles = QIRN_Vector4(fX, fY, fZ, 1.0f);
    return true;
}

bool QIRN_RelationshipObject::TargetPoint(const Part& part, QIRN_Vector4* pvPoint)
{
    QIRN_BaseActor* poTarget = this->*part.pTarget;
    if (this->*part.pBoneMatrix)
    {
        QIRN_Vector4 vScale, vAngles, vTranslation;
        if (!RefreshBone(part, &vScale, &vAngles, &vTranslation))
        {
            return false;
        }
        *pvPoint = QIRN_Vector4(vTranslation.x, vTranslation.y, vTranslation.z, 1.0f);
        return true;
    }
    QIRN_MeshActor* poMeshActor = dynamic_cast<QIRN_MeshActor*>(poTarget);
    if (poMeshActor)
    {
        if (!poMeshActor->GetMesh())
        {
            dprintf("%s", part.pTexts->szUpdateNoGeometry);
            return false;
        }
        // The sphere follows the mesh only while its box is kept (a culling mode on the mesh);
        // otherwise it still lies where it was last computed, often the origin.
        bool bBoxValid = false;
        poMeshActor->GetMesh()->GetBoundingBox(&bBoxValid);
        if (bBoxValid)
        {
            *pvPoint = poMeshActor->GetMesh()->GetBoundingSphere().m_vCenter;
            return true;
        }
    }
    // Where the target stands: its place moved by its path, as its own transform places it.
    QIRN_Vector4 vPosition = poTarget->GetPosition();
    QIRN_Vector4 vPath = poTarget->GetAnimationOffset();
    *pvPoint = QIRN_Vector4(vPosition.x + vPath.x, vPosition.y + vPath.y, vPosition.z + vPath.z, 1.0f);
    return true;
}

QIRN_ErrorCode QIRN_RelationshipObject::UpdatePositionTarget()
{
    QIRN_Vector4 vPoint;
    if (!m_poDependantActor || !m_poPositionTargetActor || !TargetPoint(PositionPart(), &vPoint))
    {
        return GENERICERROR;
    }
    m_poDependantActor->SetPosition(vPoint);
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::UpdateLookAtTarget()
{
    QIRN_Vector4 vPoint;
    if (!m_poDependantActor || !m_poLookAtTargetActor || !TargetPoint(LookAtPart(), &vPoint))
    {
        return GENERICERROR;
    }
    // A point the dependant cannot look at keeps its previous one.
    m_poDependantActor->SetLookAtVector(vPoint);
    m_poDependantActor->SetPrimaryOrientationMode(QIRN_ORIENT_LOOKAT);
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::UpdateScaleTarget()
{
    if (!m_poDependantActor || !m_poScaleTargetActor)
    {
        return GENERICERROR;
    }
    QIRN_Vector4 vScale, vAngles, vTranslation;
    if (m_pmatScaleTargetBoneMatrix)
    {
        if (!RefreshBone(ScalePart(), &vScale, &vAngles, &vTranslation))
        {
            return GENERICERROR;
        }
    }
    else
    {
        QIRN_Matrix4 transform;
        Matrix_Identity(&transform);
        m_poScaleTargetActor->GetTransform(&transform);
        float fX = 0.0f, fY = 0.0f, fZ = 0.0f;
        Matrix_Decompose(&transform, &vScale, &fX, &fY, &fZ, &vTranslation);
    }
    m_poDependantActor->SetScale(vScale);
    return OK;
}

QIRN_ErrorCode QIRN_RelationshipObject::UpdateRotationTarget()
{
    if (!m_poDependantActor || !m_poRotationTargetActor)
    {
        return GENERICERROR;
    }
    QIRN_BaseActor* poDependant = m_poDependantActor;
    if (m_pmatRotationTargetBoneMatrix)
    {
        QIRN_Vector4 vScale, vAngles, vTranslation;
        if (!RefreshBone(RotationPart(), &vScale, &vAngles, &vTranslation))
        {
            return GENERICERROR;
        }
        poDependant->SetPrimaryOrientationMode(QIRN_ORIENT_ROTATIONXYZ);
        poDependant->SetSecondaryOrientationMode(QIRN_ORIENT_NONE);
        poDependant->SetTertiaryOrientationMode(QIRN_ORIENT_NONE);
        poDependant->SetQuaternaryOrientationMode(QIRN_ORIENT_NONE);
        poDependant->SetRotation(
            QIRN_Vector4(vAngles.x * RAD_TO_DEG, vAngles.y * RAD_TO_DEG, vAngles.z * RAD_TO_DEG, 1.0f));
        return OK;
    }
    const QIRN_BaseActor* poTarget = m_poRotationTargetActor;
    poDependant->SetPrimaryOrientationMode(poTarget->GetPrimaryOrientationMode());
    poDependant->SetSecondaryOrientationMode(poTarget->GetSecondaryOrientationMode());
    poDependant->SetTertiaryOrientationMode(poTarget->GetTertiaryOrientationMode());
    poDependant->SetQuaternaryOrientationMode(poTarget->GetQuaternaryOrientationMode());
    poDependant->SetRotation(poTarget->GetRotation());
    poDependant->SetLookAtVector(poTarget->GetLookAtVector());
    poDependant->SetRoll(poTarget->GetRoll());
    poDependant->SetAzimuth(poTarget->GetAzimuth());
    poDependant->SetElevation(poTarget->GetElevation());
    poDependant->m_vAnimationRotation = poTarget->GetAnimationRotation();
    return OK;
}
