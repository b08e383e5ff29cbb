#pragma once
// The 8-pin two-wire serial EEPROMs (24C08 to 24C256) in the board's
// socket: one bus slave, the parts told apart by data.
#include <cstdint>
#include <limits>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "sim/ChipView.h"
#include "sim/SimChip.h"
#include "sim/TwoWireProbe.h"

namespace quorbit::sim {

/// What tells the parts apart, from their datasheets.
struct SerialEepromPart {
    std::size_t bytes;
    unsigned pageBytes; // the page write buffer; the low address bits roll over in it
    int addressBytes;   // word address bytes after the control byte: 1 or 2
    int blockBits;      // control-byte bits from bit 1 up that carry the high address
    std::int64_t writeCycleNs;
};

/// The part a name carries the number of: 24C08, 24C16, 24C32, 24C64, 24C128 or
/// 24C256 ("Eeprom 24C64 Serial (8 pins)").
std::optional<SerialEepromPart> SerialEepromPartNamed(const std::string& name);

class SerialEeprom : public SimChip {
  public:
    SerialEeprom(std::string name, const SerialEepromPart& part,
                 std::vector<std::uint8_t> contents);

    [[nodiscard]] std::string Name() const override { return name_; }
    std::vector<std::uint8_t>& Memory() override { return mem_; }
    /// D7 low while the chip pulls the data line low, else nothing.
    std::optional<std::uint8_t> Output(const Registers& regs) override;
    [[nodiscard]] bool OpenDrain() const override { return true; }
    void Latched(const Registers& regs, int reg, std::int64_t nowNs) override;

    // ---- Faults ---------------------------------------------------------------
    /// The first internal write cycle never ends: the chip stays busy and writes nothing.
    void StayBusy() { stayBusy_ = true; }
    /// The cell at `address` keeps its contents through every write.
    void NeverTakes(std::uint32_t address) { neverTakes_.push_back(address); }

    // ---- What a logic analyser on the bus would show ------------------------------
    [[nodiscard]] const TwoWireProbe& Probe() const { return probe_; }
    /// Bus times shorter than the datasheet's go into `view` (nullptr: not watched).
    void Watch(ChipView* view) { view_ = view; }
    /// Times the board drove the data line high while the chip pulled it low.
    [[nodiscard]] int Contentions() const { return contentions_; }
    /// Waiting for a start condition (not mid-transfer, not writing).
    [[nodiscard]] bool Standby() const { return state_ == State::Standby; }

  private:
    enum class State {
        Standby,     // waiting for a start condition; off the bus
        Control,     // taking the control byte
        AddressHigh, // taking the first of two word address bytes
        AddressLow,  // taking the (last) word address byte
        Writing,     // taking data bytes into the page buffer
        Sending,     // shifting bytes out to the master
        WriteCycle   // programming the page: every input is ignored
    };

    void ClockRose(bool data);
    void ClockFell();
    void StartCondition();
    void StopCondition(std::int64_t nowNs);
    /// A whole byte came in; true when the chip acknowledges it.
    bool ByteReceived(std::uint8_t byte);
    bool ControlByte(std::uint8_t byte);
    void PutBitOnLine();
    void FinishWriteCycle();
    [[nodiscard]] std::uint32_t Wrap(std::uint32_t address) const {
        return address % static_cast<std::uint32_t>(mem_.size());
    }

    std::string name_;
    SerialEepromPart part_;
    std::vector<std::uint8_t> mem_;

    State state_ = State::Standby;
    bool clock_ = false;
    bool boardHigh_ = true; // the board's own level on the data line
    bool pullLow_ = false;  // the chip's open-drain output is on
    bool inAck_ = false;    // the ninth clock of a frame
    bool chipAcks_ = false; // ...in which the chip is the receiver that acknowledges
    int bits_ = 0;
    unsigned shift_ = 0;
    std::uint32_t counter_ = 0; // the chip's word address counter
    std::uint32_t highAddress_ = 0;
    std::uint8_t outByte_ = 0;
    bool masterAcked_ = false;
    std::map<std::uint32_t, std::uint8_t> page_; // the page write buffer
    std::int64_t writeDoneNs_ = 0;

    bool stayBusy_ = false;
    std::vector<std::uint32_t> neverTakes_;
    TwoWireProbe probe_;
    /// The standard-mode bus times between the last edges and this change.
    void CheckBusTimes(bool clockBefore, bool dataBefore, std::int64_t nowNs);
    ChipView* view_ = nullptr;
    std::int64_t clockEdgeNs_ = 0;
    std::int64_t conditionNs_ = -1'000'000'000; // the last start or stop
    int contentions_ = 0;
    bool contending_ = false;
};

/// The serial EEPROM `name` holding `contents` (resized to the part, padded with
/// FFh); null for a name that is no 24Cxx part's.
std::unique_ptr<SerialEeprom> MakeSimSerialEeprom(const std::string& name,
                                                  std::vector<std::uint8_t> contents);

} // namespace quorbit::sim
