// Pixel format, palette and context creation of CGLSetup.
#include "CGLSetup.h"

#include "platform/CDC.h"
#include "platform/CView.h"
#include "platform/MessageBox.h"

const PIXELFORMATDESCRIPTOR CGLSetup::s_pfdRequested = [] {
    PIXELFORMATDESCRIPTOR pfd;
    pfd.nSize = 40;
    pfd.nVersion = 1;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    pfd.cColorBits = 24;
    pfd.cDepthBits = 32;
    pfd.iLayerType = PFD_MAIN_PLANE;
    return pfd;
}();

bool CGLSetup::ApplyPixelFormat(CDC* pDC)
{
    HDC hDC = pDC ? pDC->GetSafeHdc() : nullptr;
    const int nFormat = ChoosePixelFormat(hDC, &s_pfdRequested);
    if (nFormat == 0) {
        AfxMessageBox("ChoosePixelFormat failed");
        return false;
    }
    if (!SetPixelFormat(hDC, nFormat, &s_pfdRequested)) {
        AfxMessageBox("SetPixelFormat failed");
        return false;
    }
    return true;
}

void CGLSetup::BuildPalette(CDC* pDC)
{
    HDC hDC = pDC ? pDC->GetSafeHdc() : nullptr;
    PIXELFORMATDESCRIPTOR pfd;
    if (!DescribePixelFormat(hDC, GetPixelFormat(hDC), &pfd))
        return;
    std::vector<PALETTEENTRY> entries = BuildPaletteEntries(pfd);
    if (entries.empty())
        return;
    m_cPalette.m_aEntries = std::move(entries);
    // Selecting and realising a palette has no counterpart on a true-colour X visual.
}

HGLRC CGLSetup::CreateGLContext(CDC* pDC)
{
    if (!ApplyPixelFormat(pDC))
        return nullptr;
    BuildPalette(pDC);
    HDC hDC = pDC->GetSafeHdc();
    HGLRC hRC = hDC->context();
    if (!wglMakeCurrent(hDC, hRC))
        return nullptr;
    return hRC;
}
