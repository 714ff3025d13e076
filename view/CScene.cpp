#include "CScene.h"

#include "geometry/CLightSetup.h"
#include "geometry/DrawAxes.h"
#include "geometry/DrawModel.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

void CScene::DrawScene(C3DS& model)
{
    if (m_bWhiteBackground)
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    else
        glClearColor(0.3f, 0.6f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    // A classic frame lights the net and the axes with the normal its model's last face left
    // behind. A shaded frame leaves the current normal as it found it, so it lights them as
    // the ground they lie on, facing up, whatever was drawn before.
    if (m_bFullShading && m_pShaded != nullptr)
        glNormal3f(0.0f, 0.0f, 1.0f);

    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    glPushMatrix();
    try {
        if (m_bWalkAround) {
            ApplyWalkView();
            m_dWalkScale = DrawSceneModel(model, m_dWalkScale);
        } else {
            glTranslatef(0.0f, 0.0f, -m_fDistance);
            // Skipped when zero, so a frame without a pan issues the very same calls.
            if (m_fPanX != 0.0f || m_fPanY != 0.0f)
                glTranslatef(m_fPanX, m_fPanY, 0.0f);
            glRotatef(m_fAngleX, 1.0f, 0.0f, 0.0f);
            glRotatef(m_fAngleY, 0.0f, 1.0f, 0.0f);
            glRotatef(m_fAngleZ, 0.0f, 0.0f, 1.0f);
            if (m_bShowNet) {
                glCallList(kNetList);
            } else if (m_bShowAxes) {
                glLineWidth(1.0f);
                DrawAxes(5);
            }
            DrawSceneModel(model, 0.0);
        }
    } catch (...) {
        // A frame that fails half-way must not stop every later frame of every view.
    }
    // Back to the depth the frame started from, whatever happened in between.
    GLint nNow = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nNow);
    for (; nNow > nDepth; --nNow)
        glPopMatrix();
}

double CScene::DrawSceneModel(C3DS& model, double dScale)
{
    if (!m_bFullShading || m_pShaded == nullptr)
        return model.DrawModel(dScale, false, false);
    if (!m_pShaded->IsBuilt())
        m_pShaded->Build(model);
    return m_pShaded->Draw(dScale, m_fnResolveTexture);
}

void CScene::ApplyWalkView()
{
    SetWalkCamera();
    glRotatef(static_cast<float>(m_dSpinX), 1.0f, 0.0f, 0.0f);
    glRotatef(static_cast<float>(m_dSpinY), 0.0f, 1.0f, 0.0f);
    glRotatef(static_cast<float>(m_dSpinZ), 0.0f, 0.0f, 1.0f);
    if (m_bAutoRotate) {
        m_dSpinX += static_cast<double>(0.2f);
        m_dSpinY += 1.0;
        m_dSpinZ += 0.5;
    }
    if (m_bShowNet)
        glCallList(kNetList);
}

void CScene::SetWalkCamera()
{
    const double d = std::fabs(std::tan(m_dPitch) * m_dEyeZ);
    const double dTargetX = m_dEyeX + d * std::cos(m_dHeading);
    const double dTargetY = m_dEyeY + d * std::sin(m_dHeading);
    const double dTargetZ = m_bLevelView ? m_dEyeZ : (std::cos(m_dPitch) + 1.0) * m_dEyeZ;
    gluLookAt(m_dEyeX, m_dEyeY, m_dEyeZ, dTargetX, dTargetY, dTargetZ, 0.0, 0.0, 1.0);
}

void CScene::PrepareContext(const CLightSetup& lights)
{
    glShadeModel(GL_SMOOTH);
    glClearDepth(1.0);
    glEnable(GL_DEPTH_TEST);
    lights.SetupLights();
    BuildNetList();
}

void CScene::BuildNetList()
{
    glNewList(kNetList, GL_COMPILE);
    glColor3f(0.0f, 0.0f, 0.0f);
    glLineWidth(1.0f);
    glBegin(GL_LINES);
    for (int i = -10; i <= 10; ++i) {
        const auto f = static_cast<float>(i);
        glVertex3f(-10.0f, f, 0.0f);
        glVertex3f(10.0f, f, 0.0f);
        glVertex3f(f, -10.0f, 0.0f);
        glVertex3f(f, 10.0f, 0.0f);
    }
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, -1.0f);
    glEnd();

    glEnable(GL_POINT_SMOOTH);
    glPointSize(5.0f);
    glColor3f(1.0f, 0.0f, 0.0f);
    glBegin(GL_POINTS);
    glVertex3f(0.0f, 0.0f, 0.0f);
    glVertex3f(0.0f, 0.0f, 1.0f);
    glVertex3f(0.0f, 0.0f, -1.0f);
    glEnd();
    glDisable(GL_POINT_SMOOTH);

    glLineWidth(3.0f);
    DrawAxes(1);  // the unit axes
    glLineWidth(1.0f);
    glEndList();
}

void CScene::SetProjection(int cx, int cy, double dPixelRatio)
{
    m_dAspect = static_cast<double>(cx) / static_cast<double>(cy);
    glViewport(0, 0, static_cast<GLsizei>(cx * dPixelRatio), static_cast<GLsizei>(cy * dPixelRatio));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_dFovY, m_dAspect, m_dNear, m_dFar);
    glMatrixMode(GL_MODELVIEW);
}
