#pragma once

#include <stdexcept>
#include <string>

// Raised by CFile for input/output errors after a file has been opened. Opening itself
// reports failure through its return value, as the document template and the reader expect.
class CFileException : public std::runtime_error {
public:
    CFileException(int nErrno, std::string strFileName);

    int m_nErrno;                // errno of the failing call
    std::string m_strFileName;   // file the error happened on
};
