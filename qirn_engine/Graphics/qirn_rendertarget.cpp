#include "qirn_rendertarget.h"

#include "qirn_file.h"
#include "qirn_keyword_table.h"
#include "qirn_pixelformat.h"

namespace
{
const QIRN_BlockTexts RENDERTARGET_TEXTS = {
    "*** QIRN_RenderTarget :: Load() - Unable to read from file!\n",
    "*** QIRN_RenderTarget :: Load() - Start Block ID not found",
    "*** QIRN_RenderTarget :: Load() - Hit the end of file while reading\n",
    "*** QIRN_RenderTarget :: Load() - Error reading ",
    "*** QIRN_RenderTarget :: Load() - Unknown keyword '%s'!\n",
    "Attempting to skip block!\n",
    34,
    "*** QIRN_RenderTarget :: Load() - Error in skiping the file block!\n",
};

// Reader's order; the writer's order is given by the last column.
const std::vector<QIRN_KeywordField<QIRN_RenderTarget>>& RenderTargetFields()
{
    typedef QIRN_RenderTarget T;
    static const std::vector<QIRN_KeywordField<T>> fields = {
        QIRN_Field<T>("Name", &T::m_strName, QIRN_VALUE_TEXT, "Name", 1),
        QIRN_Field<T>("UpdateFunction", &T::m_strUpdateFunction, QIRN_VALUE_TEXT, "UpdateFunction", 2),
        QIRN_Field<T>("Width", &T::m_dwWidth, QIRN_VALUE_UNSIGNED, "Width", 3),
        QIRN_Field<T>("Height", &T::m_dwHeight, QIRN_VALUE_UNSIGNED, "Height", 4),
        QIRN_Field<T>("Format", &T::m_eFormat, QIRN_VALUE_ENUM, "Format", 5),
        QIRN_Field<T>("CreateZBuffer", &T::m_bCreateZBuffer, "CreateZBuffer", 7),
        QIRN_Field<T>("ZBufferFormat", &T::m_eZBufferFormat, QIRN_VALUE_ENUM, "ZBufferFormat", 8),
        QIRN_Field<T>("Lockable", &T::m_bLockable, "Lockable", 6),
    };
    return fields;
}
} // namespace

QIRN_RenderTarget::QIRN_RenderTarget()
    : m_dwWidth(256), m_dwHeight(256), m_eFormat(QIRN_FMT_A8R8G8B8), m_bLockable(false),
      m_bCreateZBuffer(true), m_eZBufferFormat(QIRN_FMT_D32)
{
}

QIRN_ErrorCode QIRN_RenderTarget::Load(QIRN_File& roFile)
{
    QIRN_ErrorCode result = QIRN_ReadBlockStart(roFile, RENDERTARGET_TEXTS);
    if (result != OK)
    {
        return result;
    }
    return QIRN_ReadKeywordLoop(roFile, *this, RENDERTARGET_TEXTS, RenderTargetFields(),
                                QIRN_NoSpecialKeywords);
}

QIRN_ErrorCode QIRN_RenderTarget::Save(QIRN_File& roFile) const
{
    if (!roFile)
    {
        dprintf("QIRN_RenderTarget :: Save() - Unable to write to file!\n");
        return FILEERROR;
    }
    static const std::vector<QIRN_KeywordField<QIRN_RenderTarget>> writerOrder =
        QIRN_WriterOrder(RenderTargetFields());
    roFile.StartWriteBlock("RenderTarget");
    for (const QIRN_KeywordField<QIRN_RenderTarget>& field : writerOrder)
    {
        QIRN_WriteField(roFile, *this, field);
    }
    roFile.EndWriteBlock();
    return QIRN_FileWriteGood(roFile) ? OK : FILEERROR;
}
