// A long window session against a reference model: random sequences of what an
// operator does (choose a device, load images of every shape and format, read,
// blank check, verify, program, erase, switch the options, save and restore a
// setup, change the chip in the socket, answer the safety question), driven through the controls'
// own handlers on one long-lived core. After every step each claim the program makes is checked
// against the simulated chip and the model: state left by an earlier step must
// never turn into a wrong success. RapidCheck shrinks a failing session to the
// few steps that still fail and prints the RC_PARAMS line that replays it.
#include <gtest/gtest.h>
#include <rapidcheck.h>
#include <rapidcheck/state.h>

#include <algorithm>
#include <array>
#include <optional>
#include <random>
#include <sstream>

#include "../PropertyCheck.h"
#include "../buffers/RecordText.h"
#include "../ops/ChipRig.h"
#include "FaultTruth.h"
#include "catalog/Catalog.h"
#include "setups/Setups.h"
#include "sim/BoardFaults.h"
#include "sim/SeedFaults.h"

namespace quorbit::test {
namespace {

using Bytes = std::vector<std::uint8_t>;

/// Answers the safety question as the session last decided; every other box OK.
class SessionDialogs : public ScriptedDialogs {
  public:
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        ScriptedDialogs::MsgBox(text, title, icon, buttons, defaultButton);
        if (title == "Safety Question") return safetyOk ? MsgResult::Ok : MsgResult::Cancel;
        return MsgResult::Ok;
    }
    bool safetyOk = true;
};

/// The reference model of the session: the device, the buffer and its coverage and
/// the options, kept by the test from what the operator did, never read from the
/// program's own state.
struct Reference {
    int row = -1;
    std::uint32_t size = 0;
    char family = 0;
    Bytes buffer = Bytes(kCodeBufferSize, 0x00);
    std::vector<AddressRange> coverage;
    int hiLow = 0;
};

/// The last image file loaded: what a setup names and a restore loads again.
struct LoadedFile {
    Bytes buffer;
    std::vector<AddressRange> coverage;
    bool records = false; // a record file must fit the chosen chip to load
};

/// How far a record file may reach to load: the chip, or the pair of chips that
/// Hi Byte or Low Byte stand for (never for a 24Cxx).
std::uint32_t RecordSpan(std::uint32_t size, char family, int hiLow) {
    return hiLow != 0 && family != 'S' ? 2 * size : size;
}

/// What a saved setup brings back: the device, the byte choice and the code file.
struct SavedSetup {
    int row = -1;
    std::uint32_t size = 0;
    char family = 0;
    int hiLow = 0;
    std::optional<LoadedFile> file;
};

/// The system under test: one core on a simulated board for the whole session.
struct Session {
    Session() {
        r.app.svc.dialogs = &dialogs;
        SetCheck(r.app.ui.verifyAfterCheck, 0);
    }
    ChipRig r;
    SessionDialogs dialogs;
    Reference ref;
    std::optional<LoadedFile> lastFile;
    std::array<std::optional<SavedSetup>, kSetupSlots> slots;
    int files = 0;

    [[nodiscard]] sim::SimChip* Chip() const { return r.rig.sim->Chip(); }
    /// What the socket holds as anything reading it finds it. An empty socket's
    /// floating bus reads FFh: a parallel socket cannot be told from an erased chip.
    [[nodiscard]] Bytes Truth() const {
        if (!Chip()) return Bytes(ref.size, 0xFF);
        auto bytes = TrueContents(*Chip());
        bytes.resize(ref.size, 0xFF);
        return bytes;
    }
    [[nodiscard]] std::vector<std::string> Log() const { return r.rig.LogLines(); }
};

/// What the chip must hold where the image has bytes: address -> byte.
std::vector<std::optional<std::uint8_t>> ExpectedImage(const Reference& ref) {
    std::vector<std::optional<std::uint8_t>> want(ref.size);
    const Coverage held = Coverage::OfRanges(ref.coverage);
    const int hiLow = ref.family == 'S' ? 0 : ref.hiLow; // the 24Cxx refuse a half
    for (std::uint32_t a = 0; a < ref.size; ++a) {
        // One chip of a 16-bit pair: every other byte of up to twice the chip.
        const std::uint32_t from = hiLow == 0 ? a : 2 * a + (hiLow == 1 ? 1 : 0);
        if (held.Holds(from)) want[a] = ref.buffer[from];
    }
    return want;
}

std::size_t Mismatches(const std::vector<std::optional<std::uint8_t>>& want, const Bytes& chip) {
    std::size_t n = 0;
    for (std::size_t a = 0; a < want.size(); ++a)
        if (want[a] && (a >= chip.size() || chip[a] != *want[a])) ++n;
    return n;
}

bool Has(const std::vector<std::string>& lines, const std::string& text) {
    return std::find(lines.begin(), lines.end(), text) != lines.end();
}

/// The program's code buffer is the model's: nothing lost, nothing left over.
void CheckBuffer(const Session& s) {
    const auto& code = s.r.app.buf.CodeBuffer;
    RC_ASSERT(std::equal(code.begin(), code.begin() + 1100000, s.ref.buffer.begin()));
}

struct Model {}; // what the commands need to know lives in the session's reference
using Step = rc::state::Command<Model, Session>;

// Catalog rows to choose from: each family's small parts often, N/A rows too, the
// large parts now and then.
const std::vector<int> kRows = {2, 6, 11, 13, 15, 23, 25, 33, 36, 37, 38, 1, 22, 24, 39, 21, 27};

struct ChooseDevice : Step {
    int row = *rc::gen::elementOf(kRows);
    void run(const Model&, Session& s) const override {
        s.r.rig.ClearLog();
        const bool chosen = SelectDevice(s.r.app, row);
        const auto& entry = CatalogTable()[static_cast<std::size_t>(row)];
        RC_ASSERT(chosen == entry.selectable);
        if (!chosen) {
            // An N/A row: the device chosen before stays in force, and says so.
            RC_ASSERT(s.r.app.dev.DeviceRow == s.ref.row);
            return;
        }
        s.ref.row = row;
        s.ref.size = static_cast<std::uint32_t>(entry.sizeKB) * 1024;
        s.ref.family = entry.family;
    }
    void show(std::ostream& os) const override { os << "choose row " << row; }
};

struct LoadImage : Step {
    int format = *rc::gen::inRange(0, 3); // raw, Intel HEX, S-record
    // Mostly shorter than the small chips, now and then longer than the large ones.
    std::uint32_t length = *rc::gen::oneOf(rc::gen::inRange<std::uint32_t>(0, 5000),
                                           rc::gen::inRange<std::uint32_t>(0, 140000));
    std::uint32_t start = *rc::gen::oneOf(rc::gen::inRange<std::uint32_t>(0, 4000),
                                          rc::gen::inRange<std::uint32_t>(0, 70000));
    std::uint32_t seed = *rc::gen::arbitrary<std::uint32_t>();
    void run(const Model&, Session& s) const override {
        std::mt19937 random(seed);
        Bytes bytes(length);
        for (auto& b : bytes)
            b = static_cast<std::uint8_t>(random());
        std::string file;
        std::vector<AddressRange> ranges;
        const std::uint32_t first = format == 0 ? 0 : start;
        if (length > 0) ranges = {{first, first + length - 1}};
        if (format == 0) {
            file.assign(bytes.begin(), bytes.end());
        } else {
            for (std::uint32_t at = 0; at < length; at += 16) {
                const std::uint32_t address = first + at;
                const Bytes data(bytes.begin() + at, bytes.begin() + std::min(at + 16, length));
                if (format == 2) {
                    file += SLine('2', 3, address, data);
                } else {
                    if (at == 0 || (address & 0xFFFF) < 16)
                        file += IntelLine(4, 0,
                                          {static_cast<std::uint8_t>(address >> 24),
                                           static_cast<std::uint8_t>(address >> 16)});
                    file += IntelLine(0, static_cast<std::uint16_t>(address), data);
                }
            }
            file += format == 2 ? SLine('8', 3, 0, {}) : IntelEnd();
        }
        const auto path = s.r.rig.dir / ("image" + std::to_string(++s.files) +
                                         (format == 0   ? ".bin"
                                          : format == 1 ? ".hex"
                                                        : ".s28"));
        WriteBytes(path, file);
        s.r.rig.ClearLog();
        const bool loaded = OpenCodeFile(s.r.app, path.string());
        if (!loaded) return CheckBuffer(s); // refused: the buffer stays as it was
        std::fill(s.ref.buffer.begin(), s.ref.buffer.end(), std::uint8_t{0xFF});
        std::copy(bytes.begin(), bytes.end(), s.ref.buffer.begin() + first);
        s.ref.coverage = ranges;
        s.lastFile = LoadedFile{s.ref.buffer, ranges, format != 0};
        CheckBuffer(s);
    }
    void show(std::ostream& os) const override {
        os << "load "
           << (format == 0   ? "raw"
               : format == 1 ? "HEX"
                             : "S-record")
           << " of " << length << " bytes at " << (format == 0 ? 0 : start);
    }
};

enum class Button { Read, Blank, Verify, Program, EraseChip, EraseBuffer, Display, ShowId };

struct Press : Step {
    Button button =
        *rc::gen::element(Button::Read, Button::Blank, Button::Verify, Button::Program,
                          Button::Program, Button::Program, Button::Verify, Button::EraseChip,
                          Button::EraseBuffer, Button::Display, Button::ShowId);
    [[nodiscard]] Control& ControlOf(App& app) const {
        auto& ui = app.ui;
        switch (button) {
        case Button::Read:
            return ui.readButton;
        case Button::Blank:
            return ui.blankButton;
        case Button::Verify:
            return ui.verifyButton;
        case Button::Program:
            return ui.programButton;
        case Button::EraseChip:
            return ui.eraseChipButton;
        case Button::EraseBuffer:
            return ui.eraseBufferButton;
        case Button::Display:
            return ui.displayButton;
        case Button::ShowId:
            return ui.menuFlashShowCodeID;
        }
        return ui.readButton;
    }
    void run(const Model&, Session& s) const override {
        Control& control = ControlOf(s.r.app);
        if (!control.enabled) return; // the window would not let it be pressed
        const Bytes before = s.Truth();
        s.r.rig.ClearLog();
        s.r.app.ops.Outcome = OpOutcome::None;
        Fire(control.onClick);
        const auto log = s.Log();
        const Bytes after = s.Truth();
        const auto want = ExpectedImage(s.ref);
        const OpOutcome outcome = s.r.app.ops.Outcome;

        if (Has(log, "Device IS BLANK (ERASED)")) { // before programming, when asked for
            const Bytes& checked = button == Button::Program ? before : after;
            RC_ASSERT(std::count(checked.begin(), checked.end(), 0xFF) ==
                      static_cast<std::ptrdiff_t>(checked.size()));
        }
        if (Has(log, "Device Contents MATCHES with Buffer Contents"))
            RC_ASSERT(Mismatches(want, after) == 0U);
        if (button == Button::Program && Has(log, "Programming Device Successfull")) {
            RC_ASSERT(Mismatches(want, after) == 0U);
            for (std::size_t a = 0; a < want.size(); ++a)
                if (!want[a]) RC_ASSERT(after[a] == before[a]);
        }
        if (button == Button::EraseChip && outcome == OpOutcome::Success)
            RC_ASSERT(std::count(after.begin(), after.end(), 0xFF) ==
                      static_cast<std::ptrdiff_t>(after.size()));
        if (outcome == OpOutcome::Refused || outcome == OpOutcome::BadImage)
            RC_ASSERT(after == before);
        if (button == Button::Blank || button == Button::Verify || button == Button::Display ||
            button == Button::ShowId || button == Button::Read)
            RC_ASSERT(after == before); // reading never writes
        if (button == Button::Read && outcome == OpOutcome::Success) {
            const Bytes read(s.r.app.buf.CodeBuffer.begin(),
                             s.r.app.buf.CodeBuffer.begin() + s.ref.size);
            RC_ASSERT(read == after);
            std::copy(after.begin(), after.end(), s.ref.buffer.begin());
            s.ref.coverage = {{0, s.ref.size - 1}};
        } else if (button == Button::Read) {
            // A read that did not complete may have filled part of the buffer: the
            // model follows the program, and no claim may rest on it.
            std::copy(s.r.app.buf.CodeBuffer.begin(), s.r.app.buf.CodeBuffer.begin() + s.ref.size,
                      s.ref.buffer.begin());
        }
        if (button == Button::EraseBuffer) { // it stands for an erased chip of the device
            std::fill(s.ref.buffer.begin(), s.ref.buffer.end(), std::uint8_t{0xFF});
            s.ref.coverage.clear();
            if (s.ref.size > 0) s.ref.coverage = {{0, s.ref.size - 1}};
        }
        CheckBuffer(s);
    }
    void show(std::ostream& os) const override {
        static const char* names[] = {"Read",       "Blank Chk",    "Verify",  "Program",
                                      "Erase Chip", "Erase Buffer", "Display", "Show Code ID"};
        os << "press " << names[static_cast<int>(button)];
    }
};

struct ChooseHalf : Step {
    int hiLow = *rc::gen::inRange(0, 3);
    void run(const Model&, Session& s) const override {
        SetOption(s.r.app.ui.HiLowGroup(), static_cast<std::size_t>(hiLow), true);
        s.ref.hiLow = hiLow;
    }
    void show(std::ostream& os) const override { os << "bytes " << hiLow; }
};

struct Tick : Step {
    bool verify = *rc::gen::arbitrary<bool>();
    bool on = *rc::gen::arbitrary<bool>();
    void run(const Model&, Session& s) const override {
        SetCheck(verify ? s.r.app.ui.verifyAfterCheck : s.r.app.ui.blankCheckFirstCheck,
                 on ? 1 : 0);
    }
    void show(std::ostream& os) const override {
        os << (on ? "tick " : "untick ") << (verify ? "verify after" : "blank before");
    }
};

struct MoveSlider : Step {
    int value = *rc::gen::inRange(1, 21);
    void run(const Model&, Session& s) const override {
        SetPosition(s.r.app.ui.speedSlider, value);
    }
    void show(std::ostream& os) const override { os << "slider " << value; }
};

struct ChooseVoltage : Step {
    int index = *rc::gen::inRange(0, 4);
    void run(const Model&, Session& s) const override {
        if (s.r.app.ui.voltageButtons[static_cast<std::size_t>(index)].enabled)
            SetOption(s.r.app.ui.VoltageGroup(), static_cast<std::size_t>(index), true);
    }
    void show(std::ostream& os) const override { os << "voltage " << index; }
};

enum class Socket { Blank, Programmed, Empty, Fault, EraseHangs };

struct ChangeChip : Step {
    Socket socket = *rc::gen::element(Socket::Blank, Socket::Programmed, Socket::Empty,
                                      Socket::Fault, Socket::EraseHangs);
    std::uint32_t seed = *rc::gen::arbitrary<std::uint32_t>();
    void checkPreconditions(const Model&) const override {}
    void run(const Model&, Session& s) const override {
        if (s.ref.row < 0) return;
        if (socket == Socket::Empty) {
            s.r.rig.sim->Remove();
            return;
        }
        Bytes contents;
        if (socket == Socket::Programmed || socket == Socket::EraseHangs)
            contents = sim::RandomContents(s.ref.size, seed);
        auto chip = sim::MakeSimChip(s.ref.row, std::move(contents));
        if (!chip) return;
        sim::SimChip& ref = *chip;
        s.r.rig.sim->Insert(std::move(chip));
        if (socket == Socket::Fault) {
            // A flipped read can fool any single read; the seeded-fault test counts
            // those apart. Here every other fault must never end in a false claim.
            const std::string fault = sim::FaultForSeed(seed, s.ref.row);
            if (fault.rfind("flip:", 0) != 0) sim::ApplyAllFaults(*s.r.rig.sim, ref, fault);
        }
        // A 5 V flash chip whose erase never ends: after Erase Chip has timed out it
        // erases on, answering every read with its status.
        if (auto* flash = dynamic_cast<sim::JedecFlash*>(&ref);
            flash && socket == Socket::EraseHangs)
            flash->SetEraseNeverEnds(true);
    }
    void show(std::ostream& os) const override {
        static const char* names[] = {"blank", "programmed", "empty socket", "faulty",
                                      "never-ending erase"};
        os << "socket: " << names[static_cast<int>(socket)] << " chip, seed " << seed;
    }
};

struct SaveSetup : Step {
    int slot = *rc::gen::inRange(1, kSetupSlots + 1);
    void run(const Model&, Session& s) const override {
        if (s.ref.row < 0) return; // nothing chosen yet: nothing worth keeping
        RC_ASSERT(WriteSetupFile(s.r.app, SlotFileName(slot), "session"));
        s.slots[static_cast<std::size_t>(slot - 1)] =
            SavedSetup{s.ref.row, s.ref.size, s.ref.family, s.ref.hiLow, s.lastFile};
    }
    void show(std::ostream& os) const override { os << "save setup " << slot; }
};

struct RestoreSetup : Step {
    int slot = *rc::gen::inRange(1, kSetupSlots + 1);
    void run(const Model&, Session& s) const override {
        const auto& saved = s.slots[static_cast<std::size_t>(slot - 1)];
        if (!saved) return;
        s.r.rig.ClearLog();
        const SetupRestore restore = LoadSetupRot(s.r.app, SlotFileName(slot));
        // A record file loaded before a smaller device was chosen no longer fits
        // the restored device: that line is a problem and the buffer stays.
        const auto& file = saved->file;
        const bool fits =
            !file || !file->records || file->coverage.empty() ||
            file->coverage.back().last < RecordSpan(saved->size, saved->family, saved->hiLow);
        RC_ASSERT(restore.complete() == fits);
        RC_ASSERT(s.r.app.dev.DeviceRow == saved->row);
        s.ref.row = saved->row;
        s.ref.size = saved->size;
        s.ref.family = saved->family;
        s.ref.hiLow = saved->hiLow;
        if (file && fits) { // its code file again, whatever the buffer held since
            s.ref.buffer = file->buffer;
            s.ref.coverage = file->coverage;
        }
        // The code file named from now on: the setup's, none, or (not loaded) the last.
        if (!file) s.lastFile.reset();
        if (file && fits) s.lastFile = file;
        CheckBuffer(s);
    }
    void show(std::ostream& os) const override { os << "restore setup " << slot; }
};

struct AnswerSafety : Step {
    bool ok = *rc::gen::arbitrary<bool>();
    void run(const Model&, Session& s) const override { s.dialogs.safetyOk = ok; }
    void show(std::ostream& os) const override { os << "answer " << (ok ? "OK" : "Cancel"); }
};

TEST(SessionSequences, NoClaimOfALongSessionIsFalse) {
    // 40 sessions of up to 60 steps here; scripts/fuzz.sh runs many more
    // (RC_PARAMS="max_success=...") for its time budget.
    CheckProperty(
        40,
        [] {
            const Model model;
            const auto steps = *rc::state::gen::commands(
                model,
                rc::state::gen::execOneOfWithArgs<ChooseDevice, LoadImage, LoadImage, Press, Press,
                                                  Press, Press, Press, ChooseHalf, Tick, MoveSlider,
                                                  ChooseVoltage, ChangeChip, ChangeChip,
                                                  AnswerSafety, SaveSetup, RestoreSetup>());
            Session session;
            rc::state::runAll(steps, model, session);
        },
        60);
}

} // namespace
} // namespace quorbit::test
