#include "catalog/Catalog.h"

#include <algorithm>
#include <cctype>
#include <deque>
#include <vector>

#include "app/App.h"

namespace quorbit {
namespace {

// The routines of each kind of chip: what programs it, and what erases it.
constexpr ChipRoutines kNoRoutine{};
constexpr ChipRoutines kEprom2732{ProgramRoutine::Eprom2732, EraseRoutine::None,
                                  AddressPins::Eprom};
constexpr ChipRoutines kEprom2764{ProgramRoutine::Eprom2764, EraseRoutine::None,
                                  AddressPins::Eprom};
constexpr ChipRoutines kEprom27256{ProgramRoutine::Eprom27256, EraseRoutine::None,
                                   AddressPins::Eprom};
constexpr ChipRoutines kEprom27010{ProgramRoutine::Eprom27010, EraseRoutine::None,
                                   AddressPins::Eprom};
constexpr ChipRoutines kEprom27080{ProgramRoutine::Eprom27080, EraseRoutine::None,
                                   AddressPins::Eprom};
constexpr ChipRoutines kAt29c256{ProgramRoutine::At29c256, EraseRoutine::At29c256,
                                 AddressPins::Flash};
constexpr ChipRoutines kJedecFlash{ProgramRoutine::JedecFlash, EraseRoutine::JedecFlash,
                                   AddressPins::Flash};
constexpr ChipRoutines kPageEeprom{ProgramRoutine::PageEeprom, EraseRoutine::PageEeprom,
                                   AddressPins::PageEeprom};
constexpr ChipRoutines kSerial24c16{ProgramRoutine::Serial24c16, EraseRoutine::Serial24c16Fill};
constexpr ChipRoutines kSerial24c32{ProgramRoutine::Serial24c32, EraseRoutine::Serial24c32Fill};

// UV EPROM program pulses: 1 ms for the 2764/27128 families (Intel 2764A, 27C64,
// 27128A: 0.95-1.05 ms), 100 us for the 27C256 to 27C040 families (ST M27C256B:
// 95-105 us), 50 us for the 27C080 (ST M27C801: 47.5-52.5 us).
constexpr ChipFacts kPulse1ms{.programPulseUs = 1000};
constexpr ChipFacts kPulse100us{.programPulseUs = 100};
constexpr ChipFacts kPulse50us{.programPulseUs = 50};

// The slow NMOS parts (2716/2732, 2764) take long delays; the 27C801/27C080 short ones.
constexpr ChipWiring kSlowNmos{{50, 20000, 100000}};
constexpr ChipWiring kFast27080{{2, 50, 250}};
// Register-0 bits of the 27256-style routine while it programs.
constexpr ChipWiring k27256Pins{{}, 0x10};
constexpr ChipWiring k27C040Pins{{}, 0x20};

// The AMD-type 32-pin flash (AM29F010/020/040 datasheets): a byte programs in
// 7 us typically; the EN29F040 and A29040 rows, on the same routine, are taken alike.
constexpr ChipFacts kAmdFlash{.byteProgramTypicalUs = 7};

// SST39SF010A/020A/040 (Microchip SST39SF010A/020A/040 datasheet): maker BFh,
// devices B5h/B6h/B7h; command cycles decoded on A0-A14 only; 4 KiB sectors;
// byte program 20 us at most (14 typical), chip erase 100 ms at most (70 typical).
constexpr ChipFacts Sst39sf(std::uint16_t id) {
    return {.flashId = id,
            .commandAddressMask = 0x7FFF,
            .sectorBytes = 4096,
            .byteProgramTypicalUs = 14,
            .byteProgramMaxUs = 20,
            .chipEraseMaxMs = 100};
}

// Serial EEPROM pages (Atmel AT24C08A/16A, AT24C32/64, AT24C128/256 datasheets):
// 16 bytes with one address byte; 32 or 64 with two.
constexpr ChipFacts k24c08{.pageBytes = 16, .addressBytes = 1};
constexpr ChipFacts k24c32{.pageBytes = 32, .addressBytes = 2};
constexpr ChipFacts k24c256{.pageBytes = 64, .addressBytes = 2};

// Atmel AT28C256 and AT28C64B datasheets: 64-byte pages, a byte-load window of
// 150 us, a write cycle of 10 ms at most.
constexpr ChipFacts kAt28c{.pageBytes = 64, .byteLoadWindowUs = 150, .writeCycleMaxMs = 10};

std::vector<CatalogRow> BuiltInRows() {
    return {
        {"", ' ', ' ', 0, 0, 0, 0, false, kNoRoutine},                                   // 0: empty
        {"Eprom 2716", 'P', '1', 4, 32, 0, 3, false, kEprom2732, {}, kSlowNmos},         // 1
        {"Eprom 2732A", 'P', '1', 4, 32, 0, 3, true, kEprom2732, {}, kSlowNmos},         // 2
        {"Eprom 2732B", 'P', '1', 4, 32, 0, 1, true, kEprom2732, {}, kSlowNmos},         // 3
        {"Eprom 2732", 'P', '1', 4, 32, 0, 3, true, kEprom2732, {}, kSlowNmos},          // 4
        {"Eprom 27C32", 'P', '1', 4, 32, 0, 3, true, kEprom2732, {}, kSlowNmos},         // 5
        {"Eprom 2764", 'P', '2', 8, 192, 2, 3, true, kEprom2764, kPulse1ms, kSlowNmos},  // 6
        {"Eprom 27C64", 'P', '2', 8, 192, 2, 1, true, kEprom2764, kPulse1ms, kSlowNmos}, // 7
        {"Eprom 27128", 'P', '3', 16, 192, 2, 3, true, kEprom2764, kPulse1ms},           // 8
        {"Eprom 27C128", 'P', '3', 16, 192, 2, 1, true, kEprom2764, kPulse1ms},          // 9
        {"Eprom 27256", 'P', '4', 32, 128, 2, 3, true, kEprom27256, kPulse100us, k27256Pins},  // 10
        {"Eprom 27C256", 'P', '4', 32, 128, 2, 1, true, kEprom27256, kPulse100us, k27256Pins}, // 11
        {"Eprom 27C259", 'P', '4', 32, 0, 2, 1, true, kEprom27256, kPulse100us, k27256Pins},   // 12
        {"Eprom 27C512", 'P', '5', 64, 0, 2, 1, true, kEprom27080, kPulse100us},               // 13
        {"Eprom 27C1001", 'P', '6', 128, 0, 12, 1, true, kEprom27010, kPulse100us},            // 14
        {"Eprom 27C010", 'P', '6', 128, 0, 12, 1, true, kEprom27010, kPulse100us},             // 15
        {"Eprom 27C2001", 'P', '7', 256, 0, 12, 1, true, kEprom27010, kPulse100us},            // 16
        {"Eprom 27C020", 'P', '7', 256, 0, 12, 1, true, kEprom27010, kPulse100us},             // 17
        {"Eprom 27C4001", 'P', '8', 512, 0, 8, 1, true, kEprom27256, kPulse100us,
         k27C040Pins},                                                                         // 18
        {"Eprom 27C040", 'P', '8', 512, 0, 8, 1, true, kEprom27256, kPulse100us, k27C040Pins}, // 19
        {"Eprom 27C801", 'P', '9', 1024, 0, 0, 1, true, kEprom27080, kPulse50us, kFast27080},  // 20
        {"Eprom 27C080", 'P', '9', 1024, 0, 0, 1, true, kEprom27080, kPulse50us, kFast27080},  // 21
        {"Eprom 27C080 OTP", 'P', 'M', 1024, 0, 0, 1, true, kEprom27080, kPulse50us},          // 22
        {"Flash Atmel AT29C256", 'F', 'A', 32, 128, 2, 0, true, kAt29c256},                    // 23
        {"Flash AMIC A29040", 'F', 'L', 512, 0, 4, 0, false, kJedecFlash, kAmdFlash},          // 24
        {"Flash AMD AM29F010", 'F', 'S', 128, 0, 4, 0, true, kJedecFlash, kAmdFlash},          // 25
        {"Flash AMD AM29F020", 'F', 'R', 256, 0, 4, 0, true, kJedecFlash, kAmdFlash},          // 26
        {"Flash AMD AM29F040", 'F', 'M', 512, 0, 4, 0, true, kJedecFlash, kAmdFlash},          // 27
        {"Flash EON EN29F040", 'F', 'M', 512, 0, 4, 0, false, kJedecFlash, kAmdFlash},         // 28
        {"Flash Atmel AT29F040", 'F', 'N', 512, 0, 4, 0, false, kNoRoutine},                   // 29
        {"Flash Catalyst CAT28F001", 'F', 'O', 128, 0, 12, 0, false, kNoRoutine},              // 30
        {"Flash Catalyst CAT28F010", 'F', 'P', 128, 0, 12, 0, false, kNoRoutine},              // 31
        {"Flash Catalyst CAT28F020", 'F', 'Q', 256, 0, 12, 0, false, kNoRoutine},              // 32
        {"Eeprom XICOR X28C256", 'E', 'N', 32, 64, 2, 0, true, kPageEeprom},                   // 33
        {"Eeprom Catalyst CAT28C256", 'E', 'O', 32, 64, 2, 0, false, kNoRoutine},              // 34
        {"Eeprom Catalyst CAT28C257", 'E', 'P', 32, 64, 2, 0, false, kNoRoutine},              // 35
        {"Eeprom 24C08 Serial (8 pins)", 'S', 'A', 1, 0, 0, 0, true, kSerial24c16, k24c08},    // 36
        {"Eeprom 24C16 Serial (8 pins)", 'S', 'B', 2, 0, 0, 0, true, kSerial24c16, k24c08},    // 37
        {"Eeprom 24C32 Serial (8 pins)", 'S', 'C', 4, 0, 0, 0, true, kSerial24c32, k24c32},    // 38
        {"Eeprom 24C256 Serial (8 pins)", 'S', 'E', 32, 0, 0, 0, true, kSerial24c32, k24c256}, // 39
        {"uC Atmel AT90S2313 Micro", 'M', 'J', 1024, 0, 0, 0, false, kNoRoutine},              // 40
        // Parts added after the first 40 rows. The SST39SF0x0A take the AM29F0x0's
        // commands, pins and routine.
        {"Flash SST SST39SF010A", 'F', 'S', 128, 0, 4, 0, true, kJedecFlash, Sst39sf(0xBFB5)}, // 41
        {"Flash SST SST39SF020A", 'F', 'R', 256, 0, 4, 0, true, kJedecFlash, Sst39sf(0xBFB6)}, // 42
        {"Flash SST SST39SF040", 'F', 'M', 512, 0, 4, 0, true, kJedecFlash, Sst39sf(0xBFB7)},  // 43
        // The 24C32's two address bytes and routine, with their own pages.
        {"Eeprom 24C64 Serial (8 pins)", 'S', 'C', 8, 0, 0, 0, true, kSerial24c32, k24c32},    // 44
        {"Eeprom 24C128 Serial (8 pins)", 'S', 'C', 16, 0, 0, 0, true, kSerial24c32, k24c256}, // 45
        // The JEDEC EEPROM pinout and the X28C256's routine.
        {"Eeprom Atmel AT28C256", 'E', 'N', 32, 64, 2, 0, true, kPageEeprom, kAt28c}, // 46
        {"Eeprom Atmel AT28C64B", 'E', 'N', 8, 64, 2, 0, true, kPageEeprom, kAt28c},  // 47
    };
}

std::vector<CatalogRow>& Table() {
    static std::vector<CatalogRow> table = BuiltInRows();
    return table;
}

} // namespace

const std::vector<CatalogRow>& CatalogTable() {
    return Table();
}

int CatalogRowCount() {
    return static_cast<int>(Table().size()) - 1;
}

void UseAddedRows(const std::vector<CatalogRow>& added, const std::vector<std::string>& names) {
    // The names live as long as the program: a row's name points into them, and
    // a row replaced later may still be named in a line being written.
    static std::deque<std::string> kept;
    std::vector<CatalogRow>& table = Table();
    // A run without a device file leaves the table untouched: boards that start
    // on other threads only ever read it.
    if (added.empty() && table.size() == kBuiltInRows + 1) return;
    table.resize(kBuiltInRows + 1);
    for (std::size_t k = 0; k < added.size(); ++k) {
        CatalogRow row = added[k];
        row.name = kept.emplace_back(k < names.size() ? names[k] : row.name).c_str();
        table.push_back(row);
    }
}

bool IsAddedRow(int row) {
    return row > kBuiltInRows && row <= CatalogRowCount();
}

std::string PaddedName(const char* name) {
    std::string padded = name;
    if (padded.size() < kDeviceNameWidth) padded.resize(kDeviceNameWidth, ' ');
    return padded;
}

std::string NameWithoutFamilyWord(const char* name) {
    const std::string whole = name;
    const auto space = whole.find(' ');
    return space == std::string::npos ? whole : whole.substr(space + 1);
}

std::string FamilyName(char family) {
    switch (family) {
    case 'P':
        return "UV EPROM";
    case 'F':
        return "Flash";
    case 'E':
        return "Parallel EEPROM";
    case 'S':
        return "Serial EEPROM";
    case 'M':
        return "Microcontroller";
    default:
        return "";
    }
}

void BuildDeviceCatalog(App& app) {
    Control& list = app.ui.Device;
    list.items.clear();
    list.itemsEnabled.clear();
    const auto& table = CatalogTable();
    for (int k = 0; k <= CatalogRowCount(); ++k) {
        const CatalogRow& row = table[static_cast<std::size_t>(k)];
        const std::string name = k == 0 ? std::string() : PaddedName(row.name);
        list.items.push_back(row.selectable ? name : "N/A - " + name);
        list.itemsEnabled.push_back(row.selectable);
    }
    list.listIndex = -1;
}

namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

/// Lower case, single spaces, no blanks at the ends.
std::string Normalized(const std::string& s) {
    std::string out;
    for (char c : Lower(s)) {
        if (std::isspace(static_cast<unsigned char>(c))) {
            if (!out.empty() && out.back() != ' ') out += ' ';
        } else {
            out += c;
        }
    }
    if (!out.empty() && out.back() == ' ') out.pop_back();
    return out;
}

std::vector<std::string> Words(const std::string& s) {
    std::vector<std::string> words;
    std::size_t from = 0;
    while (from < s.size()) {
        const auto end = std::min(s.find(' ', from), s.size());
        words.push_back(s.substr(from, end - from));
        from = end + 1;
    }
    return words;
}

bool HasDigit(const std::string& s) {
    return std::any_of(s.begin(), s.end(),
                       [](char c) { return std::isdigit(static_cast<unsigned char>(c)); });
}

bool AllDigits(const std::string& s) {
    return !s.empty() && std::all_of(s.begin(), s.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c));
    });
}

/// The ways an operator may name a row, from the most to the least exact: the
/// whole name, the name without its family word, the part number alone.
enum class NameLevel { Full, WithoutFamilyWord, PartNumber };

bool Names(const std::string& rowName, const std::string& query, NameLevel level) {
    const std::string name = Normalized(rowName);
    switch (level) {
    case NameLevel::Full:
        return name == query;
    case NameLevel::WithoutFamilyWord:
        return name.find(' ') != std::string::npos && name.substr(name.find(' ') + 1) == query;
    case NameLevel::PartNumber: {
        const auto words = Words(name);
        return std::any_of(words.begin() + 1, words.end(),
                           [&](const std::string& w) { return HasDigit(w) && w == query; });
    }
    }
    return false;
}

/// The query as typed, and without a leading family word ("Flash AT29C256").
std::vector<std::string> QueryForms(const std::string& q) {
    std::vector<std::string> forms = {q};
    const auto space = q.find(' ');
    if (space != std::string::npos) {
        const std::string first = q.substr(0, space);
        if (first == "eprom" || first == "flash" || first == "eeprom" || first == "uc")
            forms.push_back(q.substr(space + 1));
    }
    return forms;
}

} // namespace

std::vector<int> CatalogMatches(const std::string& query) {
    std::string q = Normalized(query);
    if (q.rfind("n/a - ", 0) == 0) q = q.substr(6); // a list entry copied as shown
    if (q.empty()) return {};
    if (AllDigits(q) && q.size() <= 2) { // a row number; "2764" is a chip
        const int row = std::stoi(q);
        if (row >= 0 && row <= CatalogRowCount()) return {row};
        return {};
    }
    const auto& table = CatalogTable();
    for (NameLevel level : {NameLevel::Full, NameLevel::WithoutFamilyWord, NameLevel::PartNumber}) {
        for (const std::string& form : QueryForms(q)) {
            std::vector<int> found;
            for (int k = 1; k <= CatalogRowCount(); ++k)
                if (Names(table[static_cast<std::size_t>(k)].name, form, level)) found.push_back(k);
            if (!found.empty()) return found;
        }
    }
    return {};
}

std::optional<int> FindCatalogRow(const std::string& query) {
    const auto found = CatalogMatches(query);
    if (found.size() != 1 || found[0] == 0) return std::nullopt;
    return found[0];
}

} // namespace quorbit
