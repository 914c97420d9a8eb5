#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <tuple>
#include <vector>

#include "image/tgaread.h"
#include "image/tga_bytes.h"

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
}

TEST(TgaRle, TruncatedDataFails) {
  const TgaHeaderFields h{.image_type = 10, .width = 3, .height = 2};
  ReadResult truncated;
  read_tga(tga_header_bytes(h) + std::vector<uint8_t>{0x82, 5, 6, 7, 0x00, 1, 2, 3, 0x81, 4, 4}, LOAD, 18, &truncated);
  EXPECT_EQ(std::tuple(truncated.picture.flags & TGA_READ_PIXELS, truncated.header.last_status),
            std::tuple(0u, TGA_READ_FAILED));
  EXPECT_NE(truncated.errors.find("Read failed"), std::string::npos);
}

// A colour-mapped picture with no entries fails, and says why.
TEST(TgaColormap, AMappedPictureWithoutEntriesFails) {
  ReadResult empty;
  read_tga(tga_header_bytes({.colormap_type = 1, .image_type = 1, .colormap_depth = 24, .width = 3, .depth = 8}) +
               std::vector<uint8_t>{1, 0, 1},
           LOAD, 3, &empty);
  EXPECT_EQ(std::tuple(empty.picture.flags & (TGA_HAS_COLORMAP | TGA_READ_PIXELS), empty.header.last_status),
            std::tuple(0u, TGA_UNKNOWN_SUB_FORMAT));
  EXPECT_EQ(empty.errors.find("Success"), std::string::npos);
}

}  // namespace
