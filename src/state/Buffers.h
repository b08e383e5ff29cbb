#pragma once
// The code and data images held in memory.
#include <cstdint>
#include <string>
#include <vector>

#include "state/Coverage.h"
#include "state/FileFormat.h"

namespace quorbit {

inline constexpr std::size_t kCodeBufferSize = 2100001;
inline constexpr std::size_t kDataBufferSize = 8292;

struct Buffers {
    std::vector<std::uint8_t> CodeBuffer = std::vector<std::uint8_t>(kCodeBufferSize, 0);
    std::vector<std::uint8_t> DataBuffer = std::vector<std::uint8_t>(kDataBufferSize, 0);
    /// The addresses of the code buffer the image holds: a loaded file's bytes or
    /// records, or the whole chip after a read or an erase of the buffer.
    Coverage CodeCoverage;
    std::string CodeFileName;
    /// Set when the code buffer holds what is not CodeFileName's content (a chip
    /// read, an erased buffer): what put it there, "read from Eprom 27C256". Save
    /// then asks for a name, so that the named file is never overwritten with it.
    std::string CodeBufferOrigin;
    std::string DataFileName;
    std::int32_t DataFileSize = 0;
    std::int32_t FileChecksum = 0;
    std::string FileChecksumText;
    int CodeBufferLoaded = 0;
    int DataBufferLoaded = 0;
    /// Format the code file is loaded and saved in: Auto follows the name and content.
    FormatChoice CodeFileFormat = FormatChoice::Auto;
    /// Load option: the address a raw code file's first byte goes to, for a small
    /// image that belongs inside a bigger chip. Record files carry their own
    /// addresses and ignore it.
    std::uint32_t CodeFileOffset = 0;
};

} // namespace quorbit
