#pragma once

#include "GLBinding.h"

// A device context is the view window itself: it names where the view's context draws.
class CDC {
public:
    explicit CDC(CView* pWnd) : m_hDC(pWnd) {}
    virtual ~CDC() = default;
    HDC GetSafeHdc() const { return m_hDC; }

private:
    HDC m_hDC;
};

class CClientDC : public CDC {
public:
    explicit CClientDC(CView* pWnd) : CDC(pWnd) {}
};
