#include "tools/common/tga_write.h"

#include <cstdio>

#include "platform/printable.h"

namespace {

constexpr uint8_t DESCRIPTOR_TOP_DOWN = 0x20;

// File order of one pixel: B, G, R (, A).
void put_pixel(std::vector<uint8_t>* out, uint32_t p, bool alpha) {
  out->push_back(static_cast<uint8_t>(p >> 16));
  out->push_back(static_cast<uint8_t>(p >> 8));
  out->push_back(static_cast<uint8_t>(p));
  if (alpha) out->push_back(static_cast<uint8_t>(p >> 24));
}

// Packets never cross a scanline: every reader takes that, also those that
// cut packets at line ends.
void encode_rle_line(std::vector<uint8_t>* out, const uint32_t* line, int w, bool alpha) {
  const uint32_t mask = alpha ? 0xFFFFFFFFu : 0x00FFFFFFu;
  int x = 0;
  while (x < w) {
    int run = 1;
    while (x + run < w && run < 128 && (line[x + run] & mask) == (line[x] & mask)) ++run;
    if (run >= 2) {
      out->push_back(static_cast<uint8_t>(127 + run));
      put_pixel(out, line[x], alpha);
      x += run;
      continue;
    }
    int literal = 1;  // up to the next pair of equal pixels
    while (x + literal < w && literal < 128 &&
           !(x + literal + 1 < w && (line[x + literal] & mask) == (line[x + literal + 1] & mask))) {
      ++literal;
    }
    out->push_back(static_cast<uint8_t>(literal - 1));
    for (int i = 0; i < literal; ++i) put_pixel(out, line[x + i], alpha);
    x += literal;
  }
}

}  // namespace

std::vector<uint8_t> tga_encode(int w, int h, const uint32_t* pixels, bool alpha, bool rle) {
  std::vector<uint8_t> out = {0, 0, static_cast<uint8_t>(rle ? 10 : 2), 0, 0, 0, 0, 0, 0, 0, 0, 0,
                              static_cast<uint8_t>(w), static_cast<uint8_t>(w >> 8),
                              static_cast<uint8_t>(h), static_cast<uint8_t>(h >> 8),
                              static_cast<uint8_t>(alpha ? 32 : 24),
                              static_cast<uint8_t>(DESCRIPTOR_TOP_DOWN | (alpha ? 8 : 0))};
  for (int y = 0; y < h; ++y) {
    const uint32_t* line = pixels + static_cast<size_t>(y) * w;
    if (rle) {
      encode_rle_line(&out, line, w, alpha);
    } else {
      for (int x = 0; x < w; ++x) put_pixel(&out, line[x], alpha);
    }
  }
  return out;
}

bool tga_write(const char* path, int w, int h, const uint32_t* pixels, bool alpha, bool rle) {
  const std::vector<uint8_t> bytes = tga_encode(w, h, pixels, alpha, rle);
  FILE* f = fopen(path, "wb");
  bool ok = f && fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  if (f && fclose(f) != 0) ok = false;
  if (!ok) fprintf(stderr, "tga_write: cannot write %s\n", platform_printable_text(path).c_str());
  return ok;
}
