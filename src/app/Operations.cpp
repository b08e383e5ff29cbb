#include "app/Operations.h"

#include "app/App.h"
#include "hw/StopRequest.h"

namespace quorbit {
namespace {

thread_local bool tOperationThread = false;

} // namespace

bool OnOperationThread() noexcept {
    return tOperationThread;
}

OperationRunner::OperationRunner(App& app) : app_(app) {}

OperationRunner::~OperationRunner() {
    Stop();
    Join();
}

bool OperationRunner::Start(std::function<void()> work) {
    if (Running()) return false;
    Join(); // the last one has ended; its thread may still be returning
    // A Stop pressed as the last operation ended must not end this one.
    ClearStopRequest();
    ++started_;
    running_.store(true, std::memory_order_release);
    // The view shows the state as the operation takes it over.
    app_.published.Publish(app_);
    thread_ = std::thread([this, work = std::move(work)] {
        tOperationThread = true;
        work();
        app_.published.Publish(app_);
        running_.store(false, std::memory_order_release);
        if (onFinished) onFinished();
    });
    return true;
}

bool OperationRunner::Running() const noexcept {
    return running_.load(std::memory_order_acquire);
}

void OperationRunner::Stop() noexcept {
    if (Running()) RequestStop();
}

void OperationRunner::Join() {
    if (thread_.joinable()) thread_.join();
}

} // namespace quorbit
