#pragma once

#include <string>
#include <vector>

class CArchive;
class CView;

// A document as the template sees it: a title, a path, its views, and the load hook.
// Documents here are never saved, so there is no store path at all.
class CDocument {
public:
    CDocument() = default;
    virtual ~CDocument() = default;
    CDocument(const CDocument&) = delete;
    CDocument& operator=(const CDocument&) = delete;

    virtual bool OnNewDocument() { return true; }

    // Opens the file read-only and hands it to Serialize in a loading archive; a file of
    // zero bytes is not handed over. False (after a message box) when the file cannot be
    // opened or an I/O error interrupts the read.
    virtual bool OnOpenDocument(const std::string& strPath);

    virtual void Serialize(CArchive& ar) = 0;

    const std::string& GetTitle() const { return m_strTitle; }
    void SetTitle(const std::string& strTitle) { m_strTitle = strTitle; }
    const std::string& GetPathName() const { return m_strPathName; }
    void SetPathName(const std::string& strPathName) { m_strPathName = strPathName; }

    void AddView(CView* pView);
    void RemoveView(CView* pView);
    CView* GetFirstView() const { return m_viewList.empty() ? nullptr : m_viewList.front(); }

private:
    std::string m_strTitle;
    std::string m_strPathName;
    std::vector<CView*> m_viewList;
};

// The framework's text for a file that is not there, with the file's title for %1.
std::string FormatFileNotFound(const std::string& strTitle);

// The framework's text for a file that exists but cannot be opened, naming the file and
// the cause given by errno.
std::string FormatOpenFailure(int nErrno, const std::string& strPath);
