#include "qirn_file.h"
#include "qirn_test_support.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <string>

namespace
{
// Opens a file holding the given text for reading.
class FileTest : public testing::Test
{
protected:
    void Load(const std::string& szText)
    {
        qirn_test::WriteFile("in.txt", szText);
        ASSERT_EQ(m_oFile.Open("in.txt", QIRN_FILE_READ), OK);
    }

    qirn_test::ScopedTempDir m_oDir;
    qirn_test::LogCapture m_oLog;
    QIRN_File m_oFile;
};
} // namespace

TEST_F(FileTest, ValueBlocksOfEveryType)
{
    Load("I { 5 6 } F { 0.5} B { 1 } U { -1 } S { word more } "
         "V { 1 2 3 4 } M { 1 0 0 0 0 1 0 0 0 0 1 0 7 8 9 1 } C { 255 128 0 64 } Last { 3 }");
    int i = 0;
    float f = 0;
    bool b = false;
    uint32_t u = 0;
    std::string s;
    QIRN_Vector4 v;
    QIRN_Matrix4 m;
    uint32_t c = 0;
    EXPECT_EQ(m_oFile.ReadNextWord(), "I");
    EXPECT_EQ(m_oFile.ReadBlock(i), OK);
    EXPECT_EQ(i, 5);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(f), OK);
    EXPECT_EQ(f, 0.5f);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(b), OK);
    EXPECT_TRUE(b);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(u), OK);
    EXPECT_EQ(u, 4294967295u);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(s), OK);
    EXPECT_EQ(s, "word");
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(v), OK);
    EXPECT_EQ(v.w, 4.0f);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadBlock(m), OK);
    EXPECT_EQ(m._42, 8.0f);
    m_oFile.ReadNextWord();
    EXPECT_EQ(m_oFile.ReadColor(c), OK);
    EXPECT_EQ(c, 0x40FF8000u);
    EXPECT_EQ(m_oFile.ReadNextWord(), "Last");
    EXPECT_EQ(m_oFile.ReadBlock(i), OK);
    EXPECT_EQ(i, 3);
    EXPECT_TRUE(m_oLog.All().empty()) << m_oLog.All();
}

// Components are packed without masking: one above 255 spills into the byte above its own,
// as colours stored by earlier versions expect.
TEST_F(FileTest, ColourComponentsSpillIntoTheirNeighbour)
{
    Load("{ 256 0 0 0 } { 0 0 256 7 }");
    uint32_t c = 0;
    EXPECT_EQ(m_oFile.ReadColor(c), OK);
    EXPECT_EQ(c, 0x01000000u);
    EXPECT_EQ(m_oFile.ReadColor(c), OK);
    EXPECT_EQ(c, 0x07000100u);
}

TEST_F(FileTest, StringBlocks)
{
    Load("{ Big   Blue\n Whale } { } Next { } After");
    std::string s;
    EXPECT_EQ(m_oFile.ReadStringBlock(s), OK);
    EXPECT_EQ(s, "Big Blue Whale");
    EXPECT_EQ(m_oFile.ReadStringBlock(s), OK);
    EXPECT_EQ(s, "");
    // An empty one-word value reads as empty and leaves the next item alone.
    EXPECT_EQ(m_oFile.ReadNextWord(), "Next");
    s = "x";
    EXPECT_EQ(m_oFile.ReadBlock(s), OK);
    EXPECT_EQ(s, "");
    EXPECT_EQ(m_oFile.ReadNextWord(), "After");
}

TEST_F(FileTest, MalformedBlocksAnswerOneWithoutHanging)
{
    struct Case
    {
        const char* szText;
        int iKind; // 0 int, 1 bool, 2 colour, 3 vector, 4 skip, 5 string block
        const char* szMessage;
    };
    const Case cases[] = {
        {"{5}", 0, "*** QIRN_File::ReadBlock():No STARTBLOCKID\n"},
        {"{ abc }", 0, "*** QIRN_File::ReadBlock():Unable to read the value of the block\n"},
        {"{ 2 }", 1, "*** QIRN_File::ReadBlock():Unable to read the value of the block\n"},
        {"{ true }", 1, "*** QIRN_File::ReadBlock():Unable to read the value of the block\n"},
        {"{ 1 2 3 }", 2, "*** QIRN_File::ReadColor() - Unable to read the four colour components\n"},
        {"{ 1 2 3 } X { 4 }", 3, "*** QIRN_File::ReadBlock():Unable to read the value of the block\n"},
        {"{ 5 6", 0, "*** QIRN_File:ReadBlock():Hit End of file before reading the rest of the block\n"},
        {"{ 1 2 3 4", 2,
         "*** QIRN_File::ReadColor() - Hit End of file before reading the rest of the block\n"},
        {"{ a { b }", 4, "*** QIRN_File::SkipBlock(): Unexpected end of file\n"},
        {"x { }", 4, "*** QIRN_File::SkipBlock(): Start Block ID not found. not a valid block\n"},
        {"{ a b", 5, "*** QIRN_File::ReadStringBlock() - Hit EOF unexpectedly\n"},
    };
    for (const Case& c : cases)
    {
        m_oFile.Close();
        m_oLog.Clear();
        Load(c.szText);
        int i = 0;
        bool b = false;
        uint32_t u = 0;
        QIRN_Vector4 v;
        std::string s;
        QIRN_ErrorCode result = c.iKind == 0   ? m_oFile.ReadBlock(i)
                                : c.iKind == 1 ? m_oFile.ReadBlock(b)
                                : c.iKind == 2 ? m_oFile.ReadColor(u)
                                : c.iKind == 3 ? m_oFile.ReadBlock(v)
                                : c.iKind == 4 ? m_oFile.SkipBlock()
                                               : m_oFile.ReadStringBlock(s);
        EXPECT_EQ(result, GENERICERROR) << c.szText;
        EXPECT_EQ(m_oLog.All(), c.szMessage) << c.szText;
    }
}

TEST_F(FileTest, AValueThatDoesNotParseLeavesTheTargetAlone)
{
    Load("{ abc } ");
    int i = 7;
    EXPECT_EQ(m_oFile.ReadBlock(i), GENERICERROR);
    EXPECT_EQ(i, 7);
}

TEST_F(FileTest, SkipBlockAndSkipLine)
{
    std::string szLongComment(5000, 'c');
    Load("{ a { b } c } ; " + szLongComment + "\nKey { 1 }");
    EXPECT_EQ(m_oFile.SkipBlock(), OK);
    EXPECT_EQ(m_oFile.ReadNextWord(), ";");
    EXPECT_EQ(m_oFile.SkipLine(), OK);
    EXPECT_EQ(m_oFile.ReadNextWord(), "Key");
    int i = 0;
    EXPECT_EQ(m_oFile.ReadBlock(i), OK);
    EXPECT_EQ(i, 1);
    EXPECT_TRUE(m_oFile.IsEOF() || m_oFile.ReadNextWord().empty());
    EXPECT_TRUE(m_oFile.IsEOF());
}

TEST_F(FileTest, OpenFailures)
{
    QIRN_File file;
    EXPECT_EQ(file.Open("missing.txt", QIRN_FILE_READ), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::Open():File open for reading failed\n"));
    qirn_test::WriteFile("empty.txt", "");
    EXPECT_EQ(file.Open("empty.txt", QIRN_FILE_READ), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::Open():Nothing in the file to read\n"));
    EXPECT_EQ(file.Open("x.txt", 7), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::Open() - Unknown File Function operation\n"));
    EXPECT_FALSE(static_cast<bool>(file));
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::operator bool() - Unknown File Function\n"));
    EXPECT_EQ(file.ReadNextWord(), "");
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::ReadNextWord() - Unknown File Function\n"));
    EXPECT_TRUE(file.IsEOF());
}

TEST_F(FileTest, WriterLayoutAndRoundTrip)
{
    {
        QIRN_File file;
        ASSERT_EQ(file.Open("out.txt", QIRN_FILE_WRITE), OK);
        EXPECT_TRUE(static_cast<bool>(file));
        EXPECT_EQ(file.StartWriteBlock("qirn_test_version1.0"), OK);
        EXPECT_EQ(file.WriteBlock("Float", 0.123456789f), OK);
        EXPECT_EQ(file.WriteBlock("Int", -1), OK);
        EXPECT_EQ(file.WriteBlock("Bool", true), OK);
        EXPECT_EQ(file.WriteBlock("Byte", static_cast<unsigned char>(200)), OK);
        EXPECT_EQ(file.WriteBlock("Name", std::string()), OK);
        EXPECT_EQ(file.StartWriteBlock("Pass"), OK);
        EXPECT_EQ(file.WriteBlock("Color", QIRN_Color(0x40FF8000u)), OK);
        EXPECT_EQ(file.WriteBlock("Vector", QIRN_Vector4(1, 2, 3, 1)), OK);
        EXPECT_EQ(file.EndWriteBlock(), OK);
        EXPECT_EQ(file.EndWriteBlock(), OK);
        EXPECT_EQ(file.EndWriteBlock(), GENERICERROR);
        EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::EndWriteBlock() - No open block to close\n"));
    }
    EXPECT_EQ(qirn_test::ReadFile("out.txt"), "qirn_test_version1.0\r\n"
                                              "{\r\n"
                                              "    Float { 0.123457 } \r\n"
                                              "    Int { -1 } \r\n"
                                              "    Bool { 1 } \r\n"
                                              "    Byte { 200 } \r\n"
                                              "    Name {  } \r\n"
                                              "    Pass\r\n"
                                              "    {\r\n"
                                              "        Color { 255 128 0 64 } \r\n"
                                              "        Vector { 1 2 3 1 } \r\n"
                                              "    }\r\n"
                                              "}\r\n");

    QIRN_File file;
    ASSERT_EQ(file.Open("out.txt", QIRN_FILE_READ), OK);
    EXPECT_EQ(file.ReadNextWord(), "qirn_test_version1.0");
    EXPECT_EQ(file.ReadNextWord(), "{");
    float f = 0;
    uint32_t u = 0;
    bool b = false;
    unsigned char byte = 0;
    std::string s = "x";
    file.ReadNextWord();
    EXPECT_EQ(file.ReadBlock(f), OK);
    EXPECT_EQ(f, 0.123457f);
    file.ReadNextWord();
    EXPECT_EQ(file.ReadBlock(u), OK);
    EXPECT_EQ(u, 0xFFFFFFFFu);
    file.ReadNextWord();
    EXPECT_EQ(file.ReadBlock(b), OK);
    file.ReadNextWord();
    EXPECT_EQ(file.ReadBlock(byte), OK);
    EXPECT_EQ(byte, 200);
    file.ReadNextWord();
    EXPECT_EQ(file.ReadBlock(s), OK);
    EXPECT_EQ(s, "");
    EXPECT_EQ(file.ReadNextWord(), "Pass");
}

TEST_F(FileTest, WritesThatFailAreReported)
{
    QIRN_File closed;
    EXPECT_EQ(closed.WriteBlock("Key", 1), GENERICERROR);
    EXPECT_EQ(closed.WriteBlock("Key", 1), GENERICERROR);
    EXPECT_EQ(m_oLog.Count("*** QIRN_File::WriteBlock(): m_OutFile is invalid. can't write\n"), 2u);

    QIRN_File twice;
    ASSERT_EQ(twice.Open("a.txt", QIRN_FILE_WRITE), OK);
    EXPECT_EQ(twice.Open("b.txt", QIRN_FILE_WRITE), GENERICERROR);
    EXPECT_TRUE(m_oLog.Contains("*** QIRN_File::Open():file open for writing failed\n"));

    // A file held open without sharing cannot be opened for writing, and keeps its content.
    qirn_test::WriteFile("locked.txt", "keep");
    HANDLE hLock = CreateFileA("locked.txt", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(hLock, INVALID_HANDLE_VALUE);
    QIRN_File locked;
    EXPECT_EQ(locked.Open("locked.txt", QIRN_FILE_WRITE), GENERICERROR);
    CloseHandle(hLock);
    EXPECT_EQ(qirn_test::ReadFile("locked.txt"), "keep");

    // A folder is no file to write.
    CreateDirectoryA("folder", nullptr);
    EXPECT_EQ(locked.Open("folder", QIRN_FILE_WRITE), GENERICERROR);
}
