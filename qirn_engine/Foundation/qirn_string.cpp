#include "qirn_string.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

QIRN_String QIRN_String::Format(const char* szFormat, ...)
{
    // Formats into a stack buffer first and grows to the exact size when the text is longer,
    // so no result is ever cut or written past a buffer.
    char szBuffer[1024];
    va_list args;
    va_start(args, szFormat);
    va_list argsCopy;
    va_copy(argsCopy, args);
    int iLength = vsnprintf(szBuffer, sizeof(szBuffer), szFormat, args);
    va_end(args);
    if (iLength < 0)
    {
        clear();
    }
    else if (static_cast<size_t>(iLength) < sizeof(szBuffer))
    {
        // The text up to its terminator: a "%c" of 0 ends it there.
        assign(szBuffer);
    }
    else
    {
        std::vector<char> vBuffer(static_cast<size_t>(iLength) + 1);
        vsnprintf(vBuffer.data(), vBuffer.size(), szFormat, argsCopy);
        assign(vBuffer.data());
    }
    va_end(argsCopy);
    return *this;
}

QIRN_String QIRN_String::Mid(int first, int count) const
{
    int iLength = static_cast<int>(size());
    if (first < 0)
    {
        first = 0;
    }
    if (first > iLength)
    {
        first = iLength;
    }
    if (count < 0)
    {
        count = 0;
    }
    if (count > iLength - first)
    {
        count = iLength - first;
    }
    return QIRN_String(substr(first, count));
}

QIRN_String QIRN_String::TrimLeft(char c)
{
    size_type nFirst = find_first_not_of(c);
    if (nFirst == npos)
    {
        clear();
    }
    else
    {
        erase(0, nFirst);
    }
    return *this;
}

QIRN_String QIRN_String::TrimRight(char c)
{
    if (empty())
    {
        return *this;
    }
    size_type nLast = size() - 1;
    while (nLast > 0 && (*this)[nLast] == c)
    {
        --nLast;
    }
    erase(nLast + 1);
    return *this;
}

QIRN_String QIRN_String::Trim(char c)
{
    TrimLeft(c);
    return TrimRight(c);
}

QIRN_String QIRN_String::MakeLower()
{
    for (char& ch : *this)
    {
        if (ch >= 'A' && ch <= 'Z')
        {
            ch = static_cast<char>(ch + 32);
        }
    }
    return *this;
}
