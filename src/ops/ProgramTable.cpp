// The routine table of the Program command: one row per device type that has a
// programming routine. Types not listed end as "Device Not Supported".
#include "ops/ProgramTable.h"

#include <array>

#include "ops/At29c256.h"
#include "ops/Flash.h"
#include "ops/Program.h"
#include "ops/Serial24Cxx.h"
#include "ops/X28c256.h"

namespace quorbit {
namespace {

struct Row {
    std::string_view type;
    DeviceRoutine routine;
};

const std::array kProgramRoutines{
    Row{"P1", ProgramEpromChip}, // 2716, 2732A, 2732B, 2732, 27C32
    Row{"P2", ProgramEpromChip}, // 2764, 27C64
    Row{"P3", ProgramEpromChip}, // 27128, 27C128
    Row{"P4", ProgramEpromChip}, // 27256, 27C256, 27C259
    Row{"P5", ProgramEpromChip}, // 27C512
    Row{"P6", ProgramEpromChip}, // 27C1001, 27C010
    Row{"P7", ProgramEpromChip}, // 27C2001, 27C020
    Row{"P8", ProgramEpromChip}, // 27C4001, 27C040
    Row{"P9", ProgramEpromChip}, // 27C801, 27C080
    Row{"PM", ProgramEpromChip}, // 27C080 OTP: the 27C080 die in a package without a window
    Row{"EN", PX28C256},         // X28C256
    Row{"FA", PAT29C256},        // AT29C256
    Row{"FM", PFLASH},           // AM29F040
    Row{"FL", PFLASH},           // EN29F040, A29040
    Row{"FR", PFLASH},           // AM29F020
    Row{"FS", PFLASH},           // AM29F010
    Row{"SA", P24CXX},           // 24C08
    Row{"SB", P24CXX},           // 24C16
    Row{"SC", P24C32},           // 24C32, 24C64, 24C128
    Row{"SE", P24C32},           // 24C256
};

} // namespace

DeviceRoutine ProgramRoutineFor(std::string_view deviceType) {
    for (const Row& row : kProgramRoutines)
        if (row.type == deviceType) return row.routine;
    return nullptr;
}

} // namespace quorbit
