#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cstdlib>
#include <vector>

#include "common/simd.h"
#include "common/random.h"
#include "image/effects.h"
#include "image/effects_simd.h"
#include "render3d/fixed_math.h"
#include "render3d/raster.h"

namespace {

std::vector<Pixel> gradient() {
  std::vector<Pixel> f(FRAME_PIXELS);
  for (int y = 0; y < FRAME_H; ++y)
    for (int x = 0; x < FRAME_W; ++x) f[y * FRAME_W + x] = pixel_rgba(x, y, (x * 7 + y * 3) & 255, y);
  return f;
}

// The loops this machine can run, plain first, so the default is left set.
std::vector<bool> simd_modes() { return {false, cpu_has_avx2() != 0}; }

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

TEST(Levels, StretchThresholds) {
  std::vector<Pixel> f(FRAME_PIXELS, 0);
  f[0] = pixel_rgba(44, 45, 218, 3);
  f[1] = pixel_rgba(219, 255, 0, 4);
  fx_levels(f.data(), 0, 0, FRAME_W, FRAME_H, 64, 239);
  EXPECT_EQ(f[0], pixel_rgba(0, 1, 254, 3));
  EXPECT_EQ(f[1], pixel_rgba(255, 255, 0, 4));
}

// Every byte against the formula, in an odd region, with settings whose
// results wrap as int16, fall, or come from an infinite scale; both loops.
TEST(Levels, MatchesThePlainDefinition) {
  std::vector<Pixel> frame(FRAME_PIXELS);
  for (int i = 0; i < FRAME_PIXELS; ++i) frame[i] = pixel_rgba(i, i >> 8 ^ i, i * 7, i * 3);
  for (bool avx2 : simd_modes()) {
    fx_use_avx2 = avx2;
    for (const auto& [low, high] : {std::pair{64, 239}, {0, 1}, {300, 301}, {200, 10}, {-32768, 32767}, {5, 5}}) {
      std::vector<Pixel> fast = frame;
      fx_levels(fast.data(), 3, 1, 234, 149, static_cast<int16_t>(low), static_cast<int16_t>(high));
      const float scale = static_cast<float>(256.0 / (high - low));
      for (int i = 0; i < FRAME_PIXELS; ++i) {
        Pixel want = frame[i];
        if (i % FRAME_W >= 3 && i % FRAME_W < 234 && i >= FRAME_W && i < 149 * FRAME_W) {
          want &= 0xFF000000u;
          for (int k = 0; k < 24; k += 8) {
            const int16_t v = static_cast<int16_t>(trunc_to_i32(static_cast<float>((frame[i] >> k) & 0xFF) * scale - low));
            want |= static_cast<Pixel>(std::clamp<int16_t>(v, 0, 255)) << k;
          }
        }
        ASSERT_EQ(fast[i], want) << i << " levels " << low << "-" << high << " avx2 " << avx2;
      }
    }
  }
}

TEST(Noise, AmountOneIsIdentityAndNoiseIsGrey) {
  std::vector<Pixel> f = gradient();
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
  std::vector<Pixel> f = gradient();
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

TEST(DepthShade, FlatAreasKeepSevenEighths) {
  std::vector<Pixel> g(FRAME_PIXELS, pixel_rgba(200, 80, 8, 33));
  std::vector<int32_t> depth(FRAME_PIXELS, 1060000000);
  fx_depth_shade(g.data(), depth.data(), 4 * 300 * 4096, 2 * 2 * 4096, 16.0f, 0.25f);
  EXPECT_EQ(g[70 * FRAME_W + 100], pixel_rgba(175, 70, 7, 33));
}

// The fast paths (running sums, reciprocals, tables) against the plain
// per-pixel definitions on noisy frames and odd regions.
namespace {

// Two box passes, across then down, the window cut at the region's edges;
// `finish(mean, original)` gives each new value.
template <typename Sum, typename Finish>
std::vector<int32_t> plain_box(std::vector<int32_t> v, int x0, int y0, int x1, int y1, int r, Finish finish) {
  for (int pass = 0; pass < 2; ++pass) {
    const std::vector<int32_t> in = v;
    for (int y = y0; y < y1; ++y) {
      for (int x = x0; x < x1; ++x) {
        Sum sum = 0;
        int count = 0;
        for (int t = -r; t <= r; ++t) {
          const int xx = pass == 0 ? x + t : x, yy = pass == 0 ? y : y + t;
          if (xx < x0 || xx >= x1 || yy < y0 || yy >= y1) continue;
          sum = static_cast<Sum>(sum + in[yy * FRAME_W + xx]);
          ++count;
        }
        v[y * FRAME_W + x] = finish(static_cast<int32_t>(sum / count), in[y * FRAME_W + x]);
      }
    }
  }
  return v;
}

std::vector<int32_t> plain_blur_int(const std::vector<int32_t>& v, int x0, int y0, int x1, int y1, int r) {
  return plain_box<int64_t>(v, x0, y0, x1, y1, r, [](int32_t mean, int32_t) { return mean; });
}

// Per colour byte, with 16-bit sums; alpha is kept.
std::vector<Pixel> plain_blur(const std::vector<Pixel>& f, int x0, int y0, int x1, int y1, int amount) {
  std::vector<Pixel> out(f.size());
  for (size_t i = 0; i < f.size(); ++i) out[i] = f[i] & 0xFF000000u;
  for (int k = 0; k < 24; k += 8) {
    std::vector<int32_t> c(f.size());
    for (size_t i = 0; i < f.size(); ++i) c[i] = static_cast<int32_t>((f[i] >> k) & 0xFF);
    c = plain_box<int16_t>(c, x0, y0, x1, y1, std::abs(amount), [amount](int32_t mean, int32_t orig) {
      return std::clamp(amount > 0 ? mean : orig + (orig - mean) / 6, 0, 255);
    });
    for (size_t i = 0; i < f.size(); ++i) out[i] |= static_cast<Pixel>(c[i]) << k;
  }
  return out;
}

}  // namespace

// Radii past the 16-bit lanes and some lane radii over a large region, then
// every lane radius, blur and sharpen, on strips long enough for full windows
// across and down; the plain loops and the AVX2 ones.
TEST(Blur, FastPathsMatchThePlainDefinition) {
  rand_seed(11);
  std::vector<int32_t> values(FRAME_PIXELS);
  for (int32_t& v : values) v = (rand_next() << 17) ^ (rand_next() << 2) ^ rand_next();
  std::vector<Pixel> frame(FRAME_PIXELS);
  for (Pixel& p : frame) p = static_cast<Pixel>(rand_next()) << 17 ^ static_cast<Pixel>(rand_next()) << 3 ^ rand_next();
  for (bool avx2 : simd_modes()) {
    fx_use_avx2 = avx2;
    for (int r : {1, 5, 16, 200}) {
      std::vector<int32_t> fast = values;
      fx_blur_int(fast.data(), 3, 0, 239, 149, static_cast<uint8_t>(r));
      ASSERT_EQ(fast, plain_blur_int(values, 3, 0, 239, 149, r)) << "radius " << r;
    }
    // Window sums that just fit in int32 (blocks of both extremes; the integer
    // lanes) and just do not.
    for (int r : {1, 16, 100}) {
      for (int32_t bound : {INT32_MAX / (2 * r + 1), INT32_MAX / (2 * r + 1) + 1}) {
        std::vector<int32_t> fitting(FRAME_PIXELS);
        for (int i = 0; i < FRAME_PIXELS; ++i)
          fitting[i] = i % FRAME_W < 100 ? (i < FRAME_PIXELS / 2 ? bound : -bound) : values[i] % bound;
        for (const auto& [x0, y0, x1, y1] : {std::array{3, 0, 238, 149}, std::array{100, 3, 107, 144}}) {
          std::vector<int32_t> fast = fitting;
          fx_blur_int(fast.data(), x0, y0, x1, y1, static_cast<uint8_t>(r));
          ASSERT_EQ(fast, plain_blur_int(fitting, x0, y0, x1, y1, r)) << "radius " << r << " avx2 " << avx2;
        }
      }
    }
    for (int amount : {70, -128, -6, 20}) {
      std::vector<Pixel> fast = frame;
      fx_blur(fast.data(), 7, 2, 200, 149, static_cast<int8_t>(amount));
      ASSERT_EQ(fast, plain_blur(frame, 7, 2, 200, 149, amount)) << "amount " << amount << " avx2 " << avx2;
    }
    for (int amount = -63; amount <= 63; ++amount) {
      if (amount == 0) continue;
      std::vector<Pixel> across = frame, down = frame;
      fx_blur(across.data(), 4, 10, 139, 17, static_cast<int8_t>(amount));
      ASSERT_EQ(across, plain_blur(frame, 4, 10, 139, 17, amount)) << "amount " << amount << " avx2 " << avx2;
      fx_blur(down.data(), 100, 3, 107, 144, static_cast<int8_t>(amount));
      ASSERT_EQ(down, plain_blur(frame, 100, 3, 107, 144, amount)) << "amount " << amount << " avx2 " << avx2;
      std::vector<Pixel> narrow = frame;  // rows shorter than a register
      fx_blur(narrow.data(), 20, 3, 23, 144, static_cast<int8_t>(amount));
      ASSERT_EQ(narrow, plain_blur(frame, 20, 3, 23, 144, amount)) << "amount " << amount << " avx2 " << avx2;
    }
  }
}

TEST(Lens, TablesMatchThePlainDefinition) {
  const std::vector<Pixel> before = gradient();
  const float cases[2][3] = {{0.8f, 0.5f, 1.1f}, {1.0f, 1.0f, 0.7f}};
  for (bool avx2 : simd_modes()) {
    fx_use_avx2 = avx2;
    for (const auto& abc : cases) {
      std::vector<Pixel> fast = before;
      fx_lens(fast.data(), abc[0], abc[1], abc[2]);
      const double s = static_cast<double>(abc[2]) * 120;
      for (int y = 0; y < FRAME_H; ++y) {
        for (int x = 0; x < FRAME_W; ++x) {
          const float u = static_cast<float>((x - 120) / s), v = static_cast<float>((y - 75) / s);
          const float d = float_sqrt_coarse(static_cast<float>(static_cast<double>(u) * u + static_cast<double>(v) * v));
          const float m = d < 1.0f ? 1.0f / float_sqrt_coarse(1.0f - d * d) : 1.0f;
          const float su = static_cast<float>(u * (static_cast<double>(abc[0]) * m + 1.0 - abc[0]));
          const float sv = static_cast<float>(v * (static_cast<double>(abc[1]) * m + 1.0 - abc[1]));
          const int sx = std::clamp(static_cast<int>(su * 120.0 + 120.0), 0, FRAME_W - 1);
          const int sy = std::clamp(static_cast<int>(sv * 120.0 + 75.0), 0, FRAME_H - 1);
          ASSERT_EQ(fast[y * FRAME_W + x], before[sy * FRAME_W + sx]) << x << "," << y << " avx2 " << avx2;
        }
      }
    }
  }
}

// Shading of noisy depths (nothing drawn at the left and here and there, a
// zero depth range giving NaN) against the per-pixel formula over the plain
// blur. The depths
// lie just below the clear value, so most pixels shade partly, not fully.
TEST(DepthShade, MatchesThePlainDefinition) {
  rand_seed(5);
  std::vector<int32_t> depth(FRAME_PIXELS);
  std::vector<Pixel> frame(FRAME_PIXELS);
  for (int i = 0; i < FRAME_PIXELS; ++i) {
    depth[i] = i % FRAME_W < 20 || rand_next() % 8 == 0 ? DEPTH_CLEAR : 0x7F000000 + (rand_next() << 9) + rand_next();
    frame[i] = static_cast<Pixel>(rand_next()) << 17 ^ static_cast<Pixel>(rand_next()) << 3 ^ rand_next();
  }
  const int32_t ranges[3][2] = {{4 * 300 * 4096, 2 * 2 * 4096}, {1 << 20, 1 << 20}, {5000, 90000}};
  for (bool avx2 : simd_modes()) {
    fx_use_avx2 = avx2;
    for (const auto& range : ranges) {
      std::vector<Pixel> fast = frame;
      fx_depth_shade(fast.data(), depth.data(), range[0], range[1], 9.0f, 0.25f);
      std::vector<int32_t> shifted(FRAME_PIXELS);
      for (int i = 0; i < FRAME_PIXELS; ++i) shifted[i] = depth[i] >> 7;
      const std::vector<int32_t> blurred = plain_blur_int(shifted, 0, 0, FRAME_W - 1, FRAME_H - 1, 9);
      const float k = (0.25f * 256.0f) / (static_cast<float>(range[0] - range[1]) / 4096.0f);
      for (int i = 0; i < FRAME_PIXELS; ++i) {
        Pixel want = frame[i];
        if (depth[i] != DEPTH_CLEAR) {
          float t = static_cast<float>((depth[i] >> 7) - blurred[i]) / 4096.0f * k + 0.125f;
          t = t > 0.0f ? (t < 1.0f ? t : 1.0f) : 0.0f;
          want &= 0xFF000000u;
          for (int s = 0; s < 24; s += 8)
            want |= static_cast<Pixel>(static_cast<int32_t>(static_cast<float>((frame[i] >> s) & 0xFF) * (1.0f - t))) << s;
        }
        ASSERT_EQ(fast[i], want) << i << " avx2 " << avx2 << " range " << range[0] << "-" << range[1];
      }
    }
  }
}
