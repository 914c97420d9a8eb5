#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/random.h"
#include "image/effects.h"
#include "render3d/raster.h"

namespace {

std::vector<Pixel> gradient() {
  std::vector<Pixel> f(FRAME_PIXELS);
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x) f[y * FRAME_W + x] = pixel_rgba(x, y, (x * 7 + y * 3) & 255, y);
  return f;
}

}  // namespace

TEST(Blur, OneWhitePixelAndFlatFrames) {
  std::vector<Pixel> f(FRAME_PIXELS, pixel_rgba(0, 0, 0, 0));
  f[50 * FRAME_W + 100] = pixel_rgba(255, 255, 255, 0);
  fx_blur(f.data(), 0, 0, FRAME_W, FRAME_H, 1);
  for (int y = 48; y <= 52; ++y) {
    for (int x = 98; x <= 102; ++x) {
      const bool inside = std::abs(y - 50) <= 1 && std::abs(x - 100) <= 1;
      EXPECT_EQ(f[y * FRAME_W + x], inside ? pixel_rgba(28, 28, 28, 0) : 0u) << x << "," << y;
    }
  }
  std::vector<Pixel> flat(FRAME_PIXELS, pixel_rgba(90, 150, 30, 5));
  fx_blur(flat.data(), -5, -5, 300, 300, -6);  // 250 read as signed
  EXPECT_TRUE(std::all_of(flat.begin(), flat.end(), [](Pixel p) { return p == pixel_rgba(90, 150, 30, 5); }));
}

TEST(Blur, SharpenOvershootsAndClampsAtAnEdge) {
  std::vector<Pixel> f(FRAME_PIXELS);
  for (int i = 0; i < FRAME_PIXELS; ++i) f[i] = (i % FRAME_W) < 120 ? pixel_rgba(0, 0, 0) : pixel_rgba(255, 255, 255);
  fx_blur(f.data(), 0, 0, FRAME_W, FRAME_H, -6);
  EXPECT_EQ(pixel_r(f[60 * FRAME_W + 119]), 0u);
  EXPECT_EQ(pixel_r(f[60 * FRAME_W + 120]), 255u);
  EXPECT_EQ(pixel_a(f[60 * FRAME_W + 120]), 255u);
}

TEST(Blur, RegionsAndIntegerValues) {
  std::vector<Pixel> f = gradient();
  const std::vector<Pixel> before = f;
  fx_blur(f.data(), 10, 10, 20, 20, 3);
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x)
      if (x < 10 || x >= 20 || y < 10 || y >= 20) ASSERT_EQ(f[y * FRAME_W + x], before[y * FRAME_W + x]);
  // Row 12, column 10 of the region sees columns 10-13 only: mean of x.
  EXPECT_EQ(pixel_a(f[12 * FRAME_W + 10]), 12u);  // alpha untouched

  std::vector<int32_t> v(FRAME_PIXELS, 0);
  v[0] = -7;
  v[1] = 3000000000u & 0x7FFFFFFF;
  v[2] = 5;
  std::vector<int32_t> plain = v;
  fx_blur_int(v.data(), 0, 0, 3, 1, 1);
  EXPECT_EQ(v[0], static_cast<int32_t>((int64_t{-7} + plain[1]) / 2));
  EXPECT_EQ(v[2], static_cast<int32_t>((int64_t{plain[1]} + 5) / 2));
  v = {};
  v.assign(FRAME_PIXELS, 0);
  v[0] = -5;
  fx_blur_int(v.data(), 0, 0, 2, 1, 1);
  EXPECT_EQ(v[0], -2);  // -5 / 2 truncates toward zero
  EXPECT_EQ(v[1], -2);
}

TEST(Levels, StretchThresholds) {
  std::vector<Pixel> f(FRAME_PIXELS, 0);
  f[0] = pixel_rgba(44, 45, 218, 3);
  f[1] = pixel_rgba(219, 255, 0, 4);
  fx_levels(f.data(), 0, 0, FRAME_W, FRAME_H, 64, 239);
  EXPECT_EQ(f[0], pixel_rgba(0, 1, 254, 3));
  EXPECT_EQ(f[1], pixel_rgba(255, 255, 0, 4));
}

TEST(Noise, AmountOneIsIdentityAndNoiseIsGrey) {
  std::vector<Pixel> f = gradient();
  const std::vector<Pixel> before = f;
  fx_noise(f.data(), 0, 0, FRAME_W, FRAME_H, 1);
  EXPECT_EQ(f, before);
  std::vector<Pixel> g(FRAME_PIXELS, pixel_rgba(100, 100, 100, 9));
  rand_seed(7);
  fx_noise(g.data(), 0, 0, FRAME_W, FRAME_H, 40);
  int changed = 0;
  for (Pixel p : g) {
    ASSERT_EQ(pixel_r(p), pixel_g(p));
    ASSERT_EQ(pixel_r(p), pixel_b(p));
    ASSERT_EQ(pixel_a(p), 9u);
    changed += p != pixel_rgba(100, 100, 100, 9);
  }
  EXPECT_GT(changed, FRAME_PIXELS / 2);
  // One draw a pixel, in row order.
  rand_seed(7);
  const int32_t first = rand_next() % 40 - 20;
  EXPECT_EQ(static_cast<int32_t>(pixel_r(g[0])), 100 + first);
}

TEST(Lens, IdentityAndHalfSize) {
  std::vector<Pixel> f = gradient();
  const std::vector<Pixel> before = f;
  fx_lens(f.data(), 0, 0, 1);
  int same = 0;
  for (int y = 0; y < FRAME_H; ++y) {
    for (int x = 0; x < FRAME_W; ++x) {
      const Pixel p = f[y * FRAME_W + x];
      const bool ok = p == before[y * FRAME_W + x] || (x > 0 && p == before[y * FRAME_W + x - 1]) ||
                      (y > 0 && p == before[(y - 1) * FRAME_W + x]) ||
                      (x > 0 && y > 0 && p == before[(y - 1) * FRAME_W + x - 1]);
      ASSERT_TRUE(ok) << x << "," << y;
      same += p == before[y * FRAME_W + x];
    }
  }
  EXPECT_GT(same, FRAME_PIXELS / 5);
  EXPECT_EQ(f[1], before[0]);  // column 1 of row 0 takes column 0

  f = before;
  fx_lens(f.data(), 0, 0, 0.5f);
  EXPECT_EQ(f[75 * FRAME_W + 120], before[75 * FRAME_W + 120]);
  EXPECT_EQ(f[75 * FRAME_W + 160], before[75 * FRAME_W + 200]);  // 120 + 40 / 0.5
  EXPECT_EQ(f[0], before[0]);  // outside the frame: edge pixels repeat
}

TEST(Tear, NoEventsIsIdentityAndJumpsShiftRows) {
  std::vector<Pixel> f = gradient();
  const std::vector<Pixel> before = f;
  fx_tear(f.data(), 4.0f, 0.5f, 1 << 30, 1 << 30);
  EXPECT_EQ(f, before);
  // Jump every row, no settle: rows move by the sum of the jumps so far.
  rand_seed(3);
  fx_tear(f.data(), 1.0f, 0.5f, 1, 1 << 30);
  rand_seed(3);
  int32_t pos = 0;
  for (int y = 0; y < 3; ++y) {
    rand_next();  // settle test
    rand_next();  // jump test
    pos += rand_next() % 16 - 7;
    const int32_t src = std::clamp(pos, 0, FRAME_PIXELS - 1);
    EXPECT_EQ(f[y * FRAME_W], before[src]) << y;
    pos += FRAME_W;
  }
  fx_tear(f.data(), 1.0f, 1.0f, 0, 0);  // chances of 0 do not divide by zero
}

TEST(DepthShade, ClearBufferLeavesFrameAndFlatAreasKeepSevenEighths) {
  std::vector<Pixel> f = gradient();
  const std::vector<Pixel> before = f;
  std::vector<int32_t> depth(FRAME_PIXELS, DEPTH_CLEAR);
  fx_depth_shade(f.data(), depth.data(), 4 * 300 * 4096, 2 * 2 * 4096, 16.0f, 0.0625f);
  EXPECT_EQ(f, before);

  std::vector<Pixel> g(FRAME_PIXELS, pixel_rgba(200, 80, 8, 33));
  depth.assign(FRAME_PIXELS, 1060000000);
  fx_depth_shade(g.data(), depth.data(), 4 * 300 * 4096, 2 * 2 * 4096, 16.0f, 0.25f);
  EXPECT_EQ(g[70 * FRAME_W + 100], pixel_rgba(175, 70, 7, 33));
  // A pit deeper than its neighbourhood darkens more.
  depth[70 * FRAME_W + 100] = 1100000000;
  g.assign(FRAME_PIXELS, pixel_rgba(200, 80, 8, 33));
  fx_depth_shade(g.data(), depth.data(), 4 * 300 * 4096, 2 * 2 * 4096, 16.0f, 0.25f);
  EXPECT_LT(pixel_r(g[70 * FRAME_W + 100]), 175u);
}
