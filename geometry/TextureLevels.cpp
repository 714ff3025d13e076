#include "geometry/TextureLevels.h"

#include <algorithm>

namespace {

bool IsPowerOfTwo(int n) { return n > 0 && (n & (n - 1)) == 0; }

std::uint64_t RowBytes(const STextureImage& level) { return static_cast<std::uint64_t>(level.nWidth) * 4; }

} // namespace

std::uint64_t STextureLevels::Bytes() const
{
    std::uint64_t nBytes = 0;
    for (const STextureImage& level : aLevels)
        nBytes += level.aRGBA.size();
    return nBytes;
}

void STextureLevels::DropLargest()
{
    if (aLevels.size() > 1)
        aLevels.erase(aLevels.begin());
}

STextureImage HalfTextureImage(const STextureImage& level)
{
    STextureImage half;
    half.nWidth = level.nWidth > 1 ? level.nWidth / 2 : 1;
    half.nHeight = level.nHeight > 1 ? level.nHeight / 2 : 1;
    half.aRGBA.resize(static_cast<std::size_t>(half.nWidth) * half.nHeight * 4);
    const int nStepX = level.nWidth > 1 ? 1 : 0;
    const int nStepY = level.nHeight > 1 ? 1 : 0;
    const auto at = [&level](int x, int y, int c) {
        return static_cast<unsigned>(level.aRGBA[(static_cast<std::size_t>(y) * level.nWidth + x) * 4 + c]);
    };
    for (int y = 0; y < half.nHeight; ++y)
        for (int x = 0; x < half.nWidth; ++x) {
            const int x0 = x * (nStepX + 1), y0 = y * (nStepY + 1);
            for (int c = 0; c < 4; ++c) {
                const unsigned nSum = at(x0, y0, c) + at(x0 + nStepX, y0, c) + at(x0, y0 + nStepY, c) +
                                      at(x0 + nStepX, y0 + nStepY, c);
                half.aRGBA[(static_cast<std::size_t>(y) * half.nWidth + x) * 4 + c] =
                    static_cast<std::uint8_t>((nSum + 2) / 4);
            }
        }
    half.eAlpha = level.eAlpha;
    return half;
}

STextureLevels TextureLevels(STextureImage level0)
{
    STextureLevels levels;
    if (!IsPowerOfTwo(level0.nWidth) || !IsPowerOfTwo(level0.nHeight) ||
        level0.aRGBA.size() != static_cast<std::size_t>(level0.nWidth) * level0.nHeight * 4)
        return levels;
    int nCount = 1;
    for (int nSide = std::max(level0.nWidth, level0.nHeight); nSide > 1; nSide /= 2)
        ++nCount;
    levels.aLevels.reserve(static_cast<std::size_t>(nCount));
    levels.aLevels.push_back(std::move(level0));
    while (levels.aLevels.back().nWidth > 1 || levels.aLevels.back().nHeight > 1)
        levels.aLevels.push_back(HalfTextureImage(levels.aLevels.back()));
    return levels;
}

bool IsTextureChain(const STextureLevels& levels)
{
    if (levels.aLevels.empty())
        return false;
    const STextureImage& level0 = levels.aLevels.front();
    if (!IsPowerOfTwo(level0.nWidth) || !IsPowerOfTwo(level0.nHeight))
        return false;
    int nWidth = level0.nWidth, nHeight = level0.nHeight;
    for (std::size_t i = 0; i < levels.aLevels.size(); ++i) {
        const STextureImage& level = levels.aLevels[i];
        if (level.nWidth != nWidth || level.nHeight != nHeight ||
            level.aRGBA.size() != static_cast<std::size_t>(nWidth) * nHeight * 4)
            return false;
        if (nWidth == 1 && nHeight == 1)
            return i + 1 == levels.aLevels.size();
        nWidth = std::max(1, nWidth / 2);
        nHeight = std::max(1, nHeight / 2);
    }
    return false;  // stops before 1 x 1: GL would sample levels it was never given
}

std::vector<STextureSlice> NextTextureSlices(const STextureLevels& levels, STextureUploadCursor& cursor,
                                             std::uint64_t nMaxBytes)
{
    std::vector<STextureSlice> aSlices;
    while (cursor.nLevel < levels.aLevels.size()) {
        const STextureImage& level = levels.aLevels[cursor.nLevel];
        const std::uint64_t nRowBytes = RowBytes(level);
        const std::uint64_t nRowsLeft = static_cast<std::uint64_t>(level.nHeight - cursor.nRow);
        const std::uint64_t nRows = nRowBytes == 0 ? nRowsLeft : std::min(nRowsLeft, nMaxBytes / nRowBytes);
        if (nRows == 0)
            break;
        aSlices.push_back({cursor.nLevel, cursor.nRow, static_cast<int>(nRows)});
        nMaxBytes -= nRows * nRowBytes;
        cursor.nRow += static_cast<int>(nRows);
        if (cursor.nRow == level.nHeight) {
            ++cursor.nLevel;
            cursor.nRow = 0;
        }
    }
    return aSlices;
}
