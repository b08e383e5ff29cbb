#pragma once
// Code images in raw binary, Intel HEX or Motorola S-record: which format a file
// is in, turning records into buffer bytes and the buffer back into records.
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "state/Coverage.h"
#include "state/FileFormat.h"

namespace quorbit {

/// "raw", "ihex" or "srec" (any letter case); nothing for other words.
std::optional<FormatChoice> ParseFormatChoice(const std::string& word);
/// "raw binary", "Intel HEX" or "Motorola S-record".
const char* FormatTitle(ImageFormat format);
/// The format a file name's extension stands for (.hex, .ihx, .s19, .srec, ...),
/// nothing for other names.
std::optional<ImageFormat> FormatOfName(const std::string& path);
/// Format of a file to load: the choice when given, else the name, else the content
/// (text lines of ':' or 'S' records), else raw binary.
ImageFormat FormatToLoad(FormatChoice choice, const std::string& path, const std::string& bytes);
/// Format of a file to save: the choice when given, else the name, else raw.
ImageFormat FormatToSave(FormatChoice choice, const std::string& path);

/// A record image laid into a buffer: bytes not named by a record are FFh.
struct DecodedImage {
    std::vector<std::uint8_t> bytes;  // from address 0 to the highest address given
    std::vector<AddressRange> ranges; // what the records cover, ascending, merged
};

/// Turns record text into bytes. `limit` is the number of addresses the image may
/// use. Returns "" or the reason it was refused ("line N: ..." for a bad record).
std::string DecodeRecordImage(const std::string& text, ImageFormat format, std::size_t limit,
                              DecodedImage& image);
/// The bytes as a file of the format (raw: the bytes themselves).
std::string EncodeImage(const std::vector<std::uint8_t>& bytes, ImageFormat format,
                        std::string& file);

} // namespace quorbit
