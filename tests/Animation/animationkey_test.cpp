#include "fake_xfile.h"
#include "qirn_animationsequence.h"
#include "qirn_constants.h"
#include "qirn_test_support.h"
#include "qirn_xfile_templates.h"

#include <windows.h>

#include <dxfile.h>

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

using qirn_test::AnimationKeyData;
using qirn_test::FakeKey;
using qirn_test::FakeXFileData;

namespace
{
const char* const KEYDATA_ERROR =
    "'.X' file loader : Keyframe data is shorter than its keys or inconsistent !\n";
const char* const KEYTYPE_ERROR = "'.X' file loader : Can't determine keyframe type !\n";

std::unique_ptr<QIRN_AnimationSequence> Parse(FakeXFileData* poKey)
{
    std::unique_ptr<QIRN_AnimationSequence> poSequence(QIRN_ParseAnimationKey(poKey));
    poKey->Release();
    return poSequence;
}

FakeXFileData* Key(const std::vector<DWORD>& vData)
{
    return new FakeXFileData(QIRN_TID_ANIMATIONKEY, "", vData);
}

const float* KeyFloats(const QIRN_AnimationSequence& oSequence, uint32_t i)
{
    return static_cast<const float*>(oSequence.GetKey(i));
}

// Releases a COM object at the end of a scope.
template <class T> struct Released
{
    T* p = nullptr;
    ~Released()
    {
        if (p)
        {
            p->Release();
        }
    }
};

// The first child of a data object that is itself a data object of the given type.
IDirectXFileData* FindChild(IDirectXFileData* poParent, const GUID& guidType)
{
    IDirectXFileObject* poChild = nullptr;
    while (SUCCEEDED(poParent->GetNextObject(&poChild)) && poChild)
    {
        IDirectXFileData* poData = nullptr;
        HRESULT hr = poChild->QueryInterface(IID_IDirectXFileData, reinterpret_cast<void**>(&poData));
        poChild->Release();
        const GUID* pType = nullptr;
        if (SUCCEEDED(hr) && SUCCEEDED(poData->GetType(&pType)) && IsEqualGUID(*pType, guidType))
        {
            return poData;
        }
        if (SUCCEEDED(hr))
        {
            poData->Release();
        }
    }
    return nullptr;
}
} // namespace

TEST(ParseAnimationKeyTest, KeyTypesChooseTheKind)
{
    qirn_test::LogCapture oLog;
    struct Case
    {
        DWORD dwKeyType;
        int iKind;
        DWORD nValues;
    };
    const Case cases[] = {
        {0, QIRN_ANIMKEY_ROTATION, 4},   {1, QIRN_ANIMKEY_SCALE, 3},      {2, QIRN_ANIMKEY_TRANSLATION, 3},
        {3, QIRN_ANIMKEY_TRANSFORM, 16}, {4, QIRN_ANIMKEY_TRANSFORM, 16},
    };
    for (const Case& c : cases)
    {
        auto poSequence =
            Parse(Key(AnimationKeyData(c.dwKeyType, {{1500, std::vector<float>(c.nValues, 2.0f)}})));
        ASSERT_NE(poSequence, nullptr) << "keyType " << c.dwKeyType;
        EXPECT_EQ(poSequence->GetKeyKind(), c.iKind);
        EXPECT_EQ(poSequence->m_dwNumKeys, 1u);
        EXPECT_FLOAT_EQ(poSequence->m_pfKeyTimes[0], 1.5f); // ticks x 0.001f
    }
    EXPECT_EQ(oLog.All(), "");

    EXPECT_EQ(Parse(Key(AnimationKeyData(5, {{0, {1, 2, 3}}}))), nullptr);
    EXPECT_EQ(oLog.Count(KEYTYPE_ERROR), 1u);

    // No keys at all is a sequence without keys, which evaluates to nothing.
    auto poEmpty = Parse(Key(AnimationKeyData(2, {})));
    ASSERT_NE(poEmpty, nullptr);
    EXPECT_EQ(poEmpty->m_dwNumKeys, 0u);
}

TEST(ParseAnimationKeyTest, KeyRecordsAndTimes)
{
    // A .x rotation key is w, x, y, z; the engine's quaternion is x, y, z, w.
    auto poRotation =
        Parse(Key(AnimationKeyData(0, {{0, {0.5f, 0.1f, 0.2f, 0.3f}}, {4294967295u, {1, 0, 0, 0}}})));
    ASSERT_NE(poRotation, nullptr);
    const float* pfKey = KeyFloats(*poRotation, 0);
    EXPECT_EQ(pfKey[0], 0.1f);
    EXPECT_EQ(pfKey[1], 0.2f);
    EXPECT_EQ(pfKey[2], 0.3f);
    EXPECT_EQ(pfKey[3], 0.5f);
    float afFileOrder[4] = {0};
    QIRN_RotationKeyToFileOrder(pfKey, afFileOrder);
    EXPECT_EQ(afFileOrder[0], 0.5f);
    EXPECT_EQ(afFileOrder[3], 0.3f);
    // The time word is unsigned.
    EXPECT_FLOAT_EQ(poRotation->m_pfKeyTimes[1], 4294967.295f);

    // Extra values are stepped over, never copied past the key record.
    auto poTranslation = Parse(Key(AnimationKeyData(2, {{250, {1, 2, 3, 4, 5, 6}}, {750, {7, 8, 9}}})));
    ASSERT_NE(poTranslation, nullptr);
    EXPECT_EQ(poTranslation->m_pfKeyTimes[0], 0.25f);
    EXPECT_EQ(KeyFloats(*poTranslation, 0)[3], 4.0f);
    EXPECT_EQ(KeyFloats(*poTranslation, 1)[0], 7.0f);
    EXPECT_EQ(KeyFloats(*poTranslation, 1)[2], 9.0f);
}

TEST(ParseAnimationKeyTest, ShortOrInconsistentDataIsRefused)
{
    std::vector<DWORD> vTwoKeys = AnimationKeyData(2, {{0, {1, 2, 3}}, {1000, {4, 5, 6}}});
    struct Case
    {
        const char* szWhat;
        std::vector<DWORD> vData;
        DWORD dwReportedSize; // 0: the data's own size
    };
    std::vector<DWORD> vHugeCount = vTwoKeys;
    vHugeCount[1] = 0xFFFFFFFFu;
    std::vector<DWORD> vOneMoreKey = vTwoKeys;
    vOneMoreKey[1] = 3;
    std::vector<DWORD> vValuesPastEnd = vTwoKeys;
    vValuesPastEnd[8] = 4;
    std::vector<DWORD> vHugeValues = vTwoKeys;
    vHugeValues[3] = 0x40000000u;
    const Case cases[] = {
        {"reported size cuts the last key", vTwoKeys, static_cast<DWORD>(vTwoKeys.size() * 4 - 4)},
        {"reported size cuts a key header", vTwoKeys, 4 * 7},
        {"only the key type", vTwoKeys, 4},
        {"more keys than data", vOneMoreKey, 0},
        {"a huge key count", vHugeCount, 0},
        {"values past the end", vValuesPastEnd, 0},
        {"a huge value count", vHugeValues, 0},
        {"too few values for a position", AnimationKeyData(2, {{0, {1, 2}}}), 0},
        {"too few values for a rotation", AnimationKeyData(0, {{0, {1, 2, 3}}}), 0},
        {"too few values for a matrix", AnimationKeyData(4, {{0, std::vector<float>(15, 1.0f)}}), 0},
    };
    for (const Case& c : cases)
    {
        qirn_test::LogCapture oLog;
        FakeXFileData* poKey = Key(c.vData);
        if (c.dwReportedSize)
        {
            poKey->SetReportedSize(c.dwReportedSize);
        }
        EXPECT_EQ(Parse(poKey), nullptr) << c.szWhat;
        EXPECT_EQ(oLog.Count(KEYDATA_ERROR), 1u) << c.szWhat;
    }

    // An object without data gives nothing and says nothing.
    qirn_test::LogCapture oLog;
    EXPECT_EQ(Parse(new FakeXFileData(QIRN_TID_ANIMATIONKEY, "", {})), nullptr);
    EXPECT_EQ(QIRN_ParseAnimationKey(nullptr), nullptr);
    EXPECT_EQ(oLog.All(), "");
}

// Through the real DirectX File reader: a standard .x rotation key of a quarter turn about Z.
TEST(ParseAnimationKeyTest, RotationKeysFromARealXFile)
{
    qirn_test::ScopedTempDir oDir;
    ASSERT_TRUE(CopyFileA(QIRN_TEST_FIXTURES "/rotation_z90.x", "rotation_z90.x", FALSE));

    Released<IDirectXFile> oDXFile;
    ASSERT_EQ(DirectXFileCreate(&oDXFile.p), DXFILE_OK);
    ASSERT_EQ(QIRN_RegisterXFileTemplates(oDXFile.p), DXFILE_OK);
    Released<IDirectXFileEnumObject> oEnum;
    ASSERT_EQ(oDXFile.p->CreateEnumObject(const_cast<char*>("rotation_z90.x"), DXFILELOAD_FROMFILE, &oEnum.p),
              DXFILE_OK);

    Released<IDirectXFileData> oSet;
    for (;;)
    {
        IDirectXFileData* poData = nullptr;
        ASSERT_EQ(oEnum.p->GetNextDataObject(&poData), DXFILE_OK);
        const GUID* pType = nullptr;
        ASSERT_EQ(poData->GetType(&pType), DXFILE_OK);
        if (IsEqualGUID(*pType, QIRN_TID_ANIMATIONSET))
        {
            oSet.p = poData;
            break;
        }
        poData->Release();
    }
    Released<IDirectXFileData> oAnimation;
    oAnimation.p = FindChild(oSet.p, QIRN_TID_ANIMATION);
    ASSERT_NE(oAnimation.p, nullptr);
    Released<IDirectXFileData> oKey;
    oKey.p = FindChild(oAnimation.p, QIRN_TID_ANIMATIONKEY);
    ASSERT_NE(oKey.p, nullptr);

    std::unique_ptr<QIRN_AnimationSequence> poSequence(QIRN_ParseAnimationKey(oKey.p));
    ASSERT_NE(poSequence, nullptr);
    EXPECT_EQ(poSequence->GetKeyKind(), QIRN_ANIMKEY_ROTATION);
    ASSERT_EQ(poSequence->m_dwNumKeys, 2u);
    EXPECT_EQ(poSequence->m_pfKeyTimes[1], 1.0f);

    QIRN_Matrix4 m = QIRN_IDENTITY_MATRIX;
    poSequence->Evaluate(&m, 1.0f, 0);
    QIRN_Vector4 vX(1, 0, 0, 1), vOut;
    Vector_TransformCoord(&m, &vX, &vOut);
    EXPECT_NEAR(vOut.x, 0.0f, 1e-5f);
    EXPECT_NEAR(vOut.y, 1.0f, 1e-5f);
    EXPECT_NEAR(vOut.z, 0.0f, 1e-5f);

    // Halfway through, the turn is an eighth.
    poSequence->Evaluate(&m, 0.5f, 0);
    Vector_TransformCoord(&m, &vX, &vOut);
    EXPECT_NEAR(vOut.x, 0.7071068f, 1e-5f);
    EXPECT_NEAR(vOut.y, 0.7071068f, 1e-5f);
}
