#include "display/resample.h"

#include <immintrin.h>

#include <algorithm>
#include <cstring>

#include "common/simd.h"
#include "display/resample_lanes.h"

namespace {

// Targets of up to this many frame pixels have their weights in a table of
// that many a target: the AVX2 pass across takes up to three a target, the
// plain one up to two (from three on it goes by running sums).
constexpr int FIXED_TAPS_MAX = 3;

// The source pixels one target pixel takes, and their weights.
struct Taps {
  int16_t first[RESAMPLE_W_MAX];
  int16_t count[RESAMPLE_W_MAX];
  int32_t offset[RESAMPLE_W_MAX];  // into weight
  uint16_t weight[RESAMPLE_W_MAX + FRAME_W];
  int size = 0;
  int taps = 0;  // the most any target takes
  uint16_t fixed[FIXED_TAPS_MAX][RESAMPLE_W_MAX];  // weight k of every target when taps <= FIXED_TAPS_MAX
  // A target's right edge: the frame pixel it falls in and how far into it.
  int16_t edge_pixel[RESAMPLE_W_MAX];
  uint16_t edge_part[RESAMPLE_W_MAX];
  // Whether any eight targets in a row (taking at most FIXED_TAPS_MAX pixels
  // each) find their pixels among the sixteen from the first one's, or from
  // the last sixteen of the axis if these start later.
  bool window = false;
  int16_t window_last = 0;
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
  t->window = false;
  if (t->taps > FIXED_TAPS_MAX) return;
  t->window_last = static_cast<int16_t>(n - 16);
  t->window = m >= 8;
  for (int i = 0; i + 8 <= m; ++i)
    t->window &= std::min(t->first[i + 7] + t->taps - 1, n - 1) - std::min(t->first[i], t->window_last) < 16;
  for (int i = 0; i < m; ++i)
    for (int k = 0; k < FIXED_TAPS_MAX; ++k) t->fixed[k][i] = k < t->count[i] ? t->weight[t->offset[i] + k] : 0;
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
    uint64_t sum = 0;
    for (int k = 0; k < TAPS; ++k) sum += p[k] * across.fixed[k][x];
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

// across_row for targets of up to three frame pixels, eight targets at a
// time. Their pixels lie among sixteen in a row (`window` says so), read in
// two loads and picked by permutes; a channel of two pixels goes in the 16-bit
// halves of a lane, weighed in one multiply-add. The sums are those of
// across_row, exactly. The last eight may start before `from` (within the
// row): the targets outside are worked out again from unchanged pixels,
// giving what they hold.
template <int TAPS>
SIMD_AVX2 void across_fixed_avx2(const Pixel* src, int y, int from, int to) {
  const auto lanes16 = [](const void* p) { return _mm_loadu_si128(static_cast<const __m128i*>(p)); };
  const __m256i last_pixel = _mm256_set1_epi32(FRAME_W - 1), seven = _mm256_set1_epi32(7);
  const __m256i low_byte = _mm256_set1_epi32(0xFF), high_byte = _mm256_set1_epi32(0xFF0000);
  for (int step = from; step < to; step += 8) {
    const int x = std::min(step, across.size - 8);
    const int base = std::min(across.first[x], across.window_last);
    const __m256i low = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + base));
    const __m256i high = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src + base + 8));
    const __m256i first = _mm256_cvtepi16_epi32(lanes16(across.first + x));
    __m256i px[3] = {}, w[3] = {};
    for (int k = 0; k < TAPS; ++k) {
      // Past a target's last pixel the weight is 0, and past the row's end no pixel is read.
      const __m256i at = _mm256_min_epi32(_mm256_add_epi32(first, _mm256_set1_epi32(k)), last_pixel);
      const __m256i lane = _mm256_sub_epi32(at, _mm256_set1_epi32(base));
      px[k] = _mm256_blendv_epi8(_mm256_permutevar8x32_epi32(low, lane), _mm256_permutevar8x32_epi32(high, lane),
                                 _mm256_cmpgt_epi32(lane, seven));
      w[k] = _mm256_cvtepu16_epi32(lanes16(across.fixed[k] + x));
    }
    const __m256i first_weights = _mm256_or_si256(w[0], _mm256_slli_epi32(w[1], 16));
    uint16_t* const wide[3] = {wide_r[y] + x, wide_g[y] + x, wide_b[y] + x};
    for (int c = 0; c < 3; ++c) {
      const __m256i first_two =
          _mm256_or_si256(_mm256_and_si256(_mm256_srli_epi32(px[0], 8 * c), low_byte),
                          _mm256_and_si256(c == 2 ? px[1] : _mm256_slli_epi32(px[1], 16 - 8 * c), high_byte));
      __m256i sums = _mm256_madd_epi16(first_two, first_weights);  // each below 2^16
      if (TAPS > 2) {
        const __m256i third = _mm256_and_si256(_mm256_srli_epi32(px[2], 8 * c), low_byte);
        sums = _mm256_add_epi32(sums, _mm256_madd_epi16(third, w[2]));
      }
      const __m256i packed = _mm256_permute4x64_epi64(_mm256_packus_epi32(sums, sums), 0x08);
      _mm_storeu_si128(reinterpret_cast<__m128i*>(wide[c]), _mm256_castsi256_si128(packed));
    }
  }
}

SIMD_AVX2 void across_row_avx2(const Pixel* src, int y, int from, int to) {
  if (!across.window) return across_row(src, y, from, to);
  switch (across.taps) {
    case 1: across_fixed_avx2<1>(src, y, from, to); break;
    case 2: across_fixed_avx2<2>(src, y, from, to); break;
    case 3: across_fixed_avx2<3>(src, y, from, to); break;
    default: across_row(src, y, from, to); break;
  }
}

}  // namespace

void resample_setup(int width, int height) {
  build(&across, FRAME_W, width);
  build(&down, FRAME_H, height);
  seen_valid = false;
}

namespace {

template <void Across(const Pixel*, int, int, int)>
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
    Across(src, y, from, to);
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
    for (int k = 0; k < count; ++k) {
      const uint32_t weight = w[k];
      const uint16_t *r = wide_r[first + k], *g = wide_g[first + k], *b = wide_b[first + k];
      // The first frame row starts the sums (no clearing pass to wait on).
      for (int x = from; x < to; ++x) {
        sum_r[x] = (k ? sum_r[x] : 0) + r[x] * weight;
        sum_g[x] = (k ? sum_g[x] : 0) + g[x] * weight;
        sum_b[x] = (k ? sum_b[x] : 0) + b[x] * weight;
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

// resample_all compiled twice, for any x86-64 and for AVX2 (where the pass
// down vectorises and the pass across takes eight targets at a time).
void resample_frame_plain(const Pixel* frame, Pixel* out) { resample_all<across_row>(frame, out); }

SIMD_AVX2 void resample_frame_avx2(const Pixel* frame, Pixel* out) { resample_all<across_row_avx2>(frame, out); }

namespace {

const auto resample = simd_pick(resample_frame_plain, resample_frame_avx2);

}  // namespace

void resample_frame(const Pixel* frame, Pixel* out) { resample(frame, out); }
