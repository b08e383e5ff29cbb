#pragma once
// quorbit-cli: the programmer's commands for scripts and production lines.
#include <iosfwd>

namespace quorbit::cli {

/// Exit status: 0 success, 1 the operation failed (no board, not blank,
/// mismatch), 2 bad usage or bad input.
int Run(int argc, const char* const* argv, std::ostream& out, std::ostream& err);

} // namespace quorbit::cli
