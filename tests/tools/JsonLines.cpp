#include "JsonLines.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

std::vector<std::string> SplitLines(const std::string& strText)
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

struct CJsonLine::SValue {
    nlohmann::json json;
};

namespace {

// A missing value is a test failure and reads as null, so one wrong key does not abort
// the rest of the checks.
const nlohmann::json& At(const nlohmann::json& json, const std::string& strPointer)
{
    static const nlohmann::json s_null;
    try {
        return json.at(nlohmann::json::json_pointer(strPointer));
    } catch (const nlohmann::json::exception& e) {
        ADD_FAILURE() << strPointer << ": " << e.what();
        return s_null;
    }
}

} // namespace

CJsonLine::CJsonLine(const std::string& strLine) : m_pValue(std::make_unique<SValue>())
{
    try {
        m_pValue->json = nlohmann::json::parse(strLine);
    } catch (const nlohmann::json::exception& e) {
        ADD_FAILURE() << e.what() << "\nin: " << strLine;
    }
}

CJsonLine::~CJsonLine() = default;

bool CJsonLine::Has(const std::string& strPointer) const
{
    return m_pValue->json.contains(nlohmann::json::json_pointer(strPointer));
}

std::string CJsonLine::Dump(const std::string& strPointer) const
{
    return At(m_pValue->json, strPointer).dump();
}

double CJsonLine::Number(const std::string& strPointer) const
{
    const nlohmann::json& value = At(m_pValue->json, strPointer);
    if (!value.is_number()) {
        ADD_FAILURE() << strPointer << " is not a number: " << value.dump();
        return 0.0;
    }
    return value.get<double>();
}

std::string CJsonLine::String(const std::string& strPointer) const
{
    const nlohmann::json& value = At(m_pValue->json, strPointer);
    if (!value.is_string()) {
        ADD_FAILURE() << strPointer << " is not a string: " << value.dump();
        return {};
    }
    return value.get<std::string>();
}

std::size_t CJsonLine::Size(const std::string& strPointer) const
{
    return At(m_pValue->json, strPointer).size();
}
