#include "qirn_particleattractoractor.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>
#include <vector>

using world_test::BlockFile;

namespace
{
class ParticleAttractorTest : public world_test::WorldFixture
{
};

struct LawCase
{
    int32_t iType;
    float fConstantPower;
    std::vector<float> vSteps;
    // The power after each step.
    std::vector<float> vPowers;
};
} // namespace

TEST_F(ParticleAttractorTest, DefaultsAreAConstantPowerOfHundred)
{
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    BlockFile file("QIRN_ParticleAttractorActor { Name { Pull } }");
    ASSERT_EQ(attractor.Load(file.File()), OK);
    EXPECT_EQ(attractor.GetType(), QIRN_ATTRACTOR_CONSTANT);
    EXPECT_FLOAT_EQ(attractor.GetConstantPower(), 100.0f);
    EXPECT_FLOAT_EQ(attractor.GetPower(), 100.0f);
    EXPECT_FLOAT_EQ(attractor.GetAttractorTime(), 0.0f);
}

TEST_F(ParticleAttractorTest, PowerLawsAgainstHandValues)
{
    const LawCase cases[] = {
        {QIRN_ATTRACTOR_CONSTANT, 7.0f, {0.5f, 1.0f}, {7.0f, 7.0f}},
        // A negative constant pushes.
        {QIRN_ATTRACTOR_CONSTANT, -3.0f, {0.25f}, {-3.0f}},
        // Cosine of the time in radians: cos(0.5) = 0.87758256, cos(3.14159265) = -1.
        {QIRN_ATTRACTOR_COSINE, 10.0f, {0.5f, 2.64159265f}, {8.7758256f, -10.0f}},
        // ln 1 = 0, ln 2.718281828 = 1.
        {QIRN_ATTRACTOR_LOGARITHM, 4.0f, {1.0f, 1.718281828f}, {0.0f, 4.0f}},
        // Without the factor: e^0.5, e^1.
        {QIRN_ATTRACTOR_EXPONENTIAL, 50.0f, {0.5f, 0.5f}, {1.6487213f, 2.7182818f}},
    };
    for (const LawCase& test : cases)
    {
        SCOPED_TRACE(test.iType);
        QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
        attractor.SetType(test.iType);
        attractor.SetConstantPower(test.fConstantPower);
        for (size_t i = 0; i < test.vSteps.size(); ++i)
        {
            ASSERT_EQ(attractor.Update(test.vSteps[i]), OK);
            EXPECT_NEAR(attractor.GetPower(), test.vPowers[i], 1e-4f * std::fabs(test.vPowers[i]) + 1e-5f)
                << i;
        }
    }
}

TEST_F(ParticleAttractorTest, LogarithmGivesZeroPowerUntilTimeHasPassed)
{
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    attractor.SetType(QIRN_ATTRACTOR_LOGARITHM);
    for (float dt : {0.0f, -0.5f})
    {
        ASSERT_EQ(attractor.Update(dt), OK);
        EXPECT_TRUE(std::isfinite(attractor.GetPower()));
        EXPECT_FLOAT_EQ(attractor.GetPower(), 0.0f);
    }
    // Back above 0: ln(0.5) x 100.
    ASSERT_EQ(attractor.Update(1.0f), OK);
    EXPECT_NEAR(attractor.GetPower(), -69.314718f, 1e-3f);
}

TEST_F(ParticleAttractorTest, ExponentialRestartsAfterPassingAMillion)
{
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    attractor.SetType(QIRN_ATTRACTOR_EXPONENTIAL);
    // 0.5, 1.0, ... 14.0: 28 steps, the last giving e^14 = 1,202,604.
    for (int i = 1; i <= 28; ++i)
    {
        ASSERT_EQ(attractor.Update(0.5f), OK);
        EXPECT_NEAR(attractor.GetPower(), std::exp(0.5 * i), 1e-5 * std::exp(0.5 * i)) << i;
    }
    EXPECT_GT(attractor.GetPower(), 1000000.0f);
    EXPECT_FLOAT_EQ(attractor.GetAttractorTime(), 0.0f);
    ASSERT_EQ(attractor.Update(0.5f), OK);
    EXPECT_NEAR(attractor.GetPower(), 1.6487213f, 1e-5f);
}

TEST_F(ParticleAttractorTest, UnknownLawLogsEveryFrameAndKeepsThePower)
{
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    attractor.SetConstantPower(12.0f);
    ASSERT_EQ(attractor.Update(0.1f), OK);
    attractor.SetType(5);
    qirn_test::LogCapture log;
    EXPECT_EQ(attractor.Update(0.1f), GENERICERROR);
    EXPECT_EQ(attractor.Update(0.1f), GENERICERROR);
    EXPECT_EQ(log.Count("QIRN_ParticleAttractorActor::Update() - Invalid attractor type!\n"), 2u);
    EXPECT_FLOAT_EQ(attractor.GetPower(), 12.0f);
    // The base actor's update does not run: the object's own clock stays.
    EXPECT_FLOAT_EQ(attractor.GetTime(), 0.0f);
}

TEST_F(ParticleAttractorTest, KeywordsSaveAfterTheBaseActorAndLoadBack)
{
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    BlockFile file("QIRN_ParticleAttractorActor { Name { Pull } Position { 1 2 3 1 } Type { 3 }\n"
                   "  ConstantPower { -25.5 } }");
    ASSERT_EQ(attractor.Load(file.File()), OK);
    std::string szText = world_test::SaveObjectText(attractor, "attractor.txt");
    size_t posName = szText.find("Name {");
    size_t posType = szText.find("Type { 3 }");
    size_t posPower = szText.find("ConstantPower { -25.5 }");
    ASSERT_NE(posType, std::string::npos) << szText;
    ASSERT_NE(posPower, std::string::npos) << szText;
    EXPECT_LT(posName, posType);
    EXPECT_LT(posType, posPower);

    QIRN_ParticleAttractorActor copy(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    BlockFile again(szText, "copy.txt");
    ASSERT_EQ(copy.Load(again.File()), OK);
    EXPECT_EQ(copy.GetType(), QIRN_ATTRACTOR_LOGARITHM);
    EXPECT_FLOAT_EQ(copy.GetConstantPower(), -25.5f);
    EXPECT_FLOAT_EQ(copy.GetPosition().z, 3.0f);
}

TEST_F(ParticleAttractorTest, ReadFailuresAndInvalidFiles)
{
    for (const char* szKeyword : {"Type", "ConstantPower"})
    {
        SCOPED_TRACE(szKeyword);
        QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
        qirn_test::LogCapture log;
        BlockFile file(std::string("A { ") + szKeyword + " { strong } }");
        EXPECT_EQ(attractor.Load(file.File()), FILEREAD_ERROR);
        const std::vector<std::string>& lines = log.Messages();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[0], "*** QIRN_File::ReadBlock():Unable to read the value of the block\n");
        EXPECT_EQ(lines[1],
                  std::string("*** QIRN_ParticleAttractorActor::InterpretKeyWord() - Error reading ") +
                      szKeyword + "\n");
    }
    QIRN_ParticleAttractorActor attractor(QIRN_CLASS_PARTICLEATTRACTORACTOR);
    qirn_test::LogCapture log;
    BlockFile file("x");
    EXPECT_EQ(attractor.InterpretKeyWord("", file.File()), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleAttractorActor::InterpretKeyWord() - szKeyWord is empty\n"));
    QIRN_File closed;
    EXPECT_EQ(attractor.InterpretKeyWord("Type", closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_ParticleAttractorActor::InterpretKeyWord() - roFile is invalid\n"));
    EXPECT_EQ(attractor.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains(
        "*** QIRN_ParticleAttractorActor::SaveContents() - roFile is invalid. Can't save contents\n"));
}

TEST_F(ParticleAttractorTest, WorldMakesAttractorsIntoTheirList)
{
    QIRN_BaseObject* poObject = m_poWorld->CreateObject("Pull", QIRN_CLASS_PARTICLEATTRACTORACTOR);
    ASSERT_NE(poObject, nullptr);
    ASSERT_EQ(m_poWorld->AddObject(poObject), OK);
    ASSERT_NE(m_poWorld->GetParticleAttractorActorList(), nullptr);
    auto* poNode = m_poWorld->GetParticleAttractorActorList()->FindNode("Pull");
    ASSERT_NE(poNode, nullptr);
    EXPECT_EQ(poNode->m_pData->GetClassTypeName(), QIRN_CLASS_PARTICLEATTRACTORACTOR);
}
