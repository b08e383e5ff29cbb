// Restoring a setup: each line sets its control as the operator would, so the
// control's own handler runs (device selection, voltage, port, speed).
#include <optional>
#include <string>
#include <system_error>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "ops/ProgramImage.h"
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

class Restorer {
  public:
    Restorer(App& app, std::string fname) : app_(app), fname_(std::move(fname)) {}

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
            ApplyDevice(key);
            break;
        case SetupValue::TrueFalse:
            ApplyOption(key);
            break;
        case SetupValue::CheckState:
            ApplyNumber(key, 0, 2, [](Control& c, int v) { SetCheck(c, v); });
            break;
        case SetupValue::Text:
            SetupControl(app_.ui, key)->caption = line.rest;
            break;
        case SetupValue::Number:
            ApplyNumber(key, app_.ui.Slider1.min, app_.ui.Slider1.max,
                        [](Control& c, int v) { SetPosition(c, v); });
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
        Problem("line " + std::to_string(line_->number) + ": " + key.text + line_->rest + " - " +
                what + "; " + key.control + " left as it was");
    }

    void ApplyDevice(const SetupKey& key) {
        const auto index = ParseSetupNumber(line_->rest);
        if (!index) return LineProblem(key, "not a number");
        Control& list = app_.ui.Device;
        if (*index == -1) return; // saved before any device was chosen: nothing to restore
        if (*index < 0 || *index >= static_cast<int>(list.items.size()))
            return LineProblem(key, "no such entry in the device list (0 to " +
                                        std::to_string(list.items.size() - 1) + ")");
        const std::string& entry = list.items[static_cast<std::size_t>(*index)];
        if (entry.rfind("N/A", 0) == 0) return LineProblem(key, "that device cannot be selected");
        SetListIndex(list, *index);
    }

    void ApplyOption(const SetupKey& key) {
        const auto on = ParseTrueFalse(line_->rest);
        if (!on) return LineProblem(key, "neither True nor False");
        std::size_t index = 0;
        std::vector<Control*> group = SetupOptionGroup(app_.ui, key, index);
        // Only the voltages the device allows are offered; a setup must not switch
        // on one that could damage the chip now in the socket.
        if (*on && !group.at(index)->enabled)
            return LineProblem(key, "the " + group.at(index)->caption +
                                        " option is not offered for the device chosen");
        SetOption(group, index, *on);
    }

    template <typename Set> void ApplyNumber(const SetupKey& key, int low, int high, Set set) {
        const auto value = ParseSetupNumber(line_->rest);
        if (!value) return LineProblem(key, "not a number");
        if (*value < low || *value > high)
            return LineProblem(key,
                               "outside " + std::to_string(low) + " to " + std::to_string(high));
        set(*SetupControl(app_.ui, key), *value);
    }

    App& app_;
    std::string fname_;
    const SetupLine* line_ = nullptr;
    std::optional<std::string> codeFile_;
    int codeFileLine_ = 0;
    std::vector<std::string> problems_;
};

void ShowProblems(App& app, const std::string& fname, const std::vector<std::string>& problems) {
    std::string text = "The setup " + fname + " was not restored completely:";
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
        ShowProblems(app, fname, result.problems);
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
        ShowProblems(app, fname, result.problems);
        return result;
    }
    Restorer restorer(app, fname);
    {
        // A device chosen before its image is loaded says nothing of the image it
        // replaces: the state the restore ends in is said once, after it.
        const FitWarningsHeld held;
        // A line that is not a setup line, or a missing one, means the file is not the
        // setup the operator saved: said before anything is set.
        for (const std::string& problem : shape)
            restorer.Problem(problem);
        for (const SetupLine& line : lines)
            restorer.Apply(line);
        app.ui.FrameVoltageSelection.visible = app.ui.Frame5.visible = true;
        restorer.ReloadCodeFile();
    }
    result.problems = restorer.TakeProblems();

    LogMessage(app, "SETUP RESTORED FROM " + fname);
    LogMessage(app, kMarker);
    if (!result.problems.empty()) ShowProblems(app, fname, result.problems);
    WarnWhenImagePastChipEnd(app); // an image that does not fit is no failed restore
    return result;
}

} // namespace quorbit
