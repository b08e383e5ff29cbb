#pragma once
// A device file's rows in the catalog for the length of a test.
#include "catalog/DeviceFile.h"

namespace quorbit::test {

/// A device file's rows are the catalog's added rows while one lives.
struct UsingDeviceFile {
    explicit UsingDeviceFile(const DeviceFile& file) { UseDeviceFile(file); }
    ~UsingDeviceFile() { UseDeviceFile({}); }
    UsingDeviceFile(const UsingDeviceFile&) = delete;
    UsingDeviceFile& operator=(const UsingDeviceFile&) = delete;
};

} // namespace quorbit::test
