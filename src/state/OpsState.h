#pragma once
// State of the device operations: the program image, the device checksum, the
// address-walk limits and how the last chip command ended.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/Coverage.h"
#include "state/Digest.h"
#include "state/FlashState.h"
#include "state/Mismatches.h"

namespace quorbit {

/// Bytes 0..1048576: the largest chip plus the spare byte the buffers keep.
inline constexpr std::size_t kProgramImageSize = 1048577;

/// How the last chip command (read, blank check, verify) ended. The command line
/// turns it into its exit status.
enum class OpOutcome {
    None,      // nothing ran yet
    Success,   // read done, chip blank, chip matches
    Failed,    // not blank, mismatch, chip did not acknowledge
    Refused,   // no routine for the device, or no board known: the chip was not touched
    Cancelled, // the operator answered Cancel to the safety question: nothing touched
    BadImage   // the image is empty or larger than the chip: refused, the chip not touched
};

/// The chip's bytes as the last read or verify found them: the addresses read and
/// their checksums.
struct ChipReading {
    Coverage over;
    Digest digest;
};

/// What a flash program or erase does when the chip's ID names another catalog
/// device than the one chosen: ask the operator (the window, Cancel the default),
/// refuse (the command line), or go ahead (the command line's --force).
enum class OtherDeviceAnswer { Ask, Refuse, GoAhead };

/// Where a programming routine gave up: the byte it wrote and the byte read back.
struct ProgramFailureAt {
    std::int32_t address = 0;
    std::uint8_t wrote = 0;
    std::uint8_t read = 0;
};

/// What the chip command under way does to the chip, so that a stop can say
/// what the chip holds afterwards.
enum class ChipWork {
    Reads,      // read, blank check, verify, the device view: the chip is not changed
    Programs,   // the programming routine writes the image from its first address on
    Programmed, // the routine has written the whole image; its verify reads it back
    Erases      // a chip erase has begun
};

/// What an operation stopped by the operator left behind.
struct StopRecord {
    /// The last chip address the operation reached; -1 when it reached none.
    std::int32_t address = -1;
    /// What the chip holds now: "0-359B1h programmed, the rest not touched".
    std::string chip;
    /// "board reset, programming voltage off", or why the board may not be.
    std::string board;
};

struct DeviceOpsState {
    /// What programming writes and verify compares (filled by PrepareProgramImage).
    std::vector<std::uint8_t> ProgramImage = std::vector<std::uint8_t>(kProgramImageSize, 0);
    /// One past the last address the image holds (in chip addresses).
    std::int32_t ProgramLength = 0;
    /// The chip addresses the image holds; programming writes and verify compares
    /// only these.
    Coverage ProgramCoverage;
    /// Sum of the device bytes read, modulo 65536, and its four hex digits.
    std::int32_t DeviceChecksum = 0;
    std::string DeviceChecksumText;
    /// Last bank (A16 and up) and last page (A8-A15) of the address walk.
    int LastBank = 0;
    int LastPage = 0;
    OpOutcome Outcome = OpOutcome::None;
    /// The last read or verify that read its whole range; cleared as one starts.
    std::optional<ChipReading> ChipRead;
    /// The differing bytes of the last verify.
    MismatchRanges Mismatches;
    /// The last programming failure; cleared as programming starts.
    std::optional<ProgramFailureAt> ProgramFailure;
    ChipWork Work = ChipWork::Reads;
    /// Bytes the programming routine writes as one (a page of a page-write part):
    /// a stop can leave that many in part.
    std::int32_t WriteUnit = 1;
    /// The record of the last stop; cleared as an operation starts.
    std::optional<StopRecord> LastStop;
    FlashState flash;
    OtherDeviceAnswer OnOtherDevice = OtherDeviceAnswer::Ask;
};

} // namespace quorbit
