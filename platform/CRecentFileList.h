#pragma once

#include <string>
#include <vector>

class QSettings;

// Most recently opened files, newest first, kept in the settings under
// "Recent File List"/File1..FileN.
class CRecentFileList {
public:
    explicit CRecentFileList(int nSize) : m_nSize(nSize) {}

    void Add(const std::string& strPath);  // moves an existing entry to the top
    void Remove(std::size_t nIndex);
    const std::vector<std::string>& Entries() const { return m_aEntries; }

    void ReadList(QSettings& settings);
    void WriteList(QSettings& settings) const;

    // The menu text of entry n: "&n path", the path shortened by AbbreviatePath.
    std::string MenuText(std::size_t nIndex, std::size_t nMax = 30) const;

private:
    int m_nSize;
    std::vector<std::string> m_aEntries;
};

// A path shortened to at most nMax characters for a menu: the first folder, "...", and
// as many whole folders before the file name as fit ("/usr/.../models/house.3ds"); just
// the file name when not even one fits; a file name longer than nMax alone is cut and
// ends in "...".
std::string AbbreviatePath(const std::string& strPath, std::size_t nMax);
