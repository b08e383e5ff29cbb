#pragma once
// A plain model of one window control: what the view shows and what the operator
// can do with it. Handlers are attached by the core; the view only forwards events.
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorbit {

/// Colours as the window system codes them (low three bytes BGR, or a system colour).
namespace colour {
inline constexpr std::uint32_t Red = 0x0000FF;
inline constexpr std::uint32_t Green = 0x008000;
inline constexpr std::uint32_t White = 0xFFFFFF;
inline constexpr std::uint32_t ButtonFace = 0x8000000F;
inline constexpr std::uint32_t ButtonText = 0x80000012;
inline constexpr std::uint32_t Highlight3D = 0x80000014;
inline constexpr std::uint32_t WindowText = 0x80000008;
inline constexpr std::uint32_t WindowBackground = 0x80000005;
/// Colour from red, green, blue components.
constexpr std::uint32_t Rgb(std::uint32_t r, std::uint32_t g, std::uint32_t b) {
    return r | (g << 8) | (b << 16);
}
} // namespace colour

enum class ControlKind {
    Frame,
    Label,
    Button,
    OptionButton,
    CheckBox,
    TextBox,
    ListBox,
    ScrollBar,
    Slider,
    ProgressBar,
    MenuItem,
    ToolButton,
    StatusPanel
};

/// What the view shows of a control: its state without its name and handlers.
/// An operation running on its own thread publishes copies of these.
struct ControlFace {
    /// Caption of a button, label, frame or menu item; text of a text box or list.
    std::string caption;
    std::string toolTip;
    bool enabled = true;
    bool visible = true;
    std::uint32_t foreColor = colour::ButtonText;
    std::uint32_t backColor = colour::ButtonFace;
    /// Option button 0/1, check box 0/1/2, scroll bar / slider / progress position.
    int value = 0;
    int min = 0;
    int max = 0;
    /// Drop-down list entries and the chosen one (-1: none).
    std::vector<std::string> items;
    /// Which entries the operator can choose, shown disabled when not (empty: all).
    std::vector<bool> itemsEnabled;
    int listIndex = -1;
    /// A menu item that shows a tick, set while `value` is 1.
    bool checkable = false;
};

struct Control : ControlFace {
    std::string name;
    ControlKind kind = ControlKind::Label;
    /// Tool bar button key.
    std::string key;

    std::function<void()> onClick;
    std::function<void()> onChange;
    std::function<void()> onDblClick;
    /// The operator finished typing in a text box (Enter); the view has put the
    /// typed text in `caption`.
    std::function<void()> onCommit;

    [[nodiscard]] bool selected() const { return value != 0; }
};

/// Raise an event the way the operator would (no-op when no handler is attached).
inline void Fire(const std::function<void()>& handler) {
    if (handler) handler();
}

/// Sets an option button; selecting one that was not selected clears its
/// siblings and runs its click handler, as an operator's click does.
void SetOption(std::vector<Control*> group, std::size_t index, bool on);
/// Check box value from code (no handler: the program has none for check boxes).
inline void SetCheck(Control& box, int v) {
    box.value = v;
}
/// Scroll bar or slider position; a change runs the change handler.
void SetPosition(Control& c, int v);
/// Drop-down list index from code or by the operator: runs the click handler.
void SetListIndex(Control& list, int index);

} // namespace quorbit
