// Restoring a setup: each line sets its control as the operator would, so the
// control's own handler runs (device selection, voltage, port, speed).
#include <algorithm>
#include <array>
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "buffers/ProgramImage.h"
#include "catalog/Catalog.h"
#include "catalog/VoltageSpeed.h"
#include "link/Detection.h"
#include "link/PortBase.h"
#include "setups/SetupControls.h"
#include "setups/SetupFile.h"
#include "setups/Setups.h"

namespace quorbit {
namespace {

constexpr const char* kMarker = ">>>>>>>>>>>>";

/// Message boxes raised while the code file loads are gathered, so that the
/// operator gets one box for the whole restore; everything else passes through.
class GatheringDialogs : public Dialogs {
  public:
    explicit GatheringDialogs(Dialogs& inner) : inner_(inner) {}
    MsgResult MsgBox(const std::string& text, const std::string&, MsgIcon, MsgButtons,
                     int) override {
        texts.push_back(text);
        return MsgResult::Ok;
    }
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override {
        return inner_.InputBox(prompt, title);
    }
    std::string OpenFileName(const std::string& title, const std::string& filter) override {
        return inner_.OpenFileName(title, filter);
    }
    std::string SaveFileName(const std::string& title, const std::string& filter) override {
        return inner_.SaveFileName(title, filter);
    }
    std::vector<std::string> texts;

  private:
    Dialogs& inner_;
};

/// The True/False lines of one option group as the file gives them.
struct GroupLines {
    GroupLines(std::string group, std::size_t buttons) : name(std::move(group)), size(buttons) {}
    std::string name; // "HiLow_button"
    std::array<const SetupLine*, 4> lines{};
    std::array<bool, 4> on{};
    std::size_t size;
    std::size_t read = 0; // lines that held True or False

    [[nodiscard]] bool Complete() const { return read == size; }
    [[nodiscard]] int Count() const {
        int n = 0;
        for (std::size_t i = 0; i < size; ++i)
            n += on[i] ? 1 : 0;
        return n;
    }
    [[nodiscard]] int Chosen() const {
        for (std::size_t i = 0; i < size; ++i)
            if (on[i]) return static_cast<int>(i);
        return -1;
    }
    /// "lines 14 to 16", or "line 14" ... as far as the file gives them.
    [[nodiscard]] std::string Where() const {
        int first = 0, last = 0;
        for (std::size_t i = 0; i < size; ++i) {
            if (!lines[i]) continue;
            if (first == 0 || lines[i]->number < first) first = lines[i]->number;
            last = std::max(last, lines[i]->number);
        }
        return first == last ? "line " + std::to_string(first)
                             : "lines " + std::to_string(first) + " to " + std::to_string(last);
    }
};

/// Restores a setup file in two passes. The first checks every line and what
/// the lines say together (one button of each option group, a port box that
/// names the port button chosen, a voltage the file's device offers, a code file
/// that is there); a file with any problem is not applied at all. The second
/// sets each control as the operator would, in file order, so its own handler
/// runs, then loads the code file.
class Restorer {
  public:
    Restorer(App& app, std::string fname) : app_(app), fname_(std::move(fname)) {}

    /// Every line of the file, checked before anything is set.
    void Check(const std::vector<SetupLine>& lines) {
        GroupLines voltage("Voltage_button", 4), lpt("LPTSelection", 3), hiLow("HiLow_button", 3);
        const SetupLine* port = nullptr;
        bool deviceRead = false;
        std::optional<int> device; // the row the file chooses; none for -1
        for (const SetupLine& line : lines) {
            line_ = &line;
            const SetupKey& key = SetupKeys()[line.key];
            switch (key.kind) {
            case SetupValue::Name:
                break;
            case SetupValue::CodeFile:
                CheckCodeFile(line);
                break;
            case SetupValue::ListIndex:
                deviceRead = CheckDevice(key, device);
                break;
            case SetupValue::TrueFalse: {
                const auto on = ParseTrueFalse(line.rest);
                if (!on) {
                    LineProblem(key, "neither True nor False");
                    break;
                }
                std::size_t index = 0;
                const std::vector<Control*> group = SetupOptionGroup(app_.ui, key, index);
                GroupLines& g = group == app_.ui.VoltageGroup() ? voltage
                                : group == app_.ui.LPTGroup()   ? lpt
                                                                : hiLow;
                g.lines.at(index) = &line;
                g.on.at(index) = *on;
                ++g.read;
                break;
            }
            case SetupValue::CheckState:
                CheckNumber(key, 0, 2);
                break;
            case SetupValue::Text:
                port = &line;
                break;
            case SetupValue::Number:
                CheckNumber(key, app_.ui.speedSlider.min, app_.ui.speedSlider.max);
                break;
            }
        }
        if (hiLow.Complete() && hiLow.Count() != 1)
            GroupProblem(hiLow, "one of Both, Hi Byte and Low Byte must be True");
        if (voltage.Complete() && deviceRead) CheckVoltage(voltage, device);
        if (lpt.Complete() && port) CheckPort(lpt, *port);
    }

    [[nodiscard]] bool HasProblems() const { return !problems_.empty(); }

    /// One line of a file that passed Check.
    void Apply(const SetupLine& line) {
        line_ = &line;
        const SetupKey& key = SetupKeys()[line.key];
        switch (key.kind) {
        case SetupValue::Name:
            break;
        case SetupValue::CodeFile:
            codeFile_ = line.rest;
            codeFileLine_ = line.number;
            break;
        case SetupValue::ListIndex:
            // -1: saved before any device was chosen; the chosen one stays.
            if (const int index = *ParseSetupNumber(line.rest); index != -1)
                SetListIndex(app_.ui.Device, index);
            break;
        case SetupValue::TrueFalse:
            ApplyOption(key, *ParseTrueFalse(line.rest));
            break;
        case SetupValue::CheckState:
            SetCheck(*SetupControl(app_.ui, key), *ParseSetupNumber(line.rest));
            break;
        case SetupValue::Text:
            // The button's click has set the box; a card's base is chosen here.
            if (cardBase_) ChoosePortBase(app_, *cardBase_);
            break;
        case SetupValue::Number:
            SetPosition(*SetupControl(app_.ui, key), *ParseSetupNumber(line.rest));
            break;
        }
    }

    /// The code file of the setup (or, without an "sFILE = " line, the current one)
    /// into the code buffer. A file that is gone leaves name, label and buffer as
    /// they were.
    void ReloadCodeFile() {
        const std::string path = codeFile_.value_or(app_.buf.CodeFileName);
        if (path.empty()) {
            if (codeFile_) { // the setup names no code file
                app_.buf.CodeFileName.clear();
                app_.ui.FileNameCodeText.caption.clear();
            }
            return;
        }
        std::error_code ec;
        if (!std::filesystem::is_regular_file(path, ec)) {
            const std::string where =
                codeFile_ ? "line " + std::to_string(codeFileLine_) + ": " : std::string();
            Problem(where + "the code file " + path + " no longer exists - not loaded");
            return;
        }
        GatheringDialogs gathering(*app_.svc.dialogs);
        bool loaded = false;
        {
            struct Swap {
                Dialogs*& slot;
                Dialogs* own;
                ~Swap() { slot = own; }
            } swap{app_.svc.dialogs, app_.svc.dialogs};
            app_.svc.dialogs = &gathering;
            loaded = OpenCodeFile(app_, path); // keeps the old name when it fails
        }
        for (const std::string& text : gathering.texts)
            problems_.push_back(text);
        if (!loaded && gathering.texts.empty())
            problems_.push_back("The code file " + path + " could not be loaded");
    }

    std::vector<std::string> TakeProblems() { return std::move(problems_); }

    void Problem(const std::string& text) {
        const std::string line = "Setup " + fname_ + ", " + text;
        LogMessage(app_, line);
        problems_.push_back(line);
    }

  private:
    void LineProblem(const SetupKey& key, const std::string& what) {
        Problem("line " + std::to_string(line_->number) + ": " + key.text +
                ShownSetupText(line_->rest) + " - " + what);
    }

    void GroupProblem(const GroupLines& g, const std::string& what) {
        const int count = g.Count();
        Problem(g.Where() + ": " + (count == 0 ? "no " : std::to_string(count) + " ") + g.name +
                "(n).Value " + (count > 1 ? "are" : "is") + " True - " + what);
    }

    void CheckCodeFile(const SetupLine& line) {
        std::error_code ec;
        if (!line.rest.empty() && !std::filesystem::is_regular_file(line.rest, ec))
            Problem("line " + std::to_string(line.number) + ": the code file " + line.rest +
                    " no longer exists - not loaded");
    }

    /// True when the line holds a device the list offers, or -1 (`device` empty).
    bool CheckDevice(const SetupKey& key, std::optional<int>& device) {
        const auto index = ParseSetupNumber(line_->rest);
        if (!index) {
            LineProblem(key, "not a number");
            return false;
        }
        const Control& list = app_.ui.Device;
        if (*index == -1) return true;
        if (*index < 0 || *index >= static_cast<int>(list.items.size())) {
            LineProblem(key, "no such entry in the device list (0 to " +
                                 std::to_string(list.items.size() - 1) + ")");
            return false;
        }
        if (list.items[static_cast<std::size_t>(*index)].rfind("N/A", 0) == 0) {
            LineProblem(key, "that device cannot be selected");
            return false;
        }
        device = *index;
        return true;
    }

    void CheckNumber(const SetupKey& key, int low, int high) {
        const auto value = ParseSetupNumber(line_->rest);
        if (!value)
            LineProblem(key, "not a number");
        else if (*value < low || *value > high)
            LineProblem(key, "outside " + std::to_string(low) + " to " + std::to_string(high));
    }

    /// The file's device offers one voltage of the file's choice. A file saved with
    /// no device chosen has no voltage either, and restores none.
    void CheckVoltage(const GroupLines& g, const std::optional<int>& device) {
        if (!device) {
            keepVoltages_ = true;
            if (g.Count() != 0) GroupProblem(g, "the setup names no device to offer a voltage");
            return;
        }
        const CatalogRow& row = CatalogTable().at(static_cast<std::size_t>(*device));
        if (g.Count() != 1) {
            GroupProblem(g, std::string("one voltage must be chosen for the ") + row.name);
            return;
        }
        const int chosen = g.Chosen();
        if (!VoltageOffered(row.vppClass, chosen)) {
            line_ = g.lines.at(static_cast<std::size_t>(chosen));
            LineProblem(SetupKeys()[line_->key],
                        "the " +
                            app_.ui.voltageButtons.at(static_cast<std::size_t>(chosen)).caption +
                            " option is not offered for the " + row.name);
        }
    }

    /// The port box names the port of the button chosen. With no button chosen it
    /// says None (no port was known: the port stays as it is) or names a card's
    /// base, never one of the three ports the buttons stand for.
    void CheckPort(const GroupLines& g, const SetupLine& port) {
        line_ = &port;
        const SetupKey& key = SetupKeys()[port.key];
        std::uint16_t base = 0;
        bool none = false;
        if (!ParseSetupPort(port.rest, none, base))
            return LineProblem(key, "not a port: 378h, 278h, 3BCh, a card's base from 100h to "
                                    "FFF8h, or None");
        if (g.Count() > 1) return GroupProblem(g, "one port at most can be chosen");
        if (g.Count() == 0) {
            if (none) {
                keepPort_ = true;
            } else if (IsStandardBase(base)) { // it has its button, and the file chose none
                GroupProblem(g, "PortSelected.Text = " + ShownSetupText(port.rest) +
                                    " names a port one of them stands for");
            } else {
                cardBase_ = base;
            }
            return;
        }
        const Control& button = app_.ui.LPTSelection.at(static_cast<std::size_t>(g.Chosen()));
        std::uint16_t chosen = 0;
        ParseBasePort(button.caption, chosen);
        if (none || base != chosen)
            LineProblem(key, "not the port of " + button.name + ", " + button.caption);
    }

    void ApplyOption(const SetupKey& key, bool on) {
        std::size_t index = 0;
        std::vector<Control*> group = SetupOptionGroup(app_.ui, key, index);
        if (group == app_.ui.VoltageGroup() && keepVoltages_) return;
        if (group == app_.ui.LPTGroup() && (keepPort_ || cardBase_)) return;
        // Checked against the file's device; the device's own handler has just
        // offered its voltages, so a voltage not offered never reaches the chip.
        if (on && !group.at(index)->enabled)
            return LineProblem(key, "the " + group.at(index)->caption +
                                        " option is not offered for the device chosen");
        SetOption(group, index, on);
    }

    App& app_;
    std::string fname_;
    const SetupLine* line_ = nullptr;
    std::optional<std::string> codeFile_;
    int codeFileLine_ = 0;
    bool keepVoltages_ = false;   // the file names no device: its voltages restore nothing
    bool keepPort_ = false;       // the file names no port ("None"): the port stays
    std::optional<int> cardBase_; // a card's port base, none of the three buttons
    std::vector<std::string> problems_;
};

void ShowProblems(App& app, const std::string& fname, const std::vector<std::string>& problems,
                  bool nothingChanged) {
    std::string text = "The setup " + fname +
                       (nothingChanged ? " was not restored; nothing was changed:"
                                       : " was not restored completely:");
    for (const std::string& problem : problems)
        text += "\r\n" + problem;
    app.svc.dialogs->MsgBox(text, kAppTitle, MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

} // namespace

SetupRestore LoadSetupRot(App& app, const std::string& fname) {
    SetupRestore result;
    LogMessage(app, kMarker);
    LogMessage(app, "RESTORING SETUP FROM " + fname);
    std::string text;
    if (const std::string error = ReadWholeFile(SetupFilePath(app, fname), text); !error.empty()) {
        const std::string problem =
            "Setup " + fname + " cannot be read: " + error + " - nothing restored";
        LogMessage(app, problem);
        LogMessage(app, kMarker);
        result.problems.push_back(problem);
        ShowProblems(app, fname, result.problems, true);
        return result;
    }
    result.fileRead = true;

    std::vector<std::string> shape;
    const std::vector<SetupLine> lines = ParseSetupFile(text, &shape);
    if (lines.empty()) { // empty, binary or another kind of file: not a setup at all
        const std::string problem = "Setup " + fname + " holds no setup line - nothing restored";
        LogMessage(app, problem);
        LogMessage(app, kMarker);
        result.problems.push_back(problem);
        ShowProblems(app, fname, result.problems, true);
        return result;
    }
    Restorer restorer(app, fname);
    // A line that is not a setup line, or a missing one, means the file is not the
    // setup the operator saved; a value that is wrong, that it is not one at all.
    // Either is said, and nothing is set.
    for (const std::string& problem : shape)
        restorer.Problem(problem);
    restorer.Check(lines);
    if (restorer.HasProblems()) {
        LogMessage(app, "Setup " + fname + " not restored: nothing was changed");
        LogMessage(app, kMarker);
        result.problems = restorer.TakeProblems();
        ShowProblems(app, fname, result.problems, true);
        return result;
    }
    bool controlsSet = false;
    {
        // A device chosen before its image is loaded says nothing of the image it
        // replaces: the state the restore ends in is said once, after it.
        const FitWarningsHeld held;
        for (const SetupLine& line : lines)
            restorer.Apply(line);
        // Only a line out of the usual order can still fail here (a voltage before its
        // device).
        controlsSet = !restorer.HasProblems();
        app.ui.voltageFrame.visible = app.ui.autoOperationsFrame.visible = true;
        restorer.ReloadCodeFile();
    }
    result.problems = restorer.TakeProblems();

    if (result.problems.empty()) {
        LogMessage(app, "SETUP RESTORED FROM " + fname);
    } else if (controlsSet) {
        LogMessage(app, "Setup " + fname + " restored but for its code file, which was not loaded");
    } else {
        LogMessage(app, "SETUP NOT RESTORED COMPLETELY FROM " + fname);
    }
    LogMessage(app, kMarker);
    if (!result.problems.empty()) ShowProblems(app, fname, result.problems, false);
    WarnWhenImagePastChipEnd(app); // an image that does not fit is no failed restore
    return result;
}

} // namespace quorbit
