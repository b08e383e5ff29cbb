#include "setups/SetupRig.h"

#include <gtest/gtest.h>

#include "session/Startup.h"
#include "setups/Setups.h"

namespace quorbit::test {

SetupRig::SetupRig() {
    app.RunGuarded(Form_Load);
    rig.ClearLog();
}

std::filesystem::path SetupRig::Work(const std::string& name) const {
    return std::filesystem::path(app.svc.workFolder) / name;
}

void SetupRig::WriteWork(const std::string& name, const std::string& text) const {
    WriteBytes(Work(name), text);
}

std::string SetupRig::ReadWork(const std::string& name) const {
    return ReadBytes(Work(name));
}

std::string SetupRig::Snapshot() const {
    std::string s;
    for (const Control* c : app.ui.All()) {
        if (c == &app.ui.SystemLog) continue;
        s += c->name + "|" + c->caption + "|" + std::to_string(c->enabled) +
             std::to_string(c->visible) + "|" + std::to_string(c->value) + "|" +
             std::to_string(c->max) + "|" + std::to_string(c->listIndex) + "\n";
    }
    const auto& d = app.dev;
    const auto& b = app.board;
    s += d.DeviceName + "|" + d.DeviceType + "|" + std::to_string(d.DeviceRow) + "|" +
         std::to_string(d.DeviceSize) + "|" + std::to_string(d.VppVolts) + "\n";
    s += std::to_string(b.DataPort) + "|" + std::to_string(b.BoardModel) + "|" +
         std::to_string(b.PortDelayCount) + "|" + std::to_string(b.MediumDelayCount) + "|" +
         std::to_string(b.LongDelayCount) + "\n";
    s += app.buf.CodeFileName + "|" + std::to_string(app.buf.CodeBufferLoaded) + "|" +
         app.buf.FileChecksumText + "\n";
    return s;
}

std::string CrLfLines(const std::vector<std::string>& lines) {
    std::string text;
    for (const auto& line : lines)
        text += line + "\r\n";
    return text;
}

std::string SavedSetupText(const std::function<void(App&)>& prepare) {
    SetupRig source;
    prepare(source.app);
    EXPECT_TRUE(WriteSetupFile(source.app, "QBSetup4.INI", "saved"));
    return source.ReadWork("QBSetup4.INI");
}

} // namespace quorbit::test
