#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// A texture image as the GL upload takes it, without any Qt type, so the GL layers below
// the decoder can use it: RGBA8 texels, four bytes each, rows packed without padding and
// stored bottom row first. That is glTexImage2D's order, and with it a 3DS mapping
// coordinate v = 0 lands on the bottom edge of the picture, where the modeller put it.
// What a texture's alpha asks of drawing. Only partial alpha blends: a blended face writes
// no depth and must be drawn back to front, which opaque and cut-out faces need not be.
enum class ETextureAlpha : std::uint8_t {
    opaque,   // every texel 255
    cutout,   // only 0 and 255 (leaves, fences, lettering): opaque, texels below one half discarded
    partial,  // some texel in between: blended
};

struct STextureImage {
    int nWidth = 0;
    int nHeight = 0;
    std::vector<std::uint8_t> aRGBA;  // nWidth * nHeight * 4 bytes
    ETextureAlpha eAlpha = ETextureAlpha::opaque;  // told by the decoder from the texels
};

// Why a texture could not be had. Every failure draws the material in its colour; the
// status only picks the words of the warning.
enum class ETextureStatus {
    ok,
    notFound,    // no file of that name, stem or short name in the folders searched
    unreadable,  // found, but it cannot be opened or read
    tooLarge,    // bigger than the decoder's bounds (file bytes, sides or pixels)
    malformed,   // not an image of a format we decode, or broken inside
    outside,     // found, but only through a link out of the model's folders
};
