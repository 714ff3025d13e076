#pragma once

#include "platform/STextureImage.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

// The files a model's texture names stand for, looked up the way model folders are laid
// out. One finder serves one model: it lists the folders it searches once, on its first
// look-up, and indexes them, so a model naming many textures costs the folders' entries
// plus its names, never their product.
//
// Folders, in this order: the model's own folder; its subfolders called textures, texture,
// maps, images or tex (any case); the same subfolders of the folder one level up. The
// model's folder is taken with its links resolved, so a model reached through a linked
// folder searches where its files really are. At most FIND_TEXTURE_MAX_ENTRIES entries of
// each folder are looked at, so a huge folder cannot stall the viewer.
//
// Model files are downloads: nothing found may lie outside the model's tree, which is the
// model's folder and the texture folders of the one above (the folder above as a whole is
// often the user's home). A texture folder or file that is a link leading out of it is not
// used and is reported; links that stay inside work.
//
// A name comes from an untrusted model file: only its last component (after '/', '\\' or a
// drive's ':') is used, so it can neither name a folder nor climb out of the folders below;
// "." and ".." and names longer than 255 bytes find nothing. Only regular files match.
// Letters compare without regard to ASCII case. Three passes over all the folders, the first
// that finds a file wins:
//   1. the exact name;
//   2. the same stem with another image extension (brick.rgb finds brick.tga), the
//      extensions in the order of ImageFormats.h;
//   3. a DOS short name: a stem of the form PREFIX~N (PREFIX of at most eight characters, N
//      from 1 to 9999) stands for the N-th, in sorted order, of the distinct long stems
//      beginning with PREFIX, and a stem of exactly eight characters without '~' for the
//      first long stem beginning with it; the long stem's file is taken with the name's own
//      extension if it has one, else in the extension order above.
class CTextureFinder {
public:
    struct SFound {
        std::string strPath;  // the file, its links resolved; empty unless eStatus is ok
        ETextureStatus eStatus = ETextureStatus::notFound;  // ok, notFound or outside
        std::string strLink;  // outside: the link that led out, as named in its folder
    };

    explicit CTextureFinder(std::string strModelPath);

    SFound Find(std::string_view strTextureName);

    // Texture folders not searched because they lead out of the model's tree, each as the
    // path it has beside the model ("textures", "../maps"); known after the first Find.
    const std::vector<std::string>& OutsideFolders() const { return m_aOutsideFolders; }

private:
    struct SEntry {
        std::string strPath;
        std::string strLowerName;
        std::string strStem;       // lower case
        std::string strExtension;  // lower case, without the dot; empty when there is none
        bool bOutside = false;     // a link out of the tree: matched only to say so
    };
    struct SStem {
        std::uint32_t nFirst = 0, nEnd = 0;  // its entries in SFolder::aEntries
        bool bImage = false;                 // one of them has an image extension
    };
    struct SFolder {
        std::vector<SEntry> aEntries;  // sorted by stem, then extension
        std::vector<SStem> aStems;     // in sorted order
        // Pass 3: the image stems longer than each prefix of up to eight characters, and the
        // stems without an image extension by extension, both as positions in aStems.
        std::unordered_map<std::string, std::vector<std::uint32_t>> mapPrefixes;
        std::unordered_map<std::string, std::vector<std::uint32_t>> mapOtherExtensions;
    };

    void List();
    const SEntry* MatchShortName(const SFolder& folder, std::string_view strPrefix, unsigned nOrdinal,
                                 std::string_view strWantedExtension) const;

    std::string m_strModelPath;
    bool m_bListed = false;
    std::vector<SFolder> m_aFolders;
    std::unordered_map<std::string, const SEntry*> m_mapExact;  // pass 1: lower name -> first file
    std::unordered_map<std::string, const SEntry*> m_mapStems;  // pass 2: stem -> first image file
    std::unordered_map<std::string, const SEntry*> m_mapOutside;  // links out of the tree, by lower name
    std::vector<std::string> m_aOutsideFolders;
};

inline constexpr int FIND_TEXTURE_MAX_ENTRIES = 4096;

// One look-up with a finder of its own, for callers that have a single name.
std::string FindTextureFile(std::string_view strModelPath, std::string_view strTextureName);
