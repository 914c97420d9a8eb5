// Our reader against ImageMagick: pictures it writes, decoded by it and by us,
// must agree pixel for pixel.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "image/image.h"

namespace {

bool have_convert() { return system("command -v convert > /dev/null 2>&1") == 0; }

bool run(const std::string& command) { return system((command + " 2> /dev/null").c_str()) == 0; }

// ImageMagick's own decoding as 8-bit R,G,B,A, orientation applied.
std::vector<uint8_t> reference_rgba(const std::string& path) {
  std::vector<uint8_t> bytes;
  FILE* p = popen(("convert '" + path + "' -auto-orient -depth 8 rgba:-").c_str(), "r");
  if (!p) return bytes;
  int c;
  while ((c = fgetc(p)) != EOF) bytes.push_back(static_cast<uint8_t>(c));
  pclose(p);
  return bytes;
}

TEST(TgaInterop, MatchesImageMagickPixelForPixel) {
  if (!have_convert()) GTEST_SKIP() << "ImageMagick's convert is not installed";
  const std::string dir = "/tmp/kolv_tga_interop_" + std::to_string(getpid());
  ASSERT_TRUE(run("mkdir -p " + dir));
  // A deterministic colour field, and a varying alpha for the 32-bit files.
  const std::string alpha = "-alpha set -channel A -fx '(i*19+j*7)%256/255' +channel";
  for (const char* size : {"13x7", "1x1"}) {
    for (bool with_alpha : {false, true}) {
      for (const char* compress : {"None", "RLE"}) {
        for (const char* orient : {"TopLeft", "BottomLeft", "TopRight", "BottomRight"}) {
          std::string path = dir + "/p_" + size + (with_alpha ? "_a_" : "_") + compress + "_" + orient + ".tga";
          ASSERT_TRUE(run(std::string("convert -size ") + size + " -seed 17 plasma:fractal" + (with_alpha ? " " + alpha : " -alpha off -type TrueColor") +
                          " -orient " + orient + " -compress " + compress + " '" + path + "'"))
              << path;
          std::vector<uint8_t> expected = reference_rgba(path);
          Image image = {};
          img_load(path.c_str(), &image);
          ASSERT_NE(image.pixels, nullptr) << path;
          ASSERT_EQ(expected.size(), size_t{image.width} * image.height * 4) << path;
          for (size_t i = 0; i < expected.size() / 4; ++i) {
            const Pixel want = pixel_rgba(expected[i * 4], expected[i * 4 + 1], expected[i * 4 + 2],
                                          with_alpha ? expected[i * 4 + 3] : 255);
            ASSERT_EQ(image.pixels[i], want) << path << " pixel " << i;
          }
          img_free(&image);
        }
      }
    }
  }
  run("rm -rf " + dir);
}

}  // namespace
