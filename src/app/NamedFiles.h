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
    bool written = false;    // the run writes it (an output), else only reads it
};

/// "" when no file the run writes is named by another option too; else which two
/// name the same file (the same device and inode, or the same path not yet
/// created). Two inputs may be one file (a chip verified against the image the
/// simulator was loaded with). Empty paths are skipped; terminals and other
/// character devices may be shared.
std::string FileNamedTwice(const std::vector<NamedFile>& files);
/// True when the two name one file as FileNamedTwice tells it (a terminal or
/// other character device is nobody's file).
bool SameFile(const NamedFile& a, const NamedFile& b);

} // namespace quorbit
