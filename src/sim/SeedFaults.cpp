// Each kind is a row: which chips it applies to and how it draws its fields from
// the seed. Draws use the raw engine output (std::mt19937 is the same on every
// platform, the standard distributions are not), so a seed means the same fault
// everywhere.
#include "sim/SeedFaults.h"

#include <charconv>
#include <random>
#include <vector>

#include "catalog/Catalog.h"
#include "sim/ChipFactory.h"

namespace quorbit::sim {
namespace {

using Engine = std::mt19937;

std::uint32_t Draw(Engine& engine, std::uint32_t below) {
    return below == 0 ? 0 : static_cast<std::uint32_t>(engine() % below);
}

std::string Hex(std::uint32_t value) {
    char text[16];
    const auto r = std::to_chars(text, text + sizeof text, value, 16);
    std::string out(text, r.ptr);
    for (char& c : out)
        if (c >= 'a' && c <= 'f') c = static_cast<char>(c - 'a' + 'A');
    return out;
}

bool Parallel(const CatalogRow& row) {
    return row.family == 'P' || row.family == 'E' || row.family == 'F';
}
bool UvEprom(const CatalogRow& row) {
    return row.family == 'P';
}
bool Serial24Cxx(const CatalogRow& row) {
    return row.family == 'S';
}
bool PageWritePart(const CatalogRow& row) {
    return row.family == 'E' || (row.family == 'F' && row.subtype == 'A');
}
bool Flash5V(const CatalogRow& row) {
    return row.family == 'F' && row.subtype != 'A';
}
bool AnyChip(const CatalogRow&) {
    return true;
}

/// A cell bit that always reads one level.
std::string Stuck(Engine& e, std::size_t size) {
    const std::uint32_t address = Draw(e, static_cast<std::uint32_t>(size));
    const std::uint32_t bit = Draw(e, 8);
    return "stuck:" + Hex(address) + ":" + std::to_string(bit) + ":" + std::to_string(Draw(e, 2));
}

/// A cell slow to take its charge: sometimes within the routine's 255 attempts,
/// sometimes beyond them.
std::string Weak(Engine& e, std::size_t size) {
    const std::uint32_t address = Draw(e, static_cast<std::uint32_t>(size));
    const std::uint32_t pulses = 2 + Draw(e, 300);
    return "weak:" + Hex(address) + ":" + std::to_string(pulses);
}

/// A read-back bit that flips about once or a few times per pass over the chip.
std::string Flip(Engine& e, std::size_t size) {
    const auto half = static_cast<std::uint32_t>(size / 2);
    const std::uint32_t oneIn = half + Draw(e, static_cast<std::uint32_t>(size) * 4);
    return "flip:" + std::to_string(oneIn) + ":" + std::to_string(1 + Draw(e, 0x7FFFFFFF));
}

/// A serial EEPROM whose internal write cycle never ends (it never acknowledges again).
std::string Busy(Engine&, std::size_t) {
    return "busy";
}

/// A serial EEPROM byte that never takes a write.
std::string NoWrite(Engine& e, std::size_t size) {
    return "nowrite:" + Hex(Draw(e, static_cast<std::uint32_t>(size)));
}

/// A page-write part whose write cycle never ends, or whose data protection is on.
std::string PageBusy(Engine&, std::size_t) {
    return "busy";
}
std::string Protected(Engine&, std::size_t) {
    return "protected";
}

/// A 5 V flash chip whose erase never finishes, or that answers another ID.
std::string EraseHangs(Engine&, std::size_t) {
    return "erase-hangs";
}
std::string OtherId(Engine& e, std::size_t) {
    std::string id = Hex(0x1000 + Draw(e, 0xF000));
    return "id:" + id;
}

struct SeedKind {
    bool (*applies)(const CatalogRow& row);
    std::string (*make)(Engine& engine, std::size_t chipSize);
};

const SeedKind kSeedKinds[] = {
    {Parallel, Stuck},      {UvEprom, Weak},           {Serial24Cxx, Busy},
    {Serial24Cxx, NoWrite}, {PageWritePart, PageBusy}, {PageWritePart, Protected},
    {Flash5V, EraseHangs},  {Flash5V, OtherId},        {AnyChip, Flip},
};

} // namespace

std::string FaultForSeed(std::uint32_t seed, int row) {
    const std::size_t size = SimChipSize(row);
    if (size == 0) return {};
    const CatalogRow& entry = CatalogTable()[static_cast<std::size_t>(row)];
    std::vector<const SeedKind*> kinds;
    for (const SeedKind& kind : kSeedKinds)
        if (kind.applies(entry)) kinds.push_back(&kind);
    if (kinds.empty()) return {};
    Engine engine(seed);
    const SeedKind& kind = *kinds[Draw(engine, static_cast<std::uint32_t>(kinds.size()))];
    return kind.make(engine, size);
}

bool ParseFaultSeed(const std::string& text, std::uint32_t& seed) {
    const char* end = text.data() + text.size();
    const auto r = std::from_chars(text.data(), end, seed, 10);
    return !text.empty() && r.ec == std::errc() && r.ptr == end;
}

} // namespace quorbit::sim
