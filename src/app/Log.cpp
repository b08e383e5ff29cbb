// The system log: time-stamped lines in the SystemLog box, saved on a double click.
#include <cstdio>
#include <filesystem>
#include <fstream>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"

namespace quorbit {

std::string TimeOfDayText(const App& app) {
    const LocalTime t = app.svc.clock->Now();
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d:%02d", t.hour, t.minute, t.second);
    return text;
}

std::string ShortDateText(const App& app) {
    const LocalTime t = app.svc.clock->Now();
    char text[16];
    std::snprintf(text, sizeof text, "%02d-%02d-%04d", t.month, t.day, t.year);
    return text;
}

void LogMessage(App& app, const std::string& message) {
    std::string line = TimeOfDayText(app) + ">  " + message;
    app.ui.SystemLog.caption += "\r\n" + line;
    if (app.onLogLine) app.onLogLine(line);
    app.Repaint();
}

long long TextChecksum(const std::string& text) {
    long long sum = 0;
    for (char c : text)
        sum += static_cast<unsigned char>(c);
    return sum;
}

void SystemLog_DblClick(App& app) {
    const std::string& log = app.ui.SystemLog.caption;
    const std::string header =
        StampedHeader(app, "QUORBIT SYSTEM LOG FILE - ",
                      "The following contents are the log from the Quorbit Program", log);
    const auto path = std::filesystem::path(app.svc.workFolder) / "QUORBIT.LOG";
    const std::string error = WriteFileAtomically(path, header + log + "\r\n");
    if (!error.empty()) {
        ReportFileError(app, "Could not save the System Log to " + path.string(), error);
        return;
    }
    LogMessage(app, "System Log was Saved to QUORBIT.LOG file");
}

} // namespace quorbit
