#include "platform/FindTextureFile.h"

#include "platform/AsciiLower.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <filesystem>
#include <optional>
#include <system_error>
#include <tuple>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::array<std::string_view, 5> s_aFolderNames = {"textures", "texture", "maps", "images", "tex"};
constexpr std::array<std::string_view, 6> s_aImageExtensions = {"png", "tga", "jpg", "jpeg", "bmp", "gif"};
constexpr std::size_t MAX_NAME_BYTES = 255;

// Stem and extension split at the last dot; a leading dot belongs to the stem, as a
// hidden file's name is all stem.
struct SSplitName {
    std::string strStem;       // lower case
    std::string strExtension;  // lower case, without the dot; empty when there is none
};

SSplitName Split(std::string_view strLowerName)
{
    const std::size_t nDot = strLowerName.rfind('.');
    if (nDot == std::string_view::npos || nDot == 0)
        return {std::string(strLowerName), {}};
    return {std::string(strLowerName.substr(0, nDot)), std::string(strLowerName.substr(nDot + 1))};
}

int ExtensionRank(std::string_view strExtension)
{
    const auto it = std::find(s_aImageExtensions.begin(), s_aImageExtensions.end(), strExtension);
    return it == s_aImageExtensions.end() ? -1 : static_cast<int>(it - s_aImageExtensions.begin());
}

struct SEntry {
    fs::path path;
    std::string strLowerName;
    SSplitName split;
};

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

// One folder's regular files (bounded), sorted by lower-case stem, then extension, so that
// every pass picks the same file whatever order the file system lists them in, and the
// files of one stem are adjacent.
std::vector<SEntry> ListFiles(const fs::path& folder)
{
    std::vector<SEntry> aEntries;
    ForEachEntry(folder, [&](const fs::directory_entry& entry) {
        std::error_code ecType;
        if (!entry.is_regular_file(ecType))
            return;
        std::string strLower = AsciiLower(entry.path().filename().string());
        SSplitName split = Split(strLower);
        aEntries.push_back({entry.path(), std::move(strLower), std::move(split)});
    });
    std::sort(aEntries.begin(), aEntries.end(),
              [](const SEntry& a, const SEntry& b) {
                  return std::tie(a.split.strStem, a.split.strExtension) < std::tie(b.split.strStem, b.split.strExtension);
              });
    return aEntries;
}

// Subfolders of parent with one of the texture folder names, in sorted order.
std::vector<fs::path> TextureFolders(const fs::path& parent)
{
    std::vector<std::pair<std::string, fs::path>> aFound;
    ForEachEntry(parent, [&](const fs::directory_entry& entry) {
        std::error_code ecType;
        if (!entry.is_directory(ecType))
            return;
        std::string strLower = AsciiLower(entry.path().filename().string());
        if (std::find(s_aFolderNames.begin(), s_aFolderNames.end(), strLower) != s_aFolderNames.end())
            aFound.emplace_back(std::move(strLower), entry.path());
    });
    std::sort(aFound.begin(), aFound.end());
    std::vector<fs::path> aFolders;
    for (auto& found : aFound)
        aFolders.push_back(std::move(found.second));
    return aFolders;
}

// The name's last component: 3DS files written on DOS and Windows carry paths such as
// "C:\MAPS\BRICK.GIF" or "D:BRICK.GIF" that mean nothing here.
std::string_view LastComponent(std::string_view strName)
{
    const std::size_t nCut = strName.find_last_of("/\\:");
    return nCut == std::string_view::npos ? strName : strName.substr(nCut + 1);
}

// The file of one stem, preferring strWantedExtension, then the image extensions in order.
const SEntry* BestOfStem(const std::vector<const SEntry*>& aSameStem, std::string_view strWantedExtension)
{
    const SEntry* pBest = nullptr;
    int nBestRank = 0;
    for (const SEntry* pEntry : aSameStem) {
        int nRank = ExtensionRank(pEntry->split.strExtension);
        if (!strWantedExtension.empty() && pEntry->split.strExtension == strWantedExtension)
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

// Pass 3 for one folder: the long file a DOS short name stood for.
const SEntry* MatchShortName(const std::vector<SEntry>& aEntries, const SSplitName& wanted)
{
    const std::string& strStem = wanted.strStem;
    std::string_view strPrefix;
    unsigned nOrdinal = 1;
    const std::size_t nTilde = strStem.find('~');
    if (nTilde != std::string::npos) {
        const char* pFirst = strStem.data() + nTilde + 1;
        const char* pLast = strStem.data() + strStem.size();
        const auto [pEnd, ec] = std::from_chars(pFirst, pLast, nOrdinal);
        if (nTilde == 0 || ec != std::errc() || pEnd != pLast || pLast - pFirst > 4 || nOrdinal == 0)
            return nullptr;
        strPrefix = std::string_view(strStem).substr(0, nTilde);
    } else if (strStem.size() == 8) {
        strPrefix = strStem;
    } else {
        return nullptr;
    }
    // Entries are sorted by stem, so files of one stem are adjacent and stems come in order.
    unsigned nStemsSeen = 0;
    for (std::size_t i = 0; i < aEntries.size();) {
        std::size_t j = i;
        std::vector<const SEntry*> aSameStem;
        while (j < aEntries.size() && aEntries[j].split.strStem == aEntries[i].split.strStem)
            aSameStem.push_back(&aEntries[j++]);
        const std::string& strLongStem = aEntries[i].split.strStem;
        i = j;
        if (strLongStem.size() <= strPrefix.size() || !strLongStem.starts_with(strPrefix))
            continue;
        const SEntry* pBest = BestOfStem(aSameStem, wanted.strExtension);
        if (pBest && ++nStemsSeen == nOrdinal)
            return pBest;
    }
    return nullptr;
}

} // namespace

std::string FindTextureFile(std::string_view strModelPath, std::string_view strTextureName)
{
    const std::string_view strName = LastComponent(strTextureName);
    if (strName.empty() || strName == "." || strName == ".." || strName.size() > MAX_NAME_BYTES)
        return {};
    const std::string strLowerName = AsciiLower(strName);
    const SSplitName wanted = Split(strLowerName);

    const fs::path modelFolder = fs::path(strModelPath).parent_path();
    const fs::path here = modelFolder.empty() ? fs::path(".") : modelFolder;
    std::vector<fs::path> aFolders = {here};
    for (fs::path& folder : TextureFolders(here))
        aFolders.push_back(std::move(folder));
    std::error_code ec;
    const fs::path parent = fs::weakly_canonical(fs::absolute(here, ec), ec).parent_path();
    if (!ec && !parent.empty())
        for (fs::path& folder : TextureFolders(parent)) {
            // A model kept inside a "textures" folder would list that folder twice.
            std::error_code ecSame;
            if (!fs::equivalent(folder, here, ecSame))
                aFolders.push_back(std::move(folder));
        }

    std::vector<std::vector<SEntry>> aListings;
    for (const fs::path& folder : aFolders)
        aListings.push_back(ListFiles(folder));

    for (const auto& aEntries : aListings)
        for (const SEntry& entry : aEntries)
            if (entry.strLowerName == strLowerName)
                return entry.path.string();

    for (const auto& aEntries : aListings) {
        std::vector<const SEntry*> aSameStem;
        for (const SEntry& entry : aEntries)
            if (entry.split.strStem == wanted.strStem)
                aSameStem.push_back(&entry);
        // The name's own extension was pass 1; here only the other image extensions count.
        if (const SEntry* pBest = BestOfStem(aSameStem, {}))
            return pBest->path.string();
    }

    for (const auto& aEntries : aListings)
        if (const SEntry* pBest = MatchShortName(aEntries, wanted))
            return pBest->path.string();
    return {};
}
