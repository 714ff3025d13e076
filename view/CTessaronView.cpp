#include "CTessaronView.h"

#include "CGLDocument.h"
#include "CTextureDecoder.h"
#include "geometry/CTextureLibrary.h"
#include "platform/DecodeTexture.h"

#include <QTimer>

#include <GL/gl.h>

int g_nNextTimerID = 1;
int g_bInRender = 0;

CTessaronView::CTessaronView(QWidget* pParent) : CView(pParent)
{
    m_pShaded = &m_cShaded;
    m_fnResolveTexture = [this](const S3DSTextureMap& map) { return TextureFor(map); };
    UpdateMousePointer();
}

CTessaronView::~CTessaronView()
{
    // The context goes with the widget, and its buffers and textures with it; only make
    // sure it is not left current.
    if (m_hRC != nullptr && wglGetCurrentContext() == m_hRC)
        wglMakeCurrent(nullptr, nullptr);
    m_hRC = nullptr;
}

CGLSetup& CTessaronView::GLSetup()
{
    static CGLSetup s_detachedSetup;  // a view outside any document still gets a context
    return m_pDoc ? m_pDoc->m_cGLSetup : s_detachedSetup;
}

int CTessaronView::OnCreate()
{
    m_pDoc = dynamic_cast<CGLDocument*>(GetDocument());
    m_pDC = std::make_unique<CClientDC>(this);
    m_hRC = GLSetup().CreateGLContext(m_pDC.get());
    // Also when creation failed: the set-up then lands on whatever context is current, if
    // any, and puts the same state and the same list there.
    PrepareContext(GLSetup());
    m_nTimerID = static_cast<unsigned>(g_nNextTimerID++);
    return 0;
}

void CTessaronView::OnContextRecreated()
{
    // Same view, new context: everything that lives in a context is set up again; the
    // timer id and the view's state stay. The old context took full shading's buffer and
    // textures with it, so they are made anew on the next shaded frame.
    m_cShaded.ForgetContext();
    if (m_pTextures)
        m_pTextures->ForgetTextures();
    m_hRC = GLSetup().CreateGLContext(m_pDC.get());
    if (m_hRC == nullptr)
        return;
    PrepareContext(GLSetup());
}

void CTessaronView::MakeCurrent()
{
    wglMakeCurrent(m_pDC ? m_pDC->GetSafeHdc() : nullptr, m_hRC);
}

int CTessaronView::DrawNow()
{
    CGLBinding saved;
    MakeCurrent();
    return RenderScene();
}

void CTessaronView::OnDraw(CDC*)
{
    DrawNow();
}

void CTessaronView::OnSize(unsigned, int cx, int cy)
{
    if (cy <= 0)
        return;  // minimised: keep the projection
    CGLBinding saved;
    MakeCurrent();
    if (wglGetCurrentContext() != m_hRC || m_hRC == nullptr)
        return;
    SetProjection(cx, cy, devicePixelRatioF());
}

int CTessaronView::RenderScene()
{
    if (g_bInRender)
        return 1;
    // No context bound (creation failed): nothing to draw into.
    if (wglGetCurrentContext() == nullptr)
        return 0;
    g_bInRender = 1;
    ++m_nFramesDrawn;
    DrawScene(m_c3DS);  // the shaded model asks its resolver every frame
    if (m_pTextures) {
        ReportTextures();
        QueueTextureUpload();
    }
    glFinish();
    const int nResult = SwapBuffers(wglGetCurrentDC()) ? 1 : 0;
    g_bInRender = 0;
    return nResult;
}

STextureRef CTessaronView::TextureFor(const S3DSTextureMap& map)
{
    if (!m_pTextures) {
        m_pTextures = std::make_unique<CTextureLibrary>(m_pDoc ? m_pDoc->GetPathName() : std::string(), DecodeTextureFile);
        m_pDecoder = std::make_unique<CTextureDecoder>(
            [this](const std::string& strPath, ETextureStatus eStatus, STextureLevels levels) {
                OnTextureDecoded(strPath, eStatus, std::move(levels));
            });
        m_pTextures->DecodeInBackground(
            [this](const std::string& strPath, int nMaxSide) { m_pDecoder->Request(strPath, nMaxSide); });
    }
    return m_pTextures->Texture(map);
}

void CTessaronView::OnTextureDecoded(const std::string& strPath, ETextureStatus eStatus, STextureLevels levels)
{
    m_pTextures->Accept(strPath, eStatus, std::move(levels));
    ReportTextures();
    QueueTextureUpload();
}

void CTessaronView::QueueTextureUpload()
{
    if (m_bUploadQueued || !m_bFullShading || !m_pTextures || !m_pTextures->HasUploadsWaiting())
        return;
    m_bUploadQueued = true;
    // A turn of the event loop of its own, between frames, so a frame and an upload step
    // never add up; the view as context object drops it when the view goes first. Memory
    // still being made ready is looked at again a millisecond on, not in a busy loop.
    if (m_pTextures->WaitingForMemory())
        QTimer::singleShot(1, this, [this] { UploadTextures(); });
    else
        QMetaObject::invokeMethod(this, [this] { UploadTextures(); }, Qt::QueuedConnection);
}

void CTessaronView::UploadTextures()
{
    m_bUploadQueued = false;
    if (!m_pTextures || !m_bFullShading || m_hRC == nullptr)
        return;
    bool bShown = false;
    {
        CGLBinding saved;
        MakeCurrent();
        if (wglGetCurrentContext() != m_hRC)
            return;
        bShown = m_pTextures->UploadSome();
    }
    // A texture that shows wants a frame; the next step waits until that frame is drawn
    // (RenderScene queues it), or the two would fall into one turn of the event loop.
    if (bShown)
        InvalidateRect(false);  // the frame also counts it in the status bar
    else
        QueueTextureUpload();
}

void CTessaronView::ReportTextures()
{
    for (const std::string& strLine : m_pTextures->TakeNewWarnings())
        m_strTextureWarnings += (m_strTextureWarnings.isEmpty() ? "" : " ") + QString::fromStdString(strLine);
    const int nAll = m_pTextures->Requested(), nReady = m_pTextures->Arrived();
    if (nReady < nAll) {
        emit TextureProgress(QString("Loading textures %1 of %2").arg(nReady).arg(nAll));
        m_bLoadingShown = true;
        return;
    }
    if (!m_strTextureWarnings.isEmpty())
        emit TextureWarning(m_strTextureWarnings);
    else if (m_bLoadingShown)
        emit TextureProgress(QString());
    m_strTextureWarnings.clear();
    m_bLoadingShown = false;
}
