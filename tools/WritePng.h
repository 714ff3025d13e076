#pragma once

#include <cstdint>
#include <string>
#include <vector>

// Writes 8-bit RGB pixels, top row first, as a PNG file that replaces strPath whole where its
// folder takes a new file. False, with the reason in strError, when the file cannot be
// written; a half-written file is removed, and a device or pipe that strPath names is kept.
bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError);
