#include "session/SimSocket.h"

#include <stdexcept>
#include <string>
#include <vector>

#include "app/App.h"
#include "app/Shell.h"
#include "catalog/Catalog.h"
#include "hw/SafeFile.h"
#include "sim/BoardFaults.h"
#include "sim/ChipFactory.h"
#include "sim/ParallelChip.h"
#include "sim/SimBoard.h"
#include "sim/SimContents.h"
#include "sim/SimFaults.h"
#include "sim/SimSerialEeprom.h"

namespace quorbit {
namespace {

std::vector<std::uint8_t> Contents(const std::string& description, std::size_t size) {
    if (description.empty()) return {};
    std::string error;
    if (auto generated = sim::GeneratedContents(description, size, error)) {
        if (!error.empty())
            throw std::invalid_argument("Bad --sim-image " + description + ": " + error);
        return *generated;
    }
    // One byte past the chip is enough to tell an image that does not fit, so an
    // endless input cannot hold the start.
    std::string text;
    error = ReadFileBounded(description, size + 1, text);
    if (!error.empty())
        throw std::invalid_argument("Cannot read simulator image " + description + ": " + error);
    if (text.size() > size)
        throw std::invalid_argument("Cannot use simulator image " + description +
                                    ": it is bigger than the chip's " + std::to_string(size) +
                                    " bytes");
    return {text.begin(), text.end()};
}

/// --sim-chip none: nothing in the socket.
bool NamesEmptySocket(const std::string& chip) {
    return chip == "none" || chip == "NONE" || chip == "None";
}

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

std::unique_ptr<sim::SimChip> MakeSocketChip(const SimSetup& setup, const std::string& fault) {
    if (NamesEmptySocket(setup.chip)) {
        if (!setup.imageFile.empty() || !fault.empty() || !setup.saveFile.empty())
            throw std::invalid_argument(
                "--sim-chip none is an empty socket: it has no contents, faults or file to save");
        return nullptr;
    }
    const auto row = FindCatalogRow(setup.chip);
    if (!row) throw std::invalid_argument("Unknown chip for the simulator: " + setup.chip);
    const std::size_t size = sim::SimChipSize(*row);
    std::vector<std::uint8_t> contents = Contents(setup.imageFile, size);
    if (fault.empty()) {
        auto chip = sim::MakeSimChip(*row, std::move(contents));
        if (!chip) throw std::invalid_argument("The simulator has no model of " + setup.chip);
        return chip;
    }
    if (fault == "empty") return nullptr; // a socket without a chip
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(*row)];
    if (entry.family == 'S') {
        auto serial = sim::MakeSimSerialEeprom(entry.name, std::move(contents));
        if (!serial) throw std::invalid_argument("The simulator has no model of " + setup.chip);
        sim::ApplyFaults(*serial, fault, size);
        return serial;
    }
    auto chip = sim::MakeParallelSimChip(*row, std::move(contents));
    if (!chip)
        throw std::invalid_argument("--sim-fault needs a parallel chip; " + setup.chip +
                                    " is not one");
    sim::ApplyFaults(*chip, fault, size);
    return chip;
}

std::function<void(App& app, int row)> SocketFollowsDevice(sim::SimBoard& board,
                                                           SocketChipMaker makeChip) {
    return [&board, makeChip = std::move(makeChip)](App& app, int row) {
        PutChosenChip(board, makeChip, app, row);
    };
}

void InsertFreshChip(sim::SimBoard& board, SimSetup setup, int row, bool faulty) {
    if (setup.chip.empty()) setup.chip = std::to_string(row);
    // A spare board sorts the board's faults from the chip's.
    sim::SimBoard spare(0, setup.basePort);
    const std::string chipFaults = faulty ? sim::ApplyBoardFaults(spare, setup.fault) : "";
    board.Insert(MakeSocketChip(setup, chipFaults));
}

} // namespace quorbit
