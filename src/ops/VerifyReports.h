#pragma once
// The failure reports shared by the device operations: a chip that does not match
// the image, and a 24Cxx chip that does not acknowledge.
#include <cstdint>
#include <vector>

#include "state/Coverage.h"

namespace quorbit {

class App;

/// First difference found: logs it with how many bytes differ and their ranges
/// (Mismatches), raises the error alert with them until the operator acknowledges
/// it, resets the board.
void ReportVerifyError(App& app, std::int32_t address, std::uint8_t expected, std::uint8_t found);
/// Keeps the checksums of the chip's bytes just read (`bytes` indexed by address)
/// over `over` as ChipRead.
void KeepChipReading(App& app, const std::vector<std::uint8_t>& bytes, const Coverage& over);
/// Logs ChipRead as "Device CRC32 = ... SHA-1 = ... over ...".
void LogChipReading(App& app);
/// What a verify finds as it reads the chip: the chip's bytes where the image
/// holds them, the first difference, and every difference counted in Mismatches.
class VerifyTally {
  public:
    explicit VerifyTally(std::size_t bytes) : chip_(bytes, 0xFF) {}
    /// One byte the image holds, as found and as the image has it.
    void Compare(App& app, std::uint32_t address, std::uint8_t found, std::uint8_t wanted);
    /// Keeps the chip's checksums over `over`; on a difference, the first one, the
    /// count and the checksums are reported. True when nothing differed.
    bool Finish(App& app, const Coverage& over, const std::vector<std::uint8_t>& image);

  private:
    std::vector<std::uint8_t> chip_;
    std::int32_t firstAt_ = -1;
    std::uint8_t firstFound_ = 0;
};

/// The serial chip did not answer: logs it, raises the error alert until the
/// operator acknowledges it, resets the board.
void ReportAckError(App& app);

} // namespace quorbit
