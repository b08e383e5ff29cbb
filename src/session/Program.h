#pragma once
// The program both front ends run: the state, with every folder's event handlers
// attached to its controls. The state itself knows none of the folders above it.
#include <memory>

#include "app/App.h"

namespace quorbit {

/// A program state on `services` whose controls answer as the operator expects.
std::unique_ptr<App> MakeProgram(const Services& services);

} // namespace quorbit
