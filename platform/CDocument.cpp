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

bool CDocument::OnOpenDocument(const std::string& strPath)
{
    const std::string strTitle = std::filesystem::path(strPath).filename().string();
    CFile file;
    if (!file.Open(strPath, CFile::modeRead | CFile::shareDenyWrite | CFile::typeBinary)) {
        if (file.GetLastErrno() == ENOENT || file.GetLastErrno() == ENOTDIR)
            AfxMessageBox(FormatFileNotFound(strTitle), MB_ICONEXCLAMATION);
        else
            AfxMessageBox("Failed to open document.", MB_ICONEXCLAMATION);
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
