#pragma once
// The secondary display window: a text box and a scroll bar that show code-buffer
// page 0 when openDisplayButton is pressed. It has no behaviour of its own.
#include <string>

#include "app/Control.h"

namespace quorbit {

struct DisplayWindow {
    DisplayWindow() {
        BufferDisplay.name = "frmDisplay1.BufferDisplay";
        BufferDisplay.kind = ControlKind::TextBox;
        pageScrollBar.name = "frmDisplay1.VScroll1";
        pageScrollBar.kind = ControlKind::ScrollBar;
    }
    /// Created on first use; the view shows it (not modal) while visible.
    bool created = false;
    bool visible = false;
    Control BufferDisplay;
    Control pageScrollBar;
};

} // namespace quorbit
