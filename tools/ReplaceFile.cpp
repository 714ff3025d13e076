#include "ReplaceFile.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

bool ReplaceFile(const std::string& strPath, std::span<const std::uint8_t> aBytes, std::string& strError,
                 bool bIntoFile)
{
    return ReplaceFile(strPath, std::span<const std::span<const std::uint8_t>>(&aBytes, 1), strError, bIntoFile);
}

bool ReplaceFile(const std::string& strPath, std::span<const std::span<const std::uint8_t>> aPieces,
                 std::string& strError, bool bIntoFile)
{
    struct stat st {};
    const bool bDevice = ::stat(strPath.c_str(), &st) == 0 && !S_ISREG(st.st_mode);
    std::string strTemp = strPath + ".XXXXXX";
    const int fd = bDevice || bIntoFile ? -1 : ::mkstemp(strTemp.data());
    std::FILE* pFile = nullptr;
    if (fd >= 0) {
        // mkstemp's 0600 would keep the file from everyone else; give it what a new file gets.
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
    bool bOk = true;
    for (const std::span<const std::uint8_t> piece : aPieces)
        bOk = bOk && (piece.empty() || std::fwrite(piece.data(), 1, piece.size(), pFile) == piece.size());
    if (std::fflush(pFile) != 0 || std::ferror(pFile))
        bOk = false;
    if (!bOk)
        strError = errno ? std::strerror(errno) : "cannot write the file";
    if (std::fclose(pFile) != 0 && bOk) {
        strError = std::strerror(errno);
        bOk = false;
    }
    if (bOk && !strTemp.empty() && ::rename(strTemp.c_str(), strPath.c_str()) != 0) {
        strError = std::strerror(errno);
        bOk = false;
    }
    // Never what the path named before: a device or pipe, or the link to one.
    if (!bOk && !bDevice)
        std::remove(strWritten.c_str());
    return bOk;
}
