#include "ops/ProgramImage.h"

#include <algorithm>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {

void PrepareProgramImage(App& app) {
    const auto& code = app.buf.CodeBuffer;
    auto& image = app.ops.ProgramImage;
    const auto chip = static_cast<std::uint32_t>(std::min<std::size_t>(
        static_cast<std::size_t>(std::max(app.dev.ImageLength, 0)), image.size() - 1));
    const Coverage held = app.buf.CodeCoverage.Below(chip);
    const auto& hiLow = app.ui.HiLow_button;
    std::fill(image.begin(), image.end(), std::uint8_t{0xFF});
    if (hiLow[1].selected() || hiLow[2].selected()) {
        const bool odd = hiLow[1].selected();
        // Only whole pairs of the chip's size: a lone last byte has no partner.
        app.ops.ProgramCoverage = held.Below(chip & ~1U).Half(odd);
        for (const AddressRange& r : app.ops.ProgramCoverage.Ranges())
            for (std::uint32_t h = r.first; h <= r.last; ++h)
                image[h] = code[2 * std::size_t{h} + (odd ? 1 : 0)];
    } else {
        app.ops.ProgramCoverage = held;
        for (const AddressRange& r : held.Ranges())
            std::copy(code.begin() + r.first, code.begin() + r.last + 1, image.begin() + r.first);
    }
    app.ops.ProgramLength = static_cast<std::int32_t>(app.ops.ProgramCoverage.End());
}

std::string ImagePastChipEnd(const App& app) {
    const Coverage& held = app.buf.CodeCoverage;
    const auto chip = static_cast<std::uint32_t>(std::max(app.dev.ImageLength, 0));
    if (held.Empty() || held.End() <= chip) return {};
    return "The image reaches address " + Hex(static_cast<std::int32_t>(held.End() - 1)) + "h (" +
           std::to_string(held.End()) + " bytes) but the " + app.dev.DeviceName + " holds " +
           std::to_string(chip) + " bytes";
}

namespace {

thread_local int tFitWarningsHeld = 0;

} // namespace

FitWarningsHeld::FitWarningsHeld() {
    ++tFitWarningsHeld;
}

FitWarningsHeld::~FitWarningsHeld() {
    --tFitWarningsHeld;
}

void WarnWhenImagePastChipEnd(App& app) {
    if (tFitWarningsHeld > 0 || app.dev.DeviceType.empty() || app.buf.CodeBufferLoaded != 1) return;
    const std::string reason = ImagePastChipEnd(app);
    if (reason.empty()) return;
    LogMessage(app, reason + " - Program will refuse this image");
    app.svc.dialogs->MsgBox(reason + ".\r\nProgram will refuse this image: choose the device it "
                                     "was made for, or load an image for this one.",
                            "Image Does Not Fit", MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

bool ImageFitsChip(App& app) {
    std::string reason = app.buf.CodeCoverage.Empty() ? std::string("The image holds no bytes")
                                                      : ImagePastChipEnd(app);
    if (reason.empty()) return true;
    LogMessage(app, reason + " - the device was not accessed");
    app.svc.dialogs->MsgBox(reason + ", so the device was not accessed.", "Image Does Not Fit",
                            MsgIcon::Exclamation, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::BadImage;
    return false;
}

} // namespace quorbit
