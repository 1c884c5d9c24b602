#pragma once
// QIRN_BINARYTREE<T>: an unbalanced binary search tree of uniquely named elements in byte order
// of the names. Every operation is a loop, so a degenerate tree costs time, never stack.
// DeleteAllNodes and the destructor always delete the elements; ReleaseAllNodes never does.

#include "qirn_debug.h"
#include "qirn_linkedlist.h"

#include <new>
#include <string>

template <class T> class QIRN_BINARYTREENODE
{
public:
    QIRN_BINARYTREENODE(const std::string& szName, T* pData, QIRN_BINARYTREENODE* pParent, QIRN_BINARYTREENODE* pLeft,
                        QIRN_BINARYTREENODE* pRight)
        : m_szName(szName), m_iRefCount(0), m_pData(pData), m_pParent(pParent), m_pLeft(pLeft), m_pRight(pRight)
    {
    }

    ~QIRN_BINARYTREENODE()
    {
        if (m_pData)
        {
            delete m_pData;
        }
        m_pData = nullptr;
    }

    QIRN_BINARYTREENODE(const QIRN_BINARYTREENODE&) = delete;
    QIRN_BINARYTREENODE& operator=(const QIRN_BINARYTREENODE&) = delete;

    QIRN_BINARYTREENODE* GetLeftmost()
    {
        QIRN_BINARYTREENODE* pNode = this;
        while (pNode->m_pLeft)
        {
            pNode = pNode->m_pLeft;
        }
        return pNode;
    }

    // In-order successor; NULL after the greatest name.
    QIRN_BINARYTREENODE* GetNextNode()
    {
        if (m_pRight)
        {
            return m_pRight->GetLeftmost();
        }
        QIRN_BINARYTREENODE* pNode = this;
        while (pNode->m_pParent && pNode == pNode->m_pParent->m_pRight)
        {
            pNode = pNode->m_pParent;
        }
        return pNode->m_pParent;
    }

    std::string m_szName;
    int m_iRefCount;
    T* m_pData;
    QIRN_BINARYTREENODE* m_pParent;
    QIRN_BINARYTREENODE* m_pLeft;
    QIRN_BINARYTREENODE* m_pRight;
};

template <class T> class QIRN_BINARYTREE
{
public:
    typedef QIRN_BINARYTREENODE<T> Node;

    QIRN_BINARYTREE() : m_pRoot(nullptr), m_bOwnsData(1) {}
    ~QIRN_BINARYTREE() { DeleteAllNodes(); }

    QIRN_BINARYTREE(const QIRN_BINARYTREE&) = delete;
    QIRN_BINARYTREE& operator=(const QIRN_BINARYTREE&) = delete;

    Node* InsertNode(std::string szName, T* pData)
    {
        if (szName.empty())
        {
            dprintf("*** QIRN_BINARYTREE<T>::InsertNode() szName is NULL\n");
            return nullptr;
        }
        if (!m_pRoot)
        {
            m_pRoot = new (std::nothrow) Node(szName, pData, nullptr, nullptr, nullptr);
            return m_pRoot;
        }
        Node* pNode = m_pRoot;
        for (;;)
        {
            int iCompare = QIRN_CompareNames(szName, pNode->m_szName);
            if (iCompare == 0)
            {
                dprintf("*** QIRN_BINARYTREE<T>:: InsertNode(). Can't insert node '%s'. Node with same name already "
                        "exists\n",
                        szName.c_str());
                return nullptr;
            }
            Node*& pChild = iCompare < 0 ? pNode->m_pLeft : pNode->m_pRight;
            if (!pChild)
            {
                pChild = new (std::nothrow) Node(szName, pData, pNode, nullptr, nullptr);
                return pChild;
            }
            pNode = pChild;
        }
    }

    Node* FindNode(std::string szName) const
    {
        Node* pNode = m_pRoot;
        while (pNode)
        {
            int iCompare = QIRN_CompareNames(szName, pNode->m_szName);
            if (iCompare == 0)
            {
                return pNode;
            }
            pNode = iCompare < 0 ? pNode->m_pLeft : pNode->m_pRight;
        }
        return nullptr;
    }

    // With two children, pNode stays linked and takes over its successor's entry (name, count
    // and element); the successor's node object is the one freed.
    int DeleteNode(Node* pNode)
    {
        if (!pNode)
        {
            dprintf("*** QIRN_BINARYTREE<T>::DeleteNode() - pNode is NULL\n");
            return 1;
        }
        Node* pUnlink = (!pNode->m_pLeft || !pNode->m_pRight) ? pNode : pNode->m_pRight->GetLeftmost();
        Node* pChild = pUnlink->m_pLeft ? pUnlink->m_pLeft : pUnlink->m_pRight;
        if (pChild)
        {
            pChild->m_pParent = pUnlink->m_pParent;
        }
        if (!pUnlink->m_pParent)
        {
            m_pRoot = pChild;
        }
        else if (pUnlink == pUnlink->m_pParent->m_pLeft)
        {
            pUnlink->m_pParent->m_pLeft = pChild;
        }
        else
        {
            pUnlink->m_pParent->m_pRight = pChild;
        }
        if (pUnlink != pNode)
        {
            T* pRemoved = pNode->m_pData;
            pNode->m_szName = pUnlink->m_szName;
            pNode->m_iRefCount = pUnlink->m_iRefCount;
            pNode->m_pData = pUnlink->m_pData;
            pUnlink->m_pData = pRemoved;
        }
        if (!m_bOwnsData)
        {
            pUnlink->m_pData = nullptr;
        }
        delete pUnlink;
        return 0;
    }

    int DeleteNodeByName(std::string szName) { return DeleteNode(FindNode(szName)); }

    Node* GetFirstNode() const { return m_pRoot ? m_pRoot->GetLeftmost() : nullptr; }

    void DeleteAllNodes()
    {
        m_bOwnsData = 1;
        while (m_pRoot)
        {
            DeleteNode(m_pRoot->GetLeftmost());
        }
    }

    void ReleaseAllNodes()
    {
        m_bOwnsData = 0;
        while (m_pRoot)
        {
            DeleteNode(m_pRoot->GetLeftmost());
        }
    }

    Node* m_pRoot;
    int m_bOwnsData;
};
