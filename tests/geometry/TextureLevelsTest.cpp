// A texture's mipmap chain as the decoding worker makes it, and how its upload is cut into
// slices of bounded size, without a context.
#include "geometry/TextureLevels.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace {

STextureImage Noise(int nWidth, int nHeight, unsigned nSeed)
{
    STextureImage image{nWidth, nHeight, std::vector<std::uint8_t>(static_cast<std::size_t>(nWidth) * nHeight * 4)};
    for (std::uint8_t& n : image.aRGBA) {
        nSeed = nSeed * 1103515245u + 12345u;
        n = static_cast<std::uint8_t>(nSeed >> 16);
    }
    image.eAlpha = ETextureAlpha::partial;
    return image;
}

// The chain as the upload made it on the GUI thread before: each level the rounded mean of
// the 2 x 2 texels below it, or of 2 x 1 once a side is 1.
std::vector<std::uint8_t> HalfByHand(const std::vector<std::uint8_t>& a, int nWidth, int nHeight)
{
    const int nHalfW = nWidth > 1 ? nWidth / 2 : 1, nHalfH = nHeight > 1 ? nHeight / 2 : 1;
    std::vector<std::uint8_t> half;
    for (int y = 0; y < nHalfH; ++y)
        for (int x = 0; x < nHalfW; ++x)
            for (int c = 0; c < 4; ++c) {
                unsigned nSum = 0, nCount = 0;
                for (int dy = 0; dy < (nHeight > 1 ? 2 : 1); ++dy)
                    for (int dx = 0; dx < (nWidth > 1 ? 2 : 1); ++dx, ++nCount)
                        nSum += a[((static_cast<std::size_t>(y) * (nHeight > 1 ? 2 : 1) + dy) * nWidth +
                                   x * (nWidth > 1 ? 2 : 1) + dx) * 4 + c];
                half.push_back(static_cast<std::uint8_t>((nSum * (4 / nCount) + 2) / 4));
            }
    return half;
}

TEST(TextureLevels, EveryLevelDownToOneTexelIsTheMeanOfTheOneBelow)
{
    for (const auto& [nWidth, nHeight] : {std::pair{16, 4}, std::pair{2, 32}, std::pair{8, 8}, std::pair{1, 1}}) {
        SCOPED_TRACE(testing::Message() << nWidth << " x " << nHeight);
        const STextureImage image = Noise(nWidth, nHeight, static_cast<unsigned>(nWidth * 100 + nHeight));
        const STextureLevels levels = TextureLevels(image);
        ASSERT_TRUE(IsTextureChain(levels));
        EXPECT_EQ(levels.aLevels.front().aRGBA, image.aRGBA);
        std::vector<std::uint8_t> expected = image.aRGBA;
        int w = nWidth, h = nHeight;
        std::uint64_t nBytes = expected.size();
        for (std::size_t i = 1; i < levels.aLevels.size(); ++i) {
            expected = HalfByHand(expected, w, h);
            w = w > 1 ? w / 2 : 1;
            h = h > 1 ? h / 2 : 1;
            nBytes += expected.size();
            EXPECT_EQ(levels.aLevels[i].nWidth, w) << i;
            EXPECT_EQ(levels.aLevels[i].nHeight, h) << i;
            EXPECT_EQ(levels.aLevels[i].aRGBA, expected) << "level " << i;
            EXPECT_EQ(levels.aLevels[i].eAlpha, ETextureAlpha::partial);
        }
        EXPECT_EQ(w * h, 1);
        EXPECT_EQ(levels.Bytes(), nBytes);
    }

    // Halving drops level 0 and keeps the rest as made.
    STextureLevels levels = TextureLevels(Noise(4, 4, 9));
    const STextureImage level1 = levels.aLevels[1];
    levels.DropLargest();
    EXPECT_EQ(levels.aLevels.size(), 2u);
    EXPECT_EQ(levels.aLevels.front().aRGBA, level1.aRGBA);
    EXPECT_TRUE(IsTextureChain(levels));

    // What the upload must refuse has no chain.
    EXPECT_TRUE(TextureLevels(STextureImage{3, 2, std::vector<std::uint8_t>(24)}).aLevels.empty());
    EXPECT_TRUE(TextureLevels(STextureImage{2, 2, std::vector<std::uint8_t>(15)}).aLevels.empty());
    EXPECT_TRUE(TextureLevels(STextureImage{}).aLevels.empty());
    STextureLevels cut = TextureLevels(Noise(4, 4, 1));
    cut.aLevels.pop_back();
    EXPECT_FALSE(IsTextureChain(cut));
    STextureLevels torn = TextureLevels(Noise(4, 4, 1));
    torn.aLevels[1].aRGBA.pop_back();
    EXPECT_FALSE(IsTextureChain(torn));
}

TEST(TextureLevels, SlicesCoverEveryRowOnceInOrderAndNeverExceedTheirBound)
{
    for (const auto& [nWidth, nHeight] : {std::pair{64, 64}, std::pair{256, 4}, std::pair{4, 256}, std::pair{1, 1}}) {
        const STextureLevels levels = TextureLevels(Noise(nWidth, nHeight, 3));
        const std::uint64_t nRow0 = static_cast<std::uint64_t>(nWidth) * 4;
        for (const std::uint64_t nBound : {nRow0, nRow0 * 3 + 5, std::uint64_t{5000}, std::uint64_t{1} << 40}) {
            SCOPED_TRACE(testing::Message() << nWidth << " x " << nHeight << " by " << nBound);
            STextureUploadCursor cursor;
            STextureSlice next;  // where the rows so far end
            std::uint64_t nTotal = 0;
            int nCalls = 0;
            while (cursor.nLevel < levels.aLevels.size() && nCalls < 100000) {
                ++nCalls;
                std::uint64_t nBytes = 0;
                const std::vector<STextureSlice> aSlices = NextTextureSlices(levels, cursor, nBound);
                ASSERT_FALSE(aSlices.empty()) << "a bound of one widest row always gets on";
                for (const STextureSlice& slice : aSlices) {
                    EXPECT_EQ(slice.nLevel, next.nLevel);
                    EXPECT_EQ(slice.nFirstRow, next.nFirstRow);
                    ASSERT_GT(slice.nRows, 0);
                    const STextureImage& level = levels.aLevels[slice.nLevel];
                    nBytes += static_cast<std::uint64_t>(level.nWidth) * 4 * static_cast<std::uint64_t>(slice.nRows);
                    next = {slice.nLevel, slice.nFirstRow + slice.nRows, 0};
                    ASSERT_LE(next.nFirstRow, level.nHeight);
                    if (next.nFirstRow == level.nHeight)
                        next = {slice.nLevel + 1, 0, 0};
                }
                EXPECT_LE(nBytes, nBound);
                nTotal += nBytes;
            }
            EXPECT_EQ(next.nLevel, levels.aLevels.size());
            EXPECT_EQ(nTotal, levels.Bytes());
            EXPECT_TRUE(NextTextureSlices(levels, cursor, nBound).empty());
        }
    }

    // Less than the next row: nothing now, and the cursor stays for the next frame.
    const STextureLevels levels = TextureLevels(Noise(64, 64, 3));
    STextureUploadCursor cursor;
    EXPECT_EQ(NextTextureSlices(levels, cursor, 600).size(), 1u);  // two rows of 256 bytes
    EXPECT_EQ(cursor.nRow, 2);
    EXPECT_TRUE(NextTextureSlices(levels, cursor, 255).empty());
    EXPECT_EQ(cursor.nLevel, 0u);
    EXPECT_EQ(cursor.nRow, 2);
}

} // namespace
