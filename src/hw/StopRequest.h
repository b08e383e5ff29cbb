#pragma once
// The operator's request to stop the running operation. A Stop button, the Esc
// key or a signal to the command line may set it from any thread or from a
// signal handler; the board takes it up at its next port access or wait, so the
// routine ends at the next byte, page or poll the way a failure ends: board
// reset, lamps and progress cleared, no success claimed.
//
// Each board that runs at the same time as others has a stop slot of its own:
// a request reaches every live slot, but each board takes it up, holds it off
// and clears it for itself. A thread uses the process slot (slot 0) unless a
// BoardStopSlot lives on it; one board (the window, a single-board command)
// never needs more.
#include <stdexcept>

namespace quorbit {

/// Thrown by the board once a stop was requested. Only the guarded handler of
/// the outermost operation catches it (App::RunGuarded); no routine may.
class OperationStopped : public std::runtime_error {
  public:
    OperationStopped();
};

/// Asks every running operation to stop (every live slot). Lock-free: safe from
/// any thread and from a signal handler. A request made after a slot took one
/// up changes nothing there.
void RequestStop() noexcept;
/// Forgets this thread's slot's request: called as an operation starts, so that
/// a Stop pressed while nothing ran does not end the next one.
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
/// Throws OperationStopped while a request is pending and no StopHeld lives on
/// this thread's slot.
void ThrowIfStopPending();

/// While one lives, the board of this thread's slot takes up no stop: the steps
/// that leave the board safe (a reset after a failure, the closing reset) must
/// run to their end. A request made meanwhile stays pending for whatever comes
/// after. Another board's slot is not held.
class StopHeld {
  public:
    StopHeld() noexcept;
    ~StopHeld();
    StopHeld(const StopHeld&) = delete;
    StopHeld& operator=(const StopHeld&) = delete;

  private:
    int slot_;
};

/// A stop slot of its own for the board driven on this thread, for as long as
/// it lives. It starts with whatever the process slot holds (a stop asked for
/// before the board began still stops it). Throws std::runtime_error when every
/// slot is taken.
class BoardStopSlot {
  public:
    /// Slots that boards may take besides the process slot.
    static constexpr int kBoards = 15;

    BoardStopSlot();
    ~BoardStopSlot();
    BoardStopSlot(const BoardStopSlot&) = delete;
    BoardStopSlot& operator=(const BoardStopSlot&) = delete;

  private:
    int slot_;
    int previous_;
};

} // namespace quorbit
