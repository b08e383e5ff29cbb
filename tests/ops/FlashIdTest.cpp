// The AT29C256 identification cycle run when the chip is chosen.
#include <gtest/gtest.h>

#include "Fakes.h"
#include "catalog/DeviceSelection.h"

namespace quorbit::test {
namespace {

/// Records the write cycles a 28-pin flash would see: address and data taken on
/// the rising edge of WE (register 1 bit 7) while CE is low.
class WriteCycleRecorder : public sim::SimChip {
  public:
    [[nodiscard]] std::string Name() const override { return "Flash Atmel AT29C256"; }
    std::optional<std::uint8_t> Output(const sim::Registers&) override { return std::nullopt; }
    void Latched(const sim::Registers& regs, int reg, std::int64_t) override {
        const bool we = (regs.r[1] & 0x80) != 0;
        if (reg == 1 && we && !lastWe_ && regs.CeActive() && regs.BoardDrivesData())
            cycles.emplace_back(((regs.r[1] & 0x7F) << 8) | regs.r[2], regs.r[4]);
        lastWe_ = we;
    }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    std::vector<std::pair<int, int>> cycles;

  private:
    bool lastWe_ = true;
    std::vector<std::uint8_t> mem_;
};

TEST(FlashIdCycle, ChoosingTheAT29C256EntersAndLeavesProductIdentification) {
    Rig rig;
    rig.app->svc.simChipFixed = true;
    auto chip = std::make_unique<WriteCycleRecorder>();
    WriteCycleRecorder* recorder = chip.get();
    rig.sim->Insert(std::move(chip));
    rig.app->RunGuarded(Form_Load);
    ASSERT_NE(rig.app->board.BoardModel, 0);
    rig.ClearLog();
    ASSERT_TRUE(SelectDevice(*rig.app, 23));
    EXPECT_EQ(recorder->cycles, (std::vector<std::pair<int, int>>{{0x5555, 0xAA},
                                                                  {0x2AAA, 0x55},
                                                                  {0x5555, 0x90},
                                                                  {0x5555, 0xAA},
                                                                  {0x2AAA, 0x55},
                                                                  {0x5555, 0xF0}}));
    // Nothing of its own in the log: only the selection's lines.
    EXPECT_EQ(rig.LogLines().size(), 2u);
    // Other flash types get no such cycle.
    recorder->cycles.clear();
    SelectDevice(*rig.app, 27);
    EXPECT_TRUE(recorder->cycles.empty());
}

} // namespace
} // namespace quorbit::test
