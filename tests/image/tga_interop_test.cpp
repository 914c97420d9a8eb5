// Our reader and loader against ImageMagick: pictures it writes, and pictures
// of the kinds it cannot write built here, decoded by it and by us, must agree
// pixel for pixel.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <vector>

#include "image/image.h"
#include "image/tga_bytes.h"
#include "support/command_output.h"
#include "support/requirements.h"

namespace {

bool run(const std::string& command) { return system((command + " 2> /dev/null").c_str()) == 0; }

// ImageMagick's own decoding as 8-bit R,G,B,A. ImageMagick 6 hands rows back
// in file order unless told to apply the orientation.
std::vector<uint8_t> reference_rgba(const std::string& path) {
  const std::string out = command_output("convert '" + path + "' -auto-orient -depth 8 rgba:- 2> /dev/null");
  return {out.begin(), out.end()};
}

// Loads the picture and compares it with the reference; `with_alpha` false
// compares opaque pixels (ImageMagick reports alpha 255 then anyway).
void expect_matches_reference(const std::string& path, bool with_alpha) {
  const std::vector<uint8_t> expected = reference_rgba(path);
  Image image = {};
  testing::internal::CaptureStderr();
  img_load(path.c_str(), &image);
  const std::string errors = testing::internal::GetCapturedStderr();
  ASSERT_NE(image.pixels, nullptr) << path << ": " << errors;
  ASSERT_EQ(expected.size(), size_t{image.width} * image.height * 4) << path;
  for (size_t i = 0; i < expected.size() / 4; ++i) {
    const Pixel want = pixel_rgba(expected[i * 4], expected[i * 4 + 1], expected[i * 4 + 2],
                                  with_alpha ? expected[i * 4 + 3] : 255);
    ASSERT_EQ(image.pixels[i], want) << path << " pixel " << i;
  }
  img_free(&image);
}

class TgaInterop : public ::testing::Test {
 protected:
  void SetUp() override { KOLV_REQUIRE_TOOL("convert"); }
  void TearDown() override { run("rm -rf " + dir_); }
  const std::string dir_ = "/tmp/kolv_tga_interop_" + std::to_string(getpid());
};

constexpr const char* ORIENTATIONS[] = {"TopLeft", "BottomLeft", "TopRight", "BottomRight"};

TEST_F(TgaInterop, PicturesImageMagickWritesInEveryKindAndOrientation) {
  ASSERT_TRUE(run("mkdir -p " + dir_));
  struct Kind {
    const char* name;
    const char* options;  // after the colour field
    bool alpha;
  };
  const std::string alpha = "-alpha set -channel A -fx '(i*19+j*7)%256/255' +channel";
  const Kind kinds[] = {
      {"rgb24", "-alpha off -type TrueColor", false},
      {"rgba32", alpha.c_str(), true},
      {"grey8", "-alpha off -type Grayscale", false},
      {"mapped", "-alpha off -type Palette -colors 40", false},
      {"rgb16", "-alpha off -type TrueColor -depth 5", false},
      {"rgb16a", "-alpha set -channel A -fx 'i%2' +channel -depth 5", true},
  };
  for (const char* size : {"13x7", "1x1"}) {
    for (const Kind& kind : kinds) {
      for (const char* compress : {"None", "RLE"}) {
        for (const char* orient : ORIENTATIONS) {
          const std::string path = dir_ + "/" + kind.name + "_" + size + "_" + compress + "_" + orient + ".tga";
          ASSERT_TRUE(run(std::string("convert -size ") + size + " -seed 17 plasma:fractal " + kind.options +
                          " -orient " + orient + " -compress " + compress + " '" + path + "'"))
              << path;
          expect_matches_reference(path, kind.alpha);
        }
      }
    }
  }
}

// Kinds ImageMagick does not write: 15-bit pixels, maps of 15, 16 and 32-bit
// entries starting past index 0 and indices outside them, and run-length
// packets that carry on across scanlines.
class HandBuiltTga {
 public:
  enum Kind { GREY8, MAP15, MAP16, MAP24, MAP32, RGB15, RGB16, RGB16A, RGB24, RGB32 };

  HandBuiltTga(Kind kind, uint32_t seed) : kind_(kind), rng_(seed) {}

  // `orientation` is descriptor bits 4 (right to left) and 5 (top to bottom).
  std::vector<uint8_t> file(bool rle, int orientation, uint16_t width, uint16_t height) {
    const bool mapped = kind_ >= MAP15 && kind_ <= MAP32;
    TgaHeaderFields h{.image_type = uint8_t((mapped ? 1 : kind_ == GREY8 ? 3 : 2) + (rle ? 8 : 0)),
                      .width = width,
                      .height = height,
                      .descriptor = uint8_t(orientation << 4)};
    std::vector<uint8_t> map;
    if (mapped) {
      h.colormap_type = 1;
      h.colormap_first = 3;
      h.colormap_length = 40;
      h.colormap_depth = uint8_t(kind_ == MAP15 ? 15 : kind_ == MAP16 ? 16 : kind_ == MAP24 ? 24 : 32);
      for (int i = 0; i < h.colormap_length * ((h.colormap_depth + 7) / 8); ++i) map.push_back(byte());
      h.depth = 8;
    } else {
      h.depth = uint8_t(kind_ == GREY8 ? 8 : kind_ == RGB15 ? 15 : kind_ <= RGB16A ? 16 : kind_ == RGB24 ? 24 : 32);
      h.descriptor |= kind_ == RGB16A ? 1 : kind_ == RGB32 ? 8 : 0;
    }
    const size_t bpp = (h.depth + 7) / 8;
    // Pixels that often repeat the one before, so runs occur.
    std::vector<std::vector<uint8_t>> pixels;
    for (size_t i = 0; i < size_t{width} * height; ++i) {
      if (!pixels.empty() && rng_() % 2) {
        pixels.push_back(pixels.back());
        continue;
      }
      std::vector<uint8_t> p(bpp);
      for (uint8_t& b : p) b = byte();
      // Mostly inside the map (3..42); now and then just outside it.
      if (mapped) p[0] = uint8_t(rng_() % 16 == 0 ? (rng_() % 2 ? 1 : 45) : 3 + rng_() % 40);
      pixels.push_back(p);
    }
    return tga_header_bytes(h) + map + (rle ? run_length(pixels) : flat(pixels));
  }

 private:
  uint8_t byte() { return static_cast<uint8_t>(rng_()); }

  static std::vector<uint8_t> flat(const std::vector<std::vector<uint8_t>>& pixels) {
    std::vector<uint8_t> out;
    for (const auto& p : pixels) out.insert(out.end(), p.begin(), p.end());
    return out;
  }

  // One stream for the whole picture: packets ignore the scanlines.
  static std::vector<uint8_t> run_length(const std::vector<std::vector<uint8_t>>& pixels) {
    std::vector<uint8_t> out;
    for (size_t i = 0; i < pixels.size();) {
      size_t run = 1;
      while (i + run < pixels.size() && run < 128 && pixels[i + run] == pixels[i]) ++run;
      if (run > 1) {
        out.push_back(uint8_t(0x80 | (run - 1)));
        out.insert(out.end(), pixels[i].begin(), pixels[i].end());
        i += run;
        continue;
      }
      size_t literal = 1;
      while (i + literal < pixels.size() && literal < 128 &&
             (i + literal + 1 >= pixels.size() || pixels[i + literal] != pixels[i + literal + 1]))
        ++literal;
      out.push_back(uint8_t(literal - 1));
      for (size_t k = i; k < i + literal; ++k) out.insert(out.end(), pixels[k].begin(), pixels[k].end());
      i += literal;
    }
    return out;
  }

  Kind kind_;
  std::mt19937 rng_;
};

TEST_F(TgaInterop, HandBuiltPicturesOfEveryKindAndOrientation) {
  ASSERT_TRUE(run("mkdir -p " + dir_));
  const char* names[] = {"grey8", "map15", "map16", "map24", "map32", "rgb15", "rgb16", "rgb16a", "rgb24", "rgb32"};
  for (int kind = HandBuiltTga::GREY8; kind <= HandBuiltTga::RGB32; ++kind) {
    for (bool rle : {false, true}) {
      for (int orientation = 0; orientation < 4; ++orientation) {
        HandBuiltTga picture(static_cast<HandBuiltTga::Kind>(kind), 100 + kind);
        const std::string path = dir_ + "/" + names[kind] + (rle ? "_rle_" : "_") + std::to_string(orientation) + ".tga";
        const std::vector<uint8_t> bytes = picture.file(rle, orientation, 37, 11);
        FILE* f = fopen(path.c_str(), "wb");
        ASSERT_NE(f, nullptr) << path;
        fwrite(bytes.data(), 1, bytes.size(), f);
        fclose(f);
        const bool alpha = kind == HandBuiltTga::MAP32 || kind == HandBuiltTga::RGB16A || kind == HandBuiltTga::RGB32;
        expect_matches_reference(path, alpha);
      }
    }
  }
}

}  // namespace
