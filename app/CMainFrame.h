#pragma once

#include <QMainWindow>

#include <functional>
#include <map>
#include <string>
#include <vector>

class CHelp;
class CRecentFileList;
class CTessaronView;
class QAction;
class QLabel;
class QMdiArea;
class QMenu;
class QStatusBar;
class QToolBar;

// The main window: the workspace of model windows, the menus (128 without a document,
// 129 while one is active), the toolbar, the status bar with its lock-key panes. It
// holds no viewer logic: model commands go to the active view.
class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    CMainFrame();
    ~CMainFrame() override;

    // Builds the toolbar and the status bar; -1 when the toolbar bitmap is missing.
    int OnCreate();

    QMdiArea* MdiArea() const { return m_pArea; }
    CTessaronView* ActiveView() const;
    QAction* Action(unsigned nID) const;
    QToolBar* ToolBar() const { return m_wndToolBar; }
    QStatusBar* StatusBar() const { return m_wndStatusBar; }
    unsigned CurrentMenuID() const { return m_nMenuID; }
    CHelp& Help() const { return *m_pHelp; }

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
    // Files dropped anywhere on the window: local paths, and the URIs of anything else.
    std::function<void(const std::vector<std::string>&)> m_fnOpenDropped;

protected:
    bool event(QEvent* pEvent) override;
    void closeEvent(QCloseEvent* pEvent) override;
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dragMoveEvent(QDragMoveEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    void CreateActions();
    void OnCommand(unsigned nID);
    void RunCommand(unsigned nID);
    void FillWindowMenu(QMenu* pMenu);
    // A command of the menus, the toolbar or an accelerator; in help mode its help instead.
    void RunOrExplain(unsigned nID, const std::function<void()>& fnRun);
    // A line for the user that stays until the pointer shows another prompt.
    void ShowStatusMessage(const QString& strText);
    // A view's texture loading: its progress while it lasts, then the idle text again.
    void ShowTextureProgress(const QString& strText);
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
    CHelp* m_pHelp = nullptr;
};
