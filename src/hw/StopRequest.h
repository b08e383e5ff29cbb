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
/// a signal handler. A request made after one was taken up changes nothing.
void RequestStop() noexcept;
/// Forgets any request: called as an operation starts, so that a Stop pressed
/// while nothing ran does not end the next one.
void ClearStopRequest() noexcept;
/// A request was made and not cleared (pending, or already taken up).
[[nodiscard]] bool StopRequested() noexcept;
/// A request waits to be taken up.
[[nodiscard]] bool StopPending() noexcept;
/// A request was taken up: something ended on it and said so.
[[nodiscard]] bool StopTaken() noexcept;
/// The operation has ended on the request: from now on the board is driven
/// freely again (the reset that leaves it safe must reach it).
void AcknowledgeStop() noexcept;
/// Throws OperationStopped while a request is pending and no StopHeld lives.
void ThrowIfStopPending();

/// While one lives, the board takes up no stop: the steps that leave the board
/// safe (a reset after a failure, the closing reset) must run to their end. A
/// request made meanwhile stays pending for whatever comes after.
class StopHeld {
  public:
    StopHeld() noexcept;
    ~StopHeld();
    StopHeld(const StopHeld&) = delete;
    StopHeld& operator=(const StopHeld&) = delete;
};

} // namespace quorbit
