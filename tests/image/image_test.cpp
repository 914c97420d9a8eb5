#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "image/image.h"
#include "image/tga_bytes.h"

namespace {

struct Loaded {
  Image image = {};
  std::string errors;
  ~Loaded() { img_free(&image); }
};

void load(const std::vector<uint8_t>& bytes, Loaded* out, const std::string& suffix = ".tga") {
  TempFile file(bytes, suffix);
  testing::internal::CaptureStderr();
  img_load(file.path(), &out->image);
  out->errors = testing::internal::GetCapturedStderr();
}

// The row shift for texture addressing rounds down for widths that are not a power of two.
TEST(ImageTga, WidthLogRoundsDown) {
  Loaded l;
  load(tga_header_bytes({.width = 3}) + std::vector<uint8_t>(9, 0), &l);
  ASSERT_NE(l.image.pixels, nullptr);
  EXPECT_EQ(std::tuple(l.image.width, l.image.width_log2), std::tuple(3, 1));
}

// What the format cannot describe is refused with one line naming the file;
// a file cut short is refused too.
TEST(ImageTga, KindsThatCannotBeShownAreRejected) {
  const TgaHeaderFields cases[] = {
      {.width = 2, .height = 2, .depth = 24, .descriptor = 8},                   // alpha bits at 24 bits
      {.width = 2, .height = 2, .depth = 32},                                    // none at 32
      {.width = 2, .height = 2, .depth = 16, .descriptor = 8},                   // more than the top bit
      {.width = 2, .height = 2, .depth = 8},                                     // 8-bit true colour
      {.image_type = 3, .width = 2, .height = 2, .depth = 16, .descriptor = 8},  // 16-bit grey
      {.image_type = 1, .width = 2, .height = 2, .depth = 8},                    // mapped without a map
      {.colormap_type = 1, .image_type = 1, .colormap_length = 2, .colormap_depth = 8, .width = 2, .height = 2,
       .depth = 8},  // 8-bit map entries
      {.width = 2, .height = 0},
  };
  for (const TgaHeaderFields& h : cases) {
    Loaded l;
    load(tga_header_bytes(h) + std::vector<uint8_t>(16, 7), &l);
    EXPECT_EQ(std::tuple(l.image.pixels, l.image.width), std::tuple(nullptr, 0)) << int(h.depth);
    EXPECT_NE(l.errors.find("_image_test_"), std::string::npos) << l.errors;  // named
    EXPECT_EQ(std::count(l.errors.begin(), l.errors.end(), '\n'), 1) << l.errors;
  }
  Loaded truncated;  // 4 x 2 at 24 bits needs 24 bytes
  load(tga_header_bytes({.width = 4, .height = 2}) + std::vector<uint8_t>(23, 0), &truncated);
  EXPECT_EQ(std::tuple(truncated.image.pixels, truncated.image.height), std::tuple(nullptr, 0));
}

// A 16-bit map's top bit is alpha when the descriptor gives one alpha bit;
// indices outside the map are shown black, with one line.
TEST(ImageTga, MappedPictures) {
  Loaded l;
  // Map entries 5 and 6; indices 4 and 7 are outside it.
  TgaHeaderFields h{.colormap_type = 1, .image_type = 1, .colormap_first = 5, .colormap_length = 2,
                    .colormap_depth = 16, .width = 4, .depth = 8, .descriptor = 1};
  load(tga_header_bytes(h) + std::vector<uint8_t>{0x00, 0x7C, 0xE0, 0x83, 4, 5, 6, 7}, &l);
  ASSERT_NE(l.image.pixels, nullptr);
  EXPECT_EQ(std::vector<Pixel>(l.image.pixels, l.image.pixels + 4),
            (std::vector<Pixel>{pixel_rgba(0, 0, 0), pixel_rgba(255, 0, 0, 0), pixel_rgba(0, 255, 0, 255), pixel_rgba(0, 0, 0)}));
  EXPECT_EQ(std::count(l.errors.begin(), l.errors.end(), '\n'), 1) << l.errors;
  EXPECT_NE(l.errors.find("2 pixels index outside the colour map"), std::string::npos) << l.errors;
}

// The name test is a plain substring match, case-exact.
TEST(ImageNames, TgaSubstringAndRawSizeFromTheName) {
  EXPECT_TRUE(img_is_tga_name("data/PIC.TGA"));
  EXPECT_TRUE(img_is_tga_name("pic.tga.bak"));
  EXPECT_FALSE(img_is_tga_name("pic.Tga"));
  EXPECT_FALSE(img_is_tga_name("data/pic_64x32.raw"));
  int32_t w = 0, h = 0;
  EXPECT_TRUE(img_parse_raw_size("a_b/c_ 12x7.bin", &w, &h));  // leading blank, last "_"
  EXPECT_EQ(std::tuple(w, h), std::tuple(12, 7));
  EXPECT_TRUE(img_parse_raw_size("v1.0/x_9999x1.raw", &w, &h));  // only the last "." counts
  EXPECT_EQ(std::tuple(w, h), std::tuple(9999, 1));
  w = h = -5;
  for (const char* bad : {"pic_64x32", "pic64x32.raw", "pic_64X32.raw", "pic_12345x2.raw", "pic_2x12345.raw",
                          "pic_6ax2.raw", "pic_x2.raw", "pic_2x.raw", "pic_0x2.raw", "pic_-1x2.raw", ".raw", "", "_x."})
    EXPECT_FALSE(img_parse_raw_size(bad, &w, &h)) << bad;
  EXPECT_EQ(std::tuple(w, h), std::tuple(-5, -5));
}

TEST(ImageRaw, PixelsShortFilesAndMissingFiles) {
  std::vector<uint8_t> bytes = {1, 2, 3, 4, 5, 6, 7, 8, 9};  // two pixels and a byte of a third
  Loaded l;
  load(bytes, &l, "_2x2.raw");
  ASSERT_NE(l.image.pixels, nullptr);
  EXPECT_EQ(std::tuple(l.image.width, l.image.height, l.image.width_log2), std::tuple(2, 2, 1));
  EXPECT_EQ(std::vector<Pixel>(l.image.pixels, l.image.pixels + 4),
            (std::vector<Pixel>{pixel_rgba(1, 2, 3, 4), pixel_rgba(5, 6, 7, 8), pixel_rgba(9, 0, 0, 0), 0}));

  Image missing = {};
  testing::internal::CaptureStdout();
  img_load("/nonexistent/pic_64x32.raw", &missing);
  EXPECT_EQ(testing::internal::GetCapturedStdout(), "EEEEEEEEEEEK!!!     file not found!!");
  EXPECT_EQ(std::tuple(missing.pixels, missing.width), std::tuple(nullptr, 0));
}

}  // namespace
