#pragma once

#include "platform/GLBinding.h"
#include "platform/PixelFormat.h"

#include <vector>

class CDC;

// The logical palette of a palette display; empty on true-colour displays.
struct CPalette {
    std::vector<PALETTEENTRY> m_aEntries;
    bool IsEmpty() const { return m_aEntries.empty(); }
};

// The document's OpenGL set-up: pixel format, palette, creation of the view's context,
// and the fixed light and material state every view's context starts from.
class CGLSetup {
public:
    // Checks that the window has a context of the requested kind; reports and returns
    // false when not.
    static bool ApplyPixelFormat(CDC* pDC);
    // Builds the palette when the window's format needs one; otherwise does nothing.
    void BuildPalette(CDC* pDC);
    // Binds the window's context and sets the fixed state; null when the pixel format failed.
    HGLRC CreateGLContext(CDC* pDC);

    // Applies the one light and the front material defaults to the current context; defined
    // in geometry/SetupLights.cpp, whose header callers include. Runs
    // once per context while the modelview matrix is still the identity, so the light stays
    // put relative to the eye whatever the camera does later.
    void SetupLights();

    double m_dShininess = 128.0;           // front shininess applied by SetupLights
    CPalette m_cPalette;
    const CPalette* m_pOldPalette = nullptr;  // what the window had before; X keeps none

    static const PIXELFORMATDESCRIPTOR s_pfdRequested;
};
