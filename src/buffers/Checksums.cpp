#include "buffers/Checksums.h"

#include <openssl/evp.h>
#include <zlib.h>

#include <algorithm>
#include <climits>
#include <memory>
#include <stdexcept>

namespace quorbit {
namespace {

/// Feeds both checksums piece by piece, so a coverage of many ranges needs no copy.
class DigestBuilder {
  public:
    DigestBuilder() : crc_(crc32(0L, Z_NULL, 0)), sha_(EVP_MD_CTX_new(), EVP_MD_CTX_free) {
        if (!sha_ || EVP_DigestInit_ex(sha_.get(), EVP_sha1(), nullptr) != 1)
            throw std::runtime_error("SHA-1 is not available from the crypto library");
    }
    void Add(const std::uint8_t* data, std::size_t size) {
        // zlib takes an unsigned int length: feed very long runs in pieces.
        while (size > 0) {
            const auto piece = static_cast<uInt>(std::min<std::size_t>(size, UINT_MAX / 2));
            crc_ = crc32(crc_, data, piece);
            if (EVP_DigestUpdate(sha_.get(), data, piece) != 1)
                throw std::runtime_error("SHA-1 failed in the crypto library");
            data += piece;
            size -= piece;
        }
    }
    Digest Finish() {
        Digest d;
        d.crc32 = static_cast<std::uint32_t>(crc_);
        unsigned int length = 0;
        if (EVP_DigestFinal_ex(sha_.get(), d.sha1.data(), &length) != 1 || length != d.sha1.size())
            throw std::runtime_error("SHA-1 failed in the crypto library");
        return d;
    }

  private:
    uLong crc_;
    std::unique_ptr<EVP_MD_CTX, void (*)(EVP_MD_CTX*)> sha_;
};

} // namespace

Digest DigestOf(const std::uint8_t* data, std::size_t size) {
    DigestBuilder builder;
    builder.Add(data, size);
    return builder.Finish();
}

Digest DigestOfCoverage(const std::vector<std::uint8_t>& buffer, const Coverage& held) {
    DigestBuilder builder;
    for (const AddressRange& r : held.Ranges()) {
        if (r.first >= buffer.size()) break;
        const std::size_t last = std::min<std::size_t>(r.last, buffer.size() - 1);
        builder.Add(buffer.data() + r.first, last - r.first + 1);
    }
    return builder.Finish();
}

std::string DigestLogText(const Digest& digest, const Coverage& over) {
    const std::string sums = "CRC32 = " + digest.Crc32Text() + " SHA-1 = " + digest.Sha1Text();
    if (over.Empty()) return sums + " over no bytes";
    return sums + " over " + RangesText(over.Ranges()) + " (" + std::to_string(over.Bytes()) +
           " bytes)";
}

} // namespace quorbit
