#include "session/DeviceFileChoice.h"

#include <filesystem>
#include <system_error>

#include "catalog/DeviceFile.h"

namespace quorbit {

std::string DeviceFilePath(const GlobalOptions& o) {
    if (!o.devicesFile.empty()) return o.devicesFile;
    for (const std::string& portFile : PortFiles(o)) {
        const auto candidate = std::filesystem::path(portFile).parent_path() / kDeviceFileName;
        std::error_code error;
        if (std::filesystem::exists(candidate, error)) return candidate.string();
    }
    return {};
}

std::string LoadDeviceFile(const GlobalOptions& o) {
    const std::string path = DeviceFilePath(o);
    DeviceFile file;
    if (!path.empty()) file = ReadDeviceFile(path);
    // A refused file leaves no row of an earlier one behind either.
    UseDeviceFile(file.error.empty() ? file : DeviceFile{});
    return file.error;
}

} // namespace quorbit
