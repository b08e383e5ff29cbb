#pragma once
// Several boards at once (--ports 378,278,D100): each board on a thread of its
// own with its own port backend, program state, log and stop slot, its lines
// named by its port. Nothing mutable is shared but the output streams, the
// batch's record and its serial numbers, each under a lock.
#include <cstdint>
#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quorbit {
struct BatchOptions;
struct GlobalOptions;
} // namespace quorbit

namespace quorbit::cli {

struct CommandOptions;
class JsonResult;

/// In a --trace or --sim-save name with several boards, the place of the board's port.
inline constexpr const char* kBoardPortMark = "{port}";

/// The boards --ports names (empty: the one board of --port); refused with a
/// message in `error` when the list is bad or the verb drives one board only.
bool BoardPorts(const CLI::App& cli, const CommandOptions& command,
                std::vector<std::uint16_t>& ports, std::string& error);

/// Runs program or batch on every board of `ports` at once, the lines to `out`
/// (to `err` with --json, whose object the caller prints); returns the exit
/// status: 0 only when every board succeeded, else the worst board's.
int RunOnBoards(CLI::App& cli, GlobalOptions options, const CommandOptions& command,
                const BatchOptions& batch, const std::vector<std::uint16_t>& ports,
                std::ostream& out, std::ostream& err, JsonResult& json);

} // namespace quorbit::cli
