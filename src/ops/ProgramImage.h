#pragma once
// The image that programming writes and verify compares, built from the code buffer.

#include <string>

namespace quorbit {

class App;

/// "Both": the code buffer's bytes the image holds, up to the chip's size
/// (ImageLength). "Hi Byte": its odd bytes, "Low Byte": its even bytes, at half
/// their address, for a 16-bit system built from two 8-bit chips. ProgramCoverage
/// tells which chip addresses the image holds; every other byte of ProgramImage
/// is FFh and is never written or compared.
void PrepareProgramImage(App& app);

/// True when the code buffer's image can go into the chosen chip: it holds at
/// least one byte and none past the chip's last address. Otherwise the refusal
/// (log line and message box, naming both sizes) has run and Outcome is BadImage.
bool ImageFitsChip(App& app);

/// Why the code buffer's image does not fit the chosen chip (it reaches past the
/// chip's last address), or "" when it does.
std::string ImagePastChipEnd(const App& app);
/// Said before acting, at a load and at a device change: a loaded image that
/// reaches past the chosen chip's end is named in the log and a message box.
/// Program still refuses it (ImageFitsChip).
void WarnWhenImagePastChipEnd(App& app);

/// While one lives on a thread (a setup restores the device, then reloads its image),
/// the fit warnings there wait: the restore gives one for the state it ends in.
class FitWarningsHeld {
  public:
    FitWarningsHeld();
    ~FitWarningsHeld();
    FitWarningsHeld(const FitWarningsHeld&) = delete;
    FitWarningsHeld& operator=(const FitWarningsHeld&) = delete;
};

} // namespace quorbit
