#pragma once
// A started core on a simulated board with a chosen device and a chip in the socket.
#include <gtest/gtest.h>
#include <rapidcheck.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "Fakes.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Checksums.h"
#include "catalog/DeviceSelection.h"
#include "ops/ChipRoutine.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"

namespace quorbit::test {

/// Remembers how far the progress bar went while an operation ran, and the
/// maximum it had then.
class ProgressWatch : public Refresher {
  public:
    explicit ProgressWatch(const App& app) : app_(app) {}
    void Repaint() override {
        const auto& bar = app_.ui.progressBar;
        if (bar.value > valueSeen) {
            valueSeen = bar.value;
            maxSeen = bar.max;
        }
        if (onRepaint) onRepaint();
    }
    int maxSeen = 0;
    int valueSeen = 0;
    std::function<void()> onRepaint;

  private:
    const App& app_;
};

struct ChipRig {
    explicit ChipRig(int model = 6) : rig(model) {
        app.RunGuarded(Form_Load);
        EXPECT_EQ(app.board.BoardModel, model);
        app.svc.refresher = &progress;
    }

    /// Chooses catalog row `row` and puts a chip of it with `contents` in the socket.
    sim::ParallelChip& Insert(int row, std::vector<std::uint8_t> contents) {
        EXPECT_TRUE(SelectDevice(app, row)) << "row " << row;
        auto chip = sim::MakeParallelSimChip(row, std::move(contents));
        sim::ParallelChip& ref = *chip;
        rig.sim->Insert(std::move(chip));
        rig.ClearLog();
        rig.sound.played.clear();
        rig.dialogs.boxes.clear();
        return ref;
    }
    sim::ParallelChip& InsertPattern(int row) {
        return Insert(row, sim::AddressPatternContents(sim::SimChipSize(row)));
    }

    /// Loads `bytes` through the program's own file loading.
    void LoadCode(const std::vector<std::uint8_t>& bytes) {
        const auto path = rig.dir / "image.bin";
        WriteBytes(path, std::string(bytes.begin(), bytes.end()));
        ASSERT_TRUE(OpenCodeFile(app, path.string()));
        rig.ClearLog();
        rig.sound.played.clear();
    }

    void Press(Control& button) {
        ASSERT_TRUE(button.enabled) << button.name;
        Fire(button.onClick);
    }

    [[nodiscard]] std::vector<std::uint8_t> Code(std::size_t n) const {
        return {app.buf.CodeBuffer.begin(),
                app.buf.CodeBuffer.begin() + static_cast<std::ptrdiff_t>(n)};
    }
    [[nodiscard]] std::string Sound(const std::string& file) const {
        return (rig.dir / "app" / file).string();
    }
    [[nodiscard]] bool LogHas(const std::string& line) const {
        const auto lines = rig.LogLines();
        return std::find(lines.begin(), lines.end(), line) != lines.end();
    }

    Rig rig;
    App& app = *rig.app;
    ProgressWatch progress{app};
};

/// The CRC32 and SHA-1 line of chip bytes read from address `first` on.
inline std::string DeviceSumsLine(const std::vector<std::uint8_t>& bytes, std::uint32_t first = 0) {
    const auto last = first + static_cast<std::uint32_t>(bytes.size()) - 1;
    return "Device " + DigestLogText(DigestOf(bytes), Coverage::OfRanges({{first, last}}));
}

/// Four-digit checksum of bytes as the program prints it.
inline std::string ChecksumText(const std::vector<std::uint8_t>& bytes) {
    unsigned sum = 0;
    for (auto b : bytes)
        sum += b;
    char text[8];
    std::snprintf(text, sizeof text, "%04X", sum & 0xFFFF);
    return text;
}

} // namespace quorbit::test

namespace quorbit::test {

/// Answers every box with OK and remembers how the alert looked while it was up.
class AlertSnapshotDialogs : public ScriptedDialogs {
  public:
    explicit AlertSnapshotDialogs(const App& app) : app_(app) {}
    struct Snapshot {
        bool program, verify, read, display, errorLampRed;
    };
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        const auto& ui = app_.ui;
        snapshots.push_back({ui.programButton.enabled, ui.verifyButton.enabled,
                             ui.readButton.enabled, ui.displayButton.enabled,
                             ui.errorLamp.foreColor == colour::Red});
        return ScriptedDialogs::MsgBox(text, title, icon, buttons, defaultButton);
    }
    std::vector<Snapshot> snapshots;

  private:
    const App& app_;
};

/// What a routine says, heard without the window.
class HeardEvents final : public ProgrammingEvents {
  public:
    void Log(const std::string& line) override { lines.push_back(line); }
    void Advanced(bool blink) override {
        ++advanced;
        if (blink) ++blinks;
    }
    void StepsAhead(int count) override { steps = count; }
    void Stepped() override { ++stepped; }
    void Waiting(const std::string& phase, double seconds) override {
        phases.push_back(phase);
        waitedSeconds = seconds;
    }
    void WaitOver() override { ++waitsOver; }
    std::vector<std::string> lines;
    std::vector<std::string> phases;
    double waitedSeconds = 0;
    int waitsOver = 0;
    int steps = 0;
    int stepped = 0;
    int advanced = 0;
    int blinks = 0;
};

/// The ranges a per-address mask holds.
inline Coverage HeldBy(const std::vector<int>& mask) {
    std::vector<AddressRange> ranges;
    for (std::uint32_t a = 0; a < mask.size(); ++a) {
        if (mask[a] == 0) continue;
        if (!ranges.empty() && ranges.back().last + 1 == a)
            ranges.back().last = a;
        else
            ranges.push_back({a, a});
    }
    return Coverage::OfRanges(std::move(ranges));
}

/// A part of an image, held here and there, and one address of it a test seeds a
/// fault at; drawn inside a property.
struct HeldImage {
    std::vector<std::uint8_t> bytes;
    std::vector<int> mask;
    Coverage held;
    std::uint32_t bad = 0;

    [[nodiscard]] bool Holds(std::uint32_t a) const { return mask[a] != 0; }
    [[nodiscard]] ImageToWrite ToWrite() const {
        return {bytes, held, static_cast<std::int32_t>(bytes.size())};
    }
};

inline HeldImage DrawHeldImage(int minLength, int maxLength) {
    HeldImage image;
    const auto length = static_cast<std::size_t>(*rc::gen::inRange(minLength, maxLength + 1));
    image.bytes =
        *rc::gen::container<std::vector<std::uint8_t>>(length, rc::gen::arbitrary<std::uint8_t>());
    image.mask = *rc::gen::container<std::vector<int>>(length, rc::gen::inRange(0, 2));
    image.bad = static_cast<std::uint32_t>(*rc::gen::inRange<std::size_t>(0, length));
    image.held = HeldBy(image.mask);
    return image;
}

} // namespace quorbit::test
