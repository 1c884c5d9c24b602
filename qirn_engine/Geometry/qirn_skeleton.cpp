#include "qirn_skeleton.h"

QIRN_Skeleton::QIRN_Skeleton() : m_poRoot(nullptr) {}

QIRN_Skeleton::~QIRN_Skeleton()
{
    delete m_poRoot;
    m_poRoot = nullptr;
}

void QIRN_Skeleton::SetRoot(QIRN_Frame* poRoot)
{
    if (!poRoot || poRoot == m_poRoot)
    {
        return;
    }
    delete m_poRoot;
    m_poRoot = poRoot;
}

QIRN_Frame* QIRN_Skeleton::FindFrame(std::string szName)
{
    return m_poRoot ? m_poRoot->FindByName(szName) : nullptr;
}

void QIRN_Skeleton::Update(float fTime, const QIRN_WeightListNode* pVisemes,
                           const QIRN_WeightListNode* pGestures, int iInterpolationType)
{
    if (m_poRoot)
    {
        m_poRoot->UpdateHierarchy(fTime, pVisemes, pGestures, iInterpolationType);
    }
}
