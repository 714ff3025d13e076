#include "geometry/CTextureLibrary.h"

#include "geometry/UploadTexture.h"
#include "platform/FindTextureFile.h"

#include <GL/gl.h>

#include <algorithm>
#include <filesystem>

CTextureLibrary::CTextureLibrary(std::string strModelPath, FDecode fnDecode)
    : m_strModelPath(std::move(strModelPath)), m_fnDecode(std::move(fnDecode))
{
}

unsigned CTextureLibrary::Texture(const std::string& strFileName, bool bTile)
{
    auto itName = m_mapNames.find(strFileName);
    if (itName == m_mapNames.end()) {
        SResolved resolved;
        resolved.strPath = FindTextureFile(m_strModelPath, strFileName);
        if (resolved.strPath.empty())
            resolved.eStatus = ETextureStatus::notFound;
        itName = m_mapNames.emplace(strFileName, std::move(resolved)).first;
        if (itName->second.eStatus != ETextureStatus::ok)
            Warn(strFileName, itName->second.eStatus);
    }
    SResolved& resolved = itName->second;
    if (resolved.eStatus != ETextureStatus::ok)
        return 0;

    // Two names may find one file (BRICK.TGA and brick.tga): it is decoded and uploaded once.
    const auto key = std::make_pair(resolved.strPath, bTile);
    if (const auto itTexture = m_mapTextures.find(key); itTexture != m_mapTextures.end())
        return itTexture->second.nName;

    if (m_nMaxSide == 0) {
        GLint nContextMax = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &nContextMax);
        m_nMaxSide = std::clamp(static_cast<int>(nContextMax), 1, MAX_TEXTURE_SIDE);
    }
    STextureImage image;
    ETextureStatus eStatus = m_fnDecode ? m_fnDecode(resolved.strPath, m_nMaxSide, image) : ETextureStatus::unreadable;
    unsigned nTexture = 0;
    if (eStatus == ETextureStatus::ok) {
        nTexture = UploadTexture(image, bTile);
        if (nTexture == 0)
            eStatus = ETextureStatus::tooLarge;  // GL had no room for it
    }
    if (eStatus != ETextureStatus::ok) {
        resolved.eStatus = eStatus;
        Warn(strFileName, eStatus);
        return 0;
    }
    m_mapTextures.emplace(key, STextureRef{nTexture, image.eAlpha});
    return nTexture;
}

STextureRef CTextureLibrary::Texture(const S3DSTextureMap& map)
{
    const bool bTile = (map.wTiling & TILING_NO_TILE) == 0;
    const unsigned nName = Texture(map.strFile.str(), bTile);
    if (nName == 0)
        return {};
    return m_mapTextures.at({m_mapNames.at(map.strFile.str()).strPath, bTile});
}

void CTextureLibrary::ReleaseTextures()
{
    for (const auto& [key, texture] : m_mapTextures) {
        const GLuint nName = texture.nName;
        glDeleteTextures(1, &nName);
    }
    m_mapTextures.clear();
}

void CTextureLibrary::ForgetTextures()
{
    m_mapTextures.clear();
    m_nMaxSide = 0;
}

std::vector<std::string> CTextureLibrary::TakeNewWarnings()
{
    std::vector<std::string> aNew(m_aWarnings.begin() + static_cast<std::ptrdiff_t>(m_nWarningsTaken), m_aWarnings.end());
    m_nWarningsTaken = m_aWarnings.size();
    return aNew;
}

void CTextureLibrary::Warn(const std::string& strFileName, ETextureStatus eStatus)
{
    const char* pReason = "cannot be used";
    switch (eStatus) {
    case ETextureStatus::notFound: pReason = "not found"; break;
    case ETextureStatus::unreadable: pReason = "cannot be read"; break;
    case ETextureStatus::tooLarge: pReason = "is too large"; break;
    case ETextureStatus::malformed: pReason = "is not an image Tessaron can read"; break;
    case ETextureStatus::ok: break;
    }
    // The name comes from the file: a control character in it must not break the one line
    // the status bar shows, and its length is the reader's string bound anyway.
    std::string strShown = strFileName.substr(0, 255);
    for (char& c : strShown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7f)
            c = '?';
    const std::string strModel = std::filesystem::path(m_strModelPath).filename().string();
    m_aWarnings.push_back(strModel + ": texture " + strShown + " " + pReason +
                          "; its material is drawn in its colour.");
}
