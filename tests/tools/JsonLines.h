#pragma once

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <string>
#include <vector>

// The lines of a program's output, without their line ends.
inline std::vector<std::string> SplitLines(const std::string& strText)
{
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos < strText.size()) {
        std::size_t end = strText.find('\n', pos);
        if (end == std::string::npos)
            end = strText.size();
        lines.push_back(strText.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// nlohmann's parser is strict: no NaN, no stray control characters, UTF-8 checked.
inline nlohmann::json ParseJsonLine(const std::string& strLine)
{
    try {
        return nlohmann::json::parse(strLine);
    } catch (const nlohmann::json::exception& e) {
        ADD_FAILURE() << e.what() << "\nin: " << strLine;
        return nullptr;
    }
}
