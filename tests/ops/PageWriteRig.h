#pragma once
// A page-write part in the simulated socket, with an image ready to program.
#include <optional>

#include "ChipRig.h"
#include "buffers/ProgramImage.h"
#include "catalog/VoltageSpeed.h"
#include "hw/Board.h"
#include "ops/ProgramTable.h"
#include "sim/PageWriteChip.h"
#include "sim/SimContents.h"

namespace quorbit::test {

inline constexpr int kAt29c256Row = 23;
inline constexpr int kX28c256Row = 33;
inline constexpr int kAt28c256Row = 46;
inline constexpr int kAt28c64bRow = 47;
inline constexpr std::size_t kChipBytes = 32768;

struct PageWriteRig : ChipRig {
    PageWriteRig(int model, int row, int slider = 18) : ChipRig(model) {
        chip = dynamic_cast<sim::PageWriteChip*>(&Insert(row, sim::RandomContents(kChipBytes, 99)));
        image = sim::RandomContents(kChipBytes, 7);
        app.ui.speedSlider.value = slider;
        ApplySpeedSetting(app);
    }
    /// The image through the code buffer into ProgramImage, the board at address 0,
    /// as the Program command leaves them before it calls a routine.
    void Prepare() {
        LoadCode(image);
        PrepareProgramImage(app);
        Reset(app);
        app.board.LatchAddress();
    }
    /// What the routine returns: nothing when it left the chip alone.
    std::optional<ProgramOutcome> Run(DeviceRoutine routine) {
        Prepare();
        return routine(app, ReadChipOptions(app));
    }
    [[nodiscard]] bool ChipHoldsImage() const { return chip->Memory() == image; }

    sim::PageWriteChip* chip = nullptr;
    std::vector<std::uint8_t> image;
};

} // namespace quorbit::test
