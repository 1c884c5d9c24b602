#include "qirn_geometry.h"
#include "qirn_settings.h"
#include "qirn_skeleton.h"
#include "qirn_test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace
{
std::string Point(const std::string& szFrame, float x, float y, float z, float fScaleX = 1.0f)
{
    char szLine[256];
    snprintf(szLine, sizeof(szLine), "%s\n(matrix1 [%g,0,0] [0,1,0] [0,0,1] [%g,%g,%g])\n", szFrame.c_str(),
             fScaleX, x, y, z);
    return szLine;
}

// Neutral, a viseme the timeline does not know (over frames that do not exist), then OX and EAT.
std::string VisemeFile()
{
    return "4\n"
           "5\nNeutral\n" +
           Point("Jaw", 0.0f, -1.0f, 0.0f) + Point("Lip", 0.0f, 0.0f, 2.0f) + "5\nUNKNOWN\n" +
           Point("Nose", 0.0f, 0.0f, 0.0f) + Point("Ear", 0.0f, 0.0f, 0.0f) + "5\nOX\n" +
           Point("Jaw", 0.5f, -1.0f, 0.0f) + Point("Lip", 0.00005f, 0.00005f, 2.00005f) + "3\nEAT\n" +
           Point("Jaw", 0.0f, -1.0f, 0.0f, 2.0f);
}

class VisemesTest : public ::testing::Test
{
protected:
    VisemesTest() : m_oGeometry(nullptr)
    {
        QIRN_InitEnginePath(m_oDir.Path() + "\\qirn_v2.ini");
        QIRN_Frame* poRoot = new QIRN_Frame();
        poRoot->m_szName = "Head";
        m_poJaw = new QIRN_Frame();
        m_poJaw->m_szName = "Jaw";
        m_poLip = new QIRN_Frame();
        m_poLip->m_szName = "Lip";
        poRoot->AddChild(m_poJaw);
        poRoot->AddChild(m_poLip);
        m_oSkeleton.SetRoot(poRoot);
        m_oGeometry.m_poSkeleton = &m_oSkeleton;
        for (const char* szName : {"EAT", "OX"})
        {
            m_oWeights.InsertNode(szName, new float(0.0f));
        }
    }
    ~VisemesTest() override { m_oGeometry.m_poSkeleton = nullptr; }

    QIRN_ErrorCode Load(const std::string& szText)
    {
        qirn_test::WriteFile("face.cpa", szText);
        return m_oGeometry.LoadVisemes("face", m_oWeights.m_pHead);
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_Skeleton m_oSkeleton;
    QIRN_Geometry m_oGeometry;
    QIRN_Frame* m_poJaw = nullptr;
    QIRN_Frame* m_poLip = nullptr;
    QIRN_LINKEDLIST<float> m_oWeights;
};
} // namespace

TEST_F(VisemesTest, PosesAreStoredRelativeToNeutral)
{
    ASSERT_EQ(Load(VisemeFile()), OK);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Xfile_Object :: LoadVisemes(): Loading visemes!\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Xfile_Object :: LoadVisemes(): Finished loading visemes!\n"));

    QIRN_FramePose* poNeutral = m_poJaw->GetPose("Neutral");
    ASSERT_NE(poNeutral, nullptr);
    EXPECT_NEAR(poNeutral->m_vTranslation.y, -1.0f, 1e-5f);
    EXPECT_TRUE(poNeutral->m_bHasTranslation);

    QIRN_FramePose* poOx = m_poJaw->GetPose("OX");
    ASSERT_NE(poOx, nullptr);
    EXPECT_TRUE(poOx->m_bHasTranslation);
    EXPECT_NEAR(poOx->m_vTranslation.x, 0.5f, 1e-5f);
    EXPECT_NEAR(poOx->m_vTranslation.y, 0.0f, 1e-5f);
    EXPECT_FALSE(poOx->m_bHasScale);
    EXPECT_FALSE(poOx->m_bHasRotation);
    EXPECT_NEAR(poOx->m_oMatrix._41, 0.5f, 1e-5f);

    // A difference of 0.00005 in every component is no difference.
    QIRN_FramePose* poLipOx = m_poLip->GetPose("OX");
    ASSERT_NE(poLipOx, nullptr);
    EXPECT_FALSE(poLipOx->m_bHasTranslation);

    QIRN_FramePose* poEat = m_poJaw->GetPose("EAT");
    ASSERT_NE(poEat, nullptr);
    EXPECT_TRUE(poEat->m_bHasScale);
    EXPECT_NEAR(poEat->m_vScale.x, 1.0f, 1e-5f);
    EXPECT_FALSE(poEat->m_bHasTranslation);
    EXPECT_EQ(m_poLip->GetPose("EAT"), nullptr);
    EXPECT_EQ(m_poJaw->GetPose("UNKNOWN"), nullptr);
}

TEST_F(VisemesTest, AFrameTheSkeletonLacksFailsAndKeepsWhatWasRead)
{
    std::string szText = "2\n5\nNeutral\n" + Point("Jaw", 0.0f, 0.0f, 0.0f) + Point("Lip", 0.0f, 0.0f, 0.0f) +
                         "3\nOX\n" + Point("Chin", 0.0f, 0.0f, 0.0f);
    EXPECT_EQ(Load(szText), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_Xfile_Object :: LoadVisemes(): Can't find CP frame for viseme!\n"));
    EXPECT_NE(m_poLip->GetPose("Neutral"), nullptr);
}

TEST_F(VisemesTest, BadFilesAnswerOneWithTheirLine)
{
    std::string szLongName(40, 'N');
    struct Case
    {
        std::string szName;
        std::string szText;
        std::string szLog;
    } aCases[] = {
        {"no visemes", "0\n", "*** QIRN_Xfile_Object :: LoadVisemes(): Number of viseme is 0!\n"},
        {"no count", "many\n", "Can't read the number of visemes"},
        {"negative count", "-2\n", "Can't read the number of visemes"},
        {"bad line count", "1\n-1\nOX\n", "Bad line count of viseme 0"},
        {"no name", "1\n3\n", "*** QIRN_Xfile_Object :: LoadVisemes(): Can't read viseme name!\n"},
        {"over-long name", "1\n3\n" + szLongName + "\n" + Point("Jaw", 0, 0, 0), "longer than 31 characters"},
        {"over-long frame name",
         "1\n3\nNeutral\n" + szLongName + "\n(matrix1 [1,0,0] [0,1,0] [0,0,1] [0,0,0])\n",
         "Frame name is longer than 31 characters"},
        {"file ends in a skip", "2\n5\nWET\n" + Point("Jaw", 0, 0, 0), "File ends inside viseme \"WET\""},
        {"malformed number", "1\n3\nNeutral\nJaw\n(matrix1 [1,0,0] [0,x,0] [0,0,1] [0,0,0])\n",
         "Bad matrix for frame \"Jaw\" of viseme \"Neutral\""},
        {"missing bracket", "1\n3\nNeutral\nJaw\n(matrix1 [1,0,0] [0,1,0] [0,0,1] [0,0,0]\n", "Bad matrix"},
        {"no neutral", "1\n3\nOX\n" + Point("Jaw", 0, 0, 0),
         "*** QIRN_Xfile_Object :: LoadVisemes(): Can't find the neutral viseme!\n"},
    };
    for (const Case& c : aCases)
    {
        m_oLog.Clear();
        EXPECT_EQ(Load(c.szText), GENERICERROR) << c.szName;
        EXPECT_TRUE(m_oLog.Contains(c.szLog)) << c.szName << ":\n" << m_oLog.All();
    }
    EXPECT_EQ(m_oGeometry.LoadVisemes("", m_oWeights.m_pHead), INVALIDPARAMS);
    EXPECT_EQ(m_oGeometry.LoadVisemes("absent", m_oWeights.m_pHead), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_XFile_Object::LoadVisemes() - FindFile FAILED\n"));
}
