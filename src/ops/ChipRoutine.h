#pragma once
// What every programming routine takes and gives back. A routine drives the
// board and nothing else: what it needs comes as its arguments, what happened
// comes back as its outcome, and what it says as it goes (log lines, the
// addresses and pages passed) goes to the events, which the window's side
// turns into its log, lamp and progress bar.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "hw/Board.h"
#include "state/Coverage.h"
#include "state/OpsState.h"

namespace quorbit {

/// The bytes a programming routine writes: `bytes` from chip address 0 up to
/// `length`, at the addresses `held` holds; the others are passed over untouched.
struct ImageToWrite {
    const std::vector<std::uint8_t>& bytes;
    const Coverage& held;
    std::int32_t length = 0;
};

/// After a reset with address 0 latched: VCC and the address lines settle before
/// the chip is first driven or read.
inline constexpr int kAddressSettleMs = 500;

/// What a programming routine tells while it runs.
class ProgrammingEvents {
  public:
    virtual ~ProgrammingEvents() = default;
    ProgrammingEvents() = default;
    ProgrammingEvents(const ProgrammingEvents&) = delete;
    ProgrammingEvents& operator=(const ProgrammingEvents&) = delete;

    virtual void Log(const std::string& line) = 0;
    /// The routine moved past an address (or a page), programmed or not held;
    /// `blink`: the programming indicator blinks here, at the package's pace.
    virtual void Advanced(bool blink) = 0;
    /// The routine goes in `steps` steps (the flash banks' pages, the serial
    /// pages) and tells each as it is done.
    virtual void StepsAhead(int steps) { (void)steps; }
    virtual void Stepped() {}
    /// The routine waits on the chip (`phase`, "Erasing the chip") while nothing
    /// moves, `seconds` so far; WaitOver once it has ended.
    virtual void Waiting(const std::string& phase, double seconds) {
        (void)phase;
        (void)seconds;
    }
    virtual void WaitOver() {}
};

/// How a programming routine ended: every byte took, or where it gave up.
struct ProgramOutcome {
    std::optional<ProgramFailureAt> failure;
    /// A serial chip that did not acknowledge: the samples or polls spent waiting
    /// for it (200 for a byte, 50 for the write-cycle poll); 0 when it answered.
    int unanswered = 0;
    [[nodiscard]] bool Succeeded() const { return !failure.has_value() && unanswered == 0; }
};

/// Where a byte did not take, every programming voltage switched off first and
/// the chip and its outputs disabled: the address on the board's counter,
/// `wrote` and `read`.
ProgramFailureAt GiveUpWithVoltagesOff(Board& b, std::uint8_t wrote, std::uint8_t read);

} // namespace quorbit
