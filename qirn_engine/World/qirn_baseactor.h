#pragma once
// QIRN_BaseActor: everything with a place in the scene. Its placement (GetTransform) is scale, then
// up to four stacked orientation modes, then the position plus the offset of its .x animation;
// its named shader slots bind shaders of the world's shader tree and keep their use counts.

#include "qirn_xfile.h"
#include "qirn_baseobject.h"
#include "qirn_binarytree.h"
#include "qirn_math.h"

#include <cstdint>
#include <string>

class QIRN_Shader;

// Orientation modes; 0 and 6 or more are invalid (only a file can bring them in).
const uint32_t QIRN_ORIENT_NONE = 1;
const uint32_t QIRN_ORIENT_LOOKAT = 2;
const uint32_t QIRN_ORIENT_YAWPITCHROLL = 3;
const uint32_t QIRN_ORIENT_AZIMUTHELEVATION = 4;
const uint32_t QIRN_ORIENT_ROTATIONXYZ = 5;

class QIRN_BaseActor : public QIRN_BaseObject
{
public:
    explicit QIRN_BaseActor(std::string szClassName);
    ~QIRN_BaseActor() override;

    QIRN_ErrorCode Update(float fDeltaTime) override;
    QIRN_ErrorCode SaveContents(QIRN_File& roFile) override;
    QIRN_ErrorCode InterpretKeyWord(std::string szKeyWord, QIRN_File& roFile) override;

    // Slot order continues after the base object's; kinds append their own after these nine.
    virtual QIRN_ErrorCode SetShaderAssignment(std::string szSlotName, QIRN_Shader* poShader);
    // Moves the actor in its own frame (rotated and scaled, not translated).
    virtual void TranslateLocal(float fX, float fY, float fZ);
    // The object-to-world matrix.
    virtual QIRN_ErrorCode GetTransform(QIRN_Matrix4* oDest);
    virtual QIRN_ErrorCode OrientToVector(QIRN_Vector4 vTarget, float fRoll, QIRN_Matrix4* oDest);
    // oDest = oDest x the mode's matrix.
    virtual QIRN_ErrorCode ComputeOrientation(uint32_t eOrientationMode, QIRN_Matrix4* oDest);
    virtual QIRN_ErrorCode ComputeLookAtMatrix(QIRN_Matrix4* oDest);
    virtual QIRN_ErrorCode ComputeYawPitchRollMatrix(QIRN_Matrix4* oDest);
    virtual QIRN_ErrorCode ComputeAzimuthElevationMatrix(QIRN_Matrix4* oDest);
    virtual QIRN_ErrorCode ComputeRotationXYZMatrix(QIRN_Matrix4* oDest);

    QIRN_ErrorCode ReadShaderAssignments(QIRN_File& roFile);
    // NULL (logged) for a slot that does not exist; NULL unlogged for a slot without a shader.
    QIRN_Shader* GetShaderFromSlot(std::string szSlotName);

    QIRN_ErrorCode LoadAnimationFromFile(std::string szFileName);
    QIRN_ErrorCode ClearAnimation();

    // 3 for a target within 0.001 of the position or straight above or below it.
    QIRN_ErrorCode SetLookAtVector(QIRN_Vector4 vTarget);
    QIRN_Vector4 GetLookAtVector() const { return m_vLookAt; }
    // Degrees upwards; the stored field (and the file keyword) is the negation.
    void SetElevation(float fElevation);
    float GetElevation() const { return -m_fElevation; }
    void SetAzimuth(float fAzimuth) { m_fAzimuth = fAzimuth; }
    float GetAzimuth() const { return m_fAzimuth; }
    void SetRoll(float fRoll) { m_fRoll = fRoll; }
    float GetRoll() const { return m_fRoll; }
    void SetPosition(QIRN_Vector4 vPosition) { m_vPosition = vPosition; }
    QIRN_Vector4 GetPosition() const { return m_vPosition; }
    void SetRotation(QIRN_Vector4 vRotation) { m_vRotation = vRotation; }
    QIRN_Vector4 GetRotation() const { return m_vRotation; }
    void SetRotationX(float fAngle) { m_vRotation.x = fAngle; }
    void SetRotationY(float fAngle) { m_vRotation.y = fAngle; }
    float GetRotationX() const { return m_vRotation.x; }
    float GetRotationY() const { return m_vRotation.y; }
    void SetScale(QIRN_Vector4 vScale) { m_vScale = vScale; }
    QIRN_Vector4 GetScale() const { return m_vScale; }
    QIRN_Vector4 GetAnimationOffset() const { return m_vAnimationOffset; }
    QIRN_Vector4 GetAnimationRotation() const { return m_vAnimationRotation; }
    std::string GetAnimationFile() const { return m_strAnimationFile; }

    // 1 to 5 are stored; anything else is refused (logged, 3) and the mode kept.
    QIRN_ErrorCode SetPrimaryOrientationMode(uint32_t eOrientationMode);
    QIRN_ErrorCode SetSecondaryOrientationMode(uint32_t eOrientationMode);
    QIRN_ErrorCode SetTertiaryOrientationMode(uint32_t eOrientationMode);
    QIRN_ErrorCode SetQuaternaryOrientationMode(uint32_t eOrientationMode);
    uint32_t GetPrimaryOrientationMode() const { return m_ePrimaryOrientationMode; }
    uint32_t GetSecondaryOrientationMode() const { return m_eSecondaryOrientationMode; }
    uint32_t GetTertiaryOrientationMode() const { return m_eTertiaryOrientationMode; }
    uint32_t GetQuaternaryOrientationMode() const { return m_eQuaternaryOrientationMode; }

    uint32_t m_ePrimaryOrientationMode;
    uint32_t m_eSecondaryOrientationMode;
    uint32_t m_eTertiaryOrientationMode;
    uint32_t m_eQuaternaryOrientationMode;
    // Slot name -> shader of the world's shader tree; never frees its shaders.
    QIRN_BINARYTREE<QIRN_Shader> m_oShaderAssignments;
    std::string m_strAnimationFile;
    QIRN_AnimationSequenceList m_oAnimationSequences;
    QIRN_Vector4 m_vAnimationOffset;
    QIRN_Vector4 m_vAnimationRotation;
    QIRN_Vector4 m_vPosition;
    QIRN_Vector4 m_vRotation;
    QIRN_Vector4 m_vLookAt;
    QIRN_Vector4 m_vScale;
    float m_fRoll;
    float m_fAzimuth;
    float m_fElevation;

protected:
    // oDest = oDest x the rotation about each axis of szAxes ('x', 'y' or 'z'), in that order, by
    // the matching angle of vAngles (degrees).
    static void MultiplyRotations(QIRN_Matrix4* oDest, const char* szAxes, const QIRN_Vector4& vAngles);
    // Takes the animation's offset and rotation at the actor's current time.
    void EvaluateAnimation();
    // The world's shader-tree entry of a shader, or NULL.
    QIRN_BINARYTREENODE<QIRN_Shader>* FindWorldShaderNode(const QIRN_Shader* poShader) const;
};
