// View commands, the animation timer and focus handling of CTessaronView.
#include "CTessaronView.h"

void CTessaronView::OnAutoRotate()
{
    m_bAutoRotate = !m_bAutoRotate;
    if (m_bAutoRotate)
        SetTimer(m_nTimerID, m_nTimerPeriod);
    else
        KillTimer(m_nTimerID);
}

void CTessaronView::OnWalkAround()
{
    m_bWalkAround = !m_bWalkAround;
    UpdateMousePointer();
    DrawNow();
}

void CTessaronView::OnWhiteBackground()
{
    m_bWhiteBackground = !m_bWhiteBackground;
    DrawNow();
}

void CTessaronView::OnShowNet()
{
    m_bShowNet = !m_bShowNet;
    DrawNow();
}

void CTessaronView::OnZoomIn()
{
    if (m_bWalkAround)
        m_dWalkScale *= 1.1;
    else
        m_fDistance -= 0.1f;
    DrawNow();
}

void CTessaronView::OnZoomOut()
{
    if (m_bWalkAround)
        m_dWalkScale *= 0.9;
    else
        m_fDistance += 0.1f;
    DrawNow();
}

void CTessaronView::OnHome()
{
    if (m_bWalkAround)
        WalkHome();
    else
        ObjectHome();
    DrawNow();
}

void CTessaronView::OnFullShading()
{
    m_bFullShading = !m_bFullShading;
    DrawNow();
}

void CTessaronView::OnTimer(unsigned nIDEvent)
{
    if (nIDEvent == m_nTimerID) {
        if (m_bWalkAround) {
            m_fAngleX += 1.0f;
            m_fAngleY += 1.0f;
        }
        m_fAngleZ += 1.0f;
        DrawNow();
    }
    // Qt delivers at most one tick per timer however late the loop is, so there is no
    // queue of stale ticks to drop here.
}

void CTessaronView::OnSetFocus()
{
    DrawNow();
}
