// Erasing the buffers, the file-name label and the tool bar; the room's wiring.
#include <algorithm>
#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "buffers/BinaryFiles.h"
#include "buffers/Display.h"
#include "buffers/ImageFile.h"

namespace quorbit {

void EraseCodeBuffer(App& app) {
    // The whole buffer: a save after erasing must write FFh only, even for an
    // image longer than the largest chip.
    std::fill(app.buf.CodeBuffer.begin(), app.buf.CodeBuffer.end(), std::uint8_t{0xFF});
    // An erased buffer stands for an erased chip: all of it.
    app.buf.CodeCoverage =
        Coverage::FirstBytes(static_cast<std::uint32_t>(std::max(app.dev.ImageLength, 0)));
    auto& ui = app.ui;
    for (Control* c :
         {&ui.verifyButton, &ui.menuVerifyCode, &ui.programButton, &ui.menuProgramCode})
        c->enabled = false;
    LogMessage(app, "Buffer has been Erased");
    MarkCodeBufferUnsaved(app, "buffer erased to FFh");
    app.DisplayMode = "Read";
    DisplayPageMemory(app);
}

void EraseDataBuffer(App& app) {
    std::fill_n(app.buf.DataBuffer.begin(), kDataFileLimit + 1, std::uint8_t{0xFF});
    auto& ui = app.ui;
    for (Control* c :
         {&ui.verifyButton, &ui.menuVerifyData, &ui.programButton, &ui.menuProgramData})
        c->enabled = false;
    LogMessage(app, "Buffer has been Erased");
    app.DisplayMode = "Read";
    DisplayPageMemory(app);
}

void eraseBufferButton_Click(App& app) {
    if (app.ui.codeCheck.value == 1) EraseCodeBuffer(app);
    if (app.ui.dataCheck.value == 1) EraseDataBuffer(app);
}

void menuEraseCode_Click(App& app) {
    eraseBufferButton_Click(app);
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
    ui.eraseBufferButton.onClick = app.Handler(eraseBufferButton_Click);
    ui.menuEraseCode.onClick = app.Handler(menuEraseCode_Click);
    ui.FileNameCodeText.onClick = app.Handler(FileNameCodeText_Click);
    for (auto& button : ui.tbToolBar) {
        const std::string key = button.key;
        button.onClick = app.Handler([key](App& a) { tbToolBar_ButtonClick(a, key); });
    }
    // Paging through a buffer is quick; paging through the chip reads it from the board.
    ui.pageScrollBar.onChange = app.Operation(pageScrollBar_Change, ShowsDevicePage);
    ui.GoToAddress.onCommit = app.Operation(GoToAddress_Commit, ShowsDevicePage);
    ui.showDataButton.onClick = app.Handler(showDataButton_Click);
    ui.displayButton.onClick = app.Operation(displayButton_Click);
    ui.menuDisplayCode.onClick = app.Operation(menuDisplayCode_Click);
    ui.BufferDisplay.onDblClick = app.Handler(BufferDisplay_DblClick);
    ui.openDisplayButton.onClick = app.Handler(openDisplayButton_Click);
    // Paging to a difference on the chip reads its page from the board.
    ui.menuNextDifference.onClick = app.Operation(NextDifference_Click, ShowsDevicePage);
    ui.menuPreviousDifference.onClick = app.Operation(PreviousDifference_Click, ShowsDevicePage);
    for (std::size_t i = 0; i < ui.mnuFileRecent.size(); ++i)
        ui.mnuFileRecent[i].onClick = app.Handler([i](App& a) { mnuFileRecent_Click(a, i); });
    ShowRecentFiles(app);
}

} // namespace quorbit
