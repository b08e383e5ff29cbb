#pragma once
// The routine functions behind the routines a chip's record names. The Program
// and Erase Chip commands find their routine here and nowhere else.
#include "state/ChipRoutines.h"
#include "state/OpsState.h"

namespace quorbit {

class App;

using DeviceRoutine = void (*)(App&);
/// An Erase Chip routine, from its first log line to the command's outcome.
using EraseCommand = OpOutcome (*)(App&);

/// The function of a programming routine, or nullptr for None ("Device Not Supported").
DeviceRoutine ProgramRoutineFor(ProgramRoutine routine);
/// The function of an erase routine, or nullptr: Erase Chip then does nothing.
EraseCommand EraseRoutineFor(EraseRoutine routine);

} // namespace quorbit
