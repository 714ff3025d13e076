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

    // The menu text of entry n: "&n name", long paths shortened to at most nMax characters
    // by keeping the file name and as much of the folder's start as fits.
    std::string MenuText(std::size_t nIndex, std::size_t nMax = 30) const;

private:
    int m_nSize;
    std::vector<std::string> m_aEntries;
};
