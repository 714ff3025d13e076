// Texture images decoded from untrusted bytes into what glTexImage2D takes.
#include "TextureImages.h"
#include "platform/DecodeTexture.h"

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>

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

} // namespace
