#include "CDocument.h"

#include "CArchive.h"
#include "CFile.h"
#include "CFileException.h"
#include "CView.h"
#include "MessageBox.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

std::string FormatFileNotFound(const std::string& strTitle)
{
    return strTitle + "\nCannot find this file.\nPlease verify that the correct path and file name are given.";
}

std::string FormatOpenFailure(int nErrno, const std::string& strPath)
{
    switch (nErrno) {
    case EACCES:
    case EPERM:
        return "Access to " + strPath + " was denied.";
    case EISDIR:
    case EINVAL:  // CFile's answer for a pipe or a device
    case ENXIO:   // a socket, or a device with nothing behind it
    case ENODEV:
        return strPath + " is not a regular file.";
    case EMFILE:
    case ENFILE:
        return strPath + " could not be opened because there are too many open files.";
    case ENAMETOOLONG:
    case ELOOP:
        return strPath + " contains an invalid path.";
    case EIO:
        return "A hardware I/O error was reported while accessing " + strPath + ".";
    default:
        return "An unknown error occurred while accessing " + strPath + ".";
    }
}

bool CDocument::OnOpenDocument(const std::string& strPath)
{
    const std::string strTitle = std::filesystem::path(strPath).filename().string();
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        if (file.GetLastErrno() == ENOENT || file.GetLastErrno() == ENOTDIR)
            AfxMessageBox(FormatFileNotFound(strTitle), MB_ICONEXCLAMATION);
        else
            AfxMessageBox(FormatOpenFailure(file.GetLastErrno(), strPath), MB_ICONEXCLAMATION);
        return false;
    }
    try {
        if (file.GetLength() != 0) {
            CArchive ar(&file, CArchive::load);
            Serialize(ar);
        }
    } catch (const CFileException&) {
        AfxMessageBox("An unexpected error occurred while reading " + strTitle + ".", MB_ICONEXCLAMATION);
        return false;
    } catch (const std::bad_alloc&) {
        AfxMessageBox("Not enough memory to read " + strTitle + ".", MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

void CDocument::AddView(CView* pView)
{
    m_viewList.push_back(pView);
    pView->m_pDocument = this;
}

void CDocument::RemoveView(CView* pView)
{
    m_viewList.erase(std::remove(m_viewList.begin(), m_viewList.end(), pView), m_viewList.end());
    if (pView->m_pDocument == this)
        pView->m_pDocument = nullptr;
}
