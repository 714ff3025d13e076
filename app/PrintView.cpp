#include "PrintView.h"

#include "view/CTessaronView.h"

#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>

void PrintView(CTessaronView& view, QWidget* pParent)
{
    const QImage frame = view.grabFramebuffer();
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, pParent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    QPainter painter(&printer);
    const QRect page = painter.viewport();
    QSize size = frame.size();
    size.scale(page.size(), Qt::KeepAspectRatio);
    painter.setViewport(page.x(), page.y(), size.width(), size.height());
    painter.setWindow(frame.rect());
    painter.drawImage(0, 0, frame);
}
