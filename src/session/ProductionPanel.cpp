#include "session/ProductionPanel.h"

#include <charconv>

#include "app/App.h"
#include "app/Operations.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"

namespace quorbit {

namespace {

Control Field(const char* name, ControlKind kind, const char* caption) {
    Control c;
    c.name = name;
    c.kind = kind;
    c.caption = caption;
    return c;
}

/// A number field; none when it does not hold a whole number of at least `least`.
std::optional<std::uint64_t> NumberIn(const std::string& text, std::uint64_t least) {
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [at, ec] = std::from_chars(text.data(), end, value, 10);
    if (text.empty() || ec != std::errc() || at != end || value < least) return std::nullopt;
    return value;
}

/// The safety question of the Program command answered OK, every other box
/// passed on: the operator said OK to the run's first chip.
class ConfirmedProgramming : public Dialogs {
  public:
    explicit ConfirmedProgramming(Dialogs* inner) : inner_(inner) {}
    MsgResult MsgBox(const std::string& text, const std::string& title, MsgIcon icon,
                     MsgButtons buttons, int defaultButton) override {
        if (text == "Program the Device?" && buttons == MsgButtons::OkCancel) return MsgResult::Ok;
        return inner_->MsgBox(text, title, icon, buttons, defaultButton);
    }
    MsgResult MsgBoxDetailed(const std::string& text, const std::string& informative,
                             const std::string& title, MsgIcon icon, MsgButtons buttons,
                             int defaultButton) override {
        return inner_->MsgBoxDetailed(text, informative, title, icon, buttons, defaultButton);
    }
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override {
        return inner_->InputBox(prompt, title);
    }
    std::string OpenFileName(const std::string& title, const std::string& filter) override {
        return inner_->OpenFileName(title, filter);
    }
    std::string SaveFileName(const std::string& title, const std::string& filter) override {
        return inner_->SaveFileName(title, filter);
    }

  private:
    Dialogs* inner_;
};

const BatchOptionNames kFieldNames{"Serial field", "Serial file"};

} // namespace

ProductionPanel::ProductionPanel(App& app, std::function<void(int row, int number)> insertChip)
    : app_(app), insertChip_(std::move(insertChip)) {
    ui_.ImageFile = Field("ImageFile", ControlKind::TextBox, "");
    ui_.SerialField = Field("SerialField", ControlKind::TextBox, "");
    ui_.SerialStart = Field("SerialStart", ControlKind::TextBox, "1");
    ui_.SerialStep = Field("SerialStep", ControlKind::TextBox, "1");
    ui_.SerialFile = Field("SerialFile", ControlKind::TextBox, "");
    ui_.RecordFile = Field("RecordFile", ControlKind::TextBox, "");
    ui_.NextChip = Field("NextChip", ControlKind::Button, "Next chip");
    ui_.SkipChip = Field("SkipChip", ControlKind::Button, "Skip chip");
    ui_.FinishRun = Field("FinishRun", ControlKind::Button, "Finish");
    ui_.Verdict = Field("Verdict", ControlKind::Label, "");
    ui_.ChipLine = Field("ChipLine", ControlKind::Label, "Insert the first chip, then Next chip");
    ui_.Counts = Field("Counts", ControlKind::Label, "0 good, 0 failed, 0 skipped");
    ui_.RecordTail = Field("RecordTail", ControlKind::ListBox, "");
    ui_.NextChip.onClick = [this] { StartStep(FieldsNow(false)); };
    ui_.SkipChip.onClick = [this] { StartStep(FieldsNow(true)); };
    ui_.FinishRun.onClick = [this] { Finish(); };
    EnableFields();
}

ProductionPanel::~ProductionPanel() = default;

ProductionFace ProductionPanel::Face() const {
    const std::lock_guard hold(faceLock_);
    return {ui_.ImageFile,  ui_.SerialField, ui_.SerialStart, ui_.SerialStep, ui_.SerialFile,
            ui_.RecordFile, ui_.NextChip,    ui_.SkipChip,    ui_.FinishRun,  ui_.Verdict,
            ui_.ChipLine,   ui_.Counts,      ui_.RecordTail,  run_ != nullptr};
}

ProductionPanel::Step ProductionPanel::FieldsNow(bool skip) const {
    Step step;
    step.skip = skip;
    step.imageFile = ui_.ImageFile.caption;
    step.options.serial = ui_.SerialField.caption;
    step.options.serialFile = ui_.SerialFile.caption;
    step.options.record = ui_.RecordFile.caption;
    // A number field that holds none is refused when the run begins.
    const auto start = NumberIn(ui_.SerialStart.caption, 0);
    const auto every = NumberIn(ui_.SerialStep.caption, 1);
    if (!start) step.refusal = "The first serial number must be a whole number";
    if (!every) step.refusal = "The serial step must be a whole number of 1 or more";
    step.options.serialStart = start.value_or(1);
    step.options.serialStep = every.value_or(1);
    return step;
}

void ProductionPanel::StartStep(Step step) {
    if (busy_.exchange(true)) return; // one chip at a time
    {
        const std::lock_guard hold(faceLock_);
        ui_.NextChip.enabled = ui_.SkipChip.enabled = ui_.FinishRun.enabled = false;
    }
    auto work = [this, step = std::move(step)] {
        RunStep(step);
        EnableFields();
        busy_ = false;
        app_.Repaint();
    };
    // Started as the Program button's own operation would be, so that the
    // Program command inside it is the outermost handler and ends, reports and
    // resets on its own however it ends.
    if (app_.svc.operations && !OnOperationThread()) {
        if (!app_.svc.operations->Start(work)) {
            busy_ = false;
            EnableFields();
        }
        return;
    }
    work();
}

bool ProductionPanel::BeginRun(const Step& step) {
    if (!step.refusal.empty()) {
        ShowRefusal(step.refusal);
        return false;
    }
    bool loaded = true;
    app_.Handler([&](App& app) {
        // The file is loaded again unless the buffer holds it as it is: the
        // buffer may hold a chip read since, or another file.
        const bool held = step.imageFile == app.buf.CodeFileName &&
                          app.buf.CodeBufferOrigin.empty() && app.buf.CodeBufferLoaded == 1;
        if (!step.imageFile.empty() && !held) loaded = OpenCodeFile(app, step.imageFile);
    })();
    if (!loaded || app_.handlerFailed) {
        ShowRefusal("The image " + step.imageFile + " could not be loaded (see the log)");
        return false;
    }
    if (app_.buf.CodeBufferLoaded != 1) {
        ShowRefusal("Load an image first: give the image file, or open one in the window");
        return false;
    }
    if (app_.dev.DeviceRow < 0 || !app_.ui.programButton.enabled) {
        ShowRefusal(app_.dev.DeviceRow < 0
                        ? "Choose the device first"
                        : "The Program command is not available for " + app_.dev.DeviceName);
        return false;
    }
    auto insert = [this, row = app_.dev.DeviceRow](int number) {
        if (insertChip_) insertChip_(row, number);
    };
    auto press = [this] {
        if (!confirmed_) {
            Fire(app_.ui.programButton.onClick);
            return;
        }
        Dialogs* asked = app_.svc.dialogs;
        ConfirmedProgramming answered(asked);
        app_.svc.dialogs = &answered;
        Fire(app_.ui.programButton.onClick);
        app_.svc.dialogs = asked;
    };
    auto run = std::make_unique<ProductionRun>(app_, step.options, insert, press);
    if (const std::string bad = run->Prepare(kFieldNames); !bad.empty()) {
        ShowRefusal(bad);
        return false;
    }
    base_ = app_.buf.CodeBuffer;
    baseHeld_ = app_.buf.CodeCoverage;
    confirmed_ = false;
    tail_.clear();
    const std::lock_guard hold(faceLock_);
    run_ = std::move(run);
    LogMessage(app_, "Production run of " + app_.dev.DeviceName + " begun");
    return true;
}

void ProductionPanel::RunStep(const Step& step) {
    if (!run_ && !BeginRun(step)) return;
    if (const std::string used = run_->Exhausted(); !used.empty()) {
        ShowRefusal(used + ": finish the run");
        return;
    }
    const BatchChip chip = step.skip ? run_->SkipChip() : run_->ProgramChip();
    if (chip.result == "OK" || chip.result == "FAILED") confirmed_ = true;
    const std::string bad = run_->ChipDone(chip);
    LogMessage(app_, "Production: " + chip.line);
    ShowChip(chip);
    if (!bad.empty())
        EndRun(bad + "; the run ends");
    else if (chip.result == "CANCELLED")
        EndRun("The safety question was not answered OK: the run ends");
    else if (chip.result == "STOPPED")
        EndRun("Stopped by the operator: the run ends");
}

void ProductionPanel::ShowChip(const BatchChip& chip) {
    const std::lock_guard hold(faceLock_);
    const bool good = chip.result == "OK";
    std::string verdict = chip.result;
    if (chip.result == "FAILED" && chip.failureAddress)
        verdict += " at " + Hex(*chip.failureAddress) + "h";
    ui_.Verdict.caption = verdict;
    ui_.Verdict.foreColor = colour::White;
    ui_.Verdict.backColor = good                       ? colour::Green
                            : chip.result == "SKIPPED" ? colour::ButtonFace
                                                       : colour::Red;
    if (chip.result == "SKIPPED") ui_.Verdict.foreColor = colour::ButtonText;
    ui_.ChipLine.caption = chip.line;
    tail_.push_back(RecordLine(chip, app_.dev.DeviceName));
    if (tail_.size() > kTailLines) tail_.erase(tail_.begin());
    ui_.RecordTail.items = tail_;
    const BatchSummary& s = run_->Summary();
    ui_.Counts.caption = std::to_string(s.good) + " good, " + std::to_string(s.failed) +
                         " failed, " + std::to_string(s.skipped) + " skipped";
}

void ProductionPanel::ShowRefusal(const std::string& why) {
    LogMessage(app_, "Production: " + why);
    const std::lock_guard hold(faceLock_);
    ui_.Verdict.caption = "NOT STARTED";
    ui_.Verdict.foreColor = colour::White;
    ui_.Verdict.backColor = colour::Red;
    ui_.ChipLine.caption = why;
}

void ProductionPanel::EnableFields() {
    const std::lock_guard hold(faceLock_);
    const bool idle = run_ == nullptr;
    for (Control* field : {&ui_.ImageFile, &ui_.SerialField, &ui_.SerialStart, &ui_.SerialStep,
                           &ui_.SerialFile, &ui_.RecordFile})
        field->enabled = idle; // the run's settings hold until it ends
    ui_.NextChip.enabled = true;
    ui_.SkipChip.enabled = ui_.FinishRun.enabled = !idle;
}

void ProductionPanel::EndRun(const std::string& why) {
    if (!run_) return;
    if (!why.empty()) LogMessage(app_, "Production: " + why);
    const BatchSummary& summary = run_->Finish();
    LogMessage(app_, "Production " + BatchSummaryLine(summary));
    // The chips' serial numbers stay out of the window's image.
    app_.buf.CodeBuffer = base_;
    app_.buf.CodeCoverage = baseHeld_;
    const std::lock_guard hold(faceLock_);
    ui_.Counts.caption = BatchSummaryLine(summary).substr(std::string("batch: ").size());
    run_.reset();
}

void ProductionPanel::Finish() {
    if (busy_) return;
    EndRun("");
    EnableFields();
    app_.Repaint();
}

} // namespace quorbit
