#pragma once

#include <functional>
#include <memory>
#include <string>
#include <vector>

class CDocument;
class CMDIChildWnd;
class CView;
class QMdiArea;

// Creates a document, its child frame and its view for File New and File Open, and
// owns the documents until their frames close.
class CMultiDocTemplate {
public:
    using DocumentFactory = std::function<std::unique_ptr<CDocument>()>;
    using FrameFactory = std::function<CMDIChildWnd*()>;
    using ViewFactory = std::function<CView*()>;

    CMultiDocTemplate(unsigned nIDResource, std::string strDocName, DocumentFactory makeDocument,
                      FrameFactory makeFrame, ViewFactory makeView);
    ~CMultiDocTemplate();
    CMultiDocTemplate(const CMultiDocTemplate&) = delete;
    CMultiDocTemplate& operator=(const CMultiDocTemplate&) = delete;

    void SetMdiArea(QMdiArea* pArea) { m_pArea = pArea; }

    // An empty path makes a new untitled document (Tessaron1, Tessaron2, ...). A path that
    // is already open activates its window. Null when the file could not be opened; the
    // frame made for it is gone again.
    CDocument* OpenDocumentFile(const std::string& strPath);

    std::vector<CDocument*> GetDocuments() const;
    CMDIChildWnd* GetFrame(const CDocument* pDoc) const;
    void CloseAllDocuments();

    unsigned GetResourceID() const { return m_nIDResource; }

    // Told of every path opened successfully (the recent-file list listens).
    std::function<void(const std::string&)> m_fnFileOpened;

private:
    struct SEntry;

    unsigned m_nIDResource;
    std::string m_strDocName;
    DocumentFactory m_makeDocument;
    FrameFactory m_makeFrame;
    ViewFactory m_makeView;
    QMdiArea* m_pArea = nullptr;
    int m_nUntitledCount = 0;
    std::vector<std::unique_ptr<SEntry>> m_entries;
};
