#include "platform/DecodeBounds.h"

#include <algorithm>
#include <cstddef>
#include <string_view>

namespace {

// Header fields, read only where the bytes are there; a header too short to hold the field
// reads as 0, which a reader refuses on its own.
std::uint32_t Le(std::span<const std::uint8_t> a, std::size_t nAt, int nBytes)
{
    if (a.size() < nAt || a.size() - nAt < static_cast<std::size_t>(nBytes))
        return 0;
    std::uint32_t n = 0;
    for (int i = nBytes - 1; i >= 0; --i)
        n = n << 8 | a[nAt + static_cast<std::size_t>(i)];
    return n;
}

std::uint32_t Be32(std::span<const std::uint8_t> a, std::size_t nAt)
{
    if (a.size() < nAt || a.size() - nAt < 4)
        return 0;
    return std::uint32_t{a[nAt]} << 24 | std::uint32_t{a[nAt + 1]} << 16 | std::uint32_t{a[nAt + 2]} << 8 | a[nAt + 3];
}

std::int64_t BytesAfter(std::span<const std::uint8_t> a, std::uint64_t nOffset)
{
    return nOffset >= a.size() ? 0 : static_cast<std::int64_t>(a.size() - nOffset);
}

// Truevision TGA: an 18-byte header, the image id, the colour map, then the pixels.
bool TgaFits(std::span<const std::uint8_t> a, std::int64_t nPixels)
{
    const std::uint32_t nType = Le(a, 2, 1);
    const std::int64_t nPixelBytes = std::max<std::int64_t>(1, (Le(a, 16, 1) + 7) / 8);
    const std::uint64_t nMapBytes = Le(a, 1, 1) == 1 ? std::uint64_t{Le(a, 5, 2)} * ((Le(a, 7, 1) + 7) / 8) : 0;
    std::int64_t nData = BytesAfter(a, 18 + std::uint64_t{Le(a, 0, 1)} + nMapBytes);
    // A TGA 2.0 file ends in a 26-byte footer ("TRUEVISION-XFILE.") that holds no pixels.
    constexpr std::string_view strSignature("TRUEVISION-XFILE.\0", 18);
    if (a.size() >= 26 && std::equal(strSignature.begin(), strSignature.end(), a.end() - 18))
        nData = std::max<std::int64_t>(0, nData - 26);
    if (nType >= 1 && nType <= 3)  // stored as they are
        return nPixels <= nData / nPixelBytes;
    if (nType >= 9 && nType <= 11) {
        // Run-length packets: a one-byte count and one pixel repeated at most 128 times is
        // the most a packet can expand to; a raw packet gives fewer pixels per byte.
        return nPixels <= 128 * (nData / (1 + nPixelBytes));
    }
    return true;
}

// Windows and OS/2 bitmaps: the file header gives the pixels' offset, the info header their
// depth and compression.
bool BmpFits(std::span<const std::uint8_t> a, std::int64_t nPixels)
{
    const std::int64_t nData = BytesAfter(a, Le(a, 10, 4));
    const bool bCore = Le(a, 14, 4) == 12;  // OS/2 1.x: 16-bit sides, no compression field
    const std::int64_t nBits = std::max<std::uint32_t>(1, Le(a, bCore ? 24 : 28, 2));
    const std::uint32_t nCompression = bCore ? 0 : Le(a, 30, 4);
    if (nCompression == 0 || nCompression == 3 || nCompression == 6)  // plain, bit fields
        return nPixels <= nData * 8 / nBits;
    if (nCompression == 1 || nCompression == 2) {
        // RLE8 and RLE4: a two-byte run gives at most 255 pixels. Jumps and an early end of
        // the bitmap can skip further, but what they skip stays blank: a picture that needs
        // them for more than this is no texture.
        return nPixels <= 255 * (nData / 2);
    }
    return true;
}

// PNG: the pixel rows, a filter byte before each, are one deflate stream, and deflate's
// longest match (258 bytes) costs at least two bits, so no stream expands more than 1032
// times. The rows are counted without interlacing, which only adds filter bytes.
bool PngFits(std::span<const std::uint8_t> a, std::int64_t nWidth, std::int64_t nHeight)
{
    std::int64_t nChannels = 1;
    switch (Le(a, 25, 1)) {
    case 2: nChannels = 3; break;
    case 4: nChannels = 2; break;
    case 6: nChannels = 4; break;
    default: break;  // grey and palette: one sample a pixel
    }
    const std::int64_t nBits = nChannels * std::max<std::uint32_t>(1, Le(a, 24, 1));
    const std::int64_t nRowBytes = 1 + (nWidth * nBits + 7) / 8;
    return nHeight <= static_cast<std::int64_t>(a.size()) * 1032 / nRowBytes;
}

} // namespace

bool PixelsFitInFile(std::string_view strReader, std::span<const std::uint8_t> aData, std::int64_t nWidth,
                     std::int64_t nHeight)
{
    // The header's sides where the reader told none; they are the ones it decodes by.
    if (nWidth <= 0 || nHeight <= 0) {
        if (strReader == "tga") {
            nWidth = Le(aData, 12, 2), nHeight = Le(aData, 14, 2);
        } else if (strReader == "bmp") {
            const bool bCore = Le(aData, 14, 4) == 12;
            nWidth = static_cast<std::int32_t>(Le(aData, 18, bCore ? 2 : 4));
            const std::int32_t nSigned = static_cast<std::int32_t>(Le(aData, bCore ? 20 : 22, bCore ? 2 : 4));
            nHeight = nSigned < 0 ? -static_cast<std::int64_t>(nSigned) : nSigned;
        } else if (strReader == "png") {
            nWidth = Be32(aData, 16), nHeight = Be32(aData, 20);
        } else if (strReader == "gif") {
            nWidth = Le(aData, 6, 2), nHeight = Le(aData, 8, 2);
        }
    }
    if (nWidth <= 0 || nHeight <= 0)
        return strReader != "tga" && strReader != "bmp" && strReader != "png" && strReader != "gif" &&
               strReader != "jpeg";
    // No file we read holds 2^24 pixels a side, and the products below stay far from overflow.
    if (nWidth > (1 << 24) || nHeight > (1 << 24))
        return false;
    const std::int64_t nPixels = nWidth * nHeight;
    const std::int64_t nBytes = static_cast<std::int64_t>(aData.size());
    if (strReader == "tga")
        return TgaFits(aData, nPixels);
    if (strReader == "bmp")
        return BmpFits(aData, nPixels);
    if (strReader == "png")
        return PngFits(aData, nWidth, nHeight);
    if (strReader == "gif") {
        // LZW: after a clear code the n-th code added to the table stands for at most n + 1
        // pixels, and the table holds 4096 codes of at most 12 bits, so a code never gives
        // more than 4096 pixels for 12 bits, the best ratio being reached only when the table
        // is full: at most 4096 * 8 / 12 pixels per byte.
        return nPixels <= nBytes * 4096 * 8 / 12;
    }
    if (strReader == "jpeg") {
        // Huffman-coded JPEG spends at least one bit on every 8 x 8 block in the first scan
        // that covers it (baseline: two, DC and end of block; progressive: the DC scan). The
        // components' sampling factors (1 to 4 each way) cover the picture at least half at
        // full resolution (one component 4 x 1, another 1 x 4 is the thinnest), so a picture
        // has at least one block per 128 pixels: at most 1024 pixels per byte. Arithmetic
        // coding can squeeze a flat picture further; a texture a hundred times beyond any
        // photograph is not worth decoding.
        return nPixels <= nBytes * 1024;
    }
    return true;
}
