#pragma once
// The routine functions behind the routines a chip's record names. The Program
// and Erase Chip commands find their routine here and nowhere else.
#include <optional>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/ChipRoutines.h"
#include "state/OpsState.h"

namespace quorbit {

class App;

/// A Program routine: how programming ended, or nothing when it left the chip
/// alone (not supported, not the chosen one, the operator's Cancel), having said why.
using DeviceRoutine = std::optional<ProgramOutcome> (*)(App&, const ChipOptions&);
/// An Erase Chip routine, from its first log line to the command's outcome.
using EraseCommand = OpOutcome (*)(App&, const ChipOptions&);

/// The function of a programming routine, or nullptr for None ("Device Not Supported").
DeviceRoutine ProgramRoutineFor(ProgramRoutine routine);
/// The function of an erase routine, or nullptr: Erase Chip then does nothing.
EraseCommand EraseRoutineFor(EraseRoutine routine);

} // namespace quorbit
