#pragma once

#include <cstdint>
#include <string>
#include <vector>

// How a picture reaches the file it is written to.
enum class EPngWrite {
    // Written beside it and renamed over it (ReplaceFile), so a reader that opens the file by
    // name, or a second process drawing a model of the same name, sees the old picture or the
    // new one whole, never a mix.
    replace,
    // Written into the file itself: opened, truncated, written and flushed. For a caller that
    // made the file and reads the picture through the descriptor it keeps open (XFCE's
    // tumbler does), which a rename would leave pointing at the empty file it made.
    intoFile,
};

// 8-bit pixels of nChannels bytes each (3: RGB, 4: RGBA), top row first, as the bytes of a
// PNG file; empty, with the reason in strError, when there are no pixels or libpng fails.
std::vector<std::uint8_t> EncodePng(int cx, int cy, int nChannels, const std::uint8_t* pPixels, std::string& strError);

// Writes 8-bit RGB pixels, top row first, as a PNG file. A path that names no regular file (a
// device, a pipe) is always written in place. False, with the reason in strError, when the
// file cannot be written; a half-written regular file is removed, and a device or pipe that
// strPath names is kept.
bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError,
              EPngWrite eWrite = EPngWrite::replace);
