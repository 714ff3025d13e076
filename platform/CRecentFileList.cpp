#include "CRecentFileList.h"

#include <QSettings>

#include <algorithm>
#include <filesystem>

void CRecentFileList::Add(const std::string& strPath)
{
    std::error_code ec;
    std::string strFull = std::filesystem::absolute(strPath, ec).lexically_normal().string();
    if (ec)
        strFull = strPath;
    m_aEntries.erase(std::remove(m_aEntries.begin(), m_aEntries.end(), strFull), m_aEntries.end());
    m_aEntries.insert(m_aEntries.begin(), strFull);
    if (m_aEntries.size() > static_cast<std::size_t>(m_nSize))
        m_aEntries.resize(static_cast<std::size_t>(m_nSize));
}

void CRecentFileList::Remove(std::size_t nIndex)
{
    if (nIndex < m_aEntries.size())
        m_aEntries.erase(m_aEntries.begin() + static_cast<std::ptrdiff_t>(nIndex));
}

void CRecentFileList::ReadList(QSettings& settings)
{
    m_aEntries.clear();
    settings.beginGroup("Recent File List");
    for (int i = 1; i <= m_nSize; ++i) {
        const QString strPath = settings.value(QStringLiteral("File%1").arg(i)).toString();
        if (!strPath.isEmpty())
            m_aEntries.push_back(strPath.toStdString());
    }
    settings.endGroup();
}

void CRecentFileList::WriteList(QSettings& settings) const
{
    settings.beginGroup("Recent File List");
    settings.remove("");
    for (std::size_t i = 0; i < m_aEntries.size(); ++i)
        settings.setValue(QStringLiteral("File%1").arg(i + 1), QString::fromStdString(m_aEntries[i]));
    settings.endGroup();
}

std::string CRecentFileList::MenuText(std::size_t nIndex, std::size_t nMax) const
{
    if (nIndex >= m_aEntries.size())
        return {};
    std::string strPath = m_aEntries[nIndex];
    if (strPath.size() > nMax) {
        const std::string strName = std::filesystem::path(strPath).filename().string();
        const std::size_t nKeep = nMax > strName.size() + 4 ? nMax - strName.size() - 4 : 0;
        strPath = nKeep > 0 ? strPath.substr(0, nKeep) + ".../" + strName : strName;
    }
    // '&' in a name would otherwise become a mnemonic.
    std::string strEscaped;
    for (char c : strPath) {
        if (c == '&')
            strEscaped += '&';
        strEscaped += c;
    }
    return "&" + std::to_string(nIndex + 1) + " " + strEscaped;
}
