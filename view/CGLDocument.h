#pragma once

#include "platform/CDocument.h"
#include "view/CGLSetup.h"

// A document that owns the OpenGL set-up of its view. The view reaches the set-up
// through this class, so the view layer never needs the application's document class.
class CGLDocument : public CDocument {
public:
    CGLSetup m_cGLSetup;  // pixel format, palette and shininess of the document's view
};
