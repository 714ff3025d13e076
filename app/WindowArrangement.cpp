#include "WindowArrangement.h"

#include <QMdiArea>
#include <QMdiSubWindow>

#include <algorithm>

void TileHorizontally(QMdiArea& area)
{
    // Only when the rows would get lower than a window can be do they go into more than
    // one column.
    const int nIconsHeight = ArrangeIcons(area);
    QList<QMdiSubWindow*> windows;
    const auto stacking = area.subWindowList(QMdiArea::StackingOrder);
    for (auto it = stacking.rbegin(); it != stacking.rend(); ++it) {  // the active window on top
        QMdiSubWindow* pSub = *it;
        if (pSub->isHidden() || pSub->isMinimized())
            continue;
        if (pSub->isMaximized())
            pSub->showNormal();
        windows.push_back(pSub);
    }
    if (windows.isEmpty())
        return;
    const QRect rect = area.viewport()->rect().adjusted(0, 0, 0, -nIconsHeight);
    int nMinHeight = 1;
    for (QMdiSubWindow* pSub : windows)
        nMinHeight = std::max(nMinHeight, pSub->minimumSizeHint().height());
    const int n = static_cast<int>(windows.size());
    const int nRows = std::clamp(rect.height() / nMinHeight, 1, n);
    const int nColumns = (n + nRows - 1) / nRows;
    for (int i = 0; i < n; ++i) {
        const int nColumn = i / nRows;
        const int nRow = i % nRows;
        const int nRowsHere = nColumn == nColumns - 1 ? n - nColumn * nRows : nRows;
        const int x0 = rect.width() * nColumn / nColumns;
        const int x1 = rect.width() * (nColumn + 1) / nColumns;
        const int y0 = rect.top() + rect.height() * nRow / nRowsHere;
        const int y1 = rect.top() + rect.height() * (nRow + 1) / nRowsHere;
        windows[i]->setGeometry(x0, y0, x1 - x0, y1 - y0);
    }
}

int ArrangeIcons(QMdiArea& area)
{
    // Side by side in the order they were opened, a new row above when one is full.
    const QRect rect = area.viewport()->rect();
    int x = 0;
    int nRowBottom = rect.bottom() + 1;
    int nRowHeight = 0;
    for (QMdiSubWindow* pSub : area.subWindowList(QMdiArea::CreationOrder)) {
        if (pSub->isHidden() || !pSub->isMinimized())
            continue;
        const QSize size = pSub->size();
        if (x > 0 && x + size.width() > rect.width()) {
            x = 0;
            nRowBottom -= nRowHeight;
            nRowHeight = 0;
        }
        pSub->move(x, nRowBottom - size.height());
        x += size.width();
        nRowHeight = std::max(nRowHeight, size.height());
    }
    return rect.bottom() + 1 - nRowBottom + nRowHeight;
}
