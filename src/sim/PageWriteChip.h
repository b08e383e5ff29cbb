#pragma once
// The 28-pin page-write parts as their datasheets describe them: the Atmel
// AT29C256 flash and the XICOR X28C256 EEPROM (and its Catalyst twins).
//
// Both (datasheet facts the model relies on):
// - A byte is loaded by a write pulse: CE and WE low, OE high. The address is taken
//   when the pulse starts, the data when it ends. OE low inhibits the write
//   ("holding OE low ... prevents a write cycle"), and so do CE or WE high.
// - Up to 64 bytes of one page (A6-A14 the page, A0-A5 the byte) are loaded back
//   to back; the load period ends when no new byte arrives within the byte-load
//   window (tBLC: AT29C256 150 us, X28C256 100 us). The internal write cycle then
//   runs: AT29C256 up to 10 ms (tWC max), X28C256 5 ms typical. tWC counts from
//   the last byte loaded. Loads during the write cycle are ignored.
// - DATA# polling: from the first load until the write cycle is over, a read
//   gives the complement of bit 7 of the last byte loaded; I/O6 toggles on every
//   read (toggle bit); I/O0-5 carry the last byte loaded.
// - Software data protection, with commands written as loads: AAh at 5555h, 55h
//   at 2AAAh, A0h at 5555h enables it (the page loaded after it is written);
//   AAh/55h/80h/AAh/55h/20h disables it. While protected a load without the
//   enable prefix writes nothing, but the chip still runs its write timer and
//   answers DATA# polling for tWC.
// AT29C256 only:
// - It is a flash in 64-byte sectors: a write cycle erases the whole sector, so a
//   byte of the page that was not loaded is indeterminate afterwards.
// - The write cycle does not start while OE is low: the load period ends only once
//   the window has passed with OE high. The product-ID entry and exit cycles
//   program nothing, so they take effect when the window has passed whatever OE does.
// - AAh/55h/90h enters product identification (address 0 reads the maker code
//   1Fh, address 1 the device code DCh); AAh/55h/F0h leaves it.
// - AAh/55h/80h/AAh/55h/10h erases the chip (all FFh) in tEC = 20 ms.
// The 32-pin AT29C010A, AT29C020 and AT29C040A work the same way in sectors of 128
// or 256 bytes (tBLC 150 us, tWC 10 ms, chip erase 20 ms; device codes D5h, DAh,
// A4h). Their datasheets: "Any byte that is not loaded during the programming of
// its sector will be erased to read FFh." Commands decode A0-A14 only.
// X28C256 only: an EEPROM, byte-alterable: bytes of the page not loaded keep their
// contents.
// The Atmel AT28C256 and AT28C64B (their datasheets) are EEPROMs like it in the
// same JEDEC pinout, with a byte-load window (tBLC) of 150 us and a write cycle
// of 10 ms at most. The AT28C64B is 8 KiB: pins 1 and 26 (A14 and A13 of the
// 28C256) are not connected, so it decodes A0-A12 and its software data
// protection takes AAh at 1555h and 55h at 0AAAh (5555h and 2AAAh land there).
#include <cstdint>
#include <vector>

#include "sim/ParallelChip.h"

namespace quorbit::sim {

struct PageWriteTiming {
    std::int64_t byteLoadWindowNs;
    std::int64_t writeCycleNs;
    std::int64_t chipEraseNs; // 0: the part has no chip-erase command
    bool sectorFlash;         // unloaded bytes of a written page become indeterminate
    bool oeLowHoldsWrite;     // the write cycle waits for OE high
    bool productId;           // AAh/55h/90h answers the maker and device codes
    std::uint32_t pageBytes = 64;
    std::uint32_t addressMask = 0x7FFF; // the address pins: A0-A14 on the 28-pin parts
    std::uint8_t deviceCode = 0xDC;     // product identification at address 1
    /// A byte of a written sector that was not loaded reads FFh afterwards (the
    /// 32-pin Atmel parts clear it) rather than being left indeterminate.
    bool unloadedReadErased = false;
};

PageWriteTiming At29c256Timing();
PageWriteTiming X28c256Timing();
/// The Atmel AT28C256 (32 KiB) and AT28C64B (8 KiB) EEPROMs.
PageWriteTiming At28cTiming(std::uint32_t bytes);
/// The 32-pin Atmel sector-write flash: AT29C010A (128-byte sectors), AT29C020 and
/// AT29C040A (256-byte sectors); nothing for another name.
std::optional<PageWriteTiming> AtmelSectorFlashTiming(const std::string& name);

inline constexpr std::uint8_t kAt29c256Maker = 0x1F;
inline constexpr std::uint8_t kAt29c256Device = 0xDC;

class PageWriteChip : public ParallelChip {
  public:
    PageWriteChip(std::string name, std::vector<std::uint8_t> contents, const Wiring& wiring,
                  const PageWriteTiming& timing);

    std::optional<std::uint8_t> Output(const Registers& regs) override;

    // ---- Conditions a test or the command line sets up ----------------------
    /// Software data protection on, as a part from the factory or from another
    /// programmer may be.
    void StartProtected() { protected_ = true; }
    // A weak cell (MakeWeak) stays erased (FFh) until the write cycle of its page
    // that is its N-th: that page needs N writes.
    /// The write cycle never ends: the chip answers DATA# polling for ever.
    void StayBusy() { stayBusy_ = true; }
    /// Another write cycle time (the datasheet gives 5 ms typical, 10 ms maximum).
    void SetWriteCycleNs(std::int64_t nanoseconds) { timing_.writeCycleNs = nanoseconds; }

    // ---- What happened, for tests and the benchmark -------------------------
    [[nodiscard]] bool Protected() const { return protected_; }
    [[nodiscard]] bool InProductId() const { return productIdMode_; }
    /// Write cycles that wrote data (pages), in all and of one page.
    [[nodiscard]] int PageWrites() const { return pageWrites_; }
    [[nodiscard]] int PageWritesOf(std::uint32_t page) const;
    /// Bytes loaded as page data (command cycles not counted).
    [[nodiscard]] long long DataLoads() const { return dataLoads_; }
    /// Loads ignored because they came during a write cycle or with OE low.
    [[nodiscard]] long long IgnoredLoads() const { return ignoredLoads_; }
    /// The longest time between two loads of one load period (page or command),
    /// to hold against the byte-load window.
    [[nodiscard]] std::int64_t LongestLoadGapNs() const { return longestLoadGapNs_; }

  protected:
    void PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) override;

  private:
    struct Load {
        std::uint32_t address;
        std::uint8_t data;
    };

    /// Time passed with the pins as they were: the load period may end, the write
    /// cycle may finish.
    void Advance(const ChipPins& pins, std::int64_t nowNs);
    void TakeLoad(const ChipPins& pulse, std::int64_t nowNs);
    /// The load period is over at `startNs`: commands are acted on, data written.
    void EndLoadPeriod(std::int64_t startNs);
    bool RunCommand(std::size_t& first, std::int64_t startNs);
    void WritePage(std::size_t first, std::int64_t startNs);
    void StartBusy(std::int64_t untilNs);
    [[nodiscard]] std::int64_t WriteCycleEnd(std::int64_t startNs) const;
    [[nodiscard]] bool Busy() const { return busy_ || loading_; }
    /// Whether a load's address is the command address `command` as the part decodes it.
    [[nodiscard]] bool At(std::uint32_t address, std::uint32_t command) const;
    [[nodiscard]] bool LoadsAreProductIdCommand() const;

    PageWriteTiming timing_;
    std::vector<Load> loads_; // of the current load period, commands included
    bool loading_ = false;
    std::int64_t lastLoadNs_ = 0;
    bool busy_ = false;
    std::int64_t busyUntilNs_ = 0;
    std::int64_t lastEventNs_ = 0;
    std::uint8_t lastLoaded_ = 0xFF;
    bool toggle_ = false;
    bool protected_ = false;
    bool productIdMode_ = false;
    bool stayBusy_ = false;
    std::vector<int> writesPerPage_;
    int pageWrites_ = 0;
    long long dataLoads_ = 0;
    long long ignoredLoads_ = 0;
    std::int64_t longestLoadGapNs_ = 0;
    std::uint32_t noise_ = 0x2545F491U; // what an unloaded flash byte ends up as
};

} // namespace quorbit::sim
