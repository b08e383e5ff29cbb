#pragma once
// A child process started through the shell, with a pipe to its standard input
// and one from its standard output. Every wait on it is bounded.
#include <chrono>
#include <string>
#include <string_view>

#include <sys/types.h>

namespace quorbit {

class ChildProcess {
  public:
    enum class Io { Done, TimedOut, Closed };

    /// Runs /bin/sh -c command in its own process group; throws PortError when
    /// it cannot be started. Its standard error stays the program's.
    explicit ChildProcess(const std::string& command);
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    /// Writes all of data to the child's input; Closed when the child stopped
    /// reading it or, while the input is full, closed its output; TimedOut when it
    /// did not take everything within the limit.
    Io Write(std::string_view data, std::chrono::milliseconds limit);
    /// One line of the child's output without its newline; a line longer than
    /// 4096 bytes comes in pieces of that size.
    Io ReadLine(std::string& line, std::chrono::milliseconds limit);
    /// Output that is already there before anything was asked (read without
    /// waiting); empty when there is none.
    std::string UnaskedOutput();
    /// "exited with status N", "was ended by signal N", after waiting up to the
    /// limit for the child to end; empty when it is still running.
    std::string EndDescription(std::chrono::milliseconds limit);
    /// Closes both pipes (end of input for the child), waits up to grace for it to
    /// end, then stops its whole process group (what it started, too): SIGTERM,
    /// one more second, SIGKILL. Only the first call acts.
    void Finish(std::chrono::milliseconds grace);

    [[nodiscard]] pid_t Pid() const { return pid_; }

  private:
    bool WaitForEnd(std::chrono::milliseconds limit);
    /// True once no process of the child's group is left (up to the limit).
    bool GroupGone(std::chrono::milliseconds limit);
    void ClosePipes();

    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    std::string received_; // output read past the last line handed out
    bool ended_ = false;
    bool finished_ = false;
    bool statusKnown_ = false; // false when someone else reaped the child
    int status_ = 0;
};

} // namespace quorbit
