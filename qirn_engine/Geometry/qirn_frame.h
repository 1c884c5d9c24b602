#pragma once
// QIRN_Frame: one node (bone) of an imported frame tree. Each update gives it a local matrix from
// its keyframe tracks, from head and eye angles (gesture channels) or from a blend of named poses
// over its "Neutral" pose (viseme channels), then combines it with its parent's.

#include "qirn_framepose.h"
#include "qirn_linkedlist.h"
#include "qirn_math.h"

#include <list>
#include <string>

class QIRN_AnimationSequence;

// One channel of a weight list: the node's name is the channel, its data the current value. The
// lists belong to the lip-sync timeline; frames walk them from a given node along m_pNext.
typedef QIRN_LINKEDLISTNODE<float> QIRN_WeightListNode;

class QIRN_Frame
{
public:
    QIRN_Frame();
    ~QIRN_Frame();

    QIRN_Frame(const QIRN_Frame&) = delete;
    QIRN_Frame& operator=(const QIRN_Frame&) = delete;

    // How many frames exist, for leak checks.
    static int GetLiveCount();

    // Takes the child (and whatever siblings it brings) as the last of this frame's children.
    void AddChild(QIRN_Frame* poChild);

    // Animates this frame and its following siblings, combines each with its parent and descends.
    void UpdateHierarchy(float fTime, const QIRN_WeightListNode* pVisemes,
                         const QIRN_WeightListNode* pGestures, int iInterpolationType);
    // This frame's local matrix only.
    void Animate(float fTime, const QIRN_WeightListNode* pVisemes, const QIRN_WeightListNode* pGestures,
                 int iInterpolationType);

    // Takes the pose when stored; a pose whose name is taken already (a second "Neutral" too) is
    // deleted.
    void AddPose(QIRN_FramePose* poPose);
    QIRN_FramePose* GetPose(std::string szName);

    QIRN_Matrix4 GetCombinedMatrix() const { return m_oCombinedMatrix; }
    // Depth first: this frame, then its children, then its following siblings.
    QIRN_Frame* FindByName(std::string szName);

    std::string m_szName;
    QIRN_Matrix4 m_oLocalMatrix;
    QIRN_Matrix4 m_oOffsetMatrix;
    QIRN_Matrix4 m_oCombinedMatrix;
    std::list<QIRN_AnimationSequence*> m_oAnimationSequences;
    QIRN_LINKEDLIST<QIRN_FramePose> m_oPoseList;
    QIRN_FramePose* m_poNeutralPose;
    QIRN_Frame* m_poFirstChild;
    QIRN_Frame* m_poNextSibling;
    QIRN_Frame* m_pParent;

private:
    void RotateHeadAndEyes(int iPart, const QIRN_WeightListNode* pGestures);
    void BlendPoses(const QIRN_WeightListNode* pVisemes);
};
