#include "ops/PageWrite.h"

#include <algorithm>

#include "app/App.h"
#include "app/Shell.h"

namespace quorbit {
namespace {

constexpr int kUnlockAddress1 = 0x5555;
constexpr int kUnlockAddress2 = 0x2AAA;

} // namespace

void StartPageProgress(App& app) {
    // One step per 8 pages of the chip: 64 for the 32 KiB parts.
    const int pages = std::min(app.dev.ImageLength / kPageBytes, kPagesPerChip);
    SetProgressMax(app, pages / 8);
    app.report.ProgressStep = 8;
    app.report.ProgressCount = 0;
}

bool ImagePage::HoldsAll() const {
    return std::all_of(held.begin(), held.end(), [](bool h) { return h; });
}

ImagePage PageOf(const ImageToWrite& image, int page) {
    ImagePage p;
    p.number = page;
    for (int offset = 0; offset < kPageBytes; ++offset) {
        const auto address = static_cast<std::uint32_t>(p.FirstAddress() + offset);
        const auto at = static_cast<std::size_t>(offset);
        p.held[at] = image.held.Holds(address);
        if (address < image.bytes.size()) p.bytes[at] = image.bytes[address];
    }
    return p;
}

bool ImageHoldsPage(const ImageToWrite& image, int page) {
    return image.held.HoldsAnyOf(static_cast<std::uint32_t>(page * kPageBytes), kPageBytes);
}

int PagesOfImage(const ImageToWrite& image) {
    const int pages = (image.length + kPageBytes - 1) / kPageBytes;
    return pages < kPagesPerChip ? pages : kPagesPerChip;
}

void CommandCycle(Board& b, CommandWrite write, int address, int data) {
    b.Reg4Shadow = data;
    write(b, address);
}

void WriteProtectionDisable(Board& b, CommandWrite write) {
    // The six cycles are loads of one sequence: a gap past the byte-load window
    // would end it and write its first cycle's AAh into the chip at 5555h.
    const PageLoadWindow window(b);
    b.DisableOutput();
    b.Reg3Shadow = 0x82; // CE off, board drives the data pins, VCC on
    b.SetReg3();
    CommandCycle(b, write, kUnlockAddress1, 0xAA);
    CommandCycle(b, write, kUnlockAddress2, 0x55);
    CommandCycle(b, write, kUnlockAddress1, 0x80);
    CommandCycle(b, write, kUnlockAddress1, 0xAA);
    CommandCycle(b, write, kUnlockAddress2, 0x55);
    CommandCycle(b, write, kUnlockAddress1, 0x20);
}

} // namespace quorbit
