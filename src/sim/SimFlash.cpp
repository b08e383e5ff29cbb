// The 32-pin 5 V flash parts (JEDEC pinout): A18 on pin 1 (register 3 bit 3),
// A16 on pin 2 (bit 0), A17 on pin 30 (bit 1), write enable on pin 31 (bit 2).
// The Catalyst 12 V parts have VPP on pin 1 instead of A18.
//
// What the AM29F010/020/040, EN29F040 and A29040 datasheets say and the model
// follows:
// - A write cycle is CE# and WE# low with OE# high. The address is taken on the
//   later falling edge of the two, the data on the first rising edge.
// - Commands are unlock cycles AAh at 5555h and 55h at 2AAAh, then the command
//   at 5555h. Only the low address bits are decoded (A0-A10 on the AMD and EON
//   parts, so 555h/2AAh work as well; A0-A14 on the AMIC part). A wrong cycle in
//   a sequence returns the part to reading its array.
// - 90h: autoselect. Address A1 A0 = 00 reads the maker code, 01 the device code,
//   10 the sector-protect flag (00h: not protected). Only reset leaves it.
// - F0h, alone or after the unlock cycles: reset to reading the array.
// - A0h, then one cycle at the byte's own address: the embedded program. It can
//   only clear bits; it takes about 7 us. While it runs every read gives status:
//   DQ7 the complement of DQ7 of the data, DQ6 toggling on every read. A byte that
//   does not reach the data (a 1 asked for where the cell holds 0, or a cell that
//   will not clear) runs past the internal limit: DQ5 goes to 1 and the part then
//   takes nothing but the reset command.
// - 80h, the unlock cycles again, then 10h at 5555h: chip erase; 30h at a sector
//   address instead: sector erase. While erasing DQ7 reads 0 and DQ6 toggles.
//   Typical times are seconds (the model takes 2 s for the whole chip).
// - DQ3, the sector-erase timer: a sector erase begins only 50 us after its last
//   30h cycle. Meanwhile DQ3 reads 0 and another 30h cycle (no unlock cycles)
//   adds its sector and starts the 50 us again; any other cycle ends the
//   sequence and the part reads its array, nothing erased. Once the erase has
//   begun DQ3 reads 1; a chip erase has no time-out and shows 1 at once.
// - Writes during an embedded operation are ignored (the reset command too).
// The model sees the clock only when a register is latched; every read of the
// program follows a latch of CE or OE, so the status it reads is never later than
// the part's own.
#include "sim/SimFlash.h"

#include <algorithm>
#include <array>
#include <limits>

#include "sim/SimFamilies.h"

namespace quorbit::sim {
namespace {

constexpr std::uint32_t kUnlock1 = 0x5555;
constexpr std::uint32_t kUnlock2 = 0x2AAA;
// The embedded algorithms give up after their pulse-count limits.
constexpr std::int64_t kProgramLimitNs = 300'000;
constexpr std::int64_t kEraseLimitNs = 64'000'000'000;
// The sector-erase time-out: more sectors may be added this long after a 30h.
constexpr std::int64_t kSectorEraseTimeOutNs = 50'000;

struct NamedVariant {
    const char* name;
    JedecFlashVariant variant;
};

// Maker 01h AMD, 1Ch EON, 37h AMIC; device codes from the datasheets (Am29F020:
// 34h, which the program's ID table does not list).
const std::array kVariants{
    NamedVariant{"Flash AMD AM29F010", {0x01, 0x20, 0x7FF, 0x4000}},
    NamedVariant{"Flash AMD AM29F020", {0x01, 0x34, 0x7FF, 0x10000}},
    NamedVariant{"Flash AMD AM29F040", {0x01, 0xA4, 0x7FF, 0x10000}},
    NamedVariant{"Flash EON EN29F040", {0x1C, 0x04, 0x7FF, 0x10000}},
    NamedVariant{"Flash AMIC A29040", {0x37, 0x86, 0x7FFF, 0x10000}},
};

} // namespace

const JedecFlashVariant* FindJedecFlashVariant(const std::string& name) {
    for (const auto& v : kVariants)
        if (name == v.name) return &v.variant;
    return nullptr;
}

Wiring Flash32Wiring(int sizeKB, bool separateVpp) {
    Wiring w;
    w.reg1AddressBits = 0xFF;
    w.reg3AddressBits = sizeKB <= 128 ? 0x01 : sizeKB <= 256 ? 0x03 : 0x0B;
    w.writeEnable = Line{3, 2};
    if (separateVpp) w.vppSwitch = Line{0, 5};
    return w;
}

std::unique_ptr<ParallelChip> MakeSimFlash32(const std::string& name, int sizeKB, bool separateVpp,
                                             std::vector<std::uint8_t> contents) {
    const Wiring wiring = Flash32Wiring(sizeKB, separateVpp);
    if (const JedecFlashVariant* variant = FindJedecFlashVariant(name))
        return std::make_unique<JedecFlash>(name, std::move(contents), wiring, *variant);
    return std::make_unique<ParallelChip>(name, std::move(contents), wiring);
}

JedecFlash::JedecFlash(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring,
                       const JedecFlashVariant& variant)
    : ParallelChip(std::move(name), std::move(contents), wiring), variant_(variant) {}

void JedecFlash::PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) {
    Advance(nowNs);
    const bool writingBefore = before.ce && before.we && !before.oe;
    const bool writingNow = now.ce && now.we && !now.oe;
    if (!writingBefore && writingNow) writeAddress_ = now.address;
    if (writingBefore && !writingNow)
        WriteCycle(writeAddress_, before.boardDrivesData ? before.boardData : 0xFF, nowNs);
    const bool readingBefore = before.ce && before.oe;
    const bool readingNow = now.ce && now.oe;
    if (!readingBefore && readingNow) toggle_ ^= 0x40;
}

void JedecFlash::Advance(std::int64_t nowNs) {
    nowNs_ = nowNs;
    if (mode_ != Mode::Programming && mode_ != Mode::Erasing) return;
    if (nowNs < busyUntilNs_) return;
    if (busyFails_) {
        mode_ = Mode::Exceeded;
        return;
    }
    if (mode_ == Mode::Erasing) {
        auto& mem = Memory();
        for (const auto& [first, count] : erasing_)
            for (std::uint32_t a = first; a < first + count && a < mem.size(); ++a)
                mem[a] = 0xFF;
    }
    mode_ = Mode::Read;
}

std::optional<std::uint8_t> JedecFlash::Output(const Registers& regs) {
    const ChipPins pins = Pins(regs);
    if (!pins.ce || !pins.oe) return std::nullopt;
    switch (mode_) {
    case Mode::Read:
        return Cell(pins.address);
    case Mode::Autoselect:
        switch (pins.address & 3) {
        case 0:
            return variant_.maker;
        case 1:
            return variant_.device;
        default:
            return std::uint8_t{0x00};
        }
    case Mode::Programming:
        return static_cast<std::uint8_t>((~busyData_ & 0x80) | toggle_);
    case Mode::Erasing:
        return static_cast<std::uint8_t>(toggle_ | (InSectorTimeOut() ? 0 : 0x08));
    case Mode::Exceeded:
        return static_cast<std::uint8_t>((~busyData_ & 0x80) | toggle_ | 0x20 |
                                         (erasing_.empty() ? 0 : 0x08));
    }
    return std::nullopt;
}

void JedecFlash::WriteCycle(std::uint32_t address, std::uint8_t data, std::int64_t nowNs) {
    if (mode_ == Mode::Erasing && InSectorTimeOut()) {
        if (data == 0x30) {
            AddSector(address, nowNs);
        } else {
            erasing_.clear();
            mode_ = Mode::Read;
        }
        return;
    }
    if (mode_ == Mode::Programming || mode_ == Mode::Erasing) return;
    if (mode_ == Mode::Exceeded) {
        if (data == 0xF0) mode_ = Mode::Read, step_ = Step::Idle;
        return;
    }
    const Step step = step_;
    step_ = Step::Idle; // any cycle that does not continue a sequence ends it
    switch (step) {
    case Step::Idle:
    case Step::Erase1:
        if (data == 0xF0) {
            mode_ = Mode::Read;
        } else if (Is(address, kUnlock1) && data == 0xAA) {
            step_ = step == Step::Idle ? Step::Unlocked1 : Step::Erase2;
        } else {
            mode_ = mode_ == Mode::Autoselect ? mode_ : Mode::Read;
        }
        break;
    case Step::Unlocked1:
    case Step::Erase2:
        if (Is(address, kUnlock2) && data == 0x55)
            step_ = step == Step::Unlocked1 ? Step::Unlocked2 : Step::Erase3;
        break;
    case Step::Unlocked2:
        if (Is(address, kUnlock1)) Command(data, nowNs);
        break;
    case Step::Erase3:
        if (data == 0x10 && Is(address, kUnlock1)) {
            StartErase(nowNs);
            erasing_ = {{0, static_cast<std::uint32_t>(Memory().size())}};
            busyUntilNs_ = nowNs + (eraseHangs_ ? kEraseLimitNs : variant_.chipEraseNs);
            if (eraseNeverEnds_) busyUntilNs_ = std::numeric_limits<std::int64_t>::max();
        } else if (data == 0x30) {
            StartErase(nowNs);
            AddSector(address, nowNs);
        }
        break;
    case Step::ProgramSetup:
        StartProgram(address, data, nowNs);
        break;
    }
}

void JedecFlash::Command(std::uint8_t data, std::int64_t nowNs) {
    (void)nowNs;
    if (data == 0xF0) {
        mode_ = Mode::Read;
    } else if (data == 0x90) {
        mode_ = Mode::Autoselect;
    } else if (mode_ == Mode::Autoselect) {
        // Autoselect is left only by the reset command.
    } else if (data == 0xA0) {
        step_ = Step::ProgramSetup;
    } else if (data == 0x80) {
        step_ = Step::Erase1;
    }
}

void JedecFlash::StartProgram(std::uint32_t address, std::uint8_t data, std::int64_t nowNs) {
    auto& mem = Memory();
    if (address < mem.size()) mem[address] &= data; // programming only clears bits
    busyData_ = data;
    busyFails_ = Cell(address) != data;
    erasing_.clear();
    busyUntilNs_ = nowNs + (busyFails_ ? kProgramLimitNs : variant_.programNs);
    mode_ = Mode::Programming;
}

void JedecFlash::StartErase(std::int64_t nowNs) {
    erasing_.clear();
    sectorTimeOutEndNs_ = nowNs; // a chip erase has no time-out
    busyData_ = 0xFF;            // an erased byte: DQ7 reads its complement, 0
    busyFails_ = eraseHangs_ && !eraseNeverEnds_;
    mode_ = Mode::Erasing;
}

void JedecFlash::StayErasing() {
    eraseNeverEnds_ = true;
    StartErase(nowNs_);
    erasing_ = {{0, static_cast<std::uint32_t>(Memory().size())}};
    busyUntilNs_ = std::numeric_limits<std::int64_t>::max();
}

void JedecFlash::AddSector(std::uint32_t address, std::int64_t nowNs) {
    const std::uint32_t first = address / variant_.sectorSize * variant_.sectorSize;
    if (std::find(erasing_.begin(), erasing_.end(), std::pair{first, variant_.sectorSize}) ==
        erasing_.end())
        erasing_.emplace_back(first, variant_.sectorSize);
    // The erase begins when the time-out ends, and takes its time per sector.
    sectorTimeOutEndNs_ = nowNs + kSectorEraseTimeOutNs;
    busyUntilNs_ =
        sectorTimeOutEndNs_ +
        (eraseHangs_ ? kEraseLimitNs
                     : variant_.sectorEraseNs * static_cast<std::int64_t>(erasing_.size()));
    if (eraseNeverEnds_) busyUntilNs_ = std::numeric_limits<std::int64_t>::max();
}

} // namespace quorbit::sim
