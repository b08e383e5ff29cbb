// A setup file that is missing, unreadable or holds garbage: each bad line is
// reported with its file and line number, leaves its control as it was, and the
// operator gets one message box for the whole restore.
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <sys/stat.h>

#include <csignal>
#include <filesystem>
#include <sstream>

#include "app/SafeFile.h"
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

struct Mend : ::testing::Test, SetupRig {
    Mend() {
        SetListIndex(app.ui.Device, 11); // Eprom 27C256, 12.5 V only
        rig.ClearLog();
    }
    /// Restores slot 1 holding only the lines given and returns the problem log
    /// lines about them (the lines left out are reported as missing besides).
    std::vector<std::string> Restore(const std::vector<std::string>& lines) {
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        rig.ClearLog();
        Fire(app.ui.LoadSetup1.onClick);
        std::vector<std::string> problems;
        for (const auto& line : rig.LogLines())
            if (line.rfind("Setup QBSetup1.INI", 0) == 0 &&
                line.find("line is missing") == std::string::npos)
                problems.push_back(line);
        return problems;
    }
    void ExpectOneBoxNaming(const std::string& text) {
        ASSERT_EQ(rig.dialogs.boxes.size(), 1u);
        EXPECT_EQ(rig.dialogs.boxes[0].icon, MsgIcon::Exclamation);
        EXPECT_NE(rig.dialogs.boxes[0].text.find(text), std::string::npos)
            << rig.dialogs.boxes[0].text;
    }
};

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

TEST_F(Mend, ValuesThatAreNotTrueFalseOrANumberLeaveOnlyTheirControl) {
    const auto problems =
        Restore({"SetupName = bad", "Device.Index = eleven", "HiLow_button(0).Value = False",
                 "HiLow_button(1).Value = yes", "HiLow_button(2).Value = TRUE",
                 "Slider1.Value = fast", "CheckBlankPriorProgramming.Value = 1.0",
                 "VerifyAfterProgramming.Value = on", "CheckCode.Value = "});
    EXPECT_EQ(problems, (std::vector<std::string>{
                            "Setup QBSetup1.INI, line 2: Device.Index = eleven - not a number; "
                            "Device left as it was",
                            "Setup QBSetup1.INI, line 4: HiLow_button(1).Value = yes - neither "
                            "True nor False; HiLow_button(1) left as it was",
                            "Setup QBSetup1.INI, line 6: Slider1.Value = fast - not a number; "
                            "Slider1 left as it was",
                            "Setup QBSetup1.INI, line 8: VerifyAfterProgramming.Value = on - not "
                            "a number; VerifyAfterProgramming left as it was",
                            "Setup QBSetup1.INI, line 9: CheckCode.Value =  - not a number; "
                            "CheckCode left as it was"}));
    EXPECT_EQ(app.dev.DeviceName, "Eprom 27C256");
    EXPECT_TRUE(app.ui.HiLow_button[2].selected()); // good lines around the bad ones apply
    EXPECT_EQ(app.ui.Slider1.value, 18);
    EXPECT_EQ(app.ui.CheckBlankPriorProgramming.value, 1);
    EXPECT_EQ(app.ui.VerifyAfterProgramming.value, 0);
    EXPECT_EQ(app.ui.CheckCode.value, 1);
    ExpectOneBoxNaming("line 9");
    EXPECT_EQ(rig.LogLines().back(), ">>>>>>>>>>>>");
}

TEST_F(Mend, DeviceIndexOutsideTheCatalogOrOnAnNARowKeepsTheDevice) {
    for (const std::string index : {"41", "-2", "0", "22", "24.4"}) {
        SCOPED_TRACE(index);
        rig.dialogs.boxes.clear();
        const std::string before = Snapshot();
        const auto problems = Restore({"Device.Index = " + index});
        ASSERT_EQ(problems.size(), 1u);
        EXPECT_NE(problems[0].find("line 1: Device.Index = " + index), std::string::npos);
        EXPECT_EQ(Snapshot(), before);
        EXPECT_EQ(app.ui.Device.listIndex, 11);
        EXPECT_EQ(rig.dialogs.boxes.size(), 1u);
    }
    // A number with a fraction is taken to the nearest entry.
    EXPECT_TRUE(Restore({"Device.Index = 24.6"}).empty());
    EXPECT_EQ(app.dev.DeviceName, "Flash AMD AM29F010");
}

TEST_F(Mend, SetupWithoutADeviceLeavesTheChosenOneInForce) {
    // Saved before any device was chosen, with the port the fixture has.
    WriteWork("QBSetup1.INI", SavedSetupText([](App&) {}));
    const auto before = app.dev;
    rig.ClearLog();
    Fire(app.ui.LoadSetup1.onClick);
    EXPECT_EQ(app.ui.Device.listIndex, 11);
    EXPECT_EQ(app.dev.DeviceName, before.DeviceName);
    EXPECT_EQ(app.dev.DeviceSize, before.DeviceSize);
    EXPECT_TRUE(rig.dialogs.boxes.empty());
}

TEST_F(Mend, NumbersOutsideTheControlsRangeAreRefused) {
    for (const auto& [line, range] :
         {std::pair<std::string, std::string>{"Slider1.Value = 21", "outside 1 to 20"},
          {"Slider1.Value = 0", "outside 1 to 20"},
          {"CheckData.Value = 3", "outside 0 to 2"},
          {"CheckBlankPriorProgramming.Value = -1", "outside 0 to 2"}}) {
        const auto problems = Restore({line});
        ASSERT_EQ(problems.size(), 1u) << line;
        EXPECT_NE(problems[0].find(range), std::string::npos) << problems[0];
    }
    EXPECT_EQ(app.ui.Slider1.value, 18);
    EXPECT_EQ(app.ui.CheckData.value, 0);
    EXPECT_EQ(app.ui.CheckBlankPriorProgramming.value, 0);
}

TEST_F(Mend, AVoltageTheDeviceDoesNotOfferIsNotSwitchedOn) {
    // Device line spoilt: the 27C256 (12.5 V only) stays, and the 25 V of the
    // 27256 the setup was meant for must not reach it.
    const auto problems = Restore(
        {"Device.Index = 1O", "Voltage_button(1).Value = False", "Voltage_button(3).Value = True"});
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_EQ(problems[1], "Setup QBSetup1.INI, line 3: Voltage_button(3).Value = True - the 25V "
                           "option is not offered for the device chosen; Voltage_button(3) left "
                           "as it was");
    EXPECT_FALSE(app.ui.Voltage_button[3].selected());
    EXPECT_EQ(app.dev.VppVolts, 12);
}

TEST_F(Mend, CodeFileThatNoLongerExistsKeepsTheBufferAndItsName) {
    WriteBytes(rig.dir / "old.bin", "old");
    rig.dialogs.fileAnswers.push_back((rig.dir / "old.bin").string());
    Fire(app.ui.mnuFileOpenCode.onClick);
    const std::string gone = (rig.dir / "gone.bin").string();
    const std::string label = app.ui.FileNameCodeText.caption;

    const auto problems = Restore({"SetupName = x", "sFILE = " + gone, "Slider1.Value = 12"});
    EXPECT_EQ(problems, std::vector<std::string>{"Setup QBSetup1.INI, line 2: the code file " +
                                                 gone + " no longer exists - not loaded"});
    EXPECT_EQ(app.buf.CodeFileName, (rig.dir / "old.bin").string());
    EXPECT_EQ(app.ui.FileNameCodeText.caption, label);
    EXPECT_EQ(app.buf.CodeBuffer[0], 'o');
    EXPECT_EQ(app.ui.Slider1.value, 12);
    ExpectOneBoxNaming(gone);
}

TEST_F(Mend, CodeFileTooBigGivesStillOneBoxForTheWholeRestore) {
    const auto big = rig.dir / "big.bin";
    WriteBytes(big, "x");
    fs::resize_file(big, 2100002);
    const auto problems = Restore({"sFILE = " + big.string(), "Slider1.Value = x"});
    EXPECT_EQ(problems.size(), 1u); // the slider; the size refusal logs its own line
    ExpectOneBoxNaming("Can't Open Code File " + big.string() + ": Bigger than 2100001 Bytes");
    EXPECT_NE(rig.dialogs.boxes[0].text.find("line 2"), std::string::npos);
    EXPECT_EQ(app.buf.CodeBufferLoaded, 0);
    EXPECT_EQ(app.buf.CodeFileName, "");
}

/// The lines of a setup the program saved from the fixture's state.
std::vector<std::string> SavedLines() {
    std::vector<std::string> lines;
    std::istringstream in(SavedSetupText([](App& a) { SetListIndex(a.ui.Device, 11); }));
    for (std::string line; std::getline(in, line);)
        lines.push_back(line.substr(0, line.size() - 1)); // without the CR
    return lines;
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
        EXPECT_EQ(r.problems[0].rfind(
                      "Setup QBSetup1.INI, line " + number + ": the " + key + "line is missing", 0),
                  0u)
            << r.problems[0];
        // Given twice: the second is refused, the first applies.
        lines = saved;
        lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(k) + 1, saved[k]);
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        r = LoadSetupRot(app, "QBSetup1.INI");
        ASSERT_EQ(r.problems.size(), 1u);
        EXPECT_EQ(r.problems[0], "Setup QBSetup1.INI, line " + std::to_string(k + 2) + ": " +
                                     saved[k] + " - " + SetupKeys()[k].control +
                                     " was set on line " + number + " already; ignored");
        // Misspelt: not a setup line, and its key missing.
        lines = saved;
        lines[k].insert(key.find('.') == std::string::npos ? 1 : key.find('.') + 3, "x");
        WriteWork("QBSetup1.INI", CrLfLines(lines));
        r = LoadSetupRot(app, "QBSetup1.INI");
        ASSERT_EQ(r.problems.size(), 2u);
        EXPECT_EQ(r.problems[0], "Setup QBSetup1.INI, line " + number + ": " + lines[k] +
                                     " - not a setup line (a misspelt key?); ignored");
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
