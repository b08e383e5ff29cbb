#include "buffers/ProgramImage.h"

#include <algorithm>
#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {
namespace {

/// Hi Byte or Low Byte chosen, whatever the device.
int HalfChosen(const App& app) {
    const auto& hiLow = app.ui.byteChoiceButtons;
    return hiLow[1].selected() ? 1 : hiLow[2].selected() ? 2 : 0;
}

bool Serial24Cxx(const App& app) {
    return app.dev.DeviceFamily == "S";
}

std::uint32_t ChipSize(const App& app) {
    return static_cast<std::uint32_t>(std::max(app.dev.ImageLength, 0));
}

/// The chip addresses one chip of the pair holds: the odd (Hi Byte) or even
/// (Low Byte) addresses of the image below `span`, renumbered a / 2.
Coverage HalfHeld(const Coverage& held, std::uint32_t span, int half) {
    // Only whole pairs: a lone last byte past an even span has no partner.
    return held.Below(span & ~1U).Half(half == 1);
}

/// The reason the image cannot go into the chip, or "".
std::string Misfit(const App& app, std::string& title) {
    const Coverage& held = app.buf.CodeCoverage;
    const std::string& device = app.dev.DeviceName;
    title = "Image Does Not Fit";
    if (held.Empty()) return "The image holds no bytes";
    const int half = HalfChosen(app);
    if (half != 0 && Serial24Cxx(app)) {
        title = "Hi / Low Byte Programming";
        return std::string(half == 1 ? "Hi Byte" : "Low Byte") +
               " is for one of two parallel chips of a 16-bit system; the " + device +
               " is written from the whole image - choose Both";
    }
    const std::uint32_t span = ImageSpan(app);
    if (held.End() > span) {
        const std::string holder = half == 0
                                       ? "the " + device + " holds "
                                       : "a Hi Byte and Low Byte pair of " + device + " holds ";
        return "The image reaches address " + Hex(static_cast<std::int32_t>(held.End() - 1)) +
               "h (" + std::to_string(held.End()) + " bytes) but " + holder + std::to_string(span) +
               " bytes";
    }
    if (half != 0 && HalfHeld(held, span, half).Empty())
        return std::string("The image holds no ") +
               (half == 1 ? "odd bytes for the Hi Byte" : "even bytes for the Low Byte") + " chip";
    return {};
}

} // namespace

int HalfOfPair(const App& app) {
    return Serial24Cxx(app) ? 0 : HalfChosen(app);
}

std::uint32_t ImageSpan(const App& app) {
    const std::uint32_t chip = ChipSize(app);
    return HalfOfPair(app) != 0 ? 2 * chip : chip;
}

void PrepareProgramImage(App& app) {
    const auto& code = app.buf.CodeBuffer;
    auto& image = app.ops.ProgramImage;
    const auto chip =
        std::min<std::uint32_t>(ChipSize(app), static_cast<std::uint32_t>(image.size() - 1));
    std::fill(image.begin(), image.end(), std::uint8_t{0xFF});
    if (const int half = HalfOfPair(app); half != 0) {
        // The pair holds up to twice the chip: this chip takes every other byte.
        const auto span =
            std::min<std::uint32_t>(2 * chip, static_cast<std::uint32_t>(code.size()));
        app.ops.ProgramCoverage = HalfHeld(app.buf.CodeCoverage, span, half).Below(chip);
        const std::size_t odd = half == 1 ? 1 : 0;
        for (const AddressRange& r : app.ops.ProgramCoverage.Ranges())
            for (std::uint32_t h = r.first; h <= r.last; ++h)
                image[h] = code[2 * std::size_t{h} + odd];
    } else {
        const Coverage held = app.buf.CodeCoverage.Below(chip);
        app.ops.ProgramCoverage = held;
        for (const AddressRange& r : held.Ranges())
            std::copy(code.begin() + r.first, code.begin() + r.last + 1, image.begin() + r.first);
    }
    app.ops.ProgramLength = static_cast<std::int32_t>(app.ops.ProgramCoverage.End());
}

std::string ImagePastChipEnd(const App& app) {
    const Coverage& held = app.buf.CodeCoverage;
    const std::uint32_t span = ImageSpan(app);
    if (held.Empty() || held.End() <= span) return {};
    const std::string holder =
        HalfOfPair(app) == 0 ? "the " + app.dev.DeviceName + " holds "
                             : "a Hi Byte and Low Byte pair of " + app.dev.DeviceName + " holds ";
    return "The image reaches address " + Hex(static_cast<std::int32_t>(held.End() - 1)) + "h (" +
           std::to_string(held.End()) + " bytes) but " + holder + std::to_string(span) + " bytes";
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
    std::string title;
    const std::string reason = Misfit(app, title);
    if (reason.empty()) return true;
    LogMessage(app, reason + " - the device was not accessed");
    app.svc.dialogs->MsgBox(reason + ", so the device was not accessed.", title,
                            MsgIcon::Exclamation, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::BadImage;
    return false;
}

} // namespace quorbit
