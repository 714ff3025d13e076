#include "geometry/UploadTexture.h"

#include "platform/STextureImage.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdio>

namespace {

// Whether GL holds level nLevel in the size it was given: a refused glTexImage2D leaves the
// level without texels, which tells the refusal without reading (and so taking) any GL error.
bool LevelIs(GLint nLevel, int nWidth, int nHeight)
{
    GLint nGotWidth = 0, nGotHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, GL_TEXTURE_WIDTH, &nGotWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, GL_TEXTURE_HEIGHT, &nGotHeight);
    return nGotWidth == nWidth && nGotHeight == nHeight;
}

// Binds a texture and packs rows tightly for the calls in its scope, and puts back what was there.
class CUnpackInto {
public:
    explicit CUnpackInto(GLuint nTexture)
    {
        glGetIntegerv(GL_TEXTURE_BINDING_2D, &m_nOldBinding);
        glGetIntegerv(GL_UNPACK_ALIGNMENT, &m_nOldAlignment);
        glBindTexture(GL_TEXTURE_2D, nTexture);
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    }
    ~CUnpackInto()
    {
        glPixelStorei(GL_UNPACK_ALIGNMENT, m_nOldAlignment);
        glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(m_nOldBinding));
    }
    CUnpackInto(const CUnpackInto&) = delete;
    CUnpackInto& operator=(const CUnpackInto&) = delete;

private:
    GLint m_nOldBinding = 0, m_nOldAlignment = 4;
};

} // namespace

STextureWrapParameters TextureWrapParameters(ETextureWrap eWrap, int nMajor, int nMinor)
{
    const auto atLeast = [&](int nWantMajor, int nWantMinor) {
        return nMajor > nWantMajor || (nMajor == nWantMajor && nMinor >= nWantMinor);
    };
    switch (eWrap) {
    case ETextureWrap::mirror: return {atLeast(1, 4) ? GL_MIRRORED_REPEAT : GL_REPEAT, false};
    case ETextureWrap::decal: return {atLeast(1, 3) ? GL_CLAMP_TO_BORDER : GL_CLAMP, true};
    case ETextureWrap::repeat: break;
    }
    return {GL_REPEAT, false};
}

unsigned AllocateTexture(const STextureLevels& levels, ETextureWrap eWrap)
{
    if (!IsTextureChain(levels))
        return 0;
    const STextureImage& level0 = levels.aLevels.front();
    // Larger than the context takes: a proxy says so without an error.
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, level0.nWidth, level0.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint nProxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nProxyWidth);
    if (nProxyWidth != level0.nWidth)
        return 0;
    int nMajor = 1, nMinor = 1;
    if (const auto* pVersion = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
        std::sscanf(pVersion, "%d.%d", &nMajor, &nMinor);
    const STextureWrapParameters wrap = TextureWrapParameters(eWrap, nMajor, nMinor);

    GLuint nTexture = 0;
    glGenTextures(1, &nTexture);
    bool bOk = true;
    {
        const CUnpackInto into(nTexture);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap.nWrap);
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap.nWrap);
        if (wrap.bBorder) {
            const GLfloat aTransparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
            glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, aTransparent);
        }
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
        // Set before level 0 is given, so GL can make room for the whole chain at once.
        glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
        for (std::size_t i = 0; bOk && i < levels.aLevels.size(); ++i) {
            const STextureImage& level = levels.aLevels[i];
            const auto nLevel = static_cast<GLint>(i);
            glTexImage2D(GL_TEXTURE_2D, nLevel, GL_RGBA8, level.nWidth, level.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                         nullptr);
            bOk = LevelIs(nLevel, level.nWidth, level.nHeight);
        }
    }
    if (!bOk) {
        glDeleteTextures(1, &nTexture);
        return 0;
    }
    return nTexture;
}

std::uint64_t UploadTextureSlices(unsigned nTexture, const STextureLevels& levels, std::span<const STextureSlice> aSlices)
{
    if (nTexture == 0 || aSlices.empty())
        return 0;
    const CUnpackInto into(nTexture);
    std::uint64_t nBytes = 0;
    for (const STextureSlice& slice : aSlices) {
        if (slice.nLevel >= levels.aLevels.size())
            continue;
        const STextureImage& level = levels.aLevels[slice.nLevel];
        if (slice.nFirstRow < 0 || slice.nRows <= 0 || slice.nRows > level.nHeight - slice.nFirstRow)
            continue;
        const std::size_t nRowBytes = static_cast<std::size_t>(level.nWidth) * 4;
        if (level.aRGBA.size() != nRowBytes * static_cast<std::size_t>(level.nHeight))
            continue;
        glTexSubImage2D(GL_TEXTURE_2D, static_cast<GLint>(slice.nLevel), 0, slice.nFirstRow, level.nWidth, slice.nRows,
                        GL_RGBA, GL_UNSIGNED_BYTE, level.aRGBA.data() + nRowBytes * static_cast<std::size_t>(slice.nFirstRow));
        nBytes += nRowBytes * static_cast<std::size_t>(slice.nRows);
    }
    return nBytes;
}

unsigned UploadTexture(const STextureLevels& levels, ETextureWrap eWrap)
{
    const unsigned nTexture = AllocateTexture(levels, eWrap);
    if (nTexture == 0)
        return 0;
    STextureUploadCursor cursor;
    UploadTextureSlices(nTexture, levels, NextTextureSlices(levels, cursor, UINT64_MAX));
    return nTexture;
}

unsigned UploadTexture(const STextureImage& image, ETextureWrap eWrap)
{
    return UploadTexture(TextureLevels(image), eWrap);
}
