// Writes the trainer's three sounds as PCM wave files (RIFF/WAVE, 16-bit mono, 22050 Hz):
//   right.wav  a short rising two-note chime for a right click (about 150 ms)
//   wrong.wav  a short low descending buzz for a wrong click (about 200 ms)
//   pop.wav    a very short soft pop for each refresh of the grid (about 60 ms)
// Usage: wavegen <output folder>
// The sounds are synthesised, so the repository holds no binary files; the output is the same on
// every run. Every sound starts and ends at silence through raised-cosine ramps, so it never clicks.
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 22050;
constexpr double kPi = 3.14159265358979323846;

using Samples = std::vector<double>;  // -1 .. 1

Samples Silence(double seconds) { return Samples(static_cast<std::size_t>(seconds * kRate + 0.5), 0.0); }

double Seconds(std::size_t i) { return static_cast<double>(i) / kRate; }

// Raised-cosine fade-in and fade-out: the first and the last sample are exactly zero.
void Ramps(Samples& s, double inSeconds, double outSeconds) {
    const std::size_t in = static_cast<std::size_t>(inSeconds * kRate), out = static_cast<std::size_t>(outSeconds * kRate);
    for (std::size_t i = 0; i < in && i < s.size(); ++i) s[i] *= 0.5 - 0.5 * std::cos(kPi * i / in);
    for (std::size_t i = 0; i < out && i < s.size(); ++i) s[s.size() - 1 - i] *= 0.5 - 0.5 * std::cos(kPi * i / out);
}

// A bell-like note added into s from `start`: a few partials with an exponential decay.
void AddNote(Samples& s, double start, double length, double frequency, double level) {
    const std::size_t from = static_cast<std::size_t>(start * kRate);
    const std::size_t count = static_cast<std::size_t>(length * kRate);
    Samples note(count);
    for (std::size_t i = 0; i < count; ++i) {
        const double t = Seconds(i);
        const double partials = std::sin(2 * kPi * frequency * t) + 0.35 * std::sin(2 * kPi * 2 * frequency * t) +
                                0.12 * std::sin(2 * kPi * 3 * frequency * t);
        note[i] = level * std::exp(-t / 0.045) * partials / 1.47;
    }
    Ramps(note, 0.004, 0.012);
    for (std::size_t i = 0; i < count && from + i < s.size(); ++i) s[from + i] += note[i];
}

Samples Right() {
    Samples s = Silence(0.150);
    AddNote(s, 0.000, 0.075, 880.0, 0.55);    // A5
    AddNote(s, 0.060, 0.090, 1318.5, 0.55);   // E6, a fifth above
    Ramps(s, 0.002, 0.010);
    return s;
}

Samples Wrong() {
    Samples s = Silence(0.200);
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i) / 0.200;
        const double frequency = 200.0 - 80.0 * t;  // falls from 200 Hz to 120 Hz
        phase += 2 * kPi * frequency / kRate;
        // A band-limited sawtooth: a buzz, but without harsh high partials.
        double v = 0;
        for (int k = 1; k <= 7; ++k) v += std::sin(k * phase) / k;
        s[i] = 0.40 * v / 1.6;
    }
    Ramps(s, 0.006, 0.040);
    return s;
}

Samples Pop() {
    Samples s = Silence(0.060);
    double phase = 0;
    for (std::size_t i = 0; i < s.size(); ++i) {
        const double t = Seconds(i);
        const double frequency = 300.0 + 900.0 * std::exp(-t / 0.010);  // a quick downward sweep
        phase += 2 * kPi * frequency / kRate;
        s[i] = 0.35 * std::exp(-t / 0.012) * std::sin(phase);
    }
    Ramps(s, 0.001, 0.008);
    return s;
}

void PutU32(std::vector<unsigned char>& b, std::uint32_t v) {
    for (int k = 0; k < 4; ++k) b.push_back(static_cast<unsigned char>(v >> (8 * k)));
}
void PutU16(std::vector<unsigned char>& b, std::uint16_t v) {
    b.push_back(static_cast<unsigned char>(v));
    b.push_back(static_cast<unsigned char>(v >> 8));
}
void PutTag(std::vector<unsigned char>& b, const char* tag) { b.insert(b.end(), tag, tag + 4); }

bool WriteWave(const std::string& path, const Samples& s) {
    const std::uint32_t dataBytes = static_cast<std::uint32_t>(s.size() * 2);
    std::vector<unsigned char> b;
    PutTag(b, "RIFF");
    PutU32(b, 36 + dataBytes);
    PutTag(b, "WAVE");
    PutTag(b, "fmt ");
    PutU32(b, 16);
    PutU16(b, 1);          // PCM
    PutU16(b, 1);          // mono
    PutU32(b, kRate);
    PutU32(b, kRate * 2);  // bytes per second
    PutU16(b, 2);          // block align
    PutU16(b, 16);         // bits per sample
    PutTag(b, "data");
    PutU32(b, dataBytes);
    for (double v : s) {
        const double clamped = v > 1 ? 1 : v < -1 ? -1 : v;
        PutU16(b, static_cast<std::uint16_t>(static_cast<std::int16_t>(std::lround(clamped * 32767))));
    }
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        std::perror(path.c_str());
        return false;
    }
    const bool ok = std::fwrite(b.data(), 1, b.size(), f) == b.size();
    if (std::fclose(f) != 0 || !ok) {
        std::fprintf(stderr, "wavegen: cannot write %s\n", path.c_str());
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: wavegen <output folder>\n");
        return 2;
    }
    const std::string dir = argv[1];
    const bool ok = WriteWave(dir + "/right.wav", Right()) && WriteWave(dir + "/wrong.wav", Wrong()) &&
                    WriteWave(dir + "/pop.wav", Pop());
    return ok ? 0 : 1;
}
