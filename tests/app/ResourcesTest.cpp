#include "app/CAboutDlg.h"
#include "app/resources/Resources.h"
#include "app/resources/resource.h"

#include <QApplication>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QLabel>
#include <QPalette>
#include <QPixmap>
#include <QPushButton>

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <vector>

namespace {

// One line per menu item: "-" for a separator, a leading "~" for a greyed item.
struct SExpectedPopup {
    std::string strText;
    std::vector<std::pair<std::string, unsigned>> aItems;
};

std::vector<SExpectedPopup> Flatten(unsigned nMenu)
{
    std::vector<SExpectedPopup> aPopups;
    for (const SMenuPopup& popup : LoadMenuTable(nMenu)) {
        SExpectedPopup& flat = aPopups.emplace_back(SExpectedPopup{std::string(popup.strText), {}});
        for (const SMenuItem& item : popup.aItems) {
            if (item.bSeparator) {
                EXPECT_TRUE(item.strText.empty() && item.nID == ID_SEPARATOR) << "separator with text or id";
                flat.aItems.emplace_back("-", 0);
            } else {
                flat.aItems.emplace_back((item.bGrayed ? "~" : "") + std::string(item.strText), item.nID);
            }
        }
    }
    return aPopups;
}

void ExpectMenu(unsigned nMenu, const std::vector<SExpectedPopup>& aExpected)
{
    const std::vector<SExpectedPopup> aActual = Flatten(nMenu);
    ASSERT_EQ(aActual.size(), aExpected.size()) << "menu " << nMenu;
    for (std::size_t i = 0; i < aExpected.size(); ++i) {
        EXPECT_EQ(aActual[i].strText, aExpected[i].strText);
        EXPECT_EQ(aActual[i].aItems, aExpected[i].aItems) << "menu " << nMenu << ", popup " << aExpected[i].strText;
    }
}

const std::vector<std::pair<std::string, unsigned>> s_aHelpPopup = {
    {"&Help Topics", ID_HELP_FINDER}, {"-", 0}, {"&About Tessaron...", ID_APP_ABOUT}};

TEST(MenuTable, MainFrameMenuWithoutDocument)
{
    ExpectMenu(IDR_MAINFRAME, {
        {"&File", {{"&Open...\tCtrl+O", ID_FILE_OPEN}, {"-", 0}, {"~Recent File", ID_FILE_MRU_FILE1}, {"-", 0},
                   {"&Close", ID_FILE_CLOSE}, {"E&xit", ID_APP_EXIT}}},
        {"&View", {{"&Toolbar", ID_VIEW_TOOLBAR}, {"&Status Bar", ID_VIEW_STATUS_BAR}}},
        {"&Help", s_aHelpPopup},
    });
}

TEST(MenuTable, ModelMenuWithDocument)
{
    ExpectMenu(IDR_MODELTYPE, {
        {"&File", {{"&Open...\tCtrl+O", ID_FILE_OPEN}, {"&Close", ID_FILE_CLOSE}, {"-", 0},
                   {"~Recent File", ID_FILE_MRU_FILE1}, {"-", 0}, {"E&xit", ID_APP_EXIT}}},
        {"&View", {{"&Toolbar", ID_VIEW_TOOLBAR}, {"&Status Bar", ID_VIEW_STATUS_BAR}, {"-", 0},
                   {"Auto rotate", ID_AUTO_ROTATE}, {"Walk around", ID_WALK_AROUND},
                   {"White background", ID_WHITE_BACKGROUND}, {"Show net", ID_SHOW_NET},
                   {"Full shading", ID_VIEW_FULL_SHADING}, {"Zoom in", ID_ZOOM_IN},
                   {"Zoom out", ID_ZOOM_OUT}, {"Home", ID_HOME}}},
        {"&Window", {{"&Cascade", ID_WINDOW_CASCADE}, {"&Tile", ID_WINDOW_TILE_HORZ},
                     {"&Arrange Icons", ID_WINDOW_ARRANGE}}},
        {"&Help", s_aHelpPopup},
    });
    EXPECT_TRUE(LoadMenuTable(IDD_ABOUTBOX).empty());
}

TEST(StringTable, ModelCommandsShowOneTextAsPromptAndTooltip)
{
    const std::pair<unsigned, std::string> aCommands[] = {
        {ID_AUTO_ROTATE, "Auto rotation of scene"}, {ID_WALK_AROUND, "Walking around object"},
        {ID_WHITE_BACKGROUND, "Show white background"}, {ID_SHOW_NET, "Show the coordinate grid"},
        {ID_ZOOM_IN, "Make more Zoom"}, {ID_ZOOM_OUT, "Make less Zoom"}, {ID_HOME, "View from start point"},
    };
    for (const auto& [nID, strText] : aCommands) {
        EXPECT_EQ(LoadResourceString(nID), strText + "\n" + strText);
        EXPECT_EQ(StatusPrompt(nID), strText);
        EXPECT_EQ(ToolTip(nID), strText);
    }
    // The newest switch takes the first number after the program's own commands, which no
    // other command of the menus or the toolbar shares. Like a framework command, it has a
    // short name for its tooltip.
    EXPECT_EQ(ID_VIEW_FULL_SHADING, 32787u);
    for (const unsigned nMenu : {IDR_MAINFRAME, IDR_MODELTYPE})
        for (const SMenuPopup& popup : LoadMenuTable(nMenu))
            for (const SMenuItem& item : popup.aItems)
                EXPECT_EQ(item.nID == ID_VIEW_FULL_SHADING, item.strText == "Full shading") << item.strText;
    for (const SToolBarButton& button : LoadToolBarTable())
        EXPECT_EQ(button.nID == ID_VIEW_FULL_SHADING, button.nImage == 8) << button.nID;
    EXPECT_EQ(StatusPrompt(ID_VIEW_FULL_SHADING), "Draw every face in its own material, smoothed and textured");
    EXPECT_EQ(ToolTip(ID_VIEW_FULL_SHADING), "Full shading");
    // A framework command's tooltip is its own short name, not the prompt.
    EXPECT_EQ(StatusPrompt(ID_FILE_OPEN), "Open an existing model file");
    EXPECT_EQ(ToolTip(ID_FILE_OPEN), "Open");
}

TEST(StringTable, EveryReachableCommandHasAPrompt)
{
    std::set<unsigned> aCommands;
    for (const unsigned nMenu : {IDR_MAINFRAME, IDR_MODELTYPE})
        for (const SMenuPopup& popup : LoadMenuTable(nMenu))
            for (const SMenuItem& item : popup.aItems)
                if (!item.bSeparator)
                    aCommands.insert(item.nID);
    for (const SAccelerator& accel : LoadAcceleratorTable())
        aCommands.insert(accel.nID);
    for (const SToolBarButton& button : LoadToolBarTable()) {
        aCommands.insert(button.nID);
        EXPECT_FALSE(ToolTip(button.nID).empty()) << button.nID;
    }
    for (const unsigned nID : aCommands)
        EXPECT_FALSE(StatusPrompt(nID).empty()) << nID;
    EXPECT_EQ(StatusPrompt(ID_FILE_MRU_FILE16), StatusPrompt(ID_FILE_MRU_FILE1));
}

TEST(StringTable, TemplateAndFrameworkStrings)
{
    const std::string aFields[] = {"", "Tessaron", "Tessaron", "", "", "Tessaron.Document", "Tessaron.Document"};
    for (std::size_t i = 0; i < std::size(aFields); ++i)
        EXPECT_EQ(ResourceStringField(IDR_MODELTYPE, i), aFields[i]) << "field " << i;
    EXPECT_EQ(ResourceStringField(IDR_MODELTYPE, 7), "");

    EXPECT_EQ(LoadResourceString(IDR_MAINFRAME), "Tessaron");
    EXPECT_EQ(LoadResourceString(AFX_IDS_APP_TITLE), "Tessaron");
    EXPECT_EQ(LoadResourceString(AFX_IDS_IDLEMESSAGE), " ");
    EXPECT_FALSE(LoadResourceString(IDP_OLE_INIT_FAILED).empty());
    EXPECT_EQ(LoadResourceString(AFX_IDP_FAILED_TO_LAUNCH_HELP), "Failed to launch help.");
    EXPECT_EQ(LoadResourceString(AFX_IDS_OPENFILE), "Open");
    EXPECT_EQ(LoadResourceString(AFX_IDS_ALLFILTER), "All Files (*.*)");
    EXPECT_EQ(LoadResourceString(ID_INDICATOR_SCRL), "SCRL");
    EXPECT_EQ(LoadResourceString(32772), "");
    EXPECT_EQ(StatusPrompt(32772), "");
    EXPECT_EQ(ToolTip(IDR_MAINFRAME), "");
}

TEST(StringTable, FormatDoesNotExpandPlaceholdersInsideTheArgument)
{
    EXPECT_EQ(AfxFormatString1(AFX_IDP_FILE_NOT_FOUND, "%1%1.3ds"),
              "%1%1.3ds\nCannot find this file.\nPlease verify that the correct path and file name are given.");
}

TEST(Accelerators, KeysAndCommands)
{
    const std::pair<QKeySequence, unsigned> aExpected[] = {
        {QKeySequence(Qt::CTRL | Qt::Key_N), ID_FILE_NEW}, {QKeySequence(Qt::CTRL | Qt::Key_O), ID_FILE_OPEN},
        {QKeySequence(Qt::CTRL | Qt::Key_P), ID_FILE_PRINT}, {QKeySequence(Qt::Key_F1), ID_HELP},
        {QKeySequence(Qt::SHIFT | Qt::Key_F1), ID_CONTEXT_HELP},
    };
    const auto aTable = LoadAcceleratorTable();
    ASSERT_EQ(aTable.size(), std::size(aExpected));
    for (std::size_t i = 0; i < aTable.size(); ++i) {
        EXPECT_EQ(AcceleratorKeys(aTable[i]), aExpected[i].first) << AcceleratorKeys(aTable[i]).toString().toStdString();
        EXPECT_EQ(aTable[i].nID, aExpected[i].second);
    }
}

// The palette of the standard 16-colour bitmaps, in stored order.
const QRgb s_aVgaPalette[16] = {
    qRgb(0, 0, 0),       qRgb(128, 0, 0),   qRgb(0, 128, 0),   qRgb(128, 128, 0),
    qRgb(0, 0, 128),     qRgb(128, 0, 128), qRgb(0, 128, 128), qRgb(192, 192, 192),
    qRgb(128, 128, 128), qRgb(255, 0, 0),   qRgb(0, 255, 0),   qRgb(255, 255, 0),
    qRgb(0, 0, 255),     qRgb(255, 0, 255), qRgb(0, 255, 255), qRgb(255, 255, 255),
};
const QRgb s_grey = qRgb(192, 192, 192);

QPalette PaletteWithFace(QColor face)
{
    QPalette palette;
    palette.setColor(QPalette::Button, face);
    palette.setColor(QPalette::Light, Qt::white);
    palette.setColor(QPalette::Dark, QColor(90, 90, 90));
    return palette;
}

TEST(ToolBar, ButtonsInOrderOnAStandardSixteenColourBitmap)
{
    const std::pair<unsigned, int> aExpected[] = {
        {ID_FILE_OPEN, 0}, {ID_WALK_AROUND, 1}, {ID_SHOW_NET, 2}, {ID_WHITE_BACKGROUND, 3},
        {ID_VIEW_FULL_SHADING, 8},
        {ID_ZOOM_IN, 4},   {ID_ZOOM_OUT, 5},    {ID_HOME, 6},     {ID_AUTO_ROTATE, 7},
    };
    const auto aTable = LoadToolBarTable();
    ASSERT_EQ(aTable.size(), std::size(aExpected));
    for (std::size_t i = 0; i < aTable.size(); ++i)
        EXPECT_EQ(std::make_pair(aTable[i].nID, aTable[i].nImage), aExpected[i]) << "button " << i;

    const QImage bitmap = LoadToolBarBitmap();
    ASSERT_EQ(bitmap.size(), QSize(144, 15));
    ASSERT_EQ(bitmap.colorCount(), 16);
    for (int i = 0; i < 16; ++i)
        EXPECT_EQ(bitmap.color(i) | 0xff000000u, s_aVgaPalette[i]) << "colour " << i;

    // Every glyph has a drawing on a grey border, and no two glyphs are the same picture.
    std::set<QByteArray> aGlyphs;
    for (int n = 0; n < 9; ++n) {
        const QImage glyph = bitmap.copy(n * 16, 0, 16, 15).convertToFormat(QImage::Format_RGB32);
        int nDrawn = 0;
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x)
                nDrawn += glyph.pixel(x, y) != s_grey;
        EXPECT_GT(nDrawn, 20) << "glyph " << n;
        aGlyphs.insert(QByteArray(reinterpret_cast<const char*>(glyph.constBits()), glyph.sizeInBytes()));
    }
    EXPECT_EQ(aGlyphs.size(), 9u);
}

TEST(ToolBar, GreyBecomesTheButtonFaceAndNothingElseChanges)
{
    const QColor face(10, 200, 30);
    const QImage bitmap = LoadToolBarBitmap().convertToFormat(QImage::Format_RGB32);
    for (int n = 0; n < 9; ++n) {
        const QImage button = ToolbarButtonPixmap(n, PaletteWithFace(face)).toImage().convertToFormat(QImage::Format_RGB32);
        ASSERT_EQ(button.size(), QSize(TOOLBAR_BUTTON_CX, TOOLBAR_BUTTON_CY));
        for (int y = 0; y < 15; ++y)
            for (int x = 0; x < 16; ++x) {
                const QRgb original = bitmap.pixel(n * 16 + x, y);
                ASSERT_EQ(button.pixel(x, y), original == s_grey ? face.rgb() : original)
                    << "glyph " << n << " at " << x << "," << y;
            }
    }
    EXPECT_TRUE(ToolbarButtonPixmap(9, PaletteWithFace(face)).isNull());
    EXPECT_TRUE(ToolbarButtonPixmap(-1, PaletteWithFace(face)).isNull());
}

TEST(ToolBar, DisabledButtonIsEmbossedOnTheFace)
{
    const QPalette palette = PaletteWithFace(QColor(10, 200, 30));
    const QImage disabled = ToolbarButtonIcon(2, palette).pixmap(QSize(16, 15), QIcon::Disabled).toImage()
                                .convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(disabled.size(), QSize(16, 15));
    std::set<QRgb> aColours;
    for (int y = 0; y < 15; ++y)
        for (int x = 0; x < 16; ++x)
            aColours.insert(disabled.pixel(x, y));
    // Background and shape in the palette's shades only: no grey box, no glyph colours.
    EXPECT_EQ(aColours, (std::set<QRgb>{palette.color(QPalette::Button).rgb(), palette.color(QPalette::Light).rgb(),
                                       palette.color(QPalette::Dark).rgb()}));
    EXPECT_EQ(disabled.pixel(0, 0), palette.color(QPalette::Button).rgb());
}

TEST(Icons, BothIconsAtBothSizes)
{
    for (const unsigned nID : {IDR_MAINFRAME, IDR_MODELTYPE}) {
        const QIcon icon = LoadResourceIcon(nID);
        const QList<QSize> aSizes = icon.availableSizes();
        EXPECT_TRUE(aSizes.contains(QSize(32, 32))) << nID;
        EXPECT_TRUE(aSizes.contains(QSize(16, 16))) << nID;
        // Drawn on a transparent ground, so the icon sits on any title bar.
        EXPECT_EQ(qAlpha(icon.pixmap(QSize(32, 32)).toImage().pixel(0, 0)), 0) << nID;
    }
    EXPECT_NE(LoadResourceIcon(IDR_MAINFRAME).pixmap(QSize(32, 32)).toImage(),
              LoadResourceIcon(IDR_MODELTYPE).pixmap(QSize(32, 32)).toImage());
    EXPECT_TRUE(LoadResourceIcon(IDD_ABOUTBOX).isNull());
}

TEST(HelpPage, NamesEveryMenuCommand)
{
    const QString strPage = LoadHelpPage();
    ASSERT_FALSE(strPage.isEmpty());
    for (const SMenuPopup& popup : LoadMenuTable(IDR_MODELTYPE))
        for (const SMenuItem& item : popup.aItems) {
            if (item.bSeparator)
                continue;
            QString strText = QString::fromUtf8(item.strText.data(), qsizetype(item.strText.size()));
            strText = strText.section(QLatin1Char('\t'), 0, 0).remove(QLatin1Char('&'));
            EXPECT_TRUE(strPage.contains(strText)) << strText.toStdString();
        }
}

TEST(AboutDlg, TextsIconAndDefaultButton)
{
    CAboutDlg dlg;
    EXPECT_EQ(dlg.windowTitle(), "About Tessaron");
    EXPECT_EQ(dlg.minimumSize(), dlg.maximumSize());

    const QList<QPushButton*> aButtons = dlg.findChildren<QPushButton*>();
    ASSERT_EQ(aButtons.size(), 1);
    EXPECT_EQ(aButtons[0]->text(), "OK");
    EXPECT_TRUE(aButtons[0]->isDefault());

    int nTexts = 0;
    int nIcons = 0;
    for (const QLabel* pLabel : dlg.findChildren<QLabel*>()) {
        if (pLabel->pixmap().isNull()) {
            EXPECT_EQ(pLabel->text(), "Tessaron Version 1.0");
            ++nTexts;
        } else {
            EXPECT_EQ(pLabel->pixmap().size(), QSize(32, 32));
            ++nIcons;
        }
    }
    EXPECT_EQ(nTexts, 1);
    EXPECT_EQ(nIcons, 1);

    // Laid out in dialog units, every control must fit inside the box at any font size.
    for (const QWidget* pChild : dlg.findChildren<QWidget*>())
        EXPECT_TRUE(dlg.rect().contains(pChild->geometry())) << pChild->metaObject()->className();
    const QLabel* pText = nullptr;
    for (const QLabel* pLabel : dlg.findChildren<QLabel*>())
        if (pLabel->pixmap().isNull())
            pText = pLabel;
    ASSERT_NE(pText, nullptr);
    EXPECT_GE(pText->width(), pText->sizeHint().width());

    dlg.show();
    aButtons[0]->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_FALSE(dlg.isVisible());
}

} // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
