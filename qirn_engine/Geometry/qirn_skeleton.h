#pragma once
// QIRN_Skeleton: the holder of an imported frame tree; owns the root and with it every frame.

#include "qirn_frame.h"

#include <string>

class QIRN_Skeleton
{
public:
    QIRN_Skeleton();
    ~QIRN_Skeleton();

    QIRN_Skeleton(const QIRN_Skeleton&) = delete;
    QIRN_Skeleton& operator=(const QIRN_Skeleton&) = delete;

    // NULL is ignored; a previous root is freed when replaced.
    void SetRoot(QIRN_Frame* poRoot);
    QIRN_Frame* GetRoot() const { return m_poRoot; }
    // NULL without a root.
    QIRN_Frame* FindFrame(std::string szName);
    // Poses the whole tree; nothing without a root.
    void Update(float fTime, const QIRN_WeightListNode* pVisemes, const QIRN_WeightListNode* pGestures,
                int iInterpolationType);

    QIRN_Frame* m_poRoot;
};
