#include "CLightSetup.h"

#include <GL/gl.h>

void CLightSetup::SetupLights() const
{
    static const GLfloat fLightPosition[4] = {5.0f, 0.0f, 50.0f, 1.0f};
    // The spot cutoff stays at 180 degrees, so this direction never takes effect.
    static const GLfloat fSpotDirection[3] = {0.0f, 0.0f, 0.0f};
    static const GLfloat fSpecular[4] = {1.0f, 1.0f, 1.0f, 1.0f};

    glEnable(GL_DEPTH_TEST);
    glEnable(GL_COLOR_MATERIAL);
    glEnable(GL_LIGHTING);
    glEnable(GL_LIGHT0);
    glLightfv(GL_LIGHT0, GL_POSITION, fLightPosition);
    glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, fSpotDirection);
    glMaterialfv(GL_FRONT, GL_SPECULAR, fSpecular);
    glMaterialf(GL_FRONT, GL_SHININESS, static_cast<float>(m_dShininess));
}
