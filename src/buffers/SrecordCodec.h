#pragma once
// Intel HEX and Motorola S-record text through the SRecord library, in memory:
// the caller reads and writes the files, this only turns text into records and back.
#include <cstdint>
#include <functional>
#include <string>

namespace quorbit {

enum class RecordFormat { IntelHex, SRecord };

/// One run of data bytes at an address, as a record gives it.
using DataRecordSink = std::function<void(std::uint32_t address, const std::uint8_t* data,
                                          std::size_t length, int line)>;

/// Feeds every data record of `text` to `sink` in file order. Returns "" or the
/// first bad record as "line N: reason" (records before it were already fed).
std::string ParseRecords(const std::string& text, RecordFormat format, const DataRecordSink& sink);

/// `size` bytes from address 0 as records; the narrowest addressing that holds the
/// highest address (I8HEX/S19 up to 64 KB, then I32HEX, S28 or S37). Returns "" or
/// the reason.
std::string WriteRecords(const std::uint8_t* data, std::size_t size, RecordFormat format,
                         std::string& text);

} // namespace quorbit
