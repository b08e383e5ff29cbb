#include "sim/PageWriteChip.h"

#include <algorithm>
#include <array>
#include <initializer_list>

namespace quorbit::sim {
namespace {

struct Cycle {
    std::uint32_t address;
    std::uint8_t data;
};

constexpr std::array kUnlock = {Cycle{0x5555, 0xAA}, Cycle{0x2AAA, 0x55}};

} // namespace

PageWriteTiming At29c256Timing() {
    return {.byteLoadWindowNs = 150'000,
            .writeCycleNs = 10'000'000,
            .chipEraseNs = 20'000'000,
            .sectorFlash = true,
            .oeLowHoldsWrite = true,
            .productId = true};
}

std::optional<PageWriteTiming> AtmelSectorFlashTiming(const std::string& name) {
    struct Part {
        const char* name;
        std::uint32_t sectorBytes, addressMask;
        std::uint8_t device;
    };
    static constexpr Part kParts[] = {{"AT29C010A", 128, 0x1FFFF, 0xD5},
                                      {"AT29C020", 256, 0x3FFFF, 0xDA},
                                      {"AT29C040A", 256, 0x7FFFF, 0xA4}};
    for (const Part& p : kParts) {
        if (name != p.name) continue;
        PageWriteTiming t = At29c256Timing();
        t.pageBytes = p.sectorBytes;
        t.addressMask = p.addressMask;
        t.deviceCode = p.device;
        t.unloadedReadErased = true;
        return t;
    }
    return std::nullopt;
}

PageWriteTiming At28cTiming(std::uint32_t bytes) {
    return {.byteLoadWindowNs = 150'000,
            .writeCycleNs = 10'000'000,
            .chipEraseNs = 0,
            .sectorFlash = false,
            .oeLowHoldsWrite = false,
            .productId = false,
            .addressMask = bytes - 1};
}

PageWriteTiming X28c256Timing() {
    return {.byteLoadWindowNs = 100'000,
            .writeCycleNs = 5'000'000,
            .chipEraseNs = 0,
            .sectorFlash = false,
            .oeLowHoldsWrite = false,
            .productId = false};
}

PageWriteChip::PageWriteChip(std::string name, std::vector<std::uint8_t> contents,
                             const Wiring& wiring, const PageWriteTiming& timing)
    : ParallelChip(std::move(name), std::move(contents), wiring), timing_(timing) {
    writesPerPage_.assign((Memory().size() + timing_.pageBytes - 1) / timing_.pageBytes, 0);
}

bool PageWriteChip::At(std::uint32_t address, std::uint32_t command) const {
    // Command cycles decode A0-A14, or the fewer address lines the part has.
    const std::uint32_t decoded = timing_.addressMask & 0x7FFF;
    return (address & decoded) == (command & decoded);
}

int PageWriteChip::PageWritesOf(std::uint32_t page) const {
    return page < writesPerPage_.size() ? writesPerPage_[page] : 0;
}

std::optional<std::uint8_t> PageWriteChip::Output(const Registers& regs) {
    const auto cell = ParallelChip::Output(regs);
    if (!cell) return std::nullopt;
    if (Busy()) {
        // DATA# polling on I/O7, the toggle bit on I/O6.
        return static_cast<std::uint8_t>((~lastLoaded_ & 0x80) | (toggle_ ? 0x40 : 0) |
                                         (lastLoaded_ & 0x3F));
    }
    if (productIdMode_) return (AddressOf(regs) & 1) != 0 ? timing_.deviceCode : kAt29c256Maker;
    return cell;
}

void PageWriteChip::PinsChanged(const ChipPins& before, const ChipPins& now, std::int64_t nowNs) {
    Advance(before, nowNs);
    if (!before.powered) return;
    const bool pulseBefore = before.ce && before.we;
    const bool pulseNow = now.ce && now.we;
    if (pulseBefore && !pulseNow) TakeLoad(before, nowNs);
    if (now.ce && now.oe && !(before.ce && before.oe)) toggle_ = !toggle_;
}

void PageWriteChip::Advance(const ChipPins& pins, std::int64_t nowNs) {
    if (loading_) {
        std::int64_t end = lastLoadNs_ + timing_.byteLoadWindowNs;
        bool held = false;
        if (timing_.oeLowHoldsWrite && !LoadsAreProductIdCommand()) {
            // OE low holds the write off; OE high since the last event lets it go.
            held = pins.oe;
            if (end < lastEventNs_) end = lastEventNs_;
        }
        if (!held && end <= nowNs) EndLoadPeriod(end);
    }
    if (busy_ && !stayBusy_ && nowNs >= busyUntilNs_) busy_ = false;
    lastEventNs_ = nowNs;
}

bool PageWriteChip::LoadsAreProductIdCommand() const {
    // Entry (90h) and exit (F0h) program nothing: there is no write cycle for OE to
    // hold, and the mode changes once the three cycles are in.
    return timing_.productId && loads_.size() == 3 && At(loads_[0].address, 0x5555) &&
           loads_[0].data == 0xAA && At(loads_[1].address, 0x2AAA) && loads_[1].data == 0x55 &&
           At(loads_[2].address, 0x5555) && (loads_[2].data == 0x90 || loads_[2].data == 0xF0);
}

void PageWriteChip::TakeLoad(const ChipPins& pulse, std::int64_t nowNs) {
    if (pulse.oe || busy_) {
        ++ignoredLoads_;
        return;
    }
    if (!loading_) {
        loading_ = true;
        loads_.clear();
    } else {
        longestLoadGapNs_ = std::max(longestLoadGapNs_, nowNs - lastLoadNs_);
    }
    const std::uint8_t data = pulse.boardDrivesData ? pulse.boardData : 0xFF; // pull-ups
    loads_.push_back({pulse.address & timing_.addressMask, data});
    lastLoaded_ = data;
    lastLoadNs_ = nowNs;
}

bool PageWriteChip::RunCommand(std::size_t& first, std::int64_t startNs) {
    auto matches = [&](std::initializer_list<std::uint8_t> codes) {
        // Unlock cycles first, then command bytes at 5555h, or the six-cycle form.
        std::size_t i = first;
        const bool sixCycle = codes.size() == 2;
        std::vector<Cycle> want(kUnlock.begin(), kUnlock.end());
        auto code = codes.begin();
        want.push_back({0x5555, *code});
        if (sixCycle) {
            want.insert(want.end(), kUnlock.begin(), kUnlock.end());
            want.push_back({0x5555, *(code + 1)});
        }
        if (loads_.size() - first < want.size()) return false;
        for (const Cycle& c : want) {
            if (!At(loads_[i].address, c.address) || loads_[i].data != c.data) return false;
            ++i;
        }
        first = i;
        return true;
    };
    if (matches({0x80, 0x20})) {
        protected_ = false;
        return true;
    }
    if (timing_.chipEraseNs > 0 && matches({0x80, 0x10})) {
        for (auto& b : Memory())
            b = 0xFF;
        lastLoaded_ = 0xFF;
        StartBusy(startNs + timing_.chipEraseNs);
        first = loads_.size(); // nothing else happens in this period
        return false;
    }
    if (timing_.productId && matches({0x90})) {
        productIdMode_ = true;
        return true;
    }
    if (timing_.productId && matches({0xF0})) {
        productIdMode_ = false;
        return true;
    }
    return false;
}

void PageWriteChip::EndLoadPeriod(std::int64_t startNs) {
    loading_ = false;
    std::size_t first = 0;
    bool enable = false;
    for (;;) {
        if (first + 3 <= loads_.size() && At(loads_[first].address, 0x5555) &&
            loads_[first].data == 0xAA && At(loads_[first + 1].address, 0x2AAA) &&
            loads_[first + 1].data == 0x55 && At(loads_[first + 2].address, 0x5555) &&
            loads_[first + 2].data == 0xA0) {
            // Protection on; the page that follows is written all the same.
            protected_ = true;
            enable = true;
            first += 3;
            continue;
        }
        if (!RunCommand(first, startNs)) break;
    }
    if (first >= loads_.size()) {
        if (enable) StartBusy(WriteCycleEnd(startNs));
        return;
    }
    if (protected_ && !enable) {
        // Nothing is written, but the write timer runs.
        StartBusy(WriteCycleEnd(startNs));
        return;
    }
    WritePage(first, startNs);
}

void PageWriteChip::WritePage(std::size_t first, std::int64_t startNs) {
    auto& mem = Memory();
    // The page is the one of the first byte loaded; A0-A5 of each load pick its byte.
    const std::uint32_t pageBytes = timing_.pageBytes;
    const std::uint32_t page = loads_[first].address / pageBytes;
    const std::uint32_t base = page * pageBytes;
    std::vector<std::optional<std::uint8_t>> bytes(pageBytes);
    for (std::size_t i = first; i < loads_.size(); ++i)
        bytes[loads_[i].address % pageBytes] = loads_[i].data;
    for (std::uint32_t offset = 0; offset < pageBytes; ++offset) {
        const std::uint32_t address = base + offset;
        if (address >= mem.size()) continue;
        if (bytes[offset]) {
            mem[address] = *bytes[offset];
        } else if (timing_.unloadedReadErased) {
            mem[address] = 0xFF;
        } else if (timing_.sectorFlash) {
            noise_ ^= noise_ << 13;
            noise_ ^= noise_ >> 17;
            noise_ ^= noise_ << 5;
            mem[address] = static_cast<std::uint8_t>(noise_);
        }
    }
    if (page < writesPerPage_.size()) {
        const int writes = ++writesPerPage_[page];
        for (std::uint32_t offset = 0; offset < pageBytes; ++offset) {
            const std::uint32_t address = base + offset;
            if (address < mem.size() && writes < PulsesToTake(address)) mem[address] = 0xFF;
        }
    }
    ++pageWrites_;
    dataLoads_ += static_cast<long long>(loads_.size() - first);
    StartBusy(WriteCycleEnd(startNs));
}

std::int64_t PageWriteChip::WriteCycleEnd(std::int64_t startNs) const {
    // tWC counts from the last byte loaded, the byte-load window included.
    return startNs - timing_.byteLoadWindowNs + timing_.writeCycleNs;
}

void PageWriteChip::StartBusy(std::int64_t untilNs) {
    busy_ = true;
    busyUntilNs_ = untilNs;
}

} // namespace quorbit::sim
