#include "qirn_databunnyassignmentsmanager.h"

#include "qirn_debug.h"

namespace
{
// Walks one list head to tail; szNull and szFailed (NULL for none) are the list's messages.
template <class T>
void UpdateList(QIRN_LINKEDLIST<T>& oList, float dt, const char* szNull, const char* szFailed)
{
    for (QIRN_LINKEDLISTNODE<T>* pNode = oList.m_pHead; pNode; pNode = pNode->m_pNext)
    {
        if (!pNode->m_pData)
        {
            dprintf("%s", szNull);
            continue;
        }
        if (pNode->m_pData->Update(dt) != 0 && szFailed)
        {
            dprintf("%s", szFailed);
        }
    }
}
} // namespace

QIRN_DataBunnyAssignmentsManager::QIRN_DataBunnyAssignmentsManager()
    : m_oByteDataBunnyAssignments(false), m_oBoolDataBunnyAssignments(false),
      m_oFloatDataBunnyAssignments(false), m_oIntDataBunnyAssignments(false)
{
}

QIRN_DataBunnyAssignmentsManager::~QIRN_DataBunnyAssignmentsManager()
{
    ShutDown();
}

int QIRN_DataBunnyAssignmentsManager::Init()
{
    return 0;
}

int QIRN_DataBunnyAssignmentsManager::Update(float dt)
{
    UpdateList(
        m_oByteDataBunnyAssignments, dt,
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poByteDBA->m_pData is NULL. Nothing to Update\n",
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poByteDBA->m_pData->Update() FAILED\n");
    UpdateList(
        m_oBoolDataBunnyAssignments, dt,
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poBoolDBA->m_pData is NULL. Nothing to Update\n",
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poBoolDBA->m_pData->Update() FAILED\n");
    UpdateList(
        m_oFloatDataBunnyAssignments, dt,
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poFloatDBA->m_pData is NULL. Nothing to Update\n",
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poFloatDBA->m_pData->Update() FAILED\n");
    UpdateList(
        m_oIntDataBunnyAssignments, dt,
        "*** QIRN_DataBunnyAssignmentsManager::Update() - poIntDBA->m_pData is NULL. Nothing to Update\n",
        nullptr);
    return 0;
}

void QIRN_DataBunnyAssignmentsManager::ShutDown()
{
    m_oByteDataBunnyAssignments.ReleaseAllNodes();
    m_oBoolDataBunnyAssignments.ReleaseAllNodes();
    m_oFloatDataBunnyAssignments.ReleaseAllNodes();
    m_oIntDataBunnyAssignments.ReleaseAllNodes();
}
