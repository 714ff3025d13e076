#pragma once

#include <memory>
#include <string>
#include <vector>

// The lines of a program's output, without their line ends.
std::vector<std::string> SplitLines(const std::string& strText);

// One line of JSON, parsed by a strict parser (no NaN, no stray control characters, UTF-8
// checked); a line that does not parse is a test failure. Values are addressed by JSON
// pointer ("/materials/0/name"). The parser is compiled by JsonLines.cpp alone: it is a
// heavy header, and the suites that read JSON would each pay for it.
class CJsonLine {
public:
    explicit CJsonLine(const std::string& strLine);
    ~CJsonLine();

    bool Has(const std::string& strPointer) const;
    // The value as compact JSON text, object keys sorted: "1", "null", "\"Red\"", "[1,0,0]".
    std::string Dump(const std::string& strPointer) const;
    double Number(const std::string& strPointer) const;
    std::string String(const std::string& strPointer) const;
    std::size_t Size(const std::string& strPointer) const;  // elements of an array or object

private:
    struct SValue;
    std::unique_ptr<SValue> m_pValue;
};
