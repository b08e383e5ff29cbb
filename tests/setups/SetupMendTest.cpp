// A setup file that is missing, unreadable or holds garbage: each bad line is
// reported with its file and line number, nothing of the file is set, and the
// operator gets one message box for the whole restore.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <algorithm>
#include <csignal>
#include <filesystem>
#include <sstream>

#include "catalog/Catalog.h"
#include "hw/SafeFile.h"
#include "setups/SetupFile.h"
#include "setups/SetupRig.h"
#include "setups/Setups.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

namespace fs = std::filesystem;

/// File writes fail as on a full disk while it lives (root included).
struct NoRoomForFiles {
    rlimit saved{};
    void (*oldHandler)(int) = nullptr;
    NoRoomForFiles() {
        getrlimit(RLIMIT_FSIZE, &saved);
        oldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit none = saved;
        none.rlim_cur = 0;
        setrlimit(RLIMIT_FSIZE, &none);
    }
    ~NoRoomForFiles() {
        setrlimit(RLIMIT_FSIZE, &saved);
        std::signal(SIGXFSZ, oldHandler);
    }
};

/// The lines of a setup the program saved from the fixture's state: Eprom 27C256
/// at 12.5 V on 378h, Both, speed 18, no code file.
std::vector<std::string> SavedLines() {
    std::vector<std::string> lines;
    std::istringstream in(SavedSetupText([](App& a) { SetListIndex(a.ui.Device, 11); }));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.size() - 1)); // without the CR
    return lines;
}

/// The key part of a setup line ("Slider1.Value"), or the whole line.
std::string KeyPart(const std::string& line) {
    return line.substr(0, line.find(" = "));
}

struct Mend : ::testing::Test, SetupRig {
    Mend() {
        SetListIndex(app.ui.Device, 11); // Eprom 27C256, 12.5 V only
        rig.ClearLog();
    }
    /// Restores slot 1: the fixture's own saved setup, each line given put in place
    /// of the one with its key (added at the end when no line has it), and returns
    /// the problem log lines ("Setup QBSetup1.INI, ...").
    std::vector<std::string> Restore(const std::vector<std::string>& changes) {
        std::vector<std::string> lines = SavedLines();
        for (const auto& change : changes) {
            const auto same = std::find_if(lines.begin(), lines.end(), [&](const std::string& l) {
                return KeyPart(l) == KeyPart(change);
            });
            if (same != lines.end()) {
                *same = change;
            } else {
                lines.push_back(change);
            }
        }
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        rig.ClearLog();
        rig.dialogs.boxes.clear();
        Fire(app.ui.LoadSetup1.onClick);
        std::vector<std::string> problems;
        for (const auto& line : rig.LogLines())
            if (line.rfind("Setup QBSetup1.INI, ", 0) == 0) problems.push_back(line);
        return problems;
    }
    /// Restores with the changes and expects the one problem given, nothing set.
    void ExpectRefused(const std::vector<std::string>& changes, const std::string& problem) {
        const std::string before = Snapshot();
        EXPECT_EQ(Restore(changes), std::vector<std::string>{"Setup QBSetup1.INI, " + problem});
        EXPECT_EQ(Snapshot(), before);
        ExpectNothingRestored();
    }
    void ExpectNothingRestored() {
        const auto lines = rig.LogLines();
        ASSERT_GE(lines.size(), 2u);
        EXPECT_EQ(lines[lines.size() - 2], "Setup QBSetup1.INI not restored: nothing was changed");
        EXPECT_EQ(lines.back(), ">>>>>>>>>>>>");
        for (const auto& line : lines)
            EXPECT_EQ(line.find("SETUP RESTORED"), std::string::npos) << line;
        ExpectOneBoxNaming("was not restored; nothing was changed");
    }
    void ExpectOneBoxNaming(const std::string& text) {
        ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
        EXPECT_EQ(rig.dialogs.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_NE(rig.dialogs.boxes[0].text.find(text), std::string::npos)
            << rig.dialogs.boxes[0].text;
    }
};

TEST_F(Mend, TheSavedSetupRestoresCompletely) {
    EXPECT_TRUE(Restore({}).empty());
    EXPECT_TRUE(rig.dialogs.boxes.empty());
    EXPECT_EQ(rig.LogLines()[rig.LogLines().size() - 2], "SETUP RESTORED FROM QBSetup1.INI");
}

TEST_F(Mend, MissingSlotFileChangesNothingButTheLog) {
    const std::string before = Snapshot();
    const SetupRestore result = LoadSetupRot(app, "QBSetup1.INI");
    EXPECT_FALSE(result.fileRead);
    EXPECT_EQ(Snapshot(), before);
    const auto lines = rig.LogLines();
    ASSERT_EQ(lines.size(), 4u);
    EXPECT_EQ(lines[1], "RESTORING SETUP FROM QBSetup1.INI");
    EXPECT_EQ(lines[2].rfind("Setup QBSetup1.INI cannot be read: ", 0), 0u) << lines[2];
    EXPECT_EQ(lines[3], ">>>>>>>>>>>>"); // and no claim that it was restored
    ExpectOneBoxNaming("QBSetup1.INI");
}

TEST_F(Mend, SlotThatIsAFolderIsReportedLikeAMissingOne) {
    fs::create_directory(Work("QBSetup2.INI"));
    Fire(app.ui.Setup.onClick);
    EXPECT_TRUE(app.ui.LoadSetup2.enabled); // so that loading it can say why it fails
    EXPECT_EQ(app.ui.LoadSetup2.caption, "Load Setup #&2");
    const std::string before = Snapshot();
    Fire(app.ui.LoadSetup2.onClick);
    EXPECT_EQ(Snapshot(), before);
    ExpectOneBoxNaming("it is a folder");
}

// One bad value refuses the file: every bad line is named, with the file, its
// line number and its key, and no control is set, not even by the good lines.
TEST_F(Mend, ValuesThatAreNotTrueFalseOrANumberRefuseTheWholeFile) {
    const std::string before = Snapshot();
    const auto problems = Restore({"Device.Index = eleven", "HiLow_button(1).Value = yes",
                                   "Slider1.Value = fast", "CheckBlankPriorProgramming.Value = 1.0",
                                   "VerifyAfterProgramming.Value = on", "CheckCode.Value = "});
    EXPECT_EQ(problems,
              (std::vector<std::string>{
                  "Setup QBSetup1.INI, line 3: Device.Index = eleven - not a number",
                  "Setup QBSetup1.INI, line 9: VerifyAfterProgramming.Value = on - not a number",
                  "Setup QBSetup1.INI, line 15: HiLow_button(1).Value = yes - neither True nor "
                  "False",
                  "Setup QBSetup1.INI, line 17: Slider1.Value = fast - not a number",
                  "Setup QBSetup1.INI, line 18: CheckCode.Value =  - not a number"}));
    EXPECT_EQ(Snapshot(), before);
    EXPECT_EQ(app.ui.blankCheckFirstCheck.value, 0); // its good line is not applied either
    ExpectNothingRestored();
    EXPECT_NE(rig.dialogs.boxes[0].text.find("line 18"), std::string::npos);
}

TEST_F(Mend, DeviceIndexOutsideTheCatalogOrOnAnNARowKeepsTheDevice) {
    for (const std::string& index : {std::to_string(CatalogRowCount() + 1), std::string("-2"),
                                     std::string("0"), std::string("29"), std::string("24.4")}) {
        SCOPED_TRACE(index);
        const std::string before = Snapshot();
        const auto problems = Restore({"Device.Index = " + index});
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("line 3: Device.Index = " + index), std::string::npos);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(app.ui.Device.listIndex, 11);
        EXPECT_EQ(rig.dialogs.boxes.size(), 1u);
    }
    // A number with a fraction is taken to the nearest entry; the flash takes 5 V.
    EXPECT_TRUE(Restore({"Device.Index = 24.6", "Voltage_button(0).Value = True",
                         "Voltage_button(1).Value = False"})
                    .empty());
    EXPECT_EQ(app.dev.DeviceName, "Flash AMD AM29F010");
}

TEST_F(Mend, SetupWithoutADeviceLeavesTheChosenOneInForce) {
    // Saved before any device was chosen (no voltage either), with the port the
    // fixture has: the 27C256 keeps its 12.5 V.
    WriteWork("QBSetup1.INI", SavedSetupText([](App&) {}));
    const auto before = app.dev;
    rig.ClearLog();
    Fire(app.ui.LoadSetup1.onClick);
    EXPECT_EQ(app.ui.Device.listIndex, 11);
    EXPECT_EQ(app.dev.DeviceName, before.DeviceName);
    EXPECT_EQ(app.dev.DeviceSize, before.DeviceSize);
    EXPECT_TRUE(app.ui.voltageButtons[1].selected());
    EXPECT_EQ(app.dev.VppVolts, 12);
    EXPECT_TRUE(rig.dialogs.boxes.empty());
    // Such a setup with a voltage chosen contradicts itself.
    ExpectRefused({"Device.Index = -1"}, "lines 4 to 7: 1 Voltage_button(n).Value is True - the "
                                         "setup names no device to offer a voltage");
}

TEST_F(Mend, NumbersOutsideTheControlsRangeAreRefused) {
    for (const auto& [line, problem] :
         {std::pair<std::string, std::string>{"Slider1.Value = 21",
                                              "line 17: Slider1.Value = 21 - outside 1 to 20"},
          {"Slider1.Value = 0", "line 17: Slider1.Value = 0 - outside 1 to 20"},
          {"CheckData.Value = 3", "line 19: CheckData.Value = 3 - outside 0 to 2"},
          {"CheckBlankPriorProgramming.Value = -1",
           "line 8: CheckBlankPriorProgramming.Value = -1 - outside 0 to 2"}})
        ExpectRefused({line}, problem);
    EXPECT_EQ(app.ui.speedSlider.value, 18);
    EXPECT_EQ(app.ui.dataCheck.value, 0);
    EXPECT_EQ(app.ui.blankCheckFirstCheck.value, 0);
}

// The voltage is checked against the device the file chooses, before the device
// is: a voltage it does not offer, none, or two, refuse the file.
TEST_F(Mend, AVoltageTheDeviceDoesNotOfferIsNotSwitchedOn) {
    ExpectRefused({"Voltage_button(1).Value = False", "Voltage_button(3).Value = True"},
                  "line 7: Voltage_button(3).Value = True - the 25V option is not offered for the "
                  "Eprom 27C256");
    EXPECT_FALSE(app.ui.voltageButtons[3].selected());
    EXPECT_EQ(app.dev.VppVolts, 12);
    ExpectRefused({"Voltage_button(1).Value = False"},
                  "lines 4 to 7: no Voltage_button(n).Value is True - one voltage must be chosen "
                  "for the Eprom 27C256");
    ExpectRefused({"Voltage_button(2).Value = True"},
                  "lines 4 to 7: 2 Voltage_button(n).Value are True - one voltage must be chosen "
                  "for the Eprom 27C256");
    // The 27256 offers 25 V: chosen with it, it is restored.
    EXPECT_TRUE(Restore({"Device.Index = 10", "Voltage_button(1).Value = False",
                         "Voltage_button(3).Value = True"})
                    .empty());
    EXPECT_TRUE(app.ui.voltageButtons[3].selected());
    EXPECT_EQ(app.dev.VppVolts, 25);
}

TEST_F(Mend, TheByteChoiceNeedsExactlyOneButton) {
    ExpectRefused({"HiLow_button(0).Value = False"},
                  "lines 14 to 16: no HiLow_button(n).Value is True - one of Both, Hi Byte and "
                  "Low Byte must be True");
    ExpectRefused({"HiLow_button(2).Value = True"},
                  "lines 14 to 16: 2 HiLow_button(n).Value are True - one of Both, Hi Byte and "
                  "Low Byte must be True");
    EXPECT_TRUE(app.ui.byteChoiceButtons[0].selected());
}

// The port box names the port of the button chosen, or, with none chosen, None
// (no port was known: the port stays) or a card's base (it is chosen).
TEST_F(Mend, ThePortBoxMustNameThePortChosen) {
    for (const std::string& text :
         {std::string("garbage"), std::string(), std::string("-1"), std::string("FFFFF"),
          std::string("FFFFh"), std::string(300, '7')}) {
        SCOPED_TRACE(text.size());
        ExpectRefused({"PortSelected.Text = " + text},
                      "line 13: PortSelected.Text = " + ShownSetupText(text) +
                          " - not a port: 378h, 278h, 3BCh, a card's base from 100h to FFF8h, "
                          "or None");
    }
    ExpectRefused({"PortSelected.Text = 278h"},
                  "line 13: PortSelected.Text = 278h - not the port of LPTSelection(0), 378h");
    ExpectRefused({"LPTSelection(1).Value = True"},
                  "lines 10 to 12: 2 LPTSelection(n).Value are True - one port at most can be "
                  "chosen");
    EXPECT_EQ(app.board.DataPort, 0x378);

    // The same port in another spelling is the same port.
    EXPECT_TRUE(Restore({"PortSelected.Text = 0x378"}).empty());
    EXPECT_EQ(app.ui.PortSelected.caption, "378h");
    // No button and None: no port was known when it was saved; the port stays.
    EXPECT_TRUE(Restore({"LPTSelection(0).Value = False", "PortSelected.Text = None"}).empty());
    EXPECT_TRUE(app.ui.LPTSelection[0].selected());
    EXPECT_EQ(app.board.DataPort, 0x378);
    // No button and a card's base: that base. No button and one of the three
    // ports: the file contradicts itself.
    EXPECT_TRUE(Restore({"LPTSelection(0).Value = False", "PortSelected.Text = D010h"}).empty());
    EXPECT_EQ(app.board.DataPort, 0xD010);
    EXPECT_EQ(app.ui.PortSelected.caption, "D010h");
    EXPECT_FALSE(app.ui.LPTSelection[0].selected() || app.ui.LPTSelection[1].selected() ||
                 app.ui.LPTSelection[2].selected());
    ExpectRefused({"LPTSelection(0).Value = False", "PortSelected.Text = 278h"},
                  "lines 10 to 12: no LPTSelection(n).Value is True - PortSelected.Text = 278h "
                  "names a port one of them stands for");
    EXPECT_EQ(app.board.DataPort, 0xD010);
}

TEST_F(Mend, CodeFileThatNoLongerExistsKeepsTheBufferAndItsName) {
    WriteBytes(rig.dir / "old.bin", "old");
    rig.dialogs.fileAnswers.push_back((rig.dir / "old.bin").string());
    Fire(app.ui.mnuFileOpenCode.onClick);
    const std::string gone = (rig.dir / "gone.bin").string();
    const std::string label = app.ui.FileNameCodeText.caption;

    ExpectRefused({"sFILE = " + gone, "Slider1.Value = 12"},
                  "line 2: the code file " + gone + " no longer exists - not loaded");
    EXPECT_EQ(app.buf.CodeFileName, (rig.dir / "old.bin").string());
    EXPECT_EQ(app.ui.FileNameCodeText.caption, label);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'o');
    EXPECT_EQ(app.ui.speedSlider.value, 18);
    EXPECT_NE(rig.dialogs.boxes[0].text.find(gone), std::string::npos);
}

// A code file that is there but will not load is met after the controls are set:
// the restore says so, once, and never that the setup was restored.
TEST_F(Mend, CodeFileTooBigGivesStillOneBoxForTheWholeRestore) {
    const auto big = rig.dir / "big.bin";
    WriteBytes(big, "x");
    fs::resize_file(big, 2100002);
    EXPECT_TRUE(Restore({"sFILE = " + big.string(), "Slider1.Value = 12"}).empty());
    ExpectOneBoxNaming("Can't Open Code File " + big.string() + ": Bigger than 2100001 Bytes");
    EXPECT_NE(rig.dialogs.boxes[0].text.find("was not restored completely"), std::string::npos);
    const auto lines = rig.LogLines();
    EXPECT_EQ(lines[lines.size() - 2],
              "Setup QBSetup1.INI restored but for its code file, which was not loaded");
    for (const auto& line : lines)
        EXPECT_EQ(line.find("SETUP RESTORED"), std::string::npos) << line;
    EXPECT_EQ(app.ui.speedSlider.value, 12);
    EXPECT_EQ(app.buf.CodeBufferLoaded, 0);
    EXPECT_EQ(app.buf.CodeFileName, "");
}

TEST_F(Mend, EachKeyMustBeThereExactlyOnce) {
    const std::vector<std::string> saved = SavedLines();
    ASSERT_EQ(saved.size(), 19u);
    WriteWork("QBSetup1.INI", CrLfLines(saved));
    EXPECT_TRUE(LoadSetupRot(app, "QBSetup1.INI").complete());
    for (std::size_t k = 0; k < saved.size(); ++k) {
        const std::string number = std::to_string(k + 1);
        const std::string key = saved[k].substr(0, saved[k].find(" = ") + 3);
        SCOPED_TRACE(key);
        // Left out.
        std::vector<std::string> lines = saved;
        lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(k));
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        SetupRestore r = LoadSetupRot(app, "QBSetup1.INI");
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0],
                  "Setup QBSetup1.INI, line " + number + ": the " + key + "line is missing");
        // Given twice: the second is named, and nothing is set.
        lines = saved;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(k) + 1, saved[k]);
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        r = LoadSetupRot(app, "QBSetup1.INI");
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0], "Setup QBSetup1.INI, line " + std::to_string(k + 2) + ": " +
                                     saved[k] + " - " + SetupKeys()[k].control +
                                     " was set on line " + number + " already");
        // Misspelt: not a setup line, and its key missing.
        lines = saved;
        lines[k].insert(key.find('.') == std::string::npos ? 1 : key.find('.') + 3, "x");
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        r = LoadSetupRot(app, "QBSetup1.INI");
        ASSERT_EQ(r.problems.size(), 2u);
        EXPECT_EQ(r.problems[0], "Setup QBSetup1.INI, line " + number + ": " + lines[k] +
                                     " - not a setup line (a misspelt key?)");
        EXPECT_NE(r.problems[1].find("line is missing"), std::string::npos);
    }
}

TEST_F(Mend, AFileWithoutAnySetupLineRestoresNothing) {
    const auto random = sim::RandomContents(2000, 4);
    for (const std::string& text :
         {std::string(), std::string("\r\n\r\n"), std::string("[Settings]\nkey=value\n"),
          std::string(random.begin(), random.end())}) {
        rig.dialogs.boxes.clear();
        WriteWork("QBSetup1.INI", text);
        const std::string before = Snapshot();
        const SetupRestore r = LoadSetupRot(app, "QBSetup1.INI");
        EXPECT_EQ(r.problems, std::vector<std::string>{
                                  "Setup QBSetup1.INI holds no setup line - nothing restored"});
        EXPECT_EQ(Snapshot(), before);
        ExpectOneBoxNaming("nothing restored");
        EXPECT_NE(rig.LogLines().back().find(">>>"), std::string::npos); // and not "RESTORED"
    }
}

TEST_F(Mend, SaveThatCannotBeWrittenLeavesTheOldSlotFileIntact) {
    const std::string old = CrLfLines({"SetupName = keep me", "Device.Index = 3"});
    WriteWork("QBSetup1.INI", old);
    rig.dialogs.inputAnswers.push_back("new");
    {
        NoRoomForFiles full; // a full disk, even for root
        Fire(app.ui.SaveSetup1.onClick);
    }
    EXPECT_EQ(ReadWork("QBSetup1.INI"), old);
    ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
    EXPECT_NE(rig.dialogs.boxes[0].text.find("Could not save the setup to QBSetup1.INI"),
              std::string::npos);
    for (const auto& line : rig.LogLines())
        EXPECT_EQ(line.find("Setup Saved as"), std::string::npos);
    std::size_t files = 0; // and no temporary file left behind
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(app.svc.workFolder))
        ++files;
    EXPECT_EQ(files, 1u);
}

TEST_F(Mend, PipeInPlaceOfASlotFileIsNeitherWaitedOnNorWrittenInto) {
    ASSERT_EQ(::mkfifo(Work("QBSetup2.INI").c_str(), 0600), 0);
    Fire(app.ui.Setup.onClick); // must not wait for a writer
    EXPECT_EQ(app.ui.LoadSetup2.caption, "Load Setup #&2");
    const std::string before = Snapshot();
    Fire(app.ui.LoadSetup2.onClick);
    EXPECT_EQ(Snapshot(), before);
    rig.dialogs.inputAnswers.push_back("x");
    Fire(app.ui.SaveSetup2.onClick);
    EXPECT_EQ(rig.dialogs.boxes.size(), 2u); // the refused load, the refused save
    EXPECT_TRUE(fs::is_fifo(Work("QBSetup2.INI")));
}

} // namespace
} // namespace quorbit::test
