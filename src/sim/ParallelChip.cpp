#include "sim/ParallelChip.h"

#include <bit>

namespace quorbit::sim {
namespace {

/// The bits of `value` selected by `mask`, packed together lowest first.
std::uint32_t Gather(unsigned value, unsigned mask) {
    std::uint32_t out = 0;
    int next = 0;
    for (int bit = 0; bit < 8; ++bit) {
        if (((mask >> bit) & 1) == 0) continue;
        out |= ((value >> bit) & 1U) << next;
        ++next;
    }
    return out;
}

} // namespace

ParallelChip::ParallelChip(std::string name, std::vector<std::uint8_t> contents,
                           const Wiring& wiring)
    : name_(std::move(name)), mem_(std::move(contents)), wiring_(wiring) {
    const int reg1Lines = std::popcount(static_cast<unsigned>(wiring.reg1AddressBits));
    for (unsigned v = 0; v < 256; ++v) {
        fromReg1_[v] = Gather(v, wiring.reg1AddressBits) << 8;
        fromReg3_[v] = Gather(v, wiring.reg3AddressBits) << (8 + reg1Lines);
    }
}

std::uint32_t ParallelChip::AddressOf(const Registers& regs) const {
    return regs.r[2] | fromReg1_[regs.r[1]] | fromReg3_[regs.r[3]];
}

ChipPins ParallelChip::Pins(const Registers& regs) const {
    ChipPins p;
    p.address = AddressOf(regs);
    p.powered = !wiring_.supply.Wired() || wiring_.supply.High(regs);
    p.ce = regs.CeActive();
    // With the programming voltage on a shared OE/VPP pin the outputs stay off.
    const bool vppOnOe = wiring_.oeIsVpp && (regs.r[0] & 0x80) != 0;
    p.oe = regs.OeActive() && !vppOnOe;
    p.we = wiring_.writeEnable.Wired() && !wiring_.writeEnable.High(regs);
    p.vpp = vppOnOe || wiring_.vppSwitch.High(regs);
    p.vppDecivolts = p.vpp ? regs.vppDecivolts : 0;
    p.boardDrivesData = regs.BoardDrivesData();
    p.boardData = regs.r[4];
    return p;
}

std::optional<std::uint8_t> ParallelChip::Output(const Registers& regs) {
    // Read mode: VCC present, CE and OE low, no programming voltage on OE/VPP.
    if (!regs.CeActive() || !regs.OeActive()) return std::nullopt;
    if (wiring_.oeIsVpp && (regs.r[0] & 0x80) != 0) return std::nullopt;
    if (wiring_.supply.Wired() && !wiring_.supply.High(regs)) return std::nullopt;
    return Cell(AddressOf(regs));
}

void ParallelChip::Latched(const Registers& regs, int reg, std::int64_t nowNs) {
    (void)reg;
    const ChipPins now = Pins(regs);
    const CycleKind writeKind =
        view_ ? KindOfWrite(last_.address, last_.boardData) : CycleKind::Write;
    PinsChanged(last_, now, nowNs);
    if (view_) Observe(last_, now, regs, nowNs, writeKind);
    last_ = now;
}

// The rules every byte-wide part's datasheet shares:
// - a write pulse (CE and WE low, OE high) takes the address at its start and the
//   data at its end; neither may change while it lasts;
// - CE, OE and WE pulses shorter than 100 ns meet no access or write-pulse time
//   (tWP 100 ns, tCE and tOE of 100 ns and more); VPP must be up for tVPS, 2 us,
//   before the part may be pulsed: a shorter VPP pulse is a glitch.
void ParallelChip::Observe(const ChipPins& before, const ChipPins& now, const Registers& regs,
                           std::int64_t nowNs, CycleKind writeKind) {
    ChipView& v = *view_;
    const bool moved = before.address != now.address || before.ce != now.ce ||
                       before.oe != now.oe || before.we != now.we || before.vpp != now.vpp ||
                       before.vppDecivolts != now.vppDecivolts || before.powered != now.powered ||
                       before.boardDrivesData != now.boardDrivesData ||
                       (now.boardDrivesData && before.boardData != now.boardData);
    if (!moved) return;
    if (nowNs - lastChangeNs_ > ChipView::kQuietNs && !v.violationsOnly)
        v.waitsNs.push_back(nowNs - lastChangeNs_);
    lastChangeNs_ = nowNs;

    const bool busChanged = before.address != now.address ||
                            before.boardDrivesData != now.boardDrivesData ||
                            (now.boardDrivesData && before.boardData != now.boardData);
    const bool writing = before.ce && before.we && !before.oe;
    if (writing && now.ce && now.we && !now.oe && busChanged)
        NoteViolation(nowNs, "address or data changed while WE was low");

    const std::array<std::pair<bool, bool>, 4> levels{
        {{before.ce, now.ce}, {before.oe, now.oe}, {before.we, now.we}, {before.vpp, now.vpp}}};
    for (std::size_t pin = 0; pin < levels.size(); ++pin) {
        const auto [was, is] = levels[pin];
        if (!was && is) pulseStartNs_[pin] = nowNs;
        if (!was || is) continue;
        const std::int64_t width = nowNs - pulseStartNs_[pin];
        if (!v.violationsOnly)
            v.pulses.push_back({static_cast<PulsePinName>(pin), before.address, width});
        const auto name = static_cast<PulsePinName>(pin);
        const std::int64_t shortest = name == PulsePinName::Vpp ? 2'000 : 100;
        if (width < shortest)
            NoteViolation(nowNs, std::string("a ") + "COWV"[pin] + " pulse of " +
                                     std::to_string(width) + " ns");
    }
    if (now.vpp && (!before.vpp || before.vppDecivolts != now.vppDecivolts) && !v.violationsOnly)
        v.vppLevels.push_back(now.vppDecivolts);

    if (writing && !(now.ce && now.we && !now.oe) && WriteEnableStrobes())
        NoteCycle(writeKind, before.address, before.boardDrivesData ? before.boardData : 0xFF);
    const auto out = Output(regs);
    if (out && (!driving_ || before.address != now.address))
        NoteCycle(CycleKind::Read, now.address, *out);
    driving_ = out.has_value();
}

void ParallelChip::PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) {
    (void)before, (void)now, (void)nowNs;
}

void ParallelChip::StickBit(std::uint32_t address, int bit, bool level) {
    stuck_.push_back({address, static_cast<std::uint8_t>(1U << (bit & 7)), level});
}

void ParallelChip::MakeWeak(std::uint32_t address, int pulses) {
    weak_.emplace_back(address, pulses);
}

int ParallelChip::PulsesToTake(std::uint32_t address) const {
    for (const auto& [cell, pulses] : weak_)
        if (cell == address) return pulses;
    return 1;
}

std::uint8_t ParallelChip::Cell(std::uint32_t address) const {
    if (address >= mem_.size()) return 0xFF; // an address line the part does not have
    std::uint8_t value = mem_[address];
    for (const StuckBit& s : stuck_) {
        if (s.address != address) continue;
        value = static_cast<std::uint8_t>(s.level ? (value | s.mask) : (value & ~s.mask));
    }
    return value;
}

} // namespace quorbit::sim
