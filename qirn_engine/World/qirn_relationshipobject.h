#pragma once
// QIRN_RelationshipObject: ties one actor, the dependant, to others. Every world update (after all
// actors) it copies into the dependant the position, look-at point, scale and rotation of up to
// four target actors, or of named bones of target mesh actors. The world file names them; the
// world makes them itself, resolves their names at once (PostLoad) and keeps them in a list of
// their own. Nothing here is owned but the names.

#include "qirn_baseobject.h"
#include "qirn_math.h"

#include <string>

class QIRN_BaseActor;
class QIRN_MeshActor;

class QIRN_RelationshipObject : public QIRN_BaseObject
{
public:
    explicit QIRN_RelationshipObject(std::string szClassName);
    ~QIRN_RelationshipObject() override;

    // Position, look-at, scale and rotation parts in that order, each with its target; answers the
    // base object's update.
    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;

    // Resolves the names read from the file: 1 for an empty dependant name or a bone that cannot
    // be found; unknown actor names only leave their part idle.
    QIRN_ErrorCode PostLoad();

    // A name that is unknown or names no actor leaves the pointer NULL (logged).
    QIRN_ErrorCode SetDependantActor(std::string strName);
    QIRN_ErrorCode SetPositionActorTarget(std::string strActorName);
    QIRN_ErrorCode SetLookAtActorTarget(std::string strActorName);
    QIRN_ErrorCode SetScaleActorTarget(std::string strActorName);
    QIRN_ErrorCode SetRotationActorTarget(std::string strActorName);
    // A bone of a mesh actor; an empty bone name targets the actor itself.
    QIRN_ErrorCode SetPositionTarget(std::string strActorName, std::string strBoneName);
    QIRN_ErrorCode SetLookAtTarget(std::string strActorName, std::string strBoneName);
    QIRN_ErrorCode SetScaleTarget(std::string strActorName, std::string strBoneName);
    QIRN_ErrorCode SetRotationTarget(std::string strActorName, std::string strBoneName);

    // The combined matrix of the named frame of the actor's skeleton (model space), or NULL.
    static QIRN_Matrix4* GetBoneMatrix(QIRN_MeshActor* poMeshActor, std::string strBoneName);
    // Poses the actor's geometry at its current time and the actor's placement.
    static QIRN_ErrorCode UpdateMeshHierarchy(QIRN_MeshActor* poMeshActor);
    // Forgets which mesh actor was posed last; the world calls it once a frame.
    static void ResetFrameState();

    QIRN_ErrorCode UpdatePositionTarget();
    QIRN_ErrorCode UpdateLookAtTarget();
    QIRN_ErrorCode UpdateScaleTarget();
    QIRN_ErrorCode UpdateRotationTarget();

    QIRN_BaseActor* GetDependantActor() const { return m_poDependantActor; }
    QIRN_BaseActor* GetPositionTargetActor() const { return m_poPositionTargetActor; }
    QIRN_BaseActor* GetLookAtTargetActor() const { return m_poLookAtTargetActor; }
    QIRN_BaseActor* GetScaleTargetActor() const { return m_poScaleTargetActor; }
    QIRN_BaseActor* GetRotationTargetActor() const { return m_poRotationTargetActor; }

    QIRN_BaseActor* m_poDependantActor;
    QIRN_BaseActor* m_poLookAtTargetActor;
    QIRN_BaseActor* m_poPositionTargetActor;
    QIRN_BaseActor* m_poScaleTargetActor;
    QIRN_BaseActor* m_poRotationTargetActor;
    std::string m_strLookAtTargetBoneName;
    std::string m_strPositionTargetBoneName;
    std::string m_strScaleTargetBoneName;
    std::string m_strRotationTargetBoneName;
    std::string m_strDependantActorName;
    std::string m_strLookAtTargetActorName;
    std::string m_strPositionTargetActorName;
    std::string m_strScaleTargetActorName;
    std::string m_strRotationTargetActorName;
    QIRN_Matrix4* m_pmatLookAtTargetBoneMatrix;
    QIRN_Matrix4* m_pmatPositiionTargetBoneMatrix;
    QIRN_Matrix4* m_pmatScaleTargetBoneMatrix;
    QIRN_Matrix4* m_pmatRotationTargetBoneMatrix;

private:
    // The texts of one part's operations.
    struct PartTexts;
    // What one part (position, look-at, scale, rotation) reads and writes of this object.
    struct Part
    {
        QIRN_BaseActor* QIRN_RelationshipObject::*pTarget;
        std::string QIRN_RelationshipObject::*pActorName;
        std::string QIRN_RelationshipObject::*pBoneName;
        QIRN_Matrix4* QIRN_RelationshipObject::*pBoneMatrix;
        const PartTexts* pTexts;
    };
    static const Part& PositionPart();
    static const Part& LookAtPart();
    static const Part& ScalePart();
    static const Part& RotationPart();

    // The actor of that name, or NULL (logged by the caller's line) when unknown or not an actor.
    QIRN_BaseActor* FindActor(const std::string& strName, const char* szCaller) const;
    QIRN_ErrorCode SetActorTarget(const Part& part, const std::string& strActorName);
    QIRN_ErrorCode SetBoneTarget(const Part& part, const std::string& strActorName,
                                 const std::string& strBoneName);
    QIRN_ErrorCode ResolvePart(const Part& part);
    // With a bone, re-poses the target when another mesh actor was posed last and splits the bone
    // matrix; false after logging when that cannot be done.
    bool RefreshBone(const Part& part, QIRN_Vector4* pvScale, QIRN_Vector4* pvAngles,
                     QIRN_Vector4* pvTranslation);
    // The bone's translation, the centre of a target mesh's bounding sphere, or the target's position.
    bool TargetPoint(const Part& part, QIRN_Vector4* pvPoint);
};
