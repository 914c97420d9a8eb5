#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <tuple>
#include <vector>

#include "image/tgaread.h"
#include "image/tga_bytes.h"
#include "support/files.h"
#include "support/requirements.h"

namespace {

struct ReadResult {
  TgaReader header = {};
  TgaPicture picture = {};
  std::string errors;
  std::vector<uint8_t> pixels;
  ~ReadResult() {
    free(picture.id);
    free(picture.colormap);
    free(picture.pixels);
  }
};

// Opens, reads with the given flags, copies out `pixel_bytes` bytes and closes.
void read_tga(const std::vector<uint8_t>& bytes, uint32_t flags, size_t pixel_bytes, ReadResult* out) {
  TempFile file(bytes);
  testing::internal::CaptureStderr();
  TgaReader* reader = tga_reader_open(file.path(), "rb");
  ASSERT_NE(reader, nullptr);
  out->picture.flags = flags;
  tga_load_picture(reader, &out->picture);
  out->header = *reader;
  out->header.stream = nullptr;
  tga_reader_close(reader);
  out->errors = testing::internal::GetCapturedStderr();
  if (out->picture.pixels && (out->picture.flags & TGA_READ_PIXELS)) {
    out->pixels.assign(out->picture.pixels, out->picture.pixels + pixel_bytes);
  }
}

constexpr uint32_t LOAD = TGA_READ_PIXELS | TGA_SWAP_RB;

TEST(TgaOpen, MissingFileReportsWithSourceAndLineAndOddCodesReadAsError) {
  for (int32_t code : {8, 255, -1}) EXPECT_STREQ(tga_status_text(code), "Error");
  testing::internal::CaptureStderr();
  EXPECT_EQ(tga_reader_open("/nonexistent/dir/none.tga", "rb"), nullptr);
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.starts_with("Tga:src/image/tga.cpp:") &&
              err.ends_with(": Failed to open file\n")) << err;
  tga_reader_close(nullptr);  // ignored
}

TEST(TgaHeader, ValidationOrderAndShortFile) {
  ReadResult a, b, d;
  read_tga(tga_header_bytes({.colormap_type = 1}), LOAD, 0, &a);
  EXPECT_EQ(std::tuple(a.header.last_status, a.picture.flags & TGA_READ_PIXELS, a.picture.pixels),
            std::tuple(TGA_UNKNOWN_SUB_FORMAT, 0u, nullptr));
  // The report is written twice: by the header and again by the picture read.
  EXPECT_NE(a.errors.find("Unknown sub-format"), a.errors.rfind("Unknown sub-format"));
  read_tga(tga_header_bytes({.depth = 12}) + std::vector<uint8_t>(16, 0), LOAD, 0, &b);
  EXPECT_EQ(b.header.last_status, TGA_UNKNOWN_SUB_FORMAT);
  read_tga(std::vector<uint8_t>(17, 0), LOAD, 0, &d);
  EXPECT_EQ(std::tuple(d.header.last_status, d.picture.pixels), std::tuple(TGA_READ_FAILED, nullptr));
  EXPECT_NE(d.errors.find("Read failed"), std::string::npos);
}

// Short pixel data, and a huge header over a tiny file (nothing allocated).
TEST(TgaUncompressed, ShortPixelDataFailsAndClearsThePixelFlag) {
  const TgaHeaderFields cases[] = {{.width = 2, .height = 2},
                                   {.width = 65535, .height = 65535, .depth = 32, .descriptor = 8},
                                   {.image_type = 10, .width = 65535, .height = 65535, .depth = 32, .descriptor = 8}};
  for (const TgaHeaderFields& h : cases) {
    ReadResult r;
    read_tga(tga_header_bytes(h) + std::vector<uint8_t>(h.width == 2 ? 9 : 64, 0xFF), LOAD, 0, &r);
    EXPECT_EQ(std::tuple(r.picture.pixels, r.picture.flags & TGA_READ_PIXELS, r.header.last_status),
              std::tuple(nullptr, 0u, TGA_READ_FAILED)) << h.width;
  }
}

// The picture loader never asks for the id field: it must be skipped.
TEST(TgaIdField, SkippedWhenNotRequested) {
  ReadResult r;
  read_tga(tga_header_bytes({.id_length = 3}) + std::vector<uint8_t>{'a', 'b', 'c', 1, 2, 3}, LOAD, 3, &r);
  EXPECT_EQ(std::tuple(r.pixels, r.picture.id), std::tuple(std::vector<uint8_t>{3, 2, 1}, nullptr));
}

TEST(TgaRle, RunsAndLiteralsOfFullLength) {
  const TgaHeaderFields h{.image_type = 10, .width = 256};
  std::vector<uint8_t> data = {0xFF, 1, 2, 3, 0x7F};
  for (int i = 0; i < 128; ++i) data.insert(data.end(), {uint8_t(i), 0, 9});
  ReadResult r;
  read_tga(tga_header_bytes(h) + data, LOAD, 256 * 3, &r);
  ASSERT_EQ(r.pixels.size(), 256u * 3);
  for (int i = 0; i < 128; ++i) EXPECT_TRUE(r.pixels[i * 3] == 3 && r.pixels[(128 + i) * 3 + 2] == i) << i;
  EXPECT_EQ(std::tuple(r.header.image_type, r.header.last_status), std::tuple(2, TGA_OK));  // type lowered by 8
}

// Packets run on from one scanline into the next; only the picture's end
// cuts them. Without the swap the bytes stand as in the file.
TEST(TgaRle, PacketsCarryOnAcrossScanlinesUntilThePictureEnds) {
  const TgaHeaderFields h{.image_type = 10, .width = 2, .height = 3};
  // A run of 3 over lines 0 and 1, a literal of 2 over lines 1 and 2, then a
  // run of 5 of which the picture holds one pixel; the rest, and the bytes
  // after it, are never read as pixels.
  auto bytes = std::vector<uint8_t>{0x82, 1, 1, 1, 0x01, 2, 2, 2, 3, 3, 3, 0x84, 4, 4, 4, 9, 9};
  ReadResult r;
  read_tga(tga_header_bytes(h) + bytes, TGA_READ_PIXELS, 18, &r);
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{1, 1, 1, 1, 1, 1, 1, 1, 1, 2, 2, 2, 3, 3, 3, 4, 4, 4}));
  EXPECT_EQ(std::tuple(r.header.last_status, r.errors), std::tuple(TGA_OK, ""));

  // Packets that end at line ends read exactly as they always did.
  ReadResult lines;
  read_tga(tga_header_bytes(h) + std::vector<uint8_t>{0x81, 5, 6, 7, 0x01, 1, 2, 3, 4, 5, 6, 0x81, 8, 8, 8}, LOAD, 18,
           &lines);
  EXPECT_EQ(lines.pixels, (std::vector<uint8_t>{7, 6, 5, 7, 6, 5, 3, 2, 1, 6, 5, 4, 8, 8, 8, 8, 8, 8}));
}

// Packets decoded the old way, every scanline starting afresh: a packet is
// cut at the line's end and what it had left is read as the next header.
std::vector<uint8_t> decode_cutting_at_line_ends(const std::vector<uint8_t>& file) {
  const size_t w = file[12] | file[13] << 8, h = file[14] | file[15] << 8, bpp = file[16] / 8;
  size_t at = TGA_HEADER_SIZE + file[0];
  std::vector<uint8_t> out;
  for (size_t y = 0; y < h; ++y) {
    for (size_t x = 0; x < w && at < file.size();) {
      const uint8_t header = file[at++];
      const size_t count = (header & 0x7F) + 1u;
      for (size_t k = 0; k < count && x < w && at + bpp <= file.size(); ++k, ++x) {
        out.insert(out.end(), file.begin() + long(at), file.begin() + long(at + bpp));
        if (header < 128 || k + 1 == count || x + 1 == w) at += bpp;
      }
    }
  }
  return out;
}

// The show's own pictures keep their packets within scanlines, so carrying
// packets across lines must not change a byte of them.
TEST(TgaRle, TheShowsPicturesDecodeAsWhenPacketsWereCutAtLineEnds) {
  KOLV_REQUIRE_DATA();
  int pictures = 0;
  for (const auto& entry : std::filesystem::directory_iterator("data")) {
    if (entry.path().extension() != ".tga") continue;
    const std::string bytes = read_file(entry.path().string());
    const std::vector<uint8_t> file(bytes.begin(), bytes.end());
    if (file.size() < TGA_HEADER_SIZE || file[2] != 10) continue;
    ReadResult r;
    const std::vector<uint8_t> expected = decode_cutting_at_line_ends(file);
    read_tga(file, TGA_READ_PIXELS, expected.size(), &r);
    EXPECT_TRUE(r.pixels == expected) << entry.path();
    ++pictures;
  }
  EXPECT_GE(pictures, 30);
}

TEST(TgaRle, TruncatedDataFails) {
  const TgaHeaderFields h{.image_type = 10, .width = 3, .height = 2};
  ReadResult truncated;
  read_tga(tga_header_bytes(h) + std::vector<uint8_t>{0x82, 5, 6, 7, 0x00, 1, 2, 3, 0x81, 4, 4}, LOAD, 18, &truncated);
  EXPECT_EQ(std::tuple(truncated.picture.flags & TGA_READ_PIXELS, truncated.header.last_status),
            std::tuple(0u, TGA_READ_FAILED));
  EXPECT_NE(truncated.errors.find("Read failed"), std::string::npos);
}

TEST(TgaColormap, ReadSwappedAndIndicesKept) {
  TgaHeaderFields h{.colormap_type = 1, .image_type = 1, .colormap_length = 2, .colormap_depth = 24, .width = 3,
                    .depth = 8};
  auto map = std::vector<uint8_t>{1, 2, 3, 4, 5, 6};
  ReadResult r;
  read_tga(tga_header_bytes(h) + map + std::vector<uint8_t>{0, 1, 1}, LOAD, 3, &r);
  ASSERT_NE(r.picture.colormap, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(r.picture.colormap, r.picture.colormap + 6),
            (std::vector<uint8_t>{3, 2, 1, 6, 5, 4}));
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{0, 1, 1}));  // 8-bit: never swapped

  // A colour-mapped picture with no entries fails, and says why.
  h.colormap_length = 0;
  ReadResult empty;
  read_tga(tga_header_bytes(h) + std::vector<uint8_t>{1, 0, 1}, LOAD, 3, &empty);
  EXPECT_EQ(std::tuple(empty.picture.flags & (TGA_HAS_COLORMAP | TGA_READ_PIXELS), empty.header.last_status),
            std::tuple(0u, TGA_UNKNOWN_SUB_FORMAT));
  EXPECT_EQ(empty.errors.find("Success"), std::string::npos);
}

TEST(Tga16Bit, PixelsAndMapsExpandToTheirFieldsAndTopBit) {
  // 0x7C00 red field, 0x03E0 green field, 0x001F blue field, 0x8000 the top
  // bit; little-endian.
  ReadResult r;
  read_tga(tga_header_bytes({.width = 3, .depth = 16, .descriptor = 1}) +
               std::vector<uint8_t>{0x00, 0xFC, 0xE0, 0x03, 0x1F, 0x80},
           LOAD, 12, &r);
  EXPECT_EQ(r.pixels, (std::vector<uint8_t>{31, 0, 0, 1, 0, 31, 0, 0, 0, 0, 31, 1}));
  ReadResult rle;
  read_tga(tga_header_bytes({.image_type = 10, .width = 4, .depth = 15}) + std::vector<uint8_t>{0x83, 0xFF, 0x7F}, LOAD,
           16, &rle);
  EXPECT_EQ(rle.pixels, (std::vector<uint8_t>{31, 31, 31, 0, 31, 31, 31, 0, 31, 31, 31, 0, 31, 31, 31, 0}));
  ReadResult map;
  read_tga(tga_header_bytes({.colormap_type = 1, .image_type = 1, .colormap_length = 1, .colormap_depth = 16, .depth = 8}) +
               std::vector<uint8_t>{0x1F, 0x80, 0},
           LOAD, 1, &map);
  ASSERT_NE(map.picture.colormap, nullptr);
  EXPECT_EQ(std::vector<uint8_t>(map.picture.colormap, map.picture.colormap + 4), (std::vector<uint8_t>{0, 0, 31, 1}));
}

}  // namespace
