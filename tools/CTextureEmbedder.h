#pragma once

#include "geometry/CTextureLibrary.h"
#include "platform/CTextureFinder.h"
#include "platform/STextureImage.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

// The texture images of one model as a converted file embeds them. Each name a material
// gives is found by the viewer's lookup and decoded by the viewer's decoder, under the same
// bounds, once; PNG and JPEG files are then embedded byte for byte, any other format (TGA,
// BMP, GIF) as a PNG of the decoded picture. A name that fails leaves the same one warning
// line the viewer shows, and its material keeps its colour; so does a texture folder that
// leads out of the model's tree (CTextureFinder).
class CTextureEmbedder {
public:
    struct SImage {
        std::vector<std::uint8_t> aBytes;  // a PNG or JPEG file
        const char* pszMimeType = "";      // "image/png" or "image/jpeg"
        ETextureAlpha eAlpha = ETextureAlpha::opaque;
        std::string strStem;               // the found file's stem, for a file of its own
    };

    CTextureEmbedder(std::string strModelPath, CTextureLibrary::FDecode fnDecode);

    // The image for a material's texture name as the model stores it; nullptr when it is
    // missing, unreadable, too large or malformed. Two names finding one file share it.
    const SImage* Image(const std::string& strFileName);

    const std::vector<std::string>& Warnings() const { return m_aWarnings; }

private:
    std::string m_strModelPath;
    CTextureFinder m_cFinder;
    bool m_bFolderWarnings = false;  // the finder's refused folders are reported
    CTextureLibrary::FDecode m_fnDecode;
    std::map<std::string, std::string> m_mapNames;  // texture name -> found file, or empty
    std::map<std::string, SImage> m_mapImages;      // found file -> image; absent: failed
    std::vector<std::string> m_aWarnings;

    bool Load(const std::string& strPath, SImage& image, ETextureStatus& eStatus) const;
};
