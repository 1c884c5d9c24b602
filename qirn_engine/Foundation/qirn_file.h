#pragma once
// QIRN_File: reader and writer of the engine's block/keyword text files (world, shader and
// console-skin files). A file is a sequence of white-space separated words; an item is a keyword
// followed by a block in "{" and "}" words; a value block holds one value and is written on one
// line, indented four blanks per open named block.

#include "qirn_debug.h"
#include "qirn_errors.h"
#include "qirn_math.h"

#include <cstdint>
#include <fstream>
#include <string>
#include <type_traits>

const int QIRN_FILE_READ = 1;
const int QIRN_FILE_WRITE = 2;

extern const char* const QIRN_FILE_STARTBLOCKID;
extern const char* const QIRN_FILE_ENDBLOCKID;

// A packed ARGB colour; its own type so that WriteBlock picks the colour form (R G B A).
struct QIRN_Color
{
    explicit QIRN_Color(uint32_t dwARGB) : m_dwARGB(dwARGB) {}
    uint32_t m_dwARGB;
};

class QIRN_File
{
public:
    QIRN_File();
    ~QIRN_File();

    QIRN_File(const QIRN_File&) = delete;
    QIRN_File& operator=(const QIRN_File&) = delete;

    QIRN_ErrorCode Open(std::string szFileName, int iFileFunction);
    void Close();
    explicit operator bool();
    bool IsEOF();

    std::string ReadNextWord();
    // The next word into szWord; false when the file has ended (szWord is then empty).
    bool NextWord(std::string& szWord);
    template <class T> QIRN_ErrorCode ReadBlock(T& value);
    QIRN_ErrorCode ReadStringBlock(std::string& value);
    QIRN_ErrorCode ReadColor(uint32_t& dwColor);
    QIRN_ErrorCode SkipBlock();
    QIRN_ErrorCode SkipLine();

    template <class T> QIRN_ErrorCode WriteBlock(std::string szKeyword, T value);
    QIRN_ErrorCode WriteBlock(std::string szKeyword, QIRN_Color color);
    QIRN_ErrorCode StartWriteBlock(std::string szKeyword);
    QIRN_ErrorCode EndWriteBlock();
    std::string GetIndent() const;

    std::ofstream m_OutFile;
    std::ifstream m_InFile;
    uint32_t m_dwBlockDepth;
    int m_iFileFunction;

private:
    // The log lines of the checks every block reader makes before its value.
    struct BlockReadTexts
    {
        const char* szNotReading;
        const char* szInvalid;
        const char* szAtEnd;
        const char* szNoStart;
    };

    // Reading mode, a usable stream and the opening "{": true, or false after the matching line.
    bool StartBlockRead(const BlockReadTexts& texts);

    enum ExtractResult
    {
        EXTRACT_FAILED,
        EXTRACT_VALUE,
        EXTRACT_VALUE_AND_END // the value was empty and its closing brace is already read
    };

    template <class T> ExtractResult ExtractValue(T& value);
    ExtractResult ExtractValue(std::string& value);
    // Reads words up to the block's closing brace; szEndOfFile is logged when none comes.
    QIRN_ErrorCode ReadToBlockEnd(const char* szEndOfFile);
    bool CheckWritten();
};

template <class T> QIRN_File::ExtractResult QIRN_File::ExtractValue(T& value)
{
    // Read into a temporary, so a value that does not parse leaves the target as it was.
    T read = value;
    // One-byte integers are numbers in these files, not characters.
    if constexpr (std::is_integral_v<T> && sizeof(T) == 1 && !std::is_same_v<T, bool>)
    {
        int iValue = 0;
        m_InFile >> iValue;
        read = static_cast<T>(iValue);
    }
    else
    {
        m_InFile >> read;
    }
    if (m_InFile.fail())
    {
        return EXTRACT_FAILED;
    }
    value = read;
    return EXTRACT_VALUE;
}

template <class T> QIRN_ErrorCode QIRN_File::ReadBlock(T& value)
{
    static const BlockReadTexts TEXTS = {
        "*** QIRN_File::ReadBlock() - Unknown FileFunction\n",
        "*** QIRN_File::ReadBlock():m_InFile is invalid\n",
        "*** QIRN_File::ReadBlock():Already at end of file. Can't read anything\n",
        "*** QIRN_File::ReadBlock():No STARTBLOCKID\n"};
    if (!StartBlockRead(TEXTS))
    {
        return GENERICERROR;
    }
    switch (ExtractValue(value))
    {
    case EXTRACT_FAILED:
        dprintf("*** QIRN_File::ReadBlock():Unable to read the value of the block\n");
        return GENERICERROR;
    case EXTRACT_VALUE_AND_END:
        return OK;
    case EXTRACT_VALUE:
        break;
    }
    return ReadToBlockEnd("*** QIRN_File:ReadBlock():Hit End of file before reading the rest of the block\n");
}

template <class T> QIRN_ErrorCode QIRN_File::WriteBlock(std::string szKeyword, T value)
{
    if (m_OutFile.fail())
    {
        dprintf("*** QIRN_File::WriteBlock(): m_OutFile is invalid. can't write\n");
        return GENERICERROR;
    }
    m_OutFile << GetIndent() << szKeyword << " " << QIRN_FILE_STARTBLOCKID << " ";
    if constexpr (std::is_integral_v<T> && sizeof(T) == 1 && !std::is_same_v<T, bool>)
    {
        m_OutFile << static_cast<int>(value);
    }
    else
    {
        m_OutFile << value;
    }
    m_OutFile << " " << QIRN_FILE_ENDBLOCKID << " " << '\n';
    m_OutFile.flush();
    return CheckWritten() ? OK : GENERICERROR;
}
