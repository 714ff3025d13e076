// Keyboard navigation of CTessaronView: object mode turns the model, walk mode moves
// the eye over the ground plane inside the walk area.
#include "CTessaronView.h"

#include "platform/VirtualKeys.h"

#include <cmath>

void CTessaronView::OnKeyDown(unsigned nChar, unsigned nRepCnt, unsigned nFlags)
{
    switch (nChar) {
    case 'A': m_bShowAxes = !m_bShowAxes; break;
    case 'N': m_bShowNet = !m_bShowNet; break;
    case 'R': OnAutoRotate(); break;
    case 'S': m_bFullShading = !m_bFullShading; break;
    case 'W': m_bWhiteBackground = !m_bWhiteBackground; break;
    case VK_NUMPAD3:
        m_nTimerPeriod += 10;
        SetTimer(m_nTimerID, m_nTimerPeriod);
        break;
    case VK_NUMPAD9:
        if (m_nTimerPeriod > 10) {
            m_nTimerPeriod -= 10;
            SetTimer(m_nTimerID, m_nTimerPeriod);
        }
        break;
    default: break;
    }

    if (m_bWalkAround) {
        OnWalkKey(nChar, nRepCnt, nFlags);
    } else {
        switch (nChar) {
        case VK_HOME:
        case VK_NUMPAD5: ObjectHome(); break;
        case VK_LEFT: m_fAngleZ += 1.0f; break;
        case VK_RIGHT: m_fAngleZ -= 1.0f; break;
        case VK_UP: m_fAngleX -= 1.0f; break;
        case VK_DOWN: m_fAngleX += 1.0f; break;
        case VK_ADD: m_fDistance -= 0.1f; break;
        case VK_SUBTRACT: m_fDistance += 0.1f; break;
        default: break;
        }
    }
    InvalidateRect(true);
    emit KeyHandled();
}

void CTessaronView::OnWalkKey(unsigned nChar, unsigned, unsigned)
{
    const bool bCtrl = GetKeyState(VK_CONTROL) < 0;
    const bool bShift = GetKeyState(VK_SHIFT) < 0;
    const double t = m_dTurnStep;
    const double s = m_dWalkStep;
    const double c = std::cos(m_dHeading);
    const double n = std::sin(m_dHeading);
    int nFrames = 1;

    switch (nChar) {
    case VK_LEFT:
        if (bCtrl && bShift)
            m_dHeading += 0.1 * t;
        else if (bShift)
            StepWalk(-s * n, s * c);
        else
            m_dHeading += t;
        break;
    case VK_RIGHT:
        if (bCtrl && bShift)
            m_dHeading -= 0.1 * t;
        else if (bShift)
            StepWalk(s * n, -s * c);
        else
            m_dHeading -= t;
        break;
    case VK_UP:
        if (bCtrl && bShift)
            StepWalk(0.1 * s * c, 0.1 * s * n);
        else if (bShift)
            m_dEyeZ += t;
        else if (bCtrl)
            LowerGaze();
        else
            StepWalk(s * c, s * n);
        break;
    case VK_DOWN:
        if (bCtrl && bShift)
            StepWalk(-0.1 * s * c, -0.1 * s * n);
        else if (bShift)
            m_dEyeZ -= t;
        else if (bCtrl)
            RaiseGaze();
        else
            StepWalk(-s * c, -s * n);
        break;
    case VK_PRIOR: m_dEyeZ += t; break;
    case VK_NEXT: m_dEyeZ -= t; break;
    case VK_HOME:
    case VK_NUMPAD5: WalkHome(); break;
    case VK_NUMPAD4: m_dHeading += t; break;
    case VK_NUMPAD6: m_dHeading -= t; break;
    case VK_NUMPAD8: LowerGaze(); break;
    case VK_NUMPAD2: RaiseGaze(); break;
    case VK_ADD: m_dWalkScale *= 1.1; break;
    case VK_SUBTRACT: m_dWalkScale *= 0.9; break;
    case VK_F2:
        m_bLevelView = !m_bLevelView;
        nFrames = 2;
        break;
    default: break;
    }

    for (int i = 0; i < nFrames; ++i)
        DrawNow();
}

bool CTessaronView::IsOutsideWalkArea() const
{
    const double dLimit = m_dWalkLimit - m_dWalkMargin;
    return std::fabs(m_dEyeX) > dLimit || std::fabs(m_dEyeY) > dLimit;
}

void CTessaronView::StepWalk(double dX, double dY)
{
    // Each axis is tried on its own, so a step across one edge slides along it. A refused
    // part puts back the old value: adding and subtracting it again can round to the
    // neighbouring double, and the eye would move although the step was refused.
    const double dOldX = m_dEyeX;
    m_dEyeX += dX;
    if (IsOutsideWalkArea())
        m_dEyeX = dOldX;
    const double dOldY = m_dEyeY;
    m_dEyeY += dY;
    if (IsOutsideWalkArea())
        m_dEyeY = dOldY;
}

void CTessaronView::LowerGaze()
{
    const double dOld = m_dPitch;
    m_dPitch += m_dTurnStep;
    if (m_dPitch > kPitchMax)
        m_dPitch = dOld;
}

void CTessaronView::RaiseGaze()
{
    const double dOld = m_dPitch;
    m_dPitch -= m_dTurnStep;
    if (m_dPitch < 0)
        m_dPitch = dOld;
}

void CTessaronView::WalkHome()
{
    m_dEyeX = m_dHomeEyeX;
    m_dEyeY = m_dHomeEyeY;
    m_dEyeZ = m_dHomeEyeZ;
    m_dPitch = m_dHomePitch;
    m_dHeading = m_dHomeHeading;
    m_dWalkStep = m_dHomeWalkStep;
    m_dTurnStep = m_dHomeTurnStep;
    m_dSpinX = m_dSpinY = m_dSpinZ = 0.0;
}

void CTessaronView::ObjectHome()
{
    m_fAngleX = kHomeAngleX;
    m_fAngleY = kHomeAngleY;
    m_fAngleZ = kHomeAngleZ;
    m_fPanX = 0.0f;
    m_fPanY = 0.0f;
}
