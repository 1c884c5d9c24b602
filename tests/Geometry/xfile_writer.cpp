#include "xfile_writer.h"

#include <cstring>

namespace
{
// Token numbers of the binary .x format.
const uint16_t TOKEN_NAME = 1;
const uint16_t TOKEN_INTEGER_LIST = 6;
const uint16_t TOKEN_FLOAT_LIST = 7;
const uint16_t TOKEN_OBRACE = 10;
const uint16_t TOKEN_CBRACE = 11;
} // namespace

namespace qirn_test
{
XFileWriter::XFileWriter() : m_szBytes("xof 0302bin 0032") {}

void XFileWriter::Word(uint16_t w)
{
    m_szBytes.append(reinterpret_cast<const char*>(&w), sizeof(w));
}

void XFileWriter::Dword(uint32_t dw)
{
    m_szBytes.append(reinterpret_cast<const char*>(&dw), sizeof(dw));
}

void XFileWriter::Name(const std::string& szName)
{
    Word(TOKEN_NAME);
    Dword(static_cast<uint32_t>(szName.size()));
    m_szBytes += szName;
}

void XFileWriter::Open(const std::string& szTemplate, const std::string& szName)
{
    Name(szTemplate);
    if (!szName.empty())
    {
        Name(szName);
    }
    Word(TOKEN_OBRACE);
}

void XFileWriter::Close()
{
    Word(TOKEN_CBRACE);
}

void XFileWriter::Integers(std::initializer_list<uint32_t> vValues)
{
    Word(TOKEN_INTEGER_LIST);
    Dword(static_cast<uint32_t>(vValues.size()));
    for (uint32_t dw : vValues)
    {
        Dword(dw);
    }
}

void XFileWriter::Floats(std::initializer_list<float> vValues)
{
    Word(TOKEN_FLOAT_LIST);
    Dword(static_cast<uint32_t>(vValues.size()));
    for (float f : vValues)
    {
        uint32_t dw = 0;
        memcpy(&dw, &f, sizeof(dw));
        Dword(dw);
    }
}
} // namespace qirn_test
