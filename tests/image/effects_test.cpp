#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cmath>
#include <tuple>
#include <utility>
#include <vector>

#include "common/numeric.h"
#include "common/random.h"
#include "image/effects.h"
#include "image/effects_lanes.h"
#include "support/skip_policy.h"

namespace {

std::vector<Pixel> noisy_frame(uint32_t seed) {
  rand_seed(seed);
  std::vector<Pixel> f(FRAME_PIXELS);
  for (Pixel& p : f) p = static_cast<Pixel>(rand_next()) << 17 ^ static_cast<Pixel>(rand_next()) << 3 ^ rand_next();
  return f;
}

// Noise within +-bound, with blocks of both extremes on the left.
std::vector<int32_t> bounded_values(int32_t bound) {
  rand_seed(11);
  std::vector<int32_t> v(FRAME_PIXELS);
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    const int32_t noise = ((rand_next() << 17) ^ (rand_next() << 2) ^ rand_next()) % bound;
    v[i] = i % FRAME_W < 100 ? (i < FRAME_PIXELS / 2 ? bound : -bound) : noise;
  }
  return v;
}

// The whole frame, odd edges, strips long enough for full windows across and
// down, rows shorter than a register, one pixel.
const FxRegion regions[] = {{0, 0, 240, 150}, {7, 2, 200, 149}, {4, 10, 139, 17},
                            {100, 3, 107, 144}, {20, 3, 23, 144}, {5, 5, 6, 6}};

// Runs each twin on its own copy of `input` (the buffer, then `args`).
template <typename T, typename... Params, typename... Args>
bool twins_agree(void (*plain)(T*, Params...), void (*avx2)(T*, Params...), const std::vector<T>& input, Args... args) {
  std::vector<T> a = input, b = input;
  plain(a.data(), args...);
  avx2(b.data(), args...);
  return a == b;
}

class Twins : public testing::Test {
  void SetUp() override {
    if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  }
};

}  // namespace

// Stretches that keep, wrap 16 bits, fall, or are infinite (0 * inf: NaN).
TEST_F(Twins, Levels) {
  const std::vector<Pixel> frame = noisy_frame(3);
  for (const FxRegion& reg : regions) {
    for (const auto& [scale, low] : {std::pair<float, int16_t>{1.0f, 0}, {256.0f / 175, 64}, {256.0f, 300},
                                     {-1.35f, 200}, {0.0039f, -32768}, {INFINITY, 5}, {-INFINITY, 0}})
      ASSERT_TRUE(twins_agree(levels_plain, levels_avx2, frame, reg, scale, low)) << reg.x0 << " " << scale << " " << low;
  }
}

// At c = 1 a u just below its exact value samples the left neighbour; c = 0
// divides by zero.
TEST_F(Twins, Lens) {
  const std::vector<Pixel> frame = noisy_frame(4);
  for (const auto& [a, b, c] : {std::array{0.8f, 0.5f, 1.1f}, {1.0f, 1.0f, 1.0f}, {1.0f, 1.0f, 0.7f}, {0.0f, 0.0f, 1.0f},
                                {1.0f, 1.0f, 0.05f}, {1.0f, 1.0f, 8.0f}, {-0.5f, 2.0f, 0.9f}, {1.0f, 1.0f, 0.0f}}) {
    std::vector<Pixel> plain(FRAME_PIXELS), fast(FRAME_PIXELS);
    lens_plain(frame.data(), plain.data(), a, b, c);
    lens_avx2(frame.data(), fast.data(), a, b, c);
    ASSERT_EQ(plain, fast) << a << " " << b << " " << c;
  }
}

// Every lane radius, then the wide ones.
TEST_F(Twins, BlurAndSharpen) {
  const std::vector<Pixel> frame = noisy_frame(5);
  for (const FxRegion& reg : regions) {
    for (int r = 0; r <= 128; r = r < 64 ? r + 1 : 2 * r) {
      for (bool sharpen : {false, true})
        ASSERT_TRUE(twins_agree(blur_plain, blur_avx2, frame, reg, r, sharpen)) << reg.x0 << " " << r << " " << sharpen;
    }
  }
}

// Window sums that just fit in int32 (the lanes) and just do not (the fallback).
TEST_F(Twins, BlurInt) {
  for (int r : {0, 1, 5, 16, 100, 255}) {
    const int32_t fit = INT32_MAX / (2 * r + 1);
    for (int32_t bound : {fit, fit < INT32_MAX ? fit + 1 : fit}) {
      const std::vector<int32_t> values = bounded_values(bound);
      for (const FxRegion& reg : regions)
        ASSERT_TRUE(twins_agree(blur_int_plain, blur_int_avx2, values, reg, r)) << reg.x0 << " " << r << " " << bound;
    }
  }
}

// Depths just below the clear value (most pixels shade partly), nothing
// drawn at the left and here and there. An infinite slope gives NaN where a
// depth equals its blur.
TEST_F(Twins, DepthShade) {
  const std::vector<Pixel> frame = noisy_frame(7);
  std::vector<int32_t> depth(FRAME_PIXELS);
  for (int i = 0; i < FRAME_PIXELS; ++i)
    depth[i] = i % FRAME_W < 20 || rand_next() % 8 == 0 ? DEPTH_CLEAR : 0x7F000000 + (rand_next() << 9) + rand_next();
  for (float k : {0.054f, 1.0f, 1000.0f, -3.0f, INFINITY}) {
    for (uint8_t radius : {0, 9, 255})
      ASSERT_TRUE(twins_agree(depth_shade_plain, depth_shade_avx2, frame, depth.data(), k, radius)) << k << " " << +radius;
  }
}

// The effects as this machine runs them, against their per-pixel definitions.

TEST(Blur, OneWhitePixelAndFlatFrames) {
  std::vector<Pixel> f(FRAME_PIXELS, pixel_rgba(0, 0, 0, 0));
  f[50 * FRAME_W + 100] = pixel_rgba(255, 255, 255, 0);
  fx_blur(f.data(), 0, 0, FRAME_W, FRAME_H, 1);
  const Pixel ninth = pixel_rgba(28, 28, 28, 0);
  EXPECT_EQ(std::tuple(f[50 * FRAME_W + 100], f[49 * FRAME_W + 101], f[52 * FRAME_W + 100], f[50 * FRAME_W + 98]),
            std::tuple(ninth, ninth, 0u, 0u));
  std::vector<Pixel> flat(FRAME_PIXELS, pixel_rgba(90, 150, 30, 5));
  fx_blur(flat.data(), -5, -5, 300, 300, -6);  // 250 read as signed
  EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](Pixel p) { return p == pixel_rgba(90, 150, 30, 5); }));
}

TEST(Levels, StretchThresholdsInTheRegion) {
  std::vector<Pixel> f(FRAME_PIXELS, pixel_rgba(219, 255, 0, 4));
  f[0] = pixel_rgba(44, 45, 218, 3);
  fx_levels(f.data(), -3, 0, 2, 1, 64, 239);
  EXPECT_EQ(std::tuple(f[0], f[1], f[2], f[FRAME_W]),
            std::tuple(pixel_rgba(0, 1, 254, 3), pixel_rgba(255, 255, 0, 4), f[FRAME_W], pixel_rgba(219, 255, 0, 4)));
}

TEST(Noise, AmountOneIsIdentityAndNoiseIsGrey) {
  std::vector<Pixel> f = noisy_frame(2);
  const std::vector<Pixel> before = f;
  fx_noise(f.data(), 0, 0, FRAME_W, FRAME_H, 1);
  EXPECT_EQ(f, before);
  std::vector<Pixel> g(FRAME_PIXELS, pixel_rgba(100, 100, 100, 9));
  rand_seed(7);
  fx_noise(g.data(), 0, 0, FRAME_W, FRAME_H, 40);
  // One draw a pixel, in row order, the same on all three bytes.
  rand_seed(7);
  for (int i = 0; i < 1000; ++i) {
    const Pixel v = static_cast<Pixel>(100 + rand_next() % 40 - 20);
    ASSERT_EQ(g[i], pixel_rgba(v, v, v, 9)) << i;
  }
}

TEST(Tear, NoEventsIsIdentityAndJumpsShiftRows) {
  std::vector<Pixel> f = noisy_frame(2);
  const std::vector<Pixel> before = f;
  fx_tear(f.data(), 4.0f, 0.5f, 1 << 30, 1 << 30);
  EXPECT_EQ(f, before);
  // Jump every row: rows move by the sum of the jumps so far, reading
  // clamped to the frame where they start or end just outside it. (A settle
  // draw of 0 would settle; the check stops there.)
  for (uint32_t seed = 1; seed <= 200; ++seed) {
    f = before;
    rand_seed(seed);
    fx_tear(f.data(), 1.0f, 0.5f, 1, 1 << 30);
    rand_seed(seed);
    int32_t pos = 0;
    for (int y = 0; y < FRAME_H && rand_next() != 0; ++y) {
      rand_next();  // the jump test
      pos += rand_next() % 16 - 7;
      for (int x = 0; x < FRAME_W; ++x)
        ASSERT_EQ(f[y * FRAME_W + x], before[std::clamp(pos + x, 0, FRAME_PIXELS - 1)]) << seed << " " << y;
      pos += FRAME_W;
    }
  }
  fx_tear(f.data(), 1.0f, 1.0f, 0, 0);  // chances of 0 do not divide by zero
}

// Flat areas keep seven eighths; so does a zero depth range (NaN counts as
// 0); pixels with nothing drawn keep their colour.
TEST(DepthShade, FlatAreasClearPixelsAndZeroRange) {
  const Pixel colour = pixel_rgba(200, 80, 8, 33);
  std::vector<int32_t> depth(FRAME_PIXELS, 1060000000);
  depth[5] = DEPTH_CLEAR;
  for (const auto& [far, near, want] : {std::tuple{4 * 300 * 4096, 2 * 2 * 4096, pixel_rgba(175, 70, 7, 33)},
                                        {1 << 20, 1 << 20, colour}}) {
    std::vector<Pixel> g(FRAME_PIXELS, colour);
    fx_depth_shade(g.data(), depth.data(), far, near, 16.0f, 0.25f);
    EXPECT_EQ(std::pair(g[70 * FRAME_W + 100], g[5]), std::pair(want, colour)) << far;
  }
}

namespace {

// Two box passes, across then down, each window cut at the region's edges and
// summed in 64 bits.
std::vector<int32_t> plain_blur_int(std::vector<int32_t> v, int x0, int y0, int x1, int y1, int r) {
  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<int32_t> in = v;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        int64_t sum = 0;
        int count = 0;
        for (int t = -r; t <= r; ++t) {
          const int xx = pass == 0 ? x + t : x, yy = pass == 0 ? y : y + t;
          if (xx < x0 || xx >= x1 || yy < y0 || yy >= y1) continue;
          sum += in[yy * FRAME_W + xx];
          ++count;
        }
        v[y * FRAME_W + x] = static_cast<int32_t>(sum / count);
      }
    }
  }
  return v;
}

}  // namespace

// Full-range values (sums past int32) and ones whose sums just fit, at the
// narrowest and widest lane radii and past them.
TEST(BlurInt, MatchesThePlainDefinition) {
  for (const auto& [r, bound] : {std::pair{5, INT32_MAX}, {1, INT32_MAX / 3}, {16, INT32_MAX / 33}, {200, INT32_MAX / 401}}) {
    const std::vector<int32_t> values = bounded_values(bound);
    std::vector<int32_t> fast = values;
    fx_blur_int(fast.data(), 3, 0, 239, 149, static_cast<uint8_t>(r));
    ASSERT_EQ(fast, plain_blur_int(values, 3, 0, 239, 149, r)) << "radius " << r;
  }
}
