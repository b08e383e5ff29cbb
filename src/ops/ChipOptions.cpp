#include "ops/ChipOptions.h"

#include "app/App.h"

namespace quorbit {

ChipOptions ReadChipOptions(const App& app) {
    const auto& ui = app.ui;
    ChipOptions options;
    options.code = ui.CheckCode.value == 1;
    options.data = ui.CheckData.value == 1;
    options.blankCheckFirst = ui.CheckBlankPriorProgramming.value == 1;
    options.verifyAfter = ui.VerifyAfterProgramming.value == 1;
    options.speed = ui.Slider1.value;
    options.speedWaitMs = ui.Slider1.max - ui.Slider1.value;
    options.blankCheckCaption = ui.CheckBlankPriorProgramming.caption;
    return options;
}

} // namespace quorbit
