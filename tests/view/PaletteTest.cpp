// The palette path: no X visual here ever asks for one, so these formats are made up.
#include "platform/PixelFormat.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>

namespace {

PIXELFORMATDESCRIPTOR Format(unsigned bits, unsigned r, unsigned rs, unsigned g, unsigned gs, unsigned b, unsigned bs,
                             std::uint32_t flags = PFD_NEED_PALETTE)
{
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = flags;
    pfd.cColorBits = static_cast<std::uint8_t>(bits);
    pfd.cRedBits = static_cast<std::uint8_t>(r);
    pfd.cRedShift = static_cast<std::uint8_t>(rs);
    pfd.cGreenBits = static_cast<std::uint8_t>(g);
    pfd.cGreenShift = static_cast<std::uint8_t>(gs);
    pfd.cBlueBits = static_cast<std::uint8_t>(b);
    pfd.cBlueShift = static_cast<std::uint8_t>(bs);
    return pfd;
}

// Value v of a k-bit field, spread evenly over 0..255.
int Ramp(unsigned v, unsigned k)
{
    return static_cast<int>(std::lround(v * 255.0 / ((1u << k) - 1)));
}

TEST(Palette, ThreeThreeTwoFormatGetsRampsAndTheSystemColours)
{
    const auto entries = BuildPaletteEntries(Format(8, 3, 0, 3, 3, 2, 6));
    ASSERT_EQ(entries.size(), 256u);
    const std::set<unsigned> system = {3, 24, 27, 64, 67, 88, 173, 181, 236, 247, 164, 91};
    for (unsigned i = 0; i < 256; ++i) {
        if (system.count(i))
            continue;
        EXPECT_EQ(entries[i].peRed, Ramp(i & 7, 3)) << i;
        EXPECT_EQ(entries[i].peGreen, Ramp((i >> 3) & 7, 3)) << i;
        EXPECT_EQ(entries[i].peBlue, Ramp((i >> 6) & 3, 2)) << i;
        EXPECT_EQ(entries[i].peFlags, 0) << i;
    }
    EXPECT_EQ(entries[255].peRed + entries[255].peGreen + entries[255].peBlue, 3 * 255);
    EXPECT_EQ(entries[3].peRed, 128);
    EXPECT_EQ(entries[3].peGreen + entries[3].peBlue, 0);
    EXPECT_EQ(entries[247].peRed, 255);
    EXPECT_EQ(entries[247].peGreen, 251);
    EXPECT_EQ(entries[247].peBlue, 240);
}

TEST(Palette, OnlyFormatsThatNeedOneGetOneAndOddFieldsAreBlack)
{
    EXPECT_TRUE(BuildPaletteEntries(Format(24, 8, 16, 8, 8, 8, 0, 0)).empty());
    EXPECT_TRUE(BuildPaletteEntries(Format(8, 3, 0, 3, 3, 2, 6, 0)).empty());

    // A 1-1-1 format has no system colours; 4-bit fields have no ramp at all.
    const auto tiny = BuildPaletteEntries(Format(3, 1, 0, 1, 1, 1, 2));
    ASSERT_EQ(tiny.size(), 8u);
    EXPECT_EQ(tiny[5].peRed, 255);
    EXPECT_EQ(tiny[5].peGreen, 0);
    EXPECT_EQ(tiny[5].peBlue, 255);
    for (const PALETTEENTRY& e : BuildPaletteEntries(Format(8, 4, 0, 4, 4, 0, 0)))
        EXPECT_EQ(e.peRed + e.peGreen + e.peBlue, 0);
}

} // namespace
