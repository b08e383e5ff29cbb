// The functions of the Erase Chip command's routines. A chip whose record names
// none (a UV EPROM among them) is not erased electrically.
#include "ops/FlashErase.h"
#include "ops/ProgramTable.h"
#include "ops/Serial24Cxx.h"
#include "ops/X28c256.h"

namespace quorbit {

EraseCommand EraseRoutineFor(EraseRoutine routine) {
    switch (routine) {
    case EraseRoutine::PageEeprom:
        return EraseX28C256;
    case EraseRoutine::JedecFlash:
        return EraseJedecFlash;
    case EraseRoutine::At29c256:
        return EraseAt29c256Chip;
    case EraseRoutine::Serial24c16Fill: // FFh written into every byte
        return Erase24CXX;
    case EraseRoutine::Serial24c32Fill:
        return Erase24C32;
    case EraseRoutine::None:
        break;
    }
    return nullptr;
}

} // namespace quorbit
