#pragma once
// Chooses the current animation of a mesh actor from a container of named animation records and
// keeps the actor's animation time inside that animation's range, advancing it at its rate.

#include "qirn_linkedlist.h"

#include <string>

// One animation a mesh actor can play: a range of animation time and its speed.
class QIRN_AnimationRecord
{
public:
    QIRN_AnimationRecord(std::string name, float rate, float startTime, float endTime);
    virtual ~QIRN_AnimationRecord() = default;

    std::string GetName() const { return m_strName; }
    float GetRate() const { return m_fRate; }
    float GetStartTime() const { return m_fStartTime; }
    float GetEndTime() const { return m_fEndTime; }
    float GetLength() const { return m_fEndTime - m_fStartTime; }

    std::string m_strName;
    // Animation time per second of scene time.
    float m_fRate;
    float m_fStartTime;
    float m_fEndTime;
};

class QIRN_AnimInterface
{
public:
    explicit QIRN_AnimInterface(QIRN_LINKEDLIST<QIRN_AnimationRecord>* pContainer = nullptr);
    virtual ~QIRN_AnimInterface();

    QIRN_AnimInterface(const QIRN_AnimInterface&) = delete;
    QIRN_AnimInterface& operator=(const QIRN_AnimInterface&) = delete;

    // The container is not owned; changing it forgets the current animation.
    void SetAnimationContainer(QIRN_LINKEDLIST<QIRN_AnimationRecord>* pContainer);
    QIRN_AnimationRecord* GetCurrentAnimation() const { return m_pCurrentAnimation; }

    float GetTime() const { return m_fTime; }
    // 0, or 1 (logged) for an empty name, no container or no such animation.
    int SetCurrentAnimation(std::string strAnimName);
    // 0, or 1 without a container (the time then still advances by the plain step).
    int Update(float dt);

    QIRN_LINKEDLIST<QIRN_AnimationRecord>* m_pAnimContainer;
    QIRN_AnimationRecord* m_pCurrentAnimation;
    float m_fTime;
};
