#include "display/resample.h"

#include <algorithm>
#include <cstring>

#include "common/simd.h"
#include "display/resample_lanes.h"

namespace {

constexpr int FIXED_TAPS_MAX = 2;

// The source pixels one target pixel takes, and their weights.
struct Taps {
  int16_t first[RESAMPLE_W_MAX];
  int16_t count[RESAMPLE_W_MAX];
  int32_t offset[RESAMPLE_W_MAX];  // into weight
  uint16_t weight[RESAMPLE_W_MAX + FRAME_W];
  int size = 0;
  int taps = 0;  // the most any target takes
  uint16_t fixed[RESAMPLE_W_MAX * FIXED_TAPS_MAX];  // `taps` weights a target when taps <= FIXED_TAPS_MAX
  // A target's right edge: the frame pixel it falls in and how far into it.
  int16_t edge_pixel[RESAMPLE_W_MAX];
  uint16_t edge_part[RESAMPLE_W_MAX];
};

Taps across, down;

// A frame row with the target's horizontal weights applied, per channel:
// at most 255 * 240, so it fits 16 bits. Kept between frames: a frame row
// that did not change keeps its line, and a target row all of whose frame
// rows kept theirs keeps its pixels.
uint16_t wide_r[FRAME_H][RESAMPLE_W_MAX], wide_g[FRAME_H][RESAMPLE_W_MAX], wide_b[FRAME_H][RESAMPLE_W_MAX];
Pixel seen[FRAME_PIXELS];  // the frame those lines came from
bool seen_valid = false;
// The targets of each frame row that changed in this frame, [from, to).
int16_t changed_from[FRAME_H], changed_to[FRAME_H];

constexpr uint32_t TOTAL = FRAME_W * FRAME_H;

void build(Taps* t, int n, int m) {
  t->size = m;
  t->taps = 0;
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
    if (t->count[i] > t->taps) t->taps = t->count[i];
    t->edge_pixel[i] = static_cast<int16_t>(hi / m);
    t->edge_part[i] = static_cast<uint16_t>(hi % m);
  }
  if (t->taps > FIXED_TAPS_MAX) return;
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < t->taps; ++k)
      t->fixed[i * t->taps + k] = k < t->count[i] ? t->weight[t->offset[i] + k] : 0;
}

// All three channels of a pixel in one 64-bit number, 21 bits a channel, so
// one multiply weights them all.
inline uint64_t spread(Pixel p) {
  return (p & 0xFFu) | static_cast<uint64_t>(p & 0xFF00u) << 13 | static_cast<uint64_t>(p & 0xFF0000u) << 26;
}

// Targets of one or two frame pixels (grids 80 columns wide and more): a
// fixed count unrolls into straight multiply-adds, with weight 0 past a
// target's last pixel.
template <int TAPS>
void across_fixed(const uint64_t* row, int from, int to, uint64_t* sums) {
  for (int x = from; x < to; ++x) {
    const uint64_t* p = row + across.first[x];
    const uint16_t* w = across.fixed + x * TAPS;
    uint64_t sum = 0;
    for (int k = 0; k < TAPS; ++k) sum += p[k] * w[k];
    sums[x] = sum;
  }
}

// Targets of three and more frame pixels, one multiply each: a target's sum
// is the difference of the running area sums at its two edges. The running
// sums wrap around 64 bits, but every difference is a real target sum, far
// below 2^64, so it comes out exact. The sums start at the first target's
// first pixel: only differences count.
void across_running(const uint64_t* row, int from, int to, uint64_t* sums) {
  const uint64_t m = static_cast<uint64_t>(across.size);
  const int start = across.first[from];
  uint64_t before[FRAME_W + 1];  // m times the sum of the pixels from `start` to j - 1
  before[start] = 0;
  for (int j = start; j < across.edge_pixel[to - 1]; ++j) before[j + 1] = before[j] + row[j] * m;
  uint64_t left = from ? row[start] * uint64_t{across.edge_part[from - 1]} : 0;
  for (int i = from; i < to; ++i) {
    const int j = across.edge_pixel[i];
    const uint64_t right = before[j] + row[j] * uint64_t{across.edge_part[i]};
    sums[i] = right - left;
    left = right;
  }
}

// The targets [from, to) of frame row y, whose pixels `src` holds.
void across_row(const Pixel* src, int y, int from, int to) {
  uint64_t spread_row[FRAME_W + FIXED_TAPS_MAX] = {};
  for (int x = across.first[from]; x <= across.first[to - 1] + across.count[to - 1] - 1; ++x) spread_row[x] = spread(src[x]);
  uint64_t sums[RESAMPLE_W_MAX];
  switch (across.taps) {
    case 1: across_fixed<1>(spread_row, from, to, sums); break;
    case 2: across_fixed<2>(spread_row, from, to, sums); break;
    default: across_running(spread_row, from, to, sums); break;
  }
  for (int x = from; x < to; ++x) {
    wide_r[y][x] = static_cast<uint16_t>(sums[x] & 0x1FFFFF);
    wide_g[y][x] = static_cast<uint16_t>(sums[x] >> 21 & 0x1FFFFF);
    wide_b[y][x] = static_cast<uint16_t>(sums[x] >> 42);
  }
}

}  // namespace

void resample_setup(int width, int height) {
  build(&across, FRAME_W, width);
  build(&down, FRAME_H, height);
  seen_valid = false;
}

namespace {

[[gnu::always_inline]] inline void resample_all(const Pixel* frame, Pixel* out) {
  const int width = across.size, height = down.size;
  // Across first, on the targets whose frame pixels changed.
  for (int y = 0; y < FRAME_H; ++y) {
    const Pixel* src = frame + y * FRAME_W;
    Pixel* was = seen + y * FRAME_W;
    int lo = 0, hi = FRAME_W - 1;
    if (seen_valid) {
      while (lo < FRAME_W && src[lo] == was[lo]) ++lo;
      while (hi > lo && src[hi] == was[hi]) --hi;
    }
    changed_from[y] = changed_to[y] = 0;
    if (lo == FRAME_W) continue;
    const int from = lo * width / FRAME_W, to = ((hi + 1) * width - 1) / FRAME_W + 1;
    changed_from[y] = static_cast<int16_t>(from);
    changed_to[y] = static_cast<int16_t>(to);
    std::memcpy(was + lo, src + lo, sizeof(Pixel) * (hi + 1 - lo));
    across_row(src, y, from, to);
  }
  // Then down, a whole target row at a time with x innermost, which vectorises.
  uint32_t sum_r[RESAMPLE_W_MAX], sum_g[RESAMPLE_W_MAX], sum_b[RESAMPLE_W_MAX];
  for (int ty = 0; ty < height; ++ty) {
    const uint16_t* w = down.weight + down.offset[ty];
    const int first = down.first[ty], count = down.count[ty];
    int from = width, to = 0;
    for (int k = 0; k < count; ++k) {
      if (changed_from[first + k] == changed_to[first + k]) continue;
      from = std::min<int>(from, changed_from[first + k]);
      to = std::max<int>(to, changed_to[first + k]);
    }
    for (int x = from; x < to; ++x) sum_r[x] = sum_g[x] = sum_b[x] = 0;
    for (int k = 0; k < count; ++k) {
      const uint32_t weight = w[k];
      const uint16_t *r = wide_r[first + k], *g = wide_g[first + k], *b = wide_b[first + k];
      for (int x = from; x < to; ++x) {
        sum_r[x] += r[x] * weight;
        sum_g[x] += g[x] * weight;
        sum_b[x] += b[x] * weight;
      }
    }
    Pixel* dst = out + ty * width;
    for (int x = from; x < to; ++x) {
      dst[x] = pixel_rgba((sum_r[x] + TOTAL / 2) / TOTAL, (sum_g[x] + TOTAL / 2) / TOTAL,
                          (sum_b[x] + TOTAL / 2) / TOTAL);
    }
  }
  seen_valid = true;
}

}  // namespace

// resample_all compiled twice, for any x86-64 and for AVX2 (the pass down
// vectorises; the pass across is shared).
void resample_frame_plain(const Pixel* frame, Pixel* out) { resample_all(frame, out); }

SIMD_AVX2 void resample_frame_avx2(const Pixel* frame, Pixel* out) { resample_all(frame, out); }

namespace {

const auto resample = simd_pick(resample_frame_plain, resample_frame_avx2);

}  // namespace

void resample_frame(const Pixel* frame, Pixel* out) { resample(frame, out); }
