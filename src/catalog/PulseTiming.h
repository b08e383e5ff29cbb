#pragma once
// The UV EPROMs' programming pulse: the width each family's datasheet asks for,
// and the real length of one step of the pulse delays (WaitProgramPulse, WaitPulseExtension)
// that gives that width at the default speed. The loop counts and their scaling
// by the speed slider stay as they are; only the length of a step is chosen.
#include <cstdint>
#include <string>

#include "state/ChipFacts.h"

namespace quorbit {

class App;
class Board;

/// The slider's position at start-up: the speed the pulse steps are chosen for.
inline constexpr int kDefaultSpeed = 18;
/// A port access on the port the pulse steps are chosen for (an ISA-speed port).
inline constexpr std::int64_t kDesignAccessNs = 1000;

/// The program pulse of a UV EPROM's datasheet, in ns, from the device record; 0
/// where the pulse is no counted delay (the 2716/2732's timed 5 ms) and for every
/// other family.
std::int64_t DatasheetPulseNs(const ChipFacts& facts);

/// The step length at which WaitProgramPulse at the default speed makes a pulse of
/// `pulseNs` from the edge that starts it to the edge that ends it, on a port of
/// kDesignAccessNs per access paced at kDelayStepNanoseconds: the latches on
/// either side of the delay (the starting one's last pause and select write, the
/// ending one's data, select and strobe writes and two pauses) are part of it.
/// `board` holds the device's timing factors.
std::int64_t PulseStepNsFor(std::int64_t pulseNs, const Board& board);

/// Sets the board's pulse step length for the chosen device (after its timing
/// factors).
void SetPulseStep(App& app);

} // namespace quorbit
