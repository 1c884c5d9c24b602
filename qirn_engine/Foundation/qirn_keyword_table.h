#pragma once
// Table-driven reading and writing of keyword blocks. A block with dozens of value keywords is
// described once (keyword, value kind, member) and both directions use that description, so the
// reader and the writer cannot drift apart.

#include "qirn_debug.h"
#include "qirn_errors.h"
#include "qirn_file.h"
#include "qirn_math.h"

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

enum QIRN_ValueKind
{
    QIRN_VALUE_WORD,     // one word (ReadBlock of a string)
    QIRN_VALUE_TEXT,     // every word up to "}" (ReadStringBlock)
    QIRN_VALUE_BOOL,     // 0 or 1
    QIRN_VALUE_UNSIGNED, // unsigned 32-bit, written unsigned
    QIRN_VALUE_ENUM,     // unsigned 32-bit, written as a signed integer
    QIRN_VALUE_INT,      // signed 32-bit
    QIRN_VALUE_FLOAT,
    QIRN_VALUE_COLOR, // packed ARGB, written as R G B A
    QIRN_VALUE_VECTOR,
    QIRN_VALUE_MATRIX,
};

template <class R> struct QIRN_KeywordField
{
    const char* szKeyword;
    QIRN_ValueKind eKind;
    // Text logged after "<prefix>Error reading " when the value cannot be read; nullptr: nothing.
    const char* szFailText;
    // Position in the writer's order (the reader accepts any order).
    int iWriteOrder;
    // A whole line logged instead of the prefixed fail text, for the odd keyword whose reader
    // words its failure differently; nullptr for the rest.
    const char* szFailLine;
    std::string R::*pString;
    bool R::*pBool;
    uint32_t R::*pUnsigned;
    int32_t R::*pInt;
    float R::*pFloat;
    QIRN_Vector4 R::*pVector;
    QIRN_Matrix4 R::*pMatrix;
};

template <class R>
QIRN_KeywordField<R> QIRN_MakeField(const char* szKeyword, QIRN_ValueKind eKind, const char* szFail,
                                    int iWriteOrder)
{
    QIRN_KeywordField<R> field = {szKeyword, eKind,   szFail,  iWriteOrder, nullptr, nullptr,
                                  nullptr,   nullptr, nullptr, nullptr,     nullptr, nullptr};
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, std::string R::*p, QIRN_ValueKind eKind,
                                const char* szFail, int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, eKind, szFail, iWriteOrder);
    field.pString = p;
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, bool R::*p, const char* szFail, int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, QIRN_VALUE_BOOL, szFail, iWriteOrder);
    field.pBool = p;
    return field;
}

// For QIRN_VALUE_UNSIGNED, QIRN_VALUE_ENUM and QIRN_VALUE_COLOR.
template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, uint32_t R::*p, QIRN_ValueKind eKind,
                                const char* szFail, int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, eKind, szFail, iWriteOrder);
    field.pUnsigned = p;
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, int32_t R::*p, const char* szFail, int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, QIRN_VALUE_INT, szFail, iWriteOrder);
    field.pInt = p;
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, float R::*p, const char* szFail, int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, QIRN_VALUE_FLOAT, szFail, iWriteOrder);
    field.pFloat = p;
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, QIRN_Vector4 R::*p, const char* szFail,
                                int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, QIRN_VALUE_VECTOR, szFail, iWriteOrder);
    field.pVector = p;
    return field;
}

template <class R>
QIRN_KeywordField<R> QIRN_Field(const char* szKeyword, QIRN_Matrix4 R::*p, const char* szFail,
                                int iWriteOrder = 0)
{
    QIRN_KeywordField<R> field = QIRN_MakeField<R>(szKeyword, QIRN_VALUE_MATRIX, szFail, iWriteOrder);
    field.pMatrix = p;
    return field;
}

// Reads the value block of one field into the record: 0, or 1 after the block reader's message.
template <class R>
QIRN_ErrorCode QIRN_ReadField(QIRN_File& roFile, R& rRecord, const QIRN_KeywordField<R>& field)
{
    switch (field.eKind)
    {
    case QIRN_VALUE_WORD:
        return roFile.ReadBlock(rRecord.*field.pString);
    case QIRN_VALUE_TEXT:
        return roFile.ReadStringBlock(rRecord.*field.pString);
    case QIRN_VALUE_BOOL:
        return roFile.ReadBlock(rRecord.*field.pBool);
    case QIRN_VALUE_UNSIGNED:
    case QIRN_VALUE_ENUM:
        return roFile.ReadBlock(rRecord.*field.pUnsigned);
    case QIRN_VALUE_COLOR:
        return roFile.ReadColor(rRecord.*field.pUnsigned);
    case QIRN_VALUE_INT:
        return roFile.ReadBlock(rRecord.*field.pInt);
    case QIRN_VALUE_FLOAT:
        return roFile.ReadBlock(rRecord.*field.pFloat);
    case QIRN_VALUE_VECTOR:
        return roFile.ReadBlock(rRecord.*field.pVector);
    case QIRN_VALUE_MATRIX:
        return roFile.ReadBlock(rRecord.*field.pMatrix);
    }
    return GENERICERROR;
}

template <class R>
QIRN_ErrorCode QIRN_WriteField(QIRN_File& roFile, const R& rRecord, const QIRN_KeywordField<R>& field)
{
    switch (field.eKind)
    {
    case QIRN_VALUE_WORD:
    case QIRN_VALUE_TEXT:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pString);
    case QIRN_VALUE_BOOL:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pBool);
    case QIRN_VALUE_UNSIGNED:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pUnsigned);
    case QIRN_VALUE_ENUM:
        return roFile.WriteBlock(field.szKeyword, static_cast<int32_t>(rRecord.*field.pUnsigned));
    case QIRN_VALUE_COLOR:
        return roFile.WriteBlock(field.szKeyword, QIRN_Color(rRecord.*field.pUnsigned));
    case QIRN_VALUE_INT:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pInt);
    case QIRN_VALUE_FLOAT:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pFloat);
    case QIRN_VALUE_VECTOR:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pVector);
    case QIRN_VALUE_MATRIX:
        return roFile.WriteBlock(field.szKeyword, rRecord.*field.pMatrix);
    }
    return GENERICERROR;
}

// Copies the field's member from one record to another.
template <class R> void QIRN_CopyField(R& rTarget, const R& rSource, const QIRN_KeywordField<R>& field)
{
    switch (field.eKind)
    {
    case QIRN_VALUE_WORD:
    case QIRN_VALUE_TEXT:
        rTarget.*field.pString = rSource.*field.pString;
        break;
    case QIRN_VALUE_BOOL:
        rTarget.*field.pBool = rSource.*field.pBool;
        break;
    case QIRN_VALUE_UNSIGNED:
    case QIRN_VALUE_ENUM:
    case QIRN_VALUE_COLOR:
        rTarget.*field.pUnsigned = rSource.*field.pUnsigned;
        break;
    case QIRN_VALUE_INT:
        rTarget.*field.pInt = rSource.*field.pInt;
        break;
    case QIRN_VALUE_FLOAT:
        rTarget.*field.pFloat = rSource.*field.pFloat;
        break;
    case QIRN_VALUE_VECTOR:
        rTarget.*field.pVector = rSource.*field.pVector;
        break;
    case QIRN_VALUE_MATRIX:
        rTarget.*field.pMatrix = rSource.*field.pMatrix;
        break;
    }
}

// The texts of one block reader. Every block reader of the shader and world files follows the
// same steps; only these texts differ.
struct QIRN_BlockTexts
{
    const char* szNotReadable; // file not open for reading (33); nullptr: not tested
    const char* szNoStart;     // first word not "{" (33)
    const char* szEndOfFile;   // end of file inside the block (1); nullptr: no message
    const char* szErrorPrefix; // a value that cannot be read (40): prefix + fail text + "\n"
    const char* szUnknown;     // format with the unknown keyword
    const char* szSkipLine;    // the line after it, indented by iSkipIndent blanks
    int iSkipIndent;
    const char* szSkipFailed; // the unknown keyword's block cannot be skipped (40)
};

// Checks that the file is readable and that the block opens with "{": 0, or 33 with its line.
QIRN_ErrorCode QIRN_ReadBlockStart(QIRN_File& roFile, const QIRN_BlockTexts& texts);

// Logs an unknown keyword and skips its block: 0, or 40 when the skip fails.
QIRN_ErrorCode QIRN_SkipUnknownKeyword(QIRN_File& roFile, const QIRN_BlockTexts& texts,
                                       const std::string& szKeyword);

// Answer of a special-keyword handler for a word it does not know.
const QIRN_ErrorCode QIRN_KEYWORD_NOT_HANDLED = -1;

// For blocks that have only table keywords.
inline QIRN_ErrorCode QIRN_NoSpecialKeywords(const std::string&)
{
    return QIRN_KEYWORD_NOT_HANDLED;
}

// Reads keywords up to the block's closing "}" (answer 0). Table keywords fill their fields;
// every other word goes to special(word), which answers QIRN_KEYWORD_NOT_HANDLED, 0 to go on, or
// a result that ends the block; unknown words are logged and skipped.
template <class R, class Special>
QIRN_ErrorCode QIRN_ReadKeywordLoop(QIRN_File& roFile, R& rRecord, const QIRN_BlockTexts& texts,
                                    const std::vector<QIRN_KeywordField<R>>& fields, Special special)
{
    for (;;)
    {
        if (roFile.IsEOF())
        {
            if (texts.szEndOfFile)
            {
                dprintf("%s", texts.szEndOfFile);
            }
            return GENERICERROR;
        }
        std::string szKeyword = roFile.ReadNextWord();
        const QIRN_KeywordField<R>* pField = nullptr;
        for (const QIRN_KeywordField<R>& field : fields)
        {
            if (szKeyword == field.szKeyword)
            {
                pField = &field;
                break;
            }
        }
        if (pField)
        {
            if (QIRN_ReadField(roFile, rRecord, *pField) != OK)
            {
                if (pField->szFailLine)
                {
                    dprintf("%s", pField->szFailLine);
                }
                else if (pField->szFailText)
                {
                    dprintf("%s%s\n", texts.szErrorPrefix, pField->szFailText);
                }
                return FILEREAD_ERROR;
            }
            continue;
        }
        QIRN_ErrorCode result = special(szKeyword);
        if (result == OK)
        {
            continue;
        }
        if (result != QIRN_KEYWORD_NOT_HANDLED)
        {
            return result;
        }
        if (szKeyword == QIRN_FILE_ENDBLOCKID)
        {
            return OK;
        }
        if (szKeyword.empty() && roFile.IsEOF())
        {
            continue;
        }
        result = QIRN_SkipUnknownKeyword(roFile, texts, szKeyword);
        if (result != OK)
        {
            return result;
        }
    }
}

// The fields in the writer's order (by iWriteOrder).
template <class R>
std::vector<QIRN_KeywordField<R>> QIRN_WriterOrder(std::vector<QIRN_KeywordField<R>> fields)
{
    std::stable_sort(fields.begin(), fields.end(),
                     [](const QIRN_KeywordField<R>& a, const QIRN_KeywordField<R>& b)
                     { return a.iWriteOrder < b.iWriteOrder; });
    return fields;
}

// Whether everything written so far reached the file.
inline bool QIRN_FileWriteGood(QIRN_File& roFile)
{
    return roFile.m_OutFile.is_open() && !roFile.m_OutFile.fail();
}
