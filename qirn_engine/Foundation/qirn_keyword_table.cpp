#include "qirn_keyword_table.h"

#include <string>

QIRN_ErrorCode QIRN_ReadBlockStart(QIRN_File& roFile, const QIRN_BlockTexts& texts)
{
    if (texts.szNotReadable && !roFile)
    {
        dprintf("%s", texts.szNotReadable);
        return FILEERROR;
    }
    if (roFile.ReadNextWord() != QIRN_FILE_STARTBLOCKID)
    {
        dprintf("%s", texts.szNoStart);
        return FILEERROR;
    }
    return OK;
}

QIRN_ErrorCode QIRN_SkipUnknownKeyword(QIRN_File& roFile, const QIRN_BlockTexts& texts,
                                       const std::string& szKeyword)
{
    dprintf(texts.szUnknown, szKeyword.c_str());
    dprintf("%s%s", std::string(texts.iSkipIndent, ' ').c_str(), texts.szSkipLine);
    if (roFile.SkipBlock() != OK)
    {
        dprintf("%s", texts.szSkipFailed);
        return FILEREAD_ERROR;
    }
    return OK;
}
