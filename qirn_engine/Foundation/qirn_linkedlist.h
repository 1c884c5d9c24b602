#pragma once
// QIRN_LINKEDLIST<T>: a doubly linked list of named elements. InsertNode keeps the names in
// ascending byte order and unique; AppendNode and PrependNode check neither. While m_bOwnsData is
// set, deleting a node deletes its element.
//
// Beside the links the list keeps an index of its nodes by name, so that lookups and sorted
// insertions cost a logarithmic number of comparisons instead of a walk of the whole list. The
// index is only kept while the list is in strictly ascending name order (always so when it is
// filled through InsertNode); a list that AppendNode or PrependNode put out of order, or that holds
// a name twice, drops it and is searched by walking until it is empty again. Either way a search
// answers the node a walk from the head would.

#include "qirn_debug.h"

#include <cstring>
#include <iterator>
#include <new>
#include <map>
#include <string>

// Plain byte-wise comparison of two names as NUL-terminated strings: case-sensitive, every
// capital before every small letter, a prefix before the longer name.
inline int QIRN_CompareNames(const std::string& a, const std::string& b)
{
    return strcmp(a.c_str(), b.c_str());
}

// Takes a node out of a doubly linked list given by its head and tail and clears its links;
// shared by the name-keyed and the keyed list.
template <class Node> void QIRN_UnlinkNode(Node*& rpHead, Node*& rpTail, Node* pNode)
{
    if (pNode == rpHead && pNode == rpTail)
    {
        rpHead = rpTail = nullptr;
    }
    else if (pNode == rpHead)
    {
        rpHead = pNode->m_pNext;
        rpHead->m_pPrev = nullptr;
    }
    else if (pNode == rpTail)
    {
        rpTail = pNode->m_pPrev;
        rpTail->m_pNext = nullptr;
    }
    else
    {
        pNode->m_pPrev->m_pNext = pNode->m_pNext;
        pNode->m_pNext->m_pPrev = pNode->m_pPrev;
    }
    pNode->m_pNext = nullptr;
    pNode->m_pPrev = nullptr;
}

// Links a new node in front of pStop (not NULL) of the list given by its head.
template <class Node> void QIRN_LinkNodeBefore(Node*& rpHead, Node* pStop, Node* pNode)
{
    pNode->m_pNext = pStop;
    pNode->m_pPrev = pStop->m_pPrev;
    if (pStop->m_pPrev)
    {
        pStop->m_pPrev->m_pNext = pNode;
    }
    else
    {
        rpHead = pNode;
    }
    pStop->m_pPrev = pNode;
}

// Orders the names of a name index as QIRN_CompareNames does. The index keeps its own copy of
// each name, so that a search compares without visiting the nodes.
struct QIRN_NameLess
{
    bool operator()(const std::string& a, const std::string& b) const { return QIRN_CompareNames(a, b) < 0; }
};

// Removes pNode from a name index, when the index holds that very node under its name.
template <class Index, class Node> void QIRN_EraseFromIndex(Index& roIndex, Node* pNode)
{
    typename Index::iterator it = roIndex.find(pNode->m_szName);
    if (it != roIndex.end() && it->second == pNode)
    {
        roIndex.erase(it);
    }
}

template <class T> class QIRN_LINKEDLISTNODE
{
public:
    QIRN_LINKEDLISTNODE(const std::string& szName, T* pData, QIRN_LINKEDLISTNODE* pNext, QIRN_LINKEDLISTNODE* pPrev)
        : m_szName(szName), m_pData(pData), m_pNext(pNext), m_pPrev(pPrev)
    {
    }

    ~QIRN_LINKEDLISTNODE()
    {
        m_szName.clear();
        m_pNext = nullptr;
        m_pPrev = nullptr;
        if (m_pData)
        {
            delete m_pData;
        }
        m_pData = nullptr;
    }

    QIRN_LINKEDLISTNODE(const QIRN_LINKEDLISTNODE&) = delete;
    QIRN_LINKEDLISTNODE& operator=(const QIRN_LINKEDLISTNODE&) = delete;

    std::string m_szName;
    T* m_pData;
    QIRN_LINKEDLISTNODE* m_pNext;
    QIRN_LINKEDLISTNODE* m_pPrev;
};

template <class T> class QIRN_LINKEDLIST
{
public:
    typedef QIRN_LINKEDLISTNODE<T> Node;

    explicit QIRN_LINKEDLIST(bool bOwnsData = true)
        : m_pHead(nullptr), m_pTail(nullptr), m_iCount(0), m_bOwnsData(bOwnsData ? 1 : 0), m_bIndexed(true)
    {
    }

    ~QIRN_LINKEDLIST() { DeleteAllNodes(); }

    QIRN_LINKEDLIST(const QIRN_LINKEDLIST&) = delete;
    QIRN_LINKEDLIST& operator=(const QIRN_LINKEDLIST&) = delete;

    Node* InsertNode(std::string szName, T* pData)
    {
        if (!pData)
        {
            dprintf("*** QIRN_LINKEDLIST::InsertNode(): pData is NULL\n");
            return nullptr;
        }
        if (szName.empty())
        {
            dprintf("*** QIRN_LINKEDLIST::InsertNode(): szName is NULL\n");
            return nullptr;
        }
        typename Index::iterator itStop = m_oIndex.end();
        if (m_bIndexed)
        {
            // One search of the index answers whether the name is there and where the walk of a
            // sorted list would stop: at the first greater name.
            itStop = m_oIndex.lower_bound(szName);
            if (itStop != m_oIndex.end() && QIRN_CompareNames(itStop->first, szName) == 0)
            {
                if (itStop->first == szName)
                {
                    dprintf("*** QIRN_LINKEDLIST::InsertNode() Can't insert node '%s'. List has already a node by "
                            "that name\n",
                            szName.c_str());
                    return nullptr;
                }
                // Names that differ only past a NUL byte: the list is left to its walks.
                DropIndex();
            }
        }
        if (!m_bIndexed && FindNode(szName))
        {
            dprintf("*** QIRN_LINKEDLIST::InsertNode() Can't insert node '%s'. List has already a node by that name\n",
                    szName.c_str());
            return nullptr;
        }
        if (!m_pHead || QIRN_CompareNames(szName, m_pHead->m_szName) < 0)
        {
            return PrependNode(szName, pData);
        }
        if (QIRN_CompareNames(szName, m_pTail->m_szName) > 0)
        {
            return AppendNode(szName, pData);
        }
        Node* pStop = nullptr;
        if (m_bIndexed)
        {
            pStop = itStop->second;
        }
        else
        {
            pStop = m_pHead;
            while (pStop->m_pNext && QIRN_CompareNames(szName, pStop->m_szName) > 0)
            {
                pStop = pStop->m_pNext;
            }
        }
        Node* pNode = new (std::nothrow) Node(szName, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLIST::InsertNode(): Weird error. Not supposed to ever get here.\n");
            return nullptr;
        }
        QIRN_LinkNodeBefore(m_pHead, pStop, pNode);
        ++m_iCount;
        if (m_bIndexed)
        {
            AddToIndex(itStop, pNode);
        }
        return pNode;
    }

    Node* AppendNode(std::string szName, T* pData)
    {
        if (!pData)
        {
            dprintf("*** QIRN_LINKDLIST<T>::AppendNode(): pData is NULL\n");
            return nullptr;
        }
        if (szName.empty())
        {
            dprintf("*** QIRN_LINKEDLIST<T>::AppendNode(): szName is NULL\n");
            return nullptr;
        }
        Node* pNode = new (std::nothrow) Node(szName, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLIST<T>::AppendNode(): mem allocation for pNode failed\n");
            return nullptr;
        }
        const bool bInOrder = !m_pTail || QIRN_CompareNames(m_pTail->m_szName, szName) < 0;
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
        KeepIndexed(m_oIndex.end(), pNode, bInOrder);
        return pNode;
    }

    Node* PrependNode(std::string szName, T* pData)
    {
        if (szName.empty())
        {
            dprintf("*** QIRN_LINKEDLIST<T>::PrependNode(): szName is NULL\n");
            return nullptr;
        }
        if (!pData)
        {
            dprintf("*** QIRN_LINKEDLIST<T>::PrependNode(): pData is NULL\n");
            return nullptr;
        }
        Node* pNode = new (std::nothrow) Node(szName, pData, nullptr, nullptr);
        if (!pNode)
        {
            dprintf("*** QIRN_LINKEDLIST<T>::PrependNode() mem allocation for pNode failed\n");
            return nullptr;
        }
        const bool bInOrder = !m_pHead || QIRN_CompareNames(szName, m_pHead->m_szName) < 0;
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
        KeepIndexed(m_oIndex.begin(), pNode, bInOrder);
        return pNode;
    }

    Node* FindNode(std::string szName) const
    {
        if (m_bIndexed)
        {
            // The list holds at most one node that compares equal, so it is the walk's answer.
            typename Index::const_iterator it = m_oIndex.find(szName);
            return it != m_oIndex.end() && it->first == szName ? it->second : nullptr;
        }
        for (Node* pNode = m_pHead; pNode; pNode = pNode->m_pNext)
        {
            if (pNode->m_szName == szName)
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
            dprintf("*** QIRN_LINKDLIST<T>::DeleteNode() - pNode is NULL\n");
            return 1;
        }
        if (m_bIndexed)
        {
            QIRN_EraseFromIndex(m_oIndex, pNode);
        }
        QIRN_UnlinkNode(m_pHead, m_pTail, pNode);
        if (!m_bOwnsData)
        {
            pNode->m_pData = nullptr;
        }
        delete pNode;
        --m_iCount;
        if (!m_pHead)
        {
            // An empty list is in order again.
            m_oIndex.clear();
            m_bIndexed = true;
        }
        return 0;
    }

    int DeleteNodeByName(std::string szName) { return DeleteNode(FindNode(szName)); }

    void DeleteAllNodes()
    {
        while (m_pHead)
        {
            DeleteNode(m_pHead);
        }
        m_pHead = m_pTail = nullptr;
        m_iCount = 0;
    }

    // Frees every node and keeps every element, whatever m_bOwnsData says.
    void ReleaseAllNodes()
    {
        int bOwnsData = m_bOwnsData;
        m_bOwnsData = 0;
        while (m_pHead)
        {
            DeleteNode(m_pHead);
        }
        m_bOwnsData = bOwnsData;
        m_pHead = m_pTail = nullptr;
        m_iCount = 0;
    }

    Node* m_pHead;
    Node* m_pTail;
    int m_iCount;
    int m_bOwnsData;

private:
    typedef std::map<std::string, Node*, QIRN_NameLess> Index;

    // After AppendNode or PrependNode: a node that keeps the list in strict order joins the index,
    // any other ends it.
    void KeepIndexed(typename Index::iterator itHint, Node* pNode, bool bInOrder)
    {
        if (m_bIndexed && bInOrder)
        {
            AddToIndex(itHint, pNode);
        }
        else
        {
            DropIndex();
        }
    }

    // Files the node just before itHint; when the index cannot grow, the list goes on without it.
    void AddToIndex(typename Index::iterator itHint, Node* pNode)
    {
        try
        {
            m_oIndex.insert(itHint, typename Index::value_type(pNode->m_szName, pNode));
        }
        catch (...)
        {
            DropIndex();
        }
    }

    void DropIndex()
    {
        m_oIndex.clear();
        m_bIndexed = false;
    }

    // Every node by name while m_bIndexed is set (the list then in strictly ascending order);
    // empty otherwise.
    Index m_oIndex;
    bool m_bIndexed;
};
