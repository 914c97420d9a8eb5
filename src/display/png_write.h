#pragma once
// PNG output for headless frames, console pictures and captures.
#include <cstdint>

// Writes w x h pixels (bytes red, green, blue, alpha, row-major) as an RGBA PNG.
// On failure prints one line naming the file on stderr and returns false.
bool png_write_rgba(const char* path, int w, int h, const uint32_t* pixels);
