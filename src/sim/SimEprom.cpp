// UV EPROMs in the 32-pin socket. The board's lines, named after the 27C080 pins
// they reach: socket pin 1 = A19 (register 3 bit 3), 2 = A16 (3.0), 3 = A15 (1.7),
// 28 = A13 (1.5), 29 = A14 (1.6), 30 = A17 (3.1), 31 = A18 (3.2), 24 = OE/VPP
// (register 0 bit 6, programming voltage by bit 7); register 0 bit 4 switches
// the programming voltage onto socket pin 3 and bit 5 onto socket pin 1.
//
// Programming, from the mode tables of the datasheets (Intel 2732A, 2764A,
// 27128A; ST M27C256B, M27C512, M27C1001, M27C2001, M27C4001, M27C801):
// - 2732A, 27C512, 27C080 (OE/VPP shared): program = E low while G/VPP is at VPP;
//   verify = E low, G low (VPP off). The outputs are off while VPP is on G.
// - 2764, 27128, 27C010, 27C020: program = E low, G high, P (PGM) low pulse, VPP
//   on its own pin; verify = E low, G low, P high, VPP still on.
// - 27C256, 27C040: program = E low pulse, G high, VPP on its pin; verify =
//   E high, G low with VPP on (program inhibit: E and G both high).
// A program pulse only lowers bits: the cell keeps the AND of what it held and
// the byte on the data pins. Only UV light erases it. With no VPP on the part's
// VPP pin, with OE active, or with the data pins not driven, nothing is written.
// The chip counts the time all conditions hold as one pulse.
//
// A cell takes its charge over time: it reads back programmed only once the
// pulses it has had add up to its programming time, some share of one datasheet
// pulse (cells differ: 30 to 90 % of it, drawn for each address), so a pulse a
// fifth of the datasheet's width takes several pulses, and the datasheet's width
// takes one. The datasheet pulses: 2764A, 27C64, 27128A 1 ms; M27C256B, M27C512,
// M27C1001, M27C2001, M27C4001 100 us; M27C801 50 us (each within 5 %). The
// 2716/2732A datasheets ask for one 50 ms pulse without a read-back; this board
// gives them timed 5 ms pulses with a read-back after each, and the model's cells
// take within one of those. A weak cell (MakeWeak, N) needs N - 1 pulses of the
// datasheet's width more than its share.
#include "sim/SimEprom.h"

#include "sim/SimFamilies.h"

namespace quorbit::sim {
namespace {

constexpr Line kReg1Bit5{1, 5}; // socket pin 28: VCC of a 24-pin part
constexpr Line kReg1Bit6{1, 6}; // socket pin 29: PGM of the 2764 / 27128
constexpr Line kReg3Bit1{3, 1}; // socket pin 30: VCC of a 28-pin part
constexpr Line kReg3Bit2{3, 2}; // socket pin 31: PGM of the 27C010 / 27C020
constexpr Line kVppOnPin3{0, 4};
constexpr Line kVppOnPin1{0, 5};

} // namespace

Wiring EpromWiring(char subtype) {
    Wiring w;
    switch (subtype) {
    case '1': // 2716 / 2732: 24 pins, A8-A11, OE/VPP shared, VCC through socket pin 28
        w.reg1AddressBits = 0x0F;
        w.supply = kReg1Bit5;
        w.oeIsVpp = true;
        break;
    case '2': // 2764: VPP on pin 1, PGM on pin 27
        w.reg1AddressBits = 0x1F;
        w.supply = kReg3Bit1;
        w.writeEnable = kReg1Bit6;
        w.vppSwitch = kVppOnPin3;
        break;
    case '3': // 27128: as the 2764 with A13
        w.reg1AddressBits = 0x3F;
        w.supply = kReg3Bit1;
        w.writeEnable = kReg1Bit6;
        w.vppSwitch = kVppOnPin3;
        break;
    case '4': // 27256 / 27C256 / 27C259: A14 on pin 27, programmed by CE pulses
        w.reg1AddressBits = 0x7F;
        w.supply = kReg3Bit1;
        w.vppSwitch = kVppOnPin3;
        break;
    case '5': // 27C512: A15 on pin 1, OE/VPP shared
        w.reg1AddressBits = 0xFF;
        w.supply = kReg3Bit1;
        w.oeIsVpp = true;
        break;
    case '6': // 27C010: 32 pins, VPP on pin 1, PGM on pin 31
    case '7': // 27C020: with A17 on pin 30
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = subtype == '6' ? 0x01 : 0x03;
        w.writeEnable = kReg3Bit2;
        w.vppSwitch = kVppOnPin1;
        break;
    case '8': // 27C040: A18 on pin 31, VPP on pin 1, programmed by CE pulses
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = 0x07;
        w.vppSwitch = kVppOnPin1;
        break;
    default: // 27C080 (and its OTP twin): A19 on pin 1, OE/VPP shared
        w.reg1AddressBits = 0xFF;
        w.reg3AddressBits = 0x0F;
        w.oeIsVpp = true;
        break;
    }
    return w;
}

EpromModel EpromModelOf(char subtype) {
    EpromModel m;
    m.wiring = EpromWiring(subtype);
    const bool pgmParts = subtype == '2' || subtype == '3' || subtype == '6' || subtype == '7';
    m.pulse = pgmParts ? PulsePin::Pgm : PulsePin::ChipEnable;
    m.verifiesWithCeHigh = subtype == '4' || subtype == '8';
    switch (subtype) {
    case '1':
        m.pulseNs = 5'000'000;
        break;
    case '2':
    case '3':
        m.pulseNs = 1'000'000;
        break;
    case '9':
    case 'M':
        m.pulseNs = 50'000;
        break;
    default:
        m.pulseNs = 100'000;
        break;
    }
    m.shortestPulseNs = m.pulseNs * 95 / 100;
    m.longestPulseNs = m.pulseNs * 105 / 100;
    return m;
}

SimEprom::SimEprom(std::string name, std::vector<std::uint8_t> contents, const EpromModel& model)
    : ParallelChip(std::move(name), std::move(contents), model.wiring), model_(model),
      pulses_(Memory().size(), 0) {}

std::int64_t SimEprom::ProgrammingNsNeeded(std::uint32_t address) const {
    // A fixed spread over the addresses (an integer hash), the same for every chip.
    std::uint32_t h = address;
    h ^= h >> 16;
    h *= 0x7FEB352DU;
    h ^= h >> 15;
    h *= 0x846CA68BU;
    h ^= h >> 16;
    const std::int64_t share = model_.pulseNs * (300 + static_cast<std::int64_t>(h % 600)) / 1000;
    return share + std::int64_t{PulsesToTake(address) - 1} * model_.pulseNs;
}

std::optional<std::uint8_t> SimEprom::Output(const Registers& regs) {
    if (model_.verifiesWithCeHigh) {
        const ChipPins p = Pins(regs);
        if (p.powered && p.vpp && p.oe) return Cell(p.address);
    }
    return ParallelChip::Output(regs);
}

bool SimEprom::Programming(const ChipPins& p) const {
    if (!p.powered || !p.vpp || p.oe || !p.boardDrivesData || !p.ce) return false;
    return model_.pulse == PulsePin::ChipEnable || p.we;
}

void SimEprom::PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) {
    (void)before;
    const bool programming = Programming(now);
    // A new address or data byte under a held condition is a new pulse on another
    // cell (or with another byte); the one before ends here.
    const bool moved = now.address != pulsePins_.address || now.boardData != pulsePins_.boardData;
    // The datasheets' waveforms hold address and data from before the pulse to
    // after it (tAS, tDS, tAH, tDH).
    if (inPulse_ && programming && moved)
        NoteViolation(nowNs, "address or data changed during a program pulse");
    if (inPulse_ && (!programming || moved)) EndPulse(nowNs);
    if (programming && !inPulse_) {
        inPulse_ = true;
        pulsePins_ = now;
        pulseStartNs_ = nowNs;
    }
}

void SimEprom::EndPulse(std::int64_t nowNs) {
    inPulse_ = false;
    const std::uint32_t address = pulsePins_.address;
    if (address >= Memory().size()) return; // an address line the part does not have
    ProgramPulse pulse;
    pulse.address = address;
    pulse.data = pulsePins_.boardData;
    pulse.widthNs = nowNs - pulseStartNs_;
    pulse.vppDecivolts = pulsePins_.vppDecivolts;
    if (pulses_.size() < Memory().size()) pulses_.resize(Memory().size(), 0);
    if (programmedNs_.size() < Memory().size()) programmedNs_.resize(Memory().size(), 0);
    auto& count = pulses_[address];
    if (count < 0xFFFF) ++count;
    pulse.number = count;
    pulse.cellNs = programmedNs_[address] += pulse.widthNs;
    pulse.took = pulse.cellNs >= ProgrammingNsNeeded(address);
    if (pulse.took) Memory()[address] &= pulse.data;
    ++totalPulses_;
    NotePulse(PulsePinName::Program, address, pulse.widthNs);
    NoteCycle(CycleKind::Write, address, pulse.data);
    vppLevels_.insert(pulse.vppDecivolts);
    if (onPulse) onPulse(pulse);
}

int SimEprom::PulsesAt(std::uint32_t address) const {
    return address < pulses_.size() ? pulses_[address] : 0;
}

std::unique_ptr<ParallelChip> MakeSimEprom(const std::string& name, char subtype,
                                           std::vector<std::uint8_t> contents) {
    return std::make_unique<SimEprom>(name, std::move(contents), EpromModelOf(subtype));
}

} // namespace quorbit::sim
