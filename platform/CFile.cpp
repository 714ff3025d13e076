#include "CFile.h"

#include "CFileException.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

CFileException::CFileException(int nErrno, std::string strFileName)
    : std::runtime_error(strFileName + ": " + std::strerror(nErrno)),
      m_nErrno(nErrno), m_strFileName(std::move(strFileName))
{
}

CFile::~CFile()
{
    Close();
}

bool CFile::Open(const std::string& strPath, unsigned /*nOpenFlags*/)
{
    Close();
    // O_NONBLOCK keeps a named pipe without a writer from hanging the open; only regular
    // files are models, so anything else is refused before a read could block.
    int h = ::open(strPath.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (h < 0) {
        m_nLastErrno = errno;
        return false;
    }
    struct stat st {};
    const int nStat = ::fstat(h, &st);
    if (nStat != 0 || !S_ISREG(st.st_mode)) {
        m_nLastErrno = nStat != 0 ? errno : S_ISDIR(st.st_mode) ? EISDIR : EINVAL;
        ::close(h);
        return false;
    }
    ::fcntl(h, F_SETFL, ::fcntl(h, F_GETFL) & ~O_NONBLOCK);
    m_hFile = h;
    m_strPath = strPath;
    m_nLastErrno = 0;
    return true;
}

std::uint64_t CFile::GetLength() const
{
    struct stat st {};
    if (m_hFile < 0)
        throw CFileException(EBADF, m_strPath);
    if (::fstat(m_hFile, &st) != 0)
        throw CFileException(errno, m_strPath);
    return static_cast<std::uint64_t>(st.st_size);
}

std::uint64_t CFile::GetPosition() const
{
    if (m_hFile < 0)
        throw CFileException(EBADF, m_strPath);
    off_t pos = ::lseek(m_hFile, 0, SEEK_CUR);
    if (pos < 0)
        throw CFileException(errno, m_strPath);
    return static_cast<std::uint64_t>(pos);
}

void CFile::SeekToBegin()
{
    if (m_hFile < 0 || ::lseek(m_hFile, 0, SEEK_SET) < 0)
        throw CFileException(m_hFile < 0 ? EBADF : errno, m_strPath);
}

std::size_t CFile::Read(void* pBuffer, std::size_t nCount)
{
    if (m_hFile < 0)
        throw CFileException(EBADF, m_strPath);
    auto* p = static_cast<unsigned char*>(pBuffer);
    std::size_t nDone = 0;
    // read() may return short counts (signals, huge requests); only 0 means end of file.
    while (nDone < nCount) {
        ssize_t n = ::read(m_hFile, p + nDone, nCount - nDone);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            throw CFileException(errno, m_strPath);
        }
        if (n == 0)
            break;
        nDone += static_cast<std::size_t>(n);
    }
    return nDone;
}

void CFile::Close()
{
    if (m_hFile >= 0) {
        ::close(m_hFile);
        m_hFile = -1;
    }
}
