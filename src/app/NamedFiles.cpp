#include "app/NamedFiles.h"

#include <filesystem>
#include <optional>
#include <system_error>

#include <sys/stat.h>

#include "hw/SafeFile.h"

namespace quorbit {
namespace {

namespace fs = std::filesystem;

/// What a name leads to: an existing object by device and inode, or a path
/// that does not exist yet by its absolute, normalised form.
struct Identity {
    dev_t device = 0;
    ino_t inode = 0;
    std::string futurePath;
    bool operator==(const Identity&) const = default;
};

std::optional<Identity> IdentityOf(const NamedFile& file) {
    struct stat st {};
    const bool stream = file.path == kStandardInputName && file.standardStream >= 0;
    const int found = stream ? ::fstat(file.standardStream, &st) : ::stat(file.path.c_str(), &st);
    if (found == 0) {
        // A terminal or /dev/null does not keep what is written to it.
        if (S_ISCHR(st.st_mode)) return std::nullopt;
        return Identity{st.st_dev, st.st_ino, {}};
    }
    if (stream) return std::nullopt; // a closed standard stream is nobody's file
    std::error_code ec;
    const fs::path full = fs::weakly_canonical(fs::absolute(file.path, ec), ec);
    if (ec) return std::nullopt;
    return Identity{0, 0, full.string()};
}

} // namespace

bool SameFile(const NamedFile& a, const NamedFile& b) {
    if (a.path.empty() || b.path.empty()) return false;
    const auto first = IdentityOf(a);
    const auto second = IdentityOf(b);
    return first && second && *first == *second;
}

std::string FileNamedTwice(const std::vector<NamedFile>& files) {
    std::vector<std::pair<const NamedFile*, Identity>> seen;
    for (const NamedFile& file : files) {
        if (file.path.empty()) continue;
        const auto identity = IdentityOf(file);
        if (!identity) continue;
        for (const auto& [other, otherIdentity] : seen)
            if ((file.written || other->written) && otherIdentity == *identity)
                return other->option + " " + other->path + " and " + file.option + " " + file.path +
                       " name the same file: give each its own";
        seen.emplace_back(&file, *identity);
    }
    return {};
}

} // namespace quorbit
