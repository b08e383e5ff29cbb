// quorbit-cli batch on the simulated board: one image into chip after chip, each
// a new simulated chip with its own serial number; a faulty chip among them
// fails alone, the record keeps a line per chip, and the next number survives
// the run.
#include <zlib.h>

#include <cstring>
#include <set>
#include <sstream>

#include "CliRun.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using BatchCli = CliInTempDir;

constexpr std::uint32_t kField = 0x7FF0; // past the 1 KiB image: the field adds its bytes

std::vector<std::vector<std::string>> CsvRows(const std::string& text) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        std::vector<std::string> fields;
        std::istringstream cells(line);
        for (std::string cell; std::getline(cells, cell, ',');)
            fields.push_back(cell);
        if (!line.empty() && line.back() == ',') fields.emplace_back();
        rows.push_back(fields);
    }
    return rows;
}

std::string Crc32Of(const std::vector<std::uint8_t>& bytes) {
    const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size()));
    char text[9];
    std::snprintf(text, sizeof text, "%08lx", crc);
    return text;
}

std::vector<std::uint8_t> Digits(const char* format, std::uint32_t n) {
    char text[16];
    std::snprintf(text, sizeof text, format, n);
    return {text, text + std::strlen(text)};
}

/// The bytes one chip of the batch must hold: the image, then its serial field.
std::vector<std::uint8_t> ImageWithField(const std::vector<std::uint8_t>& image,
                                         const std::vector<std::uint8_t>& field) {
    std::vector<std::uint8_t> held = image;
    held.insert(held.end(), field.begin(), field.end());
    return held;
}

TEST_F(BatchCli, EveryFormatPutsEachChipsOwnNumberIntoItAndTheRecordSaysSo) {
    const auto image = sim::RandomContents(1024, 31);
    WriteFile("image.bin", image);
    WriteBytes(dir / "enter.txt", "\n\n\n\n\n\n\n");
    // The bytes each form gives 1007..1011 in four bytes, worked out apart from the program.
    struct Form {
        const char* name;
        std::vector<std::uint8_t> (*bytes)(std::uint32_t);
    };
    const Form forms[] = {
        {"le",
         [](std::uint32_t n) {
             return std::vector<std::uint8_t>{std::uint8_t(n), std::uint8_t(n >> 8), 0, 0};
         }},
        {"be",
         [](std::uint32_t n) {
             return std::vector<std::uint8_t>{0, 0, std::uint8_t(n >> 8), std::uint8_t(n)};
         }},
        {"bcd",
         [](std::uint32_t n) {
             return std::vector<std::uint8_t>{0x00, 0x00, 0x10,
                                              std::uint8_t(((n % 100) / 10) << 4 | n % 10)};
         }},
        {"ascii", [](std::uint32_t n) { return Digits("%04u", n); }},
        {"hex", [](std::uint32_t n) { return Digits("%04X", n); }},
    };
    for (const Form& form : forms) {
        const std::string record = std::string("record-") + form.name + ".csv";
        const CliResult r = Run("--yes --sim-save chip-{n}.bin batch -d 27C256 image.bin "
                                "--count 5 --serial 7FF0:4:" +
                                std::string(form.name) + " --serial-start 1007 --record " + record +
                                " < enter.txt");
        ASSERT_EQ(r.status, 0) << form.name << r.err << r.out;
        EXPECT_TRUE(r.OutHas("batch: 5 good, 0 failed, 0 skipped, next serial 001012\n")) << r.out;
        const auto rows = CsvRows(ReadBytes(dir / record));
        ASSERT_EQ(rows.size(), 6u);
        EXPECT_EQ(rows[0], (std::vector<std::string>{"time", "chip", "serial", "device", "result",
                                                     "image_crc32", "chip_crc32", "failure_address",
                                                     "seconds"}));
        for (std::uint32_t n = 1; n <= 5; ++n) {
            const std::vector<std::uint8_t> field = form.bytes(1006 + n);
            const auto chip = FileBytes("chip-" + std::to_string(n) + ".bin");
            ASSERT_EQ(chip.size(), 32768u);
            EXPECT_TRUE(std::equal(image.begin(), image.end(), chip.begin())) << n;
            EXPECT_TRUE(std::equal(field.begin(), field.end(), chip.begin() + kField))
                << form.name << " chip " << n;
            EXPECT_EQ(chip[kField - 1], 0xFF) << "nothing written beside the field";
            const auto& row = rows[n];
            ASSERT_EQ(row.size(), 9u);
            EXPECT_EQ(row[1], std::to_string(n));
            EXPECT_EQ(row[2], "00" + std::to_string(1006 + n));
            EXPECT_EQ(row[3], "Eprom 27C256");
            EXPECT_EQ(row[4], "OK");
            EXPECT_EQ(row[5], Crc32Of(ImageWithField(image, field)));
            EXPECT_EQ(row[6], row[5]) << "the chip read back as the image";
            EXPECT_TRUE(r.OutHas("chip " + std::to_string(n) + ": OK, serial 00" +
                                 std::to_string(1006 + n) + ", CRC32 " + row[5] + ", "));
        }
    }
}

TEST_F(BatchCli, AFaultyChipFailsAloneAndItsNumberGoesToTheNextChip) {
    std::vector<std::uint8_t> image(1024, 0x5A);
    image[0x100] = 0x00; // bit 6 stuck at 1 in the faulty chip
    WriteFile("image.bin", image);
    WriteBytes(dir / "enter.txt", "\n\n\n\n\n");
    CliResult r = Run(
        "--yes --sim-chip 27C256 --sim-fault 100:6:1 batch --sim-fault-chips 3 -d 27C256 image.bin "
        "--serial 7FF0:2 --record record.csv --json < enter.txt");
    EXPECT_EQ(r.status, 1) << r.err;
    const auto rows = CsvRows(ReadBytes(dir / "record.csv"));
    ASSERT_EQ(rows.size(), 6u);
    const std::vector<std::string> serials = {"000001", "000002", "000003", "000003", "000004"};
    for (std::size_t n = 1; n <= 5; ++n) {
        EXPECT_EQ(rows[n][2], serials[n - 1]) << n;
        EXPECT_EQ(rows[n][4], n == 3 ? "FAILED" : "OK") << n;
    }
    EXPECT_EQ(rows[3][7], "100h");
    EXPECT_TRUE(rows[3][6].empty()) << "no chip checksum for a failed chip";
    EXPECT_TRUE(r.OutHas("\"good\":4")) << r.out;
    EXPECT_TRUE(r.OutHas("\"failed\":1"));
    EXPECT_TRUE(r.OutHas("\"next_serial\":5"));
    EXPECT_TRUE(r.ErrHas("chip 3: FAILED at 100h (wrote 00h, read 40h), ")) << r.err;

    // With --serial-burn-failed the failed chip's number is gone.
    r = Run(
        "--yes --sim-chip 27C256 --sim-fault 100:6:1 batch --sim-fault-chip 1 -d 27C256 image.bin "
        "--serial 7FF0:2 --serial-burn-failed --count 1 < enter.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("chip 2: OK, serial 000002")) << r.out;
}

TEST_F(BatchCli, TheSerialFileCarriesTheNextNumberIntoTheNextRun) {
    WriteFile("image.bin", sim::RandomContents(256, 32));
    WriteBytes(dir / "enter.txt", "\n\n\nq\n\n");
    const std::string batch = "--yes batch -d 27C256 image.bin --serial 7FF0:6:ascii "
                              "--serial-start 41 --serial-file next.txt --record record.csv";
    CliResult r = Run(batch + " < enter.txt");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "next.txt"), "44\n");
    r = Run(batch + " --count 2 < enter.txt"); // --serial-start gives way to the file
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(ReadBytes(dir / "next.txt"), "46\n");
    const auto rows = CsvRows(ReadBytes(dir / "record.csv"));
    ASSERT_EQ(rows.size(), 6u) << "one header for both runs";
    for (std::size_t n = 1; n < rows.size(); ++n)
        EXPECT_EQ(rows[n][2], "0000" + std::to_string(40 + n));
}

TEST_F(BatchCli, ASerialThatCannotFitIsRefusedBeforeTheFirstChip) {
    WriteFile("image.bin", sim::RandomContents(256, 33));
    WriteBytes(dir / "enter.txt", "\n");
    WriteBytes(dir / "bad.txt", "twelve\n");
    for (const std::string options :
         {"--serial 7FFE:4", "--serial 7FF0:2:ascii --serial-start 99 --count 2",
          "--serial 7FF0:1 --serial-start 256", "--serial 7FF0:4:oct",
          "--serial 7FF0:2 --serial-file bad.txt", "--serial-file next.txt", "--progress json",
          "--serial 7FF0:2 --record image.bin"}) {
        const CliResult r = Run("--yes batch -d 27C256 image.bin " + options + " < enter.txt");
        EXPECT_EQ(r.status, 2) << options << r.out;
        EXPECT_FALSE(r.OutHas("chip 1")) << options;
        EXPECT_FALSE(r.err.empty()) << options;
    }
    // An operator's q before any chip programs nothing and calls nothing good.
    WriteBytes(dir / "quit.txt", "q\n");
    const CliResult r = Run("--yes batch -d 27C256 image.bin < quit.txt");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("batch: 0 good, 0 failed, 0 skipped\n")) << r.out;
}

/// True when every line of `text` begins with a board's name, or with one of `whole`
/// (the lines that speak for the whole run).
bool EveryLineNamesABoard(const std::string& text, const std::vector<std::string>& whole) {
    std::istringstream lines(text);
    for (std::string line; std::getline(lines, line);) {
        bool named = false;
        for (const char* port : {"378: ", "278: ", "D100: "})
            named = named || line.rfind(port, 0) == 0;
        for (const std::string& start : whole)
            named = named || line.rfind(start, 0) == 0;
        if (!named) {
            ADD_FAILURE() << "a line names no board: " << line;
            return false;
        }
    }
    return true;
}

// Three simulated boards at once, the one on 278 with a faulty chip: with program
// and with batch, the faulty one fails alone, every line names its board, the
// exit status says a board failed, and the batch's record is whole, each good
// chip with a number no other chip has.
TEST_F(BatchCli, ThreeBoardsAtOnceTheFaultyOneFailsAloneAndEachLineNamesItsBoard) {
    std::vector<std::uint8_t> image(1024, 0x5A);
    image[0x100] = 0x00; // bit 6 stuck at 1 in the faulty chips
    WriteFile("image.bin", image);
    const std::string boards = "--yes --sim-chip 27C256 --sim-fault 100:6:1 --ports 378,278,D100 "
                               "--sim-fault-ports 278 ";
    CliResult r = Run(boards + "--sim-save chip-{port}.bin program -d 27C256 image.bin");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(EveryLineNamesABoard(r.out, {"program: "}));
    EXPECT_TRUE(EveryLineNamesABoard(r.err, {}));
    EXPECT_TRUE(r.OutHas("\n278: ") && r.OutHas("*** Programming Failure ***")) << r.out;
    EXPECT_TRUE(r.OutHas("program: 2 of 3 boards OK, failed: 278\n")) << r.out;
    for (const char* port : {"378", "278", "D100"}) {
        const bool faulty = std::string(port) == "278";
        const auto chip = FileBytes(std::string("chip-") + port + ".bin");
        ASSERT_EQ(chip.size(), 32768u) << port;
        EXPECT_EQ(std::equal(image.begin(), image.end(), chip.begin()), !faulty) << port;
        std::size_t lines = 0;
        std::istringstream out(r.out);
        for (std::string line; std::getline(out, line);)
            if (line.rfind(std::string(port) + ": ", 0) == 0 &&
                line.find(">  Device Contents MATCHES") != std::string::npos)
                ++lines;
        EXPECT_EQ(lines, faulty ? 0u : 1u) << port;
    }

    // A batch of two rounds on three boards, one of them missing: it fails, the
    // others go on; --json gives each board's result.
    WriteBytes(dir / "enter.txt", "\n\n");
    r = Run(boards + "--sim-save chip-{port}-{n}.bin batch -d 27C256 image.bin --serial 7FF0:2 "
                     "--record record.csv --json < enter.txt");
    EXPECT_EQ(r.status, 1) << r.err;
    EXPECT_TRUE(EveryLineNamesABoard(r.err, {"batch: "}));
    EXPECT_TRUE(r.ErrHas("\nbatch: 4 good, 2 failed, 0 skipped")) << r.err;
    const auto rows = CsvRows(ReadBytes(dir / "record.csv"));
    ASSERT_EQ(rows.size(), 7u);
    EXPECT_EQ(rows[0].back(), "port");
    std::set<std::string> serials;
    std::set<std::string> chips;
    for (std::size_t n = 1; n < rows.size(); ++n) {
        const auto& row = rows[n];
        ASSERT_EQ(row.size(), 10u);
        chips.insert(row[1]);
        EXPECT_EQ(row[4], row[9] == "278" ? "FAILED" : "OK") << row[9];
        if (row[4] != "OK") continue;
        EXPECT_TRUE(serials.insert(row[2]).second) << "serial " << row[2] << " given twice";
        EXPECT_EQ(row[6], row[5]);
        // The chip kept holds the number its line says.
        const auto chip = FileBytes("chip-" + row[9] + "-" + row[1] + ".bin");
        ASSERT_EQ(chip.size(), 32768u);
        const int serial = std::stoi(row[2]);
        EXPECT_EQ(chip[kField], serial & 0xFF);
        EXPECT_EQ(chip[kField + 1], serial >> 8);
        EXPECT_TRUE(r.ErrHas(row[9] + ": chip " + row[1] + ": OK, serial " + row[2])) << r.err;
    }
    EXPECT_EQ(chips, (std::set<std::string>{"1", "2", "3", "4", "5", "6"}));
    EXPECT_EQ(serials.size(), 4u);
    for (const char* key : {"\"boards\":[{\"port\":\"378\"", "{\"port\":\"278\",\"device\"",
                            "\"good\":4", "\"failed\":2"})
        EXPECT_TRUE(r.OutHas(key)) << key << " in " << r.out;

    // A board missing from its port fails alone, named by its port.
    r = Run("--yes --sim-port 378,D100 --ports 378,278,D100 program -d 27C256 image.bin");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas("278: ") && r.OutHas("program: 2 of 3 boards OK, failed: 278\n")) << r.out;
}

} // namespace
} // namespace quorbit::test
