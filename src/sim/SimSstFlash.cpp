// What the SST39SF010A/020A/040 datasheet says and the model follows:
// - A write cycle is CE# and WE# low with OE# high; the address is latched on the
//   later falling edge of the two, the data on the first rising edge.
// - Commands (the datasheet's software command table), addresses on A14-A0; A15
//   and up do not care:
//     byte program  AAh@5555h 55h@2AAAh A0h@5555h, then the data at its address;
//     sector erase  AAh@5555h 55h@2AAAh 80h@5555h AAh@5555h 55h@2AAAh 30h@SAx;
//     chip erase    the same with 10h@5555h;
//     software ID   AAh@5555h 55h@2AAAh 90h@5555h; exit with F0h at any address,
//                   or AAh@5555h 55h@2AAAh F0h@5555h.
//   A cycle at another address (555h or 2AAh, as the AM29F010 also takes) is no
//   part of a command: the sequence ends and the chip keeps reading its array.
// - Software ID mode: address 0000h reads the maker code BFh, 0001h the device
//   code (B5h 010A, B6h 020A, B7h 040).
// - Byte program takes TBP, 14 us typical (20 us at most); it can only clear bits.
//   Sector erase (4 KiB, A18-A12 pick it) takes TSE, 18 ms typical; chip erase
//   TSCE, 70 ms typical (100 ms at most). The model takes the typical times.
// - While an operation runs, DQ7 reads the complement of the byte being written
//   (0 while erasing) and DQ6 toggles on every read; every command is ignored.
//   There is no time-limit flag: a byte that cannot reach its data simply reads
//   wrong once the program time is over.
#include "sim/SimSstFlash.h"

#include <array>
#include <limits>

#include "sim/SimFamilies.h"

namespace quorbit::sim {
namespace {

constexpr std::uint32_t kUnlock1 = 0x5555;
constexpr std::uint32_t kUnlock2 = 0x2AAA;
constexpr std::uint32_t kSectorBytes = 4096;
constexpr std::int64_t kByteProgramNs = 14'000;
constexpr std::int64_t kSectorEraseNs = 18'000'000;
constexpr std::int64_t kChipEraseNs = 70'000'000;

struct NamedPart {
    const char* name;
    SstFlashPart part;
};

const std::array kParts{
    NamedPart{"Flash SST SST39SF010A", {0xB5, 128 * 1024}},
    NamedPart{"Flash SST SST39SF020A", {0xB6, 256 * 1024}},
    NamedPart{"Flash SST SST39SF040", {0xB7, 512 * 1024}},
};

} // namespace

const SstFlashPart* FindSstFlashPart(const std::string& name) {
    for (const auto& p : kParts)
        if (name == p.name) return &p.part;
    return nullptr;
}

std::unique_ptr<ParallelChip> MakeSimSstFlash(const std::string& name,
                                              std::vector<std::uint8_t> contents) {
    const SstFlashPart* part = FindSstFlashPart(name);
    if (!part) return nullptr;
    contents.resize(part->bytes, 0xFF);
    const Wiring wiring = Flash32Wiring(static_cast<int>(part->bytes / 1024), false);
    return std::make_unique<SstFlash>(name, std::move(contents), wiring, *part);
}

SstFlash::SstFlash(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring,
                   const SstFlashPart& part)
    : ParallelChip(std::move(name), std::move(contents), wiring), device_(part.device) {}

void SstFlash::PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) {
    Advance(nowNs);
    const bool writingBefore = before.ce && before.we && !before.oe;
    const bool writingNow = now.ce && now.we && !now.oe;
    if (!writingBefore && writingNow) writeAddress_ = now.address;
    if (writingBefore && !writingNow)
        WriteCycle(writeAddress_, before.boardDrivesData ? before.boardData : 0xFF, nowNs);
    if (!(before.ce && before.oe) && now.ce && now.oe) toggle_ ^= 0x40;
}

void SstFlash::Advance(std::int64_t nowNs) {
    if (mode_ != Mode::Programming && mode_ != Mode::Erasing) return;
    if (nowNs < busyUntilNs_) return;
    if (mode_ == Mode::Erasing) {
        auto& mem = Memory();
        for (std::uint32_t a = eraseFirst_; a < eraseFirst_ + eraseCount_ && a < mem.size(); ++a)
            mem[a] = 0xFF;
    }
    mode_ = Mode::Read;
}

std::optional<std::uint8_t> SstFlash::Output(const Registers& regs) {
    const ChipPins pins = Pins(regs);
    if (!pins.ce || !pins.oe) return std::nullopt;
    switch (mode_) {
    case Mode::Read:
        return Cell(pins.address);
    case Mode::SoftwareId:
        return (pins.address & 1) != 0 ? device_ : maker_;
    case Mode::Programming:
    case Mode::Erasing: // the byte being written, or FFh of an erase: DQ7 its complement
        return static_cast<std::uint8_t>((~busyData_ & 0x80) | toggle_);
    }
    return std::nullopt;
}

void SstFlash::WriteCycle(std::uint32_t address, std::uint8_t data, std::int64_t nowNs) {
    if (mode_ == Mode::Programming || mode_ == Mode::Erasing) return; // ignored meanwhile
    const Step step = step_;
    step_ = Step::Idle;
    switch (step) {
    case Step::Idle:
    case Step::Erase1:
        if (data == 0xF0 && step == Step::Idle) {
            mode_ = Mode::Read; // the one-cycle software ID exit
        } else if (Is(address, kUnlock1) && data == 0xAA) {
            step_ = step == Step::Idle ? Step::Unlocked1 : Step::Erase2;
        }
        break;
    case Step::Unlocked1:
    case Step::Erase2:
        if (Is(address, kUnlock2) && data == 0x55)
            step_ = step == Step::Unlocked1 ? Step::Unlocked2 : Step::Erase3;
        break;
    case Step::Unlocked2:
        if (Is(address, kUnlock1)) Command(data);
        break;
    case Step::Erase3:
        if (data == 0x10 && Is(address, kUnlock1)) {
            eraseFirst_ = 0;
            eraseCount_ = static_cast<std::uint32_t>(Memory().size());
            StartBusy(Mode::Erasing, kChipEraseNs, nowNs);
        } else if (data == 0x30) {
            eraseFirst_ = address / kSectorBytes * kSectorBytes;
            eraseCount_ = kSectorBytes;
            StartBusy(Mode::Erasing, kSectorEraseNs, nowNs);
        }
        break;
    case Step::ProgramSetup: {
        auto& mem = Memory();
        if (address < mem.size()) mem[address] &= data;
        busyData_ = data;
        StartBusy(Mode::Programming, kByteProgramNs, nowNs);
        break;
    }
    }
}

void SstFlash::Command(std::uint8_t data) {
    if (data == 0xF0) {
        mode_ = Mode::Read;
    } else if (data == 0x90) {
        mode_ = Mode::SoftwareId;
    } else if (mode_ == Mode::SoftwareId) {
        // Only the exit command leaves software ID mode.
    } else if (data == 0xA0) {
        step_ = Step::ProgramSetup;
    } else if (data == 0x80) {
        step_ = Step::Erase1;
    }
}

void SstFlash::StartBusy(Mode mode, std::int64_t forNs, std::int64_t nowNs) {
    if (mode == Mode::Erasing) busyData_ = 0xFF;
    mode_ = mode;
    busyUntilNs_ = mode == Mode::Erasing && eraseHangs_ ? std::numeric_limits<std::int64_t>::max()
                                                        : nowNs + forNs;
}

void SstFlash::StayErasing() {
    eraseFirst_ = 0;
    eraseCount_ = static_cast<std::uint32_t>(Memory().size());
    busyData_ = 0xFF;
    mode_ = Mode::Erasing;
    busyUntilNs_ = std::numeric_limits<std::int64_t>::max();
}

} // namespace quorbit::sim
