#include "qirn_cameraactor.h"
#include "qirn_fog.h"
#include "qirn_lightactor.h"
#include "qirn_test_support.h"
#include "qirn_world.h"
#include "world_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using world_test::BlockFile;

namespace
{
class FogTest : public world_test::WorldFixture
{
};

struct FailureCase
{
    const char* szKeyword;
    const char* szLine;
};
} // namespace

TEST_F(FogTest, FogWithOnlyANameIsLinearRangeBasedVertexFog)
{
    QIRN_Fog fog(QIRN_CLASS_FOG);
    BlockFile file("QIRN_Fog { Name { Haze } }");
    ASSERT_EQ(fog.Load(file.File()), OK);
    EXPECT_EQ(fog.GetName(), "Haze");
    EXPECT_EQ(fog.GetFogMode(), QIRN_FOG_LINEAR);
    EXPECT_TRUE(fog.IsVertexFog());
    EXPECT_TRUE(fog.IsRangeBasedFog());
    EXPECT_EQ(fog.GetColor(), 0x00FF0000u);
    EXPECT_FLOAT_EQ(fog.GetStartDistance(), 0.1f);
    EXPECT_FLOAT_EQ(fog.GetEndDistance(), 1.0f);
    EXPECT_FLOAT_EQ(fog.GetDensity(), 0.5f);
}

TEST_F(FogTest, FogKeywordsSaveAndLoadBack)
{
    QIRN_Fog fog(QIRN_CLASS_FOG);
    BlockFile file("QIRN_Fog { Name { Deep Haze } VertexFog { 0 } FogMode { 1 } RangeBasedFog { 0 }\n"
                   "  Color { 0 128 255 255 } StartDistance { 5 } EndDistance { 80 } Density { 0.02 } }");
    ASSERT_EQ(fog.Load(file.File()), OK);
    EXPECT_EQ(fog.GetColor(), 0xFF0080FFu);
    EXPECT_FALSE(fog.IsVertexFog());
    EXPECT_FALSE(fog.IsRangeBasedFog());
    EXPECT_EQ(fog.GetFogMode(), QIRN_FOG_EXP2);

    std::string szText = world_test::SaveObjectText(fog, "fog.txt");
    EXPECT_EQ(szText, "QIRN_Fog\n{\n"
                      "    VertexFog { 0 } \n"
                      "    FogMode { 1 } \n"
                      "    RangeBasedFog { 0 } \n"
                      "    Color { 0 128 255 255 } \n"
                      "    StartDistance { 5 } \n"
                      "    EndDistance { 80 } \n"
                      "    Density { 0.02 } \n"
                      "    Name { Deep Haze } \n"
                      "    Active { 1 } \n"
                      "}\n");
    QIRN_Fog copy(QIRN_CLASS_FOG);
    BlockFile again(szText, "copy.txt");
    ASSERT_EQ(copy.Load(again.File()), OK);
    EXPECT_EQ(copy.GetName(), "Deep Haze");
    EXPECT_EQ(copy.GetColor(), 0xFF0080FFu);
    EXPECT_EQ(copy.GetFogMode(), 1);
    EXPECT_FALSE(copy.IsVertexFog());
    EXPECT_FLOAT_EQ(copy.GetStartDistance(), 5.0f);
    EXPECT_FLOAT_EQ(copy.GetEndDistance(), 80.0f);
    EXPECT_FLOAT_EQ(copy.GetDensity(), 0.02f);
}

TEST_F(FogTest, FogReadFailures)
{
    const FailureCase cases[] = {
        {"VertexFog", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bVertexFog\n"},
        {"FogMode", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bFogMode\n"},
        {"RangeBasedFog", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_bRangeBasedFog\n"},
        {"Color", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_dwColor\n"},
        {"StartDistance", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fStartDistance\n"},
        {"EndDistance", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fEndDistance\n"},
        {"Density", "*** QIRN_Fog::InterpretKeyWord() - Error reading m_fDensity\n"},
    };
    for (const FailureCase& test : cases)
    {
        SCOPED_TRACE(test.szKeyword);
        QIRN_Fog fog(QIRN_CLASS_FOG);
        qirn_test::LogCapture log;
        BlockFile file(std::string("F { ") + test.szKeyword + " { thick } }");
        EXPECT_EQ(fog.Load(file.File()), FILEREAD_ERROR);
        EXPECT_TRUE(log.Contains(test.szLine)) << log.All();
    }
    QIRN_Fog fog(QIRN_CLASS_FOG);
    qirn_test::LogCapture log;
    QIRN_File closed;
    EXPECT_EQ(fog.SaveContents(closed), GENERICERROR);
    EXPECT_TRUE(log.Contains("*** QIRN_Fog::SaveContents(): foFile is invalid. Can't save contents\n"));
}

TEST_F(FogTest, WorldFileFillsTheKindLists)
{
    qirn_test::WriteFile("reef.w", "qirn_world_version2.0 {\n"
                                   "  QIRN_LightActor { Name { Sun } Type { 3 } }\n"
                                   "  QIRN_Fog { Name { Murk } Density { 0.1 } }\n"
                                   "  QIRN_CameraActor { Name { Eye } FOV { 60 } }\n"
                                   "  QIRN_LightActor { Name { Lamp } Type { 1 } }\n"
                                   "  QIRN_BaseActor { Name { Rock } }\n"
                                   "}\n");
    ASSERT_EQ(m_poWorld->Load("reef"), OK);

    QIRN_LINKEDLIST<QIRN_LightActor>* poLights = m_poWorld->GetLightActorList();
    ASSERT_NE(poLights, nullptr);
    ASSERT_EQ(poLights->m_iCount, 2);
    EXPECT_EQ(poLights->m_pHead->m_szName, "Lamp");
    EXPECT_EQ(poLights->m_pHead->m_pData->GetType(), QIRN_LIGHT_POINT);
    EXPECT_EQ(poLights->m_pTail->m_pData->GetType(), QIRN_LIGHT_DIRECTIONAL);
    QIRN_LINKEDLIST<QIRN_Fog>* poFogs = m_poWorld->GetFogList();
    ASSERT_NE(poFogs, nullptr);
    ASSERT_EQ(poFogs->m_iCount, 1);
    EXPECT_FLOAT_EQ(poFogs->m_pHead->m_pData->GetDensity(), 0.1f);
    ASSERT_EQ(m_poWorld->GetCameraActorList()->m_iCount, 1);
    EXPECT_FLOAT_EQ(m_poWorld->GetCameraActorList()->m_pHead->m_pData->GetFOV(), 60.0f);
    EXPECT_NE(m_poWorld->FindObject("Rock"), nullptr);
    // Registered kinds without objects have empty lists.
    ASSERT_NE(m_poWorld->GetLipSyncActorList(), nullptr);
    EXPECT_EQ(m_poWorld->GetLipSyncActorList()->m_iCount, 0);

    // Every object updates; the fog's clock runs too.
    EXPECT_EQ(m_poWorld->UpdateWorld(0.5f), OK);
    EXPECT_FLOAT_EQ(m_poWorld->FindObject("Murk")->GetTime(), 0.5f);
    EXPECT_FLOAT_EQ(m_poWorld->FindObject("Lamp")->GetTime(), 0.5f);
}

TEST_F(FogTest, BuiltInKindsAreRegisteredInOrder)
{
    std::vector<std::string> kinds;
    for (auto* poNode = m_poWorld->m_oActorRegistry.m_pHead; poNode; poNode = poNode->m_pNext)
    {
        kinds.push_back(poNode->m_szName);
        EXPECT_NE(poNode->m_pData->m_pfnCreate, nullptr);
    }
    EXPECT_EQ(kinds, (std::vector<std::string>{"QIRN_BaseActor", "QIRN_CameraActor", "QIRN_CustomActor",
                                               "QIRN_DigiMaskActor", "QIRN_Fog", "QIRN_LightActor",
                                               "QIRN_LipSyncActor", "QIRN_LogoActor", "QIRN_MeshActor",
                                               "QIRN_ParticleAttractorActor", "QIRN_ParticleEmitterActor",
                                               "QIRN_SkyBoxActor"}));
    for (const std::string& szKind : kinds)
    {
        QIRN_BaseObject* poObject = m_poWorld->CreateObject("x", szKind);
        ASSERT_NE(poObject, nullptr);
        EXPECT_EQ(poObject->GetClassTypeName(), szKind);
        delete poObject;
    }
}
