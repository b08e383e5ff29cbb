#include "session/SimSocket.h"

#include <stdexcept>
#include <string>

#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "sim/ChipFactory.h"
#include "sim/SimBoard.h"

namespace quorbit {
namespace {

std::string Trimmed(const std::string& s) {
    const auto b = s.find_first_not_of(' ');
    if (b == std::string::npos) return {};
    return s.substr(b, s.find_last_not_of(' ') - b + 1);
}

void PutChosenChip(sim::SimBoard& board, const SocketChipMaker& makeChip, App& app, int row) {
    const std::string name = CatalogTable().at(static_cast<std::size_t>(row)).name;
    if (board.Chip() && board.Chip()->Name() == name) return;
    if (!makeChip) {
        board.Insert(sim::MakeErasedSimChip(row));
        return;
    }
    try {
        board.Insert(makeChip(row));
    } catch (const std::invalid_argument& e) {
        // The contents or faults given at start do not suit this chip: the device is
        // still chosen, on an erased chip, and the operator is told.
        board.Insert(sim::MakeErasedSimChip(row));
        const std::string text = std::string(e.what()) + " - the simulated " + Trimmed(name) +
                                 " is an erased chip instead";
        LogMessage(app, text);
        app.svc.dialogs->MsgBox(text, "Simulated Chip", MsgIcon::Exclamation, MsgButtons::Ok, 0);
    }
}

} // namespace

std::function<void(App& app, int row)> SocketFollowsDevice(sim::SimBoard& board,
                                                           SocketChipMaker makeChip) {
    return [&board, makeChip = std::move(makeChip)](App& app, int row) {
        PutChosenChip(board, makeChip, app, row);
    };
}

} // namespace quorbit
