#pragma once

#include <string>
#include <string_view>

// Removes blanks and control characters (codes up to 32) from both ends: the
// trimming of field texts, stored texts, key paths and search phrases. Safe on
// UTF-8, where no byte of a longer character is 32 or below.
inline std::string TrimControls(std::string_view text)
{
    size_t begin = 0, end = text.size();
    while (begin < end && static_cast<unsigned char>(text[begin]) <= 32)
        ++begin;
    while (end > begin && static_cast<unsigned char>(text[end - 1]) <= 32)
        --end;
    return std::string(text.substr(begin, end - begin));
}
