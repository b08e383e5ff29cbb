#pragma once
// Chip erase of the 5 V flash chips.
#include <cstdint>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "state/DeviceConfig.h"
#include "state/OpsState.h"

namespace quorbit {

class App;

/// How a chip erase ended: DQ7 read 1 (the chip says every byte is FFh), or the
/// chip's longest erase and a quarter more passed first; and how long it took on
/// the port's clock.
struct EraseOutcome {
    bool finished = false;
    std::int64_t takenNs = 0;
};

/// Sends the six-cycle chip erase to the flash chip `device` (the AT29C256 through
/// its own write cycle) and polls DQ7 for as long as the record's datasheet lets an
/// erase last; a chip that finished is put back to reading its array (F0h). The
/// wait goes to `events` as it lasts. The chip's ID is the caller's to check.
EraseOutcome EraseFlashChip(Board& b, const DeviceConfig& device, ProgrammingEvents& events);

/// Erase Chip for the 32-pin parts (AA/55/80/AA/55/10), after the safety question,
/// the ID check and with the chip read back blank: the command's outcome.
OpOutcome EraseJedecFlash(App& app, const ChipOptions& options);
/// The same for the AT29C256.
OpOutcome EraseAt29c256Chip(App& app, const ChipOptions& options);

} // namespace quorbit
