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
    if (!texture.levels) {
        if (texture.bRequested)
            return 0;
        if (m_fnRequest) {
            // One request per file, whatever wraps ask for it.
            const bool bAsked = std::any_of(m_mapTextures.begin(), m_mapTextures.end(), [&](const auto& entry) {
                return entry.first.first == resolved.strPath && entry.second.bRequested;
            });
            texture.bRequested = true;
            if (!bAsked) {
                const bool bNew = m_aAwaited.insert(resolved.strPath).second;
                m_nRequested += bNew ? 1 : 0;
                try {
                    m_fnRequest(resolved.strPath, m_nMaxSide);
                } catch (...) {
                    texture.bRequested = false;
                    if (bNew) {
                        m_aAwaited.erase(resolved.strPath);
                        --m_nRequested;
                    }
                    Decoded(texture, resolved.strPath, strFileName, ETextureStatus::unreadable, {});
                }
            }
            return 0;
        }
        STextureLevels levels;
        ETextureStatus eStatus = ETextureStatus::unreadable;
        try {
            STextureImage image;
            if (m_fnDecode)
                eStatus = m_fnDecode(resolved.strPath, m_nMaxSide, image);
            if (eStatus == ETextureStatus::ok)
                levels = TextureLevels(std::move(image));
        } catch (const std::bad_alloc&) {
            eStatus = ETextureStatus::tooLarge;
        } catch (...) {
            eStatus = ETextureStatus::unreadable;
        }
        Decoded(texture, resolved.strPath, strFileName, eStatus, std::move(levels));
        if (!texture.levels)
            return 0;
    }
    // With background decoding UploadSome puts it into GL, a bounded step at a time.
    if (m_fnRequest)
        return 0;
    const Key key{resolved.strPath, eWrap};
    return Allocate(texture, key) && CopyLevels(texture, key, UINT64_MAX) ? texture.ref.nName : 0;
}

void CTextureLibrary::SetUploadBytesPerStep(std::uint64_t nBytes)
{
    m_nUploadPerStep = std::max<std::uint64_t>(nBytes, static_cast<std::uint64_t>(MAX_TEXTURE_SIDE) * 4);
}

bool CTextureLibrary::UploadSome()
{
    m_nUploadedLastStep = 0;
    m_bWaitingForMemory = false;
    // No exception leaves a step: the next one tries again.
    try {
        // One texture at a time, so each shows as soon as it can rather than all at the end.
        auto it = m_uploading ? m_mapTextures.find(*m_uploading) : m_mapTextures.end();
        if (it == m_mapTextures.end() || !it->second.levels)
            it = std::find_if(m_mapTextures.begin(), m_mapTextures.end(),
                              [](const auto& entry) { return entry.second.levels.has_value(); });
        if (it == m_mapTextures.end()) {
            m_uploading.reset();
            return false;
        }
        m_uploading = it->first;
        // A step of its own: a driver may clear the storage of the whole chain here (Mesa's
        // llvmpipe does), which costs about what copying it does, and more where its pages
        // are new to the process: those are touched beforehand, off this thread.
        STexture& texture = it->second;
        if (texture.nUploading == 0) {
            if (!texture.prefault)  // room for the driver's alignment of the levels beside them
                texture.prefault = std::make_unique<CPrefaultedBlock>(texture.levels->Bytes() + (std::size_t{1} << 20));
            if (!texture.prefault->Touched()) {
                m_bWaitingForMemory = true;
                return false;
            }
            texture.prefault.reset();
            Allocate(texture, it->first);
            return false;
        }
        return CopyLevels(texture, it->first, m_nUploadPerStep);
    } catch (...) {
        return false;
    }
}

bool CTextureLibrary::Allocate(STexture& texture, const Key& key)
{
    texture.nUploading = AllocateTexture(*texture.levels, key.second);
    texture.cursor = {};
    if (texture.nUploading == 0)
        UploadFailed(key.first);  // GL had no room for it
    return texture.nUploading != 0;
}

bool CTextureLibrary::CopyLevels(STexture& texture, const Key& key, std::uint64_t nMaxBytes)
{
    STextureLevels& levels = *texture.levels;
    const std::vector<STextureSlice> aSlices = NextTextureSlices(levels, texture.cursor, nMaxBytes);
    m_nUploadedLastStep += UploadTextureSlices(texture.nUploading, levels, aSlices);
    if (texture.cursor.nLevel < levels.aLevels.size())
        return false;

    texture.ref.nName = texture.nUploading;
    texture.ref.eAlpha = levels.aLevels.front().eAlpha;
    texture.nUploading = 0;
    texture.levels.reset();
    m_uploading.reset();
    Settle(key.first);
    return true;
}

void CTextureLibrary::UploadFailed(const std::string& strPath)
{
    // Every wrap of the file is given up at once, or one left waiting would ask for frames
    // for good.
    for (auto& [key, texture] : m_mapTextures)
        if (key.first == strPath && texture.levels) {
            m_nBudgetUsed -= texture.nBytes;
            texture.nBytes = 0;
            texture.levels.reset();
            texture.prefault.reset();
        }
    if (m_uploading && m_uploading->first == strPath)
        m_uploading.reset();
    const auto itName = m_mapNameOfFile.find(strPath);
    if (m_aFailedFiles.insert(strPath).second && itName != m_mapNameOfFile.end())
        WarnAbout(itName->second, ETextureStatus::tooLarge);
    Settle(strPath);
}

void CTextureLibrary::Settle(const std::string& strPath)
{
    const bool bSettled = std::none_of(m_mapTextures.begin(), m_mapTextures.end(), [&](const auto& entry) {
        return entry.first.first == strPath && (entry.second.bRequested || entry.second.levels);
    });
    if (bSettled && m_aAwaited.erase(strPath) != 0)
        ++m_nArrived;
}

void CTextureLibrary::Accept(const std::string& strPath, ETextureStatus eStatus, STextureLevels levels)
{
    try {
        const auto itName = m_mapNameOfFile.find(strPath);
        std::vector<STexture*> aWaiting;
        for (auto& [key, texture] : m_mapTextures)
            if (key.first == strPath && texture.bRequested)
                aWaiting.push_back(&texture);
        if (aWaiting.empty() || itName == m_mapNameOfFile.end())
            return;
        for (std::size_t i = 0; i < aWaiting.size(); ++i) {
            aWaiting[i]->bRequested = false;
            Decoded(*aWaiting[i], strPath, itName->second, eStatus,
                    i + 1 < aWaiting.size() ? levels : std::move(levels));
        }
    } catch (...) {
        // No room to keep the levels: that texture stays in its colour.
    }
    Settle(strPath);
}

void CTextureLibrary::Decoded(STexture& texture, const std::string& strPath, const std::string& strName,
                              ETextureStatus eStatus, STextureLevels levels)
{
    if (eStatus != ETextureStatus::ok) {
        // Once per file, whatever names and wraps ask for it.
        if (m_aFailedFiles.insert(strPath).second)
            WarnAbout(strName, eStatus);
        return;
    }
    // No wider than this context draws, so a step's upload bound always holds a row.
    const int nMaxSide = m_nMaxSide > 0 ? m_nMaxSide : MAX_TEXTURE_SIDE;
    while (levels.aLevels.size() > 1 &&
           (levels.aLevels.front().nWidth > nMaxSide || levels.aLevels.front().nHeight > nMaxSide))
        levels.DropLargest();
    // Within the model's budget: halved until it fits, with one warning for the model.
    while (m_nBudgetUsed + levels.Bytes() > m_nBudget && levels.aLevels.size() > 1) {
        levels.DropLargest();
        if (!m_bBudgetWarned) {
            m_bBudgetWarned = true;
            Warn(ModelName() + ": the textures need more than " + std::to_string(m_nBudget >> 20) +
                 " MiB; some are drawn smaller.");
        }
    }
    texture.nBytes = levels.Bytes();
    m_nBudgetUsed += texture.nBytes;
    texture.levels = std::move(levels);
}

bool CTextureLibrary::HasUploadsWaiting() const
{
    return std::any_of(m_mapTextures.begin(), m_mapTextures.end(),
                       [](const auto& entry) { return entry.second.levels.has_value(); });
}

void CTextureLibrary::ReleaseTextures()
{
    for (const auto& [key, texture] : m_mapTextures)
        for (const GLuint nName : {texture.ref.nName, texture.nUploading})
            if (nName != 0)
                glDeleteTextures(1, &nName);
    ForgetTextures();
}

void CTextureLibrary::ForgetTextures()
{
    // Decodes still under way are no longer waited for, nor are uploads part way in (the
    // half-filled texture went with its context, and nothing here names it any more); one
    // that comes back is taken for the request the next frame makes anew.
    m_nRequested -= static_cast<int>(m_aAwaited.size());
    m_aAwaited.clear();
    m_mapTextures.clear();
    m_uploading.reset();
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
