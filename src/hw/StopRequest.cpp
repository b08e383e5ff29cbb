#include "hw/StopRequest.h"

#include <atomic>

namespace quorbit {
namespace {

enum State : int { kIdle, kPending, kAcknowledged };

/// One board's request and its holds. A fixed array: a signal handler has no
/// other way to reach them, and may not allocate.
struct Slot {
    std::atomic<bool> live{false};
    std::atomic<int> state{kIdle};
    std::atomic<int> held{0}; // how many StopHeld live for this board
};
static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
static_assert(std::atomic<bool>::is_always_lock_free, "read by signal handlers");

// Slot 0 is the process's: the window's operation and a single board use it,
// every request reaches it, and no BoardStopSlot takes it.
constexpr int kSlots = BoardStopSlot::kBoards + 1;
Slot g_slots[kSlots];
thread_local int tSlot = 0;

Slot& Own() noexcept {
    return g_slots[tSlot];
}

void MakePending(Slot& slot) noexcept {
    int idle = kIdle;
    slot.state.compare_exchange_strong(idle, kPending);
}

} // namespace

OperationStopped::OperationStopped() : std::runtime_error("Operation stopped by the operator") {}

void RequestStop() noexcept {
    // The process slot always: a board that starts later inherits it from there.
    MakePending(g_slots[0]);
    for (int k = 1; k < kSlots; ++k)
        if (g_slots[k].live.load()) MakePending(g_slots[k]);
}

void ClearStopRequest() noexcept {
    Own().state.store(kIdle);
}

bool StopRequested() noexcept {
    return Own().state.load() != kIdle;
}

bool StopPending() noexcept {
    return Own().state.load(std::memory_order_relaxed) == kPending;
}

bool StopTaken() noexcept {
    return Own().state.load() == kAcknowledged;
}

void AcknowledgeStop() noexcept {
    int pending = kPending;
    Own().state.compare_exchange_strong(pending, kAcknowledged);
}

void ThrowIfStopPending() {
    const Slot& own = Own();
    if (own.state.load(std::memory_order_relaxed) == kPending &&
        own.held.load(std::memory_order_relaxed) == 0)
        throw OperationStopped();
}

StopHeld::StopHeld() noexcept : slot_(tSlot) {
    g_slots[slot_].held.fetch_add(1);
}

StopHeld::~StopHeld() {
    g_slots[slot_].held.fetch_sub(1);
}

BoardStopSlot::BoardStopSlot() : slot_(0), previous_(tSlot) {
    for (int k = 1; k < kSlots && slot_ == 0; ++k) {
        bool free = false;
        if (g_slots[k].live.compare_exchange_strong(free, true)) slot_ = k;
    }
    if (slot_ == 0) throw std::runtime_error("Too many boards at once: every stop slot is taken");
    Slot& slot = g_slots[slot_];
    slot.held.store(0);
    slot.state.store(kIdle);
    // A request made before the board began, or while the slot was being set up,
    // reached the process slot: it stops this board too.
    if (g_slots[0].state.load() != kIdle) MakePending(slot);
    tSlot = slot_;
}

BoardStopSlot::~BoardStopSlot() {
    tSlot = previous_;
    g_slots[slot_].live.store(false);
}

} // namespace quorbit
