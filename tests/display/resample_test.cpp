#include "display/resample.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "common/simd.h"
#include "display/resample_lanes.h"
#include "support/skip_policy.h"

namespace {

std::vector<Pixel> frame(FRAME_PIXELS);
std::vector<Pixel> out(RESAMPLE_W_MAX * RESAMPLE_H_MAX);

struct Size {
  int w, h;
};
// Down (77 x 24, 160 x 50, 50 x 15 and 41 x 12 cells), up (160 x 100), odd
// and extreme sizes.
const Size SIZES[] = {{231, 72}, {480, 150}, {480, 300}, {720, 450}, {3, 3}, {239, 151}, {241, 149}, {150, 45}, {123, 36}};

}  // namespace

// Flat regions keep their colour exactly, wherever the weights fall; halves
// of different colours meet without bleeding beyond the pixels they share.
TEST(Resample, FlatRegionsComeOutExact) {
  for (const Size s : SIZES) {
    for (int y = 0; y < FRAME_H; ++y)
      for (int x = 0; x < FRAME_W; ++x) frame[y * FRAME_W + x] = x < 120 ? pixel_rgba(255, 7, 130) : pixel_rgba(1, 254, 0);
    resample_setup(s.w, s.h);
    resample_frame(frame.data(), out.data());
    int wrong = 0;
    for (int y = 0; y < s.h; ++y) {
      for (int x = 0; x < s.w; ++x) {
        // Target pixel x covers [x * 240 / w, (x + 1) * 240 / w) of the frame.
        const bool left = (x + 1) * FRAME_W <= 120 * s.w, right = x * FRAME_W >= 120 * s.w;
        const Pixel p = out[y * s.w + x];
        if (left && p != pixel_rgba(255, 7, 130)) ++wrong;
        if (right && p != pixel_rgba(1, 254, 0)) ++wrong;
      }
    }
    EXPECT_EQ(wrong, 0) << s.w << "x" << s.h;
  }
}

// A one-pixel line across the frame reaches every target row (or column) it
// crosses, with its share of the area: never lost between samples.
TEST(Resample, OnePixelLinesReachEveryRowAndColumnTheyCross) {
  for (const Size s : SIZES) {
    resample_setup(s.w, s.h);
    for (int line = 0; line < 2; ++line) {
      std::fill(frame.begin(), frame.end(), pixel_rgba(0, 0, 0));  // a vertical line, then a horizontal one
      for (int i = 0; i < (line ? FRAME_W : FRAME_H); ++i) frame[line ? 77 * FRAME_W + i : i * FRAME_W + 101] = pixel_rgba(255, 255, 255);
      resample_frame(frame.data(), out.data());
      uint32_t total = 0;
      const int lanes = line ? s.w : s.h;
      for (int a = 0; a < lanes; ++a) {
        uint32_t brightest = 0;
        for (int b = 0; b < (line ? s.h : s.w); ++b) {
          const Pixel p = line ? out[b * s.w + a] : out[a * s.w + b];
          brightest = std::max(brightest, pixel_r(p));
          total += pixel_r(p);
        }
        EXPECT_GT(brightest, 0u) << s.w << "x" << s.h << (line ? " column " : " row ") << a;
      }
      // The line's share of the picture's light survives (within rounding).
      const double expected = 255.0 * lanes * (line ? s.h / 150.0 : s.w / 240.0);
      EXPECT_NEAR(total, expected, lanes * 1.0) << s.w << "x" << s.h;
    }
  }
}

// Frame after frame with small changes (a moving dot, a changed span, a
// whole row) the kept rows and columns plus the recomputed ones are exactly
// what resampling each frame afresh gives.
TEST(Resample, ChangedPartsOnlyGiveTheSameAsAFreshResample) {
  std::vector<Pixel> fresh(RESAMPLE_W_MAX * RESAMPLE_H_MAX);
  for (const Size s : SIZES) {
    for (int i = 0; i < FRAME_PIXELS; ++i) frame[i] = pixel_rgba(i * 7, i * 13 + i / 240, i * 29);
    resample_setup(s.w, s.h);
    resample_frame(frame.data(), out.data());
    for (int step = 0; step < 6; ++step) {
      frame[(20 + step * 17) * FRAME_W + 5 + step * 41] = pixel_rgba(255, step * 40, 0);
      if (step == 2) std::fill(frame.begin() + 60 * FRAME_W + 100, frame.begin() + 60 * FRAME_W + 180, pixel_rgba(9, 9, 9));
      if (step == 4) std::fill(frame.begin() + 149 * FRAME_W, frame.end(), pixel_rgba(1, 2, 3));
      if (step == 5) frame[FRAME_W - 1] = frame[0] = pixel_rgba(200, 200, 200);
      resample_frame(frame.data(), out.data());
      std::vector<Pixel> kept(out.begin(), out.begin() + s.w * s.h);
      resample_setup(s.w, s.h);
      resample_frame(frame.data(), fresh.data());
      ASSERT_TRUE(std::equal(kept.begin(), kept.end(), fresh.begin())) << s.w << "x" << s.h << " step " << step;
      // Carry on from the fresh state into the buffer the next step keeps.
      std::copy(fresh.begin(), fresh.begin() + s.w * s.h, out.begin());
    }
  }
}

// The twins give the same bytes at every size, on noise and flat frames and
// frame after frame through the kept lines: a patch redrawn, a whole frame
// changed, a dot moving, nothing changed.
TEST(Resample, TwinsGiveTheSameBytesWholeAndByChanges) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 rng(7);
  std::vector<std::vector<Pixel>> frames(6, std::vector<Pixel>(FRAME_PIXELS));
  for (Pixel& p : frames[0]) p = rng() & 0xFFFFFF;
  frames[1] = frames[0];
  for (int y = 40; y < 90; ++y) std::fill_n(frames[1].begin() + y * FRAME_W + 30, 77, pixel_rgba(250, 3, 90));
  std::fill(frames[2].begin(), frames[2].end(), pixel_rgba(17, 200, 255));
  for (int f = 3; f < 6; ++f) frames[f] = frames[2];
  frames[3][50 * FRAME_W + 60] = frames[4][51 * FRAME_W + 63] = frames[5][51 * FRAME_W + 63] = pixel_rgba(0, 0, 0);
  std::vector<Pixel> outs[2] = {out, out};  // each twin keeps its own
  for (const Size s : SIZES) {
    std::vector<std::vector<Pixel>> seen[2];
    for (int t = 0; t < 2; ++t) {
      // Lines kept from another size and picture, so a target a twin leaves out shows.
      resample_setup(RESAMPLE_W_MAX, RESAMPLE_H_MAX);
      resample_frame_plain(frames[2].data(), outs[t].data());
      resample_setup(s.w, s.h);
      for (const std::vector<Pixel>& f : frames) {
        (t ? resample_frame_avx2 : resample_frame_plain)(f.data(), outs[t].data());
        seen[t].emplace_back(outs[t].begin(), outs[t].begin() + s.w * s.h);
      }
    }
    ASSERT_TRUE(seen[0] == seen[1]) << s.w << "x" << s.h;
  }
}
