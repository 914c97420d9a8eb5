// Box blur and sharpen. Each window sum is kept running (add the value
// entering, drop the one leaving) rather than re-added per pixel: the sums
// are the same numbers the plain per-pixel loop forms, so results are
// identical while the cost no longer grows with the radius. The vertical
// pass walks whole rows with one running sum per column.
//
// Radii up to 63 keep every sum below 2^15 and run in 16-bit lanes, one
// pixel's four bytes side by side; larger radii (whose sums wrap as signed
// 16-bit numbers) take the per-channel loops.
#include <immintrin.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "image/effects.h"
#include "image/effects_lanes.h"
#include "image/effects_region.h"

namespace {

// The pass input of the vertical pass (the horizontal pass's result).
Pixel scratch_pixels[FRAME_PIXELS];
// Running sums: per channel for the wide radii, per pixel in 16-bit lanes
// (r, g, b, unused) for the narrow ones.
int32_t line_channel[3][FRAME_W];
int32_t column_sum[3][FRAME_W];
uint16_t line_lanes[FRAME_W * 4];
alignas(32) uint16_t column_lanes[FRAME_W * 4];

// n / d truncated toward zero for |n| <= 32768 and 1 <= d <= 259 (a window
// never exceeds a 240-pixel line), by a reciprocal whose error stays below 1/d.
struct Reciprocals {
  uint64_t m[260];
  Reciprocals() {
    for (int d = 1; d < 260; ++d) m[d] = (uint64_t{1} << 32) / d + 1;
  }
};
const Reciprocals reciprocals;

inline int32_t divide_by(int32_t n, uint64_t m) {
  const uint32_t q = static_cast<uint32_t>((static_cast<uint64_t>(std::abs(n)) * m) >> 32);
  return n < 0 ? -static_cast<int32_t>(q) : static_cast<int32_t>(q);
}

// The window sum read as a signed 16-bit number (large radii wrap), its
// mean, then the sharpen step; clamped to a byte.
template <bool sharpen>
inline uint32_t filtered(int32_t sum, uint64_t m, int32_t orig) {
  const int32_t mean = divide_by(static_cast<int16_t>(sum), m);
  return fx_clamp_byte(sharpen ? orig + (orig - mean) / 6 : mean);
}

inline int32_t channel(Pixel p, int k) { return (p >> (8 * k)) & 0xFF; }

constexpr int LANE_RADIUS_MAX = 63;

// Windows in lanes. A sum s < 2^15 divided by a count c (2..127)
// is the high half of s * m shifted right by l - 1, with l = ceil(log2 c)
// and m = ceil(2^(15 + l) / c) < 2^16: m * c exceeds 2^(15 + l) by less than
// 2^l, which keeps the product's error below one step. (orig - mean) / 6
// for |orig - mean| <= 255 is likewise the high half of its magnitude times
// ceil(2^16 / 6).
struct LaneDivider {
  __m128i m;
  __m128i shift;
};

LaneDivider lane_divider(int count) {
  int l = 0;
  while ((1 << l) < count) ++l;
  const int m = ((1 << (15 + l)) + count - 1) / count;
  return {_mm_set1_epi16(static_cast<int16_t>(m)), _mm_cvtsi32_si128(l - 1)};
}

// Two pixels: window sums and original bytes in 16-bit lanes. The alpha
// lanes come back as the originals'.
template <bool sharpen>
inline __m128i filtered_lanes(__m128i sums, __m128i orig, const LaneDivider& div) {
  const __m128i mean = _mm_srl_epi16(_mm_mulhi_epu16(sums, div.m), div.shift);
  __m128i v = mean;
  if (sharpen) {
    const __m128i d = _mm_sub_epi16(orig, mean);
    const __m128i sign = _mm_srai_epi16(d, 15);
    const __m128i magnitude = _mm_sub_epi16(_mm_xor_si128(d, sign), sign);
    const __m128i q = _mm_mulhi_epu16(magnitude, _mm_set1_epi16(10923));
    v = _mm_add_epi16(orig, _mm_sub_epi16(_mm_xor_si128(q, sign), sign));
  }
  const __m128i alpha = _mm_set_epi16(-1, 0, 0, 0, -1, 0, 0, 0);
  return _mm_or_si128(_mm_andnot_si128(alpha, v), _mm_and_si128(alpha, orig));
}

inline __m128i pixel_lanes(Pixel p) { return _mm_unpacklo_epi8(_mm_cvtsi32_si128(static_cast<int>(p)), _mm_setzero_si128()); }
inline __m128i two_pixel_lanes(const Pixel* p) {
  return _mm_unpacklo_epi8(_mm_loadl_epi64(reinterpret_cast<const __m128i*>(p)), _mm_setzero_si128());
}
// Saturation to 0..255 is the byte clamp.
inline void store_two_pixels(Pixel* p, __m128i lanes) {
  _mm_storel_epi64(reinterpret_cast<__m128i*>(p), _mm_packus_epi16(lanes, lanes));
}

// A pixel whose window is cut by the region's edge, from its lane sums.
template <bool sharpen>
inline Pixel filtered_edge(const uint16_t* sums, Pixel orig, uint64_t m) {
  Pixel out = orig & 0xFF000000u;
#pragma GCC unroll 3
  for (int k = 0; k < 3; ++k) out |= filtered<sharpen>(sums[k], m, channel(orig, k)) << (8 * k);
  return out;
}

template <bool sharpen>
void blur_lane_rows(Pixel* buf, const FxRegion& reg, int r, const LaneDivider& div) {
  const int n = reg.x1 - reg.x0;
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W + reg.x0;
    __m128i sum = _mm_setzero_si128();
    for (int i = 0; i <= r && i < n; ++i) sum = _mm_add_epi16(sum, pixel_lanes(row[i]));
    for (int i = 0; i < n; ++i) {
      _mm_storel_epi64(reinterpret_cast<__m128i*>(line_lanes + 4 * i), sum);
      if (i + 1 + r < n) sum = _mm_add_epi16(sum, pixel_lanes(row[i + 1 + r]));
      if (i - r >= 0) sum = _mm_sub_epi16(sum, pixel_lanes(row[i - r]));
    }
    // Every sum is taken: the row can be overwritten in place.
    const int full_end = n - r;
    int i = 0;
    for (; i < r && i < n; ++i) row[i] = filtered_edge<sharpen>(line_lanes + 4 * i, row[i], reciprocals.m[fx_window_count(i, n, r)]);
    for (; i + 2 <= full_end; i += 2) {
      const __m128i sums = _mm_loadu_si128(reinterpret_cast<const __m128i*>(line_lanes + 4 * i));
      store_two_pixels(row + i, filtered_lanes<sharpen>(sums, two_pixel_lanes(row + i), div));
    }
    for (; i < n; ++i) row[i] = filtered_edge<sharpen>(line_lanes + 4 * i, row[i], reciprocals.m[fx_window_count(i, n, r)]);
  }
}

// Adds or removes one row of the pass input to the column sums; w is
// rounded up to pairs (the extra pixel's sum is never read).
inline void add_row_to_lanes(const Pixel* row, int w) {
  for (int x = 0; x < w; x += 2) {
    __m128i* s = reinterpret_cast<__m128i*>(column_lanes + 4 * x);
    _mm_store_si128(s, _mm_add_epi16(_mm_load_si128(s), two_pixel_lanes(row + x)));
  }
}
inline void remove_row_from_lanes(const Pixel* row, int w) {
  for (int x = 0; x < w; x += 2) {
    __m128i* s = reinterpret_cast<__m128i*>(column_lanes + 4 * x);
    _mm_store_si128(s, _mm_sub_epi16(_mm_load_si128(s), two_pixel_lanes(row + x)));
  }
}

void copy_region(const Pixel* buf, const FxRegion& reg) {
  const int w = reg.x1 - reg.x0;
  for (int j = 0; j < reg.y1 - reg.y0; ++j) {
    std::memcpy(scratch_pixels + j * FRAME_W, buf + (reg.y0 + j) * FRAME_W + reg.x0, w * sizeof(Pixel));
  }
}

template <bool sharpen>
void blur_lane_columns(Pixel* buf, const FxRegion& reg, int r, const LaneDivider& div) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  copy_region(buf, reg);
  std::memset(column_lanes, 0, sizeof column_lanes);
  for (int j = 0; j <= r && j < h; ++j) add_row_to_lanes(scratch_pixels + j * FRAME_W, w);
  for (int j = 0; j < h; ++j) {
    const Pixel* in = scratch_pixels + j * FRAME_W;
    Pixel* out = buf + (reg.y0 + j) * FRAME_W + reg.x0;
    int x = 0;
    if (j >= r && j + r < h) {
      for (; x + 2 <= w; x += 2) {
        const __m128i sums = _mm_load_si128(reinterpret_cast<const __m128i*>(column_lanes + 4 * x));
        store_two_pixels(out + x, filtered_lanes<sharpen>(sums, two_pixel_lanes(in + x), div));
      }
    }
    const uint64_t m = reciprocals.m[fx_window_count(j, h, r)];
    for (; x < w; ++x) out[x] = filtered_edge<sharpen>(column_lanes + 4 * x, in[x], m);
    if (j + 1 + r < h) add_row_to_lanes(scratch_pixels + (j + 1 + r) * FRAME_W, w);
    if (j - r >= 0) remove_row_from_lanes(scratch_pixels + (j - r) * FRAME_W, w);
  }
}

template <bool sharpen>
void blur_wide_rows(Pixel* buf, const FxRegion& reg, int r) {
  const int n = reg.x1 - reg.x0;
  for (int y = reg.y0; y < reg.y1; ++y) {
    Pixel* row = buf + y * FRAME_W + reg.x0;
    int32_t sum[3] = {0, 0, 0};
    for (int i = 0; i < n; ++i) {
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) line_channel[k][i] = channel(row[i], k);
    }
    for (int i = 0; i <= r && i < n; ++i) {
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) sum[k] += line_channel[k][i];
    }
    for (int i = 0; i < n; ++i) {
      Pixel out = row[i] & 0xFF000000u;
      const uint64_t m = reciprocals.m[fx_window_count(i, n, r)];
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) out |= filtered<sharpen>(sum[k], m, line_channel[k][i]) << (8 * k);
      row[i] = out;
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) {
        if (i + 1 + r < n) sum[k] += line_channel[k][i + 1 + r];
        if (i - r >= 0) sum[k] -= line_channel[k][i - r];
      }
    }
  }
}

// Adds (sign 1) or removes (-1) one row of the pass input to the column sums.
void add_row_to_columns(const Pixel* row, int w, int sign) {
  for (int x = 0; x < w; ++x) {
#pragma GCC unroll 3
    for (int k = 0; k < 3; ++k) column_sum[k][x] += sign * channel(row[x], k);
  }
}

template <bool sharpen>
void blur_wide_columns(Pixel* buf, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  copy_region(buf, reg);
  std::memset(column_sum, 0, sizeof column_sum);
  for (int j = 0; j <= r && j < h; ++j) add_row_to_columns(scratch_pixels + j * FRAME_W, w, 1);
  for (int j = 0; j < h; ++j) {
    const Pixel* in = scratch_pixels + j * FRAME_W;
    Pixel* out = buf + (reg.y0 + j) * FRAME_W + reg.x0;
    const uint64_t m = reciprocals.m[fx_window_count(j, h, r)];
    for (int x = 0; x < w; ++x) {
      Pixel p = in[x] & 0xFF000000u;
#pragma GCC unroll 3
      for (int k = 0; k < 3; ++k) p |= filtered<sharpen>(column_sum[k][x], m, channel(in[x], k)) << (8 * k);
      out[x] = p;
    }
    if (j + 1 + r < h) add_row_to_columns(scratch_pixels + (j + 1 + r) * FRAME_W, w, 1);
    if (j - r >= 0) add_row_to_columns(scratch_pixels + (j - r) * FRAME_W, w, -1);
  }
}

// The lane passes four pixels to a register with AVX2. A row's window sums
// come from prefix sums in 16-bit lanes: these wrap, but their differences
// are the window sums, which stay below 2^15. The row pass writes into
// scratch_pixels, which the column pass reads.
uint16_t line_prefix[4 * (FRAME_W + 2 * LANE_RADIUS_MAX + 8)];

#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wpsabi"

SIMD_AVX2 inline __m256i four_pixel_lanes(__m128i pixels) { return _mm256_cvtepu8_epi16(pixels); }
SIMD_AVX2 inline __m256i four_pixel_lanes(const Pixel* p) {
  return four_pixel_lanes(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p)));
}
SIMD_AVX2 inline __m256i load_lanes(const uint16_t* p) { return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p)); }
SIMD_AVX2 inline void store_lanes(uint16_t* p, __m256i v) { _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v); }
// Saturation to 0..255 is the byte clamp.
SIMD_AVX2 inline void store_four_pixels(Pixel* p, __m256i lanes) {
  const __m256i packed = _mm256_packus_epi16(lanes, lanes);
  _mm_storeu_si128(reinterpret_cast<__m128i*>(p), _mm256_castsi256_si128(_mm256_permute4x64_epi64(packed, 0x08)));
}

// filtered_lanes for four pixels, from their means.
template <bool sharpen>
SIMD_AVX2 inline __m256i finished_four(__m256i mean, __m256i orig) {
  __m256i v = mean;
  if (sharpen) {
    const __m256i d = _mm256_sub_epi16(orig, mean);
    const __m256i q = _mm256_mulhi_epu16(_mm256_abs_epi16(d), _mm256_set1_epi16(10923));
    v = _mm256_add_epi16(orig, _mm256_sign_epi16(q, d));
  }
  return _mm256_blend_epi16(v, orig, 0x88);
}

template <bool sharpen>
SIMD_AVX2 inline __m256i filtered_four(__m256i sums, __m256i orig, __m256i m, __m128i shift) {
  return finished_four<sharpen>(_mm256_srl_epi16(_mm256_mulhi_epu16(sums, m), shift), orig);
}

// Windows cut by the row's edge, four pixels with their own counts (one per
// lane): the float quotient of s < 2^15 by c <= 127 is within 2^-9 of s / c,
// nearer than s / c comes to the next integer unless it is one, so its
// truncation is the integer quotient.
float lane_counts[4 * FRAME_W];

template <bool sharpen>
SIMD_AVX2 inline void filter_edge_four(const Pixel* row, Pixel* out, int x, int r) {
  const __m256i sums = _mm256_sub_epi16(load_lanes(line_prefix + 4 * (x + 2 * r + 1)), load_lanes(line_prefix + 4 * x));
  const auto quotients = [](__m128i s, const float* c) SIMD_AVX2 {
    return _mm256_cvttps_epi32(_mm256_div_ps(_mm256_cvtepi32_ps(_mm256_cvtepu16_epi32(s)), _mm256_loadu_ps(c)));
  };
  const __m256i packed = _mm256_packus_epi32(quotients(_mm256_castsi256_si128(sums), lane_counts + 4 * x),
                                             quotients(_mm256_extracti128_si256(sums, 1), lane_counts + 4 * x + 8));
  // The pack interleaves the halves: pixels come out 0 2 1 3.
  const __m256i mean = _mm256_permute4x64_epi64(packed, 0xD8);
  store_four_pixels(out + x, finished_four<sharpen>(mean, four_pixel_lanes(row + x)));
}

// Both passes stay out of line: inlined together into the twin they crowd
// each other's registers and the blur runs about a tenth slower.
template <bool sharpen>
[[gnu::noinline]] SIMD_AVX2 void blur_lane_rows_avx2(const Pixel* buf, const FxRegion& reg, int r, const LaneDivider& div) {
  const int n = reg.x1 - reg.x0;
  const __m256i m = _mm256_broadcastsi128_si256(div.m);
  const __m128i lane_index = _mm_setr_epi32(0, 1, 2, 3);
  // Index 4 * k holds the lanes' totals over the row's first k - r pixels.
  std::memset(line_prefix, 0, 4 * (r + 1) * sizeof(uint16_t));
  for (int x = 0; x < n; ++x) std::fill(lane_counts + 4 * x, lane_counts + 4 * x + 4, fx_window_count(x, n, r));
  for (int y = reg.y0; y < reg.y1; ++y) {
    const Pixel* row = buf + y * FRAME_W + reg.x0;
    Pixel* out = scratch_pixels + (y - reg.y0) * FRAME_W;
    // Pixels past the row read as 0, so their totals are the row's.
    __m256i total = _mm256_setzero_si256();
    int i = 0;
    for (; i < n; i += 4) {
      const __m128i* p = reinterpret_cast<const __m128i*>(row + i);
      __m256i v = four_pixel_lanes(i + 4 <= n ? _mm_loadu_si128(p)
                                              : _mm_maskload_epi32(reinterpret_cast<const int*>(p),
                                                                   _mm_cmpgt_epi32(_mm_set1_epi32(n - i), lane_index)));
      v = _mm256_add_epi16(v, _mm256_slli_si256(v, 8));
      v = _mm256_add_epi16(v, _mm256_blend_epi32(_mm256_setzero_si256(), _mm256_permute4x64_epi64(v, 0x50), 0xF0));
      store_lanes(line_prefix + 4 * (r + 1 + i), _mm256_add_epi16(v, total));
      // The carried total waits on one addition per step, not on a shuffle.
      total = _mm256_add_epi16(total, _mm256_permute4x64_epi64(v, 0xFF));
    }
    for (i += r + 1; i < n + 2 * r + 4; i += 4) store_lanes(line_prefix + 4 * i, total);
    const auto edge = [&](int x) {
      uint16_t sums[4];
      for (int k = 0; k < 4; ++k) sums[k] = line_prefix[4 * (x + 2 * r + 1) + k] - line_prefix[4 * x + k];
      out[x] = filtered_edge<sharpen>(sums, row[x], reciprocals.m[fx_window_count(x, n, r)]);
    };
    // Edge groups stay inside the row by overlapping their neighbours, which
    // only writes the same pixels again (the row is not changed in place).
    int x = 0;
    if (n >= 4) {
      for (; x < r; x += 4) filter_edge_four<sharpen>(row, out, std::min(x, n - 4), r);
      for (; x + 4 <= n - r; x += 4) {
        const __m256i sums = _mm256_sub_epi16(load_lanes(line_prefix + 4 * (x + 2 * r + 1)), load_lanes(line_prefix + 4 * x));
        store_four_pixels(out + x, filtered_four<sharpen>(sums, four_pixel_lanes(row + x), m, div.shift));
      }
      for (; x < n; x += 4) filter_edge_four<sharpen>(row, out, std::min(x, n - 4), r);
    }
    for (; x < n; ++x) edge(x);
  }
}

// Adds one row of the pass input to the column sums and removes another
// (either may be null); w is rounded up to fours (the extra sums are never read).
SIMD_AVX2 void update_column_lanes(const Pixel* add, const Pixel* remove, int w) {
  for (int x = 0; x < w; x += 4) {
    __m256i s = load_lanes(column_lanes + 4 * x);
    if (add) s = _mm256_add_epi16(s, four_pixel_lanes(add + x));
    if (remove) s = _mm256_sub_epi16(s, four_pixel_lanes(remove + x));
    store_lanes(column_lanes + 4 * x, s);
  }
}

// A row's windows share one count, so rows cut by the region's edge run in
// lanes too.
template <bool sharpen>
[[gnu::noinline]] SIMD_AVX2 void blur_lane_columns_avx2(Pixel* buf, const FxRegion& reg, int r) {
  const int w = reg.x1 - reg.x0;
  const int h = reg.y1 - reg.y0;
  std::memset(column_lanes, 0, sizeof column_lanes);
  for (int j = 0; j <= r && j < h; ++j) update_column_lanes(scratch_pixels + j * FRAME_W, nullptr, w);
  for (int j = 0; j < h; ++j) {
    const Pixel* in = scratch_pixels + j * FRAME_W;
    Pixel* out = buf + (reg.y0 + j) * FRAME_W + reg.x0;
    const int count = fx_window_count(j, h, r);
    int x = 0;
    if (count > 1) {
      const LaneDivider div = lane_divider(count);
      const __m256i m = _mm256_broadcastsi128_si256(div.m);
      for (; x + 4 <= w; x += 4) {
        store_four_pixels(out + x, filtered_four<sharpen>(load_lanes(column_lanes + 4 * x), four_pixel_lanes(in + x), m, div.shift));
      }
    }
    for (; x < w; ++x) out[x] = filtered_edge<sharpen>(column_lanes + 4 * x, in[x], reciprocals.m[count]);
    update_column_lanes(j + 1 + r < h ? scratch_pixels + (j + 1 + r) * FRAME_W : nullptr,
                        j - r >= 0 ? scratch_pixels + (j - r) * FRAME_W : nullptr, w);
  }
}

#pragma GCC diagnostic pop

// Radius 0 and the radii whose sums would overflow the lanes take the
// per-channel loops (radius 0 gives every pixel back unchanged).
inline bool fits_lanes(int r) { return r >= 1 && r <= LANE_RADIUS_MAX; }

void blur_wide(Pixel* buf, const FxRegion& reg, int r, bool sharpen) {
  if (sharpen) {
    blur_wide_rows<true>(buf, reg, r);
    blur_wide_columns<true>(buf, reg, r);
  } else {
    blur_wide_rows<false>(buf, reg, r);
    blur_wide_columns<false>(buf, reg, r);
  }
}

const auto blur = simd_pick(blur_plain, blur_avx2);

}  // namespace

void blur_plain(Pixel* buf, const FxRegion& reg, int r, bool sharpen) {
  if (!fits_lanes(r)) return blur_wide(buf, reg, r, sharpen);
  const LaneDivider div = lane_divider(2 * r + 1);
  if (sharpen) {
    blur_lane_rows<true>(buf, reg, r, div);
    blur_lane_columns<true>(buf, reg, r, div);
  } else {
    blur_lane_rows<false>(buf, reg, r, div);
    blur_lane_columns<false>(buf, reg, r, div);
  }
}

SIMD_AVX2 void blur_avx2(Pixel* buf, const FxRegion& reg, int r, bool sharpen) {
  if (!fits_lanes(r)) return blur_wide(buf, reg, r, sharpen);
  const LaneDivider div = lane_divider(2 * r + 1);
  if (sharpen) {
    blur_lane_rows_avx2<true>(buf, reg, r, div);
    blur_lane_columns_avx2<true>(buf, reg, r);
  } else {
    blur_lane_rows_avx2<false>(buf, reg, r, div);
    blur_lane_columns_avx2<false>(buf, reg, r);
  }
}

void fx_blur(Pixel* buffer, int16_t x0, int16_t y0, int16_t x1, int16_t y1, int8_t amount) {
  Pixel* buf = fx_target(buffer);
  const FxRegion reg = fx_clamp_region(x0, y0, x1, y1);
  if (amount == 0 || reg.empty()) return;
  blur(buf, reg, amount < 0 ? -amount : amount, amount < 0);
}
