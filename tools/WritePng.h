#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB pixels, top row first, as a PNG file. False, with the reason in
// strError, when the file cannot be written; a half-written file is removed.
bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError);
