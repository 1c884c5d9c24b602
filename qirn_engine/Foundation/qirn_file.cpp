#include "qirn_file.h"

#include <limits>

const char* const QIRN_FILE_STARTBLOCKID = "{";
const char* const QIRN_FILE_ENDBLOCKID = "}";

QIRN_File::QIRN_File() : m_dwBlockDepth(0), m_iFileFunction(0) {}

QIRN_File::~QIRN_File()
{
    Close();
}

QIRN_ErrorCode QIRN_File::Open(std::string szFileName, int iFileFunction)
{
    m_iFileFunction = iFileFunction;
    if (iFileFunction == QIRN_FILE_READ)
    {
        if (!m_InFile.is_open())
        {
            m_InFile.open(szFileName.c_str());
        }
        else
        {
            m_InFile.setstate(std::ios::failbit);
        }
        if (!m_InFile.is_open() || m_InFile.fail())
        {
            Close();
            dprintf("*** QIRN_File::Open():File open for reading failed\n");
            return GENERICERROR;
        }
        if (m_InFile.peek() == std::char_traits<char>::eof())
        {
            dprintf("*** QIRN_File::Open():Nothing in the file to read\n");
            Close();
            return GENERICERROR;
        }
        m_iFileFunction = iFileFunction;
        return OK;
    }
    if (iFileFunction == QIRN_FILE_WRITE)
    {
        bool bOpened = false;
        if (!m_OutFile.is_open())
        {
            m_OutFile.open(szFileName.c_str(), std::ios::out | std::ios::trunc);
            bOpened = m_OutFile.is_open();
        }
        if (!bOpened)
        {
            Close();
            dprintf("*** QIRN_File::Open():file open for writing failed\n");
            return GENERICERROR;
        }
        m_iFileFunction = iFileFunction;
        return OK;
    }
    if (iFileFunction == 3)
    {
        return OK;
    }
    dprintf("*** QIRN_File::Open() - Unknown File Function operation\n");
    return GENERICERROR;
}

void QIRN_File::Close()
{
    if (m_OutFile.is_open())
    {
        m_OutFile.close();
    }
    if (m_InFile.is_open())
    {
        m_InFile.close();
    }
    m_OutFile.clear();
    m_InFile.clear();
    m_dwBlockDepth = 0;
    m_iFileFunction = 0;
}

QIRN_File::operator bool()
{
    switch (m_iFileFunction)
    {
    case QIRN_FILE_READ:
        return m_InFile.is_open();
    case QIRN_FILE_WRITE:
    case 3:
        return m_OutFile.is_open();
    default:
        dprintf("*** QIRN_File::operator bool() - Unknown File Function\n");
        return false;
    }
}

bool QIRN_File::IsEOF()
{
    if (m_iFileFunction != QIRN_FILE_READ)
    {
        return true;
    }
    return m_InFile.fail() || m_InFile.eof();
}

std::string QIRN_File::ReadNextWord()
{
    if (m_iFileFunction != QIRN_FILE_READ)
    {
        dprintf("*** QIRN_File::ReadNextWord() - Unknown File Function\n");
        return std::string();
    }
    if (m_InFile.fail())
    {
        dprintf("*** QIRN_File::ReadNextWord():m_InFile is invalid. can't read file\n");
        return std::string();
    }
    std::string szWord;
    m_InFile >> szWord;
    return szWord;
}

bool QIRN_File::StartBlockRead(const BlockReadTexts& texts)
{
    const char* szFailure = nullptr;
    if (m_iFileFunction != QIRN_FILE_READ)
    {
        szFailure = texts.szNotReading;
    }
    else if (m_InFile.fail())
    {
        szFailure = texts.szInvalid;
    }
    else if (m_InFile.eof())
    {
        szFailure = texts.szAtEnd;
    }
    else if (ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        szFailure = texts.szNoStart;
    }
    if (szFailure)
    {
        dprintf("%s", szFailure);
        return false;
    }
    return true;
}

bool QIRN_File::NextWord(std::string& szWord)
{
    szWord.clear();
    if (!IsEOF())
    {
        szWord = ReadNextWord();
    }
    return !(szWord.empty() && IsEOF());
}

QIRN_File::ExtractResult QIRN_File::ExtractValue(std::string& value)
{
    // "{ }" is how an empty text is written: it reads back as the empty text, and the brace
    // that closes it is not taken for the value.
    std::string szWord = ReadNextWord();
    if (szWord.empty())
    {
        return EXTRACT_FAILED;
    }
    if (szWord == QIRN_FILE_ENDBLOCKID)
    {
        value.clear();
        return EXTRACT_VALUE_AND_END;
    }
    value = szWord;
    return EXTRACT_VALUE;
}

QIRN_ErrorCode QIRN_File::ReadToBlockEnd(const char* szEndOfFile)
{
    // A failed stream answers no more words, so the scan ends there instead of waiting.
    while (!m_InFile.eof() && !m_InFile.fail())
    {
        if (ReadNextWord() == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
    }
    dprintf("%s", szEndOfFile);
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_File::ReadStringBlock(std::string& value)
{
    static const BlockReadTexts TEXTS = {
        "*** QIRN_File::ReadStringBlock() - Unknown File Function\n",
        "*** QIRN_File::ReadBlock() - m_InFile is INVALID\n",
        "*** QIRN_File::ReadBlock():Already at end of file. Can't read anything\n",
        "*** QIRN_File::ReadBlock():No STARTBLOCKID\n"};
    if (!StartBlockRead(TEXTS))
    {
        return GENERICERROR;
    }
    value.clear();
    while (!m_InFile.eof() && !m_InFile.fail())
    {
        std::string szWord = ReadNextWord();
        if (szWord == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        if (szWord.empty())
        {
            break;
        }
        if (!value.empty())
        {
            value += ' ';
        }
        value += szWord;
    }
    dprintf("*** QIRN_File::ReadStringBlock() - Hit EOF unexpectedly\n");
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_File::ReadColor(uint32_t& dwColor)
{
    static const BlockReadTexts TEXTS = {
        "*** QIRN_File::ReadColor() - Unknown File Function\n",
        "*** QIRN_File::ReadColor():m_InFile is invalid\n",
        "*** QIRN_File::ReadColor():Already at end of file. Can't read anything\n",
        "*** QIRN_File::ReadColor():No STARTBLOCKID\n"};
    if (!StartBlockRead(TEXTS))
    {
        return GENERICERROR;
    }
    uint32_t dwRed = 0, dwGreen = 0, dwBlue = 0, dwAlpha = 0;
    m_InFile >> dwRed >> dwGreen >> dwBlue >> dwAlpha;
    if (m_InFile.fail())
    {
        dprintf("*** QIRN_File::ReadColor() - Unable to read the four colour components\n");
        return GENERICERROR;
    }
    // No masking: a component above 255 spills into its neighbour, as stored files expect.
    dwColor = (dwAlpha << 24) | (dwRed << 16) | (dwGreen << 8) | dwBlue;
    return ReadToBlockEnd(
        "*** QIRN_File::ReadColor() - Hit End of file before reading the rest of the block\n");
}

QIRN_ErrorCode QIRN_File::SkipBlock()
{
    static const BlockReadTexts TEXTS = {
        "*** QIRN_File::SkipBlock() - Unknown File Function\n",
        "*** QIRN_File::SkipBlock():m_InFile is invalid\n",
        "*** QIRN_File::SkipBlock(): m_InFile at End of file\n",
        "*** QIRN_File::SkipBlock(): Start Block ID not found. not a valid block\n"};
    if (!StartBlockRead(TEXTS))
    {
        return GENERICERROR;
    }
    int iDepth = 1;
    while (!m_InFile.eof() && !m_InFile.fail())
    {
        std::string szWord = ReadNextWord();
        if (szWord == QIRN_FILE_STARTBLOCKID)
        {
            ++iDepth;
        }
        else if (szWord == QIRN_FILE_ENDBLOCKID && --iDepth == 0)
        {
            return OK;
        }
    }
    dprintf("*** QIRN_File::SkipBlock(): Unexpected end of file\n");
    return GENERICERROR;
}

QIRN_ErrorCode QIRN_File::SkipLine()
{
    if (m_iFileFunction != QIRN_FILE_READ)
    {
        dprintf("*** QIRN_File::SkipLine() - Unknown File Function\n");
        return GENERICERROR;
    }
    if (m_InFile.fail())
    {
        dprintf("*** QIRN_File::SkipLine() - m_InFile is INVALID\n");
        return GENERICERROR;
    }
    // The whole rest of the line goes, however long it is.
    m_InFile.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    return OK;
}

bool QIRN_File::CheckWritten()
{
    if (m_OutFile.fail() || !m_OutFile.is_open())
    {
        m_OutFile.setstate(std::ios::failbit);
        dprintf("*** QIRN_File::WriteBlock(): m_OutFile is invalid. can't write\n");
        return false;
    }
    return true;
}

QIRN_ErrorCode QIRN_File::WriteBlock(std::string szKeyword, QIRN_Color color)
{
    if (m_OutFile.fail())
    {
        dprintf("*** QIRN_File::WriteBlock(): m_OutFile is invalid. can't write\n");
        return GENERICERROR;
    }
    uint32_t dw = color.m_dwARGB;
    m_OutFile << GetIndent() << szKeyword << " " << QIRN_FILE_STARTBLOCKID << " " << ((dw >> 16) & 0xff)
              << " " << ((dw >> 8) & 0xff) << " " << (dw & 0xff) << " " << ((dw >> 24) & 0xff) << " "
              << QIRN_FILE_ENDBLOCKID << " " << '\n';
    m_OutFile.flush();
    return CheckWritten() ? OK : GENERICERROR;
}

QIRN_ErrorCode QIRN_File::StartWriteBlock(std::string szKeyword)
{
    if (m_OutFile.fail())
    {
        dprintf("*** QIRN_File::StartWriteBlock():m_OutFile is invalid. can't write to file\n");
        return GENERICERROR;
    }
    m_OutFile << GetIndent() << szKeyword << '\n';
    m_OutFile.flush();
    m_OutFile << GetIndent() << QIRN_FILE_STARTBLOCKID << '\n';
    m_OutFile.flush();
    if (m_OutFile.fail() || !m_OutFile.is_open())
    {
        m_OutFile.setstate(std::ios::failbit);
        dprintf("*** QIRN_File::StartWriteBlock():m_OutFile is invalid. can't write to file\n");
        return GENERICERROR;
    }
    ++m_dwBlockDepth;
    return OK;
}

QIRN_ErrorCode QIRN_File::EndWriteBlock()
{
    if (m_OutFile.fail())
    {
        dprintf("*** QIRN_File::StartWriteBlock():m_OutFile is invalid. can't write to file\n");
        return GENERICERROR;
    }
    if (m_dwBlockDepth == 0)
    {
        dprintf("*** QIRN_File::EndWriteBlock() - No open block to close\n");
        return GENERICERROR;
    }
    --m_dwBlockDepth;
    m_OutFile << GetIndent() << QIRN_FILE_ENDBLOCKID << '\n';
    m_OutFile.flush();
    if (m_OutFile.fail() || !m_OutFile.is_open())
    {
        m_OutFile.setstate(std::ios::failbit);
        dprintf("*** QIRN_File::StartWriteBlock():m_OutFile is invalid. can't write to file\n");
        return GENERICERROR;
    }
    return OK;
}

std::string QIRN_File::GetIndent() const
{
    return std::string(static_cast<size_t>(m_dwBlockDepth) * 4, ' ');
}
