// Parallel cards at bases other than the three printer ports: parsing, the
// operator's choice, the port file, and finding the card's parport device.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <string>
#include <vector>

#include "Fakes.h"
#include "PropertyCheck.h"
#include "app/TextFile.h"
#include "hw/backends/PpdevPort.h"
#include "link/Detection.h"
#include "link/PortBase.h"
#include "link/PortFile.h"
#include "session/Startup.h"

namespace quorbit::test {
namespace {

using ::testing::Contains;

TEST(PortBase, AnyBaseFrom100hToFFF8hIsAcceptedAsTheOperatorTypesIt) {
    // A number in hex, any letter case, bare or with 0x before or h after it.
    CheckProperty(500, [] {
        const auto value = *rc::gen::inRange<std::uint32_t>(0, 0x20000);
        const auto form = *rc::gen::inRange(0, 5);
        std::string digits = Hex(value);
        for (char& c : digits)
            if (*rc::gen::arbitrary<bool>()) c = static_cast<char>(std::tolower(c));
        const char* before[] = {"", "0x", "0X", "", ""};
        const char* after[] = {"", "", "", "h", "H"};
        const std::string text = before[form] + digits + after[form];
        std::uint16_t port = 0;
        const bool base = value >= 0x100 && value <= 0xFFF8;
        RC_ASSERT(ParseBasePort(text, port) == base);
        if (base) RC_ASSERT(port == value);
        // One character that is no hex digit anywhere in it, and it is refused.
        const auto at = *rc::gen::inRange<std::size_t>(0, text.size() + 1);
        const char bad = *rc::gen::element('G', 'O', 'x', ' ', '-', '.');
        RC_ASSERT(!ParseBasePort(text.substr(0, at) + bad + text.substr(at), port));
    });
    std::uint16_t port = 0;
    for (const char* text : {"", "0x", "h", "0x378h", "-378"})
        EXPECT_FALSE(ParseBasePort(text, port)) << text;
}

TEST(PortBase, CardBaseIsChosenFoundAndRememberedInThePortFile) {
    Rig rig(6, 0xD100);
    App& app = *rig.app;
    app.RunGuarded(Form_Load); // scans the three standard ports: nothing there
    rig.ClearLog();
    ChoosePortBase(app, 0xD100);
    EXPECT_EQ(app.ui.PortSelected.caption, "D100h");
    EXPECT_EQ(app.board.ControlPort, 0xD102);
    for (const auto& option : app.ui.LPTSelection)
        EXPECT_EQ(option.value, 0);
    app.RunGuarded(ProbePortBase);
    EXPECT_EQ(app.board.BoardModel, 6);
    EXPECT_THAT(rig.LogLines(), Contains("QUORBIT-6 Device was FOUND at Port: D100"));
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "MODEL 6 - PC port D100h");

    // The next start reads the card's base from the file and shows it chosen.
    Rig again(6, 0xD100);
    again.app->svc.portFileFolder = app.svc.portFileFolder;
    again.app->RunGuarded(Form_Load);
    EXPECT_EQ(again.app->board.DataPort, 0xD100);
    EXPECT_EQ(again.app->ui.PortSelected.caption, "D100h");
    EXPECT_EQ(again.app->board.BoardModel, 6);
}

TEST(PortBase, ABaseTypedInThePortBoxIsChosenAndAnythingElseIsRefused) {
    Rig rig(6, 0x378);
    App& app = *rig.app;
    app.RunGuarded(Form_Load);
    ASSERT_EQ(app.ui.PortSelected.caption, "378h");
    rig.ClearLog();
    auto type = [&](const std::string& text) {
        app.ui.PortSelected.caption = text;
        Fire(app.ui.PortSelected.onCommit);
    };
    type("d100");
    EXPECT_EQ(app.ui.PortSelected.caption, "D100h");
    EXPECT_EQ(app.board.DataPort, 0xD100);
    EXPECT_EQ(app.ui.LPTSelection[0].value, 0);
    EXPECT_THAT(rig.LogLines(), Contains("Port Selection changed to D100h"));
    EXPECT_THAT(rig.LogLines(), Contains("Can't Locate Quorbit Board at Port D100h."));
    EXPECT_EQ(app.board.BoardModel, 0) << "the board is at 378h, not on a card";

    for (const char* bad : {"FF", "LPT1", "", "FFFF"}) {
        rig.ClearLog();
        type(bad);
        EXPECT_EQ(app.board.DataPort, 0xD100) << bad;
        EXPECT_EQ(app.ui.PortSelected.caption, "D100h") << bad;
        EXPECT_THAT(rig.LogLines(),
                    Contains("Port base \"" + std::string(bad) +
                             "\" is not valid - type 378, 278, 3BC or a card's base from 100h to "
                             "FFF8h"));
    }
    // A standard base typed selects its button, as clicking it does, and the board
    // panel tells what is found there: nothing at 278h, the board again at 378h.
    rig.ClearLog();
    type("278");
    EXPECT_EQ(rig.LogLines(),
              (std::vector<std::string>{"Port Selection changed to 278h", "Port 278 Not Responding",
                                        "Can't Locate Quorbit Board at Port 278h."}));
    EXPECT_EQ(app.ui.LPTSelection[1].value, 1);
    EXPECT_EQ(app.ui.PortSelected.caption, "278h");
    EXPECT_EQ(app.board.DataPort, 0x278);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "NO HARDWARE FOUND");
    EXPECT_EQ(app.ui.readyLamp.caption, "NotReady");
    EXPECT_EQ(app.ui.readyLamp.foreColor, colour::Red);
    type("378");
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "MODEL 6 - PC port 378h");
    EXPECT_EQ(app.ui.readyLamp.caption, "Ready");
    EXPECT_EQ(app.board.BoardModel, 6);
}

TEST(PortBase, ABoardOnACardIsFoundByTypingItsBase) {
    Rig rig(5, 0xE800);
    App& app = *rig.app;
    app.RunGuarded(Form_Load);
    ASSERT_EQ(app.board.BoardModel, 0);
    app.ui.PortSelected.caption = "E800h";
    Fire(app.ui.PortSelected.onCommit);
    EXPECT_EQ(app.board.BoardModel, 5);
    EXPECT_EQ(app.ui.QuorbitHardwareFound.caption, "MODEL 5 - PC port E800h");
}

TEST(PortBase, NoBoardAtTheChosenBaseIsSaid) {
    Rig rig(6, 0x378);
    App& app = *rig.app;
    app.RunGuarded(Form_Load);
    rig.ClearLog();
    ChoosePortBase(app, 0xE800);
    app.RunGuarded(ProbePortBase);
    EXPECT_EQ(app.board.BoardModel, 0);
    EXPECT_THAT(rig.LogLines(), Contains("Can't Locate Quorbit Board at Port E800h."));
}

TEST(PortBase, ParportBasesAreReadFromTheKernelsList) {
    TempDir dir;
    auto add = [&dir](const std::string& name, const std::string& text) {
        std::filesystem::create_directories(dir / name);
        WriteBytes(dir / name / "base-addr", text);
    };
    add("parport1", "53504\t53512\n"); // D100h
    add("parport0", "888\t1912\n");    // 378h
    add("parport2", "garbage\n");
    add("default", "888\n");
    const auto found = ParportBases(dir.path().string());
    ASSERT_EQ(found.size(), 2u);
    EXPECT_EQ(found[0].base, 0x378);
    EXPECT_EQ(found[0].device, "/dev/parport0");
    EXPECT_EQ(found[1].base, 0xD100);
    EXPECT_EQ(found[1].device, "/dev/parport1");
    EXPECT_TRUE(ParportBases((dir / "missing").string()).empty());
}

} // namespace
} // namespace quorbit::test
