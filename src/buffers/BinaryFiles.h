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

void mnuFileSaveCode_Click(App& app);
void mnuFileSaveCodeAs_Click(App& app);
void mnuFileSaveData_Click(App& app);
/// Writes DeviceSize bytes of the code buffer to `path`; false (reported) on failure,
/// with any old file of that name left as it was.
bool WriteCodeFile(App& app, const std::string& path);

void Erase_button_Click(App& app);
void menuEraseCode_Click(App& app);
void EraseCodeBuffer(App& app);
void EraseDataBuffer(App& app);

void FileNameCodeText_Click(App& app);
void tbToolBar_ButtonClick(App& app, const std::string& key);

/// Attaches the file, buffer and display handlers.
void WireBufferHandlers(App& app);

} // namespace quorbit
