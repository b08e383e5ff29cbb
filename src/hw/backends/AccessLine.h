#pragma once
// The one-line text form of a port access, shared by the exec protocol and the
// trace file: "O 378 9F" (write), "I 379" (read, "I 379 78" with the value read),
// "S 200" (timed wait in ms), "D 202" (counted delay steps of the --step-ns length), "D 202 431"
// (counted steps of a length of their own, in ns: a programming pulse). Ports and bytes in
// upper-case hex without prefix.
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorbit {

/// Appends "O <port> <value>\n".
void AppendWriteLine(std::string& out, std::uint16_t port, std::uint8_t value);
/// Appends "I <port>\n", or "I <port> <value>\n" when the value is given.
void AppendReadLine(std::string& out, std::uint16_t port,
                    std::optional<std::uint8_t> value = std::nullopt);
/// Appends "S <ms>\n" (decimal).
void AppendSleepLine(std::string& out, int milliseconds);
/// Appends "D <steps>\n" (decimal): a counted delay; "D <steps> <ns>\n" when its
/// steps have a length of their own (`stepNs` > 0).
void AppendDelayLine(std::string& out, std::int64_t steps, std::int64_t stepNs = 0);

/// A byte written as one or two hex digits (either case), blanks, tabs and CR
/// around it allowed; nothing else.
std::optional<std::uint8_t> ParseHexByte(std::string_view text);

} // namespace quorbit
