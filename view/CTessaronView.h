#pragma once

#include "CScene.h"
#include "geometry/CShadedModel.h"
#include "geometry/TextureLevels.h"
#include "model/C3DS.h"
#include "platform/CDC.h"
#include "platform/CView.h"

#include <memory>

class CGLDocument;
class CGLSetup;
class CTextureDecoder;
class CTextureLibrary;

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
    // One frame in this view's own context, whatever is current: binds it, draws, and puts
    // back the binding that was there. Every handler that draws goes through here.
    int DrawNow();

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
    void OnFullShading();
    bool OnUpdateAutoRotate() const { return m_bAutoRotate; }
    bool OnUpdateWalkAround() const { return m_bWalkAround; }
    bool OnUpdateWhiteBackground() const { return m_bWhiteBackground; }
    bool OnUpdateShowNet() const { return m_bShowNet; }
    bool OnUpdateFullShading() const { return m_bFullShading; }

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

    double m_dWalkStep = 0.5;
    double m_dTurnStep = 0.1;  // also the height step
    // Home in walk mode: the start state, copied from the members above as constructed.
    double m_dHomeEyeX = m_dEyeX;
    double m_dHomeEyeY = m_dEyeY;
    double m_dHomeEyeZ = m_dEyeZ;
    double m_dHomePitch = m_dPitch;
    double m_dHomeHeading = m_dHeading;
    double m_dHomeWalkStep = m_dWalkStep;
    double m_dHomeTurnStep = m_dTurnStep;
    double m_dWalkLimit = 30.0;
    double m_dWalkMargin = 3.0;         // the eye stays within +-(limit - margin)
    int m_nTimerPeriod = 50;            // milliseconds
    unsigned int m_nTimerID = 0;
    CGLDocument* m_pDoc = nullptr;
    std::unique_ptr<CClientDC> m_pDC;
    HGLRC m_hRC = nullptr;
    C3DS m_c3DS;
    // Full shading of m_c3DS, built on its first shaded frame, and the model's textures in
    // this view's context, looked up beside the document's file on first use and decoded
    // on worker threads; the decoder goes first, so no answer reaches a library that is gone.
    CShadedModel m_cShaded;
    std::unique_ptr<CTextureLibrary> m_pTextures;
    std::unique_ptr<CTextureDecoder> m_pDecoder;

    int m_nFramesDrawn = 0;  // frames actually drawn, for tests and diagnostics

    // Turning per pixel of drag in object mode, and pixels per step or turn in walk mode.
    static constexpr float kDegreesPerPixel = 0.5f;
    static constexpr int kPixelsPerStep = 20;

signals:
    // After every key, so the shell can refresh check marks.
    void KeyHandled();
    // Textures of the model that full shading could not show, one line, once per texture.
    void TextureWarning(const QString& strText);
    // "Loading textures n of m" while they decode; an empty text when they are all there.
    void TextureProgress(const QString& strText);

private:
    CGLSetup& GLSetup();
    void MakeCurrent();
    STextureRef TextureFor(const S3DSTextureMap& map);
    void OnTextureDecoded(const std::string& strPath, ETextureStatus eStatus, STextureLevels levels);
    // Decoded textures go into GL one bounded step per turn of the event loop, while full
    // shading is on; each shows in the frame after its last step.
    void QueueTextureUpload();
    void UploadTextures();
    void ReportTextures();
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
    QString m_strTextureWarnings;  // arose while textures were loading, shown when they are done
    bool m_bLoadingShown = false;
    bool m_bUploadQueued = false;
};

extern int g_nNextTimerID;
extern int g_bInRender;
