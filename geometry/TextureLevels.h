#pragma once

#include "platform/STextureImage.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// A texture's mipmap chain, made on the CPU because OpenGL 1.1 has no mipmap generation and
// this layer has no GLU. It is pure work on texels, so the viewer makes it on the worker
// that decoded the picture and the GUI thread only copies it into GL.
struct STextureLevels {
    std::vector<STextureImage> aLevels;  // level 0 first, each half the one before, down to 1 x 1

    // The texels held, every level counted: 4/3 of level 0 for a square.
    std::uint64_t Bytes() const;
    // Level 0 goes, so level 1 takes its place: the texture drawn at half its sides, as
    // cheap as dropping a pointer since that level was made already.
    void DropLargest();
};

// The chain of level0 (its sides powers of two, its texels as many as they say); no levels
// when level0 is not such an image, which the upload then refuses.
STextureLevels TextureLevels(STextureImage level0);

// The next mipmap level of image: each texel the mean of the two or four below it.
STextureImage HalfTextureImage(const STextureImage& image);

// Whether levels is a whole chain as TextureLevels makes it: what GL is handed must hold
// every row it is told to read.
bool IsTextureChain(const STextureLevels& levels);

// How far a texture's upload has got: the next row to copy, of the next level.
struct STextureUploadCursor {
    std::size_t nLevel = 0;
    int nRow = 0;
};

// Rows nFirstRow to nFirstRow + nRows - 1 of level nLevel, copied into GL in one call.
struct STextureSlice {
    std::size_t nLevel = 0;
    int nFirstRow = 0;
    int nRows = 0;
};

// The next slices of a chain's upload from cursor, whole rows, at most nMaxBytes of texels
// in all, and moves the cursor past them. Fewer bytes when the chain ends or the next row
// does not fit; nothing when even one row does not. The cursor is at aLevels.size() once
// every row of every level is in a slice.
std::vector<STextureSlice> NextTextureSlices(const STextureLevels& levels, STextureUploadCursor& cursor,
                                             std::uint64_t nMaxBytes);
