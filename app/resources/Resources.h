#pragma once

// The resources of the application shell as plain tables, keyed by the ids of resource.h:
// string table, the two menus, the accelerator table, the toolbar, the icons and the help
// page. The tables need no Qt; the few functions that hand out Qt objects are declared
// with forward declarations so that including this header stays cheap.

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

class QIcon;
class QImage;
class QKeySequence;
class QPalette;
class QPixmap;
class QString;

// ---- String table

// The string with this id; empty when there is none.
std::string LoadResourceString(unsigned nID);

// Field nField (from 0) of a string whose fields are separated by "\n", such as the
// document template string 129; empty when the string has fewer fields.
std::string ResourceStringField(unsigned nID, std::size_t nField);

// A command string is "prompt\ntooltip": the prompt goes to the status bar while the
// command is highlighted, the tooltip over its toolbar button.
std::string StatusPrompt(unsigned nID);
std::string ToolTip(unsigned nID);

// The string with every "%1" replaced by str1, in one pass: a "%1" inside str1 (a file
// may well be called that) is left as it is.
std::string AfxFormatString1(unsigned nID, std::string_view str1);

// ---- Menus

// Texts carry '&' before the mnemonic letter and may end in "\t" and a key name shown at
// the right edge; QAction reads both conventions as they are.
struct SMenuItem {
    std::string_view strText;  // empty for a separator
    unsigned nID = 0;          // 0 for a separator
    bool bSeparator = false;
    bool bGrayed = false;      // inserted disabled: the placeholder of the recent-file list
};

struct SMenuPopup {
    std::string_view strText;
    std::span<const SMenuItem> aItems;
};

// Menu IDR_MAINFRAME (no document open) or IDR_MODELTYPE (a model window active), popups
// in menu-bar order; empty for any other id.
std::span<const SMenuPopup> LoadMenuTable(unsigned nID);

// ---- Accelerators

struct SAccelerator {
    int nKeys;     // a Qt key combination (key and modifiers, as QKeyCombination::toCombined)
    unsigned nID;  // the command the keys raise
};

// Accelerator table IDR_MAINFRAME, the only one: it is in force with or without a document.
std::span<const SAccelerator> LoadAcceleratorTable();
QKeySequence AcceleratorKeys(const SAccelerator& accel);

// ---- Toolbar

inline constexpr int TOOLBAR_BUTTON_CX = 16;  // one glyph of the toolbar bitmap
inline constexpr int TOOLBAR_BUTTON_CY = 15;

struct SToolBarButton {
    unsigned nID;
    int nImage;  // index of the glyph in the toolbar bitmap
};

// Toolbar IDR_MAINFRAME: nine buttons in order, no separators.
std::span<const SToolBarButton> LoadToolBarTable();

// Bitmap IDR_MAINFRAME as stored: 4 bits per pixel, the glyphs on light grey (192,192,192).
// A null image when it cannot be loaded.
QImage LoadToolBarBitmap();

// Glyph nImage with its light grey drawn in the palette's button face, as a toolbar shows
// it. The one-argument form takes the application's palette. Null when nImage is out of
// range or the bitmap is missing.
QPixmap ToolbarButtonPixmap(int nImage, const QPalette& palette);
QPixmap ToolbarButtonPixmap(int nImage);

// The button's icon: the pixmap above, and for the disabled state the glyph's outline
// embossed in the palette's light and dark shades on the button face. Qt's own greying
// would turn the opaque face into a visible grey box around every disabled button.
QIcon ToolbarButtonIcon(int nImage, const QPalette& palette);

// ---- Icons and the help page

// Icon IDR_MAINFRAME (the shuttle) or IDR_MODELTYPE (the document), each with a 32 x 32
// and a 16 x 16 image; a null icon for any other id.
QIcon LoadResourceIcon(unsigned nID);
// Only the image of one size (16 or 32) of such an icon, for a place that shows exactly
// that size: given both, Qt paints a slot a little above 16 pixels from the 32-pixel image
// scaled down, which blurs the 16-pixel drawing away.
QIcon LoadResourceIcon(unsigned nID, int nSize);

// The entry of the help page on a command (an id of resource.h), a model window
// (IDR_MODELTYPE) or the list of open windows (AFX_IDM_FIRST_MDICHILD): the fragment after
// "#" in the page's address; empty for the top of the page.
std::string_view HelpTopic(unsigned nID);

// The HTML help page as built into the resources, so the tables can be checked against the
// page they point into; the program itself shows the copy beside it or installed (see
// CHelp). Empty when it cannot be read.
QString LoadHelpPage();

// ---- Version information

inline constexpr std::string_view VERSION_COMPANY_NAME = "Brannock";
inline constexpr std::string_view VERSION_FILE_DESCRIPTION = "Viewer for 3DS files";
inline constexpr std::string_view VERSION_PRODUCT_NAME = "Tessaron";
inline constexpr std::string_view VERSION_PRODUCT_VERSION = "1.0.0.1";
