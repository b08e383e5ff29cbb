#include "hw/StopRequest.h"

#include <atomic>

namespace quorbit {
namespace {

enum State : int { kIdle, kPending, kAcknowledged };

// One flag for the process: a signal handler has no other way to reach it.
std::atomic<int> g_state{kIdle};
static_assert(std::atomic<int>::is_always_lock_free, "set from signal handlers");

} // namespace

OperationStopped::OperationStopped() : std::runtime_error("Operation stopped by the operator") {}

void RequestStop() noexcept {
    g_state.store(kPending);
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

void AcknowledgeStop() noexcept {
    int pending = kPending;
    g_state.compare_exchange_strong(pending, kAcknowledged);
}

void ThrowIfStopPending() {
    if (StopPending()) throw OperationStopped();
}

} // namespace quorbit
