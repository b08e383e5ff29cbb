#include "cli/DeviceName.h"

#include "app/App.h"
#include "catalog/Catalog.h"
#include "catalog/DeviceSelection.h"

namespace quorbit::cli {

std::optional<int> ResolveDevice(const std::string& text, std::string& error) {
    const std::vector<int> rows = CatalogMatches(text);
    if (rows.empty()) {
        error = "Unknown device \"" + text + "\"; 'quorbit-cli devices' lists the catalog";
        return std::nullopt;
    }
    const auto& table = CatalogTable();
    if (rows.size() > 1) {
        error = "Device \"" + text + "\" is ambiguous:";
        for (int row : rows)
            error += std::string(" ") + table[static_cast<std::size_t>(row)].name + " (row " +
                     std::to_string(row) + ")" + (row == rows.back() ? "" : ",");
        return std::nullopt;
    }
    const int row = rows.front();
    const CatalogRow& entry = table[static_cast<std::size_t>(row)];
    if (row == 0 || !entry.selectable) {
        error = row == 0 ? std::string("Row 0 of the catalog is empty")
                         : std::string("Device ") + entry.name + " (row " + std::to_string(row) +
                               ") is listed as N/A and cannot be selected";
        return std::nullopt;
    }
    return row;
}

bool ChooseDevice(App& app, const std::string& text, std::string& error) {
    const auto row = ResolveDevice(text, error);
    if (!row) return false;
    if (SelectDevice(app, *row)) return true;
    error = "Device " + text + " could not be selected";
    return false;
}

} // namespace quorbit::cli
