#pragma once

#include <span>

class CTessaronView;

// The commands of the View menu and the toolbar that the active view carries out, each with
// the update handler of its check mark (none for the plain ones). The main frame routes
// them, checks them and disables them without a view from this one list.
struct SViewCommand {
    unsigned nID;
    void (CTessaronView::*pfnRun)();
    bool (CTessaronView::*pfnChecked)() const;
};

std::span<const SViewCommand> ViewCommands();
// The row of a command id; null for a command that is not the view's.
const SViewCommand* FindViewCommand(unsigned nID);
