#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "tools/common/tga_write.h"
#include "image/image.h"

namespace {

// Writes, reads back through the show's loader, compares.
std::vector<Pixel> round_trip(int w, int h, const std::vector<Pixel>& pixels, bool alpha, bool rle) {
  const std::string path = "/tmp/kolv_tga_write_" + std::to_string(getpid()) + ".tga";
  EXPECT_TRUE(tga_write(path.c_str(), w, h, pixels.data(), alpha, rle));
  Image image = {};
  img_load(path.c_str(), &image);
  remove(path.c_str());
  std::vector<Pixel> out;
  if (image.pixels) out.assign(image.pixels, image.pixels + size_t(w) * h);
  EXPECT_EQ(image.width, w);
  EXPECT_EQ(image.height, h);
  img_free(&image);
  return out;
}

TEST(PicgenTgaWrite, RoundTripsThroughTheReaderInEveryForm) {
  // 300 wide: runs longer than 128, literals longer than 128, single pixels.
  const int w = 300, h = 3;
  std::vector<Pixel> pixels(size_t(w) * h);
  for (int x = 0; x < w; ++x) {
    pixels[x] = pixel_rgba(10, 20, 30, 40);                                                   // one long run
    pixels[w + x] = pixel_rgba(x & 255, x >> 8, 7, (x * 3) & 255);                              // all different
    pixels[2 * w + x] = x % 7 < 3 ? pixel_rgba(1, 2, 3, 0) : pixel_rgba(x & 255, 9, 9, 255);  // mixed
  }
  for (bool rle : {false, true}) {
    EXPECT_EQ(round_trip(w, h, pixels, true, rle), pixels) << rle;
    std::vector<Pixel> opaque = pixels;
    for (Pixel& p : opaque) p |= 0xFF000000u;
    // 24-bit ignores the alpha byte, also when deciding runs.
    EXPECT_EQ(round_trip(w, h, pixels, false, rle), opaque) << rle;
  }
}

TEST(PicgenTgaWrite, RunLengthPacketsStayWithinOneScanline) {
  std::vector<Pixel> pixels(4 * 2, pixel_rgba(5, 5, 5));
  std::vector<uint8_t> bytes = tga_encode(4, 2, pixels.data(), false, true);
  // Header, then per line one run packet of four pixels: 0x83 and three bytes.
  ASSERT_EQ(bytes.size(), 18u + 2 * 4);
  EXPECT_EQ(bytes[2], 10);
  EXPECT_EQ(bytes[17], 0x20);
  EXPECT_EQ(bytes[18], 0x83);
  EXPECT_EQ(bytes[22], 0x83);
}

}  // namespace
