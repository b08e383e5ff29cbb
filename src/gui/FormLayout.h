#pragma once
// Where every control of the main window sits, and how the menus are built.
#include <vector>

namespace quorbit::gui {

/// The window's design client area: tool bar, control area and status bar.
inline constexpr int kDesignWidth = 703;
inline constexpr int kDesignHeight = 455;
inline constexpr int kToolBarHeight = 28;
inline constexpr int kStatusBarHeight = 24;
inline constexpr int kCanvasHeight = kDesignHeight - kToolBarHeight - kStatusBarHeight;

/// What a control does when the window is made larger than its design size.
enum Anchor : unsigned {
    kFixed = 0,
    kGrowWidth = 1,  // takes the extra width
    kGrowHeight = 2, // takes the extra height
    kFollowRight = 4,
    kFollowBottom = 8,
};

struct Placement {
    const char* name;   // control name; "Shape2" is decoration
    const char* parent; // enclosing frame, or "" for the control area
    int x, y, width, height;
    unsigned anchors = kFixed;
};

/// In creation order: frames before what they hold, later entries on top.
const std::vector<Placement>& MainFormLayout();

struct MenuEntry {
    const char* name; // control name, or "-" for a separator line
    int level;        // 0 top-level menu, 1 item, 2 item of a submenu
};

const std::vector<MenuEntry>& MainMenuLayout();

} // namespace quorbit::gui
