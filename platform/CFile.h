#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// A read-only file handle over POSIX calls. The viewer never writes a model file, so this
// class has no write or create path at all: nothing built on it can truncate a file.
class CFile {
public:
    enum OpenFlags : unsigned {
        modeRead = 0x0000,
        shareDenyWrite = 0x0020,  // accepted for the callers' sake; POSIX has no share modes
        typeBinary = 0x8000,
    };

    CFile() = default;
    ~CFile();
    CFile(const CFile&) = delete;
    CFile& operator=(const CFile&) = delete;

    // Opens an existing regular file for reading; false (with errno kept in
    // GetLastErrno()) when it cannot be opened.
    bool Open(const std::string& strPath, unsigned nOpenFlags);
    bool IsOpen() const { return m_hFile >= 0; }

    std::uint64_t GetLength() const;    // throws CFileException
    std::uint64_t GetPosition() const;  // throws CFileException
    void SeekToBegin();                 // throws CFileException

    // Reads up to nCount bytes, fewer only at the end of the file. Throws CFileException
    // on an I/O error.
    std::size_t Read(void* pBuffer, std::size_t nCount);

    void Close();

    const std::string& GetFilePath() const { return m_strPath; }
    int GetLastErrno() const { return m_nLastErrno; }

private:
    int m_hFile = -1;
    int m_nLastErrno = 0;
    std::string m_strPath;
};
