#include "setups/SetupControls.h"

#include <algorithm>

#include "app/Controls.h"

namespace quorbit {

Control* SetupControl(Controls& ui, const SetupKey& key) {
    if (key.kind == SetupValue::Name || key.kind == SetupValue::CodeFile) return nullptr;
    return ui.Find(key.control);
}

std::vector<Control*> SetupOptionGroup(Controls& ui, const SetupKey& key, std::size_t& index) {
    // The group is the one its button belongs to: the buttons' names are the
    // controls' own, so no group name is written twice.
    const Control* button = ui.Find(key.control);
    if (button == nullptr) return {};
    for (std::vector<Control*> group : {ui.VoltageGroup(), ui.LPTGroup(), ui.HiLowGroup()}) {
        const auto at = std::find(group.begin(), group.end(), button);
        if (at == group.end()) continue;
        index = static_cast<std::size_t>(at - group.begin());
        return group;
    }
    return {};
}

} // namespace quorbit
