// Writes the LED's seven stock images as 16-colour bitmaps from their
// patterns, into the folder given (resources/). Run it natively after a
// pattern changes; the LED tests compare the resources with the patterns.
//   g++ -std=c++20 -I. tools/ledbitmaps.cpp controls/ledlogic.cpp -o ledbitmaps && ./ledbitmaps resources
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "controls/ledlogic.h"

namespace {

using namespace kivu::led;

// The system's 16 standard colours, in their usual order.
const Rgb kPalette[16] = {0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
                          0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

void Put(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::string Bitmap(const PixelGrid& grid) {
    const int stride = ((grid.width + 1) / 2 + 3) / 4 * 4;
    const uint32_t offset = 14 + 40 + 16 * 4;
    const uint32_t size = offset + static_cast<uint32_t>(stride * grid.height);
    std::string out = "BM";
    Put(out, size, 4);
    Put(out, 0, 4);
    Put(out, offset, 4);
    Put(out, 40, 4);
    Put(out, static_cast<uint32_t>(grid.width), 4);
    Put(out, static_cast<uint32_t>(grid.height), 4);
    Put(out, 1, 2);
    Put(out, 4, 2);
    Put(out, 0, 4);  // BI_RGB
    Put(out, static_cast<uint32_t>(stride * grid.height), 4);
    Put(out, 2835, 4);
    Put(out, 2835, 4);
    Put(out, 16, 4);
    Put(out, 16, 4);
    for (Rgb c : kPalette) Put(out, c, 4);  // stored blue, green, red, 0
    for (int y = grid.height - 1; y >= 0; --y) {
        std::string row(static_cast<size_t>(stride), '\0');
        for (int x = 0; x < grid.width; ++x) {
            int index = 0;
            while (kPalette[index] != grid.At(x, y)) ++index;
            row[static_cast<size_t>(x / 2)] |= static_cast<char>(x % 2 ? index : index << 4);
        }
        out += row;
    }
    return out;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: ledbitmaps FOLDER\n");
        return 2;
    }
    for (TLEDStyle style : kAllStyles) {
        const std::string path = std::string(argv[1]) + "/" + Style(style).image + ".bmp";
        std::ofstream(path, std::ios::binary) << Bitmap(FromPattern(Pattern(style)));
        std::printf("wrote %s\n", path.c_str());
    }
    return 0;
}
