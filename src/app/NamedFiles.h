#pragma once
// The files one run reads and writes, checked before any of them is opened:
// a trace written over the image it is about to program, or an image written
// into the stream that carries the trace, destroys what the operator asked for.
#include <string>
#include <vector>

namespace quorbit {

/// A file named on the command line, by the option that names it.
struct NamedFile {
    std::string option;      // as the operator knows it: "--trace", "-o", "the image file"
    std::string path;        // "-" for the standard stream below
    int standardStream = -1; // the descriptor "-" stands for (0, 1 or 2)
};

/// "" when the files are all different; else which two name the same file (the
/// same device and inode, or the same path not yet created). Empty paths are
/// skipped; terminals and other character devices may be shared.
std::string FileNamedTwice(const std::vector<NamedFile>& files);

} // namespace quorbit
