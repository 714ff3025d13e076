#include "geometry/UploadTexture.h"

#include "platform/STextureImage.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <vector>

#ifndef GL_CLAMP_TO_BORDER
#define GL_CLAMP_TO_BORDER 0x812D
#endif
#ifndef GL_MIRRORED_REPEAT
#define GL_MIRRORED_REPEAT 0x8370
#endif

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// Whether GL holds level nLevel as it was given: a refused glTexImage2D leaves the level
// without texels, which tells the refusal without reading (and so taking) any GL error.
bool LevelIs(GLint nLevel, int nWidth, int nHeight)
{
    GLint nGotWidth = 0, nGotHeight = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, GL_TEXTURE_WIDTH, &nGotWidth);
    glGetTexLevelParameteriv(GL_TEXTURE_2D, nLevel, GL_TEXTURE_HEIGHT, &nGotHeight);
    return nGotWidth == nWidth && nGotHeight == nHeight;
}

} // namespace

// Built here because OpenGL 1.1 has no mipmap generation and the geometry layer has no GLU.
STextureImage HalfTextureImage(const STextureImage& level)
{
    STextureImage half;
    half.nWidth = level.nWidth > 1 ? level.nWidth / 2 : 1;
    half.nHeight = level.nHeight > 1 ? level.nHeight / 2 : 1;
    half.aRGBA.resize(static_cast<std::size_t>(half.nWidth) * half.nHeight * 4);
    const int nStepX = level.nWidth > 1 ? 1 : 0;
    const int nStepY = level.nHeight > 1 ? 1 : 0;
    const auto at = [&level](int x, int y, int c) {
        return static_cast<unsigned>(level.aRGBA[(static_cast<std::size_t>(y) * level.nWidth + x) * 4 + c]);
    };
    for (int y = 0; y < half.nHeight; ++y)
        for (int x = 0; x < half.nWidth; ++x) {
            const int x0 = x * (nStepX + 1), y0 = y * (nStepY + 1);
            for (int c = 0; c < 4; ++c) {
                const unsigned nSum = at(x0, y0, c) + at(x0 + nStepX, y0, c) + at(x0, y0 + nStepY, c) +
                                      at(x0 + nStepX, y0 + nStepY, c);
                half.aRGBA[(static_cast<std::size_t>(y) * half.nWidth + x) * 4 + c] =
                    static_cast<std::uint8_t>((nSum + 2) / 4);
            }
        }
    half.eAlpha = level.eAlpha;
    return half;
}

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

unsigned UploadTexture(const STextureImage& image, ETextureWrap eWrap)
{
    if (!IsPowerOfTwo(image.nWidth) || !IsPowerOfTwo(image.nHeight) ||
        image.aRGBA.size() != static_cast<std::size_t>(image.nWidth) * image.nHeight * 4)
        return 0;
    // Larger than the context takes: a proxy says so without an error.
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, GL_RGBA8, image.nWidth, image.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint nProxyWidth = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &nProxyWidth);
    if (nProxyWidth != image.nWidth)
        return 0;
    int nMajor = 1, nMinor = 1;
    if (const auto* pVersion = reinterpret_cast<const char*>(glGetString(GL_VERSION)))
        std::sscanf(pVersion, "%d.%d", &nMajor, &nMinor);
    const STextureWrapParameters wrap = TextureWrapParameters(eWrap, nMajor, nMinor);

    GLint nOldBinding = 0, nOldAlignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nOldBinding);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nOldAlignment);

    GLuint nTexture = 0;
    glGenTextures(1, &nTexture);
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, wrap.nWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, wrap.nWrap);
    if (wrap.bBorder) {
        const GLfloat aTransparent[4] = {0.0f, 0.0f, 0.0f, 0.0f};
        glTexParameterfv(GL_TEXTURE_2D, GL_TEXTURE_BORDER_COLOR, aTransparent);
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.nWidth, image.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.aRGBA.data());
    bool bOk = LevelIs(0, image.nWidth, image.nHeight);
    STextureImage level;
    const STextureImage* pLevel = &image;
    for (GLint nLevel = 1; bOk && (pLevel->nWidth > 1 || pLevel->nHeight > 1); ++nLevel) {
        level = HalfTextureImage(*pLevel);
        pLevel = &level;
        glTexImage2D(GL_TEXTURE_2D, nLevel, GL_RGBA8, level.nWidth, level.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     level.aRGBA.data());
        bOk = LevelIs(nLevel, level.nWidth, level.nHeight);
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, nOldAlignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(nOldBinding));
    if (!bOk) {
        glDeleteTextures(1, &nTexture);
        return 0;
    }
    return nTexture;
}
