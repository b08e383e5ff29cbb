// The synthesised event sounds beside the program, and where the player looks.
#include <QDir>
#include <array>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <set>
#include <string>

#include "Fakes.h"
#include "gui/QtServices.h"

namespace quorbit::test {
namespace {

std::uint32_t Le(const std::string& bytes, std::size_t at, int count) {
    std::uint32_t v = 0;
    for (int i = count - 1; i >= 0; --i)
        v = (v << 8) | static_cast<unsigned char>(bytes.at(at + static_cast<std::size_t>(i)));
    return v;
}

TEST(EventSounds, FiveDistinctAudibleWaveFilesBesideTheProgram) {
    std::set<std::string> contents;
    for (const char* name : {"init.wav", "error.wav", "done.wav", "slide.wav", "ok.wav"}) {
        const std::string wave = ReadBytes(std::filesystem::path(QUORBIT_SOUND_DIR) / name);
        ASSERT_GT(wave.size(), 44u) << name;
        EXPECT_EQ(wave.substr(0, 4), "RIFF") << name;
        EXPECT_EQ(wave.substr(8, 8), "WAVEfmt ") << name;
        EXPECT_EQ(Le(wave, 20, 2), 1u) << name;     // PCM
        EXPECT_EQ(Le(wave, 22, 2), 1u) << name;     // mono
        EXPECT_EQ(Le(wave, 34, 2), 16u) << name;    // 16-bit samples
        EXPECT_EQ(Le(wave, 4, 4), wave.size() - 8); // RIFF size
        EXPECT_EQ(Le(wave, 40, 4), wave.size() - 44) << name;
        const double seconds = static_cast<double>(wave.size() - 44) / 2 / Le(wave, 24, 4);
        EXPECT_GT(seconds, 0.05) << name;
        EXPECT_LT(seconds, 1.0) << name; // short: they must not hold up the operator
        int peak = 0;
        for (std::size_t at = 44; at + 1 < wave.size(); at += 2)
            peak = std::max(peak, std::abs(static_cast<std::int16_t>(Le(wave, at, 2))));
        EXPECT_GT(peak, 10000) << name;
        EXPECT_LT(peak, 32000) << name; // no clipping
        contents.insert(wave);
    }
    EXPECT_EQ(contents.size(), 5u);
}

TEST(EventSounds, PlayerFindsTheFileOrTheOneShippedBesideTheProgram) {
    TempDir dir;
    std::filesystem::create_directories(dir / "config");
    std::filesystem::create_directories(dir / "program");
    WriteBytes(dir / "program" / "ok.wav", "x");
    WriteBytes(dir / "config" / "done.wav", "x");
    gui::QtSoundPlayer player(QString::fromStdString((dir / "program").string()));

    EXPECT_EQ(player.Locate((dir / "config" / "done.wav").string()).toStdString(),
              (dir / "config" / "done.wav").string());
    EXPECT_EQ(player.Locate((dir / "config" / "ok.wav").string()).toStdString(),
              (dir / "program" / "ok.wav").string());
    EXPECT_TRUE(player.Locate((dir / "config" / "init.wav").string()).isEmpty());
    player.Play((dir / "config" / "init.wav").string()); // missing: silently nothing
}

} // namespace
} // namespace quorbit::test
