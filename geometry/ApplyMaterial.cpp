#include "ApplyMaterial.h"

#include "model/S3DSRecords.h"

#include <GL/gl.h>

#include <algorithm>

// Transparency reaches GL unscaled as the alpha of all three colours, and the ambient colour
// doubles as the current colour, which colour tracking turns into ambient and diffuse.
void ApplyMaterial(const S3DSMaterial& m)
{
    const float fAlpha = static_cast<float>(m.nTransparency);
    const float fAmbient[4] = {m.fAmbient[0], m.fAmbient[1], m.fAmbient[2], fAlpha};
    const float fDiffuse[4] = {m.fDiffuse[0], m.fDiffuse[1], m.fDiffuse[2], fAlpha};
    const float fSpecular[4] = {m.fSpecular[0], m.fSpecular[1], m.fSpecular[2], fAlpha};
    glMaterialfv(GL_FRONT, GL_AMBIENT, fAmbient);
    glColor3fv(m.fAmbient);
    glMaterialfv(GL_FRONT, GL_DIFFUSE, fDiffuse);
    glMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    // Files store a percentage; anything above GL's limit of 128 (only a damaged file has
    // one) would raise GL_INVALID_VALUE and leave the previous material's shininess.
    glMaterialf(GL_FRONT, GL_SHININESS, static_cast<float>(std::clamp(m.nShininess, 0, 128)));
}
