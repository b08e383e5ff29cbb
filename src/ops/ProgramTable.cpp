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
        return PX28C256;
    case ProgramRoutine::At29c256:
        return PAT29C256;
    case ProgramRoutine::JedecFlash:
        return PFLASH;
    case ProgramRoutine::Serial24c16:
        return P24CXX;
    case ProgramRoutine::Serial24c32:
        return P24C32;
    case ProgramRoutine::None:
        break;
    }
    return nullptr;
}

} // namespace quorbit
