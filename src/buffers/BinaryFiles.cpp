#include "buffers/BinaryFiles.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <optional>
#include <system_error>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/Display.h"

namespace quorbit {
namespace {

constexpr const char* kAllFiles = "All Files (*.*)|*.*";
constexpr std::size_t kDataFileLimit = 8192;

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

/// Size of the file when the file system can tell it, without reading it.
std::optional<std::uintmax_t> SizeOnDisk(const std::string& path) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(path, ec);
    if (ec) return std::nullopt;
    return size;
}

void RefuseBigCodeFile(App& app, std::uintmax_t length) {
    LogMessage(app, "Code File Size is " + std::to_string(length) + " bytes, bigger than the " +
                        std::to_string(kCodeBufferSize) + " allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Code File Bigger than " + std::to_string(kCodeBufferSize) +
                                " Bytes",
                            "Code File too Big", MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

void RefuseBigDataFile(App& app, std::uintmax_t length) {
    LogMessage(app, "Data File Size is " + std::to_string(length) +
                        " bytes, bigger than the 8192 allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Data File Bigger than 8192 Bytes", "Data File to Big",
                            MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

/// The whole code file, or nothing (the refusal or failure already reported).
std::optional<std::string> LoadCodeFile(App& app, const std::string& path) {
    if (const auto size = SizeOnDisk(path); size && *size > kCodeBufferSize) {
        RefuseBigCodeFile(app, *size);
        return std::nullopt;
    }
    std::string bytes;
    if (const std::string error = ReadWholeFile(path, bytes); !error.empty()) {
        ReportFileError(app, "Could not read the code file " + path, error);
        return std::nullopt;
    }
    if (bytes.size() > kCodeBufferSize) { // a file that grew, or a device without a size
        RefuseBigCodeFile(app, bytes.size());
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

std::string BufferBytes(const std::vector<std::uint8_t>& buffer, std::int32_t count) {
    const auto n = std::min(buffer.size(), static_cast<std::size_t>(std::max(0, count)));
    return {buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(n)};
}

bool WriteDataFile(App& app, const std::string& path) {
    SetStatusText(app, "Writing Data Binary File " + path + " ... Wait");
    const std::string error =
        WriteFileAtomically(path, BufferBytes(app.buf.DataBuffer, app.buf.DataFileSize));
    SetStatusText(app, "");
    if (!error.empty()) {
        ReportFileError(app, "Could not save the data buffer to " + path, error);
        return false;
    }
    LogMessage(app, "File Sucessfully Saved as " + path);
    return true;
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

void mnuFileOpenData_Click(App& app) {
    ErrorLampOff(app);
    DataFlowLampOff(app);
    app.DisplayMode = "Read";
    const std::string path = app.svc.dialogs->OpenFileName("Open Data File (eeprom)", kAllFiles);
    if (path.empty()) return;
    const std::string previous = app.buf.DataFileName;
    app.buf.DataFileName = path;
    if (!ReadBinaryFileData(app)) app.buf.DataFileName = previous;
}

bool ReadBinaryFileData(App& app) {
    auto& ui = app.ui;
    const std::string path = app.buf.DataFileName;
    const std::string oldLabel = ui.FileNameDataText.caption;
    ui.FileNameDataText.caption = path;
    DataFlowLampOn(app);

    if (const auto size = SizeOnDisk(path); size && *size > kDataFileLimit) {
        RefuseBigDataFile(app, *size);
        ui.FileNameDataText.caption = oldLabel;
        return false;
    }
    std::string bytes;
    if (const std::string error = ReadWholeFile(path, bytes); !error.empty()) {
        ui.FileNameDataText.caption = oldLabel;
        DataFlowLampOff(app);
        ReportFileError(app, "Could not read the data file " + path, error);
        return false;
    }
    if (bytes.size() > kDataFileLimit) {
        RefuseBigDataFile(app, bytes.size());
        ui.FileNameDataText.caption = oldLabel;
        return false;
    }
    const auto length = static_cast<std::int32_t>(bytes.size());
    app.buf.DataFileSize = length;
    std::copy(bytes.begin(), bytes.end(), app.buf.DataBuffer.begin());
    DataFlowLampOff(app);

    LogMessage(app, "File " + path + " - was read into DataBuffer. " + std::to_string(length) +
                        " bytes long.");
    LogMessage(app, "You can Install a Blank Eprom for Programming");
    DisplayPageMemory(app);
    SetScrollMax(ui.VScroll1, app.dev.DeviceSize / 256 - 1);
    SetProgressValue(app, 0);
    SetStatusText(app, "");
    for (Control* c : {&ui.tbToolBar[4], &ui.Verify_button, &ui.menuVerifyData, &ui.Program_button,
                       &ui.menuProgramData, &ui.mnuFileSaveData, &ui.mnuFileSaveDataAs,
                       &ui.Erase_button, &ui.menuEraseData})
        c->enabled = true;
    app.buf.DataBufferLoaded = 1;
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

void mnuFileSaveData_Click(App& app) {
    std::string path = app.buf.DataFileName;
    if (path.empty()) path = app.svc.dialogs->SaveFileName("Save DATA Buffer ...", kAllFiles);
    if (path.empty()) return;
    if (!WriteDataFile(app, path)) return;
    app.buf.DataFileName = path;
    app.ui.FileNameDataText.caption = path;
}

void EraseCodeBuffer(App& app) {
    // The whole buffer: a save after erasing must write FFh only, even for an
    // image longer than the largest chip.
    std::fill(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.end(), std::uint8_t{0xFF});
    auto& ui = app.ui;
    for (Control* c :
         {&ui.Verify_button, &ui.menuVerifyCode, &ui.Program_button, &ui.menuProgramCode})
        c->enabled = false;
    LogMessage(app, "Buffer has been Erased");
    app.DisplayMode = "Read";
    DisplayPageMemory(app);
}

void EraseDataBuffer(App& app) {
    std::fill_n(app.buf.DataBuffer.begin(), kDataFileLimit + 1, std::uint8_t{0xFF});
    auto& ui = app.ui;
    for (Control* c :
         {&ui.Verify_button, &ui.menuVerifyData, &ui.Program_button, &ui.menuProgramData})
        c->enabled = false;
    LogMessage(app, "Buffer has been Erased");
    app.DisplayMode = "Read";
    DisplayPageMemory(app);
}

void Erase_button_Click(App& app) {
    if (app.ui.CheckCode.value == 1) EraseCodeBuffer(app);
    if (app.ui.CheckData.value == 1) EraseDataBuffer(app);
}

void menuEraseCode_Click(App& app) {
    Erase_button_Click(app);
}

void FileNameCodeText_Click(App& app) {
    std::string caption = app.ui.FileNameCodeText.caption;
    const auto b = caption.find_first_not_of(' ');
    caption =
        b == std::string::npos ? "" : caption.substr(b, caption.find_last_not_of(' ') - b + 1);
    if (caption == "Click To Select a File") mnuFileOpenCode_Click(app);
}

void tbToolBar_ButtonClick(App& app, const std::string& key) {
    if (key == "OpenCode")
        mnuFileOpenCode_Click(app);
    else if (key == "OpenData")
        mnuFileOpenData_Click(app);
    else if (key == "SaveCode")
        mnuFileSaveCode_Click(app);
    else if (key == "SaveData")
        mnuFileSaveData_Click(app);
}

void WireBufferHandlers(App& app) {
    auto& ui = app.ui;
    ui.mnuFileOpenCode.onClick = app.Handler(mnuFileOpenCode_Click);
    ui.mnuFileOpenData.onClick = app.Handler(mnuFileOpenData_Click);
    ui.mnuFileSaveCode.onClick = app.Handler(mnuFileSaveCode_Click);
    ui.mnuFileSaveCodeAs.onClick = app.Handler(mnuFileSaveCodeAs_Click);
    ui.mnuFileSaveData.onClick = app.Handler(mnuFileSaveData_Click);
    ui.Erase_button.onClick = app.Handler(Erase_button_Click);
    ui.menuEraseCode.onClick = app.Handler(menuEraseCode_Click);
    ui.FileNameCodeText.onClick = app.Handler(FileNameCodeText_Click);
    for (auto& button : ui.tbToolBar) {
        const std::string key = button.key;
        button.onClick = app.Handler([key](App& a) { tbToolBar_ButtonClick(a, key); });
    }
    ui.VScroll1.onChange = app.Handler(VScroll1_Change);
    ui.Show_button.onClick = app.Handler(Show_button_Click);
    ui.Display_button.onClick = app.Handler(Display_button_Click);
    ui.menuDisplayCode.onClick = app.Handler(menuDisplayCode_Click);
    ui.BufferDisplay.onDblClick = app.Handler(BufferDisplay_DblClick);
    ui.Command1.onClick = app.Handler(Command1_Click);
}

} // namespace quorbit
