// quorbit-cli id, erase and program for the 5 V flash chips against the simulator.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "CliRun.h"
#include "Fakes.h"
#include "sim/SimContents.h"

namespace quorbit::test {
namespace {

using Result = CliResult;

struct FlashCli : CliInTempDir {};

TEST_F(FlashCli, IdNamesAListedChipAndFailsOtherwise) {
    Result r = Run("--sim-chip AM29F040 id -d AM29F040");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Reading Flash Code ID_________________ wait\n"));
    EXPECT_TRUE(r.OutHas(">  Device ID# 01A4 - AMD am29F040 Flash Memory\n"));

    r = Run("--sim-chip AM29F040 --sim-fault id:BF07 id -d AM29F040");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device ID# BF07 -  Not Valid!!!\n"));

    r = Run("--sim-chip AM29F040 --sim-fault empty id -d AM29F040");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  *** Not a Flash Unit, Address 00&01 = FlashCode ***\n"));

    r = Run("--sim-chip 27C256 id -d 27C256");
    EXPECT_EQ(r.status, 1) << "not supported for a UV EPROM";

    // A serial EEPROM shares the flash menu but has no ID: said, not left to guess.
    r = Run("--sim-chip 24C32 id -d 24C32");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Eeprom 24C32 Serial (8 pins) has no flash ID: only flash chips "
                         "answer the ID command\n"))
        << r.out;
}

// An AM29F040 in the socket with the AM29F010 named: id says so, program and
// erase leave the chip alone (exit 1) unless --force.
TEST_F(FlashCli, AnotherFlashChipThanTheNamedOneIsLeftAloneUnlessForced) {
    const std::string line = ">  Device ID# 01A4 answers as Flash AMD AM29F040, not as the chosen "
                             "Flash AMD AM29F010\n";
    Result r = Run("--sim-chip AM29F040 id -d AM29F010");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(line)) << r.out;

    const auto image = sim::RandomContents(300, 4);
    WriteBytes(dir / "image.bin", std::string(image.begin(), image.end()));
    const std::string chip = "--sim-chip AM29F040 --sim-save chip.bin --sim-image ";
    for (const std::string verb : {"program image.bin", "erase"}) {
        r = Run(chip + "fill:00 --yes " + verb + " -d AM29F010");
        EXPECT_EQ(r.status, 1) << verb;
        EXPECT_TRUE(r.OutHas(line)) << r.out;
        EXPECT_TRUE(r.OutHas(">  Nothing was written: choose that device, or --force to go on\n"));
        EXPECT_EQ(ReadBytes(dir / "chip.bin"), std::string(512 * 1024, '\0')) << verb;
    }
    r = Run(chip + "fill:FF --yes program image.bin -d AM29F010 --force");
    EXPECT_EQ(r.status, 0) << r.out;
    EXPECT_TRUE(r.OutHas(">  Going on with Flash AMD AM29F010 as told\n"));
    EXPECT_EQ(ReadBytes(dir / "chip.bin").substr(0, 300), std::string(image.begin(), image.end()));
}

TEST_F(FlashCli, EraseAsksAndErasesOnlyWithYes) {
    Result r = Run("--sim-chip AM29F010 --sim-image fill:00 --sim-save s.bin erase -d AM29F010");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Erasing Operation was Canceled by Operator\n"));
    EXPECT_EQ(ReadBytes(dir / "s.bin"), std::string(131072, '\0'));

    r = Run("--yes --sim-chip AM29F010 --sim-image fill:00 --sim-save s.bin erase -d AM29F010");
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.OutHas(">  Flash Erasing Operation COMPLETED\n"));
    EXPECT_EQ(ReadBytes(dir / "s.bin"), std::string(131072, '\xFF'));
}

TEST_F(FlashCli, ACellTheEraseLeftProgrammedIsExitOne) {
    const Result r = Run("erase -d AM29F010 --sim-chip AM29F010 --sim-fault 100:3:0 --yes");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  Device IS NOT BLANK (ERASED)\n"));
    EXPECT_TRUE(r.OutHas(">  Erasing Operation NOT COMPLETED!\n"));
    EXPECT_FALSE(r.OutHas("Flash Erasing Operation COMPLETED"));
}

TEST_F(FlashCli, EraseAndIdEndTheirJsonProgressWithTheResult) {
    auto last = [](const Result& r) {
        const auto at = r.err.rfind('{');
        return at == std::string::npos ? std::string() : r.err.substr(at);
    };
    Result r = Run("--sim-chip AM29F010 erase -d AM29F010 --yes --progress json");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    // The read-back after the erase is what moves the count to the whole chip.
    EXPECT_EQ(last(r).rfind("{\"op\":\"erase\",\"done\":131072,\"total\":131072,", 0), 0u) << r.err;
    EXPECT_NE(last(r).find("\"result\":\"ok\"}\n"), std::string::npos) << r.err;
    // The erase's wait, which moves no count, is said as it goes.
    EXPECT_NE(r.err.find(",\"wait\":\""), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(",\"wait_ms\":"), std::string::npos) << r.err;
    r = Run("--sim-chip AM29F010 erase -d AM29F010 --progress json"); // no --yes: cancelled
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(last(r).find("\"result\":\"failed\"}"), std::string::npos) << r.err;
    r = Run("--sim-chip AM29F010 --sim-fault id:BF07 id -d AM29F010 --progress json");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(last(r).rfind("{\"op\":\"id\",", 0), 0u) << r.err;
    EXPECT_NE(last(r).find("\"result\":\"failed\"}"), std::string::npos) << r.err;
}

TEST_F(FlashCli, EraseTimeOutIsExitOne) {
    const Result r = Run("erase -d AM29F040 --sim-chip AM29F040 --sim-fault erase-hangs --yes");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  TimeOut Failure during Erasing Flash\n"));
    EXPECT_TRUE(r.OutHas(">  Erasing Operation NOT COMPLETED!\n"));
}

// A chip left erasing (a time-out at the bench: it erases on and ignores the
// reset) answers erase status, 08h or 48h, at every address. None of it is taken
// for the chip's contents: exit 1 with the reason, no output file, no claim.
TEST_F(FlashCli, AChipStillErasingIsNotReadBlankCheckedOrVerified) {
    WriteBytes(dir / "status.bin", std::string(131072, '\x08'));
    const std::string busy = ">  Error: the Flash AMD AM29F010 is still busy (an erase or program "
                             "has not ended) and shows its status, not its contents\n";
    for (const std::string verb : {"read -o out.bin", "blank", "verify status.bin"}) {
        const Result r = Run("--sim-chip AM29F010 --sim-fault erasing " + verb + " -d AM29F010");
        EXPECT_EQ(r.status, 1) << verb << r.out << r.err;
        EXPECT_TRUE(r.OutHas(busy)) << verb << r.out;
        EXPECT_FALSE(r.OutHas("bytes Read from Device")) << verb;
        EXPECT_FALSE(r.OutHas("IS BLANK")) << verb;
        EXPECT_FALSE(r.OutHas("MATCHES")) << verb;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.bin"));
}

TEST_F(FlashCli, ProgramWritesAFlashChipAndVerifies) {
    const auto image = sim::RandomContents(262144, 11);
    WriteBytes(dir / "img.bin", std::string(image.begin(), image.end()));
    Result r = Run("--yes --sim-chip AM29F020 --sim-save s.bin program img.bin -d AM29F020 "
                   "--verify-after");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.OutHas(">  Device ID# 0134 - Start programming\n"));
    EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));
    EXPECT_EQ(ReadBytes(dir / "s.bin"), std::string(image.begin(), image.end()));

    // A bit that reads the opposite of the image's bit never takes: exit 1.
    const std::string level = (image[0x100] & 1) ? "0" : "1";
    r = Run("--yes --sim-chip AM29F020 --sim-fault 100:0:" + level +
            " program img.bin -d AM29F020");
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(r.OutHas(">  *** Address:100h, Programming BYTE:"));
    EXPECT_FALSE(r.OutHas("Programming Device Successfull"));

    // An SST39SF040 by its part number: named by its ID, part of it programmed
    // and verified, then the whole chip erased.
    const std::string part(image.begin(), image.begin() + 5000);
    WriteBytes(dir / "part.bin", part);
    r = Run("--yes --sim-chip SST39SF040 --sim-save sst.bin program part.bin -d SST39SF040 "
            "--verify-after");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.OutHas(">  Device ID# BFB7 - SST SST39SF040 Flash Memory\n")) << r.out;
    EXPECT_TRUE(r.OutHas(">  Programming Device Successfull\n"));
    EXPECT_EQ(ReadBytes(dir / "sst.bin"), part + std::string(512 * 1024 - 5000, '\xFF'));
    r = Run("--yes --sim-chip SST39SF040 --sim-image sst.bin --sim-save erased.bin erase "
            "-d SST39SF040");
    EXPECT_EQ(r.status, 0) << r.out << r.err;
    EXPECT_TRUE(r.OutHas(">  Flash Erasing Operation COMPLETED\n"));
    EXPECT_EQ(ReadBytes(dir / "erased.bin"), std::string(512 * 1024, '\xFF'));
}

} // namespace
} // namespace quorbit::test
