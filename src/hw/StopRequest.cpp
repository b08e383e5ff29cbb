#include "hw/StopRequest.h"

#include <atomic>

namespace quorbit {
namespace {

enum State : int { kIdle, kPending, kAcknowledged };

// One flag for the process: a signal handler has no other way to reach it.
std::atomic<int> g_state{kIdle};
static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");
// How many StopHeld live (on any thread).
std::atomic<int> g_held{0};

} // namespace

OperationStopped::OperationStopped() : std::runtime_error("Operation stopped by the operator") {}

void RequestStop() noexcept {
    int idle = kIdle;
    g_state.compare_exchange_strong(idle, kPending);
}

void ClearStopRequest() noexcept {
    g_state.store(kIdle);
}

bool StopRequested() noexcept {
    return g_state.load() != kIdle;
}

bool StopPending() noexcept {
    return g_state.load(std::memory_order_relaxed) == kPending;
}

bool StopTaken() noexcept {
    return g_state.load() == kAcknowledged;
}

void AcknowledgeStop() noexcept {
    int pending = kPending;
    g_state.compare_exchange_strong(pending, kAcknowledged);
}

void ThrowIfStopPending() {
    if (StopPending() && g_held.load(std::memory_order_relaxed) == 0) throw OperationStopped();
}

StopHeld::StopHeld() noexcept {
    g_held.fetch_add(1);
}

StopHeld::~StopHeld() {
    g_held.fetch_sub(1);
}

} // namespace quorbit
