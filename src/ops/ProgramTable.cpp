// The functions of the Program command's routines.
#include "ops/ProgramTable.h"

#include "ops/At29c256.h"
#include "ops/Flash.h"
#include "ops/Program.h"
#include "ops/Serial24Cxx.h"
#include "ops/X28c256.h"

namespace quorbit {

DeviceRoutine ProgramRoutineFor(ProgramRoutine routine) {
    switch (routine) {
    case ProgramRoutine::Eprom2732: // the EPROM routine takes its package's from the record
    case ProgramRoutine::Eprom2764:
    case ProgramRoutine::Eprom27256:
    case ProgramRoutine::Eprom27010:
    case ProgramRoutine::Eprom27080:
        return ProgramEpromChip;
    case ProgramRoutine::PageEeprom:
        return ProgramX28c256Chip;
    case ProgramRoutine::At29c256:
        return ProgramAt29c256Chip;
    case ProgramRoutine::JedecFlash:
        return ProgramFlashChip;
    case ProgramRoutine::Serial24c16:
        return Program24CxxChip;
    case ProgramRoutine::Serial24c32:
        return Program24C32Chip;
    case ProgramRoutine::None:
        break;
    }
    return nullptr;
}

} // namespace quorbit
