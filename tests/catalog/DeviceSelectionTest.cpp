// Choosing a device: what each family configures, enables and logs.
#include <gtest/gtest.h>

#include <stdexcept>

#include "Fakes.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"
#include "session/SimSocket.h"
#include "session/Startup.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

struct Selected : ::testing::Test {
    Rig rig;
    App& app = *rig.app;
    Selected() {
        app.RunGuarded(Form_Load);
        rig.ClearLog();
        rig.sound.played.clear();
    }
    void Choose(int row) {
        rig.ClearLog();
        rig.sound.played.clear();
        SetListIndex(app.ui.Device, row);
    }
    [[nodiscard]] std::vector<bool> VoltagesEnabled() const {
        std::vector<bool> v;
        for (const auto& option : app.ui.voltageButtons)
            v.push_back(option.enabled);
        return v;
    }
    [[nodiscard]] std::vector<int> Factors() const {
        return {app.board.ShortDelayFactor, app.board.MediumDelayFactor, app.board.LongDelayFactor};
    }
};

TEST_F(Selected, Eprom27C256LogsThreeLinesEnablesOnly12VoltsAndPlaysDone) {
    Choose(11);
    EXPECT_EQ(rig.LogLines(), (std::vector<std::string>{
                                  "Most Common Programming Voltage Selected: 12.5 Volts!!!",
                                  "Device Eprom 27C256 was Selected",
                                  "Device Size is: 32768 Bytes, Initial VPP suggested: 12.5V"}));
    EXPECT_EQ(rig.sound.played, std::vector<std::string>{(rig.dir / "app" / "done.wav").string()});
    EXPECT_EQ(VoltagesEnabled(), (std::vector<bool>{false, true, false, false}));
    EXPECT_EQ(app.ui.voltageButtons[1].value, 1);
    EXPECT_EQ(app.dev.VppVolts, 12);
    EXPECT_EQ(app.ui.pageScrollBar.max, 127);
    EXPECT_EQ(Factors(), (std::vector<int>{5, 100, 500}));
    EXPECT_EQ(app.dev.DeviceType, "P4");
    EXPECT_EQ(app.dev.DeviceSize, 32768);
    EXPECT_EQ(app.dev.ImageLength, 32768);
    EXPECT_EQ(app.dev.DeviceRow, 11);
    EXPECT_EQ(app.board.DeviceReg1Bits, 128);
    EXPECT_EQ(app.board.DeviceReg3Bits, 2);
    // EPROM: read, display, blank check; no chip erase, no data memory.
    EXPECT_TRUE(app.ui.readButton.enabled && app.ui.displayButton.enabled &&
                app.ui.blankButton.enabled && app.ui.menuBlankCheck.enabled);
    EXPECT_FALSE(app.ui.eraseChipButton.enabled || app.ui.menuEraseFlash.enabled ||
                 app.ui.menuFlashShowCodeID.enabled);
    EXPECT_FALSE(app.ui.programButton.enabled || app.ui.verifyButton.enabled ||
                 app.ui.eraseBufferButton.enabled);
    EXPECT_EQ(app.ui.codeCheck.value, 1);
    EXPECT_EQ(app.ui.dataCheck.value, 0);
    EXPECT_FALSE(app.ui.codeCheck.enabled);
    EXPECT_EQ(app.ui.showDataButton.caption, "Show Code");
    EXPECT_TRUE(app.ui.showDataButton.enabled);
    EXPECT_FALSE(app.ui.PleaseSelect.visible);
    EXPECT_TRUE(app.ui.autoOperationsFrame.visible && app.ui.voltageFrame.visible);
}

TEST_F(Selected, TimingFactorsFollowTheSubtype) {
    Choose(6); // Eprom 2764, subtype "2"
    EXPECT_EQ(Factors(), (std::vector<int>{50, 20000, 100000}));
    Choose(2); // Eprom 2732A, subtype "1"
    EXPECT_EQ(Factors(), (std::vector<int>{50, 20000, 100000}));
    Choose(21); // Eprom 27C080, subtype "9"
    EXPECT_EQ(Factors(), (std::vector<int>{2, 50, 250}));
    Choose(27); // Flash AMD AM29F040, letter subtype
    EXPECT_EQ(Factors(), (std::vector<int>{5, 100, 500}));
}

TEST_F(Selected, OldEpromVoltageClassThreeOffersAllHighVoltages) {
    Choose(2); // Eprom 2732A, class 3
    EXPECT_EQ(VoltagesEnabled(), (std::vector<bool>{false, true, true, true}));
    EXPECT_EQ(app.ui.pageScrollBar.max, 15);
    // The operator picks 21 V, the warning is logged.
    rig.ClearLog();
    SetOption(app.ui.VoltageGroup(), 2, true);
    EXPECT_EQ(app.dev.VppVolts, 21);
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"BE CAREFULL!!! You just Selected "
                                                       "Programming Voltage as 21 Volts!!!"});
}

TEST_F(Selected, FlashRemapsBankBitTwoAndAnEpromRestoresIdentity) {
    Choose(27);
    for (int i = 0; i < 256; ++i) {
        const int expected = (i >= 4 && i <= 7) ? i + 4 : i;
        EXPECT_EQ(app.board.BankMap[static_cast<std::size_t>(i)], expected) << i;
        EXPECT_EQ(app.board.PageMap[static_cast<std::size_t>(i)], i) << i;
    }
    EXPECT_EQ(VoltagesEnabled(), (std::vector<bool>{true, false, false, false}));
    EXPECT_EQ(app.ui.voltageButtons[0].value, 1);
    EXPECT_TRUE(app.ui.eraseChipButton.enabled && app.ui.menuFlashShowCodeID.enabled &&
                app.ui.menuEraseFlash.enabled && app.ui.blankButton.enabled);
    EXPECT_EQ(rig.LogLines().back(), "Device Size is: 524288 Bytes, Initial VPP suggested: 5V");
    Choose(13);
    for (int i = 0; i < 256; ++i)
        EXPECT_EQ(app.board.BankMap[static_cast<std::size_t>(i)], i) << i;
}

TEST_F(Selected, X28C256MovesA14ToRegisterOneBitSeven) {
    Choose(33);
    EXPECT_EQ(app.board.PageMap[63], 63);
    EXPECT_EQ(app.board.PageMap[64], 128);
    EXPECT_EQ(app.board.PageMap[127], 191);
    EXPECT_EQ(app.board.PageMap[128], 128);
    EXPECT_EQ(app.dev.DeviceType, "EN");
    EXPECT_TRUE(app.ui.blankButton.enabled);
    // Erase Chip reaches EraseX28C256; the flash ID entry does not apply.
    EXPECT_TRUE(app.ui.eraseChipButton.enabled);
    EXPECT_FALSE(app.ui.menuFlashShowCodeID.enabled);
}

TEST_F(Selected, SerialEepromHasNoBlankCheckButChipErase) {
    app.dev.VppVolts = 21; // class 0 leaves the voltage as it was
    Choose(36);
    EXPECT_FALSE(app.ui.blankButton.enabled || app.ui.menuBlankCheck.enabled);
    EXPECT_TRUE(app.ui.eraseChipButton.enabled);
    EXPECT_EQ(app.ui.pageScrollBar.max, 3);
    EXPECT_EQ(app.dev.VppVolts, 21);
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{"Device Eeprom 24C08 Serial (8 pins) was Selected",
                                        "Device Size is: 1024 Bytes, Initial VPP suggested: 5V"}));
    // Clock (CE) and OE lines were left active for the serial bus.
    EXPECT_EQ(app.board.Reg3Shadow & 0x80, 0);
    EXPECT_EQ(app.board.Reg0Shadow & 0x40, 0);
}

TEST_F(Selected, NotSelectableRowIsRefusedAndThePreviousDeviceStaysShown) {
    // With no device chosen before, the list returns to no selection.
    Choose(1); // N/A - Eprom 2716
    EXPECT_EQ(app.ui.Device.listIndex, -1);
    EXPECT_EQ(app.ui.Device.caption, "Please Select Device on this List");
    EXPECT_TRUE(rig.LogLines().empty());
    EXPECT_FALSE(app.ui.readButton.enabled);

    Choose(11);
    Choose(1);
    // The device whose commands stay enabled is the one the list shows.
    EXPECT_EQ(app.ui.Device.listIndex, 11);
    EXPECT_EQ(app.ui.Device.caption, app.ui.Device.items[11]);
    EXPECT_EQ(app.dev.DeviceName, "Eprom 27C256");
    EXPECT_EQ(rig.LogLines(), std::vector<std::string>{"N/A - Eprom 2716 cannot be selected - "
                                                       "Eprom 27C256 stays selected"});
    EXPECT_TRUE(rig.sound.played.empty());
    EXPECT_EQ(app.dev.DeviceType, "P4");
    EXPECT_EQ(app.dev.DeviceRow, 11);
    EXPECT_TRUE(app.ui.readButton.enabled);
    Choose(0); // the empty first entry is refused the same way
    EXPECT_EQ(app.dev.DeviceRow, 11);
    EXPECT_EQ(app.ui.Device.listIndex, 11);
    EXPECT_FALSE(SelectDevice(app, 24));
    EXPECT_TRUE(SelectDevice(app, 23));
    EXPECT_EQ(app.dev.DeviceType, "FA");
    EXPECT_FALSE(SelectDevice(app, CatalogRowCount() + 1));
}

TEST_F(Selected, ChoosingTwiceRepeatsEverything) {
    Choose(11);
    const auto first = rig.LogLines();
    SetListIndex(app.ui.Device, 11);
    EXPECT_EQ(rig.LogLines().size(), 2 * first.size());
    EXPECT_EQ(rig.sound.played.size(), 2u);
}

TEST_F(Selected, SpeedCountsFollowDeviceFactorsWithoutTheSliderMoving) {
    Choose(21);
    EXPECT_EQ(app.board.PortDelayCount, 6);
    EXPECT_EQ(app.board.LongDelayCount, 502);
    Choose(6);
    EXPECT_EQ(app.board.PortDelayCount, 102);
    EXPECT_EQ(app.board.LongDelayCount, 200002);
}

TEST_F(Selected, SimulatedSocketFollowsTheChoiceAndKeepsAChipOfTheSameType) {
    ASSERT_NE(rig.sim, nullptr);
    Choose(11);
    ASSERT_NE(rig.sim->Chip(), nullptr);
    EXPECT_EQ(rig.sim->Chip()->Name(), "Eprom 27C256");
    EXPECT_EQ(rig.sim->Chip()->Memory().size(), 32768u);
    rig.sim->Chip()->Memory()[5] = 0x12; // as if programmed
    Choose(11);
    EXPECT_EQ(rig.sim->Chip()->Memory()[5], 0x12);
    Choose(36);
    EXPECT_EQ(rig.sim->Chip()->Name(), "Eeprom 24C08 Serial (8 pins)");
}

TEST_F(Selected, ASocketChipThatCannotBeMadeAsAskedIsAnErasedOneAndTheOperatorIsTold) {
    // The socket's maker as the front end gives it: contents that fit only some chips.
    app.svc.deviceChosen =
        SocketFollowsDevice(*rig.sim, [](int row) -> std::unique_ptr<sim::SimChip> {
            if (row != 11) throw std::invalid_argument("Cannot use simulator image big.bin");
            auto chip = sim::MakeErasedSimChip(row);
            chip->Memory()[0] = 0x5A;
            return chip;
        });
    Choose(11);
    EXPECT_EQ(rig.sim->Chip()->Memory()[0], 0x5A);
    EXPECT_TRUE(rig.dialogs.boxes.empty());

    Choose(21);
    // The device is chosen all the same, on an erased chip, and nothing is hidden.
    EXPECT_EQ(app.dev.DeviceRow, 21);
    EXPECT_EQ(rig.sim->Chip()->Name(), "Eprom 27C080");
    EXPECT_EQ(rig.sim->Chip()->Memory()[0], 0xFF);
    const std::string said =
        "Cannot use simulator image big.bin - the simulated Eprom 27C080 is an erased chip instead";
    EXPECT_EQ(rig.LogLines().front(), said);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_EQ(rig.dialogs.boxes[0].text, said);
    EXPECT_EQ(rig.LogLines().back(), "Device Size is: 1048576 Bytes, Initial VPP suggested: 12.5V");
}

TEST(SimChipFixed, ChipNamedAtStartStaysInTheSocket) {
    Rig rig;
    rig.app->svc.deviceChosen = nullptr; // as when the chip is named at start
    rig.app->RunGuarded(Form_Load);
    SetListIndex(rig.app->ui.Device, 11);
    EXPECT_EQ(rig.sim->Chip(), nullptr);
}

TEST(NoPort, SelectionSendsNothingToPortAddressZero) {
    auto port = std::make_unique<RecordingPort>();
    RecordingPort* rec = port.get();
    Rig rig(std::move(port));
    App& app = *rig.app;
    app.RunGuarded(Form_Load); // no board answers: no port is chosen
    ASSERT_EQ(app.board.DataPort, 0);
    rec->log.clear();
    SetListIndex(app.ui.Device, 23); // the AT29C256 ID cycle included
    EXPECT_EQ(app.dev.DeviceType, "FA");
    EXPECT_TRUE(rec->Writes().empty());
}

} // namespace
} // namespace quorbit::test
