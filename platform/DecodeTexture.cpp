#include "platform/DecodeTexture.h"

#include "platform/AsciiLower.h"
#include "platform/CFile.h"
#include "platform/DecodeBounds.h"
#include "platform/ImageFormats.h"

#include <QBuffer>
#include <QByteArray>
#include <QImage>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <new>

namespace {

bool IsAllowed(std::string_view strReader)
{
    return std::any_of(IMAGE_FORMATS.begin(), IMAGE_FORMATS.end(),
                       [&](const SImageFormat& format) { return format.strReader == strReader; });
}

// What the picture's alpha asks of drawing, told from the picture as the file has it: a
// cut-out scaled smoothly to power-of-two sides gains in-between alpha along its edges,
// which the alpha test then cuts at one half as it should, and which must not make it a
// blended texture. One pass, ended at the first texel in between.
ETextureAlpha AlphaOf(const QImage& rgba)
{
    ETextureAlpha eAlpha = ETextureAlpha::opaque;
    for (int y = 0; y < rgba.height(); ++y) {
        const std::uint8_t* pTexel = rgba.constScanLine(y);
        for (int x = 0; x < rgba.width(); ++x, pTexel += 4) {
            const std::uint8_t nAlpha = pTexel[3];
            if (nAlpha == 255)
                continue;
            if (nAlpha != 0)
                return ETextureAlpha::partial;
            eAlpha = ETextureAlpha::cutout;
        }
    }
    return eAlpha;
}

int AllocationLimitMiB() { return static_cast<int>((DECODE_TEXTURE_MAX_PIXELS * 4) >> 20); }

// The power of two nearest to n (ties go up), for n >= 1.
int NearestPowerOfTwo(int n)
{
    int nPower = 1;
    while (nPower < n && nPower < (1 << 30))
        nPower <<= 1;
    const int nBelow = nPower > 1 ? nPower >> 1 : 1;
    return n - nBelow < nPower - n ? nBelow : nPower;
}

} // namespace

namespace {

ETextureStatus Decode(std::span<const std::uint8_t> aData, std::string_view strFormatHint, int nMaxSide,
                      STextureImage& image)
{
    if (aData.size() > DECODE_TEXTURE_MAX_FILE_BYTES)
        return ETextureStatus::tooLarge;
    nMaxSide = std::clamp(nMaxSide, 1, DECODE_TEXTURE_MAX_SIDE);

    // The buffer only reads, so it may wrap the caller's bytes without a copy.
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(aData.data()),
                                                     static_cast<qsizetype>(aData.size()));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return ETextureStatus::malformed;
    // Content first: a .tga that is really a PNG (it happens) still decodes, and a file
    // named .png cannot steer its bytes into another reader. Only TGA, which has no
    // signature, falls back on the hint: its first bytes may even pass for an ICO or CUR
    // header, which we do not read.
    QImageReader reader(&buffer);
    reader.setDecideFormatFromContent(true);
    std::string strFormat = reader.format().toLower().toStdString();
    if (!IsAllowed(strFormat) && AsciiLower(strFormatHint) == "tga") {
        buffer.seek(0);
        reader.setDevice(&buffer);
        reader.setDecideFormatFromContent(false);
        reader.setFormat("tga");
        strFormat = "tga";
    }
    if (!IsAllowed(strFormat))
        return ETextureStatus::malformed;
    reader.setAllocationLimit(AllocationLimitMiB());

    const QSize size = reader.size();
    if (size.isValid()) {
        if (size.width() < 1 || size.height() < 1)
            return ETextureStatus::malformed;
        if (size.width() > DECODE_TEXTURE_MAX_SIDE || size.height() > DECODE_TEXTURE_MAX_SIDE ||
            static_cast<std::int64_t>(size.width()) * size.height() > DECODE_TEXTURE_MAX_PIXELS)
            return ETextureStatus::tooLarge;
    }
    if (!PixelsFitInFile(strFormat, aData, size.isValid() ? size.width() : 0, size.isValid() ? size.height() : 0))
        return ETextureStatus::malformed;
    QImage picture;
    if (!reader.read(&picture) || picture.isNull())
        return ETextureStatus::malformed;
    // A reader that could not tell its size beforehand is held to the same bounds after.
    if (picture.width() > DECODE_TEXTURE_MAX_SIDE || picture.height() > DECODE_TEXTURE_MAX_SIDE ||
        static_cast<std::int64_t>(picture.width()) * picture.height() > DECODE_TEXTURE_MAX_PIXELS)
        return ETextureStatus::tooLarge;

    int nWidth = std::min(NearestPowerOfTwo(picture.width()), nMaxSide);
    int nHeight = std::min(NearestPowerOfTwo(picture.height()), nMaxSide);
    // nMaxSide need not be a power of two; GL wants one.
    while (nWidth & (nWidth - 1))
        nWidth &= nWidth - 1;
    while (nHeight & (nHeight - 1))
        nHeight &= nHeight - 1;
    while (static_cast<std::int64_t>(nWidth) * nHeight > DECODE_TEXTURE_MAX_PIXELS)
        (nWidth >= nHeight ? nWidth : nHeight) >>= 1;

    const bool bHasAlpha = picture.hasAlphaChannel();
    QImage rgba = picture.convertToFormat(QImage::Format_RGBA8888);
    picture = QImage();
    if (rgba.isNull())
        return ETextureStatus::tooLarge;
    const ETextureAlpha eAlpha = bHasAlpha ? AlphaOf(rgba) : ETextureAlpha::opaque;
    if (rgba.width() != nWidth || rgba.height() != nHeight)
        rgba = rgba.scaled(nWidth, nHeight, Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
    if (rgba.isNull() || rgba.format() != QImage::Format_RGBA8888 || rgba.width() != nWidth ||
        rgba.height() != nHeight)
        return ETextureStatus::tooLarge;  // Qt could not allocate the converted picture

    const std::size_t nRowBytes = static_cast<std::size_t>(nWidth) * 4;
    image.aRGBA.resize(nRowBytes * static_cast<std::size_t>(nHeight));
    for (int y = 0; y < nHeight; ++y)
        std::memcpy(image.aRGBA.data() + nRowBytes * static_cast<std::size_t>(nHeight - 1 - y),
                    rgba.constScanLine(y), nRowBytes);
    image.nWidth = nWidth;
    image.nHeight = nHeight;
    image.eAlpha = eAlpha;
    return ETextureStatus::ok;
}

} // namespace

ETextureStatus DecodeTextureData(std::span<const std::uint8_t> aData, std::string_view strFormatHint,
                                 int nMaxSide, STextureImage& image)
{
    image = {};
    // Qt's readers report failures, but our own buffers can still fail to allocate.
    try {
        const ETextureStatus eStatus = Decode(aData, strFormatHint, nMaxSide, image);
        if (eStatus != ETextureStatus::ok)
            image = {};
        return eStatus;
    } catch (const std::bad_alloc&) {
        image = {};
        return ETextureStatus::tooLarge;
    } catch (...) {
        image = {};
        return ETextureStatus::malformed;
    }
}

ETextureStatus DecodeTextureFile(const std::string& strPath, int nMaxSide, STextureImage& image)
{
    image = {};
    std::vector<std::uint8_t> aData;
    try {
        CFile file;
        if (!file.Open(strPath, CFile::modeRead | CFile::typeBinary))
            return ETextureStatus::unreadable;
        const std::uint64_t nLength = file.GetLength();
        if (nLength > DECODE_TEXTURE_MAX_FILE_BYTES)
            return ETextureStatus::tooLarge;
        aData.resize(static_cast<std::size_t>(nLength));
        if (file.Read(aData.data(), aData.size()) != aData.size())
            return ETextureStatus::unreadable;
    } catch (const std::bad_alloc&) {
        return ETextureStatus::tooLarge;  // no room for the file's bytes
    } catch (...) {
        return ETextureStatus::unreadable;  // CFileException, or anything else the read met
    }
    const std::size_t nDot = strPath.rfind('.');
    const std::size_t nSlash = strPath.rfind('/');
    std::string_view strExtension;
    if (nDot != std::string::npos && (nSlash == std::string::npos || nDot > nSlash))
        strExtension = std::string_view(strPath).substr(nDot + 1);
    return DecodeTextureData(aData, strExtension, nMaxSide, image);
}
