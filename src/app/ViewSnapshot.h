#pragma once
// What the window shows while an operation runs on its own thread. The operation
// owns the program state until it ends; it publishes a copy of what the view
// shows at every repaint, and the view reads only that copy, never the state.
#include <chrono>
#include <cstdint>
#include <mutex>
#include <string>

#include "app/Control.h"

namespace quorbit {

class App;

struct ViewSnapshot {
    /// Counts the publications, so that a view can skip a copy it has shown.
    std::uint64_t serial = 0;
    std::string log; // SystemLog text
    ControlFace readyLamp, programLamp, dataFlowLamp, errorLamp;
    ControlFace progressBar; // progressBar
    ControlFace status;      // the status bar's text panel
    ControlFace page;        // BufferDisplay: the hex page
    ControlFace pageFrame;   // bufferFrame: which memory the page shows
    ControlFace pageBar;     // pageScrollBar: page number and last page
    /// The chip address the progress bar last moved at; -1 before it moved.
    std::int32_t progressAddress = -1;
    /// What the operation waits for while its bar stands still, and since when.
    std::string waitPhase;
    double waitSeconds = 0;
    /// A box of the operation waits for the operator (the safety question) since
    /// askedAt: the work is held meanwhile, and its clock with it.
    bool askingOperator = false;
    std::chrono::steady_clock::time_point askedAt;
    /// Seconds the operation's answered boxes waited for the operator.
    double secondsAsking = 0;
};

class PublishedView {
  public:
    /// Copies what the view shows from the state; called by the thread that owns it.
    void Publish(const App& app);
    /// The latest copy (any thread).
    [[nodiscard]] ViewSnapshot Read() const;
    /// The serial of the latest copy (any thread), to tell whether Read is worth it.
    [[nodiscard]] std::uint64_t Serial() const;
    /// A box of the operation is up, or answered (the operation's thread).
    void SetAskingOperator(bool asking);
    /// Forgets the last operation's questions as a new one starts.
    void ForgetQuestions();

  private:
    mutable std::mutex mutex_;
    ViewSnapshot shown_;
};

} // namespace quorbit
