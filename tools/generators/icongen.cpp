// Writes the application icon: a small Schulte table (3 x 3 cells in the level buttons' colour on
// black, the centre cell highlighted) at 16, 24, 32, 48 and 256 pixels, as one .ico file.
#include <cstdint>
#include <cstdio>
#include <vector>

namespace {

void Put16(std::vector<uint8_t>& v, uint16_t x) { v.push_back(x & 0xFF); v.push_back(x >> 8); }
void Put32(std::vector<uint8_t>& v, uint32_t x) { for (int i = 0; i < 4; ++i) v.push_back((x >> (8 * i)) & 0xFF); }

// One image as a 32-bit BMP without file header (bottom-up, then the AND mask), as icons hold it.
std::vector<uint8_t> Image(int n) {
    std::vector<uint8_t> v;
    Put32(v, 40); Put32(v, n); Put32(v, 2 * n); Put16(v, 1); Put16(v, 32);
    Put32(v, 0); Put32(v, 0); Put32(v, 0); Put32(v, 0); Put32(v, 0); Put32(v, 0);
    int margin = n / 16, gap = n >= 32 ? n / 32 : 1;
    int cell = (n - 2 * margin - 2 * gap) / 3;
    for (int y = n - 1; y >= 0; --y) {
        for (int x = 0; x < n; ++x) {
            uint8_t r = 0, g = 0, b = 0, a = 255;
            int cx = x - margin, cy = y - margin;
            int kx = cx / (cell + gap), ky = cy / (cell + gap);
            bool inCell = cx >= 0 && cy >= 0 && kx < 3 && ky < 3 && cx % (cell + gap) < cell && cy % (cell + gap) < cell;
            bool corner = x < margin || y < margin || x >= n - margin || y >= n - margin;
            if (corner) { a = 0; }
            else if (inCell && kx == 1 && ky == 1) { r = 255; g = 255; b = 0; }   // yellow centre
            else if (inCell) { r = 0; g = 0x80; b = 0xC0; }                       // $C08000
            else { r = g = b = 16; }
            v.push_back(b); v.push_back(g); v.push_back(r); v.push_back(a);
        }
    }
    int maskRow = ((n + 31) / 32) * 4;
    v.insert(v.end(), static_cast<size_t>(maskRow) * n, 0);
    return v;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: icongen OUT.ico\n");
        return 2;
    }
    const int sizes[] = {16, 24, 32, 48, 256};
    std::vector<std::vector<uint8_t>> images;
    for (int s : sizes) images.push_back(Image(s));
    std::vector<uint8_t> out;
    Put16(out, 0); Put16(out, 1); Put16(out, static_cast<uint16_t>(images.size()));
    uint32_t offset = 6 + 16 * static_cast<uint32_t>(images.size());
    for (size_t i = 0; i < images.size(); ++i) {
        out.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        out.push_back(sizes[i] >= 256 ? 0 : sizes[i]);
        out.push_back(0); out.push_back(0);
        Put16(out, 1); Put16(out, 32);
        Put32(out, static_cast<uint32_t>(images[i].size()));
        Put32(out, offset);
        offset += static_cast<uint32_t>(images[i].size());
    }
    for (auto& im : images) out.insert(out.end(), im.begin(), im.end());
    FILE* f = std::fopen(argv[1], "wb");
    if (!f || std::fwrite(out.data(), 1, out.size(), f) != out.size()) {
        std::perror(argv[1]);
        return 1;
    }
    return std::fclose(f) == 0 ? 0 : 1;
}
