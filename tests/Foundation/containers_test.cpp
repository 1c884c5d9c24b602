#include "qirn_binarytree.h"
#include "qirn_linkedlist.h"
#include "qirn_linkedlisttemplate.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace
{
// An element that counts its destructions, to see which container deletes what.
struct Tracked
{
    explicit Tracked(int* piDeleted) : m_piDeleted(piDeleted) {}
    ~Tracked() { ++*m_piDeleted; }
    int* m_piDeleted;
};

template <class List> std::vector<std::string> Names(const List& list)
{
    std::vector<std::string> v;
    for (auto* p = list.m_pHead; p; p = p->m_pNext)
    {
        v.push_back(p->m_szName);
    }
    return v;
}

template <class T> std::vector<std::string> Walk(const QIRN_BINARYTREE<T>& tree)
{
    std::vector<std::string> v;
    for (auto* p = tree.GetFirstNode(); p; p = p->GetNextNode())
    {
        v.push_back(p->m_szName);
    }
    return v;
}

typedef std::vector<std::string> Strings;
} // namespace

TEST(LinkedList, InsertKeepsByteOrderAndRefusesDuplicates)
{
    qirn_test::LogCapture log;
    QIRN_LINKEDLIST<int> list;
    list.InsertNode("b", new int(2));
    list.InsertNode("a", new int(1));
    list.InsertNode("c", new int(3));
    list.InsertNode("B", new int(4));
    list.InsertNode("ab", new int(5));
    EXPECT_EQ(Names(list), (Strings{"B", "a", "ab", "b", "c"}));
    EXPECT_EQ(list.m_iCount, 5);
    EXPECT_EQ(list.m_pHead->m_pPrev, nullptr);
    EXPECT_EQ(list.m_pTail->m_pNext, nullptr);

    int* pDuplicate = new int(6);
    EXPECT_EQ(list.InsertNode("ab", pDuplicate), nullptr);
    delete pDuplicate;
    EXPECT_TRUE(log.Contains(
        "*** QIRN_LINKEDLIST::InsertNode() Can't insert node 'ab'. List has already a node by that name\n"));
    EXPECT_EQ(list.m_iCount, 5);
}

TEST(LinkedList, RefusalsLogTheirOwnMessages)
{
    struct Case
    {
        int iOperation; // 0 insert, 1 append, 2 prepend
        const char* szName;
        bool bNullData;
        const char* szMessage;
    };
    const Case cases[] = {
        {0, "", false, "*** QIRN_LINKEDLIST::InsertNode(): szName is NULL\n"},
        {1, "", false, "*** QIRN_LINKEDLIST<T>::AppendNode(): szName is NULL\n"},
        {2, "", false, "*** QIRN_LINKEDLIST<T>::PrependNode(): szName is NULL\n"},
        {0, "", true, "*** QIRN_LINKEDLIST::InsertNode(): pData is NULL\n"},
        {1, "", true, "*** QIRN_LINKDLIST<T>::AppendNode(): pData is NULL\n"},
        {2, "", true, "*** QIRN_LINKEDLIST<T>::PrependNode(): szName is NULL\n"},
        {2, "x", true, "*** QIRN_LINKEDLIST<T>::PrependNode(): pData is NULL\n"},
    };
    for (const Case& c : cases)
    {
        qirn_test::LogCapture log;
        QIRN_LINKEDLIST<int> list(false);
        int value = 0;
        int* pData = c.bNullData ? nullptr : &value;
        QIRN_LINKEDLISTNODE<int>* pNode = c.iOperation == 0   ? list.InsertNode(c.szName, pData)
                                          : c.iOperation == 1 ? list.AppendNode(c.szName, pData)
                                                              : list.PrependNode(c.szName, pData);
        EXPECT_EQ(pNode, nullptr);
        EXPECT_EQ(log.All(), c.szMessage) << c.iOperation;
        EXPECT_EQ(list.m_iCount, 0);
    }
}

TEST(LinkedList, AppendAllowsDuplicatesAndDeleteByNameTakesTheFirst)
{
    int iDeleted = 0;
    QIRN_LINKEDLIST<Tracked> list;
    Tracked* pFirst = new Tracked(&iDeleted);
    list.AppendNode("x", pFirst);
    list.AppendNode("x", new Tracked(&iDeleted));
    list.PrependNode("z", new Tracked(&iDeleted));
    EXPECT_EQ(Names(list), (Strings{"z", "x", "x"}));
    EXPECT_EQ(list.FindNode("x")->m_pData, pFirst);
    EXPECT_EQ(list.DeleteNodeByName("x"), 0);
    EXPECT_EQ(iDeleted, 1);
    EXPECT_EQ(list.m_iCount, 2);
    EXPECT_NE(list.FindNode("x")->m_pData, pFirst);

    // Insertion into an unsorted list: before the first node that does not sort before it.
    list.InsertNode("y", new Tracked(&iDeleted));
    EXPECT_EQ(Names(list), (Strings{"y", "z", "x"}));
}

TEST(LinkedList, DeleteMaintainsEndsAndOwnership)
{
    int iDeleted = 0;
    {
        QIRN_LINKEDLIST<Tracked> list(false);
        Tracked a(&iDeleted), b(&iDeleted), c(&iDeleted);
        list.InsertNode("a", &a);
        list.InsertNode("b", &b);
        list.InsertNode("c", &c);
        EXPECT_EQ(list.DeleteNode(list.m_pHead), 0);
        EXPECT_EQ(list.m_pHead->m_szName, "b");
        EXPECT_EQ(list.m_pHead->m_pPrev, nullptr);
        EXPECT_EQ(list.DeleteNode(list.m_pTail), 0);
        EXPECT_EQ(list.m_pTail->m_szName, "b");
        EXPECT_EQ(list.m_pTail->m_pNext, nullptr);
        EXPECT_EQ(list.DeleteNode(list.m_pHead), 0);
        EXPECT_EQ(list.m_pHead, nullptr);
        EXPECT_EQ(list.m_pTail, nullptr);
        EXPECT_EQ(list.m_iCount, 0);
        EXPECT_EQ(iDeleted, 0);
    }
    iDeleted = 0;

    QIRN_LINKEDLIST<Tracked> owning;
    Tracked* pKept = new Tracked(&iDeleted);
    owning.InsertNode("kept", pKept);
    owning.ReleaseAllNodes();
    EXPECT_EQ(iDeleted, 0);
    EXPECT_EQ(owning.m_bOwnsData, 1);
    EXPECT_EQ(owning.m_iCount, 0);
    delete pKept;
    iDeleted = 0;
    owning.InsertNode("a", new Tracked(&iDeleted));
    owning.InsertNode("b", new Tracked(&iDeleted));
    owning.DeleteAllNodes();
    EXPECT_EQ(iDeleted, 2);

    qirn_test::LogCapture log;
    EXPECT_EQ(owning.DeleteNode(nullptr), 1);
    EXPECT_EQ(owning.DeleteNodeByName("missing"), 1);
    EXPECT_EQ(log.Count("*** QIRN_LINKDLIST<T>::DeleteNode() - pNode is NULL\n"), 2u);
}

TEST(KeyedList, OrdersByKeyAndKeepsEqualKeysInInsertionOrder)
{
    int a = 1, b = 2, c = 3, d = 4, e = 5, f = 6;
    QIRN_LINKEDLISTTEMPLATE<int, float> list(false);
    list.InsertNode(2.0f, &b);
    list.InsertNode(1.0f, &a);
    list.InsertNode(3.0f, &c);
    list.InsertNode(2.0f, &d);
    list.InsertNode(1.5f, &e);
    list.InsertNode(3.0f, &f);
    std::vector<int> order;
    for (auto* p = list.m_pHead; p; p = p->m_pNext)
    {
        order.push_back(*p->m_pData);
    }
    EXPECT_EQ(order, (std::vector<int>{1, 5, 2, 4, 3, 6}));
    EXPECT_EQ(list.m_iCount, 6);

    qirn_test::LogCapture log;
    EXPECT_EQ(list.InsertNode(2.0f, &b), nullptr);
    EXPECT_TRUE(log.All().empty());
    EXPECT_EQ(list.m_iCount, 6);
    EXPECT_EQ(list.FindNode(2.0f, &a), nullptr);
    EXPECT_NE(list.FindNode(2.0f, &d), nullptr);
}

TEST(KeyedList, RefusalsAndOwnership)
{
    qirn_test::LogCapture log;
    int iDeleted = 0;
    QIRN_LINKEDLISTTEMPLATE<Tracked, float> list;
    EXPECT_EQ(list.InsertNode(1.0f, nullptr), nullptr);
    EXPECT_EQ(list.AppendNode(1.0f, nullptr), nullptr);
    EXPECT_EQ(list.PrependNode(1.0f, nullptr), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_LINKDLIST<T, K>::AppendNode(): pData is NULL\n"));
    EXPECT_TRUE(log.Contains("*** QIRN_LINKEDLISTTEMPLATE<T, K>::PrependNode(): pData is NULL\n"));
    EXPECT_EQ(list.DeleteNode(nullptr), 1);
    EXPECT_TRUE(log.Contains("*** QIRN_LINKDLIST<T, K>::DeleteNode() - pNode is NULL\n"));

    list.InsertNode(1.0f, new Tracked(&iDeleted));
    EXPECT_EQ(list.DeleteNode(list.m_pHead), 0);
    EXPECT_EQ(iDeleted, 1);
    EXPECT_EQ(list.m_pHead, nullptr);
    EXPECT_EQ(list.m_pTail, nullptr);

    Tracked kept(&iDeleted);
    list.m_bOwnsData = 0;
    list.InsertNode(1.0f, &kept);
    list.DeleteAllNodes();
    EXPECT_EQ(iDeleted, 1);
}

TEST(BinaryTree, ShapeFollowsInsertionAndWalkIsSorted)
{
    QIRN_BINARYTREE<int> tree;
    tree.InsertNode("b", new int(2));
    tree.InsertNode("a", new int(1));
    tree.InsertNode("c", new int(3));
    EXPECT_EQ(tree.m_pRoot->m_szName, "b");
    EXPECT_EQ(tree.m_pRoot->m_pLeft->m_szName, "a");
    EXPECT_EQ(tree.m_pRoot->m_pRight->m_szName, "c");
    EXPECT_EQ(tree.m_pRoot->m_iRefCount, 0);
    EXPECT_EQ(Walk(tree), (Strings{"a", "b", "c"}));

    QIRN_BINARYTREE<int> chain;
    chain.InsertNode("a", new int(1));
    chain.InsertNode("b", new int(2));
    chain.InsertNode("c", new int(3));
    chain.InsertNode("Zeta", new int(4));
    chain.InsertNode("alpha", new int(5));
    EXPECT_EQ(chain.m_pRoot->m_pRight->m_pRight->m_szName, "c");
    EXPECT_EQ(Walk(chain), (Strings{"Zeta", "a", "alpha", "b", "c"}));

    qirn_test::LogCapture log;
    int* pDuplicate = new int(9);
    EXPECT_EQ(chain.InsertNode("b", pDuplicate), nullptr);
    delete pDuplicate;
    EXPECT_TRUE(log.Contains(
        "*** QIRN_BINARYTREE<T>:: InsertNode(). Can't insert node 'b'. Node with same name already exists\n"));
    EXPECT_EQ(*chain.FindNode("b")->m_pData, 2);
    EXPECT_EQ(chain.InsertNode("", new int(0)), nullptr);
    EXPECT_TRUE(log.Contains("*** QIRN_BINARYTREE<T>::InsertNode() szName is NULL\n"));
    EXPECT_EQ(chain.FindNode(""), nullptr);
}

TEST(BinaryTree, DeleteWithTwoChildrenMovesTheSuccessorsEntry)
{
    int iDeleted = 0;
    QIRN_BINARYTREE<Tracked> tree;
    // d has children b and f; f has e on its left: e is d's successor.
    for (const char* szName : {"d", "b", "f", "e", "a"})
    {
        tree.InsertNode(szName, new Tracked(&iDeleted));
    }
    auto* pD = tree.FindNode("d");
    Tracked* pSuccessorData = tree.FindNode("e")->m_pData;
    tree.FindNode("e")->m_iRefCount = 7;

    EXPECT_EQ(tree.DeleteNode(pD), 0);
    EXPECT_EQ(iDeleted, 1);
    EXPECT_EQ(tree.m_pRoot, pD);
    EXPECT_EQ(pD->m_szName, "e");
    EXPECT_EQ(pD->m_iRefCount, 7);
    EXPECT_EQ(pD->m_pData, pSuccessorData);
    EXPECT_EQ(Walk(tree), (Strings{"a", "b", "e", "f"}));

    // Root with one child: the child becomes the root.
    QIRN_BINARYTREE<int> small;
    small.InsertNode("a", new int(1));
    small.InsertNode("b", new int(2));
    small.DeleteNodeByName("a");
    EXPECT_EQ(small.m_pRoot->m_szName, "b");
    EXPECT_EQ(small.m_pRoot->m_pParent, nullptr);
    small.DeleteNodeByName("b");
    EXPECT_EQ(small.m_pRoot, nullptr);

    qirn_test::LogCapture log;
    EXPECT_EQ(small.DeleteNode(nullptr), 1);
    EXPECT_EQ(small.DeleteNodeByName("zz"), 1);
    EXPECT_EQ(log.Count("*** QIRN_BINARYTREE<T>::DeleteNode() - pNode is NULL\n"), 2u);
}

TEST(BinaryTree, OwnershipRules)
{
    int iDeleted = 0;
    Tracked* pKeep = new Tracked(&iDeleted);
    {
        QIRN_BINARYTREE<Tracked> tree;
        tree.m_bOwnsData = 0;
        tree.InsertNode("keep", pKeep);
        tree.InsertNode("other", new Tracked(&iDeleted));
        EXPECT_EQ(tree.DeleteNodeByName("keep"), 0);
        EXPECT_EQ(iDeleted, 0);
        // Emptying the whole tree deletes whatever the flag says.
    }
    EXPECT_EQ(iDeleted, 1);
    delete pKeep;

    iDeleted = 0;
    Tracked a(&iDeleted), b(&iDeleted);
    {
        QIRN_BINARYTREE<Tracked> tree;
        tree.InsertNode("a", &a);
        tree.InsertNode("b", &b);
        tree.InsertNode("null", nullptr);
        EXPECT_EQ(Walk(tree), (Strings{"a", "b", "null"}));
        tree.ReleaseAllNodes();
        EXPECT_EQ(tree.m_pRoot, nullptr);
    }
    EXPECT_EQ(iDeleted, 0);
}

TEST(BinaryTree, DeepChainIsEmptiedWithoutRecursion)
{
    QIRN_BINARYTREE<int> tree;
    char szName[16];
    for (int i = 0; i < 5000; ++i)
    {
        snprintf(szName, sizeof(szName), "n%06d", i);
        tree.InsertNode(szName, new int(i));
    }
    EXPECT_EQ(*tree.FindNode("n004999")->m_pData, 4999);
    tree.DeleteAllNodes();
    EXPECT_EQ(tree.m_pRoot, nullptr);
}

namespace
{
// The list as a walk sees it: names and elements from the head.
std::vector<std::pair<std::string, int>> Entries(const QIRN_LINKEDLIST<int>& list)
{
    std::vector<std::pair<std::string, int>> v;
    for (auto* p = list.m_pHead; p; p = p->m_pNext)
    {
        v.emplace_back(p->m_szName, *p->m_pData);
    }
    return v;
}

// A small generator of names that repeat often: one to three letters of a, b, B, z.
struct NameSource
{
    uint32_t uSeed;
    uint32_t Next()
    {
        uSeed = uSeed * 1664525u + 1013904223u;
        return uSeed >> 8;
    }
    std::string Name()
    {
        static const char LETTERS[] = "abBz";
        std::string s(1 + Next() % 3, ' ');
        for (char& c : s)
        {
            c = LETTERS[Next() % 4];
        }
        return s;
    }
};
} // namespace

// Insertions, appends, prepends and deletions in many mixes give the same list, the same search
// answers and the same refusals as the plain walks they are defined by.
TEST(LinkedList, SearchesAndInsertionsMatchTheWalks)
{
    qirn_test::LogCapture log;
    for (uint32_t uSeed : {1u, 2u, 3u, 77u, 2026u})
    {
        NameSource source{uSeed};
        // Mostly sorted insertions, with a few appends and prepends that may break the order.
        const uint32_t uOutOfOrderShare = uSeed % 2 ? 2 : 20;
        QIRN_LINKEDLIST<int> list;
        std::vector<std::pair<std::string, int>> model;
        for (int iStep = 0; iStep < 600; ++iStep)
        {
            const std::string szName = source.Name();
            const uint32_t uWhat = source.Next() % 100;
            if (uWhat < uOutOfOrderShare)
            {
                list.AppendNode(szName, new int(iStep));
                model.emplace_back(szName, iStep);
            }
            else if (uWhat < 2 * uOutOfOrderShare)
            {
                list.PrependNode(szName, new int(iStep));
                model.emplace(model.begin(), szName, iStep);
            }
            else if (uWhat < 70)
            {
                bool bPresent = false;
                for (const auto& entry : model)
                {
                    bPresent = bPresent || entry.first == szName;
                }
                QIRN_LINKEDLISTNODE<int>* pNode = nullptr;
                int* pData = new int(iStep);
                pNode = list.InsertNode(szName, pData);
                if (bPresent)
                {
                    EXPECT_EQ(pNode, nullptr) << szName;
                    delete pData;
                }
                else
                {
                    ASSERT_NE(pNode, nullptr) << szName;
                    size_t i = 0;
                    if (!model.empty() && szName >= model.front().first)
                    {
                        if (szName > model.back().first)
                        {
                            i = model.size();
                        }
                        else
                        {
                            while (i + 1 < model.size() && szName > model[i].first)
                            {
                                ++i;
                            }
                        }
                    }
                    model.emplace(model.begin() + i, szName, iStep);
                }
            }
            else
            {
                auto it = std::find_if(model.begin(), model.end(),
                                       [&](const std::pair<std::string, int>& e) { return e.first == szName; });
                EXPECT_EQ(list.DeleteNodeByName(szName), it == model.end() ? 1 : 0);
                if (it != model.end())
                {
                    model.erase(it);
                }
            }
            ASSERT_EQ(Entries(list), model) << "seed " << uSeed << " step " << iStep;
            ASSERT_EQ(list.m_iCount, static_cast<int>(model.size()));
            const std::string szProbe = source.Name();
            auto it = std::find_if(model.begin(), model.end(),
                                   [&](const std::pair<std::string, int>& e) { return e.first == szProbe; });
            QIRN_LINKEDLISTNODE<int>* pFound = list.FindNode(szProbe);
            if (it == model.end())
            {
                EXPECT_EQ(pFound, nullptr) << szProbe;
            }
            else
            {
                ASSERT_NE(pFound, nullptr) << szProbe;
                EXPECT_EQ(*pFound->m_pData, it->second) << szProbe;
            }
        }
        // Emptied, the list sorts and finds as a new one.
        list.DeleteAllNodes();
        list.InsertNode("b", new int(1));
        list.InsertNode("a", new int(2));
        list.InsertNode("ab", new int(3));
        EXPECT_EQ(Names(list), (Strings{"a", "ab", "b"}));
        EXPECT_EQ(*list.FindNode("ab")->m_pData, 3);
    }
}

// Every new leaf hangs where a search from the root ends, whatever the order of the names, and
// removals leave a tree whose walk and searches agree with what is left.
TEST(BinaryTree, LeavesHangWhereTheSearchEnds)
{
    qirn_test::LogCapture log;
    for (uint32_t uSeed : {5u, 6u, 1234u})
    {
        NameSource source{uSeed};
        QIRN_BINARYTREE<int> tree;
        std::set<std::string> names;
        for (int iStep = 0; iStep < 800; ++iStep)
        {
            const std::string szName = source.Name() + source.Name();
            if (source.Next() % 4 == 0)
            {
                EXPECT_EQ(tree.DeleteNodeByName(szName), names.erase(szName) ? 0 : 1);
            }
            else
            {
                // Where a plain search from the root ends.
                QIRN_BINARYTREENODE<int>* pParent = nullptr;
                bool bLeft = false;
                for (auto* p = tree.m_pRoot; p; p = bLeft ? p->m_pLeft : p->m_pRight)
                {
                    if (p->m_szName == szName)
                    {
                        break;
                    }
                    pParent = p;
                    bLeft = QIRN_CompareNames(szName, p->m_szName) < 0;
                }
                int* pData = new int(iStep);
                QIRN_BINARYTREENODE<int>* pNode = tree.InsertNode(szName, pData);
                if (!names.insert(szName).second)
                {
                    EXPECT_EQ(pNode, nullptr);
                    delete pData;
                    continue;
                }
                ASSERT_NE(pNode, nullptr);
                EXPECT_EQ(pNode->m_pParent, pParent);
                if (pParent)
                {
                    EXPECT_EQ(bLeft ? pParent->m_pLeft : pParent->m_pRight, pNode) << szName;
                }
                else
                {
                    EXPECT_EQ(tree.m_pRoot, pNode);
                }
            }
            ASSERT_EQ(Walk(tree), Strings(names.begin(), names.end())) << "seed " << uSeed << " step " << iStep;
        }
        for (const std::string& szName : names)
        {
            ASSERT_NE(tree.FindNode(szName), nullptr) << szName;
            EXPECT_EQ(tree.FindNode(szName)->m_szName, szName);
        }
        EXPECT_EQ(tree.FindNode("zzzzzzz"), nullptr);
    }
}
