#include "CMultiDocTemplate.h"

#include "CDocument.h"
#include "CMDIChildWnd.h"
#include "CView.h"

#include <QMdiArea>
#include <QPointer>
#include <QTimer>

#include <algorithm>
#include <filesystem>

struct CMultiDocTemplate::SEntry {
    std::unique_ptr<CDocument> pDoc;
    QPointer<CMDIChildWnd> pFrame;
    std::string strKey;  // canonical path, empty for untitled documents
};

namespace {

std::string CanonicalKey(const std::string& strPath)
{
    std::error_code ec;
    auto p = std::filesystem::weakly_canonical(std::filesystem::absolute(strPath, ec), ec);
    return ec ? strPath : p.string();
}

} // namespace

CMultiDocTemplate::CMultiDocTemplate(unsigned nIDResource, std::string strDocName, DocumentFactory makeDocument,
                                     FrameFactory makeFrame, ViewFactory makeView)
    : m_nIDResource(nIDResource), m_strDocName(std::move(strDocName)), m_makeDocument(std::move(makeDocument)),
      m_makeFrame(std::move(makeFrame)), m_makeView(std::move(makeView))
{
}

CMultiDocTemplate::~CMultiDocTemplate()
{
    CloseAllDocuments();
}

CDocument* CMultiDocTemplate::OpenDocumentFile(const std::string& strPath)
{
    const std::string strKey = strPath.empty() ? std::string() : CanonicalKey(strPath);
    if (!strKey.empty()) {
        for (const auto& e : m_entries) {
            if (e->strKey == strKey && e->pFrame) {
                if (m_pArea)
                    m_pArea->setActiveSubWindow(e->pFrame);
                // Choosing a file again makes it the most recent one, open or not.
                if (m_fnFileOpened)
                    m_fnFileOpened(strPath);
                return e->pDoc.get();
            }
        }
    }

    auto entry = std::make_unique<SEntry>();
    entry->pDoc = m_makeDocument();
    entry->strKey = strKey;
    CDocument* pDoc = entry->pDoc.get();
    CMDIChildWnd* pFrame = m_makeFrame();
    CView* pView = m_makeView();
    if (CView::OpenGLAvailable()) {
        pFrame->setWidget(pView);
    } else {
        // Qt crashes composing a window that holds a GL widget when there is no OpenGL at
        // all. The frame shows an empty area instead; the view lives beside it, loads its
        // model and reports that it has no context, and goes with the frame.
        pFrame->setWidget(new QWidget);
        QObject::connect(pFrame, &QObject::destroyed, pView, [pView] { delete pView; });
        QTimer::singleShot(0, pView, [pView] { pView->EnsureCreated(); });
    }
    pDoc->AddView(pView);
    entry->pFrame = pFrame;

    if (strPath.empty()) {
        pDoc->SetTitle(m_strDocName + std::to_string(++m_nUntitledCount));
        if (!pDoc->OnNewDocument()) {
            delete pFrame;
            return nullptr;
        }
    } else {
        if (!pDoc->OnOpenDocument(strPath)) {
            delete pFrame;  // never shown: no window stays for a file that failed to open
            return nullptr;
        }
        pDoc->SetPathName(strPath);
        pDoc->SetTitle(std::filesystem::path(strPath).filename().string());
    }

    pFrame->setWindowTitle(QString::fromStdString(pDoc->GetTitle()));
    QObject::connect(pFrame, &QObject::destroyed, [this, pDoc] {
        auto it = std::find_if(m_entries.begin(), m_entries.end(), [pDoc](const auto& e) { return e->pDoc.get() == pDoc; });
        if (it != m_entries.end())
            m_entries.erase(it);
    });
    m_entries.push_back(std::move(entry));

    if (m_pArea) {
        m_pArea->addSubWindow(pFrame);
        pFrame->show();
        // A frame that only ever had the size the workspace gave it composes its view as
        // black (Qt 6.4 on Mesa) until the first real resize; giving it one up front makes
        // the first frames show.
        const QSize size = pFrame->size();
        pFrame->resize(size + QSize(1, 1));
        pFrame->resize(size);
        m_pArea->setActiveSubWindow(pFrame);
        pView->setFocus();
    }
    if (!strPath.empty() && m_fnFileOpened)
        m_fnFileOpened(strPath);
    return pDoc;
}

std::vector<CDocument*> CMultiDocTemplate::GetDocuments() const
{
    std::vector<CDocument*> docs;
    for (const auto& e : m_entries)
        docs.push_back(e->pDoc.get());
    return docs;
}

CMDIChildWnd* CMultiDocTemplate::GetFrame(const CDocument* pDoc) const
{
    for (const auto& e : m_entries)
        if (e->pDoc.get() == pDoc)
            return e->pFrame;
    return nullptr;
}

void CMultiDocTemplate::CloseAllDocuments()
{
    // Deleting a frame erases its entry through the destroyed() connection.
    while (!m_entries.empty()) {
        QPointer<CMDIChildWnd> pFrame = m_entries.back()->pFrame;
        if (pFrame)
            delete pFrame.data();
        else
            m_entries.pop_back();
    }
}
