#pragma once
// Loading raw binary images into the code and data buffers, saving them back,
// erasing the buffers, and the file commands of the menu and the tool bar.
#include <string>

namespace quorbit {

class App;

void mnuFileOpenCode_Click(App& app);
void mnuFileOpenData_Click(App& app);
/// Loads the file at `path` into the code buffer. On success the path becomes
/// CodeFileName; on failure (reported) the buffer, the name and the labels stay.
bool OpenCodeFile(App& app, const std::string& path);
/// Loads CodeFileName into the code buffer; false (reported, nothing changed)
/// when the file cannot be read or does not fit the buffer.
bool ReadBinaryFile(App& app);
/// Loads DataFileName into the data buffer; false when refused or unreadable.
bool ReadBinaryFileData(App& app);

/// Save writes to the file last opened, except while the buffer holds something else
/// (CodeBufferOrigin): then it asks for a name as Save As does.
void mnuFileSaveCode_Click(App& app);
void mnuFileSaveCodeAs_Click(App& app);
/// A name from the save dialog; a file that exists is replaced only when the
/// operator says so (No is the default). Empty when cancelled.
std::string AskSaveFileName(App& app, const std::string& title, const std::string& filter);
/// The code buffer no longer holds the named file's content: `origin` says what
/// it holds ("read from Eprom 27C256"), and the file-name line says it is not saved.
void MarkCodeBufferUnsaved(App& app, const std::string& origin);
void mnuFileSaveData_Click(App& app);
/// Writes DeviceSize bytes of the code buffer to `path`; false (reported) on failure,
/// with any old file of that name left as it was.
bool WriteCodeFile(App& app, const std::string& path);

void eraseBufferButton_Click(App& app);
void menuEraseCode_Click(App& app);
void EraseCodeBuffer(App& app);
void EraseDataBuffer(App& app);

/// Opens a code file the operator named without the dialog: dropped on the window,
/// or chosen among the recent files.
void OpenCodeFileNamed(App& app, const std::string& path);
/// The File menu's recent files, newest first, from the settings ("Recent Files",
/// File1..File8).
void ShowRecentFiles(App& app);
void mnuFileRecent_Click(App& app, std::size_t index);
/// The window's title: the code file's name, or what the buffer holds instead,
/// before the caption.
std::string WindowTitle(const App& app);

void FileNameCodeText_Click(App& app);
void tbToolBar_ButtonClick(App& app, const std::string& key);

/// Attaches the file, buffer and display handlers.
void WireBufferHandlers(App& app);

} // namespace quorbit
