#pragma once

#include <QOpenGLWidget>

#include <map>

class CDocument;
class CDC;

// A pointer position in device-independent pixels of the view's client area.
struct CPoint {
    int x = 0;
    int y = 0;
};

// Buttons and modifiers held during a mouse message, as the framework passes them.
enum : unsigned {
    MK_LBUTTON = 0x0001,
    MK_RBUTTON = 0x0002,
    MK_SHIFT = 0x0004,
    MK_CONTROL = 0x0008,
    MK_MBUTTON = 0x0010,
};

// One notch of a common mouse wheel, in the units of a wheel message's delta.
inline constexpr int WHEEL_DELTA = 120;

// A view window with its own OpenGL context. Qt's events arrive here and go on to the
// handlers under the framework's names; a derived view overrides those handlers only.
//
// Presentation: a frame drawn outside paintGL (a key, a command, a timer tick) lands in
// the widget's framebuffer; PresentFrame asks Qt to compose it as it is, without calling
// OnDraw again. InvalidateRect asks for a real repaint through OnDraw.
class CView : public QOpenGLWidget {
    Q_OBJECT
public:
    explicit CView(QWidget* pParent = nullptr);
    ~CView() override;

    CDocument* GetDocument() const { return m_pDocument; }
    CDocument* m_pDocument = nullptr;  // set by the document when the view is attached

    static CView* FromContext(QOpenGLContext* pContext);

    // Compatibility profile, RGBA, depth buffer, double-buffered: what every view needs.
    // Must run before the application object is created.
    static void InstallDefaultSurfaceFormat();

    void PresentFrame();
    void InvalidateRect(bool bErase = true);

    // A per-view timer keyed by the caller's id. Setting an id that runs replaces it;
    // Qt never queues more than one tick of a timer, so a slow frame cannot build a backlog.
    void SetTimer(unsigned nIDEvent, int nElapse);
    bool KillTimer(unsigned nIDEvent);
    bool IsTimerRunning(unsigned nIDEvent) const { return m_timers.count(nIDEvent) != 0; }
    // The period a running timer was set with, 0 when it does not run.
    int TimerPeriod(unsigned nIDEvent) const;

    // Negative while the key is held, read from the key event being handled, which is
    // the moment the view looks at modifiers.
    short GetKeyState(unsigned nVirtKey) const;

    bool IsCreated() const { return m_bCreated; }
    // Runs the creation handler if it has not run, with or without a context.
    void EnsureCreated();

    // Whether this process can create OpenGL contexts at all; asked once.
    static bool OpenGLAvailable();

    // A new model window opens at a size to look at a model, not at the minimum.
    QSize sizeHint() const override { return {640, 480}; }

protected:
    virtual int OnCreate() { return 0; }
    // Qt replaces a widget's context when the widget moves to another top-level window;
    // the new context needs the per-context set-up again.
    virtual void OnContextRecreated() {}
    virtual void OnDraw(CDC* pDC) = 0;
    virtual void OnSize(unsigned nType, int cx, int cy) { (void)nType, (void)cx, (void)cy; }
    virtual void OnKeyDown(unsigned nChar, unsigned nRepCnt, unsigned nFlags) { (void)nChar, (void)nRepCnt, (void)nFlags; }
    virtual void OnSetFocus() {}
    virtual void OnTimer(unsigned nIDEvent) { (void)nIDEvent; }
    virtual void OnLButtonDown(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnLButtonUp(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnLButtonDblClk(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnMButtonDown(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnMButtonUp(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnRButtonDown(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnRButtonUp(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    virtual void OnMouseMove(unsigned nFlags, CPoint point) { (void)nFlags, (void)point; }
    // zDelta is positive for the wheel turned away from the user; false passes it on.
    virtual bool OnMouseWheel(unsigned nFlags, short zDelta, CPoint point) { (void)nFlags, (void)zDelta, (void)point; return false; }
    virtual void OnDestroy() {}

    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    bool event(QEvent* pEvent) override;
    void keyPressEvent(QKeyEvent* pEvent) override;
    void focusInEvent(QFocusEvent* pEvent) override;
    void timerEvent(QTimerEvent* pEvent) override;
    void mousePressEvent(QMouseEvent* pEvent) override;
    void mouseReleaseEvent(QMouseEvent* pEvent) override;
    void mouseDoubleClickEvent(QMouseEvent* pEvent) override;
    void mouseMoveEvent(QMouseEvent* pEvent) override;
    void wheelEvent(QWheelEvent* pEvent) override;
    void showEvent(QShowEvent* pEvent) override;

private:

    bool m_bCreated = false;
    bool m_bFramePending = false;            // the framebuffer holds a frame drawn outside paintGL
    bool m_bInPaint = false;                 // inside paintGL, where Qt composes anyway
    Qt::KeyboardModifiers m_keyModifiers;    // of the key event being handled
    struct STimer {
        int nQtID;
        int nElapse;
    };
    std::map<unsigned, STimer> m_timers;     // caller's id -> Qt timer
};
