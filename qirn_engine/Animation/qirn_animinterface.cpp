#include "qirn_animinterface.h"

#include "qirn_debug.h"

#include <cmath>
#include <utility>

QIRN_AnimationRecord::QIRN_AnimationRecord(std::string name, float rate, float startTime, float endTime)
    : m_strName(std::move(name)), m_fRate(rate), m_fStartTime(startTime), m_fEndTime(endTime)
{
}

QIRN_AnimInterface::QIRN_AnimInterface(QIRN_LINKEDLIST<QIRN_AnimationRecord>* pContainer)
    : m_pAnimContainer(pContainer), m_pCurrentAnimation(nullptr), m_fTime(0.0f)
{
}

QIRN_AnimInterface::~QIRN_AnimInterface()
{
    m_pAnimContainer = nullptr;
    m_pCurrentAnimation = nullptr;
}

void QIRN_AnimInterface::SetAnimationContainer(QIRN_LINKEDLIST<QIRN_AnimationRecord>* pContainer)
{
    m_pAnimContainer = pContainer;
    m_pCurrentAnimation = nullptr;
}

int QIRN_AnimInterface::SetCurrentAnimation(std::string strAnimName)
{
    if (strAnimName.empty())
    {
        dprintf("*** QIRN_AnimInterface::SetCurrentAnimation() - strAnimName is EMPTY. No specified "
                "animation name\n");
        return 1;
    }
    if (!m_pAnimContainer)
    {
        dprintf("*** QIRN_AnimInterface::SetCurrentAnimation() - No Animation Container. Can't set current "
                "animation\n");
        return 1;
    }
    // Choosing the running animation again keeps its time running.
    if (m_pCurrentAnimation && m_pCurrentAnimation->GetName() == strAnimName)
    {
        return 0;
    }
    QIRN_LINKEDLISTNODE<QIRN_AnimationRecord>* pNode = m_pAnimContainer->FindNode(strAnimName);
    if (!pNode)
    {
        dprintf(
            "*** QIRN_AnimInterface::SetCurrentAnimation() - Can't find any animation objects in the anim "
            "container\n");
        return 1;
    }
    if (!pNode->m_pData)
    {
        dprintf("*** QIRN_AnimInterface::SetCurrentAnimation() - pNode->m_pData is NULL\n");
        return 1;
    }
    m_pCurrentAnimation = pNode->m_pData;
    m_fTime = m_pCurrentAnimation->GetStartTime();
    return 0;
}

int QIRN_AnimInterface::Update(float dt)
{
    if (!m_pAnimContainer)
    {
        m_fTime += dt;
        return 1;
    }
    if (!m_pCurrentAnimation && m_pAnimContainer->m_pHead && m_pAnimContainer->m_pHead->m_pData)
    {
        SetCurrentAnimation(m_pAnimContainer->m_pHead->m_pData->GetName());
    }
    if (!m_pCurrentAnimation)
    {
        return 0;
    }
    float fStart = m_pCurrentAnimation->GetStartTime();
    float fEnd = m_pCurrentAnimation->GetEndTime();
    float fLength = m_pCurrentAnimation->GetLength();
    m_fTime += m_pCurrentAnimation->GetRate() * dt;

    if (m_fTime >= fStart && m_fTime <= fEnd)
    {
        return 0;
    }
    // An empty or reversed range, or a time that is no number, has nowhere to wrap to: hold the start.
    if (!(fLength > 0.0f) || !std::isfinite(m_fTime))
    {
        m_fTime = fStart;
        return 0;
    }
    // Closed form of adding or subtracting the length until the time is back in [start, end];
    // a whole number of lengths lands exactly on the start (from below) or the end (from above).
    if (m_fTime < fStart)
    {
        float fRest = std::fmod(m_fTime - fStart, fLength);
        m_fTime = fRest < 0.0f ? fStart + fRest + fLength : fStart;
    }
    else
    {
        float fRest = std::fmod(m_fTime - fEnd, fLength);
        m_fTime = fRest > 0.0f ? fEnd - (fLength - fRest) : fEnd;
    }
    return 0;
}
