#include "app/resources/Resources.h"

#include "app/resources/resource.h"

#include <QColor>
#include <QFile>
#include <QGuiApplication>
#include <QIcon>
#include <QImage>
#include <QKeySequence>
#include <QPainter>
#include <QPalette>
#include <QPixmap>
#include <QString>

#include <algorithm>
#include <initializer_list>

// The .qrc lives in a static library, so its registration object is only linked in when
// something refers to it; every function that reads ":/tessaron/" calls this first.
static void InitResourceFiles()
{
    static const bool s_bDone = [] {
        Q_INIT_RESOURCE(tessaron_resources);
        return true;
    }();
    (void)s_bDone;
}

namespace {

struct SStringEntry {
    unsigned nID;
    std::string_view str;
};

// Kept in ascending id order; the static_assert below holds us to it.
constexpr SStringEntry s_aStrings[] = {
    {IDP_OLE_INIT_FAILED, "Tessaron could not initialise its windowing system."},
    {IDR_MAINFRAME, "Tessaron"},
    {IDR_MODELTYPE, "\nTessaron\nTessaron\n\n\nTessaron.Document\nTessaron.Document"},
    {ID_AUTO_ROTATE, "Auto rotation of scene\nAuto rotation of scene"},
    {ID_WALK_AROUND, "Walking around object\nWalking around object"},
    {ID_WHITE_BACKGROUND, "Show white background\nShow white background"},
    {ID_SHOW_NET, "Show the coordinate grid\nShow the coordinate grid"},
    {ID_ZOOM_IN, "Make more Zoom\nMake more Zoom"},
    {ID_ZOOM_OUT, "Make less Zoom\nMake less Zoom"},
    {ID_HOME, "View from start point\nView from start point"},
    {ID_VIEW_FULL_SHADING, "Draw every face in its own material, smoothed and textured\nFull shading"},
    {AFX_IDS_APP_TITLE, "Tessaron"},
    {AFX_IDS_IDLEMESSAGE, " "},
    {AFX_IDS_HELPMODEMESSAGE, "Click a button, menu or window to get help on it"},
    {ID_FILE_NEW, "Open a new, empty model window\nNew"},
    {ID_FILE_OPEN, "Open an existing model file\nOpen"},
    {ID_FILE_CLOSE, "Close the active model window\nClose"},
    {ID_FILE_PRINT, "Print the active model window\nPrint"},
    {ID_WINDOW_ARRANGE, "Line up the icons of minimised windows\nArrange Icons"},
    {ID_WINDOW_CASCADE, "Arrange the model windows so that they overlap\nCascade"},
    {ID_WINDOW_TILE_HORZ, "Arrange the model windows as tiles that do not overlap\nTile"},
    {ID_APP_ABOUT, "Show the program's name and version\nAbout"},
    {ID_APP_EXIT, "Close every model window and quit Tessaron\nExit"},
    {ID_HELP_FINDER, "Open the help page\nHelp Topics"},
    {ID_CONTEXT_HELP, "Show help for the next button, menu or window you click\nHelp"},
    {ID_HELP, "Show help for the current task\nHelp"},
    {ID_INDICATOR_CAPS, "CAP"},
    {ID_INDICATOR_NUM, "NUM"},
    {ID_INDICATOR_SCRL, "SCRL"},
    {ID_VIEW_TOOLBAR, "Show or hide the toolbar\nToolbar"},
    {ID_VIEW_STATUS_BAR, "Show or hide the status bar\nStatus Bar"},
    {AFX_IDS_OPENFILE, "Open"},
    {AFX_IDS_ALLFILTER, "All Files (*.*)"},
    {AFX_IDP_FAILED_TO_LAUNCH_HELP, "Failed to launch help."},
    {AFX_IDP_FILE_NOT_FOUND,
     "%1\nCannot find this file.\nPlease verify that the correct path and file name are given."},
};

constexpr bool IsAscending(std::span<const SStringEntry> aEntries)
{
    for (std::size_t i = 1; i < aEntries.size(); ++i)
        if (aEntries[i - 1].nID >= aEntries[i].nID)
            return false;
    return true;
}
static_assert(IsAscending(s_aStrings), "string ids out of order or repeated");

// Every entry of the recent-file list shares one prompt.
constexpr std::string_view s_strRecentFilePrompt = "Open this model file";

constexpr SMenuItem Item(std::string_view strText, unsigned nID) { return {strText, nID, false, false}; }
constexpr SMenuItem Separator() { return {{}, ID_SEPARATOR, true, false}; }
constexpr SMenuItem Grayed(std::string_view strText, unsigned nID) { return {strText, nID, false, true}; }

constexpr SMenuItem s_aMainFile[] = {
    Item("&Open...\tCtrl+O", ID_FILE_OPEN),
    Separator(),
    Grayed("Recent File", ID_FILE_MRU_FILE1),
    Separator(),
    Item("&Close", ID_FILE_CLOSE),
    Item("E&xit", ID_APP_EXIT),
};
constexpr SMenuItem s_aModelFile[] = {
    Item("&Open...\tCtrl+O", ID_FILE_OPEN),
    Item("&Close", ID_FILE_CLOSE),
    Separator(),
    Grayed("Recent File", ID_FILE_MRU_FILE1),
    Separator(),
    Item("E&xit", ID_APP_EXIT),
};
constexpr SMenuItem s_aMainView[] = {
    Item("&Toolbar", ID_VIEW_TOOLBAR),
    Item("&Status Bar", ID_VIEW_STATUS_BAR),
};
constexpr SMenuItem s_aModelView[] = {
    Item("&Toolbar", ID_VIEW_TOOLBAR),
    Item("&Status Bar", ID_VIEW_STATUS_BAR),
    Separator(),
    Item("Auto rotate", ID_AUTO_ROTATE),
    Item("Walk around", ID_WALK_AROUND),
    Item("White background", ID_WHITE_BACKGROUND),
    Item("Show net", ID_SHOW_NET),
    Item("Full shading", ID_VIEW_FULL_SHADING),
    Item("Zoom in", ID_ZOOM_IN),
    Item("Zoom out", ID_ZOOM_OUT),
    Item("Home", ID_HOME),
};
constexpr SMenuItem s_aModelWindow[] = {
    Item("&Cascade", ID_WINDOW_CASCADE),
    Item("&Tile", ID_WINDOW_TILE_HORZ),
    Item("&Arrange Icons", ID_WINDOW_ARRANGE),
};
constexpr SMenuItem s_aHelp[] = {
    Item("&Help Topics", ID_HELP_FINDER),
    Separator(),
    Item("&About Tessaron...", ID_APP_ABOUT),
};

constexpr SMenuPopup s_aMainMenu[] = {
    {"&File", s_aMainFile},
    {"&View", s_aMainView},
    {"&Help", s_aHelp},
};
constexpr SMenuPopup s_aModelMenu[] = {
    {"&File", s_aModelFile},
    {"&View", s_aModelView},
    {"&Window", s_aModelWindow},
    {"&Help", s_aHelp},
};

constexpr SAccelerator s_aAccelerators[] = {
    {(Qt::CTRL | Qt::Key_N).toCombined(), ID_FILE_NEW},
    {(Qt::CTRL | Qt::Key_O).toCombined(), ID_FILE_OPEN},
    {(Qt::CTRL | Qt::Key_P).toCombined(), ID_FILE_PRINT},
    {QKeyCombination(Qt::Key_F1).toCombined(), ID_HELP},
    {(Qt::SHIFT | Qt::Key_F1).toCombined(), ID_CONTEXT_HELP},
};

constexpr SToolBarButton s_aToolBar[] = {
    {ID_FILE_OPEN, 0},   {ID_WALK_AROUND, 1}, {ID_SHOW_NET, 2}, {ID_WHITE_BACKGROUND, 3},
    {ID_VIEW_FULL_SHADING, 8},
    {ID_ZOOM_IN, 4},     {ID_ZOOM_OUT, 5},    {ID_HOME, 6},     {ID_AUTO_ROTATE, 7},
};

// The newest glyph goes at the end of the bitmap, so the older buttons keep their cells.
constexpr int TOOLBAR_IMAGE_COUNT = 9;
const QRgb TOOLBAR_BACKGROUND = qRgb(192, 192, 192);
const QRgb TOOLBAR_HIGHLIGHT = qRgb(255, 255, 255);

} // namespace

std::string LoadResourceString(unsigned nID)
{
    if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE16)
        return std::string(s_strRecentFilePrompt);
    const auto* pEntry = std::lower_bound(std::begin(s_aStrings), std::end(s_aStrings), nID,
                                          [](const SStringEntry& entry, unsigned n) { return entry.nID < n; });
    if (pEntry == std::end(s_aStrings) || pEntry->nID != nID)
        return {};
    return std::string(pEntry->str);
}

std::string ResourceStringField(unsigned nID, std::size_t nField)
{
    const std::string str = LoadResourceString(nID);
    std::size_t nStart = 0;
    for (std::size_t i = 0; i < nField; ++i) {
        const std::size_t nNewline = str.find('\n', nStart);
        if (nNewline == std::string::npos)
            return {};
        nStart = nNewline + 1;
    }
    return str.substr(nStart, str.find('\n', nStart) - nStart);
}

std::string StatusPrompt(unsigned nID) { return ResourceStringField(nID, 0); }

std::string ToolTip(unsigned nID) { return ResourceStringField(nID, 1); }

std::string AfxFormatString1(unsigned nID, std::string_view str1)
{
    const std::string strFormat = LoadResourceString(nID);
    std::string strResult;
    std::size_t nPos = 0;
    for (std::size_t nFound; (nFound = strFormat.find("%1", nPos)) != std::string::npos; nPos = nFound + 2)
        strResult.append(strFormat, nPos, nFound - nPos).append(str1);
    return strResult.append(strFormat, nPos);
}

std::span<const SMenuPopup> LoadMenuTable(unsigned nID)
{
    if (nID == IDR_MAINFRAME)
        return s_aMainMenu;
    if (nID == IDR_MODELTYPE)
        return s_aModelMenu;
    return {};
}

std::span<const SAccelerator> LoadAcceleratorTable() { return s_aAccelerators; }

QKeySequence AcceleratorKeys(const SAccelerator& accel)
{
    return QKeySequence(QKeyCombination::fromCombined(accel.nKeys));
}

std::span<const SToolBarButton> LoadToolBarTable() { return s_aToolBar; }

QImage LoadToolBarBitmap()
{
    InitResourceFiles();
    return QImage(QStringLiteral(":/tessaron/toolbar.bmp"));
}

namespace {

// Glyph nImage cut out of the toolbar bitmap, or a null image.
QImage ToolbarGlyph(int nImage)
{
    if (nImage < 0 || nImage >= TOOLBAR_IMAGE_COUNT)
        return {};
    const QImage bitmap = LoadToolBarBitmap();
    if (bitmap.width() < TOOLBAR_IMAGE_COUNT * TOOLBAR_BUTTON_CX || bitmap.height() < TOOLBAR_BUTTON_CY)
        return {};
    return bitmap.copy(nImage * TOOLBAR_BUTTON_CX, 0, TOOLBAR_BUTTON_CX, TOOLBAR_BUTTON_CY)
        .convertToFormat(QImage::Format_RGB32);
}

bool IsColour(QRgb pixel, QRgb colour) { return (pixel & RGB_MASK) == (colour & RGB_MASK); }

} // namespace

QPixmap ToolbarButtonPixmap(int nImage, const QPalette& palette)
{
    QImage glyph = ToolbarGlyph(nImage);
    if (glyph.isNull())
        return {};
    const QRgb face = palette.color(QPalette::Active, QPalette::Button).rgb();
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x)
            if (IsColour(glyph.pixel(x, y), TOOLBAR_BACKGROUND))
                glyph.setPixel(x, y, face);
    return QPixmap::fromImage(glyph);
}

QPixmap ToolbarButtonPixmap(int nImage) { return ToolbarButtonPixmap(nImage, QGuiApplication::palette()); }

QIcon ToolbarButtonIcon(int nImage, const QPalette& palette)
{
    const QImage glyph = ToolbarGlyph(nImage);
    if (glyph.isNull())
        return {};
    // The framework's disabled look: whatever is neither background nor white counts as
    // the glyph's shape, drawn in the dark shade over a copy in the light shade one pixel
    // down and right.
    QImage shape(glyph.size(), QImage::Format_ARGB32);
    for (int y = 0; y < glyph.height(); ++y)
        for (int x = 0; x < glyph.width(); ++x) {
            const QRgb pixel = glyph.pixel(x, y);
            const bool bBackground = IsColour(pixel, TOOLBAR_BACKGROUND) || IsColour(pixel, TOOLBAR_HIGHLIGHT);
            shape.setPixel(x, y, bBackground ? 0u : 0xff000000u);
        }
    auto tinted = [&shape](const QColor& colour) {
        QImage image = shape;
        QPainter painter(&image);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), colour);
        return image;
    };
    QPixmap disabled(glyph.size());
    disabled.fill(palette.color(QPalette::Active, QPalette::Button));
    {
        QPainter painter(&disabled);
        painter.drawImage(1, 1, tinted(palette.color(QPalette::Active, QPalette::Light)));
        painter.drawImage(0, 0, tinted(palette.color(QPalette::Active, QPalette::Dark)));
    }
    QIcon icon;
    icon.addPixmap(ToolbarButtonPixmap(nImage, palette), QIcon::Normal);
    icon.addPixmap(disabled, QIcon::Disabled);
    return icon;
}

namespace {

QIcon LoadIconImages(unsigned nID, std::initializer_list<int> aSizes)
{
    InitResourceFiles();
    QString strBase;
    if (nID == IDR_MAINFRAME)
        strBase = QStringLiteral(":/tessaron/tessaron");
    else if (nID == IDR_MODELTYPE)
        strBase = QStringLiteral(":/tessaron/document");
    else
        return {};
    QIcon icon;
    for (const int nSize : aSizes) {
        const QPixmap pixmap(strBase + QStringLiteral("-%1.png").arg(nSize));
        if (!pixmap.isNull())
            icon.addPixmap(pixmap);
    }
    return icon;
}

struct SHelpTopic {
    unsigned nID;
    std::string_view strAnchor;
};

constexpr SHelpTopic s_aHelpTopics[] = {
    {ID_FILE_NEW, "key-new"},
    {ID_FILE_OPEN, "file-open"},
    {ID_FILE_CLOSE, "file-close"},
    {ID_FILE_PRINT, "key-print"},
    {ID_APP_EXIT, "file-exit"},
    {ID_VIEW_TOOLBAR, "view-toolbar"},
    {ID_VIEW_STATUS_BAR, "view-status-bar"},
    {ID_AUTO_ROTATE, "view-auto-rotate"},
    {ID_WALK_AROUND, "view-walk-around"},
    {ID_WHITE_BACKGROUND, "view-white-background"},
    {ID_SHOW_NET, "view-show-net"},
    {ID_ZOOM_IN, "view-zoom-in"},
    {ID_ZOOM_OUT, "view-zoom-out"},
    {ID_HOME, "view-home"},
    {ID_VIEW_FULL_SHADING, "view-full-shading"},
    {ID_WINDOW_CASCADE, "window-cascade"},
    {ID_WINDOW_TILE_HORZ, "window-tile"},
    {ID_WINDOW_ARRANGE, "window-arrange"},
    {AFX_IDM_FIRST_MDICHILD, "window-list"},
    {ID_HELP_FINDER, "help-topics"},
    {ID_DEFAULT_HELP, "help-topics"},
    {ID_APP_ABOUT, "help-about"},
    {ID_HELP, "key-help"},
    {ID_CONTEXT_HELP, "key-context-help"},
    {IDR_MODELTYPE, "modes"},
};

} // namespace

QIcon LoadResourceIcon(unsigned nID) { return LoadIconImages(nID, {32, 16}); }

QIcon LoadResourceIcon(unsigned nID, int nSize)
{
    return nSize == 16 || nSize == 32 ? LoadIconImages(nID, {nSize}) : QIcon();
}

std::string_view HelpTopic(unsigned nID)
{
    if (nID >= ID_FILE_MRU_FILE1 && nID <= ID_FILE_MRU_FILE16)
        return "file-recent";
    for (const SHelpTopic& topic : s_aHelpTopics)
        if (topic.nID == nID)
            return topic.strAnchor;
    return {};
}

QString LoadHelpPage()
{
    InitResourceFiles();
    QFile file(QStringLiteral(":/tessaron/tessaron.html"));
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(file.readAll());
}
