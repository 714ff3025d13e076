#pragma once

#include <cstdint>
#include <string>
#include <vector>

// 8-bit pixels of nChannels bytes each (3: RGB, 4: RGBA), top row first, as the bytes of a
// PNG file; empty, with the reason in strError, when there are no pixels or libpng fails.
std::vector<std::uint8_t> EncodePng(int cx, int cy, int nChannels, const std::uint8_t* pPixels, std::string& strError);

// Writes 8-bit RGB pixels, top row first, as a PNG file that replaces strPath whole where its
// folder takes a new file (ReplaceFile). False, with the reason in strError, when the file
// cannot be written; a half-written file is removed, and a device or pipe that strPath names
// is kept.
bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError);
