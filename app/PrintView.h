#pragma once

class CTessaronView;
class QWidget;

// File > Print: the frame as it is on screen, scaled to the page, after the print dialog
// (owned by pParent) was accepted. A printed page that shows the model is what a user
// asking to print expects.
void PrintView(CTessaronView& view, QWidget* pParent);
