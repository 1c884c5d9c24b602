#include "qirn_frame.h"

#include "qirn_animationsequence.h"
#include "qirn_quaternion.h"

#include <cmath>

namespace
{
int g_iLiveFrames = 0;

const char* const NEUTRAL_POSE = "Neutral";

// Which procedurally turned part a frame is, by the names both face exporters use.
enum HeadPart
{
    PART_NONE,
    PART_HEAD,
    PART_LEFT_EYE,
    PART_RIGHT_EYE
};

HeadPart HeadPartOf(const std::string& szName)
{
    if (szName == "CP_Skull" || szName == "SKBA")
    {
        return PART_HEAD;
    }
    if (szName == "CP_EyeLeft" || szName == "EYEL")
    {
        return PART_LEFT_EYE;
    }
    if (szName == "CP_EyeRight" || szName == "EYER")
    {
        return PART_RIGHT_EYE;
    }
    return PART_NONE;
}

QIRN_Quaternion IdentityQuaternion()
{
    QIRN_Quaternion q = {0.0f, 0.0f, 0.0f, 1.0f};
    return q;
}

// Rotation R (as built by the caller), then the scale's diagonal, then the translation row.
void ComposeLocal(QIRN_Matrix4* poLocal, const QIRN_Matrix4& oRotation, const QIRN_Vector4& vScale,
                  const QIRN_Vector4& vTranslation)
{
    QIRN_Matrix4 oScale;
    Matrix_Identity(&oScale);
    Matrix_SetScale(&oScale, vScale.x, vScale.y, vScale.z);
    Matrix_Multiply(&oRotation, &oScale, poLocal);
    poLocal->_41 = vTranslation.x;
    poLocal->_42 = vTranslation.y;
    poLocal->_43 = vTranslation.z;
}
} // namespace

QIRN_Frame::QIRN_Frame()
    : m_szName(), m_oPoseList(true), m_poNeutralPose(nullptr), m_poFirstChild(nullptr),
      m_poNextSibling(nullptr), m_pParent(nullptr)
{
    Matrix_Identity(&m_oLocalMatrix);
    Matrix_Identity(&m_oOffsetMatrix);
    Matrix_Identity(&m_oCombinedMatrix);
    ++g_iLiveFrames;
}

int QIRN_Frame::GetLiveCount()
{
    return g_iLiveFrames;
}

QIRN_Frame::~QIRN_Frame()
{
    --g_iLiveFrames;
    delete m_poFirstChild;
    m_poFirstChild = nullptr;
    // Siblings go one after the other, so a long chain does not nest destructor calls.
    QIRN_Frame* poSibling = m_poNextSibling;
    m_poNextSibling = nullptr;
    while (poSibling)
    {
        QIRN_Frame* poNext = poSibling->m_poNextSibling;
        poSibling->m_poNextSibling = nullptr;
        delete poSibling;
        poSibling = poNext;
    }
    for (QIRN_AnimationSequence* poSequence : m_oAnimationSequences)
    {
        delete poSequence;
    }
    m_oAnimationSequences.clear();
    m_oPoseList.DeleteAllNodes();
    delete m_poNeutralPose;
    m_poNeutralPose = nullptr;
    m_szName.clear();
}

void QIRN_Frame::AddChild(QIRN_Frame* poChild)
{
    if (!poChild)
    {
        return;
    }
    poChild->m_pParent = this;
    if (!m_poFirstChild)
    {
        m_poFirstChild = poChild;
        return;
    }
    QIRN_Frame* poLast = m_poFirstChild;
    while (poLast->m_poNextSibling)
    {
        poLast = poLast->m_poNextSibling;
    }
    poLast->m_poNextSibling = poChild;
}

void QIRN_Frame::UpdateHierarchy(float fTime, const QIRN_WeightListNode* pVisemes,
                                 const QIRN_WeightListNode* pGestures, int iInterpolationType)
{
    for (QIRN_Frame* poFrame = this; poFrame; poFrame = poFrame->m_poNextSibling)
    {
        poFrame->Animate(fTime, pVisemes, pGestures, iInterpolationType);
        if (poFrame->m_pParent)
        {
            Matrix_Multiply(&poFrame->m_oLocalMatrix, &poFrame->m_pParent->m_oCombinedMatrix,
                            &poFrame->m_oCombinedMatrix);
        }
        else
        {
            poFrame->m_oCombinedMatrix = poFrame->m_oLocalMatrix;
        }
        if (poFrame->m_poFirstChild)
        {
            poFrame->m_poFirstChild->UpdateHierarchy(fTime, pVisemes, pGestures, iInterpolationType);
        }
    }
}

void QIRN_Frame::Animate(float fTime, const QIRN_WeightListNode* pVisemes,
                         const QIRN_WeightListNode* pGestures, int iInterpolationType)
{
    if (!m_oAnimationSequences.empty())
    {
        for (QIRN_AnimationSequence* poSequence : m_oAnimationSequences)
        {
            poSequence->Evaluate(&m_oLocalMatrix, fTime, iInterpolationType);
        }
        return;
    }
    // The neutral pose alone does not make a frame posable.
    if (!pVisemes || m_oPoseList.m_iCount <= 0)
    {
        return;
    }
    // Both procedures start from the neutral values: without them the frame keeps its matrix.
    if (!m_poNeutralPose)
    {
        return;
    }
    HeadPart ePart = HeadPartOf(m_szName);
    if (ePart != PART_NONE)
    {
        if (pGestures)
        {
            RotateHeadAndEyes(ePart, pGestures);
        }
        return;
    }
    BlendPoses(pVisemes);
}

void QIRN_Frame::RotateHeadAndEyes(int iPart, const QIRN_WeightListNode* pGestures)
{
    QIRN_Quaternion qx = IdentityQuaternion();
    QIRN_Quaternion qy = IdentityQuaternion();
    QIRN_Quaternion qz = IdentityQuaternion();
    for (const QIRN_WeightListNode* pNode = pGestures; pNode; pNode = pNode->m_pNext)
    {
        if (!pNode->m_pData)
        {
            continue;
        }
        float h = *pNode->m_pData * QIRN_DEG_TO_RAD * 0.5f;
        float s = sinf(h);
        float c = cosf(h);
        const std::string& szChannel = pNode->m_szName;
        QIRN_Quaternion qAboutX = {s, 0.0f, 0.0f, c};
        QIRN_Quaternion qAboutY = {0.0f, s, 0.0f, c};
        QIRN_Quaternion qAboutZ = {0.0f, 0.0f, s, c};
        if (iPart == PART_HEAD)
        {
            if (szChannel == "HEAD_BEND")
            {
                qx = qAboutX;
            }
            else if (szChannel == "HEAD_SIDE_SIDE")
            {
                qz = qAboutZ;
            }
            else if (szChannel == "HEAD_TWIST")
            {
                qy = qAboutY;
            }
        }
        else if (iPart == PART_LEFT_EYE)
        {
            if (szChannel == "EYE_UP_DOWN_LEFT")
            {
                qx = qAboutX;
            }
            else if (szChannel == "EYE_SIDE_SIDE_LEFT")
            {
                qy = qAboutY;
            }
        }
        else if (szChannel == "EYE_UP_DOWN_RIGHT")
        {
            qx = qAboutX;
        }
        else if (szChannel == "EYE_SIDE_SIDE_RIGHT")
        {
            qy = qAboutY;
        }
    }
    QIRN_Quaternion q;
    Quaternion_Multiply(&qx, &qy, &q);
    if (iPart == PART_HEAD)
    {
        Quaternion_Multiply(&q, &qz, &q);
    }
    // Used as built, not transposed back: the face rigs expect this handedness.
    QIRN_Matrix4 oRotation;
    Matrix_FromQuaternionTransposed(&oRotation, &q);
    ComposeLocal(&m_oLocalMatrix, oRotation, m_poNeutralPose->m_vScale, m_poNeutralPose->m_vTranslation);
}

void QIRN_Frame::BlendPoses(const QIRN_WeightListNode* pVisemes)
{
    QIRN_Vector4 vScale = m_poNeutralPose->m_vScale;
    QIRN_Vector4 vTranslation = m_poNeutralPose->m_vTranslation;
    QIRN_Quaternion qRotation = m_poNeutralPose->m_oRotation;
    for (const QIRN_WeightListNode* pNode = pVisemes; pNode; pNode = pNode->m_pNext)
    {
        if (!pNode->m_pData || !(*pNode->m_pData > 0.0f))
        {
            continue;
        }
        QIRN_FramePose* poPose = GetPose(pNode->m_szName);
        if (poPose)
        {
            poPose->AddWeighted(*pNode->m_pData, &vScale, &vTranslation, &qRotation);
        }
    }
    QIRN_Matrix4 oRotation;
    Matrix_FromQuaternionTransposed(&oRotation, &qRotation);
    Matrix_Transpose(&oRotation, &oRotation);
    ComposeLocal(&m_oLocalMatrix, oRotation, vScale, vTranslation);
}

void QIRN_Frame::AddPose(QIRN_FramePose* poPose)
{
    if (!poPose)
    {
        return;
    }
    if (poPose->m_strName == NEUTRAL_POSE)
    {
        if (m_poNeutralPose)
        {
            delete poPose;
            return;
        }
        m_poNeutralPose = poPose;
        return;
    }
    // The list refuses a name it holds (and an empty one) without taking the pose.
    if (!m_oPoseList.InsertNode(poPose->m_strName, poPose))
    {
        delete poPose;
    }
}

QIRN_FramePose* QIRN_Frame::GetPose(std::string szName)
{
    if (szName == NEUTRAL_POSE && m_poNeutralPose)
    {
        return m_poNeutralPose;
    }
    QIRN_LINKEDLIST<QIRN_FramePose>::Node* pNode = m_oPoseList.FindNode(szName);
    return pNode ? pNode->m_pData : nullptr;
}

QIRN_Frame* QIRN_Frame::FindByName(std::string szName)
{
    for (QIRN_Frame* poFrame = this; poFrame; poFrame = poFrame->m_poNextSibling)
    {
        if (poFrame->m_szName == szName)
        {
            return poFrame;
        }
        if (poFrame->m_poFirstChild)
        {
            QIRN_Frame* poFound = poFrame->m_poFirstChild->FindByName(szName);
            if (poFound)
            {
                return poFound;
            }
        }
    }
    return nullptr;
}
