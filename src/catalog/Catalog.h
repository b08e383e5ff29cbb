#pragma once
// The catalog of device types the programmer knows: its built-in rows, then the
// rows a device file adds.
#include <array>
#include <optional>
#include <string>
#include <vector>

#include "state/ChipFacts.h"
#include "state/ChipRoutines.h"

namespace quorbit {

class App;

struct CatalogRow {
    const char* name; // without the padding to 30 characters
    char family;      // 'P' UV EPROM, 'F' flash, 'E' parallel EEPROM, 'S' serial, 'M' micro
    char subtype;
    int sizeKB;
    int reg1Bits; // ORed into board register 1 with every address
    int reg3Bits; // ORed into board register 3
    int vppClass; // 0: 5 V only, 1: 12.5 V, 2: +21 V, 3: +25 V
    bool selectable;
    ChipRoutines routines;
    ChipFacts facts{};
    ChipWiring wiring{};
    /// A device file's row: the built-in row whose routines and pin map it uses
    /// (0 for a built-in row).
    int likeRow = 0;
};

/// The first 40 rows keep their numbers, names and order for good: setups and
/// scripts store row numbers. Parts added later follow them.
inline constexpr int kFirstCatalogRows = 40;
inline constexpr int kBuiltInRows = 47; // rows 1..47; row 0 is empty
/// The rows the catalog may hold, the device file's included.
inline constexpr int kCatalogCapacity = 80;
inline constexpr std::size_t kDeviceNameWidth = 30;

/// Rows 1..CatalogRowCount() of the catalog (index 0 unused): the built-in rows,
/// then those of the device file in use.
const std::vector<CatalogRow>& CatalogTable();
/// The last row number: kBuiltInRows plus the device file's rows.
int CatalogRowCount();
/// Puts `added` after the built-in rows, in place of any added before (their
/// names are kept by the catalog). Called at start-up, before any session or
/// thread reads the catalog: the rows are then read-only for the run.
void UseAddedRows(const std::vector<CatalogRow>& added, const std::vector<std::string>& names);
/// A row a device file added.
[[nodiscard]] bool IsAddedRow(int row);
/// The name padded with spaces to exactly 30 characters.
std::string PaddedName(const char* name);
/// Family word for listings: "UV EPROM", "Flash", ...
std::string FamilyName(char family);

/// The row's name without its family word: "SST SST39SF040" of "Flash SST SST39SF040".
std::string NameWithoutFamilyWord(const char* name);

/// Builds DeviceTable and fills the Device list, one entry per row from 0 on.
void BuildDeviceCatalog(App& app);

/// Catalog rows an operator's text names: a row number ("23"), the whole name
/// ("Eprom 27C256"), the name without its family word ("27C256", "AMD AM29F040")
/// or the part number alone ("AM29F040", "24C08"); case and extra blanks do not
/// matter. The most exact way that matches anything wins; several rows come back
/// only when that way is ambiguous.
std::vector<int> CatalogMatches(const std::string& query);
/// The one row a text names (1..CatalogRowCount()); empty when none or several match.
std::optional<int> FindCatalogRow(const std::string& query);

} // namespace quorbit
