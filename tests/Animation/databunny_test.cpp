#include "qirn_databunny.h"

#include <gtest/gtest.h>

#include <limits>
#include <vector>

namespace
{
// Hands a bunny its keys as the manager does: the bunny owns both arrays from then on.
void GiveKeys(QIRN_BaseXFileDataBunny& oBunny, const std::vector<float>& vTimes,
              const std::vector<float>& vValues)
{
    float* pfTimes = new float[vTimes.size()];
    float* pfValues = new float[vValues.size()];
    std::copy(vTimes.begin(), vTimes.end(), pfTimes);
    std::copy(vValues.begin(), vValues.end(), pfValues);
    oBunny.SetKeys(static_cast<uint32_t>(vTimes.size()), pfValues, pfTimes);
}
} // namespace

TEST(DataBunnyTest, ConstructionAndTypeTags)
{
    QIRN_XFileByteDataBunny oByte("b");
    QIRN_XFileFloatDataBunny oFloat("f");
    QIRN_XFileIntDataBunny oInt("i");
    QIRN_XFileBoolDataBunny oBool("o");
    EXPECT_EQ(oByte.m_iType, 1);
    EXPECT_EQ(oFloat.m_iType, 2);
    EXPECT_EQ(oInt.m_iType, 3);
    EXPECT_EQ(oBool.m_iType, 4);
    EXPECT_EQ(oFloat.GetName(), "f");
    EXPECT_EQ(oFloat.m_dwUseCount, 0u);
    EXPECT_EQ(oFloat.m_Value, 0.0f);
    EXPECT_EQ(oFloat.m_dwNumKeys, 0u);
    EXPECT_EQ(oFloat.m_fTime, 0.0f);

    // Through either base a call reaches the same function.
    GiveKeys(oFloat, {0.0f, 2.0f}, {0.0f, 10.0f});
    QIRN_FloatDataBunny* poValuePart = &oFloat;
    QIRN_BaseXFileDataBunny* poKeyPart = &oFloat;
    poValuePart->Update(0.5f);
    EXPECT_EQ(oFloat.m_Value, 2.5f);
    poKeyPart->Update(0.5f);
    EXPECT_EQ(oFloat.m_Value, 5.0f);
    poKeyPart->SetTime(0.0f);
    EXPECT_EQ(oFloat.m_fTime, 0.0f);

    // Deleted through the value base, the keyframe part goes too.
    QIRN_FloatDataBunny* poOwned = new QIRN_XFileFloatDataBunny("owned");
    GiveKeys(*static_cast<QIRN_XFileFloatDataBunny*>(poOwned), {0.0f}, {1.0f});
    delete poOwned;
}

TEST(DataBunnyTest, KeyframesWrapForwardOnly)
{
    QIRN_XFileFloatDataBunny oBunny("Pulse");
    GiveKeys(oBunny, {0.0f, 2.0f}, {0.0f, 10.0f});
    oBunny.SetTime(2.0f);
    oBunny.Update(0.0f);
    EXPECT_EQ(oBunny.m_Value, 10.0f); // the last key by interpolation, f = 1
    oBunny.Update(0.5f);
    EXPECT_EQ(oBunny.m_fTime, 0.5f);
    EXPECT_EQ(oBunny.m_Value, 2.5f);
    oBunny.Update(3.5f);
    EXPECT_EQ(oBunny.m_fTime, 2.0f); // a whole multiple lands on the last key time
    // A step far beyond the keys wraps at once.
    oBunny.SetTime(0.0f);
    oBunny.Update(1e30f);
    EXPECT_TRUE(oBunny.m_fTime > 0.0f && oBunny.m_fTime <= 2.0f);

    // Backwards nothing wraps: the first segment is extrapolated.
    oBunny.SetTime(0.0f);
    oBunny.Update(-1.0f);
    EXPECT_EQ(oBunny.m_fTime, -1.0f);
    EXPECT_EQ(oBunny.m_Value, -5.0f);

    // SetTime keeps the value until the next Update, which evaluates at time dt.
    oBunny.SetTime(0.0f);
    EXPECT_EQ(oBunny.m_Value, -5.0f);
    oBunny.Update(1.0f);
    EXPECT_EQ(oBunny.m_Value, 5.0f);

    // A clock that stopped being a number starts over.
    oBunny.Update(std::numeric_limits<float>::quiet_NaN());
    EXPECT_EQ(oBunny.m_fTime, 0.0f);
    EXPECT_EQ(oBunny.m_Value, 0.0f);
}

TEST(DataBunnyTest, FewKeysAndEqualTimes)
{
    QIRN_XFileFloatDataBunny oLate("Late");
    GiveKeys(oLate, {1.0f, 2.0f}, {10.0f, 20.0f});
    oLate.Update(0.5f);
    EXPECT_EQ(oLate.m_Value, 5.0f); // f = -0.5

    QIRN_XFileFloatDataBunny oSingle("Single");
    GiveKeys(oSingle, {0.7f}, {3.0f});
    for (float dt : {0.0f, 0.5f, 4.0f, -9.0f})
    {
        oSingle.Update(dt);
        EXPECT_EQ(oSingle.m_Value, 3.0f);
    }

    QIRN_XFileFloatDataBunny oSame("Same");
    GiveKeys(oSame, {0.0f, 0.0f}, {4.0f, 8.0f});
    oSame.Update(0.0f);
    EXPECT_EQ(oSame.m_Value, 4.0f);

    // Without keys the bunny holds its value.
    QIRN_XFileIntDataBunny oEmpty("Empty");
    GiveKeys(oEmpty, {}, {});
    oEmpty.m_Value = 7;
    EXPECT_EQ(oEmpty.Update(1.0f), 0);
    EXPECT_EQ(oEmpty.m_Value, 7);
    QIRN_XFileIntDataBunny oBare("Bare");
    EXPECT_EQ(oBare.Update(1.0f), 0);
    EXPECT_EQ(oBare.m_Value, 0);
}

TEST(DataBunnyTest, ConversionRules)
{
    struct Case
    {
        float fKey;
        int iInt;
        unsigned char byByte;
    };
    const Case cases[] = {
        {2.9f, 2, 2},
        {-2.9f, -2, 254},
        {0.99f, 0, 0},
        {300.0f, 300, 44},
        {-1.0f, -1, 255},
        {255.9f, 255, 255},
        {3e9f, 2147483647, 255},
        {-3e9f, -2147483647 - 1, 0},
        {std::numeric_limits<float>::quiet_NaN(), 0, 0},
    };
    for (const Case& c : cases)
    {
        QIRN_XFileIntDataBunny oInt("i");
        QIRN_XFileBoolDataBunny oBool("o");
        QIRN_XFileByteDataBunny oByte("b");
        QIRN_XFileFloatDataBunny oFloat("f");
        GiveKeys(oInt, {0.0f}, {c.fKey});
        GiveKeys(oBool, {0.0f}, {c.fKey});
        GiveKeys(oByte, {0.0f}, {c.fKey});
        GiveKeys(oFloat, {0.0f}, {c.fKey});
        oInt.Update(0.0f);
        oBool.Update(0.0f);
        oByte.Update(0.0f);
        oFloat.Update(0.0f);
        EXPECT_EQ(oInt.m_Value, c.iInt) << c.fKey;
        EXPECT_EQ(oBool.m_Value, c.iInt) << c.fKey;
        EXPECT_EQ(oByte.m_Value, c.byByte) << c.fKey;
        if (c.fKey == c.fKey)
        {
            EXPECT_EQ(oFloat.m_Value, c.fKey);
        }
    }
}
