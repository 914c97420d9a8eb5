#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <tuple>
#include <vector>

#include "common/simd.h"
#include "image/blit.h"
#include "image/blit_lanes.h"
#include "support/skip_policy.h"

namespace {

struct Picture {
  std::vector<Pixel> pixels;
  Image image;
  Picture(int w, int h, Pixel fill) : pixels(w * h, fill) {
    image = {pixels.data(), static_cast<uint16_t>(h), static_cast<uint16_t>(w), 0};
  }
};

void fill_frame(Pixel p) { std::fill(frame_buffer, frame_buffer + FRAME_PIXELS, p); }

// Any colour; alpha 0, 255 or anything, a quarter, a quarter and half the time.
Pixel random_source(std::mt19937& next) {
  const uint32_t r = next();
  const uint32_t a = (r >> 8) % 4 == 0 ? 0 : (r >> 8) % 4 == 1 ? 255 : r >> 24;
  return (next() & 0x00FFFFFFu) | a << 24;
}

}  // namespace

TEST(Blit, Clipping) {
  fill_frame(0);
  Picture pic(10, 20, pixel_rgba(200, 200, 200, 255));
  for (int x = 0; x < 10; ++x) pic.pixels[x] = pixel_rgba(100, 0, 0, 255);  // row 0 marked
  img_blit(&pic.image, 235, -10);
  // Rows 0-9 of the picture are skipped; five columns land (opaque lands at 255/256).
  const Pixel grey = pixel_rgba(199, 199, 199, 0);
  EXPECT_EQ(std::tuple(frame_buffer[235], frame_buffer[9 * FRAME_W + 239], frame_buffer[10 * FRAME_W + 235], frame_buffer[234]),
            std::tuple(grey, grey, 0u, 0u));
  fill_frame(0);
  img_blit(&pic.image, 0, 147);
  EXPECT_EQ(frame_buffer[149 * FRAME_W + 9], grey);

  // Entirely outside, empty: nothing happens (and nothing is read).
  fill_frame(0);
  img_blit(&pic.image, -10, 0);
  img_blit(&pic.image, 241, 0);
  img_blit(&pic.image, 0, -20);
  img_blit(&pic.image, 0, 151);
  Image empty = {};
  img_blit(&empty, 0, 0);
  EXPECT_TRUE(std::all_of(frame_buffer, frame_buffer + FRAME_PIXELS, [](Pixel p) { return p == 0; }));
}

// Every source/destination byte pair and alpha, in the odd pixels at a
// clipped row's end too, against the per-channel formula.
TEST(Blit, EveryPixelMatchesTheChannelFormula) {
  constexpr int W = 21;
  Picture pic(W, FRAME_H, 0);
  std::mt19937 next(12345);
  for (int x0 : {0, 3, -2, 230}) {
    for (Pixel& p : pic.pixels) p = random_source(next);
    std::vector<Pixel> before(FRAME_PIXELS);
    for (Pixel& p : before) p = next();
    std::copy(before.begin(), before.end(), frame_buffer);
    img_blit(&pic.image, x0, 0);
    for (int y = 0; y < FRAME_H; ++y) {
      for (int x = -x0; x < FRAME_W - x0; ++x) {  // the whole row: nothing outside changes
        const Pixel s = x >= 0 && x < W ? pic.pixels[y * W + x] : 0, d = before[y * FRAME_W + x0 + x];
        const uint32_t a = s >> 24;
        Pixel want = d;
        if (a != 0) {
          want = d & 0xFF000000u;
          for (int k = 0; k < 24; k += 8) want |= ((((s >> k) & 0xFF) * a + ((d >> k) & 0xFF) * (255 - a)) >> 8) << k;
        }
        ASSERT_EQ(frame_buffer[y * FRAME_W + x0 + x], want) << x0 << " " << x << "," << y;
      }
    }
  }
}

// Runs of every length from several starts: each loop's blocks and odd
// pixels meet every alignment.
TEST(Blit, RowTwinsAgree) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 next(7);
  std::vector<Pixel> src(40), dst(40);
  for (Pixel& p : src) p = random_source(next);
  for (Pixel& p : dst) p = next();
  for (int begin = 0; begin < 9; ++begin) {
    for (int end = begin; end <= 40; ++end) {
      std::vector<Pixel> plain = dst, fast = dst;
      blend_row_plain(src.data(), plain.data(), begin, end);
      blend_row_avx2(src.data(), fast.data(), begin, end);
      ASSERT_EQ(plain, fast) << begin << ".." << end;
    }
  }
}
