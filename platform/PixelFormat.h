#pragma once

#include "GLBinding.h"

#include <cstdint>
#include <vector>

// The pixel-format descriptor the view code speaks in, filled from what Qt's context
// really has. X servers here are true-colour, so no described format needs a palette;
// the palette code still works from any described format, and tests feed it palette ones.
struct PIXELFORMATDESCRIPTOR {
    std::uint16_t nSize = 40;
    std::uint16_t nVersion = 1;
    std::uint32_t dwFlags = 0;
    std::uint8_t iPixelType = 0;
    std::uint8_t cColorBits = 0;
    std::uint8_t cRedBits = 0, cRedShift = 0, cGreenBits = 0, cGreenShift = 0, cBlueBits = 0, cBlueShift = 0;
    std::uint8_t cAlphaBits = 0, cAlphaShift = 0;
    std::uint8_t cAccumBits = 0, cAccumRedBits = 0, cAccumGreenBits = 0, cAccumBlueBits = 0, cAccumAlphaBits = 0;
    std::uint8_t cDepthBits = 0;
    std::uint8_t cStencilBits = 0;
    std::uint8_t cAuxBuffers = 0;
    std::uint8_t iLayerType = 0;
    std::uint8_t bReserved = 0;
    std::uint32_t dwLayerMask = 0, dwVisibleMask = 0, dwDamageMask = 0;
};

enum : std::uint32_t {
    PFD_DOUBLEBUFFER = 0x01,
    PFD_DRAW_TO_WINDOW = 0x04,
    PFD_SUPPORT_OPENGL = 0x20,
    PFD_NEED_PALETTE = 0x80,
};
enum : std::uint8_t { PFD_TYPE_RGBA = 0, PFD_MAIN_PLANE = 0 };

struct PALETTEENTRY {
    std::uint8_t peRed = 0, peGreen = 0, peBlue = 0, peFlags = 0;
};

// 0 when the window has no OpenGL context of the requested kind, else 1 (the only format).
int ChoosePixelFormat(HDC hDC, const PIXELFORMATDESCRIPTOR* pRequested);
// False when the context lacks what was asked for: RGBA colour and a depth buffer.
bool SetPixelFormat(HDC hDC, int nFormat, const PIXELFORMATDESCRIPTOR* pRequested);
int GetPixelFormat(HDC hDC);
// Describes the window's context; false when there is none.
bool DescribePixelFormat(HDC hDC, int nFormat, PIXELFORMATDESCRIPTOR* pDescriptor);

// One colour component of palette index i for a field of `bits` bits at `shift`.
std::uint8_t ScaleComponent(unsigned i, unsigned bits, unsigned shift);

// The logical palette a described format needs: empty unless PFD_NEED_PALETTE is set,
// else 2^cColorBits entries, with the system colours in place for the 3-3-2 format.
std::vector<PALETTEENTRY> BuildPaletteEntries(const PIXELFORMATDESCRIPTOR& pfd);
