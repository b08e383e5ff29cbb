#include "app/ViewSnapshot.h"

#include <algorithm>

#include "app/App.h"

namespace quorbit {
namespace {

/// The log only grows while an operation runs: the new lines are appended instead
/// of copying the whole text at every progress step. A text that was replaced (the
/// seam no longer matches) is copied whole.
void FollowLog(std::string& shown, const std::string& log) {
    constexpr std::size_t kSeam = 32;
    const std::size_t old = shown.size();
    const std::size_t seam = std::min(old, kSeam);
    if (log.size() >= old && log.compare(old - seam, seam, shown, old - seam, seam) == 0) {
        shown.append(log, old, std::string::npos);
        return;
    }
    shown = log;
}

} // namespace

void PublishedView::Publish(const App& app) {
    const Controls& ui = app.ui;
    std::lock_guard lock(mutex_);
    ++shown_.serial;
    FollowLog(shown_.log, ui.SystemLog.caption);
    // Assigned member by member into the copies kept here: their strings keep their
    // storage, so a publication at every byte does not allocate.
    shown_.readyLamp = ui.readyLamp;
    shown_.programLamp = ui.programLamp;
    shown_.dataFlowLamp = ui.dataFlowLamp;
    shown_.errorLamp = ui.errorLamp;
    shown_.progressBar = ui.progressBar;
    shown_.status = ui.sbStatusBar[0];
    shown_.page = ui.BufferDisplay;
    shown_.pageFrame = ui.bufferFrame;
    shown_.pageBar = ui.pageScrollBar;
    shown_.progressAddress = app.report.ProgressAddress;
    shown_.waitPhase = app.report.WaitPhase;
    shown_.waitSeconds = app.report.WaitSeconds;
}

void PublishedView::SetAskingOperator(bool asking) {
    const auto now = std::chrono::steady_clock::now();
    std::lock_guard lock(mutex_);
    if (asking == shown_.askingOperator) return;
    ++shown_.serial;
    if (!asking)
        shown_.secondsAsking += std::chrono::duration<double>(now - shown_.askedAt).count();
    shown_.askedAt = now;
    shown_.askingOperator = asking;
}

void PublishedView::ForgetQuestions() {
    std::lock_guard lock(mutex_);
    shown_.askingOperator = false;
    shown_.secondsAsking = 0;
}

ViewSnapshot PublishedView::Read() const {
    std::lock_guard lock(mutex_);
    return shown_;
}

std::uint64_t PublishedView::Serial() const {
    std::lock_guard lock(mutex_);
    return shown_.serial;
}

} // namespace quorbit
