#pragma once
// The simulated board's socket as the session fills it.
#include <functional>
#include <memory>

#include "sim/SimChip.h"

namespace quorbit {

class App;

namespace sim {
class SimBoard;
}

/// Makes the chip for a chosen catalog row; throws std::invalid_argument when the
/// chip cannot be made as asked at start (contents or faults that do not suit it).
using SocketChipMaker = std::function<std::unique_ptr<sim::SimChip>(int row)>;

/// The device-choice hook of a session on the simulated board: the socket takes a
/// chip of each row chosen, from `makeChip` (null: an erased chip). A chip of the
/// same type already in the socket stays, with what was programmed into it.
std::function<void(App& app, int row)> SocketFollowsDevice(sim::SimBoard& board,
                                                           SocketChipMaker makeChip = nullptr);

} // namespace quorbit
