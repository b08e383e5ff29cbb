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

template <typename F> auto OperatorQuestions::Asking(F ask) -> decltype(ask()) {
    app_.published.SetAskingOperator(true);
    struct Answered {
        PublishedView& view;
        ~Answered() { view.SetAskingOperator(false); }
    } answered{app_.published};
    return ask();
}

MsgResult OperatorQuestions::MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                                    MsgButtons buttons, int defaultButton) {
    return Asking([&] { return inner_->MsgBox(text, title, icon, buttons, defaultButton); });
}

MsgResult OperatorQuestions::MsgBoxDetailed(const std::string& text, const std::string& informative,
                                            const std::string& title, MsgIcon icon,
                                            MsgButtons buttons, int defaultButton) {
    return Asking([&] {
        return inner_->MsgBoxDetailed(text, informative, title, icon, buttons, defaultButton);
    });
}

std::optional<std::string> OperatorQuestions::InputBox(const std::string& prompt,
                                                       const std::string& title) {
    return Asking([&] { return inner_->InputBox(prompt, title); });
}

std::string OperatorQuestions::OpenFileName(const std::string& title, const std::string& filter) {
    return Asking([&] { return inner_->OpenFileName(title, filter); });
}

std::string OperatorQuestions::SaveFileName(const std::string& title, const std::string& filter) {
    return Asking([&] { return inner_->SaveFileName(title, filter); });
}

OperationRunner::OperationRunner(App& app) : app_(app), questions_(app) {}

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
    // The operation's boxes go to the window's through questions_, which tells the
    // view while one waits for the operator.
    questions_.Forward(app_.svc.dialogs);
    app_.svc.dialogs = &questions_;
    app_.published.ForgetQuestions();
    // The view shows the state as the operation takes it over.
    app_.published.Publish(app_);
    thread_ = std::thread([this, work = std::move(work)] {
        tOperationThread = true;
        work();
        app_.svc.dialogs = questions_.Inner();
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
