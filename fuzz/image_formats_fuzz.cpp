// A code image file as a user, another tool or a broken disk may leave it: its
// format told from name and content, its records decoded into a buffer, and what
// decodes writes back and decodes again to the same bytes.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "buffers/ImageFormats.h"

namespace {

constexpr std::size_t kLimit = 1048577; // the largest chip plus the spare byte

void RoundTrip(const quorbit::DecodedImage& image, quorbit::ImageFormat format) {
    if (image.bytes.size() > 65536) return; // keep each run short
    std::string file;
    if (!quorbit::EncodeImage(image.bytes, format, file).empty()) std::abort();
    quorbit::DecodedImage again;
    if (!quorbit::DecodeRecordImage(file, format, kLimit, again).empty()) std::abort();
    if (again.bytes != image.bytes) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string text(reinterpret_cast<const char*>(data), size);
    (void)quorbit::FormatToLoad(quorbit::FormatChoice::Auto, "image.bin", text);
    (void)quorbit::FormatOfName(text);
    for (const auto format : {quorbit::ImageFormat::IntelHex, quorbit::ImageFormat::SRecord}) {
        quorbit::DecodedImage image;
        if (quorbit::DecodeRecordImage(text, format, kLimit, image).empty())
            RoundTrip(image, format);
        (void)quorbit::RangesText(image.ranges);
    }
    return 0;
}
