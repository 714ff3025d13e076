#pragma once

#include <QDialog>
#include <QMainWindow>
#include <QPointer>

#include <functional>
#include <map>
#include <string_view>

class CRecentFileList;
class CTessaronView;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class QToolBar;
class QUrl;

// The main window: the workspace of model windows, the menus (128 without a document,
// 129 while one is active), the toolbar, the status bar with its lock-key panes. It
// holds no viewer logic: model commands go to the active view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds toolbar, status bar and docking; -1 when the toolbar bitmap is missing.
    int OnCreate();

    QMdiArea* MdiArea() const { return m_pArea; }
    CTessaronView* ActiveView() const;
    QAction* Action(unsigned nID) const;
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    unsigned CurrentMenuID() const { return m_nMenuID; }

    // Re-reads check marks and enabled states from the active view, as after every
    // command, key and activation.
    void UpdateCommandUI();
    // Rebuilds the menu bar for the current state (also after the recent-file list changed).
    void RebuildMenu();
    // Updates the CAP, NUM and SCRL panes from the X keyboard's lock state.
    void UpdateIndicators();

    // Set by the application: where commands it serves go, and the recent-file list to show.
    std::map<unsigned, std::function<void()>> m_appCommands;
    const CRecentFileList* m_pRecentFiles = nullptr;
    std::function<void(std::size_t)> m_fnOpenRecent;
    // Opens the help page's address in the desktop's viewer, false when there is none;
    // empty means QDesktopServices. Tests put a recorder here.
    std::function<bool(const QUrl&)> m_fnOpenUrl;

    // The two arrangements of their own: windows one above the other at full width, and
    // minimised windows lined up along the bottom (returns the height their rows take).
    void TileHorizontally();
    int ArrangeIcons();
    bool IsInHelpMode() const { return m_bHelpMode; }

protected:
    bool event(QEvent* pEvent) override;
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;

private:
    void CreateActions();
    void OnCommand(unsigned nID);
    void FillWindowMenu(QMenu* pMenu);
    void PrintActiveView();
    // The help page, at the entry named by a fragment of HelpTopic, or at its top.
    void ShowHelp(std::string_view strTopic = {});
    void HelpOnCommand(unsigned nID);
    // Shift+F1: the next click on a command shows its help instead of running it.
    void EnterHelpMode();
    void ExitHelpMode();
    // The idle text, or the help-mode prompt while that mode lasts.
    void ShowIdleMessage();
    // The caption: the document's title after the program's, in brackets while maximised.
    void UpdateTitle();

    QStatusBar* m_wndStatusBar = nullptr;
    QToolBar* m_wndToolBar = nullptr;
    QMdiArea* m_pArea = nullptr;
    std::map<unsigned, QAction*> m_actions;  // menu items and accelerators, one per command
    std::map<unsigned, QAction*> m_buttons;  // the toolbar's buttons
    QLabel* m_pIndicators[3] = {};
    unsigned m_nMenuID = 0;
    bool m_bHelpMode = false;
    QPointer<QDialog> m_pHelpViewer;  // the one help window when the desktop has no viewer
};
