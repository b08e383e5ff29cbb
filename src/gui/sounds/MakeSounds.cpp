// Writes the program's five event sounds (init, error, done, slide, ok) as
// 16-bit mono wave files into the folder named on the command line. The sounds
// are synthesised, so the same build always gives the same files.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <numbers>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;

struct Note {
    double start;                                    // seconds
    double length;                                   // seconds
    double freq;                                     // Hz at the start
    double endFreq;                                  // Hz at the end (a glide when different)
    double decay;                                    // seconds for the level to fall to 1/e
    std::vector<std::pair<double, double>> partials; // frequency ratio, level
};

std::vector<double> Render(const std::vector<Note>& notes, double seconds) {
    std::vector<double> samples(static_cast<std::size_t>(seconds * kRate), 0.0);
    for (const Note& note : notes) {
        const auto first = static_cast<std::size_t>(note.start * kRate);
        const auto count = static_cast<std::size_t>(note.length * kRate);
        double phase = 0;
        for (std::size_t i = 0; i < count && first + i < samples.size(); ++i) {
            const double t = static_cast<double>(i) / kRate;
            const double freq = note.freq + (note.endFreq - note.freq) * t / note.length;
            phase += 2 * std::numbers::pi * freq / kRate;
            const double attack = std::min(1.0, t / 0.006); // no click at the onset
            const double release = std::min(1.0, (note.length - t) / 0.02);
            const double level = attack * release * std::exp(-t / note.decay);
            double v = 0;
            for (const auto& [ratio, amplitude] : note.partials)
                v += amplitude * std::sin(phase * ratio);
            samples[first + i] += level * v;
        }
    }
    double peak = 1e-9;
    for (double s : samples)
        peak = std::max(peak, std::fabs(s));
    for (double& s : samples)
        s *= 0.6 / peak;
    return samples;
}

void PutLe(std::ofstream& out, std::uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out.put(static_cast<char>((value >> (8 * i)) & 0xFFu));
}

bool WriteWave(const std::filesystem::path& path, const std::vector<double>& samples) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    const auto dataBytes = static_cast<std::uint32_t>(samples.size() * 2);
    out.write("RIFF", 4);
    PutLe(out, 36 + dataBytes, 4);
    out.write("WAVEfmt ", 8);
    PutLe(out, 16, 4);        // format chunk size
    PutLe(out, 1, 2);         // PCM
    PutLe(out, 1, 2);         // mono
    PutLe(out, kRate, 4);     // sample rate
    PutLe(out, kRate * 2, 4); // bytes per second
    PutLe(out, 2, 2);         // block align
    PutLe(out, 16, 2);        // bits per sample
    out.write("data", 4);
    PutLe(out, dataBytes, 4);
    for (double s : samples) {
        const auto v = static_cast<std::int16_t>(std::lround(s * 32767));
        PutLe(out, static_cast<std::uint16_t>(v), 2);
    }
    return static_cast<bool>(out);
}

const std::vector<std::pair<double, double>> kSoft = {{1, 1.0}, {2, 0.25}, {3, 0.08}};
const std::vector<std::pair<double, double>> kBell = {{1, 1.0}, {2.76, 0.3}, {5.4, 0.1}};
const std::vector<std::pair<double, double>> kReed = {{1, 1.0}, {3, 0.3}, {5, 0.15}};

} // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const std::filesystem::path folder = argv[1];
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);

    // Start-up: a rising C major arpeggio.
    const auto init = Render({{0.00, 0.35, 523.25, 523.25, 0.14, kSoft},
                              {0.09, 0.35, 659.26, 659.26, 0.14, kSoft},
                              {0.18, 0.35, 783.99, 783.99, 0.14, kSoft},
                              {0.27, 0.45, 1046.50, 1046.50, 0.18, kSoft}},
                             0.75);
    // Error: two falling reedy tones, low enough to stand apart from the others.
    const auto error = Render(
        {{0.00, 0.20, 440.00, 430.00, 0.5, kReed}, {0.22, 0.30, 329.63, 320.00, 0.4, kReed}}, 0.55);
    // Device chosen, file loaded: a two-note chime, fourth up.
    const auto done = Render(
        {{0.00, 0.40, 783.99, 783.99, 0.20, kBell}, {0.12, 0.50, 1046.50, 1046.50, 0.25, kBell}},
        0.65);
    // Speed slider: a short soft upward glide.
    const auto slide = Render({{0.00, 0.09, 520.0, 980.0, 0.06, kSoft}}, 0.10);
    // Success: one bright bell strike.
    const auto ok = Render({{0.00, 0.60, 1318.51, 1318.51, 0.22, kBell}}, 0.62);

    bool written = WriteWave(folder / "init.wav", init) && WriteWave(folder / "error.wav", error) &&
                   WriteWave(folder / "done.wav", done) && WriteWave(folder / "slide.wav", slide) &&
                   WriteWave(folder / "ok.wav", ok);
    if (!written) {
        std::fprintf(stderr, "Could not write the sounds into %s\n", folder.c_str());
        return 1;
    }
    return 0;
}
