#pragma once
// The board behind the printer port: five write-only registers latched through
// the LPT data and control registers, shadow copies of them, the named line
// operations, the address counters, the pacing delays and the two-nibble read-back.
#include <array>
#include <cstdint>

#include "hw/PortIo.h"

namespace quorbit {

class Board;

/// Marks the byte loads of one page or command sequence (Board::LoadingPage).
class PageLoadWindow {
  public:
    explicit PageLoadWindow(Board& board);
    ~PageLoadWindow();
    PageLoadWindow(const PageLoadWindow&) = delete;
    PageLoadWindow& operator=(const PageLoadWindow&) = delete;

  private:
    Board& board_;
    bool was_;
};

class Board {
  public:
    explicit Board(PortIo& io) : io_(&io) {}
    void AttachPort(PortIo& io) {
        io_ = &io;
        ForgetRegisters();
    }
    [[nodiscard]] PortIo& Port() const { return *io_; }

    // ---- Port and model -------------------------------------------------------
    int DataPort = 0;
    int StatusPort = 0;
    int ControlPort = 0;
    int BoardModel = 0; // 0 none known, 4, 5 or 6

    std::array<int, 5> Model4Select{}, Model4Strobe{}, Model56Select{}, Model56Strobe{};
    std::array<int, 5> RegSelect{}, RegStrobe{};
    int ReadSelectLow = 0;
    int ReadSelectHigh = 0;

    void InitRegisterTables();
    /// Status and control addresses from DataPort; register and read-select codes
    /// of the current model (kept as they were for an unknown model).
    void PortSetup();
    /// Decode tables and identity address maps.
    void BuildLookupTables();

    // ---- Register shadows and latching ------------------------------------------
    int Reg0Shadow = 0, Reg1Shadow = 0, Reg2Shadow = 0, Reg3Shadow = 0, Reg4Shadow = 0;
    int& Shadow(int reg);

    /// Latches the shadow of register n: data byte, select, strobe, select, with a
    /// PaceWrite after each of the first three writes.
    void SetReg(int reg);
    void SetReg0() { SetReg(0); }
    void SetReg1() { SetReg(1); }
    void SetReg2() { SetReg(2); }
    void SetReg3() { SetReg(3); }
    void SetReg4() { SetReg(4); }

    // Line operations: change the named shadow bits, then latch.
    void EnableChip();
    void DisableChip();
    void EnableOutput();
    void DisableOutput();
    void EnableChipAndOutput();
    void DisableChipAndOutput();
    void DriveDataPins();
    void ReleaseDataPins();
    void ApplyVpp24();
    void RemoveVpp24();
    void BoardIndicatorOn();
    void BoardIndicatorOff();
    void FlipBoardIndicator();

    // ---- Address -----------------------------------------------------------------
    std::int32_t Address = 0;
    std::int32_t AdrLow = 0, AdrPage = 0, AdrBank = 0;
    std::int32_t PageSize = 256, BankSize = 65536;
    std::array<int, 256> PageMap{}, BankMap{};
    int DeviceReg1Bits = 0;
    int DeviceReg3Bits = 0;

    void SplitAddress();
    void NextAddress();
    void LatchAddress();
    void LatchFlashAddress() { LatchAddress(); }
    void LatchX28Address();
    /// Registers 0..3 to idle with address 0 (the board half of Reset).
    void ResetLines();

    // ---- Timing ------------------------------------------------------------------
    std::int32_t ShortDelayFactor = 5, MediumDelayFactor = 100, LongDelayFactor = 500;
    std::int32_t PortDelayCount = 0, MediumDelayCount = 0, LongDelayCount = 0;

    void WaitStatusSettle();
    void PaceWrite();
    /// Set while the bytes of a page (or a command sequence) are loaded into a
    /// page-write part: the loads must follow each other within the chip's
    /// byte-load window, so the speed slider's pause after each port write is left
    /// out there. The port's own access time already exceeds the write-pulse
    /// timings the parts need (tWP 100 ns, tWPH 50 ns, tDS 50 ns).
    bool LoadingPage = false;
    /// Real length of one step of WaitProgramPulse and WaitPulseExtension, the EPROMs' pulse
    /// widths: chosen with the device so that the default speed gives its
    /// datasheet's pulse (0: the port's own step length).
    std::int64_t PulseStepNs = 0;
    void WaitProgramPulse();
    void WaitPulseExtension();
    /// A program pulse timed by the system clock (the 2716/2732 parts' 5 ms).
    void SleepProgramPulse(int milliseconds);
    void WaitVerifySettle();
    void WaitBusTurnaround();
    void WaitCommandStep();
    /// Between two reads of a poll that waits out a write cycle of milliseconds.
    void WaitBetweenPolls();
    void SleepMs(int milliseconds);
    /// The port's clock (ns), for waits bounded by a chip's own times.
    [[nodiscard]] std::int64_t NowNs() const { return io_->NowNs(); }
    /// Waits in counted steps until the port's clock reads `ns` or later.
    void WaitUntilNs(std::int64_t ns);
    /// Overran pulses already told to the operator; a page-load refusal logged.
    std::int64_t OverranPulsesReported = 0;
    bool PageLoadRefusalLogged = false;

    // ---- Read-back -----------------------------------------------------------------
    std::uint8_t DataIn = 0;
    /// The byte being programmed (or shifted out on the serial bus).
    std::uint8_t DataOut = 0;
    std::uint8_t StatusLowRaw = 0, StatusHighRaw = 0, NibbleLow = 0, NibbleHigh = 0, RawPair = 0;
    std::array<std::uint8_t, 256> Model4DecodeTable{}, LowNibbleTable{}, HighNibbleTable{};

    /// One byte of the chip at the address and lines already set up; also left in
    /// DataIn, which the window's variables show.
    std::uint8_t ReadDataByte();
    /// The upper half only (the serial data line is bit 7); also left in DataIn.
    std::uint8_t ReadHighNibble();

    // ---- Raw port access, guarded: with no port chosen nothing reaches the port. ----
    void Out(int port, int value);
    std::uint8_t In(int port);

    // ---- Fast port access (--fast) ------------------------------------------------
    /// The same register values in the same order, in fewer port accesses: a latch
    /// the register already holds is left out, a register stays transparent after
    /// its latch so that its next value takes one data write, and the slider's
    /// pause after each latch write is left out. Off: every latch as above.
    bool FastPort = false;
    /// Switches FastPort between commands, releasing a register the fast latch held.
    void SetFastPort(bool on);
    /// Leaves no register following the data port (the end of a command).
    void ReleaseHeldRegister();
    /// What board register `reg` holds as far as the port writes tell (-1: not
    /// known, before the first latch of it on this port and model).
    [[nodiscard]] int Holds(int reg) const { return holds_.at(static_cast<std::size_t>(reg)); }
    /// The register the control port now holds transparent (its strobe code), or -1.
    [[nodiscard]] int HeldRegister() const;
    /// Nothing known of the board's registers (another port, model or board).
    void ForgetRegisters();
    /// What the registers hold is no longer taken on trust (a board switched off
    /// and on keeps its port but not its registers): each is latched in full again.
    void ForgetRegisterContents();
    /// The chip is a two-wire EEPROM: CE is its clock (SCL) and data bit 7, driven
    /// while register 3 bit 6 is clear, its data line (SDA). The fast latch holds
    /// its bus to the 100 kHz times on the port's clock (TwoWireSetReg).
    bool TwoWireBus = false;

  private:
    void FastSetReg(int reg, std::uint8_t data);
    /// FastSetReg for a two-wire bus, each line change made no sooner than the
    /// standard mode's times allow since the last one, as the port's clock tells.
    void TwoWireSetReg(int reg, std::uint8_t data);
    void GiveBackSavedLatches();
    void FastReadDataByte();
    /// A port write as it reaches the board, with what it latches noted.
    void RawOut(int port, int value);
    /// Gives up a held register before the data port changes for something else.
    void ReleaseHeld();

    /// Counted delay steps on the backend (none while no port is chosen).
    void BusyWait(std::int64_t steps);
    /// The same for a programming pulse.
    void PulseWait(std::int64_t steps);

    PortIo* io_;
    int dataSent_ = -1, controlSent_ = -1; // last bytes written (-1: none yet)
    std::array<int, 5> holds_{-1, -1, -1, -1, -1};
    // When the two-wire clock last moved, the data line last moved while it was
    // high (a start or stop), and while it was low (port clock, ns).
    std::int64_t clockEdgeNs_ = 0, conditionNs_ = 0, dataEdgeNs_ = 0;
};

/// Decoding rules, also usable without a board (tests, the simulator).
std::uint8_t Model4Decode(std::uint8_t rawPair);
std::uint8_t LowNibbleOf(std::uint8_t status);

} // namespace quorbit
