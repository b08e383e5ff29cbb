#pragma once
// The image that programming writes and verify compares, built from the code buffer.
#include <cstdint>

#include <string>

namespace quorbit {

class App;

/// The byte choice of a 16-bit system built from two 8-bit chips: "Hi Byte" takes
/// the image's odd bytes, "Low Byte" its even bytes. 0 for "Both" (and for the
/// 24Cxx, which are never one chip of such a pair), 1 Hi Byte, 2 Low Byte.
int HalfOfPair(const App& app);

/// How far the code buffer's image may reach for the chosen chip: the chip's size,
/// twice that with Hi Byte or Low Byte chosen (the pair of chips holds it), and
/// for a 24Cxx always its size.
std::uint32_t ImageSpan(const App& app);

/// "Both": the code buffer's bytes the image holds, up to the chip's size
/// (ImageLength). "Hi Byte": its odd bytes, "Low Byte": its even bytes, at half
/// their address: the chip is one of a 16-bit pair, and the image may be up to
/// twice its size (an image that fits the chip fills its lower half). For a 24Cxx
/// the whole image. ProgramCoverage tells which chip addresses the image holds;
/// every other byte of ProgramImage is FFh and is never written or compared.
void PrepareProgramImage(App& app);

/// True when the code buffer's image can go into the chosen chip: it holds at
/// least one byte for it and none past ImageSpan. With Hi Byte or Low Byte chosen
/// the half must hold a byte too, and a 24Cxx takes neither (it is written from
/// the whole image). Otherwise the refusal (log line and message box, naming the
/// sizes or the half) has run and Outcome is BadImage.
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
