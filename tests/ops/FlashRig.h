#pragma once
// A started core with a 32-pin flash chosen and a simulated JEDEC flash in the socket.
#include <optional>

#include "ChipRig.h"
#include "buffers/ProgramImage.h"
#include "ops/Flash.h"
#include "sim/SimFlash.h"

namespace quorbit::test {

inline constexpr int kAm29F010 = 25;
inline constexpr int kAm29F020 = 26;
inline constexpr int kAm29F040 = 27;
inline constexpr int kA29040 = 24;
inline constexpr int kEn29F040 = 28;
inline constexpr int kSst39SF010A = 41;
inline constexpr int kSst39SF020A = 42;
inline constexpr int kSst39SF040 = 43;

/// Chooses `selectRow` and puts the chip of `chipRow` (it may be an N/A row of the
/// same type) with `contents` into the socket.
inline sim::ParallelChip& InsertAnyFlash(ChipRig& r, int selectRow, int chipRow,
                                         std::vector<std::uint8_t> contents = {}) {
    EXPECT_TRUE(SelectDevice(r.app, selectRow));
    auto chip = sim::MakeParallelSimChip(chipRow, std::move(contents));
    sim::ParallelChip& ref = *chip;
    r.rig.sim->Insert(std::move(chip));
    r.rig.ClearLog();
    r.rig.sound.played.clear();
    r.rig.dialogs.boxes.clear();
    return ref;
}

/// The same for an AMD-type chip, whose model's state the test looks at.
inline sim::JedecFlash& InsertFlash(ChipRig& r, int selectRow, int chipRow,
                                    std::vector<std::uint8_t> contents = {}) {
    auto* flash =
        dynamic_cast<sim::JedecFlash*>(&InsertAnyFlash(r, selectRow, chipRow, std::move(contents)));
    EXPECT_NE(flash, nullptr);
    return *flash;
}

/// What the Program command does around the flash writer: image, reset, ProgramFlashChip;
/// what ProgramFlashChip returned (nothing for a chip it left alone, or a stop).
inline std::optional<ProgramOutcome> ProgramWithPflash(ChipRig& r,
                                                       const std::vector<std::uint8_t>& image) {
    r.LoadCode(image);
    PrepareProgramImage(r.app);
    Reset(r.app);
    std::optional<ProgramOutcome> programmed;
    r.app.RunGuarded(
        [&programmed](App& app) { programmed = ProgramFlashChip(app, ReadChipOptions(app)); });
    return programmed;
}

} // namespace quorbit::test
