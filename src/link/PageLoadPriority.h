#pragma once
// The 64 byte loads of an AT29C256 or X28C256 page must follow each other within
// the chip's byte-load window (150 us / 100 us), or the chip starts its write
// cycle with part of the page. On a real port a page writer holds a
// PageLoadPriority while it loads a page: the thread runs at real-time priority
// and memory is locked (no page fault in the middle), where the system permits.
#include <functional>
#include <string>

namespace quorbit {

class App;
class Board;

/// What the guard asks of the system; tests give a scripted one.
class SchedulingControl {
  public:
    virtual ~SchedulingControl() = default;
    /// False with the reason when refused.
    virtual bool RaiseToRealTime(std::string& why) = 0;
    virtual void RestorePriority() = 0;
    /// Locks the process's memory for the rest of the run (re-locking for every
    /// page would cost more than the page load itself); false with the reason.
    virtual bool LockMemory(std::string& why) = 0;
};

/// pthread_setschedparam (SCHED_FIFO) and mlockall.
SchedulingControl& SystemScheduling();

class PageLoadPriority {
  public:
    /// Does nothing on a simulated or external port, whose timing is not the wall clock's.
    explicit PageLoadPriority(App& app, SchedulingControl& control = SystemScheduling());
    /// The same for `board`, a refusal told to `log`.
    PageLoadPriority(Board& board, const std::function<void(const std::string&)>& log,
                     SchedulingControl& control = SystemScheduling());
    ~PageLoadPriority();
    PageLoadPriority(const PageLoadPriority&) = delete;
    PageLoadPriority& operator=(const PageLoadPriority&) = delete;

  private:
    SchedulingControl& control_;
    bool raised_ = false;
};

} // namespace quorbit
