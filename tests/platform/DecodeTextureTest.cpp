// Texture images decoded from untrusted bytes into what glTexImage2D takes.
#include "TextureImages.h"
#include "platform/DecodeBounds.h"
#include "platform/DecodeTexture.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <array>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

using Texel = std::array<int, 4>;

Texel At(const STextureImage& image, int x, int y)
{
    const std::size_t n = (static_cast<std::size_t>(y) * image.nWidth + x) * 4;
    return {image.aRGBA[n], image.aRGBA[n + 1], image.aRGBA[n + 2], image.aRGBA[n + 3]};
}

bool Near(const Texel& a, const Texel& b, int nTolerance)
{
    for (std::size_t i = 0; i < 4; ++i)
        if (std::abs(a[i] - b[i]) > nTolerance)
            return false;
    return true;
}

std::vector<std::uint8_t> Encode(const QImage& image, const char* pFormat)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(image.save(&buffer, pFormat)) << pFormat;
    return {bytes.begin(), bytes.end()};
}

// 4 x 4: the top half red, the bottom half blue, so the row order shows.
QImage RedOverBlue()
{
    QImage image(4, 4, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 255));
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x)
            image.setPixelColor(x, y, QColor(255, 0, 0));
    return image;
}

const Texel kRed = {255, 0, 0, 255}, kGreen = {0, 255, 0, 255}, kBlue = {0, 0, 255, 255};

TEST(DecodeTexture, EveryFormatGivesRgbaBottomRowFirst)
{
    for (const char* pFormat : {"png", "bmp", "jpg"}) {
        STextureImage image;
        ASSERT_EQ(DecodeTextureData(Encode(RedOverBlue(), pFormat), "", 1024, image), ETextureStatus::ok) << pFormat;
        ASSERT_EQ(image.nWidth, 4);
        ASSERT_EQ(image.nHeight, 4);
        ASSERT_EQ(image.aRGBA.size(), 64u);
        const int nTolerance = std::string(pFormat) == "jpg" ? 24 : 0;
        EXPECT_TRUE(Near(At(image, 1, 0), kBlue, nTolerance)) << pFormat;
        EXPECT_TRUE(Near(At(image, 2, 3), kRed, nTolerance)) << pFormat;
    }

    // Named as old files name them: the content decides, the extension only helps TGA.
    STextureImage image;
    ASSERT_EQ(DecodeTextureData(TinyTga(), "TGA", 1024, image), ETextureStatus::ok);
    ASSERT_EQ(image.nWidth, 2);
    EXPECT_EQ(At(image, 0, 0), kRed);
    EXPECT_EQ(At(image, 1, 0), kGreen);
    EXPECT_EQ(At(image, 0, 1), kBlue);

    ASSERT_EQ(DecodeTextureData(TinyGif(), "rgb", 1024, image), ETextureStatus::ok);
    ASSERT_EQ(image.nWidth, 2);
    ASSERT_EQ(image.nHeight, 1);
    EXPECT_EQ(At(image, 0, 0), kRed);
    EXPECT_EQ(At(image, 1, 0), kBlue);

    CTempTree tree;
    const std::string strPath = tree.Write("maps/wall.tga", TinyTga());
    ASSERT_EQ(DecodeTextureFile(strPath, 1024, image), ETextureStatus::ok);
    EXPECT_EQ(At(image, 1, 0), kGreen);
    EXPECT_EQ(DecodeTextureFile(tree.Path("maps/none.tga"), 1024, image), ETextureStatus::unreadable);
}

TEST(DecodeTexture, ScalesToPowersOfTwoWithinTheMaximumSide)
{
    QImage odd(3, 5, QImage::Format_RGB32);
    odd.fill(QColor(0, 255, 0));
    STextureImage image;
    ASSERT_EQ(DecodeTextureData(Encode(odd, "png"), "", 1024, image), ETextureStatus::ok);
    EXPECT_EQ(image.nWidth, 4);
    EXPECT_EQ(image.nHeight, 4);
    EXPECT_EQ(At(image, 3, 3), kGreen);

    QImage wide(300, 20, QImage::Format_RGB32);
    wide.fill(QColor(0, 255, 0));
    ASSERT_EQ(DecodeTextureData(Encode(wide, "png"), "", 100, image), ETextureStatus::ok);
    EXPECT_EQ(image.nWidth, 64);  // 256 nearest, 100 allowed, so the power of two below
    EXPECT_EQ(image.nHeight, 16);
    EXPECT_EQ(image.aRGBA.size(), 64u * 16u * 4u);
}

TEST(DecodeTexture, RefusesBrokenForeignAndOversizedImages)
{
    STextureImage image;
    const std::vector<std::uint8_t> aPng = Encode(RedOverBlue(), "png");
    const std::vector<std::uint8_t> aGarbage(200, 0x5A);
    const std::vector<std::uint8_t> aCut(aPng.begin(), aPng.begin() + 40);
    std::vector<std::uint8_t> aBadTga = TinyTga();
    aBadTga.resize(20);  // header promises four texels, two bytes follow
    for (const std::vector<std::uint8_t>* pBytes : std::initializer_list<const std::vector<std::uint8_t>*>{&aGarbage, &aCut, &aBadTga}) {
        EXPECT_EQ(DecodeTextureData(*pBytes, "tga", 1024, image), ETextureStatus::malformed);
        EXPECT_TRUE(image.aRGBA.empty());
    }
    EXPECT_EQ(DecodeTextureData({}, "png", 1024, image), ETextureStatus::malformed);
    // Readable by Qt's plugins but not a texture format we take from a download.
    EXPECT_EQ(DecodeTextureData(Encode(RedOverBlue(), "ppm"), "ppm", 1024, image), ETextureStatus::malformed);

    // A BMP header claiming 8192 x 4096 pixels: past the pixel bound before any is read.
    std::vector<std::uint8_t> aHuge = Encode(RedOverBlue(), "bmp");
    const std::int32_t nWidth = 8192, nHeight = 4096;
    std::memcpy(aHuge.data() + 18, &nWidth, 4);
    std::memcpy(aHuge.data() + 22, &nHeight, 4);
    EXPECT_EQ(DecodeTextureData(aHuge, "bmp", 1024, image), ETextureStatus::tooLarge);
    const std::int32_t nTooWide = 20000, nLow = 2;
    std::memcpy(aHuge.data() + 18, &nTooWide, 4);
    std::memcpy(aHuge.data() + 22, &nLow, 4);
    EXPECT_EQ(DecodeTextureData(aHuge, "bmp", 1024, image), ETextureStatus::tooLarge);
}

// A TGA header of the given type and sides, 24 bits a pixel, then nDataBytes of zeros and the
// TGA 2.0 footer.
std::vector<std::uint8_t> TgaHeader(std::uint8_t nType, int nWidth, int nHeight, std::size_t nDataBytes)
{
    std::vector<std::uint8_t> a = {0, 0, nType, 0, 0, 0, 0, 0, 0, 0, 0, 0,
                                   static_cast<std::uint8_t>(nWidth), static_cast<std::uint8_t>(nWidth >> 8),
                                   static_cast<std::uint8_t>(nHeight), static_cast<std::uint8_t>(nHeight >> 8), 24, 0};
    a.insert(a.end(), nDataBytes, 0);
    const std::vector<std::uint8_t> aTiny = TinyTga();
    a.insert(a.end(), aTiny.end() - 26, aTiny.end());
    return a;
}

TEST(DecodeTexture, HeadersPromisingMorePixelsThanTheFileHoldsAreRefusedBeforeDecoding)
{
    // 46 bytes declaring 8962 x 254 pixels: Qt's reader spent 40 s on it before it failed.
    const std::vector<std::uint8_t> aFortySix = TgaHeader(2, 8962, 254, 2);
    ASSERT_EQ(aFortySix.size(), 46u);
    EXPECT_FALSE(PixelsFitInFile("tga", aFortySix, 0, 0));
    STextureImage image;
    EXPECT_EQ(DecodeTextureData(aFortySix, "tga", 4096, image), ETextureStatus::malformed);
    EXPECT_TRUE(image.aRGBA.empty());

    // Stored pixels need their bytes, no more.
    EXPECT_TRUE(PixelsFitInFile("tga", TgaHeader(2, 4, 2, 24), 0, 0));
    EXPECT_FALSE(PixelsFitInFile("tga", TgaHeader(2, 4, 2, 23), 0, 0));
    // Run-length packets of four bytes give at most 128 pixels each.
    EXPECT_TRUE(PixelsFitInFile("tga", TgaHeader(10, 256, 1, 8), 0, 0));
    EXPECT_FALSE(PixelsFitInFile("tga", TgaHeader(10, 257, 1, 8), 0, 0));
    // A bitmap cut short of its rows: Qt would decode the rows that are there and leave
    // the rest blank.
    std::vector<std::uint8_t> aBmp = Encode(RedOverBlue(), "bmp");
    EXPECT_TRUE(PixelsFitInFile("bmp", aBmp, 0, 0));
    aBmp.resize(aBmp.size() - 4);
    EXPECT_FALSE(PixelsFitInFile("bmp", aBmp, 0, 0));
    EXPECT_EQ(DecodeTextureData(aBmp, "", 1024, image), ETextureStatus::malformed);

    // The compressed formats by their largest expansion, on the sides the reader reports.
    const std::vector<std::uint8_t> aPng = Encode(RedOverBlue(), "png"), aJpeg = Encode(RedOverBlue(), "jpg");
    const std::int64_t nPngRows = static_cast<std::int64_t>(aPng.size()) * 1032 / (1 + 4 * 3);
    EXPECT_TRUE(PixelsFitInFile("png", aPng, 4, nPngRows));
    EXPECT_FALSE(PixelsFitInFile("png", aPng, 4, nPngRows + 1));
    EXPECT_FALSE(PixelsFitInFile("png", aPng, 0, 0) && PixelsFitInFile("png", aPng, 4000, 4000));
    EXPECT_TRUE(PixelsFitInFile("jpeg", aJpeg, 1024, static_cast<std::int64_t>(aJpeg.size())));
    EXPECT_FALSE(PixelsFitInFile("jpeg", aJpeg, 1024, static_cast<std::int64_t>(aJpeg.size()) + 1));
    const std::vector<std::uint8_t> aGif = TinyGif();
    EXPECT_TRUE(PixelsFitInFile("gif", aGif, 2, 1));
    EXPECT_FALSE(PixelsFitInFile("gif", aGif, 2731, static_cast<std::int64_t>(aGif.size())));
}

TEST(DecodeTexture, FlatPicturesCompressedAsFarAsTheirFormatsGoStillDecode)
{
    // A uniform picture is the best case of every encoder; the bounds must not refuse it.
    QImage flat(1024, 1024, QImage::Format_RGB32);
    flat.fill(QColor(0, 255, 0));
    for (const char* pFormat : {"png", "jpg", "bmp"}) {
        const std::vector<std::uint8_t> aBytes = Encode(flat, pFormat);
        STextureImage image;
        EXPECT_EQ(DecodeTextureData(aBytes, "", 4096, image), ETextureStatus::ok) << pFormat << " " << aBytes.size();
    }
    QImage grey(2048, 2048, QImage::Format_Grayscale8);
    grey.fill(0);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.setCompression(9);
    ASSERT_TRUE(writer.write(grey));
    const std::vector<std::uint8_t> aPng(bytes.begin(), bytes.end());
    EXPECT_TRUE(PixelsFitInFile("png", aPng, 2048, 2048)) << aPng.size();
}

TEST(DecodeTexture, AlphaIsOpaqueCutOutOrPartialAsThePictureHasIt)
{
    const auto alphaOf = [](const QImage& picture, const char* pFormat) {
        STextureImage image;
        EXPECT_EQ(DecodeTextureData(Encode(picture, pFormat), "", 1024, image), ETextureStatus::ok);
        return image.eAlpha;
    };
    QImage rgba(3, 5, QImage::Format_ARGB32);
    rgba.fill(QColor(255, 0, 0, 255));
    EXPECT_EQ(alphaOf(rgba, "png"), ETextureAlpha::opaque);
    EXPECT_EQ(alphaOf(RedOverBlue(), "jpg"), ETextureAlpha::opaque);
    // Scaled to 4 x 4, the hole's edges blend, yet the texture stays a cut-out.
    rgba.setPixelColor(1, 2, QColor(0, 0, 0, 0));
    EXPECT_EQ(alphaOf(rgba, "png"), ETextureAlpha::cutout);
    rgba.setPixelColor(2, 4, QColor(0, 0, 255, 254));
    EXPECT_EQ(alphaOf(rgba, "png"), ETextureAlpha::partial);
    rgba.fill(QColor(255, 0, 0, 1));
    EXPECT_EQ(alphaOf(rgba, "png"), ETextureAlpha::partial);
}

} // namespace
