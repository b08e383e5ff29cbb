// The code buffer: loading raw binary images with their checksum, and saving.
#include "buffers/BinaryFiles.h"

#include <cctype>
#include <filesystem>
#include <optional>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "buffers/Checksums.h"
#include "buffers/Display.h"
#include "buffers/ImageFile.h"
#include "buffers/ImageFormats.h"
#include "buffers/ProgramImage.h"
#include "hw/SafeFile.h"

namespace quorbit {
namespace {

std::string Upper(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return s;
}

void RefuseBigCodeFile(App& app, const std::string& path, const std::string& length,
                       std::size_t limit = kCodeBufferSize) {
    LogMessage(app, "Code File " + path + " Size is " + length + " bytes, bigger than the " +
                        std::to_string(limit) + " allowed - Will Not Open");
    app.svc.dialogs->MsgBox("Can't Open Code File " + path + ": Bigger than " +
                                std::to_string(limit) + " Bytes",
                            "Code File too Big", MsgIcon::Exclamation, MsgButtons::Ok, 0);
}

/// The whole code file (standard input for "-"), or nothing (the refusal or
/// failure already reported). Record files may be larger than the buffer they fill;
/// the read stops one byte past their limit, so an endless input ends like a big file.
std::optional<std::string> LoadCodeFile(App& app, const std::string& path) {
    const auto size = SizeOnDisk(path);
    if (size && *size > kRecordFileLimit) {
        RefuseBigCodeFile(app, path, LengthText(size, kRecordFileLimit), kRecordFileLimit);
        return std::nullopt;
    }
    std::string bytes;
    if (const std::string error = ReadFileBounded(path, kRecordFileLimit + 1, bytes);
        !error.empty()) {
        ReportFileError(app, "Could not read the code file " + path, error);
        return std::nullopt;
    }
    if (bytes.size() > kRecordFileLimit) { // a file that grew, or a stream without a size
        RefuseBigCodeFile(app, path, LengthText(std::nullopt, kRecordFileLimit), kRecordFileLimit);
        return std::nullopt;
    }
    return bytes;
}

/// What a code file puts into the buffer: the bytes from address 0, and the
/// address ranges the file covers (a raw file: its bytes from the load offset on).
struct CodeImage {
    std::string bytes;
    ImageFormat format = ImageFormat::Raw;
    std::vector<AddressRange> ranges;
    /// Where a raw file's own bytes begin in `bytes`; FFh before them.
    std::size_t fileStart = 0;
    /// The length the operator knows the file by: a raw file's size, a record
    /// file's span from address 0.
    std::size_t length = 0;
};

/// A raw file placed at the load offset; nothing when it would end past the buffer
/// (refusal reported).
std::optional<CodeImage> PlaceRawFile(App& app, const std::string& path, std::string bytes) {
    const std::size_t offset = app.buf.CodeFileOffset;
    if (bytes.size() > kCodeBufferSize) {
        RefuseBigCodeFile(app, path, std::to_string(bytes.size()));
        return std::nullopt;
    }
    if (offset + bytes.size() > kCodeBufferSize) {
        const std::string what = "The code file " + path + " of " + std::to_string(bytes.size()) +
                                 " bytes loaded at " + Hex(static_cast<long long>(offset)) +
                                 "h ends past the buffer's " + std::to_string(kCodeBufferSize) +
                                 " bytes";
        LogMessage(app, what + " - Will Not Open");
        app.svc.dialogs->MsgBox(what + ".", "Code File too Big", MsgIcon::Exclamation,
                                MsgButtons::Ok, 0);
        return std::nullopt;
    }
    CodeImage image;
    image.length = bytes.size();
    image.fileStart = offset;
    if (!bytes.empty())
        image.ranges = {AddressRange{static_cast<std::uint32_t>(offset),
                                     static_cast<std::uint32_t>(offset + bytes.size() - 1)}};
    image.bytes = offset == 0 ? std::move(bytes) : std::string(offset, '\xFF') + bytes;
    return image;
}

/// The image of the file's bytes, or nothing (refusal reported, nothing changed).
std::optional<CodeImage> DecodeCodeFile(App& app, const std::string& path, std::string bytes) {
    CodeImage image;
    image.format = FormatToLoad(app.buf.CodeFileFormat, path, bytes);
    if (image.format == ImageFormat::Raw) return PlaceRawFile(app, path, std::move(bytes));
    if (app.buf.CodeFileOffset != 0)
        LogMessage(app, "Load offset " + Hex(app.buf.CodeFileOffset) + "h ignored: the " +
                            FormatTitle(image.format) + " records carry their own addresses");
    // A record image fills the selected chip (FFh where no record says otherwise),
    // or, with no chip chosen, the buffer up to its highest address. With Hi Byte
    // or Low Byte chosen it may reach twice as far: the pair of chips holds it.
    const std::size_t chip = static_cast<std::size_t>(std::max(app.dev.ImageLength, 0));
    const std::size_t span = ImageSpan(app);
    DecodedImage decoded;
    const std::string error =
        DecodeRecordImage(bytes, image.format, span > 0 ? span : kCodeBufferSize, decoded);
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
    image.length = image.bytes.size();
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
        if (i < image.fileStart) continue; // the filler before an offset file is not the file's
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
             {&ui.verifyButton, &ui.menuVerifyCode, &ui.programButton, &ui.menuProgramCode})
            c->enabled = true;
    }
    for (Control* c : {&ui.tbToolBar[1], &ui.mnuFileSaveCode, &ui.mnuFileSaveCodeAs,
                       &ui.menuEraseCode, &ui.eraseBufferButton})
        c->enabled = true;
    // Only the microcontroller has a data memory to choose besides the code.
    ui.codeCheck.enabled = ui.dataCheck.enabled = app.dev.DeviceType == "MJ";
    SetCheck(ui.codeCheck, 1);
    SetCheck(ui.dataCheck, 0);
}

constexpr const char* kRecentSection = "Recent Files";

std::vector<std::string> RecentFiles(const App& app) {
    std::vector<std::string> files;
    if (!app.svc.settings) return files;
    for (std::size_t i = 1; i <= app.ui.mnuFileRecent.size(); ++i)
        if (auto file = app.svc.settings->Get(kRecentSection, "File" + std::to_string(i));
            file && !file->empty())
            files.push_back(*file);
    return files;
}

/// A file opened or saved goes to the top of the recent files; the oldest past
/// the eighth drops off.
void RememberRecentFile(App& app, const std::string& path) {
    if (!app.svc.settings || path == kStandardStream) return;
    std::error_code ec;
    const std::string full = std::filesystem::absolute(path, ec).lexically_normal().string();
    std::vector<std::string> files = RecentFiles(app);
    std::erase(files, full);
    files.insert(files.begin(), full);
    files.resize(std::min(files.size(), app.ui.mnuFileRecent.size()));
    for (std::size_t i = 0; i < app.ui.mnuFileRecent.size(); ++i)
        app.svc.settings->Set(kRecentSection, "File" + std::to_string(i + 1),
                              i < files.size() ? files[i] : std::string());
    ShowRecentFiles(app);
}

/// The last verify's differences belong to the buffer it compared.
void ForgetDifferences(App& app) {
    app.ops.Mismatches.Clear();
    app.DifferenceShown = -1;
    app.ui.menuNextDifference.enabled = app.ui.menuPreviousDifference.enabled = false;
}

void SaveCodeUnder(App& app, const std::string& path) {
    if (!WriteCodeFile(app, path)) return; // the name stays that of the last good file
    RememberRecentFile(app, path);
    app.buf.CodeFileName = path;
    app.buf.CodeBufferOrigin.clear(); // the buffer is that file's content now
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

void OpenCodeFileNamed(App& app, const std::string& path) {
    ErrorLampOff(app);
    DataFlowLampOff(app);
    app.DisplayMode = "Read";
    OpenCodeFile(app, path);
}

void ShowRecentFiles(App& app) {
    const std::vector<std::string> files = RecentFiles(app);
    for (std::size_t i = 0; i < app.ui.mnuFileRecent.size(); ++i) {
        Control& item = app.ui.mnuFileRecent[i];
        item.visible = i < files.size();
        item.caption = item.visible ? "&" + std::to_string(i + 1) + " " + files[i] : std::string();
    }
}

void mnuFileRecent_Click(App& app, std::size_t index) {
    const std::vector<std::string> files = RecentFiles(app);
    if (index < files.size()) OpenCodeFileNamed(app, files[index]);
}

std::string WindowTitle(const App& app) {
    const std::string& origin = app.buf.CodeBufferOrigin;
    const std::string name = !origin.empty() ? origin + ", not saved"
                             : app.buf.CodeBufferLoaded == 1
                                 ? std::filesystem::path(app.buf.CodeFileName).filename().string()
                                 : std::string();
    return name.empty() ? app.ui.Caption : name + " - " + app.ui.Caption;
}

bool OpenCodeFile(App& app, const std::string& path) {
    const std::string previous = app.buf.CodeFileName;
    app.buf.CodeFileName = path;
    if (ReadBinaryFile(app)) {
        RememberRecentFile(app, path);
        return true;
    }
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
    const std::string fileLength = std::to_string(image->length);
    app.dev.DeviceSize = length; // what a save writes; chip operations keep ImageLength
    CopyIntoCodeBuffer(app, *image);
    DataFlowLampOff(app);

    LogMessage(app, "File " + path + " - was read into Buffer. " + fileLength + " bytes long.");
    LogCoveredRanges(app, *image);
    LogMessage(app, "Read File CRC = $" + app.buf.FileChecksumText);
    LogMessage(app,
               "Image " + DigestLogText(DigestOfCoverage(app.buf.CodeBuffer, app.buf.CodeCoverage),
                                        app.buf.CodeCoverage));
    LogMessage(app, "You can Install a Blank Eprom for Programming");

    app.DisplayMode = "Read";
    SetPosition(ui.pageScrollBar, 0);
    DisplayPageMemory(app);
    SetScrollMax(ui.pageScrollBar, length / 256 - 1);
    SetProgressValue(app, 0);
    SetStatusText(app, "");

    EnableLoadedCodeCommands(app);
    ui.FileNameCodeSize.caption = "(" + fileLength + ")";
    app.buf.CodeBufferLoaded = 1;
    app.buf.CodeBufferOrigin.clear();
    ForgetDifferences(app);
    PlayEventSound(app, "DONE");
    WarnWhenImagePastChipEnd(app);
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

std::string AskSaveFileName(App& app, const std::string& title, const std::string& filter) {
    const std::string path = app.svc.dialogs->SaveFileName(title, filter);
    if (path.empty() || path == kStandardStream) return path;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return path;
    const MsgResult answer =
        app.svc.dialogs->MsgBox(path + " already exists.\r\nDo you want to replace it?",
                                "Confirm Save As", MsgIcon::Exclamation, MsgButtons::YesNo, 1);
    return answer == MsgResult::Yes ? path : std::string();
}

void MarkCodeBufferUnsaved(App& app, const std::string& origin) {
    ForgetDifferences(app);
    app.buf.CodeBufferOrigin = origin;
    app.ui.FileNameCodeText.caption = origin + ", not saved";
}

void mnuFileSaveCode_Click(App& app) {
    // A read or an erased buffer is not the named file's content: Save never puts it
    // over that file without a name chosen for it.
    if (!app.buf.CodeBufferOrigin.empty()) {
        mnuFileSaveCodeAs_Click(app);
        return;
    }
    std::string path = app.buf.CodeFileName;
    if (path.empty()) path = AskSaveFileName(app, "Save CODE BUFFER ...", kAllFiles);
    if (path.empty()) return;
    SaveCodeUnder(app, path);
}

void mnuFileSaveCodeAs_Click(App& app) {
    const std::string path = AskSaveFileName(app, "Save CODE BUFFER As...", kCodeImageFiles);
    if (path.empty()) return;
    SaveCodeUnder(app, path);
}

} // namespace quorbit
