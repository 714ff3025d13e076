#pragma once

#include "geometry/CLightSetup.h"
#include "platform/GLBinding.h"
#include "platform/PixelFormat.h"

#include <vector>

class CDC;

// The logical palette of a palette display; empty on true-colour displays.
struct CPalette {
    std::vector<PALETTEENTRY> m_aEntries;
    bool IsEmpty() const { return m_aEntries.empty(); }
};

// The document's OpenGL set-up: pixel format, palette and creation of the view's context;
// the light and material state every context starts from is its base's.
class CGLSetup : public CLightSetup {
public:
    // Checks that the window has a context of the requested kind; reports and returns
    // false when not.
    static bool ApplyPixelFormat(CDC* pDC);
    // Builds the palette when the window's format needs one; otherwise does nothing.
    void BuildPalette(CDC* pDC);
    // Binds the window's context; null when the pixel format failed. Its fixed state comes
    // from CScene::PrepareContext, like every other context that draws a scene.
    HGLRC CreateGLContext(CDC* pDC);

    CPalette m_cPalette;
    const CPalette* m_pOldPalette = nullptr;  // what the window had before; X keeps none

    static const PIXELFORMATDESCRIPTOR s_pfdRequested;
};
