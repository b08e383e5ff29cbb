#pragma once
// The window's Production dialog as a plain model: the run's fields, a "Next
// chip" button, a large verdict for the chip just done, the running counts and
// the record's last lines. The chips go through the production run the command
// line's batch uses; each chip runs as a chip operation (on the operation thread
// when the window has one), so the view reads the panel through Face().
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "app/Control.h"
#include "session/Production.h"

namespace quorbit {

class App;

/// The dialog's controls. The operator's fields (the image, the serial field and
/// numbers, the files) are edited on the window's thread only.
struct ProductionControls {
    Control ImageFile;   // the image: empty, the code file loaded in the window
    Control SerialField; // ADDRESS:LENGTH[:FORMAT], empty: no serial numbers
    Control SerialStart, SerialStep;
    Control SerialFile; // keeps the next number between runs (may be empty)
    Control RecordFile; // the CSV record (may be empty)
    Control NextChip;   // "Next chip": programs the chip in the socket
    Control SkipChip;   // the chip is left out (recorded as skipped)
    Control FinishRun;  // ends the run: the summary logged
    Control Verdict;    // OK in green, FAILED at ADDRESS in red
    Control ChipLine;   // the chip's whole line
    Control Counts;     // good, failed, skipped
    Control RecordTail; // the last lines of the record (items)
};

/// What the view shows of the panel: a copy of every control's face.
struct ProductionFace {
    ControlFace imageFile, serialField, serialStart, serialStep, serialFile, recordFile;
    ControlFace nextChip, skipChip, finishRun, verdict, chipLine, counts, recordTail;
    bool running = false; // a run has begun and not finished
};

class ProductionPanel {
  public:
    /// Lines of the record the panel keeps in view.
    static constexpr std::size_t kTailLines = 8;

    /// `insertChip(row, number)` puts a fresh chip into the simulated socket before
    /// each chip of a run (null: a real board, where the operator changes chips).
    ProductionPanel(App& app, std::function<void(int row, int number)> insertChip);
    ~ProductionPanel();
    ProductionPanel(const ProductionPanel&) = delete;
    ProductionPanel& operator=(const ProductionPanel&) = delete;

    /// The controls: the view forwards the operator's edits and clicks here.
    ProductionControls& ui() { return ui_; }
    /// A copy for the view, safe while a chip runs.
    [[nodiscard]] ProductionFace Face() const;
    /// A chip is being programmed.
    [[nodiscard]] bool Busy() const { return busy_.load(); }
    /// Ends a run that has begun (the dialog closing): the summary logged and the
    /// base image back in the code buffer. Not while a chip is being programmed.
    void Finish();

  private:
    struct Step {
        BatchOptions options;
        std::string imageFile;
        bool skip = false;
        std::string refusal; // a field that holds no number, or ""
    };
    /// What the fields ask for, read on the window's thread.
    Step FieldsNow(bool skip) const;
    /// Starts a chip's step as a chip operation.
    void StartStep(Step step);
    /// One chip: the run begun when it has not been, the chip programmed or
    /// skipped, counted and recorded, and the panel told.
    void RunStep(const Step& step);
    /// The run's preparation; false (the verdict saying why) when it cannot begin.
    bool BeginRun(const Step& step);
    void ShowChip(const BatchChip& chip);
    void ShowRefusal(const std::string& why);
    void ShowCounts();
    /// Fields are editable, and Finish usable, as the run stands.
    void EnableFields();
    void EndRun(const std::string& why);

    App& app_;
    std::function<void(int, int)> insertChip_;
    ProductionControls ui_;
    mutable std::mutex faceLock_;
    std::atomic<bool> busy_{false};
    std::unique_ptr<ProductionRun> run_;
    std::vector<std::uint8_t> base_;
    Coverage baseHeld_;
    std::vector<std::string> tail_;
    /// The operator answered the first chip's safety question: the run's later
    /// chips are programmed without asking again.
    bool confirmed_ = false;
};

} // namespace quorbit
