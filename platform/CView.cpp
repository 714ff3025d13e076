#include "CView.h"

#include "VirtualKeys.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QTimer>
#include <QTimerEvent>
#include <QWheelEvent>

#include <algorithm>
#include <set>

namespace {

unsigned MouseFlags(Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers)
{
    unsigned nFlags = 0;
    if (buttons & Qt::LeftButton)
        nFlags |= MK_LBUTTON;
    if (buttons & Qt::RightButton)
        nFlags |= MK_RBUTTON;
    if (buttons & Qt::MiddleButton)
        nFlags |= MK_MBUTTON;
    if (modifiers & Qt::ShiftModifier)
        nFlags |= MK_SHIFT;
    if (modifiers & Qt::ControlModifier)
        nFlags |= MK_CONTROL;
    return nFlags;
}

// Whole pixels: on a scaled screen Qt reports fractions, and a handler that sums
// differences of rounded positions never drifts from where the pointer really is.
CPoint ClientPoint(const QPointF& pos)
{
    return {qRound(pos.x()), qRound(pos.y())};
}

std::set<CView*>& LiveViews()
{
    static std::set<CView*> s_views;
    return s_views;
}

} // namespace

CView::CView(QWidget* pParent) : QOpenGLWidget(pParent)
{
    // Frames drawn outside paintGL must survive until Qt composes them.
    setUpdateBehavior(QOpenGLWidget::PartialUpdate);
    setFocusPolicy(Qt::StrongFocus);
    LiveViews().insert(this);
}

CView::~CView()
{
    LiveViews().erase(this);
}

CView* CView::FromContext(QOpenGLContext* pContext)
{
    for (CView* pView : LiveViews())
        if (pView->context() == pContext)
            return pView;
    return nullptr;
}

void CView::InstallDefaultSurfaceFormat()
{
    QSurfaceFormat fmt;
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setVersion(2, 1);
    fmt.setRedBufferSize(8);
    fmt.setGreenBufferSize(8);
    fmt.setBlueBufferSize(8);
    fmt.setDepthBufferSize(24);
    fmt.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    QSurfaceFormat::setDefaultFormat(fmt);
}

void CView::PresentFrame()
{
    if (m_bInPaint)
        return;
    m_bFramePending = true;
    update();
}

void CView::InvalidateRect(bool)
{
    m_bFramePending = false;
    update();
}

void CView::SetTimer(unsigned nIDEvent, int nElapse)
{
    KillTimer(nIDEvent);
    m_timers[nIDEvent] = STimer{startTimer(nElapse, Qt::PreciseTimer), nElapse};
}

int CView::TimerPeriod(unsigned nIDEvent) const
{
    const auto it = m_timers.find(nIDEvent);
    return it == m_timers.end() ? 0 : it->second.nElapse;
}

bool CView::KillTimer(unsigned nIDEvent)
{
    auto it = m_timers.find(nIDEvent);
    if (it == m_timers.end())
        return false;
    killTimer(it->second.nQtID);
    m_timers.erase(it);
    return true;
}

short CView::GetKeyState(unsigned nVirtKey) const
{
    const bool bDown = (nVirtKey == VK_SHIFT && (m_keyModifiers & Qt::ShiftModifier)) ||
                       (nVirtKey == VK_CONTROL && (m_keyModifiers & Qt::ControlModifier));
    return bDown ? static_cast<short>(-128) : 0;
}

bool CView::OpenGLAvailable()
{
    static const bool s_bAvailable = [] {
        QOpenGLContext context;
        return context.create();
    }();
    return s_bAvailable;
}

void CView::EnsureCreated()
{
    if (!m_bCreated) {
        m_bCreated = true;
        OnCreate();
    }
}

void CView::initializeGL()
{
    if (m_bCreated)
        OnContextRecreated();
    else
        EnsureCreated();
}

void CView::showEvent(QShowEvent* pEvent)
{
    QOpenGLWidget::showEvent(pEvent);
    // Qt creates the context when the widget is first composed; when it could not, the
    // view is still created (and reports it), just without a context.
    QTimer::singleShot(0, this, [this] {
        if (!m_bCreated && isVisible() && !isValid())
            EnsureCreated();
    });
}

void CView::resizeGL(int w, int h)
{
    m_bFramePending = false;  // a new framebuffer holds nothing yet
    OnSize(0, w, h);
}

void CView::paintGL()
{
    if (m_bFramePending) {
        m_bFramePending = false;
        return;
    }
    m_bInPaint = true;
    OnDraw(nullptr);
    m_bInPaint = false;
}

bool CView::event(QEvent* pEvent)
{
    // Tab would move the focus to the next widget before the view saw it; in the key model
    // it is a key like any other.
    if (pEvent->type() == QEvent::KeyPress) {
        auto* pKey = static_cast<QKeyEvent*>(pEvent);
        if (pKey->key() == Qt::Key_Tab || pKey->key() == Qt::Key_Backtab) {
            keyPressEvent(pKey);
            return true;
        }
    }
    return QOpenGLWidget::event(pEvent);
}

void CView::keyPressEvent(QKeyEvent* pEvent)
{
    if (IsSystemKey(*pEvent)) {
        QOpenGLWidget::keyPressEvent(pEvent);
        return;
    }
    m_keyModifiers = pEvent->modifiers();
    OnKeyDown(VirtualKeyFromEvent(*pEvent), 1, pEvent->isAutoRepeat() ? 0x4000u : 0u);
    m_keyModifiers = {};
}

void CView::focusInEvent(QFocusEvent* pEvent)
{
    QOpenGLWidget::focusInEvent(pEvent);
    if (m_bCreated)
        OnSetFocus();
}

void CView::timerEvent(QTimerEvent* pEvent)
{
    for (const auto& [nID, timer] : m_timers) {
        if (timer.nQtID == pEvent->timerId()) {
            const unsigned nIDEvent = nID;  // the handler may set or kill timers
            OnTimer(nIDEvent);
            return;
        }
    }
    QOpenGLWidget::timerEvent(pEvent);
}

void CView::mousePressEvent(QMouseEvent* pEvent)
{
    const unsigned nFlags = MouseFlags(pEvent->buttons(), pEvent->modifiers());
    const CPoint point = ClientPoint(pEvent->position());
    switch (pEvent->button()) {
    case Qt::LeftButton: OnLButtonDown(nFlags, point); break;
    case Qt::MiddleButton: OnMButtonDown(nFlags, point); break;
    case Qt::RightButton: OnRButtonDown(nFlags, point); break;
    default: QOpenGLWidget::mousePressEvent(pEvent); break;
    }
}

void CView::mouseReleaseEvent(QMouseEvent* pEvent)
{
    const unsigned nFlags = MouseFlags(pEvent->buttons(), pEvent->modifiers());
    const CPoint point = ClientPoint(pEvent->position());
    switch (pEvent->button()) {
    case Qt::LeftButton: OnLButtonUp(nFlags, point); break;
    case Qt::MiddleButton: OnMButtonUp(nFlags, point); break;
    case Qt::RightButton: OnRButtonUp(nFlags, point); break;
    default: QOpenGLWidget::mouseReleaseEvent(pEvent); break;
    }
}

void CView::mouseDoubleClickEvent(QMouseEvent* pEvent)
{
    // The second press of a double-click arrives as this event only, so the other
    // buttons get their press here.
    if (pEvent->button() == Qt::LeftButton)
        OnLButtonDblClk(MouseFlags(pEvent->buttons(), pEvent->modifiers()), ClientPoint(pEvent->position()));
    else
        mousePressEvent(pEvent);
}

void CView::mouseMoveEvent(QMouseEvent* pEvent)
{
    OnMouseMove(MouseFlags(pEvent->buttons(), pEvent->modifiers()), ClientPoint(pEvent->position()));
}

void CView::wheelEvent(QWheelEvent* pEvent)
{
    const int nDelta = std::clamp(pEvent->angleDelta().y(), -32768, 32767);
    if (nDelta == 0 ||
        !OnMouseWheel(MouseFlags(pEvent->buttons(), pEvent->modifiers()), static_cast<short>(nDelta),
                      ClientPoint(pEvent->position())))
        QOpenGLWidget::wheelEvent(pEvent);
}
