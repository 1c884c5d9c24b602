#pragma once
// Reading blocks of shader files from text in the tests.

#include "qirn_databunny.h"
#include "qirn_databunnymanager.h"
#include "qirn_file.h"
#include "qirn_test_support.h"

#include <string>

namespace shader_test
{
// Opens a file holding the text, positioned after its first word (the block's keyword).
class BlockFile
{
public:
    explicit BlockFile(const std::string& szText, const std::string& szName = "block.txt")
    {
        qirn_test::WriteFile(szName, szText);
        m_bOpen = m_oFile.Open(szName, QIRN_FILE_READ) == OK;
        m_szKeyword = m_oFile.ReadNextWord();
    }

    QIRN_File& File() { return m_oFile; }
    const std::string& Keyword() const { return m_szKeyword; }
    bool IsOpen() const { return m_bOpen; }

private:
    QIRN_File m_oFile;
    std::string m_szKeyword;
    bool m_bOpen = false;
};

// A bunny with keys at 0 and 1 second holding the given values.
template <class TBunny> TBunny* MakeBunny(const std::string& szName, float fFirst, float fSecond)
{
    TBunny* poBunny = new TBunny(szName);
    poBunny->SetKeys(2, new float[2]{fFirst, fSecond}, new float[2]{0.0f, 1.0f});
    return poBunny;
}
} // namespace shader_test
