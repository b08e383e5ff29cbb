#include "Fakes.h"

#include <fstream>
#include <random>
#include <sstream>

#include "session/Program.h"
#include "session/SimSocket.h"

namespace quorbit::test {

TempDir::TempDir() {
    std::random_device rd;
    path_ = std::filesystem::temp_directory_path() /
            ("quorbit-test-" + std::to_string(rd()) + std::to_string(rd()));
    std::filesystem::create_directories(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

Rig::Rig(int simModel, std::uint16_t simPort) {
    auto board = std::make_unique<sim::SimBoard>(simModel, simPort);
    sim = board.get();
    port = std::move(board);
    Build();
}

Rig::Rig(std::unique_ptr<PortIo> p) : port(std::move(p)) {
    Build();
}

Rig::Rig(std::unique_ptr<PortIo> p, sim::SimBoard& simulated)
    : port(std::move(p)), sim(&simulated) {
    Build();
}

void PausingPort::PauseAt(std::uint64_t access) {
    std::lock_guard lock(mutex_);
    pauseAt_ = accesses_ + access;
    paused_ = released_ = false;
}

void PausingPort::WaitUntilPaused() {
    std::unique_lock lock(mutex_);
    changed_.wait(lock, [this] { return paused_; });
}

void PausingPort::Release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void PausingPort::Count() {
    std::unique_lock lock(mutex_);
    if (++accesses_ != pauseAt_) return;
    paused_ = true;
    changed_.notify_all();
    changed_.wait(lock, [this] { return released_; });
}

void PausingPort::PortOut(std::uint16_t port, std::uint8_t value) {
    Count();
    board_->PortOut(port, value);
}

std::uint8_t PausingPort::PortIn(std::uint16_t port) {
    Count();
    return board_->PortIn(port);
}

void Rig::Build() {
    Services s;
    s.port = port.get();
    s.clock = &clock;
    s.sound = &sound;
    s.dialogs = &dialogs;
    s.settings = &settings;
    if (sim) s.deviceChosen = SocketFollowsDevice(*sim);
    s.appFolder = (dir / "app").string();
    s.portFileFolder = s.appFolder;
    s.userConfigFolder = (dir / "user").string();
    s.workFolder = (dir / "work").string();
    std::filesystem::create_directories(s.appFolder);
    std::filesystem::create_directories(s.workFolder);
    app = MakeProgram(s);
}

std::vector<std::string> Rig::LogLines() const {
    std::vector<std::string> lines;
    std::istringstream in(app->ui.SystemLog.caption);
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        const auto mark = line.find(">  ");
        if (mark != std::string::npos) lines.push_back(line.substr(mark + 3));
    }
    return lines;
}

void WriteBytes(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream out(path, std::ios::binary);
    out << bytes;
}

std::string ReadBytes(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream s;
    s << in.rdbuf();
    return s.str();
}

} // namespace quorbit::test
