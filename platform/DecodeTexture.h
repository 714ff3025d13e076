#pragma once

#include "platform/STextureImage.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

// Texture images come with downloaded models, so they are decoded by Qt's image readers
// (libpng, libjpeg-turbo and Qt's own BMP, GIF and TGA readers) under hard bounds:
//   - a file of at most DECODE_TEXTURE_MAX_FILE_BYTES (64 MiB), read whole;
//   - only the formats of ImageFormats.h, told by their content (TGA, which has no
//     signature, by the file's extension), whatever the name claims;
//   - a picture of at most DECODE_TEXTURE_MAX_SIDE (16384) pixels a side and
//     DECODE_TEXTURE_MAX_PIXELS (16 Mi, 64 MiB as RGBA) in all, and no more pixels than its
//     file's bytes can encode in its format (DecodeBounds.h), checked from the header
//     before any pixel is decoded; Qt's allocation limit is set to the same 64 MiB for the
//     readers that cannot tell their size up front.
// A decoded picture becomes an STextureImage scaled to power-of-two sides (each side to the
// nearest power of two, then halved until it is at most nMaxSide and the whole at most
// DECODE_TEXTURE_MAX_PIXELS), so the result never needs more than 64 MiB either. nMaxSide
// is the context's GL_MAX_TEXTURE_SIZE or less; below 1 it counts as 1. Its eAlpha is told
// from the picture before scaling. Nothing throws: every failure is a status. Both
// functions are pure work from bytes to pixels and may run on any thread.

inline constexpr std::uint64_t DECODE_TEXTURE_MAX_FILE_BYTES = 64ull << 20;
inline constexpr int DECODE_TEXTURE_MAX_SIDE = 16384;
inline constexpr std::int64_t DECODE_TEXTURE_MAX_PIXELS = 16ll << 20;

// Decodes the file at strPath into image (left empty on failure): ok, unreadable (cannot
// be opened or read), tooLarge or malformed. Needs no QGuiApplication.
ETextureStatus DecodeTextureFile(const std::string& strPath, int nMaxSide, STextureImage& image);

// The same for bytes in memory; strFormatHint is a file extension ("tga") that picks the
// reader for formats without a signature, and may be empty. Never notFound or unreadable.
ETextureStatus DecodeTextureData(std::span<const std::uint8_t> aData, std::string_view strFormatHint,
                                 int nMaxSide, STextureImage& image);
