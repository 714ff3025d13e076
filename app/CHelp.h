#pragma once

#include <QDialog>
#include <QObject>
#include <QPointer>

#include <functional>
#include <string_view>

class QMainWindow;
class QUrl;

// Help for the main window: the help page at a command's entry, shown by the desktop's
// browser or, without one, in the program's single help window; and help mode (Shift+F1),
// in which the next click on a command asks for its help instead of running it.
class CHelp : public QObject {
    Q_OBJECT
public:
    explicit CHelp(QMainWindow* pFrame);
    ~CHelp() override;

    // The help page, at the entry named by a fragment of HelpTopic, or at its top.
    void ShowHelp(std::string_view strTopic = {});
    // Ends help mode and shows the entry of a command (an id of resource.h).
    void HelpOnCommand(unsigned nID);
    void EnterHelpMode();
    void ExitHelpMode();
    bool IsInHelpMode() const { return m_bHelpMode; }

    // Opens the page's address in the desktop's viewer, false when there is none; empty
    // means QDesktopServices. Tests put a recorder here.
    std::function<bool(const QUrl&)> m_fnOpenUrl;

signals:
    // Help mode began or ended: the status bar's idle text changes with it.
    void HelpModeChanged();

protected:
    bool eventFilter(QObject* pObject, QEvent* pEvent) override;

private:
    QMainWindow* m_pFrame;
    bool m_bHelpMode = false;
    QPointer<QDialog> m_pHelpViewer;  // the one help window when the desktop has no viewer
};
