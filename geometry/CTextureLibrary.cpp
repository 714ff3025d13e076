#include "geometry/CTextureLibrary.h"

#include "geometry/UploadTexture.h"
#include "platform/TextureWarning.h"

#include <GL/gl.h>

#include <algorithm>
#include <filesystem>
#include <new>
#include <set>

CTextureLibrary::CTextureLibrary(std::string strModelPath, FDecode fnDecode)
    : m_strModelPath(std::move(strModelPath)), m_cFinder(m_strModelPath), m_fnDecode(std::move(fnDecode))
{
}

void CTextureLibrary::DecodeInBackground(FRequest fnRequest)
{
    m_fnRequest = std::move(fnRequest);
}

unsigned CTextureLibrary::Texture(const std::string& strFileName, ETextureWrap eWrap)
{
    // A model's textures are an extra: running out of memory for one of them leaves the
    // material in its colour and the frame drawn.
    try {
        return TextureOf(strFileName, eWrap);
    } catch (...) {
        return 0;
    }
}

STextureRef CTextureLibrary::Texture(const S3DSTextureMap& map)
{
    const ETextureWrap eWrap = TextureWrapOf(map);
    const unsigned nName = Texture(map.strFile.str(), eWrap);
    if (nName == 0)
        return {};
    return m_mapTextures.at({m_mapNames.at(map.strFile.str()).strPath, eWrap}).ref;
}

unsigned CTextureLibrary::TextureOf(const std::string& strFileName, ETextureWrap eWrap)
{
    if (!m_bFolderWarnings) {
        m_bFolderWarnings = true;
        m_cFinder.Find({});  // lists the folders
        for (const std::string& strFolder : m_cFinder.OutsideFolders())
            Warn(TextureFolderWarning(m_strModelPath, strFolder));
    }
    auto itName = m_mapNames.find(strFileName);
    if (itName == m_mapNames.end()) {
        const CTextureFinder::SFound found = m_cFinder.Find(strFileName);
        itName = m_mapNames.emplace(strFileName, SResolved{found.strPath, found.eStatus}).first;
        if (found.eStatus != ETextureStatus::ok)
            WarnAbout(strFileName, found.eStatus, found.strLink);
        else
            m_mapNameOfFile.try_emplace(found.strPath, strFileName);
    }
    SResolved& resolved = itName->second;
    if (resolved.eStatus != ETextureStatus::ok || m_aFailedFiles.count(resolved.strPath) != 0)
        return 0;

    // Two names may find one file (BRICK.TGA and brick.tga): it is decoded and uploaded once.
    STexture& texture = m_mapTextures[{resolved.strPath, eWrap}];
    if (texture.ref.nName != 0)
        return texture.ref.nName;

    if (m_nMaxSide == 0) {
        GLint nContextMax = 0;
        glGetIntegerv(GL_MAX_TEXTURE_SIZE, &nContextMax);
        m_nMaxSide = std::clamp(static_cast<int>(nContextMax), 1, MAX_TEXTURE_SIDE);
    }
    if (!texture.image) {
        if (texture.bRequested)
            return 0;
        if (m_fnRequest) {
            // One request per file, whatever wraps ask for it.
            const bool bAsked = std::any_of(m_mapTextures.begin(), m_mapTextures.end(), [&](const auto& entry) {
                return entry.first.first == resolved.strPath && entry.second.bRequested;
            });
            texture.bRequested = true;
            if (!bAsked) {
                ++m_nRequested;
                try {
                    m_fnRequest(resolved.strPath, m_nMaxSide);
                } catch (...) {
                    texture.bRequested = false;
                    --m_nRequested;
                    Decoded(texture, resolved.strPath, strFileName, ETextureStatus::unreadable, {});
                }
            }
            return 0;
        }
        STextureImage image;
        ETextureStatus eStatus = ETextureStatus::unreadable;
        try {
            if (m_fnDecode)
                eStatus = m_fnDecode(resolved.strPath, m_nMaxSide, image);
        } catch (const std::bad_alloc&) {
            eStatus = ETextureStatus::tooLarge;
        } catch (...) {
            eStatus = ETextureStatus::unreadable;
        }
        Decoded(texture, resolved.strPath, strFileName, eStatus, std::move(image));
        if (!texture.image)
            return 0;
    }
    if (m_fnRequest) {
        if (!m_bUploadAllowed)
            return 0;
        m_bUploadAllowed = false;
    }

    STextureImage image = std::move(*texture.image);
    texture.image.reset();
    texture.ref.eAlpha = image.eAlpha;
    texture.ref.nName = UploadTexture(image, eWrap);
    if (texture.ref.nName == 0) {
        m_nBudgetUsed -= texture.nBytes;
        texture.nBytes = 0;
        m_aFailedFiles.insert(resolved.strPath);
        WarnAbout(strFileName, ETextureStatus::tooLarge);  // GL had no room for it
    }
    return texture.ref.nName;
}

void CTextureLibrary::Accept(const std::string& strPath, ETextureStatus eStatus, STextureImage image)
{
    try {
        const auto itName = m_mapNameOfFile.find(strPath);
        std::vector<STexture*> aWaiting;
        for (auto& [key, texture] : m_mapTextures)
            if (key.first == strPath && texture.bRequested)
                aWaiting.push_back(&texture);
        if (aWaiting.empty() || itName == m_mapNameOfFile.end())
            return;
        ++m_nArrived;
        for (std::size_t i = 0; i < aWaiting.size(); ++i) {
            aWaiting[i]->bRequested = false;
            Decoded(*aWaiting[i], strPath, itName->second, eStatus,
                    i + 1 < aWaiting.size() ? image : std::move(image));
        }
    } catch (...) {
        // No room to keep the image: that texture stays in its colour.
    }
}

void CTextureLibrary::Decoded(STexture& texture, const std::string& strPath, const std::string& strName,
                              ETextureStatus eStatus, STextureImage image)
{
    if (eStatus != ETextureStatus::ok) {
        // Once per file, whatever names and wraps ask for it.
        if (m_aFailedFiles.insert(strPath).second)
            WarnAbout(strName, eStatus);
        return;
    }
    // Within the model's budget: halved until it fits, with one warning for the model.
    std::uint64_t nBytes = image.aRGBA.size();
    while (m_nBudgetUsed + nBytes > m_nBudget && (image.nWidth > 1 || image.nHeight > 1)) {
        image = HalfTextureImage(image);
        nBytes = image.aRGBA.size();
        if (!m_bBudgetWarned) {
            m_bBudgetWarned = true;
            Warn(ModelName() + ": the textures need more than " + std::to_string(m_nBudget >> 20) +
                 " MiB; some are drawn smaller.");
        }
    }
    m_nBudgetUsed += nBytes;
    texture.nBytes = nBytes;
    texture.image = std::move(image);
}

bool CTextureLibrary::HasUploadsWaiting() const
{
    return std::any_of(m_mapTextures.begin(), m_mapTextures.end(),
                       [](const auto& entry) { return entry.second.image.has_value(); });
}

void CTextureLibrary::ReleaseTextures()
{
    for (const auto& [key, texture] : m_mapTextures) {
        const GLuint nName = texture.ref.nName;
        if (nName != 0)
            glDeleteTextures(1, &nName);
    }
    ForgetTextures();
}

void CTextureLibrary::ForgetTextures()
{
    // Decodes still under way are no longer waited for; one that comes back is taken for
    // the request the next frame makes anew.
    std::set<std::string> aInFlight;
    for (const auto& [key, texture] : m_mapTextures)
        if (texture.bRequested)
            aInFlight.insert(key.first);
    m_nRequested -= static_cast<int>(aInFlight.size());
    m_mapTextures.clear();
    m_nBudgetUsed = 0;
    m_nMaxSide = 0;
}

std::vector<std::string> CTextureLibrary::TakeNewWarnings()
{
    std::vector<std::string> aNew(m_aWarnings.begin() + static_cast<std::ptrdiff_t>(m_nWarningsTaken), m_aWarnings.end());
    m_nWarningsTaken = m_aWarnings.size();
    return aNew;
}

std::string CTextureLibrary::ModelName() const
{
    return std::filesystem::path(m_strModelPath).filename().string();
}

void CTextureLibrary::Warn(const std::string& strText)
{
    m_aWarnings.push_back(OneLine(strText));
}

void CTextureLibrary::WarnAbout(const std::string& strFileName, ETextureStatus eStatus, const std::string& strDetail)
{
    Warn(TextureWarning(m_strModelPath, strFileName, eStatus, strDetail));
}
