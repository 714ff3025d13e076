#include "DrawAxes.h"

#include <GL/gl.h>

void DrawAxes(int nLength)
{
    glBegin(GL_LINES);
    glColor3f(1.0f, 0.0f, 0.0f);
    glVertex3i(0, 0, 0);
    glVertex3i(nLength, 0, 0);
    glColor3f(0.0f, 1.0f, 0.0f);
    glVertex3i(0, 0, 0);
    glVertex3i(0, nLength, 0);
    glColor3f(0.0f, 0.0f, 1.0f);
    glVertex3i(0, 0, 0);
    glVertex3i(0, 0, nLength);
    glEnd();
}
