// Read: the whole chip from address 0 into the code buffer, with a 16-bit
// checksum for the parallel parts and CRC32 and SHA-1 for every chip.
#include "ops/Read.h"

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Display.h"
#include "link/RequireBoard.h"
#include "ops/AddressWalk.h"
#include "ops/ChipOptions.h"
#include "ops/ChipRoutine.h"
#include "ops/Serial24Cxx.h"
#include "ops/VerifyReports.h"

namespace quorbit {
namespace {

void RoutineNotReady(App& app, const std::string& text) {
    app.svc.dialogs->MsgBox(text, "Routine Not Ready", MsgIcon::None, MsgButtons::Ok, 0);
    app.ops.Outcome = OpOutcome::Refused;
}

/// From its first byte on, the buffer holds the chip's bytes, not the named file's,
/// also when the read stops midway.
void MarkReadIntoBuffer(App& app) {
    MarkCodeBufferUnsaved(app, "read from " + app.dev.DeviceName);
}

void LogReadDone(App& app, std::int32_t bytes) {
    LogMessage(app, std::to_string(bytes) + " bytes Read from Device");
}

/// The whole chip's CRC32 and SHA-1, which identify a ROM where the 16-bit sum cannot.
void KeepWholeChip(App& app, std::int32_t bytes) {
    KeepChipReading(app, app.buf.CodeBuffer,
                    Coverage::FirstBytes(static_cast<std::uint32_t>(bytes)));
}

void ShowReadImage(App& app, std::int32_t bytes) {
    // The buffer now holds the whole chip: saving it writes the whole chip too.
    app.dev.DeviceSize = bytes;
    app.buf.CodeCoverage = Coverage::FirstBytes(static_cast<std::uint32_t>(bytes));
    SetLastPage(app, bytes / 256 - 1);
    LogMessage(app, "Data is available at above Window, use Scroll Bar");
    LogMessage(app, "You can Save the file using [FILE - Save As] menu");
    DisplayPageMemory(app);
}

void FinishRead(App& app) {
    SetProgressValue(app, 0);
    SetStatusText(app, "");
    EnableReadBufferCommands(app);
    app.buf.CodeBufferLoaded = 1;
}

} // namespace

void readButton_Click(App& app) {
    const ChipOptions options = ReadChipOptions(app);
    if (options.code) ReadCodeMemory(app);
    if (options.data) ReadDataMemory(app);
}

void menuReadCode_Click(App& app) {
    readButton_Click(app);
}

void ReadCodeMemory(App& app) {
    const auto& dev = app.dev;
    if (dev.routines.pins != AddressPins::None) {
        ReadParallelChip(app);
    } else if (dev.DeviceFamily == "S") {
        ReadSerialChip(app);
    } else {
        RoutineNotReady(app, "Please Write Missing Routines at READCODE");
    }
}

void ReadParallelChip(App& app) {
    if (!RequireBoard(app)) return;
    Board& b = app.board;
    DataFlowLampOn(app);
    app.ops.DeviceChecksum = 0;
    app.ops.ChipRead.reset();
    app.DisplayMode = "Read";
    OpenChipForReading(app);
    if (!ChipShowsItsContents(app)) return;

    const std::int32_t bytes = ChipBytes(app);
    MarkReadIntoBuffer(app);
    auto& code = app.buf.CodeBuffer;
    std::int32_t sum = 0;
    WalkDevice(app, bytes, [&](std::uint8_t data) {
        code[static_cast<std::size_t>(b.Address)] = data;
        sum = (sum + data) & 0xFFFF;
        return true;
    });
    app.ops.DeviceChecksum = sum;
    app.ops.DeviceChecksumText = Hex4(sum);

    DataFlowLampOff(app);
    LogReadDone(app, bytes);
    LogMessage(app, "Device CHKSUMM = $" + app.ops.DeviceChecksumText);
    KeepWholeChip(app, bytes);
    LogChipReading(app);
    ShowReadImage(app, bytes);
    FinishRead(app);
    app.ops.Outcome = OpOutcome::Success;
    PlayEventSound(app, "OK");
    Reset(app);
}

void ReadSerialChip(App& app) {
    if (!RequireBoard(app)) return;
    Board& b = app.board;
    DataFlowLampOn(app);
    Reset(app);
    b.LatchAddress();
    b.SleepMs(kAddressSettleMs);
    app.DisplayMode = "Read";
    const std::int32_t bytes = ChipBytes(app);
    SetProgressMax(app, bytes);
    app.ops.ChipRead.reset();
    MarkReadIntoBuffer(app);
    const int unanswered = Read24CXX(app);
    DataFlowLampOff(app);
    if (unanswered != 0) {
        ReportAckError(app);
    } else {
        LogReadDone(app, bytes);
        KeepWholeChip(app, bytes);
        LogChipReading(app);
        ShowReadImage(app, bytes);
        app.ops.Outcome = OpOutcome::Success;
        PlayEventSound(app, "OK");
    }
    FinishRead(app);
    Reset(app);
    ParkSerialBus(app);
    b.Reg0Shadow = 0x40; // programming voltages off, OE inactive
}

void ReadDataMemory(App& app) {
    if (!RequireBoard(app)) return;
    Board& b = app.board;
    app.DisplayMode = "Read";
    b.ReleaseDataPins();
    b.EnableChipAndOutput();
    DataFlowLampOn(app);
    app.report.ProgressStep = app.dev.DeviceSize / 100;
    app.report.ProgressCount = 0;
    LogMessage(app, "Start Device Reading Operation");
    SetStatusText(app, "Reading Device... Wait");
    RoutineNotReady(app, "Please Write AT90S2313 Eeprom Read Routine");
    // Nothing was read: put the lines, the lamp and the status bar back to rest.
    DataFlowLampOff(app);
    SetStatusText(app, "");
    Reset(app);
}

} // namespace quorbit
