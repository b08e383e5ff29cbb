#include "ops/FlashId.h"

#include <array>
#include <cstdio>

#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "link/RequireBoard.h"
#include "ops/Flash.h"

namespace quorbit {
namespace {

struct IdRow {
    std::string_view id;
    std::string_view name;
    int catalogRow; // the device it answers as: itself or the part it replaces; -1 none
};

// The EON EN29F040 and AMIC A29040 are pin- and command-compatible with the
// AM29F040, the A29010 with the AM29F010 (their datasheets); the Atmel 1Fh
// sector-write parts have no catalog row of their own. A catalog row that
// carries an ID of its own (the SST39SF0x0A: BFh B5h/B6h/B7h, from the SST39SF010A/
// 020A/040 datasheet) is found by it after this table.
constexpr int kAt29c256 = 23;
constexpr int kAm29f010 = 25;
constexpr int kAm29f040 = 27;
constexpr std::array kFlashIds{
    IdRow{"1C04", "EON EN29F040 Flash Memory", kAm29f040},
    IdRow{"0120", "AMD am29F010 Flash Memory", kAm29f010},
    IdRow{"01A4", "AMD am29F040 Flash Memory", kAm29f040},
    IdRow{"3786", "AMIC A29040 Flash Memory", kAm29f040},
    IdRow{"37A4", "AMIC A29010 Flash Memory", kAm29f010},
    IdRow{"1F5B", "ATMEL 29C040 Flash Memory", -1},
    IdRow{"1FA4", "ATMEL 29C040A Flash Memory", -1},
    IdRow{"1FDA", "ATMEL 29C020 Flash Memory", -1},
    IdRow{"1F25", "ATMEL 29C1024 Flash Memory", -1},
    IdRow{"1FD5", "ATMEL 29C010 Flash Memory", -1},
    IdRow{"1F5D", "ATMEL 29C512 Flash Memory", -1},
    IdRow{"1FDC", "ATMEL 29C256 Flash Memory", kAt29c256},
};

std::string TwoBytesHex(int first, int second) {
    char text[8];
    std::snprintf(text, sizeof text, "%02X%02X", first & 0xFF, second & 0xFF);
    return text;
}

/// The byte at the address counters, with CE and OE already active.
int ReadAtAddress(Board& b) {
    b.SETADR_FLASH();
    b.GetNibbles();
    return b.DataIn;
}

/// The catalog row whose own flash ID is `flashId`, or -1.
int RowWithOwnId(std::string_view flashId) {
    const auto& table = CatalogTable();
    for (int k = 1; k <= kCatalogRows; ++k) {
        const std::uint16_t id = table[static_cast<std::size_t>(k)].facts.flashId;
        if (id != 0 && TwoBytesHex(id >> 8, id) == flashId) return k;
    }
    return -1;
}

} // namespace

std::string FlashIdName(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return std::string(row.name);
    const int row = RowWithOwnId(flashId);
    if (row < 0) return {};
    return NameWithoutFamilyWord(CatalogTable()[static_cast<std::size_t>(row)].name) +
           " Flash Memory";
}

int FlashIdRow(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return row.catalogRow;
    return RowWithOwnId(flashId);
}

bool FlashChipSupported(int maker, std::string_view flashId) {
    if (maker == 0x37 || maker == 0x01 || maker == 0x1C || maker == 0x1F) return true;
    return RowWithOwnId(flashId) >= 0;
}

namespace {

/// The catalog device the ID answers as when it is not the chosen one, or "".
std::string OtherDeviceName(const App& app) {
    const int row = FlashIdRow(app.ops.flash.FlashID);
    if (row < 0 || row == app.dev.DeviceRow) return {};
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

void ReadFlashID(App& app) {
    if (app.dev.DeviceFamily != "F") return;
    Board& b = app.board;
    FlashState& f = app.ops.flash;
    Reset(app);
    b.BoardIndicatorOn();
    b.OEOFF();

    app.ops.FlashCommand = 0x90;
    CMD_FLASH(app);
    b.CEOEON();
    b.REG4OFF();
    b.SleepMs(20);
    f.FlashMakerCode = ReadAtAddress(b); // address 0, left there by Reset
    b.IncADR();
    f.FlashDeviceCode = ReadAtAddress(b);

    b.OEOFF();
    app.ops.FlashCommand = 0xF0;
    CMD_FLASH(app);
    b.SleepMs(20);
    b.SleepMs(20);

    b.AdrLow = b.AdrPage = b.AdrBank = 0;
    b.CEOEON();
    const int first = ReadAtAddress(b);
    b.IncADR();
    const int second = ReadAtAddress(b);
    b.CEOEOFF();
    f.FlashFirstBytes = TwoBytesHex(first, second);
    f.FlashID = TwoBytesHex(f.FlashMakerCode, f.FlashDeviceCode);

    // A chip that ignored the identification command shows its array both times.
    if (f.FlashID == f.FlashFirstBytes)
        LogMessage(app, "*** Not a Flash Unit, Address 00&01 = FlashCode ***");
    const std::string prefix = "Device ID# " + f.FlashID + " - ";
    const std::string name = FlashIdName(f.FlashID);
    LogMessage(app, name.empty() ? prefix + " Not Valid!!!" : prefix + name);
    b.BoardIndicatorOff();
}

void FlashIDCycle(App& app) {
    Board& b = app.board;
    app.ops.FlashCommand = 0x90;
    CMD_FLASH(app);
    b.SleepMs(20); // the chip needs up to 10 ms to enter identification mode
    b.CEOEON();
    b.REG4OFF();
    b.SETADR_FLASH();
    b.GetNibbles(); // maker code
    b.IncADR();
    b.SETADR_FLASH();
    b.GetNibbles(); // device code
    b.OEOFF();
    app.ops.FlashCommand = 0xF0;
    CMD_FLASH(app);
    b.SleepMs(20); // and as long to return to reading the array
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
