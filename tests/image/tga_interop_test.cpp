// Our reader and loader against ImageMagick: pictures of every kind, also
// those it cannot write, built here and decoded by it and by us, must agree
// pixel for pixel.
#include <gtest/gtest.h>

#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "image/image.h"
#include "image/tga_bytes.h"
#include "support/command_output.h"
#include "support/requirements.h"

namespace {

// Loads the picture and compares it with ImageMagick's own 8-bit R,G,B,A
// decoding (told to apply the orientation, as version 6 otherwise hands rows
// back in file order); `with_alpha` false compares opaque pixels, as it
// reports alpha 255 then anyway.
void expect_matches_reference(const std::string& path, bool with_alpha) {
  const std::string expected = command_output("convert '" + path + "' -auto-orient -depth 8 rgba:- 2> /dev/null");
  Image image = {};
  testing::internal::CaptureStderr();
  img_load(path.c_str(), &image);
  const std::string errors = testing::internal::GetCapturedStderr();
  ASSERT_NE(image.pixels, nullptr) << path << ": " << errors;
  ASSERT_EQ(expected.size(), size_t{image.width} * image.height * 4) << path;
  for (size_t i = 0; i < expected.size() / 4; ++i) {
    const auto byte = [&](size_t k) { return static_cast<uint8_t>(expected[i * 4 + k]); };
    ASSERT_EQ(image.pixels[i], pixel_rgba(byte(0), byte(1), byte(2), with_alpha ? byte(3) : 255)) << path << " pixel " << i;
  }
  img_free(&image);
}

// A picture's kind: image type (uncompressed), pixel depth, alpha bits, map entry depth (0: none).
struct Kind {
  const char* name;
  uint8_t image_type, depth, alpha_bits, map_depth;
  bool alpha;
};

const Kind KINDS[] = {{"grey8", 3, 8, 0, 0, false},   {"map15", 1, 8, 0, 15, false},  {"map16", 1, 8, 0, 16, false},
                      {"map24", 1, 8, 0, 24, false},  {"map32", 1, 8, 0, 32, true},   {"rgb15", 2, 15, 0, 0, false},
                      {"rgb16", 2, 16, 0, 0, false},  {"rgb16a", 2, 16, 1, 0, true},  {"rgb24", 2, 24, 0, 0, false},
                      {"rgb32", 2, 32, 8, 0, true}};

// A 37 x 11 picture: maps of 40 entries starting at index 3 with indices now
// and then just outside them, pixels that often repeat the one before, and
// run-length packets that carry on across scanlines. `orientation` is
// descriptor bits 4 (right to left) and 5 (top to bottom).
std::vector<uint8_t> hand_built(const Kind& kind, bool rle, int orientation, std::mt19937& rng) {
  TgaHeaderFields h{.image_type = uint8_t(kind.image_type + (rle ? 8 : 0)), .width = 37, .height = 11,
                    .depth = kind.depth, .descriptor = uint8_t(orientation << 4 | kind.alpha_bits)};
  std::vector<uint8_t> map;
  if (kind.map_depth) {
    std::tie(h.colormap_type, h.colormap_first, h.colormap_length, h.colormap_depth) = std::tuple(1, 3, 40, kind.map_depth);
    for (int i = 0; i < 40 * ((kind.map_depth + 7) / 8); ++i) map.push_back(uint8_t(rng()));
  }
  std::vector<std::vector<uint8_t>> pixels;
  for (int i = 0; i < 37 * 11; ++i) {
    if (!pixels.empty() && rng() % 2) {
      pixels.push_back(pixels.back());
      continue;
    }
    std::vector<uint8_t> p((kind.depth + 7) / 8);
    for (uint8_t& b : p) b = uint8_t(rng());
    if (kind.map_depth) p[0] = uint8_t(rng() % 16 == 0 ? (rng() % 2 ? 1 : 45) : 3 + rng() % 40);
    pixels.push_back(p);
  }
  // One packet stream for the whole picture: runs of repeats, single pixels between.
  std::vector<uint8_t> data;
  for (size_t i = 0, run = 1; i < pixels.size(); i += run, run = 1) {
    while (rle && i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
    if (rle) data.push_back(uint8_t(run > 1 ? 0x80 | (run - 1) : 0));
    data.insert(data.end(), pixels[i].begin(), pixels[i].end());
  }
  return tga_header_bytes(h) + map + data;
}

TEST(TgaInterop, HandBuiltPicturesOfEveryKindAndOrientation) {
  KOLV_REQUIRE_TOOL("convert");
  for (const Kind& kind : KINDS) {
    std::mt19937 rng(100 + (&kind - KINDS));
    for (bool rle : {false, true}) {
      for (int orientation = 0; orientation < 4; ++orientation) {
        TempFile file(hand_built(kind, rle, orientation, rng));
        expect_matches_reference(file.path(), kind.alpha);
      }
    }
  }
}

}  // namespace
