#include "WritePng.h"

#include <png.h>

#include <cerrno>
#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

// libpng reports errors by longjmp, so everything the jump crosses is plain data: the
// caller owns the file and the message buffer.
bool WriteRows(std::FILE* pFile, int cx, int cy, const std::uint8_t* pRgb, char (&szError)[256])
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
    png_init_io(png, pFile);
    // Flat backgrounds and few colours: fast compression loses little here and keeps a
    // thumbnail's time in the drawing, not in zlib.
    png_set_compression_level(png, 3);
    png_set_IHDR(png, info, static_cast<png_uint_32>(cx), static_cast<png_uint_32>(cy), 8, PNG_COLOR_TYPE_RGB,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    const std::size_t nRow = static_cast<std::size_t>(cx) * 3;
    for (int y = 0; y < cy; ++y)
        png_write_row(png, pRgb + static_cast<std::size_t>(y) * nRow);
    png_write_end(png, nullptr);
    png_destroy_write_struct(&png, &info);
    return true;
}

} // namespace

bool WritePng(const std::string& strPath, int cx, int cy, const std::vector<std::uint8_t>& rgb, std::string& strError,
              EPngWrite eWrite)
{
    if (cx < 1 || cy < 1 || rgb.size() != static_cast<std::size_t>(cx) * static_cast<std::size_t>(cy) * 3) {
        strError = "no picture to write";
        return false;
    }
    // Where no file can be made in the folder, a picture to replace is written in place too.
    struct stat st {};
    const bool bDevice = ::stat(strPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
    std::string strTemp = strPath + ".XXXXXX";
    const int fd = bDevice || eWrite == EPngWrite::intoFile ? -1 : ::mkstemp(strTemp.data());
    std::FILE* pFile = nullptr;
    if (fd >= 0) {
        // mkstemp's 0600 would keep the picture from everyone else; give it what a new file gets.
        const mode_t nMask = ::umask(0);
        ::umask(nMask);
        pFile = ::fchmod(fd, 0666 & ~nMask) == 0 ? ::fdopen(fd, "wb") : nullptr;
        if (pFile == nullptr) {
            ::close(fd);
            ::unlink(strTemp.c_str());
        }
    }
    if (pFile == nullptr) {
        strTemp.clear();
        pFile = std::fopen(strPath.c_str(), "wb");
    }
    if (pFile == nullptr) {
        strError = std::strerror(errno);
        return false;
    }
    const std::string& strWritten = strTemp.empty() ? strPath : strTemp;
    char szError[256] = "cannot write the picture";
    bool bOk = WriteRows(pFile, cx, cy, rgb.data(), szError);
    if (std::fflush(pFile) != 0 || std::ferror(pFile)) {
        std::snprintf(szError, sizeof szError, "%s", std::strerror(errno));
        bOk = false;
    }
    if (std::fclose(pFile) != 0 && bOk) {
        std::snprintf(szError, sizeof szError, "%s", std::strerror(errno));
        bOk = false;
    }
    if (bOk && !strTemp.empty() && ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        std::snprintf(szError, sizeof szError, "%s", std::strerror(errno));
        bOk = false;
    }
    if (!bOk) {
        // Never what the path named before: a device or pipe, or the link to one.
        if (!bDevice)
            std::remove(strWritten.c_str());
        strError = szError;
    }
    return bOk;
}
