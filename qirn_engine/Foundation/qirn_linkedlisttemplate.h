#pragma once
// QIRN_LINKEDLISTTEMPLATE<T, K>: a doubly linked list ordered by a numeric key. Equal keys keep
// their insertion order; only a repeat of both key and element is refused.

#include "qirn_debug.h"
#include "qirn_linkedlist.h"

#include <new>

template <class T, class K> class QIRN_LINKEDLISTTEMPLATENODE
{
public:
    QIRN_LINKEDLISTTEMPLATENODE(K Key, T* pData, QIRN_LINKEDLISTTEMPLATENODE* pNext,
                                QIRN_LINKEDLISTTEMPLATENODE* pPrev)
        : m_Key(Key), m_pData(pData), m_pNext(pNext), m_pPrev(pPrev)
    {
    }

    QIRN_LINKEDLISTTEMPLATENODE(const QIRN_LINKEDLISTTEMPLATENODE&) = delete;
    QIRN_LINKEDLISTTEMPLATENODE& operator=(const QIRN_LINKEDLISTTEMPLATENODE&) = delete;

    K m_Key;
    T* m_pData;
    QIRN_LINKEDLISTTEMPLATENODE* m_pNext;
    QIRN_LINKEDLISTTEMPLATENODE* m_pPrev;
};

template <class T, class K> class QIRN_LINKEDLISTTEMPLATE
{
public:
    typedef QIRN_LINKEDLISTTEMPLATENODE<T, K> Node;

    explicit QIRN_LINKEDLISTTEMPLATE(bool bOwnsData = true)
        : m_pHead(nullptr), m_pTail(nullptr), m_iCount(0), m_bOwnsData(bOwnsData ? 1 : 0)
    {
    }

    ~QIRN_LINKEDLISTTEMPLATE() { DeleteAllNodes(); }

    QIRN_LINKEDLISTTEMPLATE(const QIRN_LINKEDLISTTEMPLATE&) = delete;
    QIRN_LINKEDLISTTEMPLATE& operator=(const QIRN_LINKEDLISTTEMPLATE&) = delete;

    Node* InsertNode(K Key, T* pData)
    {
        // A NULL element is refused here too, not only in the head and tail cases.
        if (!pData)
        {
            dprintf("*** QIRN_LINKEDLISTTEMPLATE<T, K>::InsertNode(): pData is NULL\n");
            return nullptr;
        }
        if (FindNode(Key, pData))
        {
            return nullptr;
        }
        if (!m_pHead || Key < m_pHead->m_Key)
        {
            return PrependNode(Key, pData);
        }
        if (!(Key < m_pTail->m_Key))
        {
            return AppendNode(Key, pData);
        }
        Node* pStop = m_pHead;
        while (pStop->m_pNext && !(Key < pStop->m_Key))
        {
            pStop = pStop->m_pNext;
        }
        Node* pNode = new (std::nothrow) Node(Key, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLISTTEMPLATE::InsertNode(): Weird error. Not supposed to ever get here.\n");
            return nullptr;
        }
        QIRN_LinkNodeBefore(m_pHead, pStop, pNode);
        ++m_iCount;
        return pNode;
    }

    Node* AppendNode(K Key, T* pData)
    {
        if (!pData)
        {
            dprintf("*** QIRN_LINKDLIST<T, K>::AppendNode(): pData is NULL\n");
            return nullptr;
        }
        Node* pNode = new (std::nothrow) Node(Key, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLISTTEMPLATE<T, K>::AppendNode(): mem allocation for pNode failed\n");
            return nullptr;
        }
        if (!m_pHead)
        {
            m_pHead = pNode;
        }
        else
        {
            pNode->m_pPrev = m_pTail;
            m_pTail->m_pNext = pNode;
        }
        m_pTail = pNode;
        ++m_iCount;
        return pNode;
    }

    Node* PrependNode(K Key, T* pData)
    {
        if (!pData)
        {
            dprintf("*** QIRN_LINKEDLISTTEMPLATE<T, K>::PrependNode(): pData is NULL\n");
            return nullptr;
        }
        Node* pNode = new (std::nothrow) Node(Key, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLISTTEMPLATE<T, K>::PrependNode() mem allocation for pNode failed\n");
            return nullptr;
        }
        if (!m_pHead)
        {
            m_pTail = pNode;
        }
        else
        {
            pNode->m_pNext = m_pHead;
            m_pHead->m_pPrev = pNode;
        }
        m_pHead = pNode;
        ++m_iCount;
        return pNode;
    }

    Node* FindNode(K Key, T* pData) const
    {
        for (Node* pNode = m_pHead; pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_Key == Key && pNode->m_pData == pData)
            {
                return pNode;
            }
        }
        return nullptr;
    }

    int DeleteNode(Node* pNode)
    {
        if (!pNode)
        {
            dprintf("*** QIRN_LINKDLIST<T, K>::DeleteNode() - pNode is NULL\n");
            return 1;
        }
        QIRN_UnlinkNode(m_pHead, m_pTail, pNode);
        if (!m_bOwnsData)
        {
            pNode->m_pData = nullptr;
        }
        if (pNode->m_pData)
        {
            delete pNode->m_pData;
            pNode->m_pData = nullptr;
        }
        delete pNode;
        --m_iCount;
        return 0;
    }

    void DeleteAllNodes()
    {
        while (m_pHead)
        {
            DeleteNode(m_pHead);
        }
        m_pHead = m_pTail = nullptr;
        m_iCount = 0;
    }

    Node* m_pHead;
    Node* m_pTail;
    int m_iCount;
    int m_bOwnsData;
};
