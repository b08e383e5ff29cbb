#include "link/PageLoadPriority.h"

#include <pthread.h>
#include <sched.h>
#include <sys/mman.h>

#include <cerrno>
#include <cstring>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {
namespace {

class PosixScheduling : public SchedulingControl {
  public:
    bool RaiseToRealTime(std::string& why) override {
        if (::pthread_getschedparam(::pthread_self(), &oldPolicy_, &oldParam_) != 0) {
            why = "cannot read the thread's priority";
            return false;
        }
        sched_param param{};
        param.sched_priority = ::sched_get_priority_min(SCHED_FIFO) + 10;
        const int error = ::pthread_setschedparam(::pthread_self(), SCHED_FIFO, &param);
        if (error == 0) return true;
        why = std::string("real-time priority: ") + std::strerror(error);
        return false;
    }
    void RestorePriority() override {
        ::pthread_setschedparam(::pthread_self(), oldPolicy_, &oldParam_);
    }
    bool LockMemory(std::string& why) override {
        if (locked_) return true;
        if (::mlockall(MCL_CURRENT | MCL_FUTURE) == 0) {
            locked_ = true;
            return true;
        }
        why = std::string("memory lock: ") + std::strerror(errno);
        return false;
    }

  private:
    int oldPolicy_ = SCHED_OTHER;
    sched_param oldParam_{};
    bool locked_ = false;
};

} // namespace

SchedulingControl& SystemScheduling() {
    static PosixScheduling scheduling;
    return scheduling;
}

PageLoadPriority::PageLoadPriority(App& app, SchedulingControl& control)
    : PageLoadPriority(
          app.board, [&app](const std::string& line) { LogMessage(app, line); }, control) {}

PageLoadPriority::PageLoadPriority(Board& b, const std::function<void(const std::string&)>& log,
                                   SchedulingControl& control)
    : control_(control) {
    if (!b.Port().RealTiming() || b.DataPort == 0) return;
    std::string priorityWhy, lockWhy;
    raised_ = control_.RaiseToRealTime(priorityWhy);
    const bool locked = control_.LockMemory(lockWhy);
    if ((raised_ && locked) || b.PageLoadRefusalLogged) return;
    b.PageLoadRefusalLogged = true;
    std::string why = priorityWhy;
    if (!lockWhy.empty()) why += (why.empty() ? "" : ", ") + lockWhy;
    log("Page loads run without real-time protection (" + why +
        "): another program may delay a byte load past the chip's window");
}

PageLoadPriority::~PageLoadPriority() {
    if (raised_) control_.RestorePriority();
}

} // namespace quorbit
