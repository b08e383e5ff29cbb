#pragma once
// The failure reports shared by the device operations: a chip that does not match
// the image, and a 24Cxx chip that does not acknowledge.
#include <cstdint>

namespace quorbit {

class App;

/// First difference found: logs it, raises the error alert until the operator
/// acknowledges it, resets the board.
void ReportVerifyError(App& app, std::int32_t address, std::uint8_t expected, std::uint8_t found);
/// The serial chip did not answer: logs it, raises the error alert until the
/// operator acknowledges it, resets the board. AckError is left as it is.
void ReportAckError(App& app);

} // namespace quorbit
