#include "WritePng.h"

#include "ReplaceFile.h"

#include <png.h>

#include <csetjmp>
#include <cstdio>

namespace {

// libpng reports errors by longjmp, so everything the jump crosses is plain data: the
// caller owns the output and the message buffer.
bool WriteRows(std::vector<std::uint8_t>& aOut, int cx, int cy, int nChannels, const std::uint8_t* pPixels,
               char (&szError)[256])
{
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, szError,
        [](png_structp p, png_const_charp pszMessage) {
            auto* psz = static_cast<char*>(png_get_error_ptr(p));
            std::snprintf(psz, 256, "%s", pszMessage);
            png_longjmp(p, 1);
        },
        [](png_structp, png_const_charp) {});
    if (png == nullptr)
        return false;
    png_infop info = png_create_info_struct(png);
    if (info == nullptr || setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        return false;
    }
    png_set_write_fn(
        png, &aOut,
        [](png_structp p, png_bytep pData, png_size_t n) {
            auto* pOut = static_cast<std::vector<std::uint8_t>*>(png_get_io_ptr(p));
            pOut->insert(pOut->end(), pData, pData + n);
        },
        [](png_structp) {});
    // Flat backgrounds and few colours: fast compression loses little here and keeps a
    // thumbnail's time in the drawing, not in zlib.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(cx), static_cast<png_uint_32>(cy), 8,
                 nChannels == 4 ? PNG_COLOR_TYPE_RGB_ALPHA : PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t nRow = static_cast<std::size_t>(cx) * static_cast<std::size_t>(nChannels);
    for (int y = 0; y < cy; ++y)
        png_write_row(png, pPixels + static_cast<std::size_t>(y) * nRow);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

std::vector<std::uint8_t> EncodePng(int cx, int cy, int nChannels, const std::uint8_t* pPixels, std::string& strError)
{
    std::vector<std::uint8_t> aOut;
    if (cx < 1 || cy < 1 || (nChannels != 3 && nChannels != 4) || pPixels == nullptr) {
        strError = "no picture to write";
        return aOut;
    }
    char szError[256] = "cannot encode the picture";
    if (!WriteRows(aOut, cx, cy, nChannels, pPixels, szError)) {
        strError = szError;
        aOut.clear();
    }
    return aOut;
}

bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError,
              EPngWrite eWrite)
{
    if (cx < 1 || cy < 1 || rgb.size() != static_cast<std::size_t>(cx) * static_cast<std::size_t>(cy) * 3) {
        strError = "no picture to write";
        return false;
    }
    const std::vector<std::uint8_t> aPng = EncodePng(cx, cy, 3, rgb.data(), strError);
    return !aPng.empty() && ReplaceFile(strPath, aPng, strError, eWrite == EPngWrite::intoFile);
}
