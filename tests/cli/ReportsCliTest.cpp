// Reports for people and scripts, through the real command line on the simulated
// board: every differing byte counted, CRC32 and SHA-1 equal to independent tools,
// sum over raw and record files, one JSON object per run (parsed by Python's json
// module, so an escaping slip fails the test), and raw images placed at an offset.
#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <utility>
#include <vector>

#include "CliRun.h"
#include "buffers/RecordText.h"
#include "catalog/Catalog.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

struct ReportsCli : CliInTempDir {
    /// Output of a shell line run in the temporary folder, trailing newline removed.
    [[nodiscard]] std::string Shell(const std::string& line) const {
        const std::string command =
            "cd '" + dir.path().string() + "' && (" + line + ") > shell.txt 2>&1";
        EXPECT_EQ(std::system(command.c_str()), 0) << line;
        std::string text = ReadBytes(dir / "shell.txt");
        while (!text.empty() && text.back() == '\n')
            text.pop_back();
        return text;
    }
    /// The last run's standard output parsed as one JSON object `j` by Python, and
    /// `expression` over it printed; a Python error (bad JSON) is the answer then.
    [[nodiscard]] std::string Json(const std::string& expression) const {
        WriteBytes(dir / "query.py",
                   "import json\n"
                   "text = open('stdout.txt', encoding='utf-8').read()\n"
                   "assert text.endswith('}\\n') and text.count('\\n') == 1, 'not one line'\n"
                   "j = json.loads(text)\n"
                   "print(" +
                       expression + ")\n");
        return Shell("python3 query.py");
    }
};

/// Bytes 100-10Fh, 2000-200Fh and 7FF0-7FFFh of `image` changed.
std::vector<std::uint8_t> ThreeRegionsChanged(std::vector<std::uint8_t> image) {
    const std::pair<int, int> regions[] = {{0x100, 0x10F}, {0x2000, 0x200F}, {0x7FF0, 0x7FFF}};
    for (const auto& [first, last] : regions)
        for (int a = first; a <= last; ++a)
            image[static_cast<std::size_t>(a)] ^= 0x24;
    return image;
}

TEST_F(ReportsCli, VerifyCountsEveryDifferenceInTheLogAndTheJson) {
    const auto image = sim::RandomContents(32768, 31);
    WriteFile("image.bin", image);
    WriteFile("chip.bin", ThreeRegionsChanged(image));
    const std::string counted = ">  48 bytes differ in 3 ranges: 100-10F, 2000-200F, 7FF0-7FFF\n";

    const CliResult text = Run("--sim-chip 27C256 --sim-image chip.bin verify -d 27C256 image.bin");
    EXPECT_EQ(text.status, 1) << text.out << text.err;
    // The first difference is reported as before, the count after it.
    const auto first = text.out.find(">  Address: 100 ][ Buffer Data: ");
    ASSERT_NE(first, std::string::npos) << text.out;
    EXPECT_GT(text.out.find(counted), first) << text.out;

    const CliResult json =
        Run("--sim-chip 27C256 --sim-image chip.bin verify -d 27C256 image.bin --json");
    EXPECT_EQ(json.status, 1);
    EXPECT_TRUE(json.ErrHas(counted)) << "log lines go to standard error";
    EXPECT_EQ(Json("j['verb'], j['device'], j['result'], j['exit']"),
              "verify Eprom 27C256 failed 1");
    EXPECT_EQ(Json("j['mismatches']"),
              "{'count': 48, 'range_count': 3, 'ranges': [[256, 271], [8192, 8207], "
              "[32752, 32767]]}");
    EXPECT_EQ(Json("any(line.endswith(' 48 bytes differ in 3 ranges: 100-10F, 2000-200F, "
                   "7FF0-7FFF') for line in j['log'])"),
              "True");
    EXPECT_EQ(Json("'failure' in j, j['image']['bytes'], j['chip']['bytes']"), "False 32768 32768");

    // The 24Cxx verify counts the same way.
    auto serial = sim::RandomContents(2048, 32);
    serial[0] &= 0x7F; // a sequential read's stop needs bit 7 of byte 0 low (SerialImage)
    auto serialChip = serial;
    for (int a : {0x10, 0x11, 0x400, 0x7FF})
        serialChip[static_cast<std::size_t>(a)] ^= 0x81;
    WriteFile("serial.bin", serial);
    WriteFile("serialchip.bin", serialChip);
    const CliResult s =
        Run("--sim-chip 24C16 --sim-image serialchip.bin verify -d 24C16 serial.bin --json");
    EXPECT_EQ(s.status, 1) << s.err;
    EXPECT_TRUE(s.ErrHas(">  4 bytes differ in 3 ranges: 10-11, 400, 7FF\n")) << s.err;
    EXPECT_EQ(Json("j['mismatches']['count'], j['mismatches']['ranges']"),
              "4 [[16, 17], [1024, 1024], [2047, 2047]]");
}

TEST_F(ReportsCli, ChecksumsEqualThoseOfIndependentTools) {
    WriteBytes(dir / "check.bin", "123456789");
    EXPECT_EQ(Run("sum check.bin").out,
              "9 cbf43926 f7c3bc1d808e04732adf679965ccc34ca7ae3441 check.bin\n");

    const auto image = sim::RandomContents(32768, 33);
    WriteFile("image.bin", image);
    const std::string sha1 = Shell("sha1sum image.bin | cut -c1-40");
    const std::string crc32 = Shell(
        "python3 -c \"import zlib; print('%08x' % zlib.crc32(open('image.bin','rb').read()))\"");
    ASSERT_EQ(sha1.size(), 40u);
    ASSERT_EQ(crc32.size(), 8u);
    const std::string sums = "CRC32 = " + crc32 + " SHA-1 = " + sha1 + " over 0-7FFF (32768 bytes)";

    EXPECT_EQ(Run("sum image.bin").out, "32768 " + crc32 + " " + sha1 + " image.bin\n");
    const CliResult read =
        Run("--sim-chip 27C256 --sim-image image.bin read -d 27C256 -o out.bin --json");
    EXPECT_EQ(read.status, 0) << read.err;
    EXPECT_TRUE(read.ErrHas(">  Device " + sums + "\n")) << read.err;
    EXPECT_EQ(Json("j['chip']['crc32'], j['chip']['sha1'], j['result']"),
              crc32 + " " + sha1 + " ok");
    const CliResult verify = Run("--sim-chip 27C256 --sim-image image.bin verify -d 27C256 "
                                 "image.bin");
    EXPECT_EQ(verify.status, 0) << verify.out;
    EXPECT_TRUE(verify.OutHas(">  Image " + sums + "\n")) << verify.out;
    EXPECT_TRUE(verify.OutHas(">  Device " + sums + "\n")) << verify.out;
}

TEST_F(ReportsCli, SumReadsRawHexAndSrecordImagesOfTheSameBytesAlike) {
    // Two records with a gap: the sums cover the records' bytes in address order,
    // the same bytes as a raw file of the two runs one after the other.
    const auto low = sim::RandomContents(16, 34);
    const auto high = sim::RandomContents(32, 35);
    WriteBytes(dir / "sparse.hex",
               IntelLine(0, 0x0100, low) + IntelLine(0, 0x2000, high) + IntelEnd());
    WriteBytes(dir / "sparse.s19",
               SLine('1', 2, 0x0100, low) + SLine('1', 2, 0x2000, high) + SLine('9', 2, 0, {}));
    auto both = low;
    both.insert(both.end(), high.begin(), high.end());
    WriteFile("both.bin", both);
    const CliResult sparse = Run("sum sparse.hex sparse.s19 both.bin");
    EXPECT_EQ(sparse.status, 0) << sparse.err;
    const std::string sums = Shell("cut -d' ' -f1-3 stdout.txt | uniq");
    EXPECT_EQ(sums.find('\n'), std::string::npos) << "one distinct line:\n" << sums;
    EXPECT_EQ(sums, "48 " +
                        Shell("python3 -c \"import zlib; print('%08x' % "
                              "zlib.crc32(open('both.bin','rb').read()))\"") +
                        " " + Shell("sha1sum both.bin | cut -c1-40"));

    // A whole chip written out by the program in both record formats.
    WriteFile("chip.bin", sim::RandomContents(32768, 36));
    for (const char* name : {"chip.hex", "chip.s19"})
        ASSERT_EQ(
            Run(std::string("--sim-chip 27C256 --sim-image chip.bin read -d 27C256 -o ") + name)
                .status,
            0);
    const CliResult whole = Run("sum --json chip.bin chip.hex chip.s19");
    EXPECT_EQ(whole.status, 0) << whole.err;
    EXPECT_EQ(Json("len({(i['bytes'], i['crc32'], i['sha1'], i['ok']) for i in j['images']}), "
                   "len(j['images'])"),
              "1 3");

    // A bad file among good ones: the others are still summed, the run exits 2.
    WriteBytes(dir / "bad.hex", ":10010000ZZ\r\n");
    const CliResult bad = Run("sum both.bin bad.hex missing.bin chip.bin");
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(Shell("cut -d' ' -f4 stdout.txt"), "both.bin\nchip.bin");
    EXPECT_TRUE(bad.ErrHas("bad.hex")) << bad.err;
    EXPECT_TRUE(bad.ErrHas("missing.bin")) << bad.err;
    EXPECT_EQ(Run("sum --json both.bin bad.hex").status, 2);
    EXPECT_EQ(Json("j['result'], j['exit'], [i['ok'] for i in j['images']]"),
              "refused 2 [True, False]");
}

TEST_F(ReportsCli, FailedProgramNamesTheAddressInTheJson) {
    auto image = sim::RandomContents(32768, 37);
    image[0x1F3] = 0x5A; // bit 0 clear, but stuck at 1 in the chip
    WriteFile("image.bin", image);
    const CliResult r = Run("--sim-chip 27C256 --sim-image fill:FF --sim-fault 1F3:0:1 --yes "
                            "program -d 27C256 image.bin --json");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(r.ErrHas(">  *** Address:1F3h, Programming BYTE:5Ah, Read BYTE:5Bh\n")) << r.err;
    EXPECT_EQ(Json("j['verb'], j['result'], j['exit'], j['failure']"),
              "program failed 1 {'address': 499, 'wrote': 90, 'read': 91}");
    // Programming stopped there: no verify ran, so no chip reading is claimed.
    EXPECT_EQ(Json("'chip' in j, 'mismatches' in j, j['image']['bytes']"), "False False 32768");
}

TEST_F(ReportsCli, OffsetPlacesARawImageAndLeavesTheRestOfTheChip) {
    auto chip = sim::RandomContents(32768, 38);
    std::fill_n(chip.begin() + 0x4000, 1000, 0xFF); // blank where the image goes
    WriteFile("chip.bin", chip);
    const auto image = sim::RandomContents(1000, 39);
    WriteFile("image.bin", image);
    const CliResult p = Run("--sim-chip 27C256 --sim-image chip.bin --sim-save after.bin --yes "
                            "program -d 27C256 --offset 4000 image.bin --json");
    EXPECT_EQ(p.status, 0) << p.err;
    EXPECT_TRUE(p.ErrHas(">  File image.bin - was read into Buffer. 1000 bytes long.\n"));
    EXPECT_TRUE(p.ErrHas(">  Raw binary image covers 4000-43E7; the rest of the buffer is FFh\n"));
    EXPECT_EQ(Json("j['result'], j['image']['ranges'], j['chip']['ranges']"),
              "ok [[16384, 17383]] [[16384, 17383]]");
    auto want = chip;
    std::copy(image.begin(), image.end(), want.begin() + 0x4000);
    EXPECT_EQ(FileBytes("after.bin"), want);

    const CliResult v =
        Run("--sim-chip 27C256 --sim-image after.bin verify -d 27C256 --offset 0x4000 image.bin");
    EXPECT_EQ(v.status, 0) << v.out;
    EXPECT_EQ(Run("sum --offset 4000h image.bin").out, Run("sum image.bin").out);

    // Past the chip's end: refused before the chip is touched.
    const CliResult past = Run("--sim-chip 27C256 --sim-image chip.bin --sim-save after.bin --yes "
                               "program -d 27C256 --offset 7F00 image.bin");
    EXPECT_EQ(past.status, 2);
    EXPECT_TRUE(past.OutHas("The image reaches address 82E7h (33512 bytes) but the Eprom 27C256 "
                            "holds 32768 bytes - the device was not accessed"))
        << past.out;
    EXPECT_EQ(FileBytes("after.bin"), chip);
    const CliResult bad = Run("verify -d 27C256 --offset 4G00 image.bin");
    EXPECT_EQ(bad.status, 2);
    EXPECT_TRUE(bad.ErrHas("Bad --offset 4G00")) << bad.err;
    // The address it asks for is hex, and so is the highest one it takes.
    EXPECT_TRUE(Run("sum --offset 2100000 image.bin")
                    .ErrHas("Bad --offset 2100000: give a hex address from 0 to 200B20, e.g. "
                            "4000"));

    // A record image keeps its own addresses and says the offset was ignored.
    WriteBytes(dir / "rec.hex", IntelLine(0, 0x0010, {1, 2, 3}) + IntelEnd());
    const CliResult rec = Run("--sim-chip 27C256 --sim-image fill:FF verify -d 27C256 --offset "
                              "4000 rec.hex");
    EXPECT_TRUE(rec.OutHas(">  Load offset 4000h ignored: the Intel HEX records carry their own "
                           "addresses\n"))
        << rec.out;
    EXPECT_TRUE(rec.OutHas(">  3 bytes differ in 1 range: 10-12\n")) << rec.out;
}

TEST_F(ReportsCli, EveryVerbEndsInOneJsonObject) {
    const auto image = sim::RandomContents(32768, 40);
    WriteFile("image.bin", image);
    struct Case {
        std::string args;
        std::string expected; // verb, result, exit
    };
    const std::vector<Case> cases = {
        {"--json detect", "detect ok 0"},
        {"devices --json", "devices ok 0"},
        {"--json --sim-chip 27C256 --sim-image fill:FF blank -d 27C256", "blank ok 0"},
        {"--json --sim-chip 27C256 --sim-image fill:00 blank -d 27C256", "blank failed 1"},
        {"--json program -d 27C256 image.bin", "program cancelled 1"},
        {"--json erase -d AM29F040", "erase cancelled 1"},
        {"--json erase -d 27C256", "erase refused 1"},
        {"--json --sim-model 0 verify -d 27C256 image.bin", "verify refused 1"},
        {"--json verify -d 27C256 --bytes middle image.bin", "verify refused 2"},
        {"--json verify -d 27C256 missing.bin", "verify refused 2"},
        {"--json read -d 27C256 -o -", "read refused 2"},
        {"--json setup save 1 -d 27C256", "setup save ok 0"},
        {"--json sum image.bin", "sum ok 0"},
        // Options the verb has no use for are checked all the same, or refused
        // when they promise what it cannot give.
        {"--json sum --port abc image.bin", "sum ok 0"}, // ABCh: a card's base
        {"--json sum --port 3 image.bin", "sum refused 2"},
        {"--json sum --sim-faults 12 image.bin", "sum refused 2"},
        {"--json -b parport sum image.bin", "sum refused 2"},
        {"--json sum --trace trace.txt image.bin", "sum refused 2"},
        {"--json devices --sim-save chip.bin", "devices refused 2"},
        {"--json --progress json --sim-chip 27C256 --sim-image image.bin verify -d 27C256 "
         "image.bin",
         "verify ok 0"},
    };
    for (const Case& c : cases) {
        const CliResult r = Run(c.args);
        EXPECT_EQ(Json("j['verb'], j['result'], j['exit']"), c.expected) << c.args << "\n"
                                                                         << r.out << r.err;
        EXPECT_EQ(Json("j['exit']"), std::to_string(r.status)) << c.args;
        // The log holds the lines printed (on standard error), and only those.
        WriteBytes(dir / "printed.txt", r.err);
        EXPECT_EQ(Json("all(line in open('printed.txt').read().splitlines() for line in "
                       "j['log'])"),
                  "True")
            << c.args;
        EXPECT_EQ(Json("type(j['port_accesses']).__name__ in ('int', 'NoneType'), "
                       "type(j['elapsed_ms']).__name__, type(j['log']).__name__"),
                  "True int list")
            << c.args;
    }
    EXPECT_EQ(Run("--json detect").status, 0);
    EXPECT_EQ(Json("j['board'], j['device'], j['port_accesses'] > 0"),
              "{'model': 6, 'port': 888} None True");
    EXPECT_EQ(Run("devices --json").status, 0);
    EXPECT_EQ(Json("len(j['devices']), j['devices'][10]"),
              std::to_string(CatalogRowCount()) +
                  " {'row': 11, 'name': 'Eprom 27C256', 'family': 'UV EPROM', 'bytes': 32768, "
                  "'selectable': True}");
    // The progress objects stay on standard error, one per line, and parse too.
    const CliResult progress = Run("--json --progress json --sim-chip 27C256 --sim-image "
                                   "image.bin verify -d 27C256 image.bin");
    EXPECT_TRUE(progress.ErrHas("{\"op\":\"verify\"")) << progress.err;
    EXPECT_EQ(Shell("grep '^{' stderr.txt | python3 -c \"import json,sys; print(all(json.loads(l)"
                    "['op'] == 'verify' for l in sys.stdin))\""),
              "True");
    // --estimate still prints its figures, on standard error with the log.
    const CliResult estimate = Run("--json --estimate --sim-chip 27C256 blank -d 27C256");
    EXPECT_TRUE(estimate.ErrHas("Port accesses: ")) << estimate.err;
    EXPECT_EQ(Json("j['port_accesses'] > 0"), "True");
}

TEST_F(ReportsCli, AStopSignalGivesAStoppedResultWithTheProcessStatus) {
    const auto image = sim::RandomContents(512 * 1024, 41);
    WriteFile("image.bin", image);
    // SIGTERM once programming has started (a background job of a script ignores
    // SIGINT); the wait for the line is bounded, no time is measured.
    const std::string status =
        Shell("'" QUORBIT_CLI_PATH "' --config-dir . --json --sim-chip AM29F040 --yes program "
              "-d AM29F040 image.bin > stdout.txt 2> stderr.txt & p=$!; i=0; "
              "until grep -qs 'Start programming' stderr.txt || [ $i -ge 6000 ]; do "
              "sleep 0.01; i=$((i+1)); done; kill -TERM $p; wait $p; echo $?");
    EXPECT_EQ(status, "143") << ReadBytes(dir / "stderr.txt");
    EXPECT_EQ(Json("j['verb'], j['result'], j['exit']"), "program stopped 143");
    EXPECT_EQ(Json("any(l.endswith('>  Operation stopped by the operator') for l in j['log']), "
                   "'chip' in j"),
              "True False");
}

TEST_F(ReportsCli, JsonKeepsOddFileNamesReadable) {
    // A quote, a backslash, a tab and a byte that is not UTF-8 in the name.
    const std::string name = "odd\"na\\me\t\xff.bin";
    WriteBytes(dir / name, "123456789");
    const CliResult r = Run("--json sum \"$(printf 'odd\"na\\\\me\\t\\377.bin')\"");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Json("j['images'][0]['file'] == 'odd\"na\\\\me\\t\\ufffd.bin', "
                   "j['images'][0]['crc32']"),
              "True cbf43926");
    // The log lines that name it (a verify's load) keep it as readable.
    EXPECT_EQ(Run("--json --sim-chip 27C256 verify -d 27C256 "
                  "\"$(printf 'odd\"na\\\\me\\t\\377.bin')\"")
                  .status,
              1); // an erased chip
    EXPECT_EQ(Json("any('odd\"na\\\\me\\t\\ufffd.bin' in line for line in j['log'])"), "True");
}

} // namespace
} // namespace quorbit::test
