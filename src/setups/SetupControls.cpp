#include "setups/SetupControls.h"

#include <string>

#include "app/Controls.h"

namespace quorbit {

Control* SetupControl(Controls& ui, const SetupKey& key) {
    if (key.kind == SetupValue::Name || key.kind == SetupValue::CodeFile) return nullptr;
    return ui.Find(key.control);
}

std::vector<Control*> SetupOptionGroup(Controls& ui, const SetupKey& key, std::size_t& index) {
    const std::string name = key.control;
    const auto open = name.find('(');
    if (open == std::string::npos || open + 1 >= name.size()) return {};
    index = static_cast<std::size_t>(name[open + 1] - '0');
    const std::string group = name.substr(0, open);
    if (group == "Voltage_button") return ui.VoltageGroup();
    if (group == "LPTSelection") return ui.LPTGroup();
    if (group == "HiLow_button") return ui.HiLowGroup();
    return {};
}

} // namespace quorbit
