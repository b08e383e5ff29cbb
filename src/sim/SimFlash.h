#pragma once
// The 5 V JEDEC flash parts of the 32-pin socket (AM29F010/020/040, EN29F040,
// A29040): one command state machine, the parts told apart by their data.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "sim/ParallelChip.h"

namespace quorbit::sim {

struct JedecFlashVariant {
    std::uint8_t maker = 0;
    std::uint8_t device = 0;
    /// Address bits the command decoder compares (unlock and command cycles).
    std::uint32_t commandMask = 0x7FF;
    std::uint32_t sectorSize = 0x10000;
    std::int64_t programNs = 7'000;
    std::int64_t chipEraseNs = 2'000'000'000;
    std::int64_t sectorEraseNs = 1'000'000'000;
};

/// The variant of a catalog name that has a command state machine, or nullptr.
const JedecFlashVariant* FindJedecFlashVariant(const std::string& name);

/// The faults every 5 V flash model takes (--sim-fault erase-hangs, erasing, id:MMDD).
class FlashFaults {
  public:
    virtual ~FlashFaults() = default;
    /// The embedded erase never completes (DQ7 stays 0).
    virtual void SetEraseHangs(bool hangs) = 0;
    /// A chip erase already running that never ends: a part left erasing by an
    /// earlier time-out. It answers every read with erase status, takes no command.
    virtual void StayErasing() = 0;
    /// Another maker and device code in identification mode.
    virtual void SetIdCodes(std::uint8_t maker, std::uint8_t device) = 0;
    /// Maker code in the high byte, device code in the low: what identification answers.
    [[nodiscard]] virtual std::uint16_t IdCodes() const = 0;
};

class JedecFlash : public ParallelChip, public FlashFaults {
  public:
    JedecFlash(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring,
               const JedecFlashVariant& variant);

    std::optional<std::uint8_t> Output(const Registers& regs) override;

    // Faults of a defective or foreign part.
    void SetEraseHangs(bool hangs) override { eraseHangs_ = hangs; }
    /// Not even past the internal limit does it end.
    void StayErasing() override;
    /// Every erase started from now on runs for ever without setting DQ5: a part
    /// still erasing when the program's wait, longer than the datasheet's, is over.
    void SetEraseNeverEnds(bool never) { eraseNeverEnds_ = never; }
    void SetIdCodes(std::uint8_t maker, std::uint8_t device) override {
        variant_.maker = maker;
        variant_.device = device;
    }
    [[nodiscard]] std::uint16_t IdCodes() const override {
        return static_cast<std::uint16_t>(variant_.maker << 8 | variant_.device);
    }

    enum class Mode { Read, Autoselect, Programming, Erasing, Exceeded };
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
    void Command(std::uint8_t data, std::int64_t nowNs);
    void StartProgram(std::uint32_t address, std::uint8_t data, std::int64_t nowNs);
    /// An erase sequence's last cycle: status from now on, nothing erased yet.
    void StartErase(std::int64_t nowNs);
    /// A sector erase cycle (30h) at `address`: its sector joins the erase and the
    /// 50 us sector-erase time-out starts again.
    void AddSector(std::uint32_t address, std::int64_t nowNs);
    /// Within the time-out after a 30h cycle: DQ3 reads 0, more sectors are taken.
    [[nodiscard]] bool InSectorTimeOut() const {
        return mode_ == Mode::Erasing && nowNs_ < sectorTimeOutEndNs_;
    }
    [[nodiscard]] bool Is(std::uint32_t address, std::uint32_t command) const {
        return (address & variant_.commandMask) == (command & variant_.commandMask);
    }

    JedecFlashVariant variant_;
    Mode mode_ = Mode::Read;
    Step step_ = Step::Idle;
    bool eraseNeverEnds_ = false;
    bool eraseHangs_ = false;
    std::uint32_t writeAddress_ = 0;
    std::uint8_t busyData_ = 0xFF; // the byte being programmed (DQ7 polling)
    bool busyFails_ = false;       // the operation will exceed its time limit
    std::int64_t busyUntilNs_ = 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> erasing_; // first, count
    std::int64_t sectorTimeOutEndNs_ = 0;
    std::int64_t nowNs_ = 0;  // the clock when the pins last changed
    std::uint8_t toggle_ = 0; // DQ6, flips on every read while busy
};

} // namespace quorbit::sim
