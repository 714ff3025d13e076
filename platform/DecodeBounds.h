#pragma once

#include <cstdint>
#include <span>
#include <string_view>

// Whether the bytes of an image file can hold the picture its header declares, judged from
// the header alone, before a reader decodes any pixel. A reader asked for more pixels than
// its file can encode loops over pixels it has no data for (a 46-byte TGA declaring 8962 x
// 254 pixels kept Qt's reader busy for 40 seconds), so every picture that passes costs at
// most a fixed number of pixels per byte of file. strReader is Qt's name of the reader
// (ImageFormats.h); nWidth and nHeight are the reader's own idea of the size, or 0 where it
// has none, in which case the header's is taken. A format we do not read always fits.
bool PixelsFitInFile(std::string_view strReader, std::span<const std::uint8_t> aData, std::int64_t nWidth,
                     std::int64_t nHeight);
