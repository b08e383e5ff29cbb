#include "session/Backend.h"

#include "hw/backends/CountingPort.h"
#include "hw/backends/DirectPort.h"
#include "hw/backends/ExecPort.h"
#include "hw/backends/PpdevPort.h"
#include "hw/backends/TracePort.h"
#include "sim/SimBoard.h"

namespace quorbit {

namespace {

constexpr const char* kPpdevPrefix = "ppdev:";
constexpr const char* kExecPrefix = "exec:";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

std::vector<PpdevMapping> PpdevMappings(const BackendOptions& options) {
    if (StartsWith(options.choice, kPpdevPrefix)) {
        const std::string device = options.choice.substr(std::string(kPpdevPrefix).size());
        if (device.empty())
            throw PortError("ppdev backend: name the device, e.g. ppdev:/dev/parport0");
        return {{0x378, device}};
    }
    // Cards at other bases (PCI, PCIe) come first, each on the device the kernel
    // found it as; a standard base naming the same device is then left empty.
    std::vector<PpdevMapping> mappings;
    for (const auto& found : ParportBases(kParportProcFolder))
        if (found.base != 0x378 && found.base != 0x278 && found.base != 0x3BC)
            mappings.push_back(found);
    for (const PpdevMapping& standard : std::vector<PpdevMapping>{
             {0x378, options.ppdev378}, {0x278, options.ppdev278}, {0x3BC, options.ppdev3BC}})
        mappings.push_back(standard);
    if (options.onlyBase != 0)
        std::erase_if(mappings, [&](const PpdevMapping& m) { return m.base != options.onlyBase; });
    return mappings;
}

void OpenInner(const BackendOptions& options, OpenedBackend& opened) {
    const std::string& choice = options.choice;
    if (choice == "sim") {
        auto board = std::make_unique<sim::SimBoard>(options.sim.model, options.sim.basePort);
        board->SetStepNs(options.stepNs);
        board->SetPortAccessNs(options.sim.accessNs);
        opened.simBoard = board.get();
        opened.io = std::move(board);
    } else if (choice == "ppdev" || StartsWith(choice, kPpdevPrefix)) {
        auto port = std::make_unique<PpdevPort>(PpdevMappings(options), options.stepNs);
        opened.warnings = port->Warnings();
        opened.io = std::move(port);
    } else if (choice == "direct") {
        opened.io = std::make_unique<DirectPort>(options.stepNs);
    } else if (StartsWith(choice, kExecPrefix)) {
        const std::string command = choice.substr(std::string(kExecPrefix).size());
        if (command.empty()) throw PortError("exec backend: give the command, e.g. exec:./myport");
        ExecLimits limits;
        limits.sendDelays = options.execDelays;
        opened.io = std::make_unique<ExecPort>(command, limits);
    } else {
        throw PortError(BackendChoiceProblem(choice));
    }
}

} // namespace

std::string BackendChoiceProblem(const std::string& choice) {
    if (choice == "sim" || choice == "ppdev" || choice == "direct" ||
        StartsWith(choice, kPpdevPrefix) || StartsWith(choice, kExecPrefix))
        return {};
    return "Unknown port backend \"" + choice +
           "\": use sim, ppdev[:/dev/parportN], direct or exec:COMMAND";
}

OpenedBackend OpenBackend(const BackendOptions& options) {
    OpenedBackend opened;
    OpenInner(options, opened);
    if (!options.traceFile.empty()) {
        auto trace = std::make_unique<TracePort>(std::move(opened.io), options.traceFile);
        opened.trace = trace.get();
        opened.io = std::move(trace);
    }
    if (options.countAccesses) {
        auto counter = std::make_unique<CountingPort>(std::move(opened.io));
        opened.counter = counter.get();
        opened.io = std::move(counter);
    }
    return opened;
}

} // namespace quorbit
