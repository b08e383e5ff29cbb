#pragma once
// The device file: rows an operator adds to the catalog without a new build. Each
// [[device]] table names a built-in row it is `like` (whose routines and pin map
// it uses) and may give its own name, size, flash ID and datasheet times.
#include <string>
#include <string_view>
#include <vector>

#include "catalog/Catalog.h"

namespace quorbit {

/// The file's name in the configuration folder, beside the port and model file.
inline constexpr const char* kDeviceFileName = "devices.toml";

/// What a device file adds, or why none of it is taken.
struct DeviceFile {
    std::vector<CatalogRow> rows; // their names are in `names`, one for each
    std::vector<std::string> names;
    /// "FILE:LINE: what is wrong"; empty when the whole file was taken.
    std::string error;
};

/// Reads a device file's text; `fileName` names it in the error. On any error
/// no row is given: a file is taken whole or not at all.
DeviceFile ParseDeviceFile(std::string_view text, const std::string& fileName);
/// Reads the file at `path` (an error when it cannot be read).
DeviceFile ReadDeviceFile(const std::string& path);
/// Makes the file's rows the catalog's added rows.
void UseDeviceFile(const DeviceFile& file);

} // namespace quorbit
