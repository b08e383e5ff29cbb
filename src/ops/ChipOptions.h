#pragma once
// What the operator chose for a chip command. The command's front (the button's
// handler) reads it from the window once, as the command starts, and hands it on:
// nothing below it looks at a control.
#include <string>

namespace quorbit {

class App;

struct ChipOptions {
    /// The "Code" and "Data" ticks: which memory the command works on.
    bool code = true;
    bool data = false;
    /// Blank check before programming, verify after it.
    bool blankCheckFirst = false;
    bool verifyAfter = false;
    /// The speed slider's value, and the page writers' wait that follows from it
    /// (the slider's maximum less its value, in milliseconds).
    int speed = 18;
    int speedWaitMs = 2;
    /// The blank check tick's caption, which a failure's hint names.
    std::string blankCheckCaption;
};

/// The options as the window shows them now.
ChipOptions ReadChipOptions(const App& app);

} // namespace quorbit
