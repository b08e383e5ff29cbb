#pragma once
// The last guard at the top of both programs: nothing may end them with an abort.
#include <functional>
#include <iosfwd>
#include <string>

namespace quorbit {

/// Runs a program's main body. An exception that nothing below caught is printed
/// on `err` with the program's name and ends the run with status 2 (bad surroundings),
/// instead of terminating the process.
int RunWithLastGuard(const std::function<int()>& body, std::ostream& err,
                     const std::string& program);

} // namespace quorbit
