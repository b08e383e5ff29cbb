#include <iostream>

#include "app/LastGuard.h"
#include "cli/Cli.h"

int main(int argc, char** argv) {
    return quorbit::RunWithLastGuard(
        [&] { return quorbit::cli::Run(argc, argv, std::cout, std::cerr); }, std::cerr,
        "quorbit-cli");
}
