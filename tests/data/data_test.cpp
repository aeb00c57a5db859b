// The sounds the build writes beside the programs: valid PCM wave files, audible, distinct, and
// starting and ending at silence (no click).
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

std::filesystem::path ExeFolder() {
    std::wstring path(MAX_PATH, L'\0');
    for (;;) {
        DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
        if (n == 0) return {};
        if (n < path.size()) {
            path.resize(n);
            return std::filesystem::path(path).parent_path();
        }
        path.resize(path.size() * 2);
    }
}

std::uint32_t U32(const std::vector<unsigned char>& b, std::size_t at) {
    return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(const std::vector<unsigned char>& b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

struct Wave {
    std::uint16_t format = 0, channels = 0, bits = 0, blockAlign = 0;
    std::uint32_t rate = 0, byteRate = 0;
    std::vector<std::int16_t> samples;
};

// Reads a RIFF/WAVE file chunk by chunk; any structural fault is a test failure.
::testing::AssertionResult ReadWave(const std::filesystem::path& path, Wave& w) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return ::testing::AssertionFailure() << "cannot open " << path.string();
    std::vector<unsigned char> b((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    if (b.size() < 12 || std::string(b.begin(), b.begin() + 4) != "RIFF" ||
        std::string(b.begin() + 8, b.begin() + 12) != "WAVE")
        return ::testing::AssertionFailure() << "not a RIFF/WAVE file";
    if (U32(b, 4) != b.size() - 8) return ::testing::AssertionFailure() << "RIFF size does not match the file";
    bool haveFormat = false, haveData = false;
    for (std::size_t at = 12; at < b.size();) {
        if (at + 8 > b.size()) return ::testing::AssertionFailure() << "truncated chunk header";
        const std::string tag(b.begin() + at, b.begin() + at + 4);
        const std::uint32_t size = U32(b, at + 4);
        const std::size_t body = at + 8;
        if (body + size > b.size()) return ::testing::AssertionFailure() << "chunk " << tag << " runs past the end";
        if (tag == "fmt ") {
            if (size < 16) return ::testing::AssertionFailure() << "short fmt chunk";
            w.format = U16(b, body);
            w.channels = U16(b, body + 2);
            w.rate = U32(b, body + 4);
            w.byteRate = U32(b, body + 8);
            w.blockAlign = U16(b, body + 12);
            w.bits = U16(b, body + 14);
            haveFormat = true;
        } else if (tag == "data") {
            if (!haveFormat) return ::testing::AssertionFailure() << "data before fmt";
            if (size % 2) return ::testing::AssertionFailure() << "odd data size";
            for (std::size_t i = 0; i < size; i += 2) w.samples.push_back(static_cast<std::int16_t>(U16(b, body + i)));
            haveData = true;
        }
        at = body + size + (size & 1);
    }
    if (!haveFormat || !haveData) return ::testing::AssertionFailure() << "fmt or data chunk missing";
    return ::testing::AssertionSuccess();
}

struct Expected {
    const char* file;
    double minSeconds, maxSeconds;
};

TEST(Sounds, AreValidDistinctPcmWaveFilesWithoutClicks) {
    const std::filesystem::path folder = ExeFolder() / L"Sound";
    const Expected expected[] = {{"right.wav", 0.10, 0.25}, {"wrong.wav", 0.15, 0.30}, {"pop.wav", 0.02, 0.10}};
    std::vector<std::vector<std::int16_t>> all;
    for (const Expected& e : expected) {
        SCOPED_TRACE(e.file);
        Wave w;
        ASSERT_TRUE(ReadWave(folder / e.file, w));
        EXPECT_EQ(w.format, 1);  // PCM
        EXPECT_EQ(w.channels, 1);
        EXPECT_EQ(w.bits, 16);
        EXPECT_TRUE(w.rate == 22050 || w.rate == 44100) << w.rate;
        EXPECT_EQ(w.blockAlign, 2);
        EXPECT_EQ(w.byteRate, w.rate * 2);
        ASSERT_FALSE(w.samples.empty());
        const double seconds = static_cast<double>(w.samples.size()) / w.rate;
        EXPECT_GE(seconds, e.minSeconds);
        EXPECT_LE(seconds, e.maxSeconds);
        int peak = 0;
        for (std::int16_t s : w.samples) peak = std::max(peak, std::abs(static_cast<int>(s)));
        EXPECT_GT(peak, 3000) << "too quiet to hear";
        EXPECT_LT(peak, 32767) << "clipped";
        // Faded in and out: the ends are silent.
        EXPECT_LT(std::abs(static_cast<int>(w.samples.front())), 64);
        EXPECT_LT(std::abs(static_cast<int>(w.samples.back())), 64);
        all.push_back(std::move(w.samples));
    }
    ASSERT_EQ(all.size(), 3u);
    EXPECT_NE(all[0], all[1]);
    EXPECT_NE(all[0], all[2]);
    EXPECT_NE(all[1], all[2]);
}

}  // namespace
