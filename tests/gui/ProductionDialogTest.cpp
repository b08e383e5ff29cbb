// The Production dialog: Enter programs the next chip on the operation thread,
// and the verdict is shown large, green or red.
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>

#include "WindowRig.h"
#include "catalog/DeviceSelection.h"
#include "gui/ProductionDialog.h"
#include "session/ProductionPanel.h"
#include "session/SimSocket.h"
#include "sim/SimBoard.h"

namespace quorbit::test {
namespace {

constexpr int kEprom2732A = 2;

TEST(ProductionDialog, EnterProgramsEachChipAndTheVerdictReadsFromAfar) {
    WindowRig w;
    w.window->Load();
    w.Show();
    App& app = w.app();
    ASSERT_TRUE(SelectDevice(app, kEprom2732A));
    const auto image = w.rig.dir / "image.bin";
    WriteBytes(image, std::string(4096, '\x5A'));
    int chip = 0;
    ProductionPanel panel(app, [&](int row, int) {
        SimSetup setup;
        setup.fault = "20:0:1"; // the second chip has bit 0 of 20h stuck high
        InsertFreshChip(*w.rig.sim, setup, row, ++chip == 2);
    });
    gui::ProductionDialog dialog(app, panel, w.window.get());
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    QTest::keyClicks(dialog.ImageFile, QString::fromStdString(image.string()));
    QTest::keyClicks(dialog.SerialField, QStringLiteral("7F0:2:be"));
    const QFont normal = dialog.ChipLine->font();

    for (const char* verdict : {"OK", "FAILED at 20h"}) {
        QTest::keyClick(dialog.SerialField, Qt::Key_Return); // Enter: Next chip
        w.Settle();
        while (panel.Busy())
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        dialog.Refresh();
        EXPECT_EQ(dialog.Verdict->text().toStdString(), verdict);
        const QColor back = dialog.Verdict->palette().color(QPalette::Window);
        const bool good = std::string(verdict) == "OK";
        EXPECT_EQ(back, good ? QColor(0, 128, 0) : QColor(255, 0, 0));
        if (good) {
            const auto& memory = w.rig.sim->Chip()->Memory();
            EXPECT_EQ(memory[0x7F0], 0x00);
            EXPECT_EQ(memory[0x7F1], 0x01) << "the first chip's serial number, big-endian";
        }
    }
    EXPECT_GE(dialog.Verdict->font().pointSizeF(), normal.pointSizeF() * 3);
    EXPECT_FALSE(dialog.ImageFile->isEnabled());
    EXPECT_EQ(dialog.Counts->text().toStdString(), "1 good, 1 failed, 0 skipped");
    EXPECT_EQ(dialog.RecordTail->toPlainText().count(QLatin1Char('\n')), 1) << "two lines";

    QTest::mouseClick(dialog.CloseButton, Qt::LeftButton); // closing ends the run
    EXPECT_FALSE(panel.Face().running);
    EXPECT_EQ(app.buf.CodeBuffer[0x7F1], 0x5A) << "the window's image is the file's again";
}

} // namespace
} // namespace quorbit::test
