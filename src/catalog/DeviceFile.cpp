#include "catalog/DeviceFile.h"

#include <algorithm>
#include <cctype>
#include <optional>
#include <sstream>
#include <stdexcept>

#include <toml++/toml.h>

#include "app/TextFile.h"
#include "catalog/FlashIds.h"

namespace quorbit {
namespace {

/// A complaint about the file at a line of it; the whole file is then refused.
class FileError : public std::runtime_error {
  public:
    FileError(const toml::source_region& where, const std::string& what)
        : std::runtime_error(what), line(where.begin.line) {}
    toml::source_index line;
};

std::string Lower(std::string s) {
    std::transform(s.begin(), s.end(), s.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return s;
}

/// The built-in row `like` names: its whole name, or what FindCatalogRow takes
/// when that is one built-in row.
int LikeRow(const std::string& like, const toml::source_region& where) {
    const auto row = FindCatalogRow(like);
    if (!row || *row > kBuiltInRows)
        throw FileError(where, "like = \"" + like + "\" names no built-in device");
    if (!CatalogTable()[static_cast<std::size_t>(*row)].selectable)
        throw FileError(where,
                        "like = \"" + like + "\" is a device the program cannot program (N/A)");
    return *row;
}

std::string HexId(std::int64_t id) {
    std::ostringstream text;
    text << "0x" << FlashIdText(static_cast<int>(id >> 8), static_cast<int>(id));
    return text.str();
}

/// One whole number of a table within [low, high].
std::int64_t Number(const toml::node& value, const std::string& key, std::int64_t low,
                    std::int64_t high, const std::string& unit) {
    const auto number = value.value_exact<std::int64_t>();
    if (!number) throw FileError(value.source(), key + " must be a whole number" + unit);
    if (*number < low || *number > high)
        throw FileError(value.source(), key + " = " + std::to_string(*number) + " is not in " +
                                            std::to_string(low) + " to " + std::to_string(high) +
                                            unit);
    return *number;
}

/// What a [[device]] table holds, before it is checked against its like-row.
struct DeviceEntry {
    std::string name;
    const toml::node* nameNode = nullptr;
    std::string like;
    const toml::node* likeNode = nullptr;
    const toml::node* size = nullptr;
    const toml::node* id = nullptr;
    const toml::node* programPulse = nullptr;
    const toml::node* chipErase = nullptr;
    const toml::node* writeCycle = nullptr;
};

std::string Text(const toml::node& value, const std::string& key) {
    const auto text = value.value_exact<std::string>();
    if (!text) throw FileError(value.source(), key + " must be a text in quotes");
    return *text;
}

DeviceEntry ReadEntry(const toml::table& table) {
    DeviceEntry entry;
    for (const auto& [key, value] : table) {
        const std::string k(key.str());
        if (k == "name") {
            entry.name = Text(value, k);
            entry.nameNode = &value;
        } else if (k == "like") {
            entry.like = Text(value, k);
            entry.likeNode = &value;
        } else if (k == "size") {
            entry.size = &value;
        } else if (k == "id") {
            entry.id = &value;
        } else if (k == "program_pulse_us") {
            entry.programPulse = &value;
        } else if (k == "chip_erase_max_ms") {
            entry.chipErase = &value;
        } else if (k == "write_cycle_max_ms") {
            entry.writeCycle = &value;
        } else {
            throw FileError(key.source(), "unknown key \"" + k + "\"");
        }
    }
    if (!entry.likeNode) throw FileError(table.source(), "the device names no row it is like");
    if (!entry.nameNode) throw FileError(table.source(), "the device has no name");
    return entry;
}

/// A time only the family that waits for it takes: anywhere else it would change nothing.
void RequireFamily(const toml::node* value, const std::string& key, bool applies,
                   const CatalogRow& like) {
    if (value && !applies)
        throw FileError(value->source(),
                        key + " does not apply to a device like " + std::string(like.name));
}

void CheckName(const DeviceEntry& entry, const std::vector<std::string>& earlier) {
    const std::string& name = entry.name;
    const auto& where = entry.nameNode->source();
    const bool printable = std::all_of(name.begin(), name.end(),
                                       [](unsigned char c) { return c >= 0x20 && c < 0x7F; });
    if (name.empty() || name.front() == ' ' || name.back() == ' ' || !printable)
        throw FileError(where, "name must be printable text without blanks at its ends");
    if (name.size() > kDeviceNameWidth)
        throw FileError(where, "name \"" + name + "\" is longer than " +
                                   std::to_string(kDeviceNameWidth) + " characters");
    if (std::none_of(name.begin(), name.end(), [](unsigned char c) { return std::isalpha(c); }))
        throw FileError(where, "name \"" + name + "\" needs a letter: a number names a row");
    const std::string lower = Lower(name);
    for (int k = 1; k <= kBuiltInRows; ++k)
        if (Lower(CatalogTable()[static_cast<std::size_t>(k)].name) == lower)
            throw FileError(where, "name \"" + name + "\" is a built-in device's");
    for (const std::string& other : earlier)
        if (Lower(other) == lower) throw FileError(where, "name \"" + name + "\" is given twice");
}

void CheckId(std::int64_t id, const toml::node& value, const DeviceFile& earlier) {
    const std::string text = FlashIdText(static_cast<int>(id >> 8), static_cast<int>(id));
    if (const std::string listed = ListedFlashIdName(text); !listed.empty())
        throw FileError(value.source(), "id = " + HexId(id) + " is already " + listed + "'s");
    const int row = FlashIdRow(text);
    if (row > 0)
        throw FileError(value.source(), "id = " + HexId(id) + " is already " +
                                            CatalogTable()[static_cast<std::size_t>(row)].name +
                                            "'s");
    for (std::size_t k = 0; k < earlier.rows.size(); ++k)
        if (earlier.rows[k].facts.flashId == id)
            throw FileError(value.source(),
                            "id = " + HexId(id) + " is already " + earlier.names[k] + "'s");
}

/// The row an entry adds: its like-row's, with what the entry gives instead.
CatalogRow MakeRow(const DeviceEntry& entry, const DeviceFile& earlier) {
    const int likeRow = LikeRow(entry.like, entry.likeNode->source());
    const CatalogRow& like = CatalogTable()[static_cast<std::size_t>(likeRow)];
    CatalogRow row = like;
    row.name = ""; // the file's `names` hold it until the catalog keeps it
    row.likeRow = likeRow;
    row.selectable = true;
    if (entry.size) {
        const std::int64_t most = std::int64_t{like.sizeKB} * 1024;
        const std::int64_t bytes = Number(*entry.size, "size", 1024, most, " bytes");
        if ((bytes & (bytes - 1)) != 0)
            throw FileError(entry.size->source(),
                            "size = " + std::to_string(bytes) + " is not a power of two");
        row.sizeKB = static_cast<int>(bytes / 1024);
    }
    // The ID is read, and the chip erase waited for, by the 32-pin flash routines.
    const bool jedecFlash = like.routines.program == ProgramRoutine::JedecFlash;
    RequireFamily(entry.id, "id", jedecFlash, like);
    if (entry.id) {
        const std::int64_t id = Number(*entry.id, "id", 0x0100, 0xFEFF, "");
        CheckId(id, *entry.id, earlier);
        row.facts.flashId = static_cast<std::uint16_t>(id);
    }
    RequireFamily(entry.programPulse, "program_pulse_us", like.facts.programPulseUs > 0, like);
    if (entry.programPulse)
        row.facts.programPulseUs =
            static_cast<int>(Number(*entry.programPulse, "program_pulse_us", 10, 10'000, " us"));
    RequireFamily(entry.chipErase, "chip_erase_max_ms",
                  like.routines.erase == EraseRoutine::JedecFlash, like);
    if (entry.chipErase)
        row.facts.chipEraseMaxMs =
            static_cast<int>(Number(*entry.chipErase, "chip_erase_max_ms", 1, 600'000, " ms"));
    RequireFamily(entry.writeCycle, "write_cycle_max_ms",
                  like.routines.program == ProgramRoutine::PageEeprom, like);
    if (entry.writeCycle)
        row.facts.writeCycleMaxMs =
            static_cast<int>(Number(*entry.writeCycle, "write_cycle_max_ms", 1, 1000, " ms"));
    return row;
}

void AddEntries(const toml::array& devices, DeviceFile& file) {
    constexpr std::size_t kMostRows = kCatalogCapacity - kBuiltInRows;
    for (const toml::node& node : devices) {
        const toml::table* table = node.as_table();
        if (!table) throw FileError(node.source(), "a device must be a [[device]] table");
        if (file.rows.size() == kMostRows)
            throw FileError(node.source(),
                            "more than " + std::to_string(kMostRows) + " devices in the file");
        const DeviceEntry entry = ReadEntry(*table);
        CheckName(entry, file.names);
        file.rows.push_back(MakeRow(entry, file));
        file.names.push_back(entry.name);
    }
}

} // namespace

DeviceFile ParseDeviceFile(std::string_view text, const std::string& fileName) {
    DeviceFile file;
    try {
        const toml::table top = toml::parse(text, fileName);
        for (const auto& [key, value] : top) {
            if (key.str() != "device" || !value.is_array_of_tables())
                throw FileError(key.source(),
                                key.str() == "device"
                                    ? std::string("devices are [[device]] tables")
                                    : "unknown key \"" + std::string(key.str()) + "\"");
            AddEntries(*value.as_array(), file);
        }
    } catch (const toml::parse_error& e) {
        return {{},
                {},
                fileName + ":" + std::to_string(e.source().begin.line) + ": " +
                    std::string(e.description())};
    } catch (const FileError& e) {
        return {{}, {}, fileName + ":" + std::to_string(e.line) + ": " + e.what()};
    }
    return file;
}

DeviceFile ReadDeviceFile(const std::string& path) {
    std::string text;
    if (const std::string error = ReadWholeFile(path, text); !error.empty())
        return {{}, {}, path + ": " + error};
    return ParseDeviceFile(text, path);
}

void UseDeviceFile(const DeviceFile& file) {
    UseAddedRows(file.rows, file.names);
}

} // namespace quorbit
