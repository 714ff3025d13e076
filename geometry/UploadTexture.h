#pragma once

#include "geometry/TextureLevels.h"
#include "geometry/TextureWrap.h"

#include <cstdint>
#include <span>

// The wrap parameters a texture map's wrap mode asks of a context of GL version nMajor.nMinor,
// using only what that version has: repeat is GL_REPEAT; mirror is GL_MIRRORED_REPEAT from
// 1.4 on, else GL_REPEAT; decal is GL_CLAMP_TO_BORDER from 1.3 on, else GL_CLAMP (1.1 has no
// GL_CLAMP_TO_EDGE), both with a transparent black border, so that outside [0, 1] a face
// samples alpha 0 and shows its material.
struct STextureWrapParameters {
    int nWrap = 0;        // for GL_TEXTURE_WRAP_S and GL_TEXTURE_WRAP_T
    bool bBorder = false;  // set GL_TEXTURE_BORDER_COLOR to (0, 0, 0, 0)
};
STextureWrapParameters TextureWrapParameters(ETextureWrap eWrap, int nMajor, int nMinor);

// A new 2D texture in the current context for levels (a whole chain, IsTextureChain),
// filtered linearly between texels and levels and wrapped as eWrap asks (TextureWrapParameters
// for the context's version), with every level allocated and none of its texels given yet:
// UploadTextureSlices fills them, all at once or a few rows a step. Returns its name, or 0
// when levels is no whole chain or GL refused it (larger than the context allows, out of
// memory); no texture is left behind then. Draw with it only once every level is filled.
//
// GL errors: none is read, here or in the calls below. The caller's pending errors stay
// pending, and an older error can never pass for a refusal: a refusal is told from a proxy
// texture before and from each level's own size after. An upload GL refuses for want of
// memory leaves GL's own GL_OUT_OF_MEMORY pending, as any GL call that fails does.
// Each of these leaves the binding of GL_TEXTURE_2D and the unpack alignment as they were,
// and uses only what OpenGL 1.1 has (glTexSubImage2D, a null pointer to allocate).
unsigned AllocateTexture(const STextureLevels& levels, ETextureWrap eWrap);

// Copies the rows aSlices name (NextTextureSlices) from levels into texture nTexture, made by
// AllocateTexture for the same levels. Returns the bytes of texels copied.
std::uint64_t UploadTextureSlices(unsigned nTexture, const STextureLevels& levels, std::span<const STextureSlice> aSlices);

// Allocates and fills a texture in one go: for those who must show it in the frame that
// asks (the headless renderer, thumbnails, tests). The image's chain is made here.
unsigned UploadTexture(const STextureLevels& levels, ETextureWrap eWrap);
unsigned UploadTexture(const STextureImage& image, ETextureWrap eWrap);
