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

    // The mouse. A drag is fixed by the button (and Shift) that starts it; its moves and
    // the wheel change the view at once and ask for one frame, which later moves join.
    void OnLButtonDown(unsigned nFlags, CPoint point) override;
    void OnLButtonUp(unsigned nFlags, CPoint point) override;
    void OnLButtonDblClk(unsigned nFlags, CPoint point) override;
    void OnMButtonDown(unsigned nFlags, CPoint point) override;
    void OnMButtonUp(unsigned nFlags, CPoint point) override;
    void OnRButtonDown(unsigned nFlags, CPoint point) override;
    void OnRButtonUp(unsigned nFlags, CPoint point) override;
    void OnMouseMove(unsigned nFlags, CPoint point) override;
    bool OnMouseWheel(unsigned nFlags, short zDelta, CPoint point) override;
    bool IsMouseFrameQueued() const { return m_bMouseFrameQueued; }

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

    // Turning per pixel of drag in object mode, and pixels per step or turn in walk mode.
    static constexpr float kDegreesPerPixel = 0.5f;
    static constexpr int kPixelsPerStep = 20;

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

    enum EDrag { kDragNone, kDragTurn, kDragPan, kDragLook, kDragSlide };
    void BeginDrag(EDrag eDrag, unsigned nButton, CPoint point);
    void EndDrag(unsigned nButton);
    void DragBy(int dx, int dy);
    void UpdateMousePointer();
    void QueueMouseFrame();
    void DrawMouseFrame();

    EDrag m_eDrag = kDragNone;
    unsigned m_nDragButton = 0;    // the MK_ flag of the button that holds the drag
    CPoint m_ptDrag;               // where the pointer was when its last move was applied
    int m_nRestX = 0;              // walk mode: pixels of this drag not yet a whole step
    int m_nRestY = 0;
    int m_nWheelRest = 0;          // walk mode: wheel units not yet a whole notch
    bool m_bMouseFrameQueued = false;
};

extern int g_nNextTimerID;
extern int g_bInRender;
