#pragma once
// How the main window's controls are arranged, and how the menus are built. The
// controls sit in grids (frames and a few boxes of the view's own), so that the
// window takes the room its fonts need at any screen resolution and gives the
// hex page and the log what it gains when it grows.
#include <vector>

namespace quorbit::gui {

struct Placement {
    const char* name;   // control name, or a box or widget of the view's own (below)
    const char* parent; // enclosing frame or box; "" for the control area
    int row, column;
    int rowSpan = 1, columnSpan = 1;
};

/// In creation order: every frame or box before what it holds. Boxes of the view's
/// own: LeftColumn, RightColumn, TopRow, Shape2 (the lamp panel), ProgressRow,
/// PageRow, FileNames. Widgets of the view's own: ProgressText, Stop_button.
const std::vector<Placement>& MainFormLayout();

/// Which rows or columns of a frame or box take the room the window gains.
struct Stretch {
    const char* box; // "" for the control area
    bool row;        // a row, else a column
    int index;
    int factor;
};

const std::vector<Stretch>& MainFormStretch();

/// True for the names of MainFormLayout that are boxes of the view's own.
bool IsLayoutBox(const char* name);

struct MenuEntry {
    const char* name; // control name, or "-" for a separator line
    int level;        // 0 top-level menu, 1 item, 2 item of a submenu
};

const std::vector<MenuEntry>& MainMenuLayout();

} // namespace quorbit::gui
