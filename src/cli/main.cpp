#include <iostream>

#include "app/LastGuard.h"
#include "cli/Cli.h"
#include "cli/StopSignals.h"

int main(int argc, char** argv) {
    quorbit::cli::InstallStopSignals();
    const int status = quorbit::RunWithLastGuard(
        [&] { return quorbit::cli::Run(argc, argv, std::cout, std::cerr); }, std::cerr,
        "quorbit-cli");
    return quorbit::cli::ExitStatusAfterSignals(status);
}
