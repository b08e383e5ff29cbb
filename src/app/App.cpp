#include "app/App.h"

#include <exception>

#include "app/Operations.h"
#include "app/Shell.h"
#include "hw/PortIo.h"
#include "hw/StopRequest.h"

namespace quorbit {

App::App(const Services& services) : svc(services), board(*services.port) {
    PrintableChars =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz1234567890-=\\!@#$%^&*()_+|"
        "[]}{;:'/?.>,<";
    // The handlers are attached by the session (MakeProgram), which knows every
    // folder; the state does not.
}

void App::Repaint() {
    // The view may not look at the state an operation owns: it gets a copy.
    if (OnOperationThread()) {
        published.Publish(*this);
        return;
    }
    if (svc.refresher) svc.refresher->Repaint();
}

std::function<void()> App::Handler(std::function<void(App&)> body) {
    return [this, body = std::move(body)] { RunGuarded(body); };
}

std::function<void()> App::Operation(std::function<void(App&)> body,
                                     std::function<bool(const App&)> when) {
    return [this, body = std::move(body), when = std::move(when)] {
        const bool outermost = handlerDepth_ == 0 && !OnOperationThread();
        if (outermost && svc.operations && (!when || when(*this))) {
            svc.operations->Start([this, body] { RunGuarded(body); });
            return;
        }
        RunGuarded(body);
    };
}

void App::RunGuarded(const std::function<void(App&)>& body) {
    if (handlerDepth_ > 0) { // nested: the outermost handler reports
        body(*this);
        return;
    }
    ++handlerDepth_;
    ops.LastStop.reset(); // a stop's record tells of the operation it stopped
    try {
        body(*this);
    } catch (const OperationStopped&) {
        --handlerDepth_;
        if (ops.Outcome == OpOutcome::Success)
            EndAfterClaimedSuccess(*this);
        else
            ReportOperationStopped(*this);
        if (onHandlerEnd) onHandlerEnd(*this);
        return;
    } catch (const std::exception& e) {
        --handlerDepth_;
        linkFailed = dynamic_cast<const PortError*>(&e) != nullptr;
        ReportHandlerFailure(*this, e.what());
        if (onHandlerEnd) onHandlerEnd(*this);
        return;
    }
    --handlerDepth_;
    if (onHandlerEnd) onHandlerEnd(*this);
}

} // namespace quorbit
