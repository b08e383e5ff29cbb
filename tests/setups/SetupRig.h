#pragma once
// A started core on a temporary working folder, with helpers for setup files.
#include <functional>
#include <string>

#include "Fakes.h"

namespace quorbit::test {

struct SetupRig {
    Rig rig;
    App& app = *rig.app;
    SetupRig();
    [[nodiscard]] std::filesystem::path Work(const std::string& name) const;
    void WriteWork(const std::string& name, const std::string& text) const;
    [[nodiscard]] std::string ReadWork(const std::string& name) const;
    /// Everything a restore may touch, as text, the log excepted.
    [[nodiscard]] std::string Snapshot() const;
};

/// A setup file's lines joined with CR LF, each one ended.
std::string CrLfLines(const std::vector<std::string>& lines);

/// The text of a setup file as the program saves it, from a freshly started core
/// whose controls `prepare` sets as an operator would.
std::string SavedSetupText(const std::function<void(App&)>& prepare);

} // namespace quorbit::test
