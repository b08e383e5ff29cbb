#pragma once
// The UV EPROM programming routine, byte by byte with read-back after every pulse.
// It drives the board and nothing else: what it needs comes as its arguments,
// what happened comes back as its outcome, and what it says as it goes (log lines,
// the addresses passed) goes to the events, which the window's side turns into its
// log, lamp and progress bar.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hw/Board.h"
#include "state/Coverage.h"
#include "state/DeviceConfig.h"
#include "state/OpsState.h"

namespace quorbit {

/// The bytes a programming routine writes: `bytes` from chip address 0 up to
/// `length`, at the addresses `held` holds; the others are passed over untouched.
struct ImageToWrite {
    const std::vector<std::uint8_t>& bytes;
    const Coverage& held;
    std::int32_t length = 0;
};

/// What a programming routine tells while it runs.
class ProgrammingEvents {
  public:
    virtual ~ProgrammingEvents() = default;
    ProgrammingEvents() = default;
    ProgrammingEvents(const ProgrammingEvents&) = delete;
    ProgrammingEvents& operator=(const ProgrammingEvents&) = delete;

    virtual void Log(const std::string& line) = 0;
    /// The routine moved past an address, programmed or not held; `blink`: the
    /// programming indicator blinks here, at the package's pace.
    virtual void Advanced(bool blink) = 0;
};

/// How a programming routine ended: every byte took, or where it gave up.
struct ProgramOutcome {
    std::optional<ProgramFailureAt> failure;
    [[nodiscard]] bool Succeeded() const { return !failure.has_value(); }
};

/// Programs the UV EPROM `device` (types P1 to P9 and PM) with `image`, the board
/// reset and chip address 0 latched. The package decides the voltage pin, the
/// pulse and the read-back:
///
///   2732 family  CE low pulse of 5 ms (a timed sleep) with VPP on OE/VPP
///   2764, 27128  CE low, PGM (register 1 bit 6) low pulse, VPP on pin 1
///   27C256/040   CE low pulse, OE high, VPP on pin 1; verified with CE high, OE low
///   27C010/020   CE low, PGM (register 3 bit 2) low pulse, VPP on pin 1
///   27C512/080   CE low pulse with VPP on OE/VPP; verified with VPP off
///
/// A byte that does not take ends the routine with every programming voltage off
/// and the chip and its outputs disabled. Another device type is refused with an
/// std::invalid_argument before the board is touched.
ProgramOutcome ProgramEprom(Board& board, const DeviceConfig& device, const ImageToWrite& image,
                            ProgrammingEvents& events);

} // namespace quorbit
