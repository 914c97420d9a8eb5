#pragma once
// Writing TGA pictures that the show's reader takes: 24-bit without alpha
// bits or 32-bit with 8 alpha bits, stored top row first.
#include <cstdint>
#include <vector>

// Encodes w x h pixels (bytes red, green, blue, alpha; row-major, top row
// first). Run-length encoded (type 10) when `rle`, else uncompressed (type 2).
std::vector<uint8_t> tga_encode(int w, int h, const uint32_t* pixels, bool alpha, bool rle);
// Writes tga_encode's bytes; on failure prints one line naming the file.
bool tga_write(const char* path, int w, int h, const uint32_t* pixels, bool alpha, bool rle);
