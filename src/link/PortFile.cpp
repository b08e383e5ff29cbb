#include "link/PortFile.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>
#include <unistd.h>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "hw/SafeFile.h"
#include "link/Detection.h"

namespace quorbit {

std::string FormatPortFile(int dataPort, int boardModel, const LocalTime& t, bool fastPort) {
    char date[40];
    std::snprintf(date, sizeof date, "%02d-%02d-%04d %02d:%02d:%02d", t.month, t.day, t.year,
                  t.hour, t.minute, t.second);
    return "[QUORBIT6 SETUP]\r\nDATE = " + std::string(date) + "\r\nIO_PORT = " + Hex(dataPort) +
           "\r\nMODEL = " + NumberField(boardModel) + "\r\n" +
           (fastPort ? "FAST_PORT = 1\r\n" : "");
}

int LenientHex(const std::string& text) {
    long long v = 0;
    for (char c : text) {
        if (!std::isxdigit(static_cast<unsigned char>(c))) break;
        v = v * 16 + (std::isdigit(static_cast<unsigned char>(c))
                          ? c - '0'
                          : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10);
        if (v > 0xFFFF) return 0; // not a port address: treat as no port
    }
    return static_cast<int>(v);
}

int LenientDecimal(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    std::string number;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) number += text[i++];
    bool point = false;
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (std::isdigit(static_cast<unsigned char>(c)))
            number += c;
        else if (c == '.' && !point) {
            point = true;
            number += c;
        } else
            break;
        if (number.size() > 12) break;
    }
    const double v = std::strtod(number.c_str(), nullptr);
    if (!std::isfinite(v) || std::fabs(v) > 32767) return 0; // not a model number
    // Round half to even, as an integer conversion of a decimal text does.
    return static_cast<int>(std::nearbyint(v));
}

PortFileContents ParsePortFile(const std::string& text) {
    PortFileContents result;
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (line.compare(0, 10, "IO_PORT = ") == 0 && line.size() >= 10) {
            result.port = LenientHex(line.substr(10));
            result.keys += "PORT";
        } else if (line.compare(0, 8, "MODEL = ") == 0 && line.size() >= 8) {
            result.model = LenientDecimal(line.substr(8));
            result.keys += "MODEL";
        } else if (line.compare(0, 12, "FAST_PORT = ") == 0) {
            result.fastPort = LenientDecimal(line.substr(12)) == 1;
        }
    }
    return result;
}

bool PortBaseFits(int base) {
    return base >= 0 && base + 2 <= 0xFFFF;
}

namespace {

bool FolderWritable(const std::filesystem::path& folder) {
    return ::access(folder.c_str(), W_OK) == 0;
}

/// The file's text; a pipe or device in its place is refused unread, since reading
/// one could wait for a writer or never reach an end.
std::string ReadPortFileText(const std::filesystem::path& path, std::string& text) {
    std::error_code ec;
    const auto type = std::filesystem::status(path, ec).type();
    if (!ec && type != std::filesystem::file_type::regular &&
        type != std::filesystem::file_type::directory)
        return "it is not a plain file";
    return ReadWholeFile(path, text);
}

/// The port file folder when the program may write there, else the per-user one.
std::filesystem::path ChoosePortFilePath(const App& app) {
    const auto appFile = std::filesystem::path(app.svc.portFileFolder) / kPortFileName;
    std::error_code ec;
    if (app.svc.portFileFolderOnly) return appFile;
    if (std::filesystem::exists(appFile, ec) ? ::access(appFile.c_str(), W_OK) == 0
                                             : FolderWritable(app.svc.portFileFolder))
        return appFile;
    return std::filesystem::path(app.svc.userConfigFolder) / kPortFileName;
}

} // namespace

void SavePortFile(App& app) {
    app.PortFileSaved = false;
    if (app.svc.boardPort != 0) return;
    const std::string failedBefore = std::move(app.PortFileFailure);
    app.PortFileFailure.clear();
    std::filesystem::path path = app.PortFilePath.empty() ? ChoosePortFilePath(app)
                                                          : std::filesystem::path(app.PortFilePath);
    std::error_code ec;
    if (!app.svc.portFileFolderOnly) std::filesystem::create_directories(path.parent_path(), ec);
    const std::string text = FormatPortFile(app.board.DataPort, app.board.BoardModel,
                                            app.svc.clock->Now(), app.PortFileFastPort);
    // A pipe or device in the file's place is refused: the next start reads it back.
    std::string error = WriteFileSafely(path, text, SpecialTarget::Refuse);
    const auto userFile = std::filesystem::path(app.svc.userConfigFolder) / kPortFileName;
    if (!error.empty() && path != userFile && !app.svc.portFileFolderOnly) {
        // The program's folder refused the file after all: keep it per user instead.
        std::filesystem::create_directories(userFile.parent_path(), ec);
        if (WriteFileSafely(userFile, text, SpecialTarget::Refuse).empty()) {
            error.clear();
            path = userFile;
        }
    }
    if (!error.empty()) {
        const std::string what = "Could not save the port and model file " + path.string();
        app.PortFileFailure = what + ": " + error;
        // Start-up's scan and the command's own may meet the same failure: said once.
        if (app.PortFileFailure != failedBefore) ReportFileError(app, what, error);
        return;
    }
    // Where it went is told by the help and the command line, not by the log.
    app.PortFilePath = path.string();
    app.PortFileSaved = true;
}

void LoadPortFile(App& app) {
    app.board.DataPort = 0;
    app.PortFileKeys.clear();
    app.PortFileFastPort = false;
    if (app.svc.boardPort != 0) {
        app.board.DataPort = app.svc.boardPort; // as a file naming only the port would
        return;
    }
    // Saves go where the program may write; reading falls back to an older file
    // in the port file folder while the per-user folder has none yet.
    app.PortFilePath = ChoosePortFilePath(app).string();
    std::filesystem::path path = app.PortFilePath;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) {
        const auto appFile = std::filesystem::path(app.svc.portFileFolder) / kPortFileName;
        if (path == appFile || !std::filesystem::exists(appFile, ec)) return;
        path = appFile;
    }
    std::string text;
    const std::string error = ReadPortFileText(path, text);
    if (!error.empty()) {
        ReportFileError(app, "Could not read the port and model file " + path.string(), error);
        return;
    }
    PortFileContents contents = ParsePortFile(text);
    if (contents.port && !PortBaseFits(*contents.port)) {
        // Status and control sit at base + 1 and + 2: past FFFFh they would wrap
        // to ports near 0 that belong to other hardware.
        LogMessage(app, "Port file IO_PORT = " + Hex(*contents.port) +
                            " refused: its status and control ports would pass FFFF");
        contents.port.reset();
        for (auto at = contents.keys.find("PORT"); at != std::string::npos;
             at = contents.keys.find("PORT"))
            contents.keys.erase(at, 4);
    }
    if (contents.port) app.board.DataPort = *contents.port;
    if (contents.model) app.board.BoardModel = *contents.model;
    app.PortFileKeys = contents.keys;
    app.PortFileFastPort = contents.fastPort;
    if (app.PortFileKeys == "PORTMODEL" || app.PortFileKeys == "MODELPORT")
        app.DetectedPort = app.board.DataPort;
    ShowDetectedBoard(app);
}

} // namespace quorbit
