// libFuzzer target for the texture decoder: any bytes, as a texture file that came with a
// downloaded model. The first byte picks the file extension the bytes arrive under (the
// TGA reader is only reached through it) and the largest side allowed; the rest is the
// file. Besides the sanitizers it aborts when a result breaks what the GL upload relies on
// or what drawing takes from its alpha kind. The header bounds are also asked of every
// reader for the same bytes, so each header parser meets every input.

#include "platform/DecodeBounds.h"
#include "platform/DecodeTexture.h"
#include "platform/ImageFormats.h"

#include <QtGlobal>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <span>
#include <string_view>

namespace {

[[noreturn]] void Fail(const char* pszRule, int nWidth, int nHeight)
{
    std::fprintf(stderr, "broken rule: %s (%d x %d)\n", pszRule, nWidth, nHeight);
    std::abort();
}

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    // Qt's readers warn on every broken header; thousands of lines a second hide the report.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* pData, std::size_t nSize)
{
    if (nSize < 1)
        return 0;
    constexpr std::string_view aHints[] = {"tga", "png", "bmp", "jpg", "gif", "", "TGA", "rgb"};
    const std::string_view strHint = aHints[pData[0] & 7];
    const int nMaxSide = 1 << (pData[0] >> 4);  // 1 .. 32768
    const std::span<const std::uint8_t> aFile(pData + 1, nSize - 1);
    for (const SImageFormat& format : IMAGE_FORMATS) {
        (void)PixelsFitInFile(format.strReader, aFile, 0, 0);
        (void)PixelsFitInFile(format.strReader, aFile, DECODE_TEXTURE_MAX_SIDE, DECODE_TEXTURE_MAX_SIDE);
    }
    STextureImage image;
    const ETextureStatus eStatus = DecodeTextureData(std::span(pData + 1, nSize - 1), strHint, nMaxSide, image);
    if (eStatus != ETextureStatus::ok) {
        if (!image.aRGBA.empty() || image.nWidth != 0)
            Fail("a refused image leaves texels behind", image.nWidth, image.nHeight);
        if (eStatus != ETextureStatus::malformed && eStatus != ETextureStatus::tooLarge)
            Fail("bytes in memory are reported as a file failure", 0, 0);
        return 0;
    }
    if (!IsPowerOfTwo(image.nWidth) || !IsPowerOfTwo(image.nHeight))
        Fail("sides not powers of two", image.nWidth, image.nHeight);
    if (image.nWidth > nMaxSide || image.nHeight > nMaxSide ||
        static_cast<std::int64_t>(image.nWidth) * image.nHeight > DECODE_TEXTURE_MAX_PIXELS)
        Fail("larger than allowed", image.nWidth, image.nHeight);
    if (image.aRGBA.size() != static_cast<std::size_t>(image.nWidth) * image.nHeight * 4)
        Fail("texel bytes do not match the sides", image.nWidth, image.nHeight);
    if (image.eAlpha != ETextureAlpha::opaque && image.eAlpha != ETextureAlpha::cutout &&
        image.eAlpha != ETextureAlpha::partial)
        Fail("no alpha kind", image.nWidth, image.nHeight);
    // Scaling keeps an opaque picture opaque, so an opaque texture has no texel below 255.
    if (image.eAlpha == ETextureAlpha::opaque)
        for (std::size_t i = 3; i < image.aRGBA.size(); i += 4)
            if (image.aRGBA[i] != 255)
                Fail("an opaque texture with a transparent texel", image.nWidth, image.nHeight);
    return 0;
}
