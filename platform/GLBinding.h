#pragma once

// The window-system binding of OpenGL as the view code expects it: a device context is
// the view window that owns a context, a rendering context is that window's QOpenGLContext.
class CView;
class QOpenGLContext;
class QSurface;

using HDC = CView*;
using HGLRC = QOpenGLContext*;

// The view whose context is current on this thread, or null (also for foreign contexts).
HDC wglGetCurrentDC();
HGLRC wglGetCurrentContext();

// Binds hRC through its view (so the view's framebuffer is the draw target); with a null
// hDC or hRC, releases whatever context is current. False when nothing could be bound.
bool wglMakeCurrent(HDC hDC, HGLRC hRC);

// Presents the frame just drawn into hDC's framebuffer; false for a null hDC.
bool SwapBuffers(HDC hDC);

// Saves the current binding and puts it back on Restore() or destruction, the pattern
// of every drawing entry point that must not disturb whoever was current before.
class CGLBinding {
public:
    CGLBinding();
    ~CGLBinding() { Restore(); }
    CGLBinding(const CGLBinding&) = delete;
    CGLBinding& operator=(const CGLBinding&) = delete;

    void Restore();

private:
    HDC m_hDC;
    HGLRC m_hRC;
    QSurface* m_pSurface;  // for a context no view owns
    bool m_bRestored = false;
};
