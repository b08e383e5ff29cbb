#include "buffers/ImageFormats.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>

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

std::string DecodeRecordImage(const std::string& text, ImageFormat format, std::size_t limit,
                              DecodedImage& image) {
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

std::string RangesText(const std::vector<AddressRange>& ranges) {
    std::string text;
    for (const auto& r : ranges)
        text += (text.empty() ? "" : ", ") + HexText(r.first) + "-" + HexText(r.last);
    return text;
}

} // namespace quorbit
