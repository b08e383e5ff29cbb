#pragma once
// Which control of the window a setup key stands for.
#include <cstddef>
#include <vector>

#include "app/Control.h"
#include "setups/SetupFile.h"

namespace quorbit {

struct Controls;

/// The control a key names; null for the name and the code file, which are not controls.
Control* SetupControl(Controls& ui, const SetupKey& key);
/// For an option button key: its group and its index in that group (empty group otherwise).
std::vector<Control*> SetupOptionGroup(Controls& ui, const SetupKey& key, std::size_t& index);

} // namespace quorbit
