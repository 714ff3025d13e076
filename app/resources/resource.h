#pragma once

// Every numeric resource and command id of the program, under the framework's names.
// Strings, menus, accelerators and the toolbar are keyed by these numbers, so two names
// with one value (IDD_ABOUTBOX and IDP_OLE_INIT_FAILED, ID_VIEW_TOOLBAR and
// AFX_IDW_TOOLBAR) really are the same resource slot seen from two sides.

// Resources of the main frame and of the document type.
inline constexpr unsigned IDR_MAINFRAME = 128;
inline constexpr unsigned IDR_MODELTYPE = 129;
inline constexpr unsigned IDD_ABOUTBOX = 100;
inline constexpr unsigned IDP_OLE_INIT_FAILED = 100;

// The program's own commands, carried out by the active view.
inline constexpr unsigned ID_AUTO_ROTATE = 32771;
inline constexpr unsigned ID_WALK_AROUND = 32773;
inline constexpr unsigned ID_WHITE_BACKGROUND = 32776;
inline constexpr unsigned ID_SHOW_NET = 32778;
inline constexpr unsigned ID_ZOOM_IN = 32780;
inline constexpr unsigned ID_ZOOM_OUT = 32781;
inline constexpr unsigned ID_HOME = 32786;
inline constexpr unsigned ID_VIEW_FULL_SHADING = 32787;

// Framework commands.
inline constexpr unsigned ID_FILE_NEW = 57600;
inline constexpr unsigned ID_FILE_OPEN = 57601;
inline constexpr unsigned ID_FILE_CLOSE = 57602;
inline constexpr unsigned ID_FILE_PRINT = 57607;
inline constexpr unsigned ID_FILE_PRINT_DIRECT = 57608;
inline constexpr unsigned ID_FILE_PRINT_PREVIEW = 57609;
inline constexpr unsigned ID_FILE_MRU_FILE1 = 57616;
inline constexpr unsigned ID_FILE_MRU_FILE2 = 57617;
inline constexpr unsigned ID_FILE_MRU_FILE3 = 57618;
inline constexpr unsigned ID_FILE_MRU_FILE4 = 57619;
inline constexpr unsigned ID_FILE_MRU_FILE5 = 57620;
inline constexpr unsigned ID_FILE_MRU_FILE6 = 57621;
inline constexpr unsigned ID_FILE_MRU_FILE7 = 57622;
inline constexpr unsigned ID_FILE_MRU_FILE8 = 57623;
inline constexpr unsigned ID_FILE_MRU_FILE9 = 57624;
inline constexpr unsigned ID_FILE_MRU_FILE10 = 57625;
inline constexpr unsigned ID_FILE_MRU_FILE11 = 57626;
inline constexpr unsigned ID_FILE_MRU_FILE12 = 57627;
inline constexpr unsigned ID_FILE_MRU_FILE13 = 57628;
inline constexpr unsigned ID_FILE_MRU_FILE14 = 57629;
inline constexpr unsigned ID_FILE_MRU_FILE15 = 57630;
inline constexpr unsigned ID_FILE_MRU_FILE16 = 57631;
inline constexpr unsigned ID_WINDOW_ARRANGE = 57649;
inline constexpr unsigned ID_WINDOW_CASCADE = 57650;
inline constexpr unsigned ID_WINDOW_TILE_HORZ = 57651;
inline constexpr unsigned ID_APP_ABOUT = 57664;
inline constexpr unsigned ID_APP_EXIT = 57665;
inline constexpr unsigned ID_HELP_FINDER = 57667;
inline constexpr unsigned ID_CONTEXT_HELP = 57669;
inline constexpr unsigned ID_HELP = 57670;
inline constexpr unsigned ID_DEFAULT_HELP = 57671;
inline constexpr unsigned ID_VIEW_TOOLBAR = 59392;
inline constexpr unsigned AFX_IDM_FIRST_MDICHILD = 0xFF00;  // the Window menu's list of open windows
inline constexpr unsigned ID_VIEW_STATUS_BAR = 59393;

// Framework strings.
inline constexpr unsigned AFX_IDS_APP_TITLE = 57344;
inline constexpr unsigned AFX_IDS_IDLEMESSAGE = 57345;
inline constexpr unsigned AFX_IDS_HELPMODEMESSAGE = 57346;
inline constexpr unsigned AFX_IDS_OPENFILE = 61440;        // title of the Open dialog
inline constexpr unsigned AFX_IDS_ALLFILTER = 61442;       // the dialog's only filter
inline constexpr unsigned AFX_IDP_FAILED_TO_LAUNCH_HELP = 61703;
inline constexpr unsigned AFX_IDP_FILE_NOT_FOUND = 61730;  // a format: %1 is the file's title

// Control bars and the status bar panes.
inline constexpr unsigned AFX_IDW_TOOLBAR = 59392;
inline constexpr unsigned AFX_IDW_STATUS_BAR = 59393;
inline constexpr unsigned ID_SEPARATOR = 0;  // the stretching message pane; also "no command"
inline constexpr unsigned ID_INDICATOR_CAPS = 59137;
inline constexpr unsigned ID_INDICATOR_NUM = 59138;
inline constexpr unsigned ID_INDICATOR_SCRL = 59139;
