#pragma once
// The Program command: the common flow for every family (safety question, blank
// check first, image, routine by device type, report, verify after, board state).

#include <optional>
#include <string>

#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"

namespace quorbit {

class App;

/// The window's side of a programming routine: the log takes its lines, the
/// programming lamp and the progress bar follow its addresses and steps.
class WindowProgrammingEvents final : public ProgrammingEvents {
  public:
    explicit WindowProgrammingEvents(App& app) : app_(app) {}
    void Log(const std::string& line) override;
    void Advanced(bool blink) override;
    void StepsAhead(int steps) override;
    void Stepped() override;
    void Waiting(const std::string& phase, double seconds) override;
    void WaitOver() override;

  private:
    App& app_;
};

/// The image the Program command prepared, as the routines take it.
ImageToWrite ProgramImageToWrite(const App& app);

void programButton_Click(App& app);
void menuProgramCode_Click(App& app);
/// Programs the code memory with the routine of the selected device type, the
/// options as the window shows them.
void ProgramCodeAsShown(App& app);
/// The same with the options the command's front read.
void ProgramCode(App& app, const ChipOptions& options);
/// Data memory of the microcontroller: no routine.
void ProgramDataMemory(App& app);

/// The UV EPROM routine as the Program command runs it: the log, the programming
/// lamp and the progress bar follow it, and its outcome is applied and returned.
std::optional<ProgramOutcome> ProgramEpromChip(App& app, const ChipOptions& options);
/// Where the program state learns how a routine ended: a failure is reported
/// (ReportFailureAt); a serial chip that did not answer is the command's to
/// report; a success leaves the state as the command set it.
void ApplyProgramOutcome(App& app, const ProgramOutcome& outcome, const ChipOptions& options);

/// A byte that did not take, the voltages already off: logged with address, byte
/// and read byte, kept as the last programming failure, the command failed, and
/// the error alert until acknowledged. A UV EPROM's byte that was not blank gets
/// a hint, which names the blank check when `options` did not ask for it.
void ReportFailureAt(App& app, const ProgramFailureAt& at, const ChipOptions& options);

} // namespace quorbit
