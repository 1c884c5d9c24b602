#pragma once
// Keyword helpers shared by the world and its object kinds. An object's InterpretKeyWord takes one
// keyword at a time, so its value keywords are described by a table (Foundation's keyword table)
// that both InterpretKeyWord and SaveContents walk.

#include "qirn_debug.h"
#include "qirn_errors.h"
#include "qirn_file.h"
#include "qirn_keyword_table.h"

#include <string>
#include <vector>

// Logs an unknown keyword the way the world and the objects do: the line, then "*** Keyword: ",
// the word and a line end as three further log calls.
inline void QIRN_LogUnknownKeyword(const char* szLine, const std::string& szKeyWord)
{
    dprintf("%s", szLine);
    dprintf("*** Keyword: ");
    dprintf("%s", szKeyWord.c_str());
    dprintf("\n");
}

// Reads the value of one table keyword into the record: 0, 40 after the field's fail line, or
// QIRN_KEYWORD_NOT_HANDLED when the table has no such keyword.
template <class R>
QIRN_ErrorCode QIRN_InterpretTableKeyword(QIRN_File& roFile, R& rRecord,
                                          const std::vector<QIRN_KeywordField<R>>& fields,
                                          const std::string& szKeyWord)
{
    for (const QIRN_KeywordField<R>& field : fields)
    {
        if (szKeyWord != field.szKeyword)
        {
            continue;
        }
        if (QIRN_ReadField(roFile, rRecord, field) != OK)
        {
            if (field.szFailLine)
            {
                dprintf("%s", field.szFailLine);
            }
            return FILEREAD_ERROR;
        }
        return OK;
    }
    return QIRN_KEYWORD_NOT_HANDLED;
}

// Writes the table's fields in the writer's order; fields with a negative order are written by
// someone else. Answers 0, or 1 when a write failed.
template <class R>
QIRN_ErrorCode QIRN_WriteTableFields(QIRN_File& roFile, const R& rRecord,
                                     const std::vector<QIRN_KeywordField<R>>& fields)
{
    QIRN_ErrorCode result = OK;
    for (const QIRN_KeywordField<R>& field : QIRN_WriterOrder(fields))
    {
        if (field.iWriteOrder >= 0 && QIRN_WriteField(roFile, rRecord, field) != OK)
        {
            result = GENERICERROR;
        }
    }
    return result;
}

// A table field whose read failure logs the whole line szFailLine.
template <class R, class M>
QIRN_KeywordField<R> QIRN_TableField(const char* szKeyword, M R::*pMember, const char* szFailLine,
                                     int iWriteOrder)
{
    QIRN_KeywordField<R> field = QIRN_Field<R>(szKeyword, pMember, nullptr, iWriteOrder);
    field.szFailLine = szFailLine;
    return field;
}

// The same for the kinds of value that share a member type (text, unsigned, enum, colour).
template <class R, class M>
QIRN_KeywordField<R> QIRN_TableField(const char* szKeyword, M R::*pMember, QIRN_ValueKind eKind,
                                     const char* szFailLine, int iWriteOrder)
{
    QIRN_KeywordField<R> field = QIRN_Field<R>(szKeyword, pMember, eKind, nullptr, iWriteOrder);
    field.szFailLine = szFailLine;
    return field;
}
