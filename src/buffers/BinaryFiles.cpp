// The code buffer: loading raw binary images with their checksum, and saving.
#include "buffers/BinaryFiles.h"

#include <cctype>
#include <optional>

#include "app/App.h"
#include "app/SafeFile.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/Display.h"
#include "buffers/ImageFile.h"

namespace quorbit {
namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void RefuseBigCodeFile(App& app, const std::string& length) {
    LogMessage(app, "Code File Size is " + length + " bytes, bigger than the " +
                        std::to_string(kCodeBufferSize) + " allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Code File Bigger than " + std::to_string(kCodeBufferSize) +
                                " Bytes",
                            "Code File too Big", MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

/// The whole code file, or nothing (the refusal or failure already reported).
/// The read stops one byte past the buffer, so an endless input ends like a big file.
std::optional<std::string> LoadCodeFile(App& app, const std::string& path) {
    const auto size = SizeOnDisk(path);
    if (size && *size > kCodeBufferSize) {
        RefuseBigCodeFile(app, LengthText(size, kCodeBufferSize));
        return std::nullopt;
    }
    std::string bytes;
    if (const std::string error = ReadFileBounded(path, kCodeBufferSize + 1, bytes);
        !error.empty()) {
        ReportFileError(app, "Could not read the code file " + path, error);
        return std::nullopt;
    }
    if (bytes.size() > kCodeBufferSize) { // a file that grew, or a stream without a size
        RefuseBigCodeFile(app, LengthText(std::nullopt, kCodeBufferSize));
        return std::nullopt;
    }
    return bytes;
}

void CopyIntoCodeBuffer(App& app, const std::string& bytes) {
    std::int32_t checksum = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const auto byte = static_cast<std::uint8_t>(bytes[i]);
        app.buf.CodeBuffer[i] = byte;
        checksum += byte;
        if (checksum > 65535) checksum -= 65536;
    }
    app.buf.FileChecksum = checksum;
    app.buf.FileChecksumText = Hex4(checksum);
}

void EnableLoadedCodeCommands(App& app) {
    auto& ui = app.ui;
    if (!app.dev.DeviceType.empty()) {
        for (Control* c :
             {&ui.Verify_button, &ui.menuVerifyCode, &ui.Program_button, &ui.menuProgramCode})
            c->enabled = true;
    }
    for (Control* c : {&ui.tbToolBar[1], &ui.mnuFileSaveCode, &ui.mnuFileSaveCodeAs,
                       &ui.menuEraseCode, &ui.Erase_button})
        c->enabled = true;
    // Only the microcontroller has a data memory to choose besides the code.
    ui.CheckCode.enabled = ui.CheckData.enabled = app.dev.DeviceType == "MJ";
    SetCheck(ui.CheckCode, 1);
    SetCheck(ui.CheckData, 0);
}

void SaveCodeUnder(App& app, const std::string& path) {
    if (!WriteCodeFile(app, path)) return; // the name stays that of the last good file
    app.buf.CodeFileName = path;
    app.ui.FileNameCodeText.caption = path;
}

} // namespace

void mnuFileOpenCode_Click(App& app) {
    ErrorLampOff(app);
    DataFlowLampOff(app);
    app.DisplayMode = "Read";
    const std::string path = app.svc.dialogs->OpenFileName("Open Code File", kAllFiles);
    if (path.empty()) return;
    OpenCodeFile(app, path);
}

bool OpenCodeFile(App& app, const std::string& path) {
    const std::string previous = app.buf.CodeFileName;
    app.buf.CodeFileName = path;
    if (ReadBinaryFile(app)) return true;
    app.buf.CodeFileName = previous;
    return false;
}

bool ReadBinaryFile(App& app) {
    auto& ui = app.ui;
    const std::string path = app.buf.CodeFileName;
    const std::string oldLabel = ui.FileNameCodeText.caption;
    const std::string oldDisplay = ui.BufferDisplay.caption;
    ui.FileNameCodeText.caption = Upper(path);
    ui.BufferDisplay.caption =
        "\r\n\r\n\r\n\r\n\r\n\r\n                      READING FILE ... WAIT";
    DataFlowLampOn(app);
    SetStatusText(app, "Reading Code File " + path + " into Buffer... Wait");

    const auto bytes = LoadCodeFile(app, path);
    if (!bytes) {
        ui.FileNameCodeText.caption = oldLabel;
        ui.BufferDisplay.caption = oldDisplay;
        DataFlowLampOff(app);
        SetStatusText(app, "");
        return false;
    }
    const auto length = static_cast<std::int32_t>(bytes->size());
    app.dev.DeviceSize = length; // what a save writes; chip operations keep ImageLength
    CopyIntoCodeBuffer(app, *bytes);
    DataFlowLampOff(app);

    LogMessage(app, "File " + path + " - was read into Buffer. " + std::to_string(length) +
                        " bytes long.");
    LogMessage(app, "Read File CRC = $" + app.buf.FileChecksumText);
    LogMessage(app, "You can Install a Blank Eprom for Programming");

    app.DisplayMode = "Read";
    SetPosition(ui.VScroll1, 0);
    DisplayPageMemory(app);
    SetScrollMax(ui.VScroll1, length / 256 - 1);
    SetProgressValue(app, 0);
    SetStatusText(app, "");

    EnableLoadedCodeCommands(app);
    ui.FileNameCodeSize.caption = "(" + std::to_string(length) + ")";
    app.buf.CodeBufferLoaded = 1;
    PlayEventSound(app, "DONE");
    return true;
}

bool WriteCodeFile(App& app, const std::string& path) {
    SetStatusText(app, "Writing Binary File " + path + " ... Wait");
    const std::string error =
        WriteFileAtomically(path, BufferBytes(app.buf.CodeBuffer, app.dev.DeviceSize));
    SetStatusText(app, "");
    if (!error.empty()) {
        ReportFileError(app, "Could not save the code buffer to " + path, error);
        return false;
    }
    LogMessage(app, "File Sucessfully Saved as " + path);
    return true;
}

void mnuFileSaveCode_Click(App& app) {
    std::string path = app.buf.CodeFileName;
    if (path.empty()) path = app.svc.dialogs->SaveFileName("Save CODE BUFFER ...", kAllFiles);
    if (path.empty()) return;
    SaveCodeUnder(app, path);
}

void mnuFileSaveCodeAs_Click(App& app) {
    const std::string path = app.svc.dialogs->SaveFileName("Save CODE BUFFER As...", kAllFiles);
    if (path.empty()) return;
    SaveCodeUnder(app, path);
}

} // namespace quorbit
