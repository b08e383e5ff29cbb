// The routine table of the Erase Chip command: one row per erasable device type.
// Any other type (a UV EPROM among them) is not erased electrically.
#include <array>

#include "ops/FlashErase.h"
#include "ops/ProgramTable.h"

namespace quorbit {
namespace {

struct Row {
    std::string_view type;
    DeviceRoutine routine;
};

const std::array kEraseRoutines{
    Row{"EN", RoutineNotAvailableYet}, // X28C256: EraseX28C256
    Row{"FM", EraseFLASH},             // AM29F040
    Row{"FL", EraseFLASH},             // EN29F040, A29040
    Row{"FR", EraseFLASH},             // AM29F020
    Row{"FS", EraseFLASH},             // AM29F010
    Row{"FA", EraseAT29C256},          // AT29C256
    Row{"SA", RoutineNotAvailableYet}, // 24C08: P24CXX with EraseMode 1
    Row{"SB", RoutineNotAvailableYet}, // 24C16: P24CXX with EraseMode 1
    Row{"SC", RoutineNotAvailableYet}, // 24C32: P24C32 with EraseMode 1
};

} // namespace

DeviceRoutine EraseRoutineFor(std::string_view deviceType) {
    for (const auto& row : kEraseRoutines)
        if (row.type == deviceType) return row.routine;
    return nullptr;
}

} // namespace quorbit
