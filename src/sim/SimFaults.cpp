// Fault kinds of the simulated chips. Each kind is one row: its name, its form for
// the operator, and a small function that reads its fields and applies it.
#include "sim/SimFaults.h"

#include <charconv>
#include <stdexcept>
#include <vector>

#include "sim/PageWriteChip.h"
#include "sim/SimFlash.h"

namespace quorbit::sim {
namespace {

using Fields = std::vector<std::string>;

std::vector<std::string> Split(const std::string& text, char separator) {
    std::vector<std::string> parts;
    std::size_t from = 0;
    for (;;) {
        const auto at = text.find(separator, from);
        parts.push_back(text.substr(from, at - from));
        if (at == std::string::npos) return parts;
        from = at + 1;
    }
}

bool Number(const std::string& text, int base, unsigned long& value) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, value, base);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

/// A hexadecimal address inside the chip.
bool CellAddress(const std::string& text, std::size_t chipSize, std::uint32_t& address) {
    unsigned long value = 0;
    if (!Number(text, 16, value) || value >= chipSize) return false;
    address = static_cast<std::uint32_t>(value);
    return true;
}

/// ADDRESS:BIT:LEVEL - that bit of the cell always reads LEVEL (it never takes).
bool ApplyStuck(ParallelChip& chip, const Fields& f, std::size_t size) {
    std::uint32_t address = 0;
    unsigned long bit = 0, level = 0;
    if (f.size() != 3 || !CellAddress(f[0], size, address) || !Number(f[1], 10, bit) ||
        !Number(f[2], 10, level) || bit > 7 || level > 1)
        return false;
    chip.StickBit(address, static_cast<int>(bit), level == 1);
    return true;
}

/// ADDRESS:N - a weak cell: N datasheet pulses' worth of programming time (a UV
/// EPROM), or its N-th write cycle (a page-write part), before it takes a write.
bool ApplyWeak(ParallelChip& chip, const Fields& f, std::size_t size) {
    std::uint32_t address = 0;
    unsigned long pulses = 0;
    if (f.size() != 2 || !CellAddress(f[0], size, address) || !Number(f[1], 10, pulses) ||
        pulses < 1 || pulses > 65535)
        return false;
    chip.MakeWeak(address, static_cast<int>(pulses));
    return true;
}

/// busy - a page-write part whose write cycle never ends.
bool ApplyBusy(ParallelChip& chip, const Fields& f, std::size_t) {
    auto* part = dynamic_cast<PageWriteChip*>(&chip);
    if (!f.empty() || !part) return false;
    part->StayBusy();
    return true;
}

/// protected - a page-write part with software data protection on.
bool ApplyProtected(ParallelChip& chip, const Fields& f, std::size_t) {
    auto* part = dynamic_cast<PageWriteChip*>(&chip);
    if (!f.empty() || !part) return false;
    part->StartProtected();
    return true;
}

/// erase-hangs - a JEDEC flash whose embedded erase never completes.
bool ApplyEraseHangs(ParallelChip& chip, const Fields& f, std::size_t) {
    auto* flash = dynamic_cast<FlashFaults*>(&chip);
    if (!flash || !f.empty()) return false;
    flash->SetEraseHangs(true);
    return true;
}

/// erasing - a JEDEC flash still in a chip erase that never ends.
bool ApplyErasing(ParallelChip& chip, const Fields& f, std::size_t) {
    auto* flash = dynamic_cast<FlashFaults*>(&chip);
    if (!flash || !f.empty()) return false;
    flash->StayErasing();
    return true;
}

/// id:MMDD - a JEDEC flash answering another maker and device code.
bool ApplyOtherId(ParallelChip& chip, const Fields& f, std::size_t) {
    auto* flash = dynamic_cast<FlashFaults*>(&chip);
    unsigned long codes = 0;
    if (!flash || f.size() != 1 || f[0].size() != 4 || !Number(f[0], 16, codes)) return false;
    flash->SetIdCodes(static_cast<std::uint8_t>(codes >> 8), static_cast<std::uint8_t>(codes));
    return true;
}

struct Kind {
    const char* name; // "" for the form without a kind word
    const char* form;
    bool (*apply)(ParallelChip& chip, const Fields& fields, std::size_t chipSize);
};

const Kind kKinds[] = {
    {"stuck", "[stuck:]ADDRESS:BIT:LEVEL (e.g. 1F3:0:1)", ApplyStuck},
    {"weak", "weak:ADDRESS:PULSES (e.g. weak:100:60)", ApplyWeak},
    {"busy", "busy (AT29C256, X28C256: the write cycle never ends)", ApplyBusy},
    {"protected", "protected (AT29C256, X28C256: data protection on)", ApplyProtected},
    {"erase-hangs", "erase-hangs (a 5 V flash chip)", ApplyEraseHangs},
    {"erasing", "erasing (a 5 V flash chip still erasing, for ever)", ApplyErasing},
    {"id", "id:MMDD, maker and device code of a 5 V flash chip (e.g. id:BF07)", ApplyOtherId},
};

/// busy - the serial EEPROM's first write cycle never ends.
bool ApplyBusy(SerialEeprom& chip, const Fields& f, std::size_t) {
    if (!f.empty()) return false;
    chip.StayBusy();
    return true;
}

/// nowrite:ADDRESS - that byte of the serial EEPROM never takes a write.
bool ApplyNoWrite(SerialEeprom& chip, const Fields& f, std::size_t size) {
    std::uint32_t address = 0;
    if (f.size() != 1 || !CellAddress(f[0], size, address)) return false;
    chip.NeverTakes(address);
    return true;
}

struct SerialKind {
    const char* name;
    const char* form;
    bool (*apply)(SerialEeprom& chip, const Fields& fields, std::size_t chipSize);
};

const SerialKind kSerialKinds[] = {
    {"busy", "busy (serial EEPROM: its write cycle never ends)", ApplyBusy},
    {"nowrite", "nowrite:ADDRESS (serial EEPROM: that byte never takes)", ApplyNoWrite},
};

void ApplyOne(SerialEeprom& chip, const std::string& text, std::size_t chipSize) {
    Fields fields = Split(text, ':');
    for (const SerialKind& k : kSerialKinds) {
        if (fields[0] != k.name) continue;
        fields.erase(fields.begin());
        if (k.apply(chip, fields, chipSize)) return;
        throw std::invalid_argument("Bad --sim-fault " + text + ": use " + k.form +
                                    ", address in hex inside the chip");
    }
    throw std::invalid_argument("Bad --sim-fault " + text +
                                " for a serial EEPROM: use busy or nowrite:ADDRESS");
}

void ApplyOne(ParallelChip& chip, const std::string& text, std::size_t chipSize) {
    Fields fields = Split(text, ':');
    const Kind* kind = &kKinds[0]; // no kind word: a stuck bit
    for (const Kind& k : kKinds) {
        if (fields[0] != k.name) continue;
        kind = &k;
        fields.erase(fields.begin());
        break;
    }
    if (!kind->apply(chip, fields, chipSize))
        throw std::invalid_argument("Bad --sim-fault " + text + ": use " + kind->form +
                                    ", address in hex inside the chip; forms: " + FaultForms());
}

} // namespace

void ApplyFaults(ParallelChip& chip, const std::string& text, std::size_t chipSize) {
    for (const std::string& one : Split(text, ','))
        ApplyOne(chip, one, chipSize);
}

void ApplyFaults(SerialEeprom& chip, const std::string& text, std::size_t chipSize) {
    for (const std::string& one : Split(text, ','))
        ApplyOne(chip, one, chipSize);
}

std::string FaultForms() {
    std::string forms;
    for (const Kind& k : kKinds)
        forms += (forms.empty() ? "" : ", ") + std::string(k.form);
    for (const SerialKind& k : kSerialKinds)
        forms += ", " + std::string(k.form);
    return forms;
}

} // namespace quorbit::sim
