// The eight-wide span loops against the plain ones: the same pixels, depths
// and answer for random spans of every length, with colour keys, alpha,
// depth ties, the near distance, wrapping steps, and buffers that end at
// the span or go on past it.
#include <gtest/gtest.h>

#include <random>
#include <tuple>

#include "common/simd.h"
#include "render3d/camera.h"
#include "render3d/span_fill_avx2.h"
#include "support/skip_policy.h"

namespace {

using SpanFill = bool (*)(const SpanParams*);
// Opaque, multiply and alpha: plain, then eight-wide.
const SpanFill FILLERS[3][2] = {{span_fill_opaque, span_fill_opaque_avx2},
                                {span_fill_multiply, span_fill_multiply_avx2},
                                {span_fill_alpha, span_fill_alpha_avx2}};

TEST(SpanFillAvx2, MatchesThePlainLoops) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 rng(41);
  const int32_t saved_near = camera.near;
  Pixel texels[16 * 8];
  constexpr int ROW = 64;
  for (int trial = 0; trial < 6000; ++trial) {
    for (Pixel& t : texels) t = rng() % 5 == 0 ? COLOR_KEY : static_cast<Pixel>(rng());
    const SpanFill* filler = FILLERS[trial % 3];
    camera.near = static_cast<int32_t>(rng() % 4) * 1000;
    // Steps up to a few texels, of either sign; starts anywhere, so u, v and z wrap.
    SpanParams span = {};
    span.count = 1 + static_cast<int32_t>(rng() % 40);
    span.u = static_cast<int32_t>(rng()), span.v = static_cast<int32_t>(rng());
    span.du = static_cast<int32_t>(rng() % 20000) - 10000, span.dv = static_cast<int32_t>(rng() % 20000) - 10000;
    span.z = static_cast<int32_t>(rng() % 6000), span.dz = static_cast<int32_t>(rng() % 200) - 100;
    if (trial % 50 == 0) span.z = INT32_MAX - 300, span.dz = 97;  // z wraps inside the span
    span.tex_width = 16, span.tex_height = 8, span.u_mask = 15, span.v_mask = 7, span.row_shift = 4;
    span.texels = texels;
    Pixel dest[2][ROW];
    int32_t depth[2][ROW];
    for (int i = 0; i < ROW; ++i) {  // depths near the span's, with ties
      dest[0][i] = dest[1][i] = static_cast<Pixel>(rng());
      depth[0][i] = depth[1][i] = static_cast<int32_t>(rng() % 6000);
    }
    const int start = static_cast<int>(rng() % (ROW - span.count + 1));
    // Either the row goes on past the span or the buffers end right after it.
    span.room = rng() % 2 ? ROW - start : span.count;
    bool reached[2];
    for (int k = 0; k < 2; ++k) {
      span.dest = dest[k] + start;
      span.depth = depth[k] + start;
      reached[k] = filler[k](&span);
    }
    ASSERT_EQ(reached[0], reached[1]) << trial;
    for (int i = 0; i < ROW; ++i)
      ASSERT_EQ(std::tuple(dest[0][i], depth[0][i]), std::tuple(dest[1][i], depth[1][i])) << trial << " pixel " << i;
  }
  camera.near = saved_near;
}

}  // namespace
