#include "platform/CTextureFinder.h"

#include "platform/AsciiLower.h"
#include "platform/ImageFormats.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <system_error>
#include <tuple>
#include <utility>

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 5> s_aFolderNames = {"textures", "texture", "maps", "images", "tex"};
constexpr std::size_t MAX_NAME_BYTES = 255;
constexpr std::size_t MAX_PREFIX = 8;  // a DOS name's whole stem

// Stem and extension split at the last dot; a leading dot belongs to the stem, as a
// hidden file's name is all stem.
std::pair<std::string, std::string> Split(std::string_view strLowerName)
{
    const std::size_t nDot = strLowerName.rfind('.');
    if (nDot == std::string_view::npos || nDot == 0)
        return {std::string(strLowerName), {}};
    return {std::string(strLowerName.substr(0, nDot)), std::string(strLowerName.substr(nDot + 1))};
}

int ExtensionRank(std::string_view strExtension)
{
    const auto it = std::find_if(IMAGE_FORMATS.begin(), IMAGE_FORMATS.end(),
                                 [&](const SImageFormat& format) { return format.strExtension == strExtension; });
    return it == IMAGE_FORMATS.end() ? -1 : static_cast<int>(it - IMAGE_FORMATS.begin());
}

bool IsInside(const fs::path& path, const std::vector<fs::path>& aRoots)
{
    const std::string& str = path.native();
    return std::any_of(aRoots.begin(), aRoots.end(), [&](const fs::path& root) {
        const std::string& strRoot = root.native();
        return strRoot == "/" || str == strRoot ||
               (str.size() > strRoot.size() && str.starts_with(strRoot) && str[strRoot.size()] == '/');
    });
}

// Each of a folder's first FIND_TEXTURE_MAX_ENTRIES entries, in the order the file system
// lists them; a folder that cannot be listed has none.
template <typename FVisit>
void ForEachEntry(const fs::path& folder, FVisit fnVisit)
{
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (int nSeen = 0; !ec && it != fs::directory_iterator() && nSeen < FIND_TEXTURE_MAX_ENTRIES;
         it.increment(ec), ++nSeen)
        fnVisit(*it);
}

struct SFolderFound {
    fs::path path;         // links resolved
    std::string strShown;  // as it is named beside the model: "", "textures", "../maps"
};

// Subfolders of parent with one of the texture folder names, in sorted order, their links
// resolved. One that is a link out of aRoots is named in aOutside instead.
std::vector<SFolderFound> TextureFolders(const fs::path& parent, const std::string& strShownParent,
                                         const std::vector<fs::path>& aRoots, std::vector<std::string>& aOutside)
{
    std::vector<std::pair<std::string, fs::path>> aNamed;
    ForEachEntry(parent, [&](const fs::directory_entry& entry) {
        std::error_code ec;
        std::string strLower = AsciiLower(entry.path().filename().string());
        if (std::find(s_aFolderNames.begin(), s_aFolderNames.end(), strLower) != s_aFolderNames.end() &&
            entry.is_directory(ec))
            aNamed.emplace_back(std::move(strLower), entry.path());
    });
    std::sort(aNamed.begin(), aNamed.end());
    std::vector<SFolderFound> aFolders;
    for (const auto& [strLower, path] : aNamed) {
        std::error_code ec;
        fs::path resolved = fs::canonical(path, ec);
        const std::string strShown = strShownParent + path.filename().string();
        if (ec)
            continue;
        if (!IsInside(resolved, aRoots))
            aOutside.push_back(strShown);
        else
            aFolders.push_back({std::move(resolved), strShown});
    }
    return aFolders;
}

// The file of one stem, preferring strWantedExtension, then the image extensions in order.
template <typename FEntry>
const FEntry* BestOfStem(const FEntry* pFirst, const FEntry* pEnd, std::string_view strWantedExtension)
{
    const FEntry* pBest = nullptr;
    int nBestRank = 0;
    for (const FEntry* pEntry = pFirst; pEntry != pEnd; ++pEntry) {
        int nRank = ExtensionRank(pEntry->strExtension);
        if (!strWantedExtension.empty() && pEntry->strExtension == strWantedExtension)
            nRank = -1;
        else if (nRank < 0)
            continue;
        if (!pBest || nRank < nBestRank) {
            pBest = pEntry;
            nBestRank = nRank;
        }
    }
    return pBest;
}

// The name's last component: 3DS files written on DOS and Windows carry paths such as
// "C:\MAPS\BRICK.GIF" or "D:BRICK.GIF" that mean nothing here.
std::string_view LastComponent(std::string_view strName)
{
    const std::size_t nCut = strName.find_last_of("/\\:");
    return nCut == std::string_view::npos ? strName : strName.substr(nCut + 1);
}

} // namespace

CTextureFinder::CTextureFinder(std::string strModelPath) : m_strModelPath(std::move(strModelPath)) {}

void CTextureFinder::List()
{
    m_bListed = true;
    const fs::path given = fs::path(m_strModelPath).parent_path();
    std::error_code ec;
    const fs::path model = fs::canonical(given.empty() ? fs::path(".") : given, ec);
    if (ec)
        return;
    const fs::path up = model.parent_path();

    // The tree: the model's folder and the texture folders above it, which may be links
    // within the folder above.
    std::vector<SFolderFound> aSearch = {{model, ""}};
    std::vector<SFolderFound> aUp;
    if (up != model)
        aUp = TextureFolders(up, "../", {up}, m_aOutsideFolders);
    std::vector<fs::path> aRoots = {model};
    for (const SFolderFound& folder : aUp)
        aRoots.push_back(folder.path);
    for (SFolderFound& folder : TextureFolders(model, "", aRoots, m_aOutsideFolders))
        aSearch.push_back(std::move(folder));
    for (SFolderFound& folder : aUp)
        aSearch.push_back(std::move(folder));
    // A model kept inside a "textures" folder, or a link to a folder searched anyway,
    // would list that folder twice.
    for (std::size_t i = 1; i < aSearch.size();) {
        const bool bSeen = std::any_of(aSearch.begin(), aSearch.begin() + static_cast<std::ptrdiff_t>(i),
                                       [&](const SFolderFound& earlier) { return earlier.path == aSearch[i].path; });
        if (bSeen)
            aSearch.erase(aSearch.begin() + static_cast<std::ptrdiff_t>(i));
        else
            ++i;
    }

    m_aFolders.resize(aSearch.size());
    for (std::size_t nFolder = 0; nFolder < aSearch.size(); ++nFolder) {
        SFolder& folder = m_aFolders[nFolder];
        const std::string strShown = aSearch[nFolder].strShown.empty() ? "" : aSearch[nFolder].strShown + "/";
        ForEachEntry(aSearch[nFolder].path, [&](const fs::directory_entry& entry) {
            std::error_code ecEntry;
            SEntry found;
            found.strPath = entry.path().string();
            if (entry.is_symlink(ecEntry)) {
                const fs::path target = fs::canonical(entry.path(), ecEntry);
                if (ecEntry || !fs::is_regular_file(target, ecEntry))
                    return;
                found.bOutside = !IsInside(target, aRoots);
                found.strPath = found.bOutside ? strShown + entry.path().filename().string() : target.string();
            } else if (!entry.is_regular_file(ecEntry)) {
                return;
            }
            found.strLowerName = AsciiLower(entry.path().filename().string());
            std::tie(found.strStem, found.strExtension) = Split(found.strLowerName);
            folder.aEntries.push_back(std::move(found));
        });
        // Sorted, so every pass picks the same file whatever order the file system lists
        // them in, and the files of one stem are adjacent.
        std::stable_sort(folder.aEntries.begin(), folder.aEntries.end(), [](const SEntry& a, const SEntry& b) {
            return std::tie(a.bOutside, a.strStem, a.strExtension) < std::tie(b.bOutside, b.strStem, b.strExtension);
        });
        const auto nInside = static_cast<std::uint32_t>(
            std::partition_point(folder.aEntries.begin(), folder.aEntries.end(), [](const SEntry& e) { return !e.bOutside; }) -
            folder.aEntries.begin());
        for (std::size_t i = nInside; i < folder.aEntries.size(); ++i)
            m_mapOutside.try_emplace(folder.aEntries[i].strLowerName, &folder.aEntries[i]);
        for (std::uint32_t i = 0; i < nInside;) {
            const SEntry& first = folder.aEntries[i];
            SStem stem{i, i, false};
            while (stem.nEnd < nInside && folder.aEntries[stem.nEnd].strStem == first.strStem)
                stem.bImage |= ExtensionRank(folder.aEntries[stem.nEnd++].strExtension) >= 0;
            i = stem.nEnd;
            const auto nStem = static_cast<std::uint32_t>(folder.aStems.size());
            folder.aStems.push_back(stem);
            if (stem.bImage) {
                for (std::size_t nLength = 1; nLength < first.strStem.size() && nLength <= MAX_PREFIX; ++nLength)
                    folder.mapPrefixes[first.strStem.substr(0, nLength)].push_back(nStem);
            } else {
                for (std::uint32_t j = stem.nFirst; j < stem.nEnd; ++j) {
                    std::vector<std::uint32_t>& aStems = folder.mapOtherExtensions[folder.aEntries[j].strExtension];
                    if (aStems.empty() || aStems.back() != nStem)
                        aStems.push_back(nStem);
                }
            }
        }
    }
    // Pass 1 and 2 over all folders at once: the first folder that has the name wins.
    for (const SFolder& folder : m_aFolders)
        for (const SStem& stem : folder.aStems) {
            const SEntry* pFirst = folder.aEntries.data() + stem.nFirst;
            const SEntry* pEnd = folder.aEntries.data() + stem.nEnd;
            for (const SEntry* pEntry = pFirst; pEntry != pEnd; ++pEntry)
                m_mapExact.try_emplace(pEntry->strLowerName, pEntry);
            if (const SEntry* pBest = BestOfStem(pFirst, pEnd, {}))
                m_mapStems.try_emplace(pFirst->strStem, pBest);
        }
}

const CTextureFinder::SEntry* CTextureFinder::MatchShortName(const SFolder& folder, std::string_view strPrefix,
                                                             unsigned nOrdinal,
                                                             std::string_view strWantedExtension) const
{
    // The long stems that count: those with an image extension, and, for a name whose own
    // extension is not an image's, those with that extension. Both lists are in stem order.
    static const std::vector<std::uint32_t> s_aNone;
    const auto itImages = folder.mapPrefixes.find(std::string(strPrefix));
    const std::vector<std::uint32_t>& aImages = itImages == folder.mapPrefixes.end() ? s_aNone : itImages->second;
    const std::uint32_t* pOthers = nullptr;
    const std::uint32_t* pOthersEnd = nullptr;
    const auto itOthers = strWantedExtension.empty() || ExtensionRank(strWantedExtension) >= 0
                              ? folder.mapOtherExtensions.end()
                              : folder.mapOtherExtensions.find(std::string(strWantedExtension));
    if (itOthers != folder.mapOtherExtensions.end()) {
        const auto stemOf = [&](std::uint32_t n) -> const std::string& {
            return folder.aEntries[folder.aStems[n].nFirst].strStem;
        };
        const std::vector<std::uint32_t>& aOthers = itOthers->second;
        auto itFirst = std::lower_bound(aOthers.begin(), aOthers.end(), strPrefix,
                                        [&](std::uint32_t n, std::string_view str) { return stemOf(n) < str; });
        const auto itEnd = std::partition_point(itFirst, aOthers.end(),
                                                [&](std::uint32_t n) { return stemOf(n).starts_with(strPrefix); });
        if (itFirst != itEnd && stemOf(*itFirst).size() == strPrefix.size())
            ++itFirst;  // the prefix itself is no long stem
        pOthers = aOthers.data() + (itFirst - aOthers.begin());
        pOthersEnd = aOthers.data() + (itEnd - aOthers.begin());
    }
    if (nOrdinal > aImages.size() + static_cast<std::size_t>(pOthersEnd - pOthers))
        return nullptr;
    // The nOrdinal-th stem of the two lists together: the smallest position with that many
    // stems of either list at or before it.
    std::uint32_t nLow = 0, nHigh = static_cast<std::uint32_t>(folder.aStems.size()) - 1;
    while (nLow < nHigh) {
        const std::uint32_t nMid = nLow + (nHigh - nLow) / 2;
        const std::size_t nCount = static_cast<std::size_t>(std::upper_bound(aImages.begin(), aImages.end(), nMid) - aImages.begin()) +
                                   static_cast<std::size_t>(std::upper_bound(pOthers, pOthersEnd, nMid) - pOthers);
        if (nCount >= nOrdinal)
            nHigh = nMid;
        else
            nLow = nMid + 1;
    }
    const SStem& stem = folder.aStems[nLow];
    return BestOfStem(folder.aEntries.data() + stem.nFirst, folder.aEntries.data() + stem.nEnd, strWantedExtension);
}

CTextureFinder::SFound CTextureFinder::Find(std::string_view strTextureName)
{
    if (!m_bListed)
        List();
    const std::string_view strName = LastComponent(strTextureName);
    if (strName.empty() || strName == "." || strName == ".." || strName.size() > MAX_NAME_BYTES)
        return {};
    const std::string strLowerName = AsciiLower(strName);
    const auto [strStem, strExtension] = Split(strLowerName);
    const auto found = [](const SEntry* pEntry) { return SFound{pEntry->strPath, ETextureStatus::ok, {}}; };

    if (const auto it = m_mapExact.find(strLowerName); it != m_mapExact.end())
        return found(it->second);
    // The name's own extension was pass 1; here only the other image extensions count.
    if (const auto it = m_mapStems.find(strStem); it != m_mapStems.end())
        return found(it->second);

    std::string_view strPrefix;
    unsigned nOrdinal = 1;
    const std::size_t nTilde = strStem.find('~');
    if (nTilde != std::string::npos) {
        const char* pFirst = strStem.data() + nTilde + 1;
        const char* pLast = strStem.data() + strStem.size();
        const auto [pEnd, ec] = std::from_chars(pFirst, pLast, nOrdinal);
        if (nTilde != 0 && nTilde <= MAX_PREFIX && ec == std::errc() && pEnd == pLast && pLast - pFirst <= 4 &&
            nOrdinal != 0)
            strPrefix = std::string_view(strStem).substr(0, nTilde);
    } else if (strStem.size() == MAX_PREFIX) {
        strPrefix = strStem;
    }
    if (!strPrefix.empty())
        for (const SFolder& folder : m_aFolders)
            if (const SEntry* pEntry = MatchShortName(folder, strPrefix, nOrdinal, strExtension))
                return found(pEntry);

    // Only a link out of the tree has the name: say so rather than "not found".
    if (const auto it = m_mapOutside.find(strLowerName); it != m_mapOutside.end())
        return {{}, ETextureStatus::outside, it->second->strPath};
    return {};
}

std::string FindTextureFile(std::string_view strModelPath, std::string_view strTextureName)
{
    return CTextureFinder(std::string(strModelPath)).Find(strTextureName).strPath;
}
