#pragma once

#include "model/C3DS.h"
#include "platform/CDC.h"
#include "platform/CView.h"

#include <memory>

class CGLDocument;
class CGLSetup;

// One model window's view: its own GL context, the model it shows, the object-mode and
// walk-mode cameras, the view commands and the animation timer.
class CTessaronView : public CView {
    Q_OBJECT
public:
    explicit CTessaronView(QWidget* pParent = nullptr);
    ~CTessaronView() override;

    // Frame drawing.
    int RenderScene();
    void ApplyWalkView();
    void SetWalkCamera();
    void BuildNetList();
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

    bool m_bLevelView = false;
    double m_dEyeX = 0.0;
    double m_dEyeY = -10.0;
    double m_dEyeZ = 2.0;
    double m_dPitch = 1.57079632675;    // level gaze; larger lowers it
    double m_dHeading = 1.57079632675;  // radians from +X towards +Y, never wrapped
    double m_dWalkStep = 0.5;
    double m_dTurnStep = 0.1;           // also the height step
    double m_dHomeEyeX = 0.0;
    double m_dHomeEyeY = -10.0;
    double m_dHomeEyeZ = 2.0;
    double m_dHomePitch = 1.57079632675;
    double m_dHomeHeading = 1.57079632675;
    double m_dHomeWalkStep = 0.5;
    double m_dHomeTurnStep = 0.1;
    double m_dWalkLimit = 30.0;
    double m_dWalkMargin = 3.0;         // the eye stays within +-(limit - margin)
    double m_dSpinX = 0.0;
    double m_dSpinY = 0.0;
    double m_dSpinZ = 0.0;
    double m_dFovY = 45.0;
    double m_dAspect = 1.0;
    double m_dNear = 0.10000000149011612;  // the float 0.1, widened
    double m_dFar = 100.0;
    double m_dWalkScale = 0.0;          // 0 asks the model drawing for its fit scale
    bool m_bAutoRotate = false;
    bool m_bWhiteBackground = false;
    bool m_bShowNet = true;
    bool m_bShowAxes = false;
    bool m_bWalkAround = false;
    int m_nTimerPeriod = 50;            // milliseconds
    unsigned int m_nTimerID = 0;
    float m_fAngleX = -70.0f;
    float m_fAngleY = 0.0f;
    float m_fAngleZ = -45.0f;
    float m_fDistance = 5.0f;
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
    void PitchUp();
    void PitchDown();
    void WalkHome();
    void ObjectHome();
};

extern int g_nNextTimerID;
extern int g_bInRender;
