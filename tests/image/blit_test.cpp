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

// Alpha 0 keeps the frame pixel; otherwise (src * a + dst * (255 - a)) >> 8
// per colour byte, the frame's alpha byte kept.
TEST(Blit, BlendsByAlpha) {
  const Pixel source[3] = {pixel_rgba(1, 2, 3, 0), pixel_rgba(255, 0, 128, 128), pixel_rgba(0, 255, 60, 1)};
  const Pixel want[3] = {pixel_rgba(10, 200, 255, 77), pixel_rgba(132, 99, 190, 77), pixel_rgba(9, 199, 253, 77)};
  fill_frame(pixel_rgba(10, 200, 255, 77));
  Picture pic(9, 1, 0);  // a run long enough for the lanes
  for (int x = 0; x < 9; ++x) pic.pixels[x] = source[x % 3];
  img_blit(&pic.image, 0, 0);
  for (int x = 0; x < 9; ++x) EXPECT_EQ(frame_buffer[x], want[x % 3]) << x;
}

// Runs of every length from several starts: each twin's blocks and odd
// pixels meet every alignment, so each lane loop is checked against the
// pixel-at-a-time one.
TEST(Blit, RowTwinsAgree) {
  if (!cpu_has_avx2()) GTEST_SKIP() << SKIP_NO_AVX2;
  std::mt19937 next(7);
  std::vector<Pixel> src(64), dst(64);
  for (int x = 0; x < 64; ++x) {
    const uint32_t r = next(), alpha = r % 4 == 0 ? 0 : r % 4 == 1 ? 255 : r >> 24;  // 0 and 255 often
    std::tie(src[x], dst[x]) = std::pair((next() & 0x00FFFFFFu) | alpha << 24, next());
  }
  for (int begin = 0; begin < 9; ++begin) {
    for (int end = begin; end <= 64; ++end) {
      std::vector<Pixel> plain = dst, fast = dst;
      blend_row_plain(src.data(), plain.data(), begin, end);
      blend_row_avx2(src.data(), fast.data(), begin, end);
      ASSERT_EQ(plain, fast) << begin << ".." << end;
    }
  }
}
