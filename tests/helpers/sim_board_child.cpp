// An external board for the exec backend that dies in the middle of an operation:
// a simulated board (model ARG1 at 378h) with an erased chip of catalog row ARG2
// answers the program's lines until it has answered ARG3 reads, then exits with
// status 3 as a crashed driver or an unplugged bridge would. With a signal number
// as ARG4 it lives on instead: at the first line after those reads it sends that
// signal to the program (its parent, so start it with exec), as an operator
// would at that moment, and goes on answering. Its clock follows the program's
// sleeps and, with --exec-delays, its counted delays; at the end it exits with
// status 4, the first one on its standard error, when the chip saw a pin move
// at a moment its datasheet forbids.
#include <csignal>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <sstream>
#include <string>

#include <unistd.h>

#include "sim/ChipFactory.h"
#include "sim/ChipView.h"
#include "sim/ParallelChip.h"
#include "sim/SimBoard.h"

int main(int argc, char** argv) {
    if (argc != 4 && argc != 5) {
        std::cerr << "usage: sim_board_child MODEL ROW READS [SIGNAL]\n";
        return 2;
    }
    int stopSignal = argc == 5 ? std::atoi(argv[4]) : 0;
    quorbit::sim::SimBoard board(std::atoi(argv[1]), 0x378);
    board.Insert(quorbit::sim::MakeErasedSimChip(std::atoi(argv[2])));
    quorbit::sim::ChipView view;
    view.violationsOnly = true;
    if (auto* chip = dynamic_cast<quorbit::sim::ParallelChip*>(board.Chip())) chip->Watch(&view);
    long readsLeft = std::atol(argv[3]);
    std::string line;
    while (std::getline(std::cin, line)) {
        if (stopSignal != 0 && readsLeft <= 0) {
            ::kill(::getppid(), stopSignal);
            stopSignal = 0;
        }
        std::istringstream fields(line);
        char kind = 0;
        unsigned port = 0, value = 0;
        fields >> kind >> std::hex >> port;
        if (kind == 'O') {
            fields >> std::hex >> value;
            board.PortOut(static_cast<std::uint16_t>(port), static_cast<std::uint8_t>(value));
        } else if (kind == 'I') {
            if (readsLeft-- <= 0 && argc == 4) return 3;
            const unsigned in = board.PortIn(static_cast<std::uint16_t>(port));
            std::printf("%02X\n", in);
            std::fflush(stdout);
        } else if (kind == 'S') {
            int milliseconds = 0;
            std::istringstream(line.substr(1)) >> milliseconds;
            board.Sleep(milliseconds);
        } else if (kind == 'D') {
            long long steps = 0, stepNs = 0;
            std::istringstream(line.substr(1)) >> steps >> stepNs;
            board.PulseSteps(steps, stepNs);
        }
    }
    if (!view.violations.empty()) {
        std::cerr << "sim_board_child: " << view.violations.front() << "\n";
        return 4;
    }
    return 0;
}
