#pragma once
// Which routine programs, and which erases, each device type. The Program and
// Erase Chip commands look their routine up here and nowhere else.
#include <string_view>

namespace quorbit {

class App;

using DeviceRoutine = void (*)(App&);

/// The programming routine of a device type, or nullptr for a type the program
/// has no routine for ("Device Not Supported").
DeviceRoutine ProgramRoutineFor(std::string_view deviceType);
/// The erase routine of a device type, or nullptr: Erase Chip then does nothing.
DeviceRoutine EraseRoutineFor(std::string_view deviceType);

} // namespace quorbit
