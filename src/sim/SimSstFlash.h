#pragma once
// The SST39SF010A, SST39SF020A and SST39SF040 5 V flash chips, from the Microchip
// (SST) SST39SF010A/020A/040 datasheet. Same pins and commands as the AM29F0x0,
// but a state machine of their own: commands decoded on A0-A14, 4 KiB sectors, no
// exceeded-time flag, and their own times.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "sim/ParallelChip.h"
#include "sim/SimFlash.h"

namespace quorbit::sim {

struct SstFlashPart {
    std::uint8_t device; // B5h, B6h, B7h; the maker is BFh
    std::size_t bytes;
};

class SstFlash : public ParallelChip, public FlashFaults {
  public:
    SstFlash(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring,
             const SstFlashPart& part);

    std::optional<std::uint8_t> Output(const Registers& regs) override;

    void SetEraseHangs(bool hangs) override { eraseHangs_ = hangs; }
    void StayErasing() override;
    void SetIdCodes(std::uint8_t maker, std::uint8_t device) override {
        maker_ = maker;
        device_ = device;
    }
    [[nodiscard]] std::uint16_t IdCodes() const override {
        return static_cast<std::uint16_t>(maker_ << 8 | device_);
    }

    enum class Mode { Read, SoftwareId, Programming, Erasing };
    [[nodiscard]] Mode CurrentMode() const { return mode_; }

  protected:
    void PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) override;
    /// The byte's own cycle after A0h is data; every other cycle is a command.
    [[nodiscard]] CycleKind KindOfWrite(std::uint32_t address, std::uint8_t data) const override {
        (void)address, (void)data;
        return step_ == Step::ProgramSetup ? CycleKind::Write : CycleKind::Command;
    }

  private:
    enum class Step { Idle, Unlocked1, Unlocked2, ProgramSetup, Erase1, Erase2, Erase3 };

    void Advance(std::int64_t nowNs);
    void WriteCycle(std::uint32_t address, std::uint8_t data, std::int64_t nowNs);
    void Command(std::uint8_t data);
    void StartBusy(Mode mode, std::int64_t forNs, std::int64_t nowNs);
    [[nodiscard]] static bool Is(std::uint32_t address, std::uint32_t command) {
        return (address & 0x7FFF) == command;
    }

    std::uint8_t maker_ = 0xBF;
    std::uint8_t device_;
    Mode mode_ = Mode::Read;
    Step step_ = Step::Idle;
    bool eraseHangs_ = false;
    std::uint32_t writeAddress_ = 0;
    std::uint8_t busyData_ = 0xFF;
    std::int64_t busyUntilNs_ = 0;
    std::uint32_t eraseFirst_ = 0, eraseCount_ = 0;
    std::uint8_t toggle_ = 0;
};

/// The SST39SF part of a catalog name ("Flash SST SST39SF040"), or nullptr.
const SstFlashPart* FindSstFlashPart(const std::string& name);
/// A chip of that part with `contents` (padded with FFh), on the 32-pin flash wiring.
std::unique_ptr<ParallelChip> MakeSimSstFlash(const std::string& name,
                                              std::vector<std::uint8_t> contents);

} // namespace quorbit::sim
