// The Setup menu: slot files found, load items refreshed, setups saved.
#include "setups/Setups.h"

#include <array>
#include <cctype>
#include <optional>
#include <system_error>

#include "app/App.h"
#include "app/Shell.h"
#include "app/TextFile.h"
#include "hw/SafeFile.h"
#include "setups/SetupControls.h"
#include "setups/SetupFile.h"

namespace quorbit {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

Control& LoadItem(App& app, int slot) {
    Control* items[kSetupSlots] = {&app.ui.LoadSetup1, &app.ui.LoadSetup2, &app.ui.LoadSetup3,
                                   &app.ui.LoadSetup4};
    return *items[slot - 1];
}

/// First line of a file without its line end; nothing when it cannot be read
/// (a folder, a pipe, a file far too long for a setup).
std::optional<std::string> FirstLine(const std::filesystem::path& path) {
    std::string text;
    if (!ReadWholeFile(path, text).empty()) return std::nullopt;
    std::string line = text.substr(0, text.find('\n'));
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return line;
}

std::string TrueFalse(bool value) {
    return value ? "True" : "False";
}

/// A name on one line: a line break in it would end the name line early and
/// turn the rest into a line of its own.
std::string OneLine(std::string name) {
    for (char& c : name)
        if (c == '\r' || c == '\n') c = ' ';
    return name;
}

std::string ValueOf(App& app, const SetupKey& key, const std::string& name) {
    switch (key.kind) {
    case SetupValue::Name:
        return name;
    case SetupValue::CodeFile:
        return app.buf.CodeFileName;
    default:
        break;
    }
    const Control& c = *SetupControl(app.ui, key);
    switch (key.kind) {
    case SetupValue::ListIndex:
        return std::to_string(c.listIndex);
    case SetupValue::TrueFalse:
        return TrueFalse(c.selected());
    case SetupValue::Text:
        return c.caption;
    default: // check boxes and the slider
        return std::to_string(c.value);
    }
}

void LoadSlot(App& app, int slot) {
    LoadSetupRot(app, SlotFileName(slot));
}

void SaveSlot(App& app, int slot) {
    SaveSetupRot(app, SlotFileName(slot));
}

} // namespace

std::string SlotFileName(int slot) {
    return "QBSetup" + std::to_string(slot) + ".INI";
}

std::filesystem::path FindFileCaseless(const std::filesystem::path& folder,
                                       const std::string& name) {
    std::error_code ec;
    const std::filesystem::path exact = folder / name;
    if (std::filesystem::exists(exact, ec)) return exact;
    const std::string wanted = Lower(name);
    for (std::filesystem::directory_iterator it(folder.empty() ? "." : folder, ec), end;
         !ec && it != end; it.increment(ec)) {
        if (Lower(it->path().filename().string()) == wanted) return folder / it->path().filename();
    }
    return exact;
}

std::filesystem::path SetupFilePath(const App& app, const std::string& fname) {
    return SetupFilePath(app.svc.workFolder, fname);
}

std::filesystem::path SetupFilePath(const std::filesystem::path& workFolder,
                                    const std::string& fname) {
    const std::filesystem::path given = workFolder / fname;
    return FindFileCaseless(given.parent_path(), given.filename().string());
}

std::optional<std::string> SetupCodeFile(const std::filesystem::path& setupFile) {
    std::string text;
    if (!ReadWholeFile(setupFile, text).empty()) return std::nullopt;
    for (const SetupLine& line : ParseSetupFile(text))
        if (SetupKeys()[line.key].kind == SetupValue::CodeFile && !line.rest.empty())
            return line.rest;
    return std::nullopt;
}

void Setup_Click(App& app) {
    for (int slot = 1; slot <= kSetupSlots; ++slot)
        LoadItem(app, slot).enabled = false;
    for (int slot = 1; slot <= kSetupSlots; ++slot) {
        const auto path = SetupFilePath(app, "QBSETUP" + std::to_string(slot) + ".INI");
        std::error_code ec;
        if (!std::filesystem::exists(path, ec)) continue;
        Control& item = LoadItem(app, slot);
        item.enabled = true;
        // A file that cannot be read keeps the item's caption; loading it says why.
        if (const auto line = FirstLine(path)) item.caption = SetupNameOf(*line);
    }
}

void SaveSetupRot(App& app, const std::string& fname) {
    const auto answer =
        app.svc.dialogs->InputBox("Please input a NAME for this Setup", "Saving Name Input");
    WriteSetupFile(app, fname, answer.value_or(""));
}

bool WriteSetupFile(App& app, const std::string& fname, const std::string& name) {
    std::string setupName = OneLine(name);
    if (setupName.empty())
        setupName = "No Name Setup " + (fname.size() > 7 ? fname.substr(7, 1) : std::string());
    std::array<std::string, kSetupKeyCount> values;
    for (std::size_t k = 0; k < kSetupKeyCount; ++k)
        values[k] = ValueOf(app, SetupKeys()[k], setupName);
    const std::string error =
        WriteFileSafely(SetupFilePath(app, fname), FormatSetupFile(values), SpecialTarget::Refuse);
    if (!error.empty()) {
        ReportFileError(app, "Could not save the setup to " + fname, error);
        return false;
    }
    LogMessage(app, "Setup Saved as " + fname + ", named:" + setupName);
    return true;
}

void SaveSetup1_Click(App& app) {
    SaveSlot(app, 1);
}
void SaveSetup2_Click(App& app) {
    SaveSlot(app, 2);
}
void SaveSetup3_Click(App& app) {
    SaveSlot(app, 3);
}
void SaveSetup4_Click(App& app) {
    SaveSlot(app, 4);
}
void LoadSetup1_Click(App& app) {
    LoadSlot(app, 1);
}
void LoadSetup2_Click(App& app) {
    LoadSlot(app, 2);
}
void LoadSetup3_Click(App& app) {
    LoadSlot(app, 3);
}
void LoadSetup4_Click(App& app) {
    LoadSlot(app, 4);
}

void WireSetupHandlers(App& app) {
    auto& ui = app.ui;
    ui.Setup.onClick = app.Handler(Setup_Click);
    ui.SaveSetup1.onClick = app.Handler(SaveSetup1_Click);
    ui.SaveSetup2.onClick = app.Handler(SaveSetup2_Click);
    ui.SaveSetup3.onClick = app.Handler(SaveSetup3_Click);
    ui.SaveSetup4.onClick = app.Handler(SaveSetup4_Click);
    ui.LoadSetup1.onClick = app.Operation(LoadSetup1_Click);
    ui.LoadSetup2.onClick = app.Operation(LoadSetup2_Click);
    ui.LoadSetup3.onClick = app.Operation(LoadSetup3_Click);
    ui.LoadSetup4.onClick = app.Operation(LoadSetup4_Click);
}

} // namespace quorbit
