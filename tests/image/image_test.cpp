#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <tuple>
#include <vector>

#include "image/image.h"
#include "image/tga_bytes.h"

namespace {

constexpr Pixel RED = pixel_rgba(255, 0, 0);
constexpr Pixel BLUE = pixel_rgba(0, 0, 255);

// 4 x 2, 24-bit: first file scanline blue (file bytes 255, 0, 0), second red.
std::vector<uint8_t> blue_then_red(uint8_t descriptor) {
  std::vector<uint8_t> bytes = tga_header_bytes({.width = 4, .height = 2, .descriptor = descriptor});
  for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), {255, 0, 0});
  for (int i = 0; i < 4; ++i) bytes.insert(bytes.end(), {0, 0, 255});
  return bytes;
}

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

TEST(ImageTga, OrientationBitsAndAlpha) {
  Loaded bottom_up, mirrored, alpha;
  load(blue_then_red(0), &bottom_up);
  ASSERT_NE(bottom_up.image.pixels, nullptr);
  EXPECT_EQ(std::tuple(bottom_up.image.width, bottom_up.image.height, bottom_up.image.width_log2), std::tuple(4, 2, 2));
  EXPECT_EQ(std::vector<Pixel>(bottom_up.image.pixels, bottom_up.image.pixels + 8),
            (std::vector<Pixel>{RED, RED, RED, RED, BLUE, BLUE, BLUE, BLUE}));  // flipped, and opaque
  load(tga_header_bytes({.width = 3, .descriptor = 0x10}) + std::vector<uint8_t>{1, 0, 0, 2, 0, 0, 3, 0, 0}, &mirrored);
  EXPECT_EQ(std::tuple(mirrored.image.pixels[0], mirrored.image.pixels[2], mirrored.image.width_log2),
            std::tuple(pixel_rgba(0, 0, 3), pixel_rgba(0, 0, 1), 1));  // log2 rounds down
  // 32-bit keeps its alpha.
  load(tga_header_bytes({.width = 2, .depth = 32, .descriptor = 0x28}) + std::vector<uint8_t>{10, 20, 30, 0, 40, 50, 60, 128},
       &alpha);
  EXPECT_EQ(std::tuple(alpha.image.pixels[0], alpha.image.pixels[1]),
            std::tuple(pixel_rgba(30, 20, 10, 0), pixel_rgba(60, 50, 40, 128)));
}

TEST(ImageTga, DepthThatDisagreesWithAlphaBitsIsRejected) {
  const uint8_t cases[][2] = {{24, 8}, {32, 0}, {16, 1}, {8, 0}};  // depth, descriptor
  for (const auto& c : cases) {
    Loaded l;
    load(tga_header_bytes({.width = 2, .height = 2, .depth = c[0], .descriptor = c[1]}) + std::vector<uint8_t>(16, 7), &l);
    EXPECT_EQ(std::tuple(l.image.pixels, l.image.width), std::tuple(nullptr, 0)) << int(c[0]);
    EXPECT_NE(l.errors.find("/tmp/kolv_image_test_"), std::string::npos) << l.errors;  // named
    EXPECT_EQ(std::count(l.errors.begin(), l.errors.end(), '\n'), 1) << l.errors;
  }
}

TEST(ImageTga, UnreadablePicturesLeaveTheImageEmpty) {
  Loaded missing;
  testing::internal::CaptureStderr();
  img_load("/nonexistent/x.tga", &missing.image);
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("Failed to open file"), std::string::npos);
  EXPECT_NE(err.find("Image:/nonexistent/x.tga:"), std::string::npos);  // the picture is named too
  EXPECT_EQ(missing.image.pixels, nullptr);

  auto bytes = blue_then_red(0);
  bytes.resize(bytes.size() - 1);
  Loaded truncated;
  load(bytes, &truncated);
  EXPECT_EQ(std::tuple(truncated.image.pixels, truncated.image.height), std::tuple(nullptr, 0));
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

  testing::internal::CaptureStderr();
  img_load("/nonexistent/picture.png", &missing);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_NE(err.find("/nonexistent/picture.png"), std::string::npos);
  EXPECT_EQ(missing.pixels, nullptr);
}

}  // namespace
