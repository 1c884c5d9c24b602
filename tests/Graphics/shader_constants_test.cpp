#include "qirn_shader.h"
#include "qirn_shaderconstants.h"
#include "shader_test_support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <string>

using shader_test::BlockFile;

namespace
{
class ConstantsTest : public testing::Test
{
protected:
    // Loads a constants block given after its keyword.
    QIRN_ErrorCode Load(const std::string& szBlock, QIRN_DataBunnyManager* poManager = nullptr)
    {
        BlockFile in("VertexShaderConstants " + szBlock);
        return m_oTable.Load(in.File(), poManager);
    }

    std::string Save()
    {
        {
            QIRN_File file;
            EXPECT_EQ(file.Open("saved.txt", QIRN_FILE_WRITE), OK);
            EXPECT_EQ(m_oTable.Save(file), OK);
        }
        return qirn_test::ReadFile("saved.txt");
    }

    uint32_t Type(uint32_t r, uint32_t c) { return m_oTable.Constant(r, c).GetType(); }
    bool Dynamic(uint32_t r, uint32_t c) { return m_oTable.Constant(r, c).IsDynamic(); }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_ShaderConstants m_oTable;
};
} // namespace

TEST_F(ConstantsTest, FixedConstantsFillTheirComponents)
{
    ASSERT_EQ(Load("{ NumRows { 2 } VSFlag { 1 } Constant { 0 0 1 0.5 } Constant { 1 3 1 2 } }"), OK);
    ASSERT_EQ(m_oTable.m_dwNumRows, 2u);
    const float expected[8] = {0.5f, 0, 0, 0, 0, 0, 0, 2};
    for (int i = 0; i < 8; ++i)
    {
        EXPECT_EQ(m_oTable.m_pfValues[i], expected[i]) << i;
    }
    EXPECT_FALSE(Dynamic(0, 0));
    EXPECT_EQ(Type(0, 1), QIRN_CONSTANT_UNDEFINED);
}

TEST_F(ConstantsTest, LoadFailures)
{
    struct Case
    {
        const char* szBlock;
        QIRN_ErrorCode expected;
        const char* szLine;
    };
    const Case cases[] = {
        {"{ NumRows { 1 } VSFlag { 1 } Constant { 1 0 1 2 } }", GENERICERROR,
         "*** QIRN_ShaderConstants::Load() - Invalid constant\n"},
        {"{ NumRows { 1 } VSFlag { 1 } Constant { 0 4 1 2 } }", GENERICERROR,
         "*** QIRN_ShaderConstants::Load() - Invalid constant\n"},
        {"{ VSFlag { 1 } NumRows { 1 } }", FILEERROR,
         "*** QIRN_ShaderConstants::Load() - Keyword \"NumRows\" not found\n"},
        {"{ NumRows { 1 } Constant { 0 0 0 } }", FILEERROR,
         "*** QIRN_ShaderConstants::Load() - Keyword \"VSFlag\" not found\n"},
        {"{ NumRows { x } }", FILEREAD_ERROR,
         "*** QIRN_ShaderConstants::Load() - Unable to read the \"NumRows\" block\n"},
        {"{ NumRows { 1 } VSFlag { 2 } }", FILEREAD_ERROR,
         "*** QIRN_ShaderConstants::Load() - Unable to read the \"VSFlag\" block\n"},
        {"NumRows { 1 }", FILEERROR, "*** QIRN_ShaderConstants::Load() - Start Block ID not found\n"},
        {"{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 1 x } }", FILEREAD_ERROR,
         "*** QIRN_ShaderConstants::Load() - Error reading the constant\n"},
        {"{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 12 } }", FILEREAD_ERROR,
         "*** QIRN_ShaderConstants::Load() - Error reading the constant\n"},
        {"{ NumRows { 4000000000 } VSFlag { 1 } }", GENERICERROR,
         "*** QIRN_ShaderConstants::Load() - Not enough memory for the table\n"},
        {"{ NumRows { 1 } VSFlag { 1 } Odd x }", FILEREAD_ERROR,
         "*** QIRN_ShaderConstants::Load() - Error in skiping the block\n"},
        {"{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 1 1 }", GENERICERROR, ""},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        EXPECT_EQ(Load(c.szBlock), c.expected) << c.szBlock;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szBlock << "\n" << m_oLog.All();
    }
    // A table that failed before its rows were made counts no rows, and neither does its copy.
    ASSERT_EQ(Load("{ NumRows { 2 } VSFlag { 1 } }"), OK);
    EXPECT_EQ(Load("{ NumRows { 3 } Constant { 0 0 0 } }"), FILEERROR);
    EXPECT_EQ(m_oTable.m_dwNumRows, 0u);
    EXPECT_EQ(m_oTable.m_poRows, nullptr);
    EXPECT_EQ(m_oTable.m_pfValues, nullptr);
    QIRN_ShaderConstants copy;
    ASSERT_EQ(copy.m_dwNumRows, 0u);
    copy.m_dwNumRows = 5;
    copy = m_oTable;
    EXPECT_EQ(copy.m_dwNumRows, 0u);
    EXPECT_EQ(copy.m_pfValues, nullptr);

    m_oLog.Clear();
    ASSERT_EQ(Load("{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 99 } Extra { a { b } } }"), OK);
    EXPECT_TRUE(
        m_oLog.Contains("*** QIRN_ShaderConstants::Load() - Unknown constant type, using undefined\n"));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_ShaderConstants::Load() - Unknown keyword 'Extra'\n"));
    EXPECT_TRUE(m_oLog.Contains(std::string(35, ' ') + "Attempting to skip block\n"));
}

TEST_F(ConstantsTest, FunctionsFoldWhenTheirOperandsAreFixed)
{
    struct Case
    {
        const char* szRecord; // function number and five (flag, operand) pairs
        float fExpected;
        const char* szLine;
    };
    const float x = 0.5f * 2.0f + 0.25f; // B x C + D of the records below
    const Case cases[] = {
        {"0 0 2 0 0 0 0 0 0 0 1", 1.0f, ""},
        {"0 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * std::sin(x), ""},
        {"1 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * std::cos(x), ""},
        {"2 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f / x, ""},
        {"2 0 3 0 0 0 0 0 0 0 1", 0.0f,
         "*** QIRN_ShaderConstants::EvaluateFunction() - Division by 0, keeping the previous value\n"},
        {"3 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * std::exp(x), ""},
        {"4 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * std::log(x), ""},
        {"4 0 3 0 -1 0 1 0 0 0 1", 0.0f,
         "*** QIRN_ShaderConstants::EvaluateFunction() - Ln is not defined, keeping the previous value\n"},
        {"5 0 3 0 -0.5 0 2 0 0 0 1", 1.0f + 3.0f * 1.0f, ""},
        {"6 0 0.5 0 0.5 0 3 0 0 0 1", 1.0f + std::fmod(1.5f, 0.5f), ""},
        {"6 0 0 0 0.5 0 3 0 0 0 1", 1.0f, ""},
        {"7 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * x, ""},
        {"8 0 3 0 0.5 0 2 0 0.25 0 1", 1.0f + 3.0f * x * x, ""},
        {"9 0 3 0 0.5 0 2 0 0.25 0 1", 0.0f,
         "*** QIRN_ShaderConstants::EvaluateFunction() - Unknown function type\n"},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        ASSERT_EQ(Load(std::string("{ NumRows { 1 } VSFlag { 1 } Constant { 0 1 3 ") + c.szRecord + " } }"),
                  OK);
        EXPECT_NEAR(m_oTable.Value(0, 1), c.fExpected, 1e-5f) << c.szRecord;
        EXPECT_FALSE(Dynamic(0, 1)) << c.szRecord;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szRecord;
        if (*c.szLine)
        {
            EXPECT_EQ(m_oLog.Count(c.szLine), 1u);
        }
    }

    // A flagged operand names a variable: the function stays dynamic.
    ASSERT_EQ(Load("{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 3 7 0 1 1 0 0 1 0 0 0 0 } }"), OK);
    EXPECT_TRUE(Dynamic(0, 0));
    EXPECT_TRUE(m_oTable.Constant(0, 0).IsOperandVariable(1));
    EXPECT_EQ(m_oTable.Constant(0, 0).GetFunction(), 7u);
}

TEST_F(ConstantsTest, FlaggedOperandsReadTheirVariables)
{
    // E + A x (B x C + D) with B the pass's displacement scale (variable 2), then variable 9.
    ASSERT_EQ(Load("{ NumRows { 1 } VSFlag { 1 } Constant { 0 0 3 7 0 2 1 2 0 1.5 0 0.5 0 1 } "
                   "Constant { 0 1 3 7 0 2 1 9 0 1.5 0 0.5 0 1 } }"),
              OK);
    EXPECT_TRUE(Dynamic(0, 0));
    QIRN_ShaderPass pass;
    pass.m_fDisplacementMapScale = 4.0f;
    m_oTable.m_pPass = &pass;
    m_oLog.Clear();
    m_oTable.EvaluateFunction(0, 0);
    EXPECT_FLOAT_EQ(m_oTable.Value(0, 0), 1.0f + 2.0f * (4.0f * 1.5f + 0.5f));
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();

    m_oTable.EvaluateFunction(0, 1);
    EXPECT_FLOAT_EQ(m_oTable.Value(0, 1), 1.0f + 2.0f * 0.5f);
    EXPECT_EQ(m_oLog.All(), "*** QIRN_ShaderConstants::GetVariableValue() - Unknown variable type\n");
}

TEST_F(ConstantsTest, SumsFoldOrBecomeUndefined)
{
    ASSERT_EQ(
        Load("{ NumRows { 4 } VSFlag { 1 } Constant { 0 0 1 1.5 } Constant { 1 0 1 2 } "
             "Constant { 2 0 4 0 1 } Constant { 3 0 4 1 3 } Constant { 0 1 4 0 0 } Constant { 3 1 2 0 } "
             "Constant { 3 2 4 3 3 } }"),
        OK);
    EXPECT_FLOAT_EQ(m_oTable.Value(2, 0), 3.5f);
    EXPECT_FALSE(Dynamic(2, 0));
    EXPECT_EQ(Type(3, 0), QIRN_CONSTANT_UNDEFINED);
    EXPECT_EQ(Type(0, 1), QIRN_CONSTANT_UNDEFINED);
    EXPECT_TRUE(m_oLog.Contains(
        "*** QIRN_ShaderConstants::PrepareTable - Invalid sum, row 3. Setting the constant to "
        "undefined\n"));
    EXPECT_TRUE(m_oLog.Contains("Invalid sum, row 0."));
    EXPECT_TRUE(Dynamic(3, 1)) << "a variable";
    EXPECT_EQ(Type(3, 2), QIRN_CONSTANT_UNDEFINED) << "a sum over its own row";
}

TEST_F(ConstantsTest, RowTypesSpreadOverTheirRows)
{
    ASSERT_EQ(
        Load("{ NumRows { 8 } VSFlag { 1 } Constant { 0 0 1 5 } Constant { 0 1 1 6 } Constant { 0 2 5 1 } "
             "Constant { 4 0 6 3 } Constant { 2 0 10 4 2 } }"),
        OK);
    for (uint32_t c = 0; c < 4; ++c)
    {
        EXPECT_EQ(Type(0, c), QIRN_CONSTANT_VECTOR) << c;
        EXPECT_TRUE(Dynamic(0, c));
        EXPECT_EQ(m_oTable.Constant(0, c).m_dwParam, 1u);
        EXPECT_EQ(Type(2, c), QIRN_CONSTANT_LIGHT_VECTOR);
        EXPECT_EQ(m_oTable.Constant(2, c).m_adwOperands[0], 2u);
        for (uint32_t r = 4; r < 8; ++r)
        {
            EXPECT_EQ(Type(r, c), QIRN_CONSTANT_MATRIX);
            EXPECT_EQ(m_oTable.Constant(r, c).m_dwParam, 3u);
        }
    }

    // Saved once, as a record for component 0.
    std::string szSaved = Save();
    EXPECT_NE(szSaved.find("Constant { 0 0 5 1 } "), std::string::npos) << szSaved;
    EXPECT_EQ(szSaved.find("Constant { 0 1 "), std::string::npos) << szSaved;
    EXPECT_NE(szSaved.find("Constant { 4 0 6 3 } "), std::string::npos);
    EXPECT_EQ(szSaved.find("Constant { 5 "), std::string::npos);
}

TEST_F(ConstantsTest, RowTypesThatDoNotFitBecomeUndefined)
{
    struct Case
    {
        const char* szBlock;
        const char* szLine;
    };
    const Case cases[] = {
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 6 0 6 0 } }",
         "*** QIRN_ShaderConstants::PrepareTable - Invalid matrix, row 6. Setting the constant to "
         "undefined\n"},
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 6 0 7 1 } }",
         "*** QIRN_ShaderConstants::PrepareTable - Invalid skin matrix, row 6. Setting the constant to "
         "undefined\n"},
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 1 0 8 1 } }",
         "*** QIRN_ShaderConstants::PrepareTable - Invalid skin matrix and inverse transpose, row 1. Setting "
         "the "
         "constant to undefined\n"},
        // Counts whose row span would wrap in 32 bits, and a count of zero.
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 1 0 7 1073741824 } }", "Invalid skin matrix, row 1."},
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 1 0 8 536870912 } }",
         "Invalid skin matrix and inverse transpose, row 1."},
        {"{ NumRows { 8 } VSFlag { 1 } Constant { 1 0 7 0 } }", "Invalid skin matrix, row 1."},
    };
    for (const Case& c : cases)
    {
        m_oLog.Clear();
        ASSERT_EQ(Load(c.szBlock), OK) << c.szBlock;
        EXPECT_TRUE(m_oLog.Contains(c.szLine)) << c.szBlock << "\n" << m_oLog.All();
        for (uint32_t r = 0; r < 8; ++r)
        {
            EXPECT_EQ(Type(r, 0), QIRN_CONSTANT_UNDEFINED) << c.szBlock << " row " << r;
        }
    }

    ASSERT_EQ(Load("{ NumRows { 8 } VSFlag { 1 } Constant { 0 0 7 2 } }"), OK);
    EXPECT_EQ(Type(7, 3), QIRN_CONSTANT_SKIN);
    EXPECT_EQ(m_oTable.Constant(7, 3).m_adwOperands[0], 2u);
}

TEST_F(ConstantsTest, SaveWritesOnlyTheUsedRows)
{
    ASSERT_EQ(Load("{ NumRows { 20 } VSFlag { 0 } Constant { 5 1 1 0.5 } Constant { 2 0 12 Glow } "
                   "Constant { 3 0 3 1 1 2 0 0.5 0 1 0 0 0 0 } Constant { 1 0 9 3 1 } }"),
              OK);
    std::string szSaved = Save();
    EXPECT_NE(szSaved.find("PixelShaderConstants\r\n{\r\n    NumRows { 6 } \r\n    VSFlag { 0 } \r\n"),
              std::string::npos)
        << szSaved;
    EXPECT_NE(szSaved.find("    Constant { 2 0 12 None } \r\n"), std::string::npos) << szSaved;
    EXPECT_NE(szSaved.find("    Constant { 3 0 3 1 1 2 0 0.5 0 1 0 0 0 0 } \r\n"), std::string::npos)
        << szSaved;
    EXPECT_NE(szSaved.find("    Constant { 1 0 9 3 1 } \r\n"), std::string::npos) << szSaved;
    EXPECT_NE(szSaved.find("    Constant { 5 1 1 0.5 } \r\n"), std::string::npos) << szSaved;

    BlockFile again(szSaved, "again.txt");
    QIRN_ShaderConstants reloaded;
    ASSERT_EQ(reloaded.Load(again.File(), nullptr), OK);
    EXPECT_EQ(reloaded.m_dwNumRows, 6u);
    EXPECT_FALSE(reloaded.m_bVSFlag);

    QIRN_ShaderConstants empty;
    {
        QIRN_File file;
        ASSERT_EQ(file.Open("empty.txt", QIRN_FILE_WRITE), OK);
        ASSERT_EQ(empty.Save(file), OK);
    }
    EXPECT_EQ(qirn_test::ReadFile("empty.txt"),
              "VertexShaderConstants\r\n{\r\n    NumRows { 1 } \r\n    VSFlag { 1 } "
              "\r\n    Constant { 0 0 0  } \r\n}\r\n");
    BlockFile emptyIn(qirn_test::ReadFile("empty.txt"), "empty_in.txt");
    ASSERT_EQ(reloaded.Load(emptyIn.File(), nullptr), OK);
    EXPECT_EQ(reloaded.m_dwNumRows, 1u);
    EXPECT_EQ(reloaded.Constant(0, 0).GetType(), QIRN_CONSTANT_UNDEFINED);
}

TEST_F(ConstantsTest, DataBunnyConstantsAndCopies)
{
    QIRN_DataBunnyManager manager;
    QIRN_FloatDataBunny* poGlow = shader_test::MakeBunny<QIRN_XFileFloatDataBunny>("Glow", 2, 4);
    manager.m_oFloatDataBunnyTree.InsertNode("Glow", poGlow);
    ASSERT_EQ(Load("{ NumRows { 1 } VSFlag { 1 } Constant { 0 2 12 Glow } Constant { 0 0 1 9 } }", &manager),
              OK);
    EXPECT_TRUE(Dynamic(0, 2));
    EXPECT_EQ(m_oTable.Constant(0, 2).m_oDataBunnyAssignment.GetDataBunny(), poGlow);
    EXPECT_EQ(poGlow->m_dwUseCount, 1u);
    manager.Update(0.5f);
    EXPECT_FLOAT_EQ(m_oTable.Constant(0, 2).m_oDataBunnyAssignment.GetValue(), 3.0f);
    EXPECT_NE(Save().find("Constant { 0 2 12 Glow } "), std::string::npos);

    QIRN_ShaderConstants copy;
    copy = m_oTable;
    EXPECT_EQ(copy.m_dwNumRows, 1u);
    EXPECT_EQ(copy.Value(0, 0), 9.0f);
    EXPECT_NE(copy.m_pfValues, m_oTable.m_pfValues);
    EXPECT_EQ(copy.Constant(0, 2).m_oDataBunnyAssignment.GetDataBunny(), poGlow);
    EXPECT_EQ(poGlow->m_dwUseCount, 2u);
    copy = copy;
    EXPECT_EQ(copy.m_dwNumRows, 1u);
}
