#pragma once
// The world's lists of data-bunny assignments, one per value type, updated every frame. The
// lists never own their assignments.

#include "qirn_databunnyassignment.h"
#include "qirn_linkedlist.h"

class QIRN_DataBunnyAssignmentsManager
{
public:
    QIRN_DataBunnyAssignmentsManager();
    virtual ~QIRN_DataBunnyAssignmentsManager();

    QIRN_DataBunnyAssignmentsManager(const QIRN_DataBunnyAssignmentsManager&) = delete;
    QIRN_DataBunnyAssignmentsManager& operator=(const QIRN_DataBunnyAssignmentsManager&) = delete;

    // Nothing to prepare: 0.
    int Init();
    // Updates every listed assignment (byte, bool, float, then int list); logs failures, answers 0.
    int Update(float dt);
    // Empties the four lists; the assignments stay with their consumers.
    void ShutDown();

    QIRN_LINKEDLIST<QIRN_BaseDataBunnyAssignment> m_oByteDataBunnyAssignments;
    QIRN_LINKEDLIST<QIRN_BoolDataBunnyAssignment> m_oBoolDataBunnyAssignments;
    QIRN_LINKEDLIST<QIRN_FloatDataBunnyAssignment> m_oFloatDataBunnyAssignments;
    QIRN_LINKEDLIST<QIRN_IntDataBunnyAssignment> m_oIntDataBunnyAssignments;
};
