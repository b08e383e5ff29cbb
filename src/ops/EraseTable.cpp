// The routine table of the Erase Chip command: one row per erasable device type.
// Any other type (a UV EPROM among them) is not erased electrically.
#include <array>

#include "ops/FlashErase.h"
#include "ops/ProgramTable.h"
#include "ops/Serial24Cxx.h"
#include "ops/X28c256.h"

namespace quorbit {
namespace {

struct Row {
    std::string_view type;
    DeviceRoutine routine;
};

const std::array kEraseRoutines{
    Row{"EN", EraseX28C256},  // X28C256
    Row{"FM", EraseFLASH},    // AM29F040
    Row{"FL", EraseFLASH},    // EN29F040, A29040
    Row{"FR", EraseFLASH},    // AM29F020
    Row{"FS", EraseFLASH},    // AM29F010
    Row{"FA", EraseAT29C256}, // AT29C256
    Row{"SA", P24CXX},        // 24C08, writing FFh with EraseMode 1
    Row{"SB", P24CXX},        // 24C16, writing FFh with EraseMode 1
    Row{"SC", P24C32},        // 24C32, 24C64, 24C128, writing FFh with EraseMode 1
    Row{"SE", P24C32},        // 24C256, writing FFh with EraseMode 1
};

} // namespace

DeviceRoutine EraseRoutineFor(std::string_view deviceType) {
    for (const auto& row : kEraseRoutines)
        if (row.type == deviceType) return row.routine;
    return nullptr;
}

} // namespace quorbit
