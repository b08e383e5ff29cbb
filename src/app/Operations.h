#pragma once
// Chip operations on a thread of their own. A read or a program of a large chip
// takes minutes on a real port; run on the window's thread it would freeze the
// window and queue every click made meanwhile. The operation owns the program
// state while it runs and publishes what the view shows (App::published).
#include <atomic>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <thread>

#include "app/Services.h"

namespace quorbit {

class App;

/// Where operations run. Without one (the command line, most tests) an operation
/// runs on the caller's thread, as any other handler.
class OperationHost {
  public:
    virtual ~OperationHost() = default;
    /// Starts the work on the operation thread. False while another operation runs:
    /// nothing is started and nothing is queued.
    virtual bool Start(std::function<void()> work) = 0;
};

/// True on the thread of a running operation.
[[nodiscard]] bool OnOperationThread() noexcept;

/// The operator's boxes asked from an operation's thread, passed on to the
/// window's: while one is up, the view knows the work waits for the operator.
class OperatorQuestions : public Dialogs {
  public:
    explicit OperatorQuestions(App& app) : app_(app) {}
    void Forward(Dialogs* inner) { inner_ = inner; }
    [[nodiscard]] Dialogs* Inner() const { return inner_; }
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override;
    MsgResult MsgBoxDetailed(const std::string& text, const std::string& informative,
                             const std::string& title, MsgIcon icon, MsgButtons buttons,
                             int defaultButton) override;
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::string OpenFileName(const std::string& title, const std::string& filter) override;
    std::string SaveFileName(const std::string& title, const std::string& filter) override;

  private:
    template <typename F> auto Asking(F ask) -> decltype(ask());

    App& app_;
    Dialogs* inner_ = nullptr;
};

/// One operation at a time on a std::thread.
class OperationRunner : public OperationHost {
  public:
    explicit OperationRunner(App& app);
    /// Stops a running operation and waits for it.
    ~OperationRunner() override;
    OperationRunner(const OperationRunner&) = delete;
    OperationRunner& operator=(const OperationRunner&) = delete;

    bool Start(std::function<void()> work) override;
    /// An operation runs (any thread). Once false, the state belongs to the caller
    /// again: the operation's last writes are visible to whoever read false.
    [[nodiscard]] bool Running() const noexcept;
    /// Operations started so far (the caller's thread): tells a caller whether the
    /// handler it ran started one.
    [[nodiscard]] std::uint64_t Started() const noexcept { return started_; }
    /// Asks the running operation to stop at its next port access or wait (any
    /// thread): it ends the way a failure ends, the board reset.
    void Stop() noexcept;
    /// Waits until the operation thread has ended (not from that thread).
    void Join();

    /// Called on the operation thread as its last act, once Running() is false. Set
    /// before the first Start.
    std::function<void()> onFinished;

  private:
    App& app_;
    OperatorQuestions questions_;
    std::thread thread_;
    std::atomic<bool> running_{false};
    std::uint64_t started_ = 0;
};

} // namespace quorbit
