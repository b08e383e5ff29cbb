// Image inputs that could hang or fool a load: devices without an end, pipes
// without a writer, pipes that never stop, read errors. Each ends at once with its
// message, and the buffers, names and labels stay as they were.
#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <fcntl.h>
#include <stdexcept>
#include <sys/stat.h>
#include <unistd.h>

#include "Fakes.h"
#include "buffers/BinaryFiles.h"
#include "hw/SafeFile.h"
#include "session/SimSocket.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

/// A FIFO nobody writes to, and one that holds more than any bound asks for
/// (a writing end kept open, so no end of file ever comes).
struct Fifos {
    TempDir dir;
    fs::path empty = dir / "empty.fifo";
    fs::path fed = dir / "fed.fifo";
    int feeder = -1;
    Fifos() {
        ::mkfifo(empty.c_str(), 0600);
        ::mkfifo(fed.c_str(), 0600);
        feeder = ::open(fed.c_str(), O_RDWR | O_NONBLOCK);
        const std::string lots(60000, 'f');
        if (::write(feeder, lots.data(), lots.size()) < 0) feeder = -1;
    }
    ~Fifos() { ::close(feeder); }
    [[nodiscard]] std::vector<std::string> All() const {
        return {"/dev/zero", empty.string(), fed.string()};
    }
};

struct ImageInputs : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    Fifos fifos;
    ImageInputs() {
        app.RunGuarded(Form_Load);
        WriteBytes(rig.dir / "good.bin", "good");
        rig.dialogs.fileAnswers.push_back((rig.dir / "good.bin").string());
        Fire(app.ui.mnuFileOpenCode.onClick);
        rig.dialogs.fileAnswers.push_back((rig.dir / "good.bin").string());
        Fire(app.ui.mnuFileOpenData.onClick);
        rig.ClearLog();
        rig.dialogs.boxes.clear();
    }
};

TEST_F(ImageInputs, CodeFilesThatNeverEndOrWaitAreRefusedAndNothingChanges) {
    ASSERT_GE(fifos.feeder, 0);
    const std::string label = app.ui.FileNameCodeText.caption;
    const std::string name = app.buf.CodeFileName;
    for (const std::string& path : fifos.All()) {
        const auto start = Clock::now();
        EXPECT_FALSE(OpenCodeFile(app, path)) << path;
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << path;
        EXPECT_EQ(std::string(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.begin() + 4), "good");
        EXPECT_EQ(app.dev.DeviceSize, 4);
        EXPECT_EQ(app.buf.CodeFileName, name);
        EXPECT_EQ(app.ui.FileNameCodeText.caption, label);
        EXPECT_EQ(app.ui.FileNameCodeSize.caption, "(4)");
        ASSERT_FALSE(rig.LogLines().empty());
        EXPECT_EQ(
            rig.LogLines().back().rfind("Could not read the code file " + path + ": it is a", 0),
            0u)
            << rig.LogLines().back();
    }
    EXPECT_EQ(rig.dialogs.boxes.size(), 3u);
}

TEST_F(ImageInputs, DataFilesThatNeverEndOrWaitAreRefusedAndNothingChanges) {
    const std::string label = app.ui.FileNameDataText.caption;
    for (const std::string& path : fifos.All()) {
        rig.dialogs.fileAnswers.push_back(path);
        Fire(app.ui.mnuFileOpenData.onClick);
        EXPECT_EQ(std::string(app.buf.DataBuffer.begin(), app.buf.DataBuffer.begin() + 4), "good");
        EXPECT_EQ(app.buf.DataFileSize, 4);
        EXPECT_EQ(app.buf.DataFileName, (rig.dir / "good.bin").string());
        EXPECT_EQ(app.ui.FileNameDataText.caption, label);
        EXPECT_EQ(app.ui.dataFlowLamp.backColor, colour::ButtonFace) << path;
        EXPECT_NE(rig.LogLines().back().find("Could not read the data file " + path),
                  std::string::npos);
    }
}

TEST_F(ImageInputs, AReadErrorIsReportedWithTheFileAndNothingIsLoaded) {
    EXPECT_FALSE(OpenCodeFile(app, "/proc/self/mem"));
    EXPECT_EQ(rig.LogLines().back(),
              "Could not read the code file /proc/self/mem: read error: Input/output error");
    EXPECT_EQ(app.dev.DeviceSize, 4);
    rig.dialogs.fileAnswers.push_back("/proc/self/mem");
    Fire(app.ui.mnuFileOpenData.onClick);
    EXPECT_EQ(app.buf.DataFileSize, 4);
    EXPECT_NE(rig.LogLines().back().find("Input/output error"), std::string::npos);
}

TEST_F(ImageInputs, StandardInputIsReadWithTheBufferBound) {
    int fds[2];
    ASSERT_EQ(::pipe(fds), 0);
    const int saved = ::dup(STDIN_FILENO);
    ::dup2(fds[0], STDIN_FILENO);
    const std::string lots(9000, 'z'); // more than a data file may hold; never ends
    ASSERT_EQ(::write(fds[1], lots.data(), lots.size()), 9000);
    rig.dialogs.fileAnswers.push_back(kStandardInputName);
    Fire(app.ui.mnuFileOpenData.onClick);
    ::dup2(saved, STDIN_FILENO);
    ::close(saved);
    ::close(fds[0]);
    ::close(fds[1]);
    EXPECT_EQ(app.buf.DataFileSize, 4);
    EXPECT_EQ(rig.LogLines().back().rfind("Data File Size is more than 8192 bytes", 0), 0u)
        << rig.LogLines().back();
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].title, "Data File to Big");
}

TEST(SimulatorContents, EndlessWaitingAndUnreadableImagesAreRefusedAtOnce) {
    Fifos fifos;
    std::vector<std::string> images = fifos.All();
    images.emplace_back("/proc/self/mem");
    for (const std::string& image : images) {
        SimSetup setup;
        setup.chip = "27C256";
        setup.imageFile = image;
        const auto start = Clock::now();
        try {
            MakeSocketChip(setup, "");
            ADD_FAILURE() << image << " was taken as the chip's contents";
        } catch (const std::invalid_argument& e) {
            EXPECT_NE(std::string(e.what()).find("Cannot read simulator image " + image),
                      std::string::npos)
                << e.what();
        }
        EXPECT_LT(Clock::now() - start, std::chrono::seconds(2)) << image;
    }
}

} // namespace
} // namespace quorbit::test
