#pragma once

class QMdiArea;

// The arrangements of the Window menu that Qt has no counterpart for. (Cascade is Qt's own.)

// The open windows one above the other, each the full width of the workspace; the row of
// minimised windows along the bottom keeps its place.
void TileHorizontally(QMdiArea& area);

// Minimised windows lined up along the bottom of the workspace; the others stay where they
// are. Returns the height their rows take.
int ArrangeIcons(QMdiArea& area);
