#pragma once

#include <string>
#include <string_view>

// Letters A to Z in lower case, every other byte as it is: file names and format names are
// compared this way, whatever the locale and whatever bytes a model file put in them.
inline std::string AsciiLower(std::string_view str)
{
    std::string strLower(str);
    for (char& c : strLower)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return strLower;
}
