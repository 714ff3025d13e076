#pragma once

#include <array>
#include <string_view>

// The image files a model's textures may be: the lookup tries a missing name's stem with
// these extensions in this order, and the decoder hands downloaded bytes only to the Qt
// readers named here. Anything else Qt's plugins could read (TIFF, WebP, MNG, ICO, ...) is
// neither looked for nor decoded.
struct SImageFormat {
    std::string_view strExtension;  // lower case, without the dot
    std::string_view strReader;     // Qt's name of the reader that decodes it
};

inline constexpr std::array<SImageFormat, 6> IMAGE_FORMATS = {{
    {"png", "png"},
    {"tga", "tga"},
    {"jpg", "jpeg"},
    {"jpeg", "jpeg"},
    {"bmp", "bmp"},
    {"gif", "gif"},
}};
