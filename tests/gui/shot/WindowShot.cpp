// Screenshots of the main window on a real display (run under xvfb-run), for a
// person to look at: the window restored from a larger screen's rectangle, after
// reading an AM29F040, during a program of it (progress, Stop), the differences a
// verify finds after that program was stopped, and maximized.
//   quorbit_window_shot PREFIX     writes PREFIX-start.png, -read.png, -program.png,
//                                  -differences.png, -maximized.png
#include <QApplication>
#include <QComboBox>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "../WindowRig.h"

namespace {

void Shoot(const QString& file) {
    QCoreApplication::processEvents();
    const QPixmap screen = QGuiApplication::primaryScreen()->grabWindow(0);
    std::printf("%s: %dx%d %s\n", qPrintable(file), screen.width(), screen.height(),
                screen.save(file) ? "saved" : "NOT SAVED");
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: quorbit_window_shot PREFIX\n");
        return 2;
    }
    const QString prefix = QString::fromLocal8Bit(argv[1]);
    using quorbit::test::WindowRig;
    WindowRig w;
    // As a 1920 by 1080 screen left it: restored onto this screen, whatever its size.
    for (const auto& [key, pixels] :
         {std::pair{"MainLeft", 300}, {"MainTop", 200}, {"MainWidth", 1900}, {"MainHeight", 1050}})
        w.rig.settings.Set("Settings", key, std::to_string(pixels * 15));
    w.window->Load();
    w.Show();
    std::printf("screen %dx%d, window %dx%d (smallest %dx%d)\n",
                QGuiApplication::primaryScreen()->size().width(),
                QGuiApplication::primaryScreen()->size().height(), w.window->width(),
                w.window->height(), w.window->minimumSizeHint().width(),
                w.window->minimumSizeHint().height());
    Shoot(prefix + "-start.png");

    auto* list = w.Get<QComboBox>("Device");
    list->setCurrentIndex(27); // Flash AMD AM29F040
    emit list->activated(27);
    QTest::mouseClick(w.Get<QPushButton>("Read_button"), Qt::LeftButton);
    w.Settle();

    Shoot(prefix + "-read.png");

    // A code file of random bytes: every byte of the chip is written.
    std::string image(512 * 1024, '\0');
    std::uint32_t seed = 7;
    for (char& byte : image) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<char>(seed >> 16);
    }
    const auto file = w.rig.dir / "image.bin";
    quorbit::test::WriteBytes(file, image);
    w.rig.dialogs.fileAnswers.push_back(file.string());
    quorbit::Fire(w.app().ui.mnuFileOpenCode.onClick);
    w.window->Sync();
    QTest::mouseClick(w.Get<QPushButton>("Program_button"), Qt::LeftButton);
    // Well into the program: the progress line has a rate to tell the time left from.
    auto* bar = w.Get<QProgressBar>("ProgressBar1");
    while (w.window->OperationRunning() && bar->value() < bar->maximum() * 2 / 5)
        QTest::qWait(20);
    std::printf("operation running at the shot: %s\n", w.window->OperationRunning() ? "yes" : "no");
    Shoot(prefix + "-program.png");
    w.window->StopOperation();
    w.Settle();

    // The chip holds the image up to where the program stopped: a verify marks the
    // differing bytes from there on, and F3 shows their first range.
    w.window->ControlAction("menuVerifyCode")->trigger(); // F7
    w.Settle();
    w.window->ControlAction("menuNextDifference")->trigger(); // F3
    w.Settle();
    Shoot(prefix + "-differences.png");

    // No window manager under Xvfb to maximize it: the window is given the screen.
    w.window->resize(QGuiApplication::primaryScreen()->availableSize());
    QTest::qWait(300);
    WindowRig::Relayout();
    Shoot(prefix + "-maximized.png");
    return 0;
}
