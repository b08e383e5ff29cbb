// quorbit-cli and saved setups: "setup save N" writes the slot file the window
// writes, and --setup N|FILE brings it back before a verb, options overriding it.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <string>
#include <vector>

#include "CliRun.h"
#include "Fakes.h"
#include "setups/SetupRig.h"
#include "setups/Setups.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

using Result = CliResult;

struct SetupCli : CliInTempDir {};

TEST_F(SetupCli, SaveWritesTheSlotFromTheOptionsGiven) {
    WriteBytes(dir / "img.bin", std::string(100, '\x11'));
    const Result r = Run("setup save 2 -d 27256 --voltage 21 --bytes hi --speed 9 --blank-first "
                         "--verify-after --port 3BC --file img.bin --name 'Line A'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Setup Saved as QBSetup2.INI, named:Line A\n"));
    EXPECT_EQ(ReadBytes(dir / "QBSetup2.INI"),
              CrLfLines({"SetupName = Line A", "sFILE = " + Path("img.bin"), "Device.Index = 10",
                         "Voltage_button(0).Value = False", "Voltage_button(1).Value = False",
                         "Voltage_button(2).Value = True", "Voltage_button(3).Value = False",
                         "CheckBlankPriorProgramming.Value = 1", "VerifyAfterProgramming.Value = 1",
                         "LPTSelection(0).Value = False", "LPTSelection(1).Value = False",
                         "LPTSelection(2).Value = True", "PortSelected.Text = 3BCh",
                         "HiLow_button(0).Value = False", "HiLow_button(1).Value = True",
                         "HiLow_button(2).Value = False", "Slider1.Value = 9",
                         "CheckCode.Value = 1", "CheckData.Value = 0"}));
    // Without a name or options: the program as it starts, on the port it found.
    ASSERT_EQ(Run("setup save 4").status, 0);
    const std::string plain = ReadBytes(dir / "QBSetup4.INI");
    EXPECT_EQ(plain.substr(0, plain.find("\r\n")), "SetupName = No Name Setup 4");
    EXPECT_NE(plain.find("\r\nDevice.Index = -1\r\n"), std::string::npos);
    EXPECT_NE(plain.find("\r\nPortSelected.Text = 378h\r\n"), std::string::npos);
}

TEST_F(SetupCli, FileWrittenByTheCommandLineLoadsLikeOneWrittenByTheWindow) {
    const fs::path image = dir / "img.bin";
    WriteBytes(image, std::string(700, '\x42'));
    ASSERT_EQ(Run("setup save 1 -d AM29F010 --bytes low --speed 3 --verify-after --port 278 "
                  "--file img.bin --name same")
                  .status,
              0);
    const std::string fromCli = ReadBytes(dir / "QBSetup1.INI");

    SetupRig window; // the operator doing the same in the window
    SetListIndex(window.app.ui.Device, 25);
    window.rig.dialogs.fileAnswers.push_back(image.string());
    Fire(window.app.ui.mnuFileOpenCode.onClick);
    SetOption(window.app.ui.HiLowGroup(), 2, true);
    SetPosition(window.app.ui.speedSlider, 3);
    SetCheck(window.app.ui.verifyAfterCheck, 1);
    SetOption(window.app.ui.LPTGroup(), 1, true);
    window.rig.dialogs.inputAnswers.push_back("same");
    Fire(window.app.ui.SaveSetup1.onClick);
    const std::string fromWindow = window.ReadWork("QBSetup1.INI");
    EXPECT_EQ(fromCli, fromWindow);

    SetupRig a, b;
    a.WriteWork("QBSetup1.INI", fromCli);
    b.WriteWork("QBSetup1.INI", fromWindow);
    Fire(a.app.ui.LoadSetup1.onClick);
    Fire(b.app.ui.LoadSetup1.onClick);
    EXPECT_EQ(a.Snapshot(), b.Snapshot());
    EXPECT_EQ(a.app.dev.DeviceName, "Flash AMD AM29F010");
    EXPECT_EQ(a.app.buf.CodeBuffer[699], 0x42);
}

TEST_F(SetupCli, SetupSlotRunsABlankCheckWithNoOtherOption) {
    ASSERT_EQ(Run("setup save 2 -d 27C010 --speed 20").status, 0);
    Result r = Run("--setup 2 --sim-chip 27C010 blank");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  RESTORING SETUP FROM QBSetup2.INI\n"));
    EXPECT_TRUE(r.OutHas(">  Device Eprom 27C010 was Selected\n"));
    EXPECT_TRUE(r.OutHas(">  Device IS BLANK (ERASED)\n"));
    EXPECT_LT(r.out.find("SETUP RESTORED FROM QBSetup2.INI"), r.out.find("Checking Device"));

    r = Run("--sim-chip 27C010 --sim-image fill:FF --sim-fault 1ABCD:4:0 blank --setup 2");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Address: 1ABCD ][ Device Data: EF\n"));
}

TEST_F(SetupCli, SetupSlotProgramsTheChipWithYesAsTheOnlyOtherOption) {
    const auto image = sim::RandomContents(32768, 11);
    WriteBytes(dir / "img.bin", std::string(image.begin(), image.end()));
    ASSERT_EQ(
        Run("setup save 2 -d 27C256 --file img.bin --blank-first --verify-after --speed 20").status,
        0);
    Result r = Run("--setup 2 --sim-chip 27C256 --sim-save out.bin program --yes");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "out.bin"), std::string(image.begin(), image.end()));
    EXPECT_TRUE(r.OutHas(">  Device IS BLANK (ERASED)\n")); // blank first, from the setup
    EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));
    EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n")); // verify after

    // Without --yes the safety question is answered Cancel: nothing is written.
    r = Run("--setup 2 --sim-chip 27C256 --sim-save cancelled.bin program");
    EXPECT_EQ(r.status, 1);
    EXPECT_FALSE(r.OutHas("Programming Device Successfull"));
    EXPECT_EQ(ReadBytes(dir / "cancelled.bin"), std::string(32768, '\xFF'));

    // Options given override the setup's: no verify afterwards.
    r = Run("--setup 2 --sim-chip 27C256 program --yes --no-verify-after");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_FALSE(r.OutHas("MATCHES"));
}

TEST_F(SetupCli, VerifyTakesTheSetupsCodeFileAndOptionsOverrideTheSetup) {
    WriteBytes(dir / "chip.bin", std::string(4096, '\x3C'));
    WriteBytes(dir / "other.bin", std::string(4096, '\x3D'));
    ASSERT_EQ(Run("setup save 3 -d 2732A --file chip.bin --speed 12").status, 0);
    Result r = Run("--sim-chip 2732A --sim-image chip.bin --setup 3 verify");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Device Contents MATCHES with Buffer Contents\n"));

    r = Run("--sim-chip 2732A --sim-image chip.bin --setup 3 verify other.bin --speed 20");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Program Speed Slider set to: 20\n"));
    EXPECT_FALSE(r.OutHas("MATCHES"));

    // A device given on the command line replaces the setup's.
    r = Run("--sim-chip 27C256 --setup " + Path("QBSetup3.INI") + " blank -d 27C256");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LT(r.out.find("Device Eprom 2732A was Selected"),
              r.out.find("Device Eprom 27C256 was Selected"));
}

TEST_F(SetupCli, PortGivenOnTheCommandLineOverridesTheSetupsPort) {
    ASSERT_EQ(Run("setup save 1 -d 27C256 --port 278").status, 0);
    const Result r = Run("--setup 1 --port 378 --sim-chip 27C256 blank");
    EXPECT_EQ(r.status, 0) << r.err;
    const auto restored = r.out.find("Port Selection changed to 278h");
    ASSERT_NE(restored, std::string::npos);
    EXPECT_NE(r.out.find("Port Selection changed to 378h", restored), std::string::npos);
}

TEST_F(SetupCli, ASetupThatCannotBeAppliedStopsBeforeTheVerb) {
    Result r = Run("--setup 3 --sim-chip 27C256 blank -d 27C256"); // no such slot file
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.OutHas("Setup QBSetup3.INI cannot be read: "));
    EXPECT_FALSE(r.OutHas("Checking Device"));

    WriteBytes(dir / "QBSetup1.INI",
               CrLfLines({"SetupName = x", "Device.Index = 11", "Slider1.Value = quick"}));
    r = Run("--setup 1 --sim-chip 27C256 blank");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.OutHas("Setup QBSetup1.INI, line 3: Slider1.Value = quick - not a number"));
    EXPECT_TRUE(r.ErrHas("was not restored; nothing was changed")); // the message box
    EXPECT_FALSE(r.OutHas("SETUP RESTORED"));
    EXPECT_FALSE(r.OutHas("Checking Device"));

    ASSERT_EQ(Run("setup save 1").status, 0); // no device chosen
    r = Run("--setup 1 blank");
    EXPECT_EQ(r.status, 2);
    EXPECT_TRUE(r.ErrHas("No device"));

    EXPECT_EQ(Run("--setup 5 blank -d 27C256").status, 2);
    EXPECT_EQ(Run("--setup 0 blank -d 27C256").status, 2);
    EXPECT_EQ(Run("--setup 1 detect").status, 2);
    EXPECT_EQ(Run("verify -d 27C256").status, 2); // no file and no setup
}

TEST_F(SetupCli, AMisspeltOrMissingSetupLineRunsNoOtherJob) {
    const auto image = sim::RandomContents(32768, 2);
    WriteBytes(dir / "img.bin", std::string(image.begin(), image.end()));
    ASSERT_EQ(Run("setup save 1 -d 27C256 --bytes hi --verify-after --file img.bin").status, 0);
    const std::string saved = ReadBytes(dir / "QBSetup1.INI");
    struct Spoilt {
        std::string from, to, problem;
    };
    for (const Spoilt& s :
         {Spoilt{"HiLow_button(1).Value", "HiLow_button(1).Valeu",
                 "line 15: HiLow_button(1).Valeu = True - not a setup line"},
          Spoilt{"VerifyAfterProgramming.Value", "VerifyAfterProgrammng.Value",
                 "line 9: VerifyAfterProgrammng.Value = 1 - not a setup line"},
          Spoilt{"Slider1.Value = 18\r\n", "", "line 17: the Slider1.Value = line is missing"}}) {
        std::string text = saved;
        text.replace(text.find(s.from), s.from.size(), s.to);
        WriteBytes(dir / "QBSetup1.INI", text);
        const Result r = Run("--setup 1 --sim-chip 27C256 --sim-save chip.bin program --yes");
        EXPECT_EQ(r.status, 2) << s.to;
        EXPECT_TRUE(r.OutHas("Setup QBSetup1.INI, " + s.problem)) << r.out;
        EXPECT_FALSE(r.OutHas("Programming Button Pressed")) << r.out;
        EXPECT_EQ(ReadBytes(dir / "chip.bin"), std::string(32768, '\xFF'));
    }
    for (const std::string& text : {std::string(), std::string("\x7F"
                                                               "ELF\x02\x01\x01")}) {
        WriteBytes(dir / "QBSetup1.INI", text);
        const Result r = Run("--setup 1 --sim-chip 27C256 blank -d 27C256");
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.OutHas("Setup QBSetup1.INI holds no setup line - nothing restored"));
        EXPECT_FALSE(r.OutHas("SETUP RESTORED")) << r.out;
        EXPECT_FALSE(r.OutHas("Checking Device")) << r.out;
    }
}

// Values no control of the window can hold, or that contradict each other: the
// setup is refused with its file, line and key, nothing of it is applied and
// the verb does not run (exit 2).
TEST_F(SetupCli, ABadValueInASetupRefusesItWholeAndRunsNothing) {
    const auto image = sim::RandomContents(32768, 3);
    WriteBytes(dir / "img.bin", std::string(image.begin(), image.end()));
    ASSERT_EQ(Run("setup save 1 -d 27C256 --port 278 --file img.bin").status, 0);
    const std::string saved = ReadBytes(dir / "QBSetup1.INI");
    struct Spoilt {
        std::vector<std::pair<std::string, std::string>> edits;
        std::string problem;
    };
    const std::string notAPort =
        " - not a port: 378h, 278h, 3BCh, a card's base from 100h to FFF8h, or None";
    for (const Spoilt& s : std::vector<Spoilt>{
             {{{"PortSelected.Text = 278h", "PortSelected.Text = garbage"}},
              "line 13: PortSelected.Text = garbage" + notAPort},
             {{{"PortSelected.Text = 278h", "PortSelected.Text = "}},
              "line 13: PortSelected.Text = " + notAPort},
             {{{"PortSelected.Text = 278h", "PortSelected.Text = -1"}},
              "line 13: PortSelected.Text = -1" + notAPort},
             {{{"PortSelected.Text = 278h", "PortSelected.Text = " + std::string(300, 'Z')}},
              "line 13: PortSelected.Text = " + std::string(60, 'Z') + "..." + notAPort},
             {{{"PortSelected.Text = 278h", "PortSelected.Text = 3BCh"}},
              "line 13: PortSelected.Text = 3BCh - not the port of LPTSelection(1), 278h"},
             {{{"LPTSelection(1).Value = True", "LPTSelection(1).Value = False"}},
              "lines 10 to 12: no LPTSelection(n).Value is True - PortSelected.Text = 278h "
              "names a port one of them stands for"},
             {{{"Voltage_button(1).Value = True", "Voltage_button(1).Value = False"}},
              "lines 4 to 7: no Voltage_button(n).Value is True - one voltage must be chosen "
              "for the Eprom 27C256"},
             {{{"HiLow_button(0).Value = True", "HiLow_button(0).Value = False"}},
              "lines 14 to 16: no HiLow_button(n).Value is True - one of Both, Hi Byte and Low "
              "Byte must be True"}}) {
        std::string text = saved;
        for (const auto& [from, to] : s.edits)
            text.replace(text.find(from), from.size(), to);
        WriteBytes(dir / "QBSetup1.INI", text);
        const Result r = Run("--setup 1 --sim-chip 27C256 --sim-save chip.bin program --yes");
        SCOPED_TRACE(s.problem);
        EXPECT_EQ(r.status, 2) << r.out;
        EXPECT_TRUE(r.OutHas(">  Setup QBSetup1.INI, " + s.problem)) << r.out;
        EXPECT_TRUE(r.OutHas(">  Setup QBSetup1.INI not restored: nothing was changed\n"));
        EXPECT_FALSE(r.OutHas("SETUP RESTORED")) << r.out;
        EXPECT_FALSE(r.OutHas("Device Eprom 27C256 was Selected")) << r.out;
        EXPECT_FALSE(r.OutHas("Programming Button Pressed")) << r.out;
        EXPECT_EQ(ReadBytes(dir / "chip.bin"), std::string(32768, '\xFF'));
    }

    // A code file that will not load any more: said, and never "SETUP RESTORED".
    WriteBytes(dir / "QBSetup1.INI", saved);
    fs::resize_file(dir / "img.bin", 2100002); // bigger than the code buffer now
    const Result big = Run("--setup 1 --sim-chip 27C256 blank");
    EXPECT_EQ(big.status, 2);
    EXPECT_TRUE(
        big.OutHas(">  Setup QBSetup1.INI restored but for its code file, which was not loaded\n"))
        << big.out;
    EXPECT_FALSE(big.OutHas("SETUP RESTORED")) << big.out;
    EXPECT_FALSE(big.OutHas("Checking Device")) << big.out;
}

TEST_F(SetupCli, SaveRefusesBadOptionsAndKeepsTheOldSlotWhenItCannotWrite) {
    EXPECT_EQ(Run("setup save 5").status, 2);
    EXPECT_EQ(Run("setup save").status, 2);
    const Result volts = Run("setup save 1 -d 27C256 --voltage 25");
    EXPECT_EQ(volts.status, 2);
    EXPECT_TRUE(volts.ErrHas("The 25V programming voltage is not offered for Eprom 27C256"));
    EXPECT_EQ(Run("setup save 1 --voltage 13 -d 27256").status, 2);
    EXPECT_EQ(Run("setup save 1 -d 27C080OTP").status, 2);
    EXPECT_EQ(Run("setup save 1 --file missing.bin").status, 2);
    EXPECT_FALSE(fs::exists(dir / "QBSetup1.INI"));

    ASSERT_EQ(Run("setup save 1 --name old").status, 0);
    const std::string old = ReadBytes(dir / "QBSetup1.INI");
    // A full disk (ignored SIGXFSZ and no room for a byte), for root too; the
    // printed lines cannot reach their files either, so only the outcome counts.
    const Result r = Run("setup save 1 --name new", "trap '' XFSZ; ulimit -f 0; ");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(ReadBytes(dir / "QBSetup1.INI"), old);
    for (const auto& entry : fs::directory_iterator(dir.path()))
        EXPECT_NE(entry.path().filename().string().rfind(".QBSetup1.INI", 0), 0u); // no temporary
}

} // namespace
} // namespace quorbit::test
