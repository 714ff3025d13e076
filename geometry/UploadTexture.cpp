#include "geometry/UploadTexture.h"

#include "platform/STextureImage.h"

#include <GL/gl.h>

#include <cstddef>
#include <cstdint>
#include <vector>

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

// The next mipmap level: each texel the mean of the two or four below it. Built here
// because OpenGL 1.1 has no mipmap generation and the geometry layer has no GLU.
STextureImage HalfSize(const STextureImage& level)
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
    return half;
}

} // namespace

unsigned UploadTexture(const STextureImage& image, bool bTile)
{
    if (!IsPowerOfTwo(image.nWidth) || !IsPowerOfTwo(image.nHeight) ||
        image.aRGBA.size() != static_cast<std::size_t>(image.nWidth) * image.nHeight * 4)
        return 0;
    // Errors are read to tell whether this upload was refused, so older ones must not count.
    // Bounded: without a current context some drivers report an error on every call.
    for (int i = 0; i < 16 && glGetError() != GL_NO_ERROR; ++i) {
    }
    GLint nOldBinding = 0, nOldAlignment = 4;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &nOldBinding);
    glGetIntegerv(GL_UNPACK_ALIGNMENT, &nOldAlignment);

    GLuint nTexture = 0;
    glGenTextures(1, &nTexture);
    glBindTexture(GL_TEXTURE_2D, nTexture);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    const GLint nWrap = bTile ? GL_REPEAT : GL_CLAMP_TO_EDGE;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, nWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, nWrap);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);

    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, image.nWidth, image.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 image.aRGBA.data());
    bool bOk = glGetError() == GL_NO_ERROR;
    STextureImage level;
    const STextureImage* pLevel = &image;
    for (GLint nLevel = 1; bOk && (pLevel->nWidth > 1 || pLevel->nHeight > 1); ++nLevel) {
        level = HalfSize(*pLevel);
        pLevel = &level;
        glTexImage2D(GL_TEXTURE_2D, nLevel, GL_RGBA8, level.nWidth, level.nHeight, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                     level.aRGBA.data());
        bOk = glGetError() == GL_NO_ERROR;
    }

    glPixelStorei(GL_UNPACK_ALIGNMENT, nOldAlignment);
    glBindTexture(GL_TEXTURE_2D, static_cast<GLuint>(nOldBinding));
    if (!bOk) {
        glDeleteTextures(1, &nTexture);
        return 0;
    }
    return nTexture;
}
