#pragma once
// The fixed catalog of device types the programmer knows.
#include <array>
#include <optional>
#include <string>

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
};

inline constexpr int kCatalogRows = 40; // rows 1..40; row 0 is empty
inline constexpr int kCatalogCapacity = 80;
inline constexpr std::size_t kDeviceNameWidth = 30;

/// Row 1..40 of the catalog (index 0 unused).
const std::array<CatalogRow, kCatalogRows + 1>& CatalogTable();
/// The name padded with spaces to exactly 30 characters.
std::string PaddedName(const char* name);
/// Family word for listings: "UV EPROM", "Flash", ...
std::string FamilyName(char family);

/// Builds DeviceTable and fills the Device list, one entry per row from 0 on.
void BuildDeviceCatalog(App& app);

/// Finds a catalog row by number ("23"), by name ("27C256", "Eprom 27C256"),
/// case-insensitively. Empty when nothing matches or the match is ambiguous.
std::optional<int> FindCatalogRow(const std::string& query);

} // namespace quorbit
