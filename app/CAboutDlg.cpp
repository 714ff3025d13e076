#include "app/CAboutDlg.h"

#include "app/resources/Resources.h"
#include "app/resources/resource.h"

#include <QFontMetrics>
#include <QIcon>
#include <QLabel>
#include <QPushButton>
#include <QRect>

#include <algorithm>

namespace {

// Dialog units: a quarter of the font's average character width across, an eighth of its
// height down.
class CDialogUnits {
public:
    explicit CDialogUnits(const QFont& font)
    {
        const QFontMetrics metrics(font);
        const int nAlphabetWidth =
            metrics.horizontalAdvance(QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
        m_nBaseX = std::max(1, (nAlphabetWidth / 26 + 1) / 2);
        m_nBaseY = std::max(1, metrics.height());
    }
    int X(int nUnits) const { return nUnits * m_nBaseX / 4; }
    int Y(int nUnits) const { return nUnits * m_nBaseY / 8; }
    QRect Rect(int nX, int nY, int nWidth, int nHeight) const { return {X(nX), Y(nY), X(nWidth), Y(nHeight)}; }

private:
    int m_nBaseX = 1;
    int m_nBaseY = 1;
};

} // namespace

CAboutDlg::CAboutDlg(QWidget* pParent)
    : QDialog(pParent, Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint |
                           Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint)
{
    setWindowTitle(QStringLiteral("About Tessaron"));
    const CDialogUnits units(font());

    // A static icon keeps the icon's own size; the template's box only places it.
    auto* pIcon = new QLabel(this);
    pIcon->setPixmap(LoadResourceIcon(IDR_MAINFRAME).pixmap(32, 32));
    pIcon->setGeometry(units.X(11), units.Y(17), 32, 32);

    auto* pText = new QLabel(QStringLiteral("Tessaron Version 1.0"), this);
    pText->setTextFormat(Qt::PlainText);
    pText->setGeometry(units.Rect(40, 10, 119, 8));

    auto* pOK = new QPushButton(QStringLiteral("OK"), this);
    pOK->setDefault(true);
    pOK->setGeometry(units.Rect(178, 7, 50, 16));
    connect(pOK, &QPushButton::clicked, this, &QDialog::accept);
    pOK->setFocus();

    setFixedSize(units.X(235), units.Y(55));
}
