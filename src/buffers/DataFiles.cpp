// The data buffer (the EEPROM area of a microcontroller): loading and saving.
#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Display.h"
#include "buffers/ImageFile.h"
#include "hw/SafeFile.h"

namespace quorbit {
namespace {

void RefuseBigDataFile(App& app, const std::string& length) {
    DataFlowLampOff(app); // nothing is loaded: the lamp must not stay lit
    LogMessage(app, "Data File Size is " + length +
                        " bytes, bigger than the 8192 allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Data File Bigger than 8192 Bytes", "Data File to Big",
                            MsgIcon::Exclamation, MsgButtons::Ok, 0);
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

} // namespace

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
        RefuseBigDataFile(app, LengthText(size, kDataFileLimit));
        ui.FileNameDataText.caption = oldLabel;
        return false;
    }
    std::string bytes;
    if (const std::string error = ReadFileBounded(path, kDataFileLimit + 1, bytes);
        !error.empty()) {
        ui.FileNameDataText.caption = oldLabel;
        DataFlowLampOff(app);
        ReportFileError(app, "Could not read the data file " + path, error);
        return false;
    }
    if (bytes.size() > kDataFileLimit) {
        RefuseBigDataFile(app, LengthText(std::nullopt, kDataFileLimit));
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
    SetScrollMax(ui.pageScrollBar, app.dev.DeviceSize / 256 - 1);
    SetProgressValue(app, 0);
    SetStatusText(app, "");
    for (Control* c : {&ui.tbToolBar[4], &ui.verifyButton, &ui.menuVerifyData, &ui.programButton,
                       &ui.menuProgramData, &ui.mnuFileSaveData, &ui.mnuFileSaveDataAs,
                       &ui.eraseBufferButton, &ui.menuEraseData})
        c->enabled = true;
    app.buf.DataBufferLoaded = 1;
    return true;
}

void mnuFileSaveData_Click(App& app) {
    std::string path = app.buf.DataFileName;
    if (path.empty()) path = AskSaveFileName(app, "Save DATA Buffer ...", kAllFiles);
    if (path.empty()) return;
    if (!WriteDataFile(app, path)) return;
    app.buf.DataFileName = path;
    app.ui.FileNameDataText.caption = path;
}

} // namespace quorbit
