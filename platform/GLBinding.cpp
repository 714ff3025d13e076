#include "GLBinding.h"

#include "CView.h"

#include <QOpenGLContext>
#include <QSurface>

HDC wglGetCurrentDC()
{
    QOpenGLContext* pContext = QOpenGLContext::currentContext();
    return pContext ? CView::FromContext(pContext) : nullptr;
}

HGLRC wglGetCurrentContext()
{
    return QOpenGLContext::currentContext();
}

bool wglMakeCurrent(HDC hDC, HGLRC hRC)
{
    if (hDC == nullptr || hRC == nullptr) {
        if (QOpenGLContext* pCurrent = QOpenGLContext::currentContext())
            pCurrent->doneCurrent();
        return true;
    }
    // A view can only bind its own context; anything else is a caller's mistake that
    // must not end up drawing into the wrong window.
    if (hDC->context() != hRC)
        return false;
    hDC->makeCurrent();
    return QOpenGLContext::currentContext() == hRC;
}

bool SwapBuffers(HDC hDC)
{
    if (hDC == nullptr)
        return false;
    hDC->PresentFrame();
    return true;
}

CGLBinding::CGLBinding()
    : m_hDC(wglGetCurrentDC()), m_hRC(wglGetCurrentContext()), m_pSurface(m_hRC ? m_hRC->surface() : nullptr)
{
}

void CGLBinding::Restore()
{
    if (m_bRestored)
        return;
    m_bRestored = true;
    if (m_hDC != nullptr) {
        wglMakeCurrent(m_hDC, m_hRC);
    } else if (m_hRC != nullptr) {
        // A context that no view owns (a test harness, an offscreen renderer).
        m_hRC->makeCurrent(m_pSurface);
    } else {
        wglMakeCurrent(nullptr, nullptr);
    }
}
