#include "catalog/DeviceSelection.h"

#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "buffers/ProgramImage.h"
#include "catalog/Catalog.h"
#include "catalog/PulseTiming.h"
#include "catalog/VoltageSpeed.h"

namespace quorbit {

void ResetDeviceControls(App& app) {
    auto& ui = app.ui;
    for (auto& option : ui.voltageButtons)
        option.enabled = false;
    for (auto& option : ui.voltageButtons)
        option.value = 0;
    ui.tbToolBar[1].enabled = false;
    ui.tbToolBar[2].visible = ui.tbToolBar[3].visible = ui.tbToolBar[4].visible = false;
    ui.tbToolBar[3].enabled = ui.tbToolBar[4].enabled = false;
    ui.showDataButton.enabled = false;
    ui.showDataButton.caption = "Show Data";
    for (Control* item :
         {&ui.menuProgramData, &ui.menuReadData, &ui.menuDisplayData, &ui.menuVerifyData,
          &ui.menuEraseData, &ui.menuProgramCode, &ui.menuDisplayCode, &ui.menuReadCode,
          &ui.menuVerifyCode, &ui.menuEraseCode, &ui.menuEraseFlash, &ui.menuBlankCheck})
        item->enabled = false;
    for (Control* button :
         {&ui.eraseChipButton, &ui.verifyButton, &ui.programButton, &ui.readButton,
          &ui.displayButton, &ui.blankButton, &ui.eraseBufferButton})
        button->enabled = false;
    ui.dataCheck.enabled = ui.codeCheck.enabled = false;
    ui.FileNameDataLabel.visible = ui.FileNameDataSize.visible = false;
    ui.FileNameDataText.visible = false;
    ui.menuFlashShowCodeID.enabled = false;
    ui.bufferFrame.caption = "Code Buffer Hex/Ascii Display";
}

namespace {

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

void CopyCatalogRow(App& app, int k) {
    const CatalogRow& row = CatalogTable().at(static_cast<std::size_t>(k));
    DeviceConfig& dev = app.dev;
    dev.DeviceRow = k;
    dev.DeviceFamily = std::string(1, row.family);
    dev.DeviceSubtype = std::string(1, row.subtype);
    dev.DeviceType = dev.DeviceFamily + dev.DeviceSubtype;
    dev.DeviceSizeKB = row.sizeKB;
    dev.DeviceVppClass = row.vppClass;
    dev.facts = row.facts;
    dev.routines = row.routines;
    dev.wiring = row.wiring;
    app.board.DeviceReg1Bits = row.reg1Bits;
    app.board.DeviceReg3Bits = row.reg3Bits;
    app.board.TwoWireBus = row.family == 'S';
}

void SetAddressMaps(App& app) {
    Board& b = app.board;
    for (int i = 0; i < 256; ++i) {
        b.PageMap[static_cast<std::size_t>(i)] = i;
        b.BankMap[static_cast<std::size_t>(i)] = i;
    }
    if (app.dev.routines.program == ProgramRoutine::JedecFlash) {
        // 32-pin flash: A18 (bank bit 2) is wired to register-3 bit 3, as bit 2
        // of that register is the flash write enable.
        for (int i = 4; i <= 7; ++i)
            b.BankMap[static_cast<std::size_t>(i)] = i + 4;
    } else if (app.dev.routines.pins == AddressPins::PageEeprom) {
        // X28C256: A14 sits on register-1 bit 7, bit 6 is the write enable.
        for (int i = 64; i <= 127; ++i)
            b.PageMap[static_cast<std::size_t>(i)] = i + 64;
    }
}

void SetTimingFactors(App& app) {
    Board& b = app.board;
    const DelayFactors& delays = app.dev.wiring.delays;
    b.ShortDelayFactor = delays.shortFactor;
    b.MediumDelayFactor = delays.mediumFactor;
    b.LongDelayFactor = delays.longFactor;
}

void EnableDeviceCommands(App& app) {
    auto& ui = app.ui;
    const std::string& family = app.dev.DeviceFamily;
    for (Control* c : {&ui.readButton, &ui.menuReadCode, &ui.displayButton, &ui.menuDisplayCode,
                       &ui.blankButton, &ui.menuBlankCheck})
        c->enabled = true;
    if (family == "S") ui.blankButton.enabled = ui.menuBlankCheck.enabled = false;
    if (family == "F" || family == "S") {
        ui.eraseChipButton.enabled = ui.menuFlashShowCodeID.enabled = true;
        ui.menuEraseFlash.enabled = true;
    }
    // The X28C256 has an erase routine too ("Erase Flash or Eeprom"), and no ID.
    if (app.dev.routines.erase == EraseRoutine::PageEeprom)
        ui.eraseChipButton.enabled = ui.menuEraseFlash.enabled = true;
}

void SetMemoryChoice(App& app) {
    auto& ui = app.ui;
    if (app.dev.DeviceType != "MJ") {
        SetCheck(ui.dataCheck, 0);
        ui.dataCheck.enabled = false;
        SetCheck(ui.codeCheck, 1);
        ui.codeCheck.enabled = false;
        app.buf.DataBufferLoaded = 0;
        ui.showDataButton.enabled = true;
        ui.showDataButton.caption = "Show Code";
        return;
    }
    // The microcontroller has a separate data (EEPROM) memory.
    for (Control* c : {&ui.menuEraseFlash, &ui.menuEraseData, &ui.menuDisplayData, &ui.menuReadData,
                       &ui.mnuFileOpenData, &ui.codeCheck, &ui.dataCheck})
        c->enabled = true;
    ui.tbToolBar[2].visible = ui.tbToolBar[3].visible = ui.tbToolBar[4].visible = true;
    ui.tbToolBar[3].enabled = true;
    ui.showDataButton.enabled = true;
    ui.showDataButton.caption = "Show Data";
    ui.FileNameDataLabel.visible = ui.FileNameDataSize.visible = true;
    ui.FileNameDataText.visible = true;
}

void OfferVoltages(App& app) {
    auto& ui = app.ui;
    const int vppClass = app.dev.DeviceVppClass;
    if (vppClass == 0) {
        ui.voltageButtons[0].enabled = true;
        SetOption(ui.VoltageGroup(), 0, true);
        return;
    }
    for (int index = 1; index < 4; ++index)
        if (VoltageOffered(vppClass, index))
            ui.voltageButtons[static_cast<std::size_t>(index)].enabled = true;
    SetOption(ui.VoltageGroup(), 1, true); // its handler sets VppVolts to 12
    app.dev.VppVolts = 12;
}

void EnableBufferCommands(App& app) {
    auto& ui = app.ui;
    if (app.buf.CodeBufferLoaded == 1) {
        for (Control* c : {&ui.eraseBufferButton, &ui.menuEraseCode, &ui.programButton,
                           &ui.menuProgramCode, &ui.verifyButton, &ui.menuVerifyCode})
            c->enabled = true;
    }
    if (app.buf.DataBufferLoaded == 1) {
        SetCheck(ui.dataCheck, 1);
        for (Control* c : {&ui.eraseBufferButton, &ui.menuEraseData, &ui.programButton,
                           &ui.menuProgramData, &ui.verifyButton, &ui.menuVerifyData})
            c->enabled = true;
    }
}

} // namespace

void Device_Click(App& app) {
    auto& ui = app.ui;
    Control& list = ui.Device;
    if (list.listIndex < 0) {
        list.caption = "Please Select Device on this List";
        return;
    }
    const int k = list.listIndex;
    app.dev.DeviceName = Trimmed(list.items.at(static_cast<std::size_t>(k)));
    if (app.dev.DeviceName.rfind("N/A", 0) == 0) {
        const std::string refused = app.dev.DeviceName;
        SetListIndex(list, -1); // refused: the device chosen before stays in force
        // ...and the list shows it again, so that the screen and the commands agree on
        // the chip they work on.
        const int kept = app.dev.DeviceRow;
        if (kept > 0 && kept < static_cast<int>(list.items.size())) {
            list.listIndex = kept;
            list.caption = list.items[static_cast<std::size_t>(kept)];
            app.dev.DeviceName = Trimmed(list.caption);
            LogMessage(app,
                       refused + " cannot be selected - " + app.dev.DeviceName + " stays selected");
        }
        return;
    }

    CopyCatalogRow(app, k);
    if (app.svc.deviceChosen) app.svc.deviceChosen(app, k);
    SetAddressMaps(app);
    SetTimingFactors(app);
    SetPulseStep(app);

    // Lines to rest: chip and outputs disabled. A serial EEPROM has neither; for
    // it the chip-enable line is the bus clock (SCL), left low.
    app.board.DisableChip();
    app.board.DisableOutput();
    if (app.dev.DeviceFamily == "S") {
        app.board.EnableChip();
        app.board.EnableOutput();
    }
    ApplySpeedSetting(app);

    app.dev.DeviceSize = app.dev.ImageLength = app.dev.DeviceSizeKB * 1024;
    SetScrollMax(ui.pageScrollBar, app.dev.DeviceSize / 256 - 1);

    for (Control* c : {&ui.autoOperationsFrame, &ui.blankCheckFirstCheck, &ui.verifyAfterCheck,
                       &ui.voltageFrame})
        c->visible = true;
    ResetDeviceControls(app);
    EnableDeviceCommands(app);
    ui.PleaseSelect.visible = false;
    ui.bufferFrame.visible = ui.BufferDisplay.visible = true;

    if (app.dev.routines.program == ProgramRoutine::At29c256 && app.identifyChosenChip)
        app.identifyChosenChip(app);

    SetMemoryChoice(app);
    OfferVoltages(app);
    EnableBufferCommands(app);

    ErrorLampOff(app);
    DataFlowLampOff(app);
    LogMessage(app, "Device " + app.dev.DeviceName + " was Selected");
    app.dev.DeviceInfoMessage =
        "Device Size is: " + std::to_string(app.dev.DeviceSize) +
        " Bytes, Initial VPP suggested: " + (app.dev.DeviceVppClass == 0 ? "5V" : "12.5V");
    LogMessage(app, app.dev.DeviceInfoMessage);
    PlayEventSound(app, "DONE");
    WarnWhenImagePastChipEnd(app);
}

bool SelectDevice(App& app, int row) {
    if (row < 0 || row >= static_cast<int>(app.ui.Device.items.size())) return false;
    SetListIndex(app.ui.Device, row);
    return app.ui.Device.listIndex == row && app.dev.DeviceRow == row;
}

void WireCatalogHandlers(App& app) {
    app.ui.Device.onClick = app.Handler(Device_Click);
    WireVoltageSpeedHandlers(app);
}

} // namespace quorbit
