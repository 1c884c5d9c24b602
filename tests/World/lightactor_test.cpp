#include "qirn_lightactor.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

using world_test::BlockFile;

namespace
{
void ExpectVector(const QIRN_Vector4& actual, float x, float y, float z, float w)
{
    EXPECT_FLOAT_EQ(actual.x, x);
    EXPECT_FLOAT_EQ(actual.y, y);
    EXPECT_FLOAT_EQ(actual.z, z);
    EXPECT_FLOAT_EQ(actual.w, w);
}

size_t Occurrences(const std::string& szText, const std::string& szWord)
{
    size_t n = 0;
    for (size_t pos = szText.find(szWord); pos != std::string::npos; pos = szText.find(szWord, pos + 1))
    {
        ++n;
    }
    return n;
}

class LightActorTest : public world_test::WorldFixture
{
};

struct FailureCase
{
    const char* szKeyword;
    const char* szLine;
};
} // namespace

TEST_F(LightActorTest, LightWithoutKeywordsIsWhiteAndDirectional)
{
    QIRN_LightActor light(QIRN_CLASS_LIGHTACTOR);
    BlockFile file("QIRN_LightActor { }");
    ASSERT_EQ(light.Load(file.File()), OK);
    EXPECT_EQ(light.GetType(), QIRN_LIGHT_DIRECTIONAL);
    ExpectVector(light.GetDiffuse(), 255, 255, 255, 255);
    ExpectVector(light.GetSpecular(), 255, 255, 255, 255);
    ExpectVector(light.GetAmbient(), 5, 5, 5, 5);
    ExpectVector(light.GetDirection(), 1, 0, 1, 0);
    EXPECT_FLOAT_EQ(light.GetRange(), 0.0f);
    EXPECT_FLOAT_EQ(light.GetPhi(), 0.0f);
}

TEST_F(LightActorTest, LightKeywordsSaveOncePositionAndLoadBack)
{
    QIRN_LightActor light(QIRN_CLASS_LIGHTACTOR);
    BlockFile file(
        "QIRN_LightActor { Name { Spot } Type { 2 } Diffuse { 10 20 30 40 } Specular { 1 2 3 4 }\n"
        "  Ambient { 9 8 7 6 } Position { 5 6 7 1 } Direction { 0 -1 0 0 } Range { 50 } Falloff { 1.5 }\n"
        "  Attenuation0 { 1 } Attenuation1 { 0.25 } Attenuation2 { 0.125 } Theta { 0.3 } Phi { 0.6 }\n"
        "  Active { 0 } }");
    ASSERT_EQ(light.Load(file.File()), OK);
    EXPECT_EQ(light.GetType(), QIRN_LIGHT_SPOT);
    ExpectVector(light.GetDiffuse(), 10, 20, 30, 40);
    ExpectVector(light.GetAmbient(), 9, 8, 7, 6);
    ExpectVector(light.GetPosition(), 5, 6, 7, 1);
    ExpectVector(light.GetDirection(), 0, -1, 0, 0);
    EXPECT_FLOAT_EQ(light.GetFalloff(), 1.5f);
    EXPECT_FLOAT_EQ(light.GetAttenuation2(), 0.125f);
    EXPECT_FLOAT_EQ(light.GetPhi(), 0.6f);
    EXPECT_EQ(light.IsActive(), 0);

    std::string szText = world_test::SaveObjectText(light, "light.txt");
    EXPECT_EQ(Occurrences(szText, "Position"), 1u);
    // The base actor's part first, then the light's in its order.
    std::vector<size_t> order;
    for (const char* szKeyword :
         {"Position {", "Name {", "Type {", "Diffuse {", "Specular {", "Ambient {", "Direction {", "Range {",
          "Falloff {", "Attenuation0 {", "Attenuation1 {", "Attenuation2 {", "Theta {", "Phi {"})
    {
        order.push_back(szText.find(szKeyword));
        ASSERT_NE(order.back(), std::string::npos) << szKeyword;
    }
    EXPECT_TRUE(std::is_sorted(order.begin(), order.end())) << szText;

    QIRN_LightActor copy(QIRN_CLASS_LIGHTACTOR);
    BlockFile again(szText, "copy.txt");
    ASSERT_EQ(copy.Load(again.File()), OK);
    EXPECT_EQ(copy.GetName(), "Spot");
    EXPECT_EQ(copy.GetType(), 2);
    ExpectVector(copy.GetSpecular(), 1, 2, 3, 4);
    ExpectVector(copy.GetPosition(), 5, 6, 7, 1);
    EXPECT_FLOAT_EQ(copy.GetRange(), 50.0f);
    EXPECT_FLOAT_EQ(copy.GetAttenuation1(), 0.25f);
    EXPECT_FLOAT_EQ(copy.GetTheta(), 0.3f);
    EXPECT_EQ(copy.IsActive(), 0);
}

TEST_F(LightActorTest, LightReadFailures)
{
    const FailureCase cases[] = {
        {"Type", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Type\n"},
        {"Diffuse", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Diffuse\n"},
        {"Specular", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Specular\n"},
        {"Ambient", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Ambient\n"},
        {"Position", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Position\n"},
        {"Direction", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Direction\n"},
        {"Range", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Range\n"},
        {"Falloff", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Falloff\n"},
        {"Attenuation0", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation0\n"},
        {"Attenuation1", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation1\n"},
        {"Attenuation2", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Attenuation2\n"},
        {"Theta", "*** QIRN_LightActor::InterpretKeyWord() - Error reading Theta\n"},
        {"Phi", "*** QIRN_LightActor::InterpretKeyWord() - Error reading m_fPhi\n"},
    };
    for (const FailureCase& test : cases)
    {
        SCOPED_TRACE(test.szKeyword);
        QIRN_LightActor light(QIRN_CLASS_LIGHTACTOR);
        qirn_test::LogCapture log;
        BlockFile file(std::string("L { ") + test.szKeyword + " { bright } }");
        EXPECT_EQ(light.Load(file.File()), FILEREAD_ERROR);
        // The reader's own line comes first.
        const std::vector<std::string>& lines = log.Messages();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "*** QIRN_File::ReadBlock():Unable to read the value of the block\n");
        EXPECT_EQ(lines[1], test.szLine);
    }
    QIRN_LightActor light(QIRN_CLASS_LIGHTACTOR);
    BlockFile file("x");
    qirn_test::LogCapture log;
    EXPECT_EQ(light.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_LightActor::InterpretKeyWord() - szKeyWord is empty\n"));
    QIRN_File closed;
    EXPECT_EQ(light.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(
        log.Contains("*** QIRN_LightActor::SaveContents() - roFile is invalid. Can't save contents\n"));
}
