#include "catalog/DeviceSelection.h"

#include "app/App.h"

namespace quorbit {

void ResetDeviceControls(App& app) {
    auto& ui = app.ui;
    for (auto& option : ui.Voltage_button)
        option.enabled = false;
    for (auto& option : ui.Voltage_button)
        option.value = 0;
    ui.tbToolBar[1].enabled = false;
    ui.tbToolBar[2].visible = ui.tbToolBar[3].visible = ui.tbToolBar[4].visible = false;
    ui.tbToolBar[3].enabled = ui.tbToolBar[4].enabled = false;
    ui.Show_button.enabled = false;
    ui.Show_button.caption = "Show Data";
    for (Control* item :
         {&ui.menuProgramData, &ui.menuReadData, &ui.menuDisplayData, &ui.menuVerifyData,
          &ui.menuEraseData, &ui.menuProgramCode, &ui.menuDisplayCode, &ui.menuReadCode,
          &ui.menuVerifyCode, &ui.menuEraseCode, &ui.menuEraseFlash, &ui.menuBlankCheck})
        item->enabled = false;
    for (Control* button :
         {&ui.EraseFlash_button, &ui.Verify_button, &ui.Program_button, &ui.Read_button,
          &ui.Display_button, &ui.Blank_button, &ui.Erase_button})
        button->enabled = false;
    ui.CheckData.enabled = ui.CheckCode.enabled = false;
    ui.FileNameDataLabel.visible = ui.FileNameDataSize.visible = false;
    ui.FileNameDataText.visible = false;
    ui.menuFlashShowCodeID.enabled = false;
    ui.Frame3.caption = "Code Buffer Hex/Ascii Display";
}

} // namespace quorbit
