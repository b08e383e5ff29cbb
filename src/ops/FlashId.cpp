#include "ops/FlashId.h"

#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "link/RequireBoard.h"
#include "ops/Flash.h"

namespace quorbit {
namespace {

/// The chip needs up to 10 ms to enter identification mode, and as long to
/// return to reading its array: twice that is waited.
constexpr int kIdModeSwitchMs = 20;

/// The byte at the address counters, with CE and OE already active.
int ReadAtAddress(Board& b) {
    b.LatchFlashAddress();
    b.ReadDataByte();
    return b.DataIn;
}

/// The catalog device the ID answers as when it is not the chosen one, or "".
std::string OtherDeviceName(const App& app) {
    const int row = FlashIdRow(app.ops.flash.FlashID);
    if (row < 0 || row == app.dev.DeviceRow) return {};
    // A device file's row without an ID of its own answers as the row it is like.
    if (IsAddedRow(app.dev.DeviceRow)) {
        const CatalogRow& chosen = CatalogTable()[static_cast<std::size_t>(app.dev.DeviceRow)];
        if (chosen.likeRow == row && chosen.facts.flashId == 0) return {};
    }
    return CatalogTable()[static_cast<std::size_t>(row)].name;
}

void LogOtherDevice(App& app, const std::string& other) {
    LogMessage(app, "Device ID# " + app.ops.flash.FlashID + " answers as " + other +
                        ", not as the chosen " + app.dev.DeviceName);
}

} // namespace

bool ChipIsTheChosenDevice(App& app) {
    const std::string other = OtherDeviceName(app);
    if (other.empty()) return true;
    LogOtherDevice(app, other);
    bool goAhead = app.ops.OnOtherDevice == OtherDeviceAnswer::GoAhead;
    if (app.ops.OnOtherDevice == OtherDeviceAnswer::Ask)
        goAhead = app.svc.dialogs->MsgBox("The chip in the socket answers as " + other +
                                              ", not as the chosen " + app.dev.DeviceName +
                                              ".\r\nGo on with the chosen device anyway?",
                                          "Another Device", MsgIcon::Exclamation,
                                          MsgButtons::OkCancel, 1) == MsgResult::Ok;
    if (goAhead) {
        LogMessage(app, "Going on with " + app.dev.DeviceName + " as told");
        return true;
    }
    const bool asked = app.ops.OnOtherDevice == OtherDeviceAnswer::Ask;
    LogMessage(app, asked ? "Operation was Canceled by Operator"
                          : "Nothing was written: choose that device, or --force to go on");
    app.ops.Outcome = asked ? OpOutcome::Cancelled : OpOutcome::Refused;
    Reset(app);
    return false;
}

FlashCodes ReadFlashCodes(Board& b, const DeviceConfig& device) {
    FlashCodes codes;
    b.BoardIndicatorOn();
    b.DisableOutput();

    SendFlashCommand(b, device, 0x90);
    b.EnableChipAndOutput();
    b.ReleaseDataPins();
    b.SleepMs(kIdModeSwitchMs);
    codes.maker = ReadAtAddress(b); // address 0, left there by the caller's reset
    b.NextAddress();
    codes.device = ReadAtAddress(b);

    b.DisableOutput();
    SendFlashCommand(b, device, 0xF0);
    b.SleepMs(kIdModeSwitchMs);
    b.SleepMs(kIdModeSwitchMs);

    b.AdrLow = b.AdrPage = b.AdrBank = 0;
    b.EnableChipAndOutput();
    codes.first = ReadAtAddress(b);
    b.NextAddress();
    codes.second = ReadAtAddress(b);
    b.DisableChipAndOutput();
    b.BoardIndicatorOff();
    return codes;
}

void ReadFlashID(App& app) {
    if (app.dev.DeviceFamily != "F") return;
    FlashState& f = app.ops.flash;
    Reset(app);
    const FlashCodes codes = ReadFlashCodes(app.board, app.dev);
    f.FlashMakerCode = codes.maker;
    f.FlashDeviceCode = codes.device;
    f.FlashFirstBytes = FlashIdText(codes.first, codes.second);
    f.FlashID = FlashIdText(f.FlashMakerCode, f.FlashDeviceCode);

    // A chip that ignored the identification command shows its array both times.
    if (f.FlashID == f.FlashFirstBytes)
        LogMessage(app, "*** Not a Flash Unit, Address 00&01 = FlashCode ***");
    const std::string prefix = "Device ID# " + f.FlashID + " - ";
    const std::string name = FlashIdName(f.FlashID);
    LogMessage(app, name.empty() ? prefix + " Not Valid!!!" : prefix + name);
}

void FlashIDCycle(Board& b, const DeviceConfig& device) {
    SendFlashCommand(b, device, 0x90);
    b.SleepMs(kIdModeSwitchMs);
    b.EnableChipAndOutput();
    b.ReleaseDataPins();
    b.LatchFlashAddress();
    b.ReadDataByte(); // maker code
    b.NextAddress();
    b.LatchFlashAddress();
    b.ReadDataByte(); // device code
    b.DisableOutput();
    SendFlashCommand(b, device, 0xF0);
    b.SleepMs(kIdModeSwitchMs);
}

void menuFlashShowCodeID_Click(App& app) {
    LogMessage(app, "Reading Flash Code ID_________________ wait");
    // The serial EEPROMs share the flash menu (for Erase Chip) but have no ID to read.
    if (app.dev.DeviceFamily != "F") {
        LogMessage(app,
                   app.dev.DeviceName + " has no flash ID: only flash chips answer the ID command");
        app.ops.Outcome = OpOutcome::Refused;
        return;
    }
    if (!RequireBoard(app)) return;
    ReadFlashID(app);
    const bool listed = app.dev.DeviceFamily == "F" && !FlashIdName(app.ops.flash.FlashID).empty();
    const std::string other = OtherDeviceName(app);
    if (!other.empty()) LogOtherDevice(app, other);
    app.ops.Outcome = listed && other.empty() ? OpOutcome::Success : OpOutcome::Failed;
}

} // namespace quorbit
