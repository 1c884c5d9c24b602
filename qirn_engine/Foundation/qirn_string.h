#pragma once
// The engine's string: the standard string with a few helpers. Adds no data, so any engine
// string can be handled as one.

#include "qirn_debug.h"

#include <string>

class QIRN_String : public std::string
{
public:
    using std::string::string;
    QIRN_String() = default;
    QIRN_String(const std::string& str) : std::string(str) {}

    // Each of these changes the string and answers a copy of the new content.
    QIRN_String Format(const char* szFormat, ...) QIRN_PRINTF_FORMAT(2, 3);
    QIRN_String TrimLeft(char c);
    // Never removes the first character: "   " becomes " ".
    QIRN_String TrimRight(char c);
    QIRN_String Trim(char c);
    QIRN_String MakeLower();

    // At most count characters from first, both clamped to the string; the string is unchanged.
    QIRN_String Mid(int first, int count) const;
};
