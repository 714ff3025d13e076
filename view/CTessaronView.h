#pragma once

#include "CScene.h"
#include "model/C3DS.h"
#include "platform/CDC.h"
#include "platform/CView.h"

#include <memory>

class CGLDocument;
class CGLSetup;

// One model window's view: its own GL context, the model it shows, the object-mode and
// walk-mode navigation, the view commands and the animation timer. The cameras and the
// frame drawing are CScene's.
class CTessaronView : public CView, public CScene {
    Q_OBJECT
public:
    explicit CTessaronView(QWidget* pParent = nullptr);
    ~CTessaronView() override;

    // Draws and presents one frame into the current context.
    int RenderScene();
    bool OnEraseBkgnd(CDC* pDC);

    // Keys.
    void OnWalkKey(unsigned nChar, unsigned nRepCnt, unsigned nFlags);
    bool IsOutsideWalkArea() const;

    // Commands and their check marks.
    void OnAutoRotate();
    void OnWalkAround();
    void OnWhiteBackground();
    void OnShowNet();
    void OnZoomIn();
    void OnZoomOut();
    void OnHome();
    bool OnUpdateAutoRotate() const { return m_bAutoRotate; }
    bool OnUpdateWalkAround() const { return m_bWalkAround; }
    bool OnUpdateWhiteBackground() const { return m_bWhiteBackground; }
    bool OnUpdateShowNet() const { return m_bShowNet; }

    // Handlers the framework calls; public so tests and the shell can drive them directly.
    int OnCreate() override;
    void OnContextRecreated() override;
    void OnDraw(CDC* pDC) override;
    void OnSize(unsigned nType, int cx, int cy) override;
    void OnKeyDown(unsigned nChar, unsigned nRepCnt, unsigned nFlags) override;
    void OnSetFocus() override;
    void OnTimer(unsigned nIDEvent) override;

    double m_dWalkStep = kHomeWalkStep;
    double m_dTurnStep = kHomeTurnStep;  // also the height step
    double m_dHomeEyeX = kHomeEyeX;
    double m_dHomeEyeY = kHomeEyeY;
    double m_dHomeEyeZ = kHomeEyeZ;
    double m_dHomePitch = kHalfPi;
    double m_dHomeHeading = kHalfPi;
    double m_dHomeWalkStep = kHomeWalkStep;
    double m_dHomeTurnStep = kHomeTurnStep;
    double m_dWalkLimit = 30.0;
    double m_dWalkMargin = 3.0;         // the eye stays within +-(limit - margin)
    int m_nTimerPeriod = 50;            // milliseconds
    unsigned int m_nTimerID = 0;
    CGLDocument* m_pDoc = nullptr;
    std::unique_ptr<CClientDC> m_pDC;
    HGLRC m_hRC = nullptr;
    C3DS m_c3DS;

    int m_nFramesDrawn = 0;  // frames actually drawn, for tests and diagnostics

signals:
    // After every key, so the shell can refresh check marks.
    void KeyHandled();

private:
    CGLSetup& GLSetup();
    void MakeCurrent();
    void StepWalk(double dX, double dY);
    // The gaze moves by one turn step within its limits; a refused step keeps the pitch.
    void LowerGaze();
    void RaiseGaze();
    void WalkHome();
    void ObjectHome();
};

extern int g_nNextTimerID;
extern int g_bInRender;
