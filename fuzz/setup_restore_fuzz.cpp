// A setup slot file as a user, an editor or a broken disk may leave it: parsed,
// then restored into a started program's controls through their own handlers.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "session/Program.h"
#include "session/SimSocket.h"
#include "session/Startup.h"
#include "setups/SetupFile.h"
#include "setups/Setups.h"
#include "sim/SimBoard.h"

namespace {

/// Every box answered with its default, nothing printed.
class QuietDialogs : public quorbit::Dialogs {
  public:
    quorbit::MsgResult MsgBox(const std::string&, const std::string&, quorbit::MsgIcon,
                              quorbit::MsgButtons, int) override {
        return quorbit::MsgResult::Ok;
    }
    std::optional<std::string> InputBox(const std::string&, const std::string&) override {
        return std::nullopt;
    }
    std::string OpenFileName(const std::string&, const std::string&) override { return {}; }
    std::string SaveFileName(const std::string&, const std::string&) override { return {}; }
};

struct Program {
    Program() {
        folder = std::filesystem::temp_directory_path() /
                 ("quorbit-setup-fuzz-" + std::to_string(::getpid()));
        std::filesystem::create_directories(folder);
        quorbit::Services s;
        s.port = &board;
        s.deviceChosen = quorbit::SocketFollowsDevice(board);
        s.clock = &clock;
        s.sound = &sound;
        s.dialogs = &dialogs;
        s.settings = &settings;
        s.appFolder = s.portFileFolder = s.userConfigFolder = s.workFolder = folder.string();
        app = quorbit::MakeProgram(s);
        app->RunGuarded(quorbit::Form_Load);
    }
    std::filesystem::path folder;
    quorbit::sim::SimBoard board{6, 0x378};
    quorbit::SystemClock clock;
    quorbit::SilentSound sound;
    QuietDialogs dialogs;
    quorbit::MemorySettings settings;
    std::unique_ptr<quorbit::App> app;
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static Program program;
    const std::string text(reinterpret_cast<const char*>(data), size);
    for (const quorbit::SetupLine& line : quorbit::ParseSetupFile(text)) {
        (void)quorbit::ParseTrueFalse(line.rest);
        (void)quorbit::ParseSetupNumber(line.rest);
    }
    (void)quorbit::SetupNameOf(text.substr(0, text.find('\n')));
    {
        std::ofstream out(program.folder / "QBSetup1.INI", std::ios::binary | std::ios::trunc);
        out << text;
    }
    const quorbit::SetupRestore restore =
        quorbit::LoadSetupRot(*program.app, quorbit::SlotFileName(1));
    (void)restore;
    program.app->ui.SystemLog.caption.clear(); // the log would grow without end
    return 0;
}
