#include "ops/ChipOptions.h"

#include "app/App.h"

namespace quorbit {

ChipOptions ReadChipOptions(const App& app) {
    const auto& ui = app.ui;
    ChipOptions options;
    options.code = ui.codeCheck.value == 1;
    options.data = ui.dataCheck.value == 1;
    options.blankCheckFirst = ui.blankCheckFirstCheck.value == 1;
    options.verifyAfter = ui.verifyAfterCheck.value == 1;
    options.speed = ui.speedSlider.value;
    options.speedWaitMs = ui.speedSlider.max - ui.speedSlider.value;
    options.blankCheckCaption = ui.blankCheckFirstCheck.caption;
    return options;
}

} // namespace quorbit
