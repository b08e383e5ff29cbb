// The main window as the operator meets it: start-up state, forwarding of
// clicks to the core, the error alert, saving the log, the screenshot.
#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <filesystem>

#include "WindowRig.h"
#include "catalog/Catalog.h"
#include "gui/Widgets.h"

namespace quorbit::test {
namespace {

using gui::ClickableLabel;

TEST(MainWindowStartUp, ShowsEveryControlInItsStartState) {
    WindowRig w(0); // no board on any port
    w.window->Load();
    gui::MainWindow& win = *w.window;

    EXPECT_EQ(win.windowTitle().toStdString(), w.app().ui.Caption);
    EXPECT_EQ(w.Get<QLabel>("QuorbitHardwareFound")->text(), "NO HARDWARE FOUND");
    EXPECT_EQ(w.TextColour("QuorbitHardwareFound"), QColor(255, 0, 0));
    EXPECT_EQ(w.Get<QLabel>("Ready_label")->text(), "NotReady");
    EXPECT_EQ(w.TextColour("Ready_label"), QColor(255, 0, 0));
    EXPECT_EQ(w.Get<QLineEdit>("PortSelected")->text(), "None");
    for (const char* name : {"LPTSelection(0)", "LPTSelection(1)", "LPTSelection(2)"})
        EXPECT_FALSE(w.Get<QRadioButton>(name)->isChecked()) << name;
    EXPECT_TRUE(w.Get<QRadioButton>("HiLow_button(0)")->isChecked());

    for (const char* name : {"Read_button", "Blank_button", "Display_button", "Program_button",
                             "Verify_button", "Erase_button", "EraseFlash_button", "Show_button"})
        EXPECT_FALSE(w.Get(name)->isEnabled()) << name;
    EXPECT_TRUE(w.Get("TestHardware_button")->isEnabled());
    EXPECT_TRUE(w.Get("Command1")->isEnabled());
    EXPECT_EQ(w.Get<QPushButton>("TestHardware_button")->toolTip(), "Test Communication LPT port");
    EXPECT_EQ(w.Get<QPushButton>("Erase_button")->toolTip(), "Erase Buffer to all \"FF\"");

    for (const char* name : {"FrameVoltageSelection", "Frame5", "FileNameDataLabel",
                             "FileNameDataText", "FileNameDataSize"})
        EXPECT_TRUE(w.Get(name)->isHidden()) << name;
    EXPECT_FALSE(w.Get("PleaseSelect")->isHidden());
    EXPECT_EQ(w.Get<QLabel>("FileNameCodeText")->text(), "Click To Select a File");

    auto* slider = w.Get<QSlider>("Slider1");
    EXPECT_EQ(slider->minimum(), 1);
    EXPECT_EQ(slider->maximum(), 20);
    EXPECT_EQ(slider->value(), 18);
    EXPECT_EQ(w.Get<QProgressBar>("ProgressBar1")->value(), 0);
    EXPECT_EQ(w.Get<QProgressBar>("ProgressBar1")->maximum(), 100);

    auto* device = w.Get<QComboBox>("Device");
    EXPECT_EQ(device->count(), CatalogRowCount() + 1);
    EXPECT_EQ(device->currentIndex(), -1);
    EXPECT_EQ(device->placeholderText(), "Please Select Device on this List");

    // The log is empty once start-up has run, whatever the hardware test wrote.
    EXPECT_TRUE(w.Get<QPlainTextEdit>("SystemLog")->toPlainText().isEmpty());
    EXPECT_EQ(w.rig.sound.played.size(), 1u);
    EXPECT_EQ(std::filesystem::path(w.rig.sound.played.at(0)).filename(), "init.wav");

    EXPECT_EQ(w.Get<QLabel>("sbStatusBar(1)")->text(), "Status");
    EXPECT_EQ(w.Get<QLabel>("PortPanel")->text(), "Port: simulated port with no board attached");
    EXPECT_EQ(w.Get<QLabel>("sbStatusBar(2)")->text(), "12-08-2026");
    EXPECT_EQ(w.Get<QLabel>("sbStatusBar(3)")->text(), "09:05:07");
}

TEST(MainWindowStartUp, MenusAndToolBarStartAsTheModelSays) {
    WindowRig w;
    w.window->Load();
    gui::MainWindow& win = *w.window;
    QStringList menus;
    for (QAction* top : win.menuBar()->actions())
        menus << top->text();
    EXPECT_EQ(menus, QStringList({"&File", "&Tools", "&Command", "&Setup", "&Help"}));

    EXPECT_TRUE(win.ControlAction("mnuFileOpenCode")->isEnabled());
    EXPECT_FALSE(win.ControlAction("mnuFileSaveCode")->isEnabled());
    EXPECT_FALSE(win.ControlAction("LoadSetup1")->isEnabled());
    EXPECT_TRUE(win.ControlAction("SaveSetup4")->isEnabled());
    EXPECT_EQ(win.ControlAction("SaveSetup4")->text(), "Save Setup #&4");
    EXPECT_TRUE(win.ControlAction("menuTestHardware")->isEnabled());
    EXPECT_FALSE(win.ControlAction("menuReadCode")->isEnabled());
    EXPECT_EQ(win.ControlAction("menuEraseCode")->text(), "Erase CODE Buffer (\"FF\") ");

    // Tool bar: Open and Save Code shown, Save disabled; the data buttons hidden.
    EXPECT_TRUE(win.ControlAction("tbToolBar(1)")->isEnabled());
    EXPECT_EQ(win.ControlAction("tbToolBar(1)")->toolTip(), "Open File into Code Buffer (Ctrl+O)");
    EXPECT_FALSE(win.ControlAction("tbToolBar(2)")->isEnabled());
    for (const char* name : {"tbToolBar(3)", "tbToolBar(4)", "tbToolBar(5)"})
        EXPECT_FALSE(win.ControlAction(name)->isVisible()) << name;
}

TEST(MainWindowKeys, EachKeyRunsItsCommandAndIsShownWhereTheCommandIs) {
    WindowRig w;
    w.window->Load();
    w.Show();
    const std::pair<const char*, QKeySequence> keys[] = {
        {"mnuFileOpenCode", QKeySequence(Qt::CTRL | Qt::Key_O)},
        {"mnuFileSaveCode", QKeySequence(Qt::CTRL | Qt::Key_S)},
        {"mnuFileSaveCodeAs", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {"mnuFileExit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"mnuHelpContents", QKeySequence(Qt::Key_F1)},
        {"menuNextDifference", QKeySequence(Qt::Key_F3)},
        {"menuPreviousDifference", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
        {"menuDisplayCode", QKeySequence(Qt::Key_F4)},
        {"menuReadCode", QKeySequence(Qt::Key_F5)},
        {"menuBlankCheck", QKeySequence(Qt::Key_F6)},
        {"menuVerifyCode", QKeySequence(Qt::Key_F7)},
        {"menuProgramCode", QKeySequence(Qt::Key_F8)},
        {"menuEraseFlash", QKeySequence(Qt::Key_F9)},
    };
    for (const auto& [name, key] : keys) {
        SCOPED_TRACE(name);
        Control& item = *w.app().ui.Find(name);
        int runs = 0;
        item.onClick = [&runs] { ++runs; };
        item.enabled = true;
        w.window->Sync();
        EXPECT_EQ(w.window->ControlAction(name)->shortcut(), key); // shown in the menu
        const QKeyCombination combination = key[0];
        QTest::keyClick(w.window.get(), combination.key(), combination.keyboardModifiers());
        EXPECT_EQ(runs, 1);
    }
    // The buttons of the same commands name their keys, and have Alt letters.
    EXPECT_EQ(w.Get<QPushButton>("Read_button")->toolTip(), "Read Whole Device to Buffer (F5)");
    EXPECT_EQ(w.Get<QPushButton>("Read_button")->text(), "&Read ");
    EXPECT_EQ(w.Get<QPushButton>("EraseFlash_button")->text(), "Erase Ch&ip");
}

TEST(MainWindowKeys, TabGoesFromOptionGroupToOptionGroupAndTheArrowsChooseWithinOne) {
    WindowRig w;
    w.window->Load();
    w.Show();
    auto* both = w.Get<QRadioButton>("HiLow_button(0)");
    auto* hi = w.Get<QRadioButton>("HiLow_button(1)");
    ASSERT_TRUE(both->isChecked());
    // The chosen option is the group's one Tab stop.
    EXPECT_TRUE(both->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(hi->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(w.Get("HiLow_button(2)")->focusPolicy() & Qt::TabFocus);
    both->setFocus();
    QTest::keyClick(both, Qt::Key_Right);
    EXPECT_TRUE(w.app().ui.byteChoiceButtons[1].selected());
    EXPECT_TRUE(hi->hasFocus());
    EXPECT_TRUE(hi->focusPolicy() & Qt::TabFocus);
    EXPECT_FALSE(both->focusPolicy() & Qt::TabFocus);
    // Tab leaves the group for the next control in reading order.
    QTest::keyClick(hi, Qt::Key_Tab);
    QWidget* next = QApplication::focusWidget();
    ASSERT_NE(next, nullptr);
    EXPECT_FALSE(next->objectName().startsWith("HiLow_button")) << next->objectName().toStdString();
}

TEST(MainWindowStartUp, EveryControlOfTheModelHasItsWidget) {
    WindowRig w;
    for (Control* control : w.app().ui.All()) {
        const bool action =
            control->kind == ControlKind::MenuItem || control->kind == ControlKind::ToolButton;
        if (action)
            EXPECT_NE(w.window->ControlAction(control->name), nullptr) << control->name;
        else
            EXPECT_NE(w.window->ControlWidget(control->name), nullptr) << control->name;
    }
}

TEST(MainWindowHardware, TestPortFindsTheSimulatedBoard) {
    WindowRig w; // a QUORBIT-6 at 378h
    w.window->Load();
    w.window->ControlAction("ForceQuorbit4")->trigger();
    EXPECT_EQ(w.Get<QLabel>("QuorbitHardwareFound")->text(), "Operator Forced Model 4");
    EXPECT_EQ(w.TextColour("QuorbitHardwareFound"), QColor(255, 0, 0));

    QTest::mouseClick(w.Get<QPushButton>("TestHardware_button"), Qt::LeftButton);

    EXPECT_EQ(w.Get<QLabel>("QuorbitHardwareFound")->text(), "MODEL 6 - PC port 378h");
    EXPECT_EQ(w.TextColour("QuorbitHardwareFound"), SystemColour(QPalette::ButtonText));
    EXPECT_EQ(w.Get<QLabel>("Ready_label")->text(), "Ready");
    EXPECT_EQ(w.TextColour("Ready_label"), QColor(0, 128, 0));
    EXPECT_TRUE(w.Get<QRadioButton>("LPTSelection(0)")->isChecked());
    EXPECT_EQ(w.Get<QLineEdit>("PortSelected")->text(), "378h");
    EXPECT_TRUE(w.Get<QPlainTextEdit>("SystemLog")
                    ->toPlainText()
                    .contains("QUORBIT-6 Device was FOUND at Port: 378"));
}

TEST(MainWindowHardware, ACardBaseTypedInThePortBoxIsChosen) {
    WindowRig w;
    w.window->Load();
    auto* box = w.Get<QLineEdit>("PortSelected");
    ASSERT_FALSE(box->isReadOnly());
    box->selectAll();
    QTest::keyClicks(box, "e800");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(w.app().board.DataPort, 0xE800);
    EXPECT_EQ(box->text(), "E800h");
    EXPECT_FALSE(w.Get<QRadioButton>("LPTSelection(0)")->isChecked());

    box->selectAll();
    QTest::keyClicks(box, "nonsense");
    QTest::keyClick(box, Qt::Key_Return);
    EXPECT_EQ(w.app().board.DataPort, 0xE800);
    EXPECT_EQ(box->text(), "E800h") << "the box shows the port in use again";
    EXPECT_TRUE(w.Get<QPlainTextEdit>("SystemLog")
                    ->toPlainText()
                    .contains("Port base \"nonsense\" is not valid"));
}

TEST(MainWindowHardware, PortOptionClickGoesToTheCoreAndClearsTheOthers) {
    WindowRig w;
    w.window->Load();
    ASSERT_TRUE(w.Get<QRadioButton>("LPTSelection(0)")->isChecked());
    QTest::mouseClick(w.Get<QRadioButton>("LPTSelection(1)"), Qt::LeftButton);
    EXPECT_EQ(w.app().ui.LPTSelection[1].value, 1);
    EXPECT_FALSE(w.Get<QRadioButton>("LPTSelection(0)")->isChecked());
    EXPECT_TRUE(w.Get<QRadioButton>("LPTSelection(1)")->isChecked());
    EXPECT_EQ(w.Get<QLineEdit>("PortSelected")->text(), "278h");
    EXPECT_EQ(w.app().board.DataPort, 0x278);
    EXPECT_EQ(w.rig.LogLines().back(), "Port Selection changed to 278h");

    // A second click on the chosen button changes nothing and logs nothing.
    const std::size_t lines = w.rig.LogLines().size();
    QTest::mouseClick(w.Get<QRadioButton>("LPTSelection(1)"), Qt::LeftButton);
    EXPECT_TRUE(w.Get<QRadioButton>("LPTSelection(1)")->isChecked());
    EXPECT_EQ(w.rig.LogLines().size(), lines);
}

TEST(MainWindowForwarding, SliderListAndCheckBoxReachTheModel) {
    WindowRig w;
    w.window->Load();
    int changes = 0;
    w.app().ui.speedSlider.onChange = [&changes] { ++changes; };
    auto* slider = w.Get<QSlider>("Slider1");
    slider->triggerAction(QAbstractSlider::SliderSingleStepSub);
    EXPECT_EQ(w.app().ui.speedSlider.value, 17);
    EXPECT_EQ(changes, 1);
    // Showing a value set by the core is not an operator's move.
    SetPosition(w.app().ui.speedSlider, 5);
    EXPECT_EQ(changes, 2);
    w.window->Sync();
    EXPECT_EQ(slider->value(), 5);
    EXPECT_EQ(changes, 2);

    int picks = 0;
    w.app().ui.Device.onClick = [&picks] { ++picks; };
    auto* device = w.Get<QComboBox>("Device");
    emit device->activated(11);
    EXPECT_EQ(w.app().ui.Device.listIndex, 11);
    EXPECT_EQ(picks, 1);
    EXPECT_EQ(device->currentIndex(), 11);

    w.app().ui.codeCheck.enabled = true;
    w.window->Sync();
    QTest::mouseClick(w.Get<QCheckBox>("CheckCode"), Qt::LeftButton);
    EXPECT_EQ(w.app().ui.codeCheck.value, 1);
}

TEST(MainWindowAlert, ErrorLampClickClearsTheAlert) {
    WindowRig w;
    w.window->Load();
    w.app().ui.readButton.enabled = true;
    w.app().ui.verifyButton.enabled = true;
    w.window->Sync();

    // An operation that fails raises the alert.
    w.app().ui.openDisplayButton.onClick = [&w] { EnterErrorState(w.app()); };
    QTest::mouseClick(w.Get<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_EQ(w.TextColour("Error_label"), QColor(255, 0, 0));
    EXPECT_FALSE(w.Get("Read_button")->isEnabled());
    EXPECT_FALSE(w.Get("Verify_button")->isEnabled());

    QTest::mouseClick(w.Get<ClickableLabel>("Error_label"), Qt::LeftButton);
    EXPECT_EQ(w.TextColour("Error_label"), SystemColour(QPalette::Button));
    EXPECT_TRUE(w.Get("Read_button")->isEnabled());
    EXPECT_TRUE(w.Get("Verify_button")->isEnabled());
    EXPECT_FALSE(w.Get("Program_button")->isEnabled());
    EXPECT_EQ(w.rig.LogLines().back(), "Error Alert was Turned Off");

    // A click on the dark lamp does nothing.
    const std::size_t lines = w.rig.LogLines().size();
    QTest::mouseClick(w.Get<ClickableLabel>("Error_label"), Qt::LeftButton);
    EXPECT_EQ(w.rig.LogLines().size(), lines);
}

TEST(MainWindowRepaint, LampsAndProgressShowWithoutAnExplicitSync) {
    WindowRig w;
    w.window->Load();
    DataFlowLampOn(w.app());
    EXPECT_EQ(w.TextColour("DataFlow_label"), QColor(0, 128, 0));
    ProgramLampOn(w.app());
    EXPECT_EQ(w.TextColour("Program_label"), QColor(0, 128, 0));
    DataFlowLampOff(w.app());
    EXPECT_EQ(w.TextColour("DataFlow_label"), SystemColour(QPalette::Button));
    // The progress bar follows at the latest with the next lamp change.
    SetProgressValue(w.app(), 40);
    ProgramLampOff(w.app());
    EXPECT_EQ(w.Get<QProgressBar>("ProgressBar1")->value(), 40);
}

TEST(MainWindowLog, DoubleClickSavesTheLogInTheWorkingFolder) {
    WindowRig w;
    w.window->Load();
    LogMessage(w.app(), "First line");
    w.window->Sync();
    auto* log = w.Get<QPlainTextEdit>("SystemLog");
    EXPECT_TRUE(log->toPlainText().endsWith("09:05:07>  First line"));

    QTest::mouseDClick(log->viewport(), Qt::LeftButton);

    const auto file = w.rig.dir / "work" / "QUORBIT.LOG";
    ASSERT_TRUE(std::filesystem::exists(file));
    const std::string saved = ReadBytes(file);
    EXPECT_EQ(saved.rfind("QUORBIT SYSTEM LOG FILE - ", 0), 0u);
    EXPECT_NE(saved.find("\r\n09:05:07>  First line\r\n"), std::string::npos);
    EXPECT_TRUE(log->toPlainText().endsWith("System Log was Saved to QUORBIT.LOG file"));
}

TEST(MainWindowLog, NewLinesAreAppendedAndKeptInView) {
    WindowRig w;
    w.window->Load();
    auto* log = w.Get<QPlainTextEdit>("SystemLog");
    for (int i = 0; i < 40; ++i) {
        LogMessage(w.app(), "Line " + std::to_string(i));
        if (i % 7 == 0) w.window->Sync();
    }
    w.window->Sync();
    // Appended piece by piece, the box holds exactly the model's text.
    EXPECT_EQ(log->toPlainText(), gui::ToQText(w.app().ui.SystemLog.caption));
    EXPECT_TRUE(log->toPlainText().endsWith("Line 39"));
    EXPECT_EQ(log->textCursor().position(), log->document()->characterCount() - 1);
}

TEST(MainWindowClose, FileExitUnloadsTheCore) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    w.window->ControlAction("mnuFileExit")->trigger();
    EXPECT_TRUE(w.window->isVisible()); // the menu handler returns first
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.window->isVisible());
    EXPECT_TRUE(w.rig.settings.Get("Settings", "MainLeft").has_value());
}

TEST(MainWindowScreenshot, WritesTheStartUpWindow) {
    WindowRig w;
    w.window->Load();
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    const QString path = QStringLiteral(QUORBIT_GUI_SHOT_DIR "/frmMain.png");
    ASSERT_TRUE(w.window->grab().save(path));
    EXPECT_TRUE(std::filesystem::file_size(path.toStdString()) > 1000);
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

/// The window as it looks during work: a device chosen, options shown, a page
/// in the display, lamps lit, the log filled.
TEST(MainWindowScreenshot, WritesTheWindowAtWork) {
    WindowRig w;
    w.window->Load();
    auto& ui = w.app().ui;
    ui.PleaseSelect.visible = false;
    ui.voltageFrame.visible = ui.autoOperationsFrame.visible = true;
    ui.blankCheckFirstCheck.visible = ui.verifyAfterCheck.visible = true;
    ui.voltageButtons[1].enabled = true;
    SetOption(ui.VoltageGroup(), 1, true);
    ui.codeCheck.value = 1;
    ui.FileNameDataLabel.visible = ui.FileNameDataText.visible = ui.FileNameDataSize.visible = true;
    ui.FileNameCodeText.caption = "/HOME/OPERATOR/IMAGES/MONITOR.BIN";
    ui.FileNameCodeSize.caption = "(32768)"; // as a file load writes it
    for (Control* b : {&ui.readButton, &ui.blankButton, &ui.displayButton, &ui.programButton,
                       &ui.verifyButton, &ui.eraseBufferButton})
        b->enabled = true;
    std::string page;
    for (int line = 0; line < 16; ++line) {
        char text[80];
        std::snprintf(text, sizeof text,
                      "%06X| 00112233 44556677 8899AABB CCDDEEFF | ..\"3DUfw......", line * 16);
        page += (line ? "\r\n" : "") + std::string(text);
    }
    ui.BufferDisplay.caption = page;
    SetListIndex(ui.Device, 11);
    for (const char* text : {"Device Eprom 27C256 was Selected",
                             "Device Size is: 32768 Bytes, Initial VPP suggested: 12.5V",
                             "Programming Device...", "Address: 1F3 ][ Device Data: 7F"})
        LogMessage(w.app(), text);
    ProgramLampOn(w.app());
    DataFlowLampOn(w.app());
    SetProgressValue(w.app(), 60);
    w.window->Sync();
    w.window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(w.window.get()));
    const QString path = QStringLiteral(QUORBIT_GUI_SHOT_DIR "/frmMain-work.png");
    ASSERT_TRUE(w.window->grab().save(path));
    EXPECT_FALSE(w.Get("FrameVoltageSelection")->isHidden());
}

} // namespace
} // namespace quorbit::test

namespace quorbit::test {
namespace {

TEST(DisplayWindow, Command1ShowsCodePageZeroInItsOwnWindow) {
    WindowRig w;
    w.window->Load();
    for (int i = 0; i < 16; ++i)
        w.app().buf.CodeBuffer[static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(0x41 + i);
    EXPECT_EQ(w.window->DisplayWindowWidget(), nullptr); // created on first use
    QTest::mouseClick(w.Get<QPushButton>("Command1"), Qt::LeftButton);

    QWidget* second = w.window->DisplayWindowWidget();
    ASSERT_NE(second, nullptr);
    EXPECT_TRUE(second->isVisible());
    auto* text = second->findChild<QPlainTextEdit*>("frmDisplay1.BufferDisplay");
    ASSERT_NE(text, nullptr);
    const QString shown = text->toPlainText();
    EXPECT_TRUE(shown.contains("000000| 41424344 45464748 494A4B4C 4D4E4F50 | ABCDEFGHIJKLMNOP"))
        << shown.toStdString();

    // Closing it is remembered by the model, so the next press shows it again.
    second->close();
    EXPECT_FALSE(w.app().frmDisplay1.visible);
    QTest::mouseClick(w.Get<QPushButton>("Command1"), Qt::LeftButton);
    EXPECT_TRUE(second->isVisible());
}

} // namespace
} // namespace quorbit::test
