#pragma once
// Writes binary .x files ("xof 0302bin 0032") token by token, for tests of the binary reader.

#include <cstdint>
#include <initializer_list>
#include <string>

namespace qirn_test
{
class XFileWriter
{
public:
    XFileWriter();

    // A data object of the template: its name (none when empty) and the opening brace.
    void Open(const std::string& szTemplate, const std::string& szName);
    void Close();
    void Integers(std::initializer_list<uint32_t> vValues);
    void Floats(std::initializer_list<float> vValues);

    const std::string& Text() const { return m_szBytes; }

private:
    void Word(uint16_t w);
    void Dword(uint32_t dw);
    void Name(const std::string& szName);

    std::string m_szBytes;
};
} // namespace qirn_test
