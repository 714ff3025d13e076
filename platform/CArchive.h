#pragma once

class CFile;

// Carries a file that the document framework has already opened to the code that reads
// it. It owns nothing: the file stays open for its owner to close.
class CArchive {
public:
    enum Mode : unsigned { store = 0, load = 1 };

    CArchive(CFile* pFile, unsigned nMode) : m_pFile(pFile), m_nMode(nMode) {}

    bool IsLoading() const { return (m_nMode & load) != 0; }
    bool IsStoring() const { return !IsLoading(); }
    CFile* GetFile() const { return m_pFile; }

private:
    CFile* m_pFile;
    unsigned m_nMode;
};
