#include "CRecentFileList.h"

#include <QSettings>
#include <QString>

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

std::string AbbreviatePath(const std::string& strPath, std::size_t nMax)
{
    // Counted and cut in characters, not bytes, so a name is never split inside one.
    const QString strFull = QString::fromStdString(strPath);
    auto length = [](const QString& str) { return static_cast<std::size_t>(str.toUcs4().size()); };
    if (length(strFull) <= nMax)
        return strPath;
    const qsizetype nSlash = strFull.lastIndexOf(QLatin1Char('/'));
    const QString strName = strFull.mid(nSlash + 1);
    if (length(strName) > nMax) {
        const QList<uint> aChars = strName.toUcs4();
        const qsizetype nKeep = nMax > 3 ? static_cast<qsizetype>(nMax - 3) : 0;
        const QString strKept = QString::fromUcs4(reinterpret_cast<const char32_t*>(aChars.constData()), nKeep);
        return (strKept + QStringLiteral("...")).toStdString();
    }
    // The first folder stays, standing for the root the path starts from; whole folders
    // after it give way to "..." until the rest fits.
    const qsizetype nFirstEnd = strFull.indexOf(QLatin1Char('/'), strFull.startsWith(QLatin1Char('/')) ? 1 : 0);
    if (nFirstEnd < 0 || nFirstEnd >= nSlash)
        return strName.toStdString();
    const QString strRoot = strFull.left(nFirstEnd) + QStringLiteral("/...");
    for (qsizetype nFrom = strFull.indexOf(QLatin1Char('/'), nFirstEnd + 1); nFrom >= 0 && nFrom <= nSlash;
         nFrom = strFull.indexOf(QLatin1Char('/'), nFrom + 1)) {
        const QString strShort = strRoot + strFull.mid(nFrom);
        if (length(strShort) <= nMax)
            return strShort.toStdString();
    }
    return strName.toStdString();
}

std::string CRecentFileList::MenuText(std::size_t nIndex, std::size_t nMax) const
{
    if (nIndex >= m_aEntries.size())
        return {};
    const std::string strPath = AbbreviatePath(m_aEntries[nIndex], nMax);
    // '&' in a name would otherwise become a mnemonic.
    std::string strEscaped;
    for (char c : strPath) {
        if (c == '&')
            strEscaped += '&';
        strEscaped += c;
    }
    return "&" + std::to_string(nIndex + 1) + " " + strEscaped;
}
