#pragma once

#include "geometry/TextureWrap.h"

struct STextureImage;

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

// Uploads image (power-of-two sides, as the decoder makes them) into the current context
// as a new 2D texture with a full chain of mipmaps, filtered linearly between texels and
// levels, wrapped as eWrap asks (TextureWrapParameters for the context's version). Returns
// the texture's name, or 0 when the image is empty or not a power of two or GL refused it
// (larger than the context allows, out of memory); no texture is left behind then. The
// binding of GL_TEXTURE_2D and the unpack alignment are what they were before.
//
// GL errors: none is read. The caller's pending errors stay pending, and an older error
// can never pass for a failed upload: a refusal is told from a proxy texture before and
// from each level's own size after. An upload GL refuses for want of memory leaves GL's
// own GL_OUT_OF_MEMORY pending, as any GL call that fails does.
unsigned UploadTexture(const STextureImage& image, ETextureWrap eWrap);

// The next mipmap level of image: each texel the mean of the two or four below it.
STextureImage HalfTextureImage(const STextureImage& image);
