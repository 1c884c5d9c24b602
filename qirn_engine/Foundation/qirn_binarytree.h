#pragma once
// QIRN_BINARYTREE<T>: an unbalanced binary search tree of uniquely named elements in byte order
// of the names. Every operation is a loop, so a degenerate tree costs time, never stack.
// DeleteAllNodes and the destructor always delete the elements; ReleaseAllNodes never does.
//
// Beside the tree an index holds every node by name. Lookups, the search for a new leaf's place
// and the search for the smallest name use it, so they cost a logarithmic number of comparisons
// however deep the tree has grown (names that arrive in order make a chain); the tree itself takes
// exactly the shape the plain insertions give it.

#include "qirn_debug.h"
#include "qirn_linkedlist.h"

#include <iterator>
#include <new>
#include <map>
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
        typename Index::iterator itNext = m_oIndex.lower_bound(szName);
        if (itNext != m_oIndex.end() && QIRN_CompareNames(itNext->first, szName) == 0)
        {
            dprintf("*** QIRN_BINARYTREE<T>:: InsertNode(). Can't insert node '%s'. Node with same name already "
                    "exists\n",
                    szName.c_str());
            return nullptr;
        }
        // A search from the root would end below the nearest smaller name when that node has no
        // right child, else below the nearest greater name, which then has no left child.
        Node* pSmaller = itNext != m_oIndex.begin() ? std::prev(itNext)->second : nullptr;
        Node* pGreater = itNext != m_oIndex.end() ? itNext->second : nullptr;
        Node* pParent = (pSmaller && !pSmaller->m_pRight) ? pSmaller : pGreater;
        Node* pNode = new (std::nothrow) Node(szName, pData, pParent, nullptr, nullptr);
        if (!pNode)
        {
            return nullptr;
        }
        try
        {
            m_oIndex.insert(itNext, typename Index::value_type(szName, pNode));
        }
        catch (...)
        {
            pNode->m_pData = nullptr;
            delete pNode;
            return nullptr;
        }
        if (!pParent)
        {
            m_pRoot = pNode;
        }
        else if (pParent == pGreater)
        {
            pParent->m_pLeft = pNode;
        }
        else
        {
            pParent->m_pRight = pNode;
        }
        return pNode;
    }

    Node* FindNode(std::string szName) const
    {
        typename Index::const_iterator it = m_oIndex.find(szName);
        return it != m_oIndex.end() ? it->second : nullptr;
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
        Node* pUnlink = pNode;
        if (pNode->m_pLeft && pNode->m_pRight)
        {
            // The successor, the leftmost node of the right subtree, is the next name in the index.
            typename Index::iterator it = m_oIndex.find(pNode->m_szName);
            pUnlink = (it != m_oIndex.end() && it->second == pNode && std::next(it) != m_oIndex.end())
                          ? std::next(it)->second
                          : pNode->m_pRight->GetLeftmost();
        }
        QIRN_EraseFromIndex(m_oIndex, pNode);
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
            // The successor's entry in the index now files the node that takes over its name.
            typename Index::iterator it = m_oIndex.find(pUnlink->m_szName);
            if (it != m_oIndex.end() && it->second == pUnlink)
            {
                it->second = pNode;
            }
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

    // The leftmost node of the root, the first name of the index.
    Node* GetFirstNode() const
    {
        if (!m_oIndex.empty())
        {
            return m_oIndex.begin()->second;
        }
        return m_pRoot ? m_pRoot->GetLeftmost() : nullptr;
    }

    void DeleteAllNodes()
    {
        m_bOwnsData = 1;
        while (m_pRoot)
        {
            DeleteNode(GetFirstNode());
        }
    }

    void ReleaseAllNodes()
    {
        m_bOwnsData = 0;
        while (m_pRoot)
        {
            DeleteNode(GetFirstNode());
        }
    }

    Node* m_pRoot;
    int m_bOwnsData;

private:
    typedef std::map<std::string, Node*, QIRN_NameLess> Index;

    // Every node of the tree, by name.
    Index m_oIndex;
};
