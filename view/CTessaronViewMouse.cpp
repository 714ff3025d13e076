// Mouse navigation of CTessaronView. Every gesture goes through what the keys do, in the
// keys' units, so limits, refused steps and Home behave the same whichever the user uses.
// Moves change the view as they arrive but never draw: they queue at most one frame, and
// moves that come while it waits or is being drawn are shown by that frame or the next.
#include "CTessaronView.h"

#include <QCoreApplication>
#include <QStatusTipEvent>
#include <QTimer>

#include <cmath>
#include <numbers>

namespace {

const char* const kObjectPrompt =
    "Drag to turn, Shift+drag or middle-drag to move across, wheel for nearer or farther, double-click for the start view";
const char* const kWalkPrompt =
    "Drag to look around, Shift+drag or right-drag to side-step and rise, wheel to step forward or back";

// Whole units out of a running count, the rest kept for later. Truncating towards zero
// makes a way there and the same way back come out even.
int TakeWhole(int& nRest, int nUnit)
{
    const int n = nRest / nUnit;
    nRest -= n * nUnit;
    return n;
}

} // namespace

void CTessaronView::OnLButtonDown(unsigned nFlags, CPoint point)
{
    if (m_bWalkAround)
        BeginDrag((nFlags & MK_SHIFT) ? kDragSlide : kDragLook, MK_LBUTTON, point);
    else
        BeginDrag((nFlags & MK_SHIFT) ? kDragPan : kDragTurn, MK_LBUTTON, point);
}

void CTessaronView::OnLButtonUp(unsigned, CPoint)
{
    EndDrag(MK_LBUTTON);
}

void CTessaronView::OnLButtonDblClk(unsigned nFlags, CPoint point)
{
    if (!m_bWalkAround && !(nFlags & MK_SHIFT) && m_eDrag == kDragNone) {
        ObjectHome();
        QueueMouseFrame();
    }
    // The button is down again: a drag may start from here as from any press.
    OnLButtonDown(nFlags, point);
}

void CTessaronView::OnMButtonDown(unsigned, CPoint point)
{
    if (!m_bWalkAround)
        BeginDrag(kDragPan, MK_MBUTTON, point);
}

void CTessaronView::OnMButtonUp(unsigned, CPoint)
{
    EndDrag(MK_MBUTTON);
}

void CTessaronView::OnRButtonDown(unsigned, CPoint point)
{
    if (m_bWalkAround)
        BeginDrag(kDragSlide, MK_RBUTTON, point);
}

void CTessaronView::OnRButtonUp(unsigned, CPoint)
{
    EndDrag(MK_RBUTTON);
}

void CTessaronView::OnMouseMove(unsigned nFlags, CPoint point)
{
    if (m_eDrag == kDragNone)
        return;
    if (!(nFlags & m_nDragButton)) {
        // The release went to someone else (a menu or another window took the pointer).
        EndDrag(m_nDragButton);
        return;
    }
    const int dx = point.x - m_ptDrag.x;
    const int dy = point.y - m_ptDrag.y;
    m_ptDrag = point;
    if (dx != 0 || dy != 0)
        DragBy(dx, dy);
}

bool CTessaronView::OnMouseWheel(unsigned, short zDelta, CPoint)
{
    if (m_bWalkAround) {
        // A turn the other way starts a fresh notch instead of first paying off the rest.
        if ((m_nWheelRest > 0 && zDelta < 0) || (m_nWheelRest < 0 && zDelta > 0))
            m_nWheelRest = 0;
        m_nWheelRest += zDelta;
        const double s = m_dWalkStep;
        for (int n = TakeWhole(m_nWheelRest, WHEEL_DELTA); n != 0; n -= (n > 0 ? 1 : -1)) {
            const double c = std::cos(m_dHeading), sn = std::sin(m_dHeading);
            if (n > 0)
                StepWalk(s * c, s * sn);
            else
                StepWalk(-s * c, -s * sn);
        }
    } else {
        // Half a unit per notch; a multiple of a notch stays exact in float.
        m_fDistance -= static_cast<float>(zDelta) / static_cast<float>(2 * WHEEL_DELTA);
    }
    QueueMouseFrame();
    return true;
}

void CTessaronView::BeginDrag(EDrag eDrag, unsigned nButton, CPoint point)
{
    if (m_eDrag != kDragNone)
        return;  // one drag at a time; the other buttons wait for it to end
    m_eDrag = eDrag;
    m_nDragButton = nButton;
    m_ptDrag = point;
    m_nRestX = m_nRestY = 0;
    UpdateMousePointer();
}

void CTessaronView::EndDrag(unsigned nButton)
{
    if (m_eDrag == kDragNone || nButton != m_nDragButton)
        return;
    m_eDrag = kDragNone;
    m_nDragButton = 0;
    UpdateMousePointer();
}

void CTessaronView::DragBy(int dx, int dy)
{
    const double t = m_dTurnStep;
    const double s = m_dWalkStep;
    switch (m_eDrag) {
    case kDragTurn:
        // Whole pixels times a half keep the angles on the half-degree grid the keys and
        // the timer move on, so a drag and the matching presses end on the same float.
        m_fAngleZ += kDegreesPerPixel * static_cast<float>(dx);  // right turns as Left does
        m_fAngleX += kDegreesPerPixel * static_cast<float>(dy);  // down tilts as Down does
        break;
    case kDragPan: {
        // What one pixel spans at the model's distance, so the point grabbed there stays
        // under the pointer.
        const double dHalfHeight = std::fabs(static_cast<double>(m_fDistance)) * std::tan(m_dFovY * std::numbers::pi / 360.0);
        const double dPerPixel = height() > 0 ? 2.0 * dHalfHeight / height() : 0.0;
        m_fPanX += static_cast<float>(dx * dPerPixel);
        m_fPanY -= static_cast<float>(dy * dPerPixel);
        break;
    }
    case kDragLook:
        m_nRestX += dx;
        m_nRestY += dy;
        for (int n = TakeWhole(m_nRestX, kPixelsPerStep); n != 0; n -= (n > 0 ? 1 : -1))
            m_dHeading += n > 0 ? -t : t;  // right turns right, as the Right key
        for (int n = TakeWhole(m_nRestY, kPixelsPerStep); n != 0; n -= (n > 0 ? 1 : -1)) {
            if (n > 0)
                LowerGaze();  // pointer down looks down
            else
                RaiseGaze();
        }
        break;
    case kDragSlide:
        m_nRestX += dx;
        m_nRestY += dy;
        for (int n = TakeWhole(m_nRestX, kPixelsPerStep); n != 0; n -= (n > 0 ? 1 : -1)) {
            const double c = std::cos(m_dHeading), sn = std::sin(m_dHeading);
            if (n > 0)
                StepWalk(s * sn, -s * c);  // side step right
            else
                StepWalk(-s * sn, s * c);
        }
        for (int n = TakeWhole(m_nRestY, kPixelsPerStep); n != 0; n -= (n > 0 ? 1 : -1))
            m_dEyeZ += n > 0 ? -t : t;  // pointer up rises, as Page Up
        break;
    case kDragNone: return;
    }
    QueueMouseFrame();
}

void CTessaronView::UpdateMousePointer()
{
    if (m_eDrag != kDragNone)
        setCursor(Qt::ClosedHandCursor);
    else
        setCursor(m_bWalkAround ? Qt::CrossCursor : Qt::OpenHandCursor);

    const QString strPrompt = QString::fromLatin1(m_bWalkAround ? kWalkPrompt : kObjectPrompt);
    if (statusTip() != strPrompt) {
        setStatusTip(strPrompt);
        // Qt shows a widget's prompt when the pointer enters; one already inside is told.
        if (underMouse()) {
            QStatusTipEvent tip(strPrompt);
            QCoreApplication::sendEvent(this, &tip);
        }
    }
}

void CTessaronView::QueueMouseFrame()
{
    if (m_bMouseFrameQueued)
        return;  // the frame already queued will show this change too
    m_bMouseFrameQueued = true;
    QTimer::singleShot(0, this, &CTessaronView::DrawMouseFrame);
}

void CTessaronView::DrawMouseFrame()
{
    m_bMouseFrameQueued = false;
    // The wheel reaches the view under the pointer, which need not be the focused one.
    DrawNow();
}
