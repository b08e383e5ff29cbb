#pragma once
// quorbit-cli sum FILE...: size, CRC32, SHA-1 and name of each image file, as a
// load would read it (format rules, --offset, the bytes the image holds).
#include <iosfwd>
#include <string>
#include <vector>

namespace CLI {
class App;
}

namespace quorbit::cli {

class JsonResult;

struct SumOptions {
    std::vector<std::string> files;
    std::string format = "auto";
    std::string offset;
};

CLI::App* AddSumCommand(CLI::App& cli, SumOptions& options);
/// One line per file on `out` (standard error with --json); 2 when a file could
/// not be read as an image (the reason on standard error), else 0.
int RunSumCommand(const SumOptions& options, std::ostream& out, std::ostream& err,
                  JsonResult& json);

} // namespace quorbit::cli
