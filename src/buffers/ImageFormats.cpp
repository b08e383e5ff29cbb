#include "buffers/ImageFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <string_view>

#include "buffers/SrecordCodec.h"

namespace quorbit {
namespace {

std::string Lower(std::string s) {
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

std::string HexText(std::uint64_t value) {
    char text[24];
    std::snprintf(text, sizeof text, "%llX", static_cast<unsigned long long>(value));
    return text;
}

bool IsHexDigit(char c) {
    return std::isxdigit(static_cast<unsigned char>(c)) != 0;
}

/// True when the first line is a record of the format and the start of the file is
/// plain text: a raw image practically never looks like that.
bool LooksLike(const std::string& bytes, ImageFormat format) {
    const std::size_t sample = std::min<std::size_t>(bytes.size(), 4096);
    std::size_t at = 0;
    while (at < sample && std::isspace(static_cast<unsigned char>(bytes[at])))
        ++at;
    if (at + 3 > sample) return false;
    for (std::size_t i = at; i < sample; ++i) {
        const auto c = static_cast<unsigned char>(bytes[i]);
        if (c != '\r' && c != '\n' && c != '\t' && (c < 0x20 || c > 0x7E)) return false;
    }
    if (format == ImageFormat::IntelHex)
        return bytes[at] == ':' && IsHexDigit(bytes[at + 1]) && IsHexDigit(bytes[at + 2]);
    return (bytes[at] == 'S' || bytes[at] == 's') &&
           std::isdigit(static_cast<unsigned char>(bytes[at + 1])) && IsHexDigit(bytes[at + 2]);
}

/// The mark and at least the shortest record's hex digits, nothing else (the
/// blanks at the line's end are gone: WithoutTrailingBlanks).
bool IsRecordText(std::string_view line) {
    return line.size() >= 9 && std::all_of(line.begin() + 1, line.end(), IsHexDigit);
}

/// The text with the blanks (and CR) at the end of each line taken off: editors
/// and build tools leave them, and the library would take them for part of the
/// record. Line numbers stay as they were.
std::string WithoutTrailingBlanks(const std::string& text) {
    std::string clean;
    clean.reserve(text.size());
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        const bool newline = end != std::string::npos;
        if (!newline) end = text.size();
        std::size_t last = end;
        while (last > start &&
               (text[last - 1] == ' ' || text[last - 1] == '\t' || text[last - 1] == '\r'))
            --last;
        clean.append(text, start, last - start);
        if (newline) clean += '\n';
        start = end + 1;
    }
    return clean;
}

int HexByte(std::string_view line, std::size_t at) {
    const auto digit = [](char c) {
        return std::isdigit(static_cast<unsigned char>(c))
                   ? c - '0'
                   : std::toupper(static_cast<unsigned char>(c)) - 'A' + 10;
    };
    return digit(line[at]) * 16 + digit(line[at + 1]);
}

/// Why a record's checksum is wrong, with the one it gives and the right one;
/// "" when it is right or the record's length does not hold (the reader names that).
std::string ChecksumProblem(std::string_view line, bool intel) {
    // Intel HEX ":LLAAAATT...CC": all bytes, the checksum included, add up to 0.
    // S-record "SnCC...SS": SS is the complement of the sum of the count byte on.
    const std::size_t first = intel ? 1 : 2;
    if (line.size() < first + 4 || (line.size() - first) % 2 != 0) return {};
    const std::size_t bytes = (line.size() - first) / 2;
    const int count = HexByte(line, first);
    if (intel ? bytes != static_cast<std::size_t>(count) + 5
              : bytes != static_cast<std::size_t>(count) + 1)
        return {};
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < bytes; ++i)
        sum += static_cast<unsigned>(HexByte(line, first + 2 * i));
    const unsigned given = static_cast<unsigned>(HexByte(line, line.size() - 2));
    const unsigned right = (intel ? 0x100 - (sum & 0xFF) : ~sum) & 0xFF;
    if (given == right) return {};
    char text[80];
    std::snprintf(text, sizeof text, "checksum %02Xh, but the record's bytes give %02Xh", given,
                  right);
    return text;
}

/// The lines of a record file as they should be, before the library reads them:
/// it skips a line that is not a record (a comment, a blank before the colon,
/// junk) and stops at the end record, so a hole or a cut-off file would load as
/// FFh without a word. "" or why the file is refused.
std::string RecordLinesProblem(const std::string& text, ImageFormat format) {
    const bool intel = format == ImageFormat::IntelHex;
    int number = 0, records = 0, wellFormed = 0, firstNotRecord = 0, endLine = 0, afterEnd = 0,
        countLine = 0;
    std::string firstBadSum;
    for (std::size_t start = 0; start < text.size();) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos) end = text.size();
        const std::string_view line(text.data() + start, end - start);
        start = end + 1;
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string_view::npos) continue; // empty
        if (line[0] != (intel ? ':' : 'S')) {
            if (firstNotRecord == 0) firstNotRecord = number;
            continue;
        }
        ++records;
        if (IsRecordText(line)) {
            ++wellFormed;
            if (firstBadSum.empty()) {
                const std::string problem = ChecksumProblem(line, intel);
                if (!problem.empty())
                    firstBadSum = "line " + std::to_string(number) + ": " + problem;
            }
        }
        if (endLine != 0) {
            if (afterEnd == 0) afterEnd = number;
        } else if (intel ? line.size() >= 9 && line.substr(7, 2) == "01"
                         : line.size() >= 2 && line[1] >= '7' && line[1] <= '9') {
            endLine = number;
        } else if (!intel && line.size() >= 2 && (line[1] == '5' || line[1] == '6')) {
            // A record count, which the library checks, ends the files this program
            // wrote before it added the end record.
            countLine = number;
        }
    }
    const std::string kind = intel ? "Intel HEX" : "S-record";
    // A raw image may hold a line that happens to start with the record mark.
    if (wellFormed == 0) return "not an " + kind + " file: no line of it is a record";
    if (firstNotRecord != 0)
        return "line " + std::to_string(firstNotRecord) + ": not a record (each line of an " +
               kind + " file starts with '" + (intel ? ":" : "S") + "')";
    if (!firstBadSum.empty()) return firstBadSum;
    if (afterEnd != 0)
        return "line " + std::to_string(afterEnd) + ": a record after the end record of line " +
               std::to_string(endLine);
    if (endLine == 0 && countLine == 0)
        return std::string("it has no end record (") + (intel ? ":00000001FF" : "S7, S8 or S9") +
               "): the file is cut short";
    return {};
}

RecordFormat AsRecordFormat(ImageFormat format) {
    return format == ImageFormat::IntelHex ? RecordFormat::IntelHex : RecordFormat::SRecord;
}

std::optional<ImageFormat> Chosen(FormatChoice choice) {
    switch (choice) {
    case FormatChoice::Raw:
        return ImageFormat::Raw;
    case FormatChoice::IntelHex:
        return ImageFormat::IntelHex;
    case FormatChoice::SRecord:
        return ImageFormat::SRecord;
    default:
        return std::nullopt;
    }
}

/// Where the records put their bytes, and whether two of them disagree.
class ImageBuilder {
  public:
    explicit ImageBuilder(std::size_t limit) : limit_(limit) {}

    void Add(std::uint32_t address, const std::uint8_t* data, std::size_t length, int line) {
        if (length == 0 || !conflict_.empty()) return;
        const std::uint64_t last = std::uint64_t{address} + length - 1;
        highest_ = std::max(highest_, last);
        any_ = true;
        if (last >= limit_) return; // keeps reading, to name the highest address
        if (bytes_.size() <= last) {
            bytes_.resize(last + 1, 0xFF);
            given_.resize(last + 1, false);
        }
        for (std::size_t i = 0; i < length; ++i) {
            const std::size_t at = address + i;
            if (given_[at] && bytes_[at] != data[i]) {
                conflict_ = "line " + std::to_string(line) + ": address " + HexText(at) +
                            "h was given another value before";
                return;
            }
            bytes_[at] = data[i];
            given_[at] = true;
        }
    }

    /// "" or why the image cannot be loaded.
    [[nodiscard]] std::string Problem() const {
        if (!conflict_.empty()) return conflict_;
        if (!any_) return "it holds no data records";
        if (highest_ >= limit_)
            return "its highest address is " + HexText(highest_) + "h, past the " +
                   std::to_string(limit_) + " bytes (up to " + HexText(limit_ - 1) +
                   "h) it may fill";
        return {};
    }

    void MoveInto(DecodedImage& image) {
        image.ranges.clear();
        for (std::size_t at = 0; at < given_.size();) {
            if (!given_[at]) {
                ++at;
                continue;
            }
            const std::size_t first = at;
            while (at < given_.size() && given_[at])
                ++at;
            image.ranges.push_back(
                {static_cast<std::uint32_t>(first), static_cast<std::uint32_t>(at - 1)});
        }
        image.bytes = std::move(bytes_);
    }

  private:
    std::size_t limit_;
    std::vector<std::uint8_t> bytes_;
    std::vector<bool> given_;
    std::uint64_t highest_ = 0;
    bool any_ = false;
    std::string conflict_;
};

} // namespace

std::optional<FormatChoice> ParseFormatChoice(const std::string& word) {
    const std::string w = Lower(word);
    if (w == "raw") return FormatChoice::Raw;
    if (w == "ihex") return FormatChoice::IntelHex;
    if (w == "srec") return FormatChoice::SRecord;
    return std::nullopt;
}

const char* FormatTitle(ImageFormat format) {
    switch (format) {
    case ImageFormat::IntelHex:
        return "Intel HEX";
    case ImageFormat::SRecord:
        return "Motorola S-record";
    default:
        return "raw binary";
    }
}

std::optional<ImageFormat> FormatOfName(const std::string& path) {
    const std::string ext = Lower(std::filesystem::path(path).extension().string());
    for (const char* e : {".hex", ".ihx", ".ihex", ".h86", ".hxl", ".hxh", ".mcs"})
        if (ext == e) return ImageFormat::IntelHex;
    for (const char* e :
         {".s19", ".s28", ".s37", ".srec", ".mot", ".mhx", ".s1", ".s2", ".s3", ".sx", ".exo"})
        if (ext == e) return ImageFormat::SRecord;
    for (const char* e : {".bin", ".rom", ".img", ".raw", ".eprom"})
        if (ext == e) return ImageFormat::Raw;
    return std::nullopt;
}

ImageFormat FormatToLoad(FormatChoice choice, const std::string& path, const std::string& bytes) {
    if (const auto chosen = Chosen(choice)) return *chosen;
    if (const auto named = FormatOfName(path)) return *named;
    for (ImageFormat format : {ImageFormat::IntelHex, ImageFormat::SRecord})
        if (LooksLike(bytes, format)) return format;
    return ImageFormat::Raw;
}

ImageFormat FormatToSave(FormatChoice choice, const std::string& path) {
    if (const auto chosen = Chosen(choice)) return *chosen;
    return FormatOfName(path).value_or(ImageFormat::Raw);
}

std::string DecodeRecordImage(const std::string& file, ImageFormat format, std::size_t limit,
                              DecodedImage& image) {
    const std::string text = WithoutTrailingBlanks(file);
    if (std::string problem = RecordLinesProblem(text, format); !problem.empty()) return problem;
    ImageBuilder builder(limit);
    const std::string error =
        ParseRecords(text, AsRecordFormat(format),
                     [&builder](std::uint32_t address, const std::uint8_t* data, std::size_t length,
                                int line) { builder.Add(address, data, length, line); });
    if (!error.empty()) return error;
    if (std::string problem = builder.Problem(); !problem.empty()) return problem;
    builder.MoveInto(image);
    return {};
}

std::string EncodeImage(const std::vector<std::uint8_t>& bytes, ImageFormat format,
                        std::string& file) {
    if (format == ImageFormat::Raw) {
        file.assign(bytes.begin(), bytes.end());
        return {};
    }
    return WriteRecords(bytes.data(), bytes.size(), AsRecordFormat(format), file);
}

} // namespace quorbit
