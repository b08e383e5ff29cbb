#include "cli/Boards.h"

#include <CLI/CLI.hpp>
#include <algorithm>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <optional>
#include <ostream>
#include <streambuf>
#include <thread>

#include <unistd.h>

#include "app/App.h"
#include "app/TextFile.h"
#include "cli/BatchCommand.h"
#include "cli/Commands.h"
#include "cli/JsonResult.h"
#include "cli/Session.h"
#include "cli/SetupCommand.h"
#include "hw/StopRequest.h"
#include "session/Options.h"

namespace quorbit::cli {
namespace {

/// A stream several boards write to: whole lines, one at a time.
class SharedStream {
  public:
    explicit SharedStream(std::ostream& target) : target_(target) {}
    void Line(const std::string& line) {
        const std::lock_guard hold(lock_);
        target_ << line << "\n" << std::flush;
    }

  private:
    std::ostream& target_;
    std::mutex lock_;
};

/// Gathers what one board writes into lines and gives each to the shared stream
/// with the board's name in front ("378: ").
class PrefixedLines : public std::streambuf {
  public:
    PrefixedLines(SharedStream& shared, std::string prefix)
        : shared_(shared), prefix_(std::move(prefix)) {}
    ~PrefixedLines() override {
        if (!pending_.empty()) shared_.Line(prefix_ + pending_);
    }
    PrefixedLines(const PrefixedLines&) = delete;
    PrefixedLines& operator=(const PrefixedLines&) = delete;

  protected:
    int_type overflow(int_type c) override {
        if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
        Put(traits_type::to_char_type(c));
        return c;
    }
    std::streamsize xsputn(const char* text, std::streamsize count) override {
        for (std::streamsize i = 0; i < count; ++i)
            Put(text[i]);
        return count;
    }

  private:
    void Put(char c) {
        if (c != '\n') {
            pending_ += c;
            return;
        }
        shared_.Line(prefix_ + pending_);
        pending_.clear();
    }

    SharedStream& shared_;
    std::string prefix_;
    std::string pending_;
};

/// A board's own output stream onto a shared one.
class BoardStream : public std::ostream {
  public:
    BoardStream(SharedStream& shared, const std::string& prefix)
        : std::ostream(nullptr), lines_(shared, prefix) {
        rdbuf(&lines_);
    }

  private:
    PrefixedLines lines_;
};

std::string PortName(std::uint16_t port) {
    return Hex(port);
}

/// "378, 278 and D100".
std::string PortNames(const std::vector<std::string>& names) {
    std::string text;
    for (std::size_t i = 0; i < names.size(); ++i)
        text += (i == 0 ? "" : i + 1 == names.size() ? " and " : ", ") + names[i];
    return text;
}

/// A file name with the board's port (and, with `number`, its place in the list)
/// put in for the marks.
std::string BoardFileName(std::string name, const std::string& port, int number) {
    for (std::size_t at; (at = name.find(kBoardPortMark)) != std::string::npos;)
        name.replace(at, std::string(kBoardPortMark).size(), port);
    if (number > 0)
        for (std::size_t at; (at = name.find(kChipNumberMark)) != std::string::npos;)
            name.replace(at, std::string(kChipNumberMark).size(), std::to_string(number));
    return name;
}

/// The options of one board: its port, its own simulated board (none when
/// --sim-port puts none there), its own files, and --sim-fault where it goes.
GlobalOptions BoardOptions(const GlobalOptions& all, std::uint16_t port, int number, bool batch,
                           const std::vector<std::uint16_t>& faultPorts) {
    GlobalOptions o = all;
    const std::string name = PortName(port);
    o.boardPort = port;
    o.basePort = name;
    o.backend.onlyBase = port;
    SimSetup& sim = o.backend.sim;
    sim.basePort = port;
    if (std::find(all.simPorts.begin(), all.simPorts.end(), port) == all.simPorts.end())
        sim.model = 0; // nothing at this port: the board is missing
    if (!faultPorts.empty() &&
        std::find(faultPorts.begin(), faultPorts.end(), port) == faultPorts.end()) {
        sim.fault.clear();
        o.notes.clear(); // the seed's fault is not this board's
    }
    // In a batch {n} is the chip's number, put in per chip.
    o.backend.traceFile = BoardFileName(all.backend.traceFile, name, batch ? 0 : number);
    sim.saveFile = BoardFileName(all.backend.sim.saveFile, name, batch ? 0 : number);
    return o;
}

/// Why a file option would name one file for every board, or "".
std::string SharedFileProblem(const char* option, const std::string& name, bool batch) {
    if (name.empty() || name.find(kBoardPortMark) != std::string::npos) return {};
    if (!batch && name.find(kChipNumberMark) != std::string::npos) return {};
    return std::string(option) + " " + name + " would be one file for every board: put " +
           kBoardPortMark + " (the board's port) in its name";
}

/// One board's thread and what it hands back.
struct Board {
    std::uint16_t port = 0;
    std::string name;
    GlobalOptions options;
    CommandOptions command;
    std::thread thread;
    int status = 2;
    bool stopTaken = false;
    std::string object; // its --json object
    BatchSummary summary;
};

/// Opens a board's session on its thread and runs `work` on it; the status and
/// the object are the board's own, as one board's run gives them.
template <typename Work>
void RunBoard(Board& board, CLI::App& cli, SharedStream& log, SharedStream& err, Work work) {
    const BoardStopSlot slot;
    BoardStream boardLog(log, board.name + ": ");
    BoardStream boardErr(err, board.name + ": ");
    JsonResult json(0, nullptr);
    json.Parsed(cli);
    try {
        Session session(board.options, boardLog, boardErr);
        if (session.StartFailed()) {
            board.status = session.FailedStepStatus();
        } else {
            json.Watch(session);
            board.status = work(session, boardLog, boardErr);
            const bool closed = session.Close();
            json.Capture(session);
            if ((!closed && board.status == 0) || session.TraceFailed()) board.status = 2;
        }
    } catch (const PortError& e) {
        boardErr << e.what() << "\n";
        board.status = 2;
    } catch (const std::exception& e) {
        boardErr << e.what() << "\n";
        board.status = 2;
    }
    board.stopTaken = StopTaken();
    if (cli.got_subcommand("batch")) json.Batch(board.summary);
    board.object = json.Object(board.status);
}

/// What the coordinator and one board's thread say to each other in a batch.
struct BatchOrders {
    std::mutex lock;
    std::condition_variable changed;
    bool prepared = false;
    int prepareStatus = 0;
    std::optional<BatchSerials> serials;
    std::string device;
    // One chip at a time: given, then done.
    bool given = false;
    bool done = false;
    bool finish = false;
    bool gone = false; // the board's thread has ended
    int number = 0;
    std::optional<std::uint64_t> serial;
    BatchChip chip;
    std::string error; // the record or the serial file failed: the batch ends
};

/// The board's side of a batch: prepared once, then the chips it is given.
int BoardBatch(Session& session, std::ostream& boardLog, std::ostream& boardErr, CLI::App& cli,
               const CommandOptions& command, const BatchOptions& batch, SharedBatch& shared,
               BatchOrders& orders, const std::string& name, BatchSummary& summary) {
    BatchBoard board(cli, command, batch, session, boardErr);
    const int prepared = board.Prepare();
    {
        const std::lock_guard hold(orders.lock);
        orders.prepared = true;
        orders.prepareStatus = prepared;
        if (prepared == 0) {
            orders.serials = board.Serials();
            orders.device = board.Device();
        }
    }
    orders.changed.notify_all();
    if (prepared != 0) return prepared;
    const std::string& saveFile = session.SimSaveFile();
    for (;;) {
        int number = 0;
        std::optional<std::uint64_t> serial;
        {
            std::unique_lock hold(orders.lock);
            orders.changed.wait(hold, [&] { return orders.given || orders.finish; });
            if (!orders.given) break;
            number = orders.number;
            serial = orders.serial;
        }
        BatchChip chip = board.Program(number, serial);
        chip.port = name;
        boardLog << chip.line << "\n" << std::flush;
        if (const std::string bad = board.SaveChip(number, saveFile); !bad.empty())
            boardErr << bad << "\n";
        std::string error = shared.ChipDone(chip, board.Device());
        if (chip.result == "OK") ++summary.good;
        if (chip.result == "FAILED") ++summary.failed;
        if (chip.result == "STOPPED") summary.stopped = true;
        chip.line = name + ": " + chip.line;
        summary.chips.push_back(chip);
        {
            const std::lock_guard hold(orders.lock);
            orders.given = false;
            orders.done = true;
            orders.chip = std::move(chip);
            orders.error = std::move(error);
        }
        orders.changed.notify_all();
    }
    if (StopRequested()) summary.stopped = true;
    // The run's good count is the coordinator's: a board given no chip failed nothing.
    int status = summary.stopped ? 1 : 0;
    for (const BatchChip& chip : summary.chips)
        if (chip.result != "OK" && chip.result != "SKIPPED") status = 1;
    return status;
}

/// The coordinator's side of a batch on several boards: one line of input puts a
/// chip into every board that takes one, the boards program them at once, and the
/// next prompt comes when every board is done.
int CoordinateBatch(std::vector<Board>& boards, std::vector<std::unique_ptr<BatchOrders>>& orders,
                    const BatchOptions& batch, SharedBatch& shared, SharedStream& out,
                    SharedStream& err, BatchSummary& total) {
    std::vector<std::size_t> ready;
    std::optional<BatchSerials> serials;
    std::string device;
    for (std::size_t k = 0; k < boards.size(); ++k) {
        BatchOrders& o = *orders[k];
        std::unique_lock hold(o.lock);
        o.changed.wait(hold, [&] { return o.prepared; });
        if (o.prepareStatus != 0) continue;
        ready.push_back(k);
        if (!serials) {
            serials = o.serials;
            device = o.device;
        }
    }
    if (ready.empty()) return 2; // each board has said why
    if (const std::string bad = shared.Open(*serials); !bad.empty()) {
        err.Line(bad);
        return 2;
    }
    const bool terminal = ::isatty(STDIN_FILENO) != 0;
    int status = 0;
    int number = 1;
    for (;;) {
        std::vector<std::size_t> takers = ready;
        if (batch.count > 0) {
            const int wanted = batch.count - total.good;
            if (wanted <= 0) break;
            if (static_cast<int>(takers.size()) > wanted)
                takers.resize(static_cast<std::size_t>(wanted));
        }
        std::vector<std::string> names;
        for (const std::size_t k : takers)
            names.push_back(boards[k].name);
        const int last = number + static_cast<int>(takers.size()) - 1;
        if (terminal)
            err.Line("Insert chip" +
                     (last == number ? " " + std::to_string(number)
                                     : "s " + std::to_string(number) + "-" + std::to_string(last)) +
                     " into " + PortNames(names) + " and press Enter (q to finish)");
        const std::optional<std::string> answer = ReadBatchAnswer();
        if (!answer) break;
        std::string word = *answer;
        std::erase_if(word, [](char c) { return c == ' ' || c == '\t'; });
        if (word == "q" || word == "Q") break;
        if (word == "s" || word == "S") {
            for (const std::size_t k : takers) {
                BatchChip skipped = SkippedChip(number++);
                skipped.port = boards[k].name;
                skipped.line = boards[k].name + ": " + skipped.line;
                out.Line(skipped.line);
                ++total.skipped;
                ++boards[k].summary.skipped;
                boards[k].summary.chips.push_back(skipped);
                total.chips.push_back(skipped);
                if (const std::string bad = shared.ChipDone(skipped, device); !bad.empty()) {
                    err.Line(bad);
                    status = 2;
                }
            }
            if (status != 0) break;
            continue;
        }
        // Numbers in the order of the boards, handed out under the shared lock.
        std::vector<std::size_t> given;
        for (const std::size_t k : takers) {
            std::optional<std::uint64_t> serial;
            if (!shared.TakeSerial(serial)) {
                err.Line("The serial number " + std::to_string(*shared.NextSerial()) +
                         " does not fit in the field: the batch ends");
                status = 1;
                break;
            }
            BatchOrders& o = *orders[k];
            {
                const std::lock_guard hold(o.lock);
                o.given = true;
                o.done = false;
                o.number = number++;
                o.serial = serial;
            }
            o.changed.notify_all();
            given.push_back(k);
        }
        bool stopped = false, cancelled = false;
        for (const std::size_t k : given) {
            BatchOrders& o = *orders[k];
            std::unique_lock hold(o.lock);
            o.changed.wait(hold, [&] { return o.done; });
            if (o.gone) std::erase(ready, k);
            const BatchChip& chip = o.chip;
            if (chip.result == "OK") ++total.good;
            if (chip.result == "FAILED") ++total.failed;
            stopped = stopped || chip.result == "STOPPED";
            cancelled = cancelled || chip.result == "CANCELLED";
            total.chips.push_back(chip);
            if (!o.error.empty()) {
                err.Line(boards[k].name + ": " + o.error);
                status = 2;
            }
        }
        if (stopped) {
            total.stopped = true;
            break;
        }
        if (cancelled) {
            err.Line("The safety question was not answered OK: give --yes for a batch");
            status = 1;
            break;
        }
        if (status != 0) break;
    }
    total.nextSerial = shared.NextSerial();
    if (status != 0) return status;
    return total.failed == 0 && !total.stopped && total.good > 0 ? 0 : 1;
}

} // namespace

bool BoardPorts(const CLI::App& cli, const CommandOptions& command,
                std::vector<std::uint16_t>& ports, std::string& error) {
    ports.clear();
    if (command.ports.empty()) return true;
    if (!ParseBasePortList(command.ports, ports, error)) {
        error = "--ports " + command.ports + ": " + error;
        return false;
    }
    if (ports.size() > static_cast<std::size_t>(BoardStopSlot::kBoards)) {
        error = "--ports " + command.ports + ": at most " + std::to_string(BoardStopSlot::kBoards) +
                " boards at once";
        return false;
    }
    if (OptionGiven(&cli, "--port")) {
        error = "--ports names every board's port: leave --port out";
        return false;
    }
    return true;
}

int RunOnBoards(CLI::App& cli, GlobalOptions options, const CommandOptions& command,
                const BatchOptions& batch, const std::vector<std::uint16_t>& ports,
                std::ostream& out, std::ostream& err, JsonResult& json) {
    const bool isBatch = cli.got_subcommand("batch");
    std::vector<std::uint16_t> faultPorts;
    if (!command.simFaultPorts.empty()) {
        std::string error;
        if (!ParseBasePortList(command.simFaultPorts, faultPorts, error)) {
            err << "--sim-fault-ports " << command.simFaultPorts << ": " << error << "\n";
            return 2;
        }
    }
    for (const auto& [option, name] :
         {std::pair<const char*, const std::string&>{"--trace", options.backend.traceFile},
          {"--sim-save", options.backend.sim.saveFile}})
        if (const std::string problem = SharedFileProblem(option, name, isBatch);
            !problem.empty()) {
            err << problem << "\n";
            return 2;
        }
    if (isBatch && options.backend.sim.saveFile.find(kChipNumberMark) == std::string::npos &&
        !options.backend.sim.saveFile.empty()) {
        err << "--sim-save " << options.backend.sim.saveFile << " in a batch: put "
            << kChipNumberMark << " (the chip's number) in its name too\n";
        return 2;
    }
    if (command.progress == "json") {
        err << "--progress json is for one board: with --ports, --json gives every board's "
               "result\n";
        return 2;
    }
    // Without --sim-port, a simulated board answers at every port listed.
    if (!OptionGiven(&cli, "--sim-port")) options.simPorts = ports;

    SharedStream sharedOut(out), sharedErr(err);
    SharedStream& log = json.Wanted() ? sharedErr : sharedOut;
    CommandOptions boardCommand = command;
    boardCommand.progress = "none"; // one line redrawn in place cannot serve several boards
    std::vector<Board> boards(ports.size());
    for (std::size_t k = 0; k < ports.size(); ++k) {
        Board& b = boards[k];
        b.port = ports[k];
        b.name = PortName(ports[k]);
        b.options = BoardOptions(options, ports[k], static_cast<int>(k) + 1, isBatch, faultPorts);
        b.command = boardCommand;
    }

    int status = 0;
    if (!isBatch) {
        for (Board& each : boards)
            each.thread = std::thread([&cli, &log, &sharedErr, b = &each] {
                RunBoard(*b, cli, log, sharedErr,
                         [&](Session& session, std::ostream& boardLog, std::ostream& boardErr) {
                             return RunDeviceCommand(cli, b->command, session, boardLog, boardErr);
                         });
            });
        for (Board& b : boards)
            b.thread.join();
        // One line for the whole run, as a batch ends with its summary.
        std::vector<std::string> good, failed;
        for (const Board& b : boards)
            (b.status == 0 ? good : failed).push_back(b.name);
        std::string line = "program: " + std::to_string(good.size()) + " of " +
                           std::to_string(boards.size()) + " boards OK";
        if (!failed.empty()) line += ", failed: " + PortNames(failed);
        log.Line(line);
    } else {
        SharedBatch shared(batch);
        std::vector<std::unique_ptr<BatchOrders>> orders;
        for (std::size_t k = 0; k < boards.size(); ++k)
            orders.push_back(std::make_unique<BatchOrders>());
        for (std::size_t k = 0; k < boards.size(); ++k) {
            boards[k].thread = std::thread([&, b = &boards[k], o = orders[k].get()] {
                RunBoard(*b, cli, log, sharedErr,
                         [&](Session& session, std::ostream& boardLog, std::ostream& boardErr) {
                             return BoardBatch(session, boardLog, boardErr, cli, b->command, batch,
                                               shared, *o, b->name, b->summary);
                         });
                // A board that ended early (its start failed, or something threw)
                // tells the coordinator, which must not wait for it.
                {
                    const std::lock_guard hold(o->lock);
                    o->gone = true;
                    if (!o->prepared) {
                        o->prepared = true;
                        o->prepareStatus = b->status == 0 ? 2 : b->status;
                    }
                    if (o->given) {
                        o->given = false;
                        o->done = true;
                        o->chip = BatchChip{};
                        o->chip.chip = o->number;
                        o->chip.result = "FAILED";
                        o->chip.port = b->name;
                        o->chip.line = b->name + ": chip " + std::to_string(o->number) +
                                       ": FAILED, the board's run ended";
                    }
                }
                o->changed.notify_all();
            });
        }
        BatchSummary total;
        status = CoordinateBatch(boards, orders, batch, shared, log, sharedErr, total);
        for (auto& o : orders) {
            {
                const std::lock_guard hold(o->lock);
                o->finish = true;
            }
            o->changed.notify_all();
        }
        for (Board& b : boards)
            b.thread.join();
        for (const Board& b : boards)
            if (b.summary.stopped) total.stopped = true;
        for (const Board& b : boards) // the next serial is the run's, said once below
            log.Line(b.name + ": " + BatchSummaryLine(b.summary));
        log.Line(BatchSummaryLine(total));
        json.Batch(total);
    }
    bool stopTaken = false;
    for (const Board& b : boards) {
        status = std::max(status, b.status);
        stopTaken = stopTaken || b.stopTaken;
        json.AddBoard(b.name, b.object);
    }
    // A board that ended on the stop ended the run on it: the process's exit
    // status and result say so, as for one board.
    if (stopTaken) AcknowledgeStop();
    return status;
}

} // namespace quorbit::cli
