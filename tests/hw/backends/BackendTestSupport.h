#pragma once
// Shared by the backend tests: the scripted children and running a check
// without root's privileges.
#include <string>

#include <grp.h>
#include <unistd.h>

#include "session/Backend.h"

namespace quorbit::test {

/// "sh '<helpers>/<script>'" followed by the arguments, each quoted.
inline std::string HelperCommand(const std::string& script, const std::string& args = {}) {
    return "sh '" + std::string(QUORBIT_TEST_HELPERS) + "/" + script + "'" +
           (args.empty() ? "" : " " + args);
}

inline BackendOptions Backend(const std::string& choice, const std::string& traceFile = {}) {
    BackendOptions options;
    options.choice = choice;
    options.traceFile = traceFile;
    return options;
}

inline std::string Quoted(const std::string& text) {
    return "'" + text + "'";
}

/// In a death-test child: become user nobody when running as root, so that the
/// refusals an ordinary user meets can be checked. False when that is impossible.
inline bool DropRootPrivileges() {
    if (::geteuid() != 0) return true;
    constexpr gid_t kNobodyGroup = 65534;
    constexpr uid_t kNobody = 65534;
    return ::setgroups(0, nullptr) == 0 && ::setgid(kNobodyGroup) == 0 && ::setuid(kNobody) == 0;
}

} // namespace quorbit::test
