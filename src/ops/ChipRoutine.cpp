#include "ops/ChipRoutine.h"

namespace quorbit {

ProgramFailureAt GiveUpWithVoltagesOff(Board& b, std::uint8_t wrote, std::uint8_t read) {
    b.Reg0Shadow = 0;
    b.SetReg0();
    b.DisableChip();
    b.DisableOutput();
    return {b.Address, wrote, read};
}

} // namespace quorbit
