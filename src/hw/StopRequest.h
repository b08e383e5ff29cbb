#pragma once
// The operator's request to stop the running operation. A Stop button, the Esc
// key or a signal to the command line may set it from any thread or from a
// signal handler; the board takes it up at its next port access or wait, so the
// routine ends at the next byte, page or poll the way a failure ends: board
// reset, lamps and progress cleared, no success claimed.
#include <stdexcept>

namespace quorbit {

/// Thrown by the board once a stop was requested. Only the guarded handler of
/// the outermost operation catches it (App::RunGuarded); no routine may.
class OperationStopped : public std::runtime_error {
  public:
    OperationStopped();
};

/// Asks the running operation to stop. Lock-free: safe from any thread and from
/// a signal handler.
void RequestStop() noexcept;
/// Forgets any request: called as an operation starts, so that a Stop pressed
/// while nothing ran does not end the next one.
void ClearStopRequest() noexcept;
/// A request was made and not cleared (pending, or already taken up).
[[nodiscard]] bool StopRequested() noexcept;
/// A request waits to be taken up by the operation.
[[nodiscard]] bool StopPending() noexcept;
/// The operation has ended on the request: from now on the board is driven
/// freely again (the reset that leaves it safe must reach it).
void AcknowledgeStop() noexcept;
/// Throws OperationStopped while a request is pending.
void ThrowIfStopPending();

} // namespace quorbit
