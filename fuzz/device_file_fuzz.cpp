// A device file as an operator writes it: taken whole or refused with its line.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/Catalog.h"
#include "catalog/DeviceFile.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    const quorbit::DeviceFile file = quorbit::ParseDeviceFile(text, "devices.toml");
    // Refused: nothing of it given, and the complaint names the file and a line.
    if (!file.error.empty() && (!file.rows.empty() || file.error.rfind("devices.toml:", 0) != 0))
        std::abort();
    if (file.rows.size() != file.names.size()) std::abort();
    for (std::size_t k = 0; k < file.rows.size(); ++k) {
        const quorbit::CatalogRow& row = file.rows[k];
        if (row.likeRow < 1 || row.likeRow > quorbit::kBuiltInRows) std::abort();
        const auto& like = quorbit::CatalogTable()[static_cast<std::size_t>(row.likeRow)];
        if (row.sizeKB < 1 || row.sizeKB > like.sizeKB || row.family != like.family) std::abort();
        if (file.names[k].empty() || file.names[k].size() > quorbit::kDeviceNameWidth)
            std::abort();
    }
    return 0;
}
