#include "PixelFormat.h"

#include "CView.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>

namespace {

QOpenGLContext* ContextOf(HDC hDC)
{
    QOpenGLContext* pContext = hDC ? hDC->context() : nullptr;
    return pContext && pContext->isValid() ? pContext : nullptr;
}

} // namespace

int ChoosePixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pRequested)
{
    return pRequested && ContextOf(hDC) ? 1 : 0;
}

bool SetPixelFormat(HDC hDC, int nFormat, const PIXELFORMATDESCRIPTOR* pRequested)
{
    PIXELFORMATDESCRIPTOR pfd;
    if (nFormat != 1 || pRequested == nullptr || !DescribePixelFormat(hDC, nFormat, &pfd))
        return false;
    const bool bDepthWanted = pRequested->cDepthBits > 0;
    return pfd.iPixelType == PFD_TYPE_RGBA && pfd.cColorBits >= 15 && (!bDepthWanted || pfd.cDepthBits >= 16);
}

int GetPixelFormat(HDC hDC)
{
    return ContextOf(hDC) ? 1 : 0;
}

bool DescribePixelFormat(HDC hDC, int nFormat, PIXELFORMATDESCRIPTOR* pDescriptor)
{
    QOpenGLContext* pContext = ContextOf(hDC);
    if (nFormat != 1 || pContext == nullptr || pDescriptor == nullptr)
        return false;
    // The widget draws into a framebuffer object that Qt composes, so the depth buffer
    // is the one the widget asked for, and the format is always double-buffered.
    const QSurfaceFormat fmt = hDC->format();
    PIXELFORMATDESCRIPTOR pfd;
    pfd.dwFlags = PFD_DRAW_TO_WINDOW | PFD_SUPPORT_OPENGL | PFD_DOUBLEBUFFER;
    pfd.iPixelType = PFD_TYPE_RGBA;
    const int r = std::max(fmt.redBufferSize(), 8), g = std::max(fmt.greenBufferSize(), 8),
              b = std::max(fmt.blueBufferSize(), 8);
    pfd.cRedBits = static_cast<std::uint8_t>(r);
    pfd.cGreenBits = static_cast<std::uint8_t>(g);
    pfd.cBlueBits = static_cast<std::uint8_t>(b);
    pfd.cRedShift = static_cast<std::uint8_t>(g + b);
    pfd.cGreenShift = static_cast<std::uint8_t>(b);
    pfd.cColorBits = static_cast<std::uint8_t>(r + g + b);
    pfd.cAlphaBits = static_cast<std::uint8_t>(std::max(fmt.alphaBufferSize(), 0));
    pfd.cDepthBits = static_cast<std::uint8_t>(std::max(fmt.depthBufferSize(), 0));
    pfd.cStencilBits = static_cast<std::uint8_t>(std::max(fmt.stencilBufferSize(), 0));
    *pDescriptor = pfd;
    return true;
}

std::uint8_t ScaleComponent(unsigned i, unsigned bits, unsigned shift)
{
    static const std::uint8_t kRamp1[] = {0, 255};
    static const std::uint8_t kRamp2[] = {0, 85, 170, 255};
    static const std::uint8_t kRamp3[] = {0, 36, 73, 109, 146, 182, 219, 255};
    const unsigned v = shift < 32 ? i >> shift : 0;
    switch (bits) {
    case 1: return kRamp1[v & 0x1];
    case 2: return kRamp2[v & 0x3];
    case 3: return kRamp3[v & 0x7];
    default: return 0;
    }
}

std::vector<PALETTEENTRY> BuildPaletteEntries(const PIXELFORMATDESCRIPTOR& pfd)
{
    std::vector<PALETTEENTRY> entries;
    // More than 8 colour bits never needs a palette; refusing them also bounds the size.
    if (!(pfd.dwFlags & PFD_NEED_PALETTE) || pfd.cColorBits > 8)
        return entries;
    entries.resize(std::size_t{1} << pfd.cColorBits);
    for (unsigned i = 0; i < entries.size(); ++i) {
        entries[i].peRed = ScaleComponent(i, pfd.cRedBits, pfd.cRedShift);
        entries[i].peGreen = ScaleComponent(i, pfd.cGreenBits, pfd.cGreenShift);
        entries[i].peBlue = ScaleComponent(i, pfd.cBlueBits, pfd.cBlueShift);
    }
    if (pfd.cColorBits == 8 && pfd.cRedBits == 3 && pfd.cRedShift == 0 && pfd.cGreenBits == 3 &&
        pfd.cGreenShift == 3 && pfd.cBlueBits == 2 && pfd.cBlueShift == 6) {
        static const struct {
            unsigned index;
            PALETTEENTRY color;
        } kSystemColors[] = {
            {3, {128, 0, 0, 0}},     {24, {0, 128, 0, 0}},    {27, {128, 128, 0, 0}},
            {64, {0, 0, 128, 0}},    {67, {128, 0, 128, 0}},  {88, {0, 128, 128, 0}},
            {173, {192, 192, 192, 0}}, {181, {192, 220, 192, 0}}, {236, {166, 202, 240, 0}},
            {247, {255, 251, 240, 0}}, {164, {160, 160, 164, 0}}, {91, {128, 128, 128, 0}},
        };
        for (const auto& sc : kSystemColors)
            entries[sc.index] = sc.color;
    }
    return entries;
}
