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
    PinsChanged(last_, now, nowNs);
    last_ = now;
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
