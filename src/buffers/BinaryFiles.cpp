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

void RefuseBigCodeFile(App& app, const std::string& length, std::size_t limit = kCodeBufferSize) {
    LogMessage(app, "Code File Size is " + length + " bytes, bigger than the " +
                        std::to_string(limit) + " allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Code File Bigger than " + std::to_string(limit) + " Bytes",
                            "Code File too Big", MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

/// The whole code file (standard input for "-"), or nothing (the refusal or
/// failure already reported). Record files may be larger than the buffer they fill;
/// the read stops one byte past their limit, so an endless input ends like a big file.
std::optional<std::string> LoadCodeFile(App& app, const std::string& path) {
    const auto size = SizeOnDisk(path);
    if (size && *size > kRecordFileLimit) {
        RefuseBigCodeFile(app, LengthText(size, kRecordFileLimit), kRecordFileLimit);
        return std::nullopt;
    }
    std::string bytes;
    if (const std::string error = ReadFileBounded(path, kRecordFileLimit + 1, bytes);
        !error.empty()) {
        ReportFileError(app, "Could not read the code file " + path, error);
        return std::nullopt;
    }
    if (bytes.size() > kRecordFileLimit) { // a file that grew, or a stream without a size
        RefuseBigCodeFile(app, LengthText(std::nullopt, kRecordFileLimit), kRecordFileLimit);
        return std::nullopt;
    }
    return bytes;
}

/// What a code file puts into the buffer: the bytes from address 0, and for a
/// record file the address ranges its records cover.
struct CodeImage {
    std::string bytes;
    ImageFormat format = ImageFormat::Raw;
    std::vector<AddressRange> ranges;
};

/// The image of the file's bytes, or nothing (refusal reported, nothing changed).
std::optional<CodeImage> DecodeCodeFile(App& app, const std::string& path, std::string bytes) {
    CodeImage image;
    image.format = FormatToLoad(app.buf.CodeFileFormat, path, bytes);
    if (image.format == ImageFormat::Raw) {
        if (bytes.size() > kCodeBufferSize) {
            RefuseBigCodeFile(app, std::to_string(bytes.size()));
            return std::nullopt;
        }
        image.bytes = std::move(bytes);
        if (!image.bytes.empty())
            image.ranges = {AddressRange{0, static_cast<std::uint32_t>(image.bytes.size() - 1)}};
        return image;
    }
    // A record image fills the selected chip (FFh where no record says otherwise),
    // or, with no chip chosen, the buffer up to its highest address.
    const std::size_t chip = static_cast<std::size_t>(std::max(app.dev.ImageLength, 0));
    DecodedImage decoded;
    const std::string error =
        DecodeRecordImage(bytes, image.format, chip > 0 ? chip : kCodeBufferSize, decoded);
    if (!error.empty()) {
        const std::string what =
            "The " + std::string(FormatTitle(image.format)) + " file " + path + " was not loaded";
        LogMessage(app, what + ": " + error);
        app.svc.dialogs->MsgBox(what + ":\r\n" + error, "Bad Image File", MsgIcon::Exclamation,
                                MsgButtons::Ok, 0);
        return std::nullopt;
    }
    image.bytes.assign(decoded.bytes.begin(), decoded.bytes.end());
    if (chip > image.bytes.size()) image.bytes.resize(chip, '\xFF');
    image.ranges = std::move(decoded.ranges);
    return image;
}

void LogCoveredRanges(App& app, const CodeImage& image) {
    if (image.format == ImageFormat::Raw) {
        LogMessage(app, image.bytes.empty()
                            ? std::string("The file holds no bytes: nothing to program or verify")
                            : "Raw binary image covers " + RangesText(image.ranges) +
                                  "; the rest of the buffer is FFh");
        return;
    }
    const bool whole = image.ranges.size() == 1 && image.ranges[0].first == 0 &&
                       image.ranges[0].last + 1 == image.bytes.size();
    LogMessage(app, std::string(FormatTitle(image.format)) + " records cover " +
                        RangesText(image.ranges) +
                        (whole ? "" : "; the rest of the buffer is FFh"));
}

/// The image into the code buffer; every byte it does not hold becomes FFh, never
/// an earlier image's byte.
void CopyIntoCodeBuffer(App& app, const CodeImage& image) {
    const std::string& bytes = image.bytes;
    std::fill(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.end(), std::uint8_t{0xFF});
    app.buf.CodeCoverage = Coverage::OfRanges(image.ranges);
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
    const std::string path = app.svc.dialogs->OpenFileName("Open Code File", kCodeImageFiles);
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

    std::optional<CodeImage> image;
    if (auto bytes = LoadCodeFile(app, path)) image = DecodeCodeFile(app, path, std::move(*bytes));
    if (!image) {
        ui.FileNameCodeText.caption = oldLabel;
        ui.BufferDisplay.caption = oldDisplay;
        DataFlowLampOff(app);
        SetStatusText(app, "");
        return false;
    }
    const auto length = static_cast<std::int32_t>(image->bytes.size());
    app.dev.DeviceSize = length; // what a save writes; chip operations keep ImageLength
    CopyIntoCodeBuffer(app, *image);
    DataFlowLampOff(app);

    LogMessage(app, "File " + path + " - was read into Buffer. " + std::to_string(length) +
                        " bytes long.");
    LogCoveredRanges(app, *image);
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
    const std::string bytes = BufferBytes(app.buf.CodeBuffer, app.dev.DeviceSize);
    std::string file;
    std::string error = EncodeImage(std::vector<std::uint8_t>(bytes.begin(), bytes.end()),
                                    FormatToSave(app.buf.CodeFileFormat, path), file);
    if (error.empty())
        error =
            path == kStandardStream ? WriteStandardOutput(file) : WriteFileAtomically(path, file);
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
    const std::string path =
        app.svc.dialogs->SaveFileName("Save CODE BUFFER As...", kCodeImageFiles);
    if (path.empty()) return;
    SaveCodeUnder(app, path);
}

} // namespace quorbit
