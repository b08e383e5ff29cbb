#include "cli/SumCommand.h"

#include <CLI/CLI.hpp>
#include <ostream>

#include "app/App.h"
#include "app/Shell.h"
#include "app/SystemServices.h"
#include "buffers/BinaryFiles.h"
#include "buffers/ImageFormats.h"
#include "cli/ImageOptions.h"
#include "cli/JsonResult.h"
#include "hw/StopRequest.h"
#include "session/Program.h"
#include "sim/SimBoard.h"

namespace quorbit::cli {

CLI::App* AddSumCommand(CLI::App& cli, SumOptions& options) {
    auto* sum = cli.add_subcommand(
        "sum", "Print the size, CRC32, SHA-1 and name of image files (the bytes they hold)");
    sum->add_option("files", options.files, "Image files, - for standard input")->required();
    sum->add_option("--format", options.format,
                    "Image file format: auto (by name and content), raw, ihex or srec")
        ->check(CLI::IsMember({"auto", "raw", "ihex", "srec"}, CLI::ignore_case))
        ->capture_default_str();
    AddOffsetOption(sum, options.offset);
    return sum;
}

int RunSumCommand(const SumOptions& options, std::ostream& out, std::ostream& err,
                  JsonResult& json) {
    // The loads run through the program's own loading code, on a port with nothing
    // behind it: summing files never drives a board.
    sim::SimBoard noBoard(0, 0x378);
    SystemClock clock;
    SilentSound sound;
    ConsoleDialogs dialogs;
    MemorySettings settings;
    Services services;
    services.port = &noBoard;
    services.clock = &clock;
    services.sound = &sound;
    services.dialogs = &dialogs;
    services.settings = &settings;
    const std::unique_ptr<App> program = MakeProgram(services);
    App& app = *program;
    app.buf.CodeFileFormat = ParseFormatChoice(options.format).value_or(FormatChoice::Auto);
    ParseOffset(options.offset, app.buf.CodeFileOffset); // checked by the parser
    // The loads' log lines are not printed, so they are not the object's log either.

    std::ostream& lines = json.Wanted() ? err : out;
    int status = 0;
    for (const std::string& file : options.files) {
        // A stop between two files ends the sums there, said as the log says it.
        if (StopPending()) {
            app.onLogLine = [&err, &json](const std::string& line) {
                err << line << "\n";
                json.AddLogLine(line);
            };
            ReportOperationStopped(app);
            status = 1;
            break;
        }
        bool loaded = false;
        app.RunGuarded([&](App& a) { loaded = OpenCodeFile(a, file); });
        if (!loaded) { // the message box has said why on standard error
            json.AddImageFile(file, std::nullopt);
            status = 2;
            continue;
        }
        const ImageSummary image = SummaryOfCodeImage(app);
        json.AddImageFile(file, image);
        lines << image.held.Bytes() << " " << image.digest.Crc32Text() << " "
              << image.digest.Sha1Text() << " " << file << "\n";
    }
    lines << std::flush;
    return status;
}

} // namespace quorbit::cli
