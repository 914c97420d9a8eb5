#include "display/resample.h"

namespace {

// The source pixels one target pixel takes, and their weights.
struct Taps {
  int16_t first[RESAMPLE_W_MAX];
  int16_t count[RESAMPLE_W_MAX];
  int32_t offset[RESAMPLE_W_MAX];  // into weight
  uint16_t weight[RESAMPLE_W_MAX + FRAME_W];
  int size = 0;
};

Taps across, down;

// A frame row with the target's horizontal weights applied, per channel:
// at most 255 * 240, so it fits 16 bits.
uint16_t wide_r[FRAME_H][RESAMPLE_W_MAX], wide_g[FRAME_H][RESAMPLE_W_MAX], wide_b[FRAME_H][RESAMPLE_W_MAX];

constexpr uint32_t TOTAL = FRAME_W * FRAME_H;

void build(Taps* t, int n, int m) {
  t->size = m;
  int at = 0;
  for (int i = 0; i < m; ++i) {
    const int lo = i * n, hi = (i + 1) * n;
    const int first = lo / m, last = (hi - 1) / m;
    t->first[i] = static_cast<int16_t>(first);
    t->count[i] = static_cast<int16_t>(last - first + 1);
    t->offset[i] = at;
    for (int j = first; j <= last; ++j) {
      const int from = j * m > lo ? j * m : lo, to = (j + 1) * m < hi ? (j + 1) * m : hi;
      t->weight[at++] = static_cast<uint16_t>(to - from);
    }
  }
}

}  // namespace

void resample_setup(int width, int height) {
  build(&across, FRAME_W, width);
  build(&down, FRAME_H, height);
}

void resample_frame(const Pixel* frame, Pixel* out) {
  const int width = across.size, height = down.size;
  // Across first, on the 150 frame rows: all three channels of a pixel in
  // one 64-bit multiply, 21 bits a channel.
  for (int y = 0; y < FRAME_H; ++y) {
    const Pixel* src = frame + y * FRAME_W;
    for (int x = 0; x < width; ++x) {
      const uint16_t* w = across.weight + across.offset[x];
      const Pixel* p = src + across.first[x];
      uint64_t sum = 0;
      for (int k = 0; k < across.count[x]; ++k) {
        const uint64_t spread = (p[k] & 0xFFu) | static_cast<uint64_t>(p[k] & 0xFF00u) << 13 |
                                static_cast<uint64_t>(p[k] & 0xFF0000u) << 26;
        sum += spread * w[k];
      }
      wide_r[y][x] = static_cast<uint16_t>(sum & 0x1FFFFF);
      wide_g[y][x] = static_cast<uint16_t>(sum >> 21 & 0x1FFFFF);
      wide_b[y][x] = static_cast<uint16_t>(sum >> 42);
    }
  }
  // Then down, a whole target row at a time with x innermost, which vectorises.
  static uint32_t sum_r[RESAMPLE_W_MAX], sum_g[RESAMPLE_W_MAX], sum_b[RESAMPLE_W_MAX];
  for (int ty = 0; ty < height; ++ty) {
    const uint16_t* w = down.weight + down.offset[ty];
    const int first = down.first[ty], count = down.count[ty];
    for (int x = 0; x < width; ++x) sum_r[x] = sum_g[x] = sum_b[x] = 0;
    for (int k = 0; k < count; ++k) {
      const uint32_t weight = w[k];
      const uint16_t *r = wide_r[first + k], *g = wide_g[first + k], *b = wide_b[first + k];
      for (int x = 0; x < width; ++x) {
        sum_r[x] += r[x] * weight;
        sum_g[x] += g[x] * weight;
        sum_b[x] += b[x] * weight;
      }
    }
    Pixel* dst = out + ty * width;
    for (int x = 0; x < width; ++x) {
      dst[x] = pixel_rgba((sum_r[x] + TOTAL / 2) / TOTAL, (sum_g[x] + TOTAL / 2) / TOTAL,
                          (sum_b[x] + TOTAL / 2) / TOTAL);
    }
  }
}
