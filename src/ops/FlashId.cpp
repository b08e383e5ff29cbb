#include "ops/FlashId.h"

#include <array>
#include <cstdio>

#include "app/App.h"
#include "app/Shell.h"
#include "ops/Flash.h"
#include "ops/RequireBoard.h"

namespace quorbit {
namespace {

struct IdRow {
    std::string_view id;
    std::string_view name;
};

constexpr std::array kFlashIds{
    IdRow{"1C04", "EON EN29F040 Flash Memory"},  IdRow{"0120", "AMD am29F010 Flash Memory"},
    IdRow{"01A4", "AMD am29F040 Flash Memory"},  IdRow{"3786", "AMIC A29040 Flash Memory"},
    IdRow{"37A4", "AMIC A29010 Flash Memory"},   IdRow{"1F5B", "ATMEL 29C040 Flash Memory"},
    IdRow{"1FA4", "ATMEL 29C040A Flash Memory"}, IdRow{"1FDA", "ATMEL 29C020 Flash Memory"},
    IdRow{"1F25", "ATMEL 29C1024 Flash Memory"}, IdRow{"1FD5", "ATMEL 29C010 Flash Memory"},
    IdRow{"1F5D", "ATMEL 29C512 Flash Memory"},  IdRow{"1FDC", "ATMEL 29C256 Flash Memory"},
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

} // namespace

std::string_view FlashIdName(std::string_view flashId) {
    for (const IdRow& row : kFlashIds)
        if (row.id == flashId) return row.name;
    return {};
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
    const std::string_view name = FlashIdName(f.FlashID);
    LogMessage(app, name.empty() ? prefix + " Not Valid!!!" : prefix + std::string(name));
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
    app.ops.Outcome = listed ? OpOutcome::Success : OpOutcome::Failed;
}

} // namespace quorbit
