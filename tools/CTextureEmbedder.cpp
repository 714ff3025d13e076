#include "CTextureEmbedder.h"

#include "WritePng.h"
#include "platform/DecodeTexture.h"
#include "platform/TextureWarning.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

constexpr std::uint8_t PNG_SIGNATURE[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::uint8_t JPEG_SIGNATURE[3] = {0xFF, 0xD8, 0xFF};

template <std::size_t N>
bool StartsWith(const std::vector<std::uint8_t>& a, const std::uint8_t (&aPrefix)[N])
{
    return a.size() >= N && std::memcmp(a.data(), aPrefix, N) == 0;
}

// The whole file, or false when it cannot be read or is beyond the decoder's bound.
bool ReadBounded(const std::string& strPath, std::vector<std::uint8_t>& aBytes, ETextureStatus& eStatus)
{
    std::ifstream in(strPath, std::ios::binary | std::ios::ate);
    if (!in) {
        eStatus = ETextureStatus::unreadable;
        return false;
    }
    const std::streamoff nSize = in.tellg();
    if (nSize < 0) {
        eStatus = ETextureStatus::unreadable;
        return false;
    }
    if (static_cast<std::uint64_t>(nSize) > DECODE_TEXTURE_MAX_FILE_BYTES) {
        eStatus = ETextureStatus::tooLarge;
        return false;
    }
    aBytes.resize(static_cast<std::size_t>(nSize));
    in.seekg(0);
    if (!in.read(reinterpret_cast<char*>(aBytes.data()), nSize)) {
        eStatus = ETextureStatus::unreadable;
        return false;
    }
    return true;
}

} // namespace

CTextureEmbedder::CTextureEmbedder(std::string strModelPath, CTextureLibrary::FDecode fnDecode)
    : m_strModelPath(std::move(strModelPath)), m_cFinder(m_strModelPath), m_fnDecode(std::move(fnDecode))
{
}

bool CTextureEmbedder::Load(const std::string& strPath, SImage& image, ETextureStatus& eStatus) const
{
    // Decoded even when the bytes go in as they are: only a picture the viewer can show is
    // embedded, and its texels tell the material's alpha mode.
    STextureImage decoded;
    eStatus = m_fnDecode ? m_fnDecode(strPath, CTextureLibrary::MAX_TEXTURE_SIDE, decoded) : ETextureStatus::unreadable;
    if (eStatus != ETextureStatus::ok)
        return false;
    if (!ReadBounded(strPath, image.aBytes, eStatus))
        return false;
    image.eAlpha = decoded.eAlpha;
    image.strStem = std::filesystem::path(strPath).stem().string();
    if (StartsWith(image.aBytes, PNG_SIGNATURE)) {
        image.pszMimeType = "image/png";
        return true;
    }
    if (StartsWith(image.aBytes, JPEG_SIGNATURE)) {
        image.pszMimeType = "image/jpeg";
        return true;
    }
    // glTF takes neither TGA, BMP nor GIF. The decoded picture is stored bottom row first.
    const std::size_t nRow = static_cast<std::size_t>(decoded.nWidth) * 4;
    std::vector<std::uint8_t> aTopFirst(decoded.aRGBA.size());
    for (int y = 0; y < decoded.nHeight; ++y)
        std::copy_n(decoded.aRGBA.begin() + static_cast<std::ptrdiff_t>(nRow * static_cast<std::size_t>(y)), nRow,
                    aTopFirst.begin() + static_cast<std::ptrdiff_t>(nRow * static_cast<std::size_t>(decoded.nHeight - 1 - y)));
    std::string strError;
    const bool bAlpha = decoded.eAlpha != ETextureAlpha::opaque;
    if (!bAlpha) {
        // Opaque pictures lose their alpha channel: a quarter smaller, and no reader wonders.
        for (std::size_t i = 0, j = 0; i < aTopFirst.size(); i += 4, j += 3)
            std::copy_n(aTopFirst.begin() + static_cast<std::ptrdiff_t>(i), 3, aTopFirst.begin() + static_cast<std::ptrdiff_t>(j));
        aTopFirst.resize(aTopFirst.size() / 4 * 3);
    }
    image.aBytes = EncodePng(decoded.nWidth, decoded.nHeight, bAlpha ? 4 : 3, aTopFirst.data(), strError);
    image.pszMimeType = "image/png";
    if (image.aBytes.empty()) {
        eStatus = ETextureStatus::malformed;
        return false;
    }
    return true;
}

const CTextureEmbedder::SImage* CTextureEmbedder::Image(const std::string& strFileName)
{
    if (!m_bFolderWarnings) {
        m_bFolderWarnings = true;
        m_cFinder.Find({});  // lists the folders
        for (const std::string& strFolder : m_cFinder.OutsideFolders())
            m_aWarnings.push_back(TextureFolderWarning(m_strModelPath, strFolder));
    }
    auto itName = m_mapNames.find(strFileName);
    const bool bFirst = itName == m_mapNames.end();
    std::string strLink;
    ETextureStatus eStatus = ETextureStatus::notFound;
    if (bFirst) {
        CTextureFinder::SFound found = m_cFinder.Find(strFileName);
        eStatus = found.eStatus;
        strLink = std::move(found.strLink);
        itName = m_mapNames.emplace(strFileName, std::move(found.strPath)).first;
    }
    const std::string& strPath = itName->second;
    if (!strPath.empty()) {
        if (const auto it = m_mapImages.find(strPath); it != m_mapImages.end())
            return &it->second;
        if (!bFirst)
            return nullptr;  // failed before, warned before
        SImage image;
        if (Load(strPath, image, eStatus))
            return &m_mapImages.emplace(strPath, std::move(image)).first->second;
    }
    // The viewer's own words for the same failure, so a converted file and a picture of the
    // same model report a texture alike.
    if (bFirst)
        m_aWarnings.push_back(TextureWarning(m_strModelPath, strFileName, eStatus, strLink));
    return nullptr;
}
