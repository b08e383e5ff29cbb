#include "hw/backends/ChildProcess.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <thread>

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include "hw/PortIo.h"

extern char** environ;

namespace quorbit {
namespace {

using Clock = std::chrono::steady_clock;

/// Longer lines are handed out in pieces of this size; no answer comes close.
constexpr std::size_t kLongestLine = 4096;

int MillisecondsLeft(Clock::time_point deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

/// poll() on one descriptor until the deadline; false when the time ran out.
bool WaitReady(int fd, short events, Clock::time_point deadline) {
    for (;;) {
        pollfd p{fd, events, 0};
        const int n = ::poll(&p, 1, MillisecondsLeft(deadline));
        if (n > 0) return true;
        if (n == 0) return false;
        if (errno != EINTR) return true; // let the read or write report the error
    }
}

enum class Room { Ready, TimedOut, AnswersClosed };

/// Waits until the child's input takes more, watching its output too: a child
/// that closed its output can never answer, and one that also stopped reading
/// would otherwise be noticed only when the time runs out.
Room WaitForRoom(int input, int output, Clock::time_point deadline) {
    for (;;) {
        pollfd p[2] = {{input, POLLOUT, 0}, {output, 0, 0}};
        const int n = ::poll(p, output >= 0 ? 2 : 1, MillisecondsLeft(deadline));
        if (n > 0 && (p[1].revents & (POLLHUP | POLLERR)) != 0) return Room::AnswersClosed;
        if (n > 0) return Room::Ready;
        if (n == 0) return Room::TimedOut;
        if (errno != EINTR) return Room::Ready; // let the write report the error
    }
}

void SetNonBlocking(int fd) {
    const int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags | O_NONBLOCK);
}

void CloseFd(int& fd) {
    if (fd >= 0) ::close(fd);
    fd = -1;
}

std::string SystemError(const std::string& what, int error) {
    return what + ": " + std::strerror(error);
}

struct SpawnSetup {
    posix_spawn_file_actions_t actions{};
    posix_spawnattr_t attributes{};
    SpawnSetup() {
        posix_spawn_file_actions_init(&actions);
        posix_spawnattr_init(&attributes);
    }
    ~SpawnSetup() {
        posix_spawn_file_actions_destroy(&actions);
        posix_spawnattr_destroy(&attributes);
    }
    SpawnSetup(const SpawnSetup&) = delete;
    SpawnSetup& operator=(const SpawnSetup&) = delete;
};

} // namespace

ChildProcess::ChildProcess(const std::string& command) {
    // A child that dies must show up as an error on the next access, not as a
    // signal that ends the program.
    std::signal(SIGPIPE, SIG_IGN);

    int input[2] = {-1, -1};
    int output[2] = {-1, -1};
    if (::pipe2(input, O_CLOEXEC) != 0 || ::pipe2(output, O_CLOEXEC) != 0) {
        const int error = errno;
        for (int* fd : {&input[0], &input[1], &output[0], &output[1]})
            CloseFd(*fd);
        throw PortError(
            SystemError("exec backend: cannot create pipes for '" + command + "'", error));
    }

    SpawnSetup setup;
    posix_spawn_file_actions_adddup2(&setup.actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_adddup2(&setup.actions, output[1], STDOUT_FILENO);
    // The child gets the usual SIGPIPE back and its own process group, so that
    // whatever the shell starts can be stopped with it.
    sigset_t defaults;
    sigemptyset(&defaults);
    sigaddset(&defaults, SIGPIPE);
    posix_spawnattr_setsigdefault(&setup.attributes, &defaults);
    sigset_t noMask;
    sigemptyset(&noMask);
    posix_spawnattr_setsigmask(&setup.attributes, &noMask);
    posix_spawnattr_setpgroup(&setup.attributes, 0);
    posix_spawnattr_setflags(&setup.attributes, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK |
                                                    POSIX_SPAWN_SETPGROUP);

    std::string shell = "sh", dashC = "-c", script = command;
    char* argv[] = {shell.data(), dashC.data(), script.data(), nullptr};
    const int error =
        ::posix_spawn(&pid_, "/bin/sh", &setup.actions, &setup.attributes, argv, environ);
    CloseFd(input[0]);
    CloseFd(output[1]);
    toChild_ = input[1];
    fromChild_ = output[0];
    if (error != 0) {
        ClosePipes();
        pid_ = -1;
        throw PortError(SystemError("exec backend: cannot start '" + command + "'", error));
    }
    SetNonBlocking(toChild_);
    SetNonBlocking(fromChild_);
}

ChildProcess::~ChildProcess() {
    Finish(std::chrono::seconds(3));
}

ChildProcess::Io ChildProcess::Write(std::string_view data, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    while (!data.empty()) {
        if (toChild_ < 0) return Io::Closed;
        const ssize_t n = ::write(toChild_, data.data(), data.size());
        if (n > 0) {
            data.remove_prefix(static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            const Room room = WaitForRoom(toChild_, fromChild_, deadline);
            if (room == Room::TimedOut) return Io::TimedOut;
            if (room == Room::AnswersClosed) return Io::Closed;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return Io::Closed; // EPIPE: nobody reads the other end any more
        }
    }
    return Io::Done;
}

ChildProcess::Io ChildProcess::ReadLine(std::string& line, std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const auto end = received_.find('\n');
        if (end != std::string::npos) {
            line.assign(received_, 0, end);
            received_.erase(0, end + 1);
            return Io::Done;
        }
        if (received_.size() >= kLongestLine) {
            // A child streaming output without newlines would otherwise be read
            // for ever: hand out what came, for the caller to judge.
            line.assign(received_, 0, kLongestLine);
            received_.erase(0, kLongestLine);
            return Io::Done;
        }
        if (fromChild_ < 0) return Io::Closed;
        char chunk[4096];
        const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
        if (n > 0) {
            received_.append(chunk, static_cast<std::size_t>(n));
        } else if (n < 0 && errno == EAGAIN) {
            if (!WaitReady(fromChild_, POLLIN, deadline)) return Io::TimedOut;
        } else if (n < 0 && errno == EINTR) {
            continue;
        } else {
            return Io::Closed; // end of file: the child closed its output
        }
    }
}

std::string ChildProcess::UnaskedOutput() {
    while (fromChild_ >= 0 && received_.size() < kLongestLine) {
        char chunk[4096];
        const ssize_t n = ::read(fromChild_, chunk, sizeof chunk);
        if (n > 0)
            received_.append(chunk, static_cast<std::size_t>(n));
        else if (n < 0 && errno == EINTR)
            continue;
        else
            break; // nothing more for now, or the end: the next read will tell
    }
    return received_;
}

bool ChildProcess::WaitForEnd(std::chrono::milliseconds limit) {
    if (pid_ < 0 || ended_) return true;
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const pid_t done = ::waitpid(pid_, &status_, WNOHANG);
        if (done == pid_ || (done < 0 && errno != EINTR)) {
            ended_ = true;
            statusKnown_ = done == pid_;
            return true;
        }
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
}

std::string ChildProcess::EndDescription(std::chrono::milliseconds limit) {
    if (!WaitForEnd(limit)) return {};
    if (!statusKnown_) return "ended";
    if (WIFEXITED(status_)) {
        const int code = WEXITSTATUS(status_);
        return "exited with status " + std::to_string(code) +
               (code == 127 ? " (command not found)" : "");
    }
    if (WIFSIGNALED(status_)) {
        const int signal = WTERMSIG(status_);
        return "was ended by signal " + std::to_string(signal) + " (" + ::strsignal(signal) + ")";
    }
    return "ended";
}

void ChildProcess::ClosePipes() {
    CloseFd(toChild_);
    CloseFd(fromChild_);
}

bool ChildProcess::GroupGone(std::chrono::milliseconds limit) {
    const auto deadline = Clock::now() + limit;
    for (;;) {
        WaitForEnd(std::chrono::milliseconds(0)); // a zombie still counts as a member
        if (::kill(-pid_, 0) != 0 && errno == ESRCH) return true;
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

void ChildProcess::Finish(std::chrono::milliseconds grace) {
    ClosePipes();
    if (pid_ < 0 || finished_) return;
    finished_ = true;
    WaitForEnd(grace);
    // The shell may have started the real program as its own child, which can
    // outlive it: stop the whole group, even when the direct child has ended, and
    // kill whatever ignores the polite request.
    if (::kill(-pid_, SIGTERM) == 0 && !GroupGone(std::chrono::seconds(1))) {
        ::kill(-pid_, SIGKILL);
        GroupGone(std::chrono::seconds(5));
    }
    WaitForEnd(std::chrono::seconds(5));
}

} // namespace quorbit
