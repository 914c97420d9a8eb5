// Depth shading: pixels deeper than their blurred neighbourhood darken.
#include <immintrin.h>

#include <cstring>

#include "common/numeric.h"
#include "image/effects.h"
#include "image/effects_lanes.h"
#include "image/effects_region.h"

namespace {

int32_t blurred[FRAME_PIXELS];

// Four or eight pixels at a time; each lane does the same single-precision
// steps, in the same order, as one pixel would.
using Ints4 = int32_t __attribute__((vector_size(16)));
using Floats4 = float __attribute__((vector_size(16)));
using Ints8 = int32_t __attribute__((vector_size(32)));
using Floats8 = float __attribute__((vector_size(32)));
static_assert(FRAME_PIXELS % 8 == 0);

// The mask goes by reference: shade<Ints8> itself carries no target, and an
// eight-lane vector passed by value from it would change the calling convention.
inline bool all_lanes(const Ints4& mask) {
  return _mm_movemask_ps(_mm_castsi128_ps(reinterpret_cast<__m128i>(mask))) == 0xF;
}
SIMD_AVX2 inline bool all_lanes(const Ints8& mask) {
  return _mm256_movemask_ps(_mm256_castsi256_ps(reinterpret_cast<__m256i>(mask))) == 0xFF;
}

template <typename Ints, typename Floats>
[[gnu::always_inline]] inline void shade(Pixel* buf, const int32_t* depth, float k, uint8_t radius) {
  constexpr int lanes = sizeof(Ints) / sizeof(int32_t);
  for (int i = 0; i < FRAME_PIXELS; i += lanes) {
    Ints d;
    std::memcpy(&d, depth + i, sizeof d);
    d >>= 7;
    std::memcpy(blurred + i, &d, sizeof d);
  }
  // The last column and row are left out of the blur.
  fx_blur_int(blurred, 0, 0, FRAME_W - 1, FRAME_H - 1, radius);
  const Floats zero = {}, one = zero + 1.0f;
  for (int i = 0; i < FRAME_PIXELS; i += lanes) {
    Ints d, b, p;
    std::memcpy(&d, depth + i, sizeof d);
    // Pixels with nothing drawn keep their colour: skip runs of them (sky).
    const Ints clear = d == DEPTH_CLEAR;
    if (all_lanes(clear)) continue;
    std::memcpy(&b, blurred + i, sizeof b);
    std::memcpy(&p, buf + i, sizeof p);
    Floats t = __builtin_convertvector((d >> 7) - b, Floats) / 4096.0f * k + 0.125f;
    // Written so that NaN (a zero depth range) counts as 0.
    t = t > zero ? (t < one ? t : one) : zero;
    const Floats w = one - t;
    Ints out = p & static_cast<int32_t>(0xFF000000u);
    // byte x w lies in 0..255: a plain conversion truncates it.
#pragma GCC unroll 3
    for (int s = 0; s < 24; s += 8) {
      out |= __builtin_convertvector(__builtin_convertvector((p >> s) & 0xFF, Floats) * w, Ints) << s;
    }
    out = clear ? p : out;
    std::memcpy(buf + i, &out, sizeof out);
  }
}

const auto depth_shade = simd_pick(depth_shade_plain, depth_shade_avx2);

}  // namespace

void depth_shade_plain(Pixel* buf, const int32_t* depth, float k, uint8_t radius) {
  shade<Ints4, Floats4>(buf, depth, k, radius);
}

SIMD_AVX2 void depth_shade_avx2(Pixel* buf, const int32_t* depth, float k, uint8_t radius) {
  shade<Ints8, Floats8>(buf, depth, k, radius);
}

void fx_depth_shade(Pixel* buffer, const int32_t* depth, int32_t depth_far, int32_t depth_near,
                    float radius, float strength) {
  const float k = (strength * 256.0f) / (static_cast<float>(depth_far - depth_near) / 4096.0f);
  depth_shade(fx_target(buffer), depth, k, static_cast<uint8_t>(trunc_to_i32(radius)));
}
