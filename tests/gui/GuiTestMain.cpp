// The window tests need one QApplication for the whole run; without a display
// they run on the offscreen platform (test discovery included), with screens of
// fixed sizes.
#include <QApplication>
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

int main(int argc, char** argv) {
    // Offscreen, two screens of known sizes: a desktop screen the tests run on, and
    // a 1024 by 768 one beside it, whatever the platform plugin's own default.
    const QByteArray platform = qgetenv("QT_QPA_PLATFORM");
    std::filesystem::path screens;
    if (platform.isEmpty() || platform == "offscreen") {
        screens = std::filesystem::temp_directory_path() /
                  ("quorbit-screens-" + std::to_string(::getpid()) + ".json");
        std::ofstream(screens)
            << R"({"screens":[)"
               R"({"name":"desktop","x":0,"y":0,"width":1920,"height":1080,"logicalDpi":96},)"
               R"({"name":"small","x":1920,"y":0,"width":1024,"height":768,"logicalDpi":96}]})";
        qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QByteArray(screens.c_str()));
    }
    QApplication app(argc, argv);
    if (!screens.empty()) std::filesystem::remove(screens);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
