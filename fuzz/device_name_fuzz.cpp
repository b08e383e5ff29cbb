// A device as the command line's -d names it.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "catalog/Catalog.h"
#include "cli/DeviceName.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    std::string error;
    const auto row = quorbit::cli::ResolveDevice(text, error);
    if (row && (*row < 1 || *row > quorbit::CatalogRowCount())) std::abort();
    if (!row && error.empty()) std::abort();
    return 0;
}
