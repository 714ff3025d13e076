#include "CTessaronView.h"

#include "CGLDocument.h"
#include "geometry/DrawAxes.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <cmath>

int g_nNextTimerID = 1;
int g_bInRender = 0;

CTessaronView::CTessaronView(QWidget* pParent) : CView(pParent)
{
}

CTessaronView::~CTessaronView()
{
    // The context goes with the widget; only make sure it is not left current.
    if (m_hRC != nullptr && wglGetCurrentContext() == m_hRC)
        wglMakeCurrent(nullptr, nullptr);
    m_hRC = nullptr;
}

CGLSetup& CTessaronView::GLSetup()
{
    static CGLSetup s_detachedSetup;  // a view outside any document still gets a context
    return m_pDoc ? m_pDoc->m_cGLSetup : s_detachedSetup;
}

int CTessaronView::OnCreate()
{
    m_pDoc = dynamic_cast<CGLDocument*>(GetDocument());
    m_pDC = std::make_unique<CClientDC>(this);
    m_hRC = GLSetup().CreateGLContext(m_pDC.get());
    GLSetup().SetupLights();
    BuildNetList();
    m_nTimerID = static_cast<unsigned>(g_nNextTimerID++);
    return 0;
}

void CTessaronView::OnContextRecreated()
{
    // Same view, new context: everything that lives in a context is set up again; the
    // timer id and the view's state stay.
    m_hRC = GLSetup().CreateGLContext(m_pDC.get());
    if (m_hRC == nullptr)
        return;
    GLSetup().SetupLights();
    BuildNetList();
}

void CTessaronView::MakeCurrent()
{
    wglMakeCurrent(m_pDC ? m_pDC->GetSafeHdc() : nullptr, m_hRC);
}

bool CTessaronView::OnEraseBkgnd(CDC*)
{
    return true;  // every frame covers the whole client area
}

void CTessaronView::OnDraw(CDC*)
{
    CGLBinding saved;
    MakeCurrent();
    RenderScene();
}

void CTessaronView::OnSize(unsigned, int cx, int cy)
{
    if (cy <= 0)
        return;  // minimised: keep the projection
    CGLBinding saved;
    MakeCurrent();
    if (wglGetCurrentContext() != m_hRC || m_hRC == nullptr)
        return;
    m_dAspect = static_cast<double>(cx) / static_cast<double>(cy);
    const double dRatio = devicePixelRatioF();
    glViewport(0, 0, static_cast<GLsizei>(cx * dRatio), static_cast<GLsizei>(cy * dRatio));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(m_dFovY, m_dAspect, m_dNear, m_dFar);
    glMatrixMode(GL_MODELVIEW);
}

int CTessaronView::RenderScene()
{
    if (g_bInRender)
        return 1;
    // No context bound (creation failed): nothing to draw into.
    if (wglGetCurrentContext() == nullptr)
        return 0;
    g_bInRender = 1;
    ++m_nFramesDrawn;

    if (m_bWhiteBackground)
        glClearColor(1.0f, 1.0f, 1.0f, 1.0f);
    else
        glClearColor(0.3f, 0.6f, 0.6f, 1.0f);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);

    GLint nDepth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nDepth);
    glPushMatrix();
    try {
        if (m_bWalkAround) {
            ApplyWalkView();
            m_dWalkScale = m_c3DS.DrawModel(m_dWalkScale, false, false);
        } else {
            glTranslatef(0.0f, 0.0f, -m_fDistance);
            glRotatef(m_fAngleX, 1.0f, 0.0f, 0.0f);
            glRotatef(m_fAngleY, 0.0f, 1.0f, 0.0f);
            glRotatef(m_fAngleZ, 0.0f, 0.0f, 1.0f);
            if (m_bShowNet) {
                glCallList(1);
            } else if (m_bShowAxes) {
                glLineWidth(1.0f);
                DrawAxes(5);
            }
            m_c3DS.DrawModel(0.0, false, false);
        }
    } catch (...) {
        // A frame that fails half-way must not stop every later frame of every view.
    }
    // Back to the depth the frame started from, whatever happened in between.
    GLint nNow = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &nNow);
    for (; nNow > nDepth; --nNow)
        glPopMatrix();
    glFinish();
    const int nResult = SwapBuffers(wglGetCurrentDC()) ? 1 : 0;
    g_bInRender = 0;
    return nResult;
}

void CTessaronView::ApplyWalkView()
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
        glCallList(1);
}

void CTessaronView::SetWalkCamera()
{
    const double d = std::fabs(std::tan(m_dPitch) * m_dEyeZ);
    const double dTargetX = m_dEyeX + d * std::cos(m_dHeading);
    const double dTargetY = m_dEyeY + d * std::sin(m_dHeading);
    const double dTargetZ = m_bLevelView ? m_dEyeZ : (std::cos(m_dPitch) + 1.0) * m_dEyeZ;
    gluLookAt(m_dEyeX, m_dEyeY, m_dEyeZ, dTargetX, dTargetY, dTargetZ, 0.0, 0.0, 1.0);
}

void CTessaronView::BuildNetList()
{
    glNewList(1, GL_COMPILE);
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
